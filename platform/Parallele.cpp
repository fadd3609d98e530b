#include "platform/Parallele.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

thread_local bool dansUneTranche = false;

class TReserveFils
{
public:
    ~TReserveFils() { Arreter(); }

    int Nombre()
    {
        std::lock_guard verrou(etape_);
        return nombre_ > 0 ? nombre_ : Machine();
    }

    void Definir(int n)
    {
        std::lock_guard verrou(etape_);
        Arreter();
        nombre_ = std::max(n, 0);
    }

    void Executer(int n, const std::function<void(int, int)>& traiter)
    {
        if (n <= 0)
            return;
        std::unique_lock verrou(etape_, std::try_to_lock);
        if (dansUneTranche || !verrou.owns_lock()) {
            traiter(0, n);
            return;
        }
        const int reserve = nombre_ > 0 ? nombre_ : Machine();
        const int fils = std::min(reserve, n);
        if (fils <= 1) {
            traiter(0, n);
            return;
        }
        // La réserve garde sa taille : une étape de peu de lignes réveille des
        // fils qui n'auront rien à faire, plutôt que de les recréer tous.
        Demarrer(reserve - 1);
        // Des tranches plus petites que la part de chaque fil équilibrent les
        // lignes de coût inégal (bords hors image, recours en étendu).
        travail_ = &traiter;
        total_ = n;
        tranche_ = std::max(1, n / (fils * 8));
        suivante_ = 0;
        erreur_ = nullptr;
        {
            std::lock_guard l(mutex_);
            restants_ = static_cast<int>(fils_.size());
            ++generation_;
        }
        reveil_.notify_all();
        Travailler();
        std::unique_lock l(mutex_);
        fini_.wait(l, [&] { return restants_ == 0; });
        travail_ = nullptr;
        if (erreur_)
            std::rethrow_exception(std::exchange(erreur_, nullptr));
    }

private:
    static int Machine() { return std::max(1u, std::thread::hardware_concurrency()); }

    void Demarrer(int voulus)
    {
        if (static_cast<int>(fils_.size()) == voulus)
            return;
        Arreter();
        arret_ = false;
        // Un fil neuf n'attend que les étapes à venir.
        for (int k = 0; k < voulus; ++k)
            fils_.emplace_back([this, vue = generation_] { Boucle(vue); });
    }

    void Arreter()
    {
        {
            std::lock_guard l(mutex_);
            arret_ = true;
        }
        reveil_.notify_all();
        for (std::thread& f : fils_)
            f.join();
        fils_.clear();
    }

    void Boucle(unsigned vue)
    {
        dansUneTranche = true;
        for (;;) {
            {
                std::unique_lock l(mutex_);
                reveil_.wait(l, [&] { return arret_ || generation_ != vue; });
                if (arret_)
                    return;
                vue = generation_;
            }
            Travailler();
            std::lock_guard l(mutex_);
            if (--restants_ == 0)
                fini_.notify_one();
        }
    }

    void Travailler()
    {
        const bool avant = dansUneTranche;
        dansUneTranche = true;
        for (;;) {
            const int debut = suivante_.fetch_add(tranche_);
            if (debut >= total_)
                break;
            try {
                (*travail_)(debut, std::min(total_, debut + tranche_));
            } catch (...) {
                // Les tranches restantes sont abandonnées : l'étape a échoué.
                suivante_ = total_;
                std::lock_guard l(mutex_);
                if (!erreur_)
                    erreur_ = std::current_exception();
            }
        }
        dansUneTranche = avant;
    }

    std::mutex etape_;  // une étape à la fois
    int nombre_ = 0;
    std::vector<std::thread> fils_;

    std::mutex mutex_;
    std::condition_variable reveil_, fini_;
    bool arret_ = false;
    unsigned generation_ = 0;
    int restants_ = 0;

    const std::function<void(int, int)>* travail_ = nullptr;
    int total_ = 0;
    int tranche_ = 1;
    std::atomic<int> suivante_{0};
    std::exception_ptr erreur_;
};

TReserveFils& Reserve()
{
    static TReserveFils reserve;
    return reserve;
}

}  // namespace

int NombreFils()
{
    return Reserve().Nombre();
}

void DefinirNombreFils(int n)
{
    Reserve().Definir(n);
}

void ParallelLignes(int n, const std::function<void(int, int)>& traiter)
{
    Reserve().Executer(n, traiter);
}
