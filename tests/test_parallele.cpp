#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <stdexcept>
#include <vector>

#include "platform/Parallele.h"

namespace {

struct RestaurerFils
{
    ~RestaurerFils() { DefinirNombreFils(0); }
};

TEST(ParalleleTest, ChaqueLigneUneFoisQuelQueSoitLeNombreDeFils)
{
    RestaurerFils restaurer;
    for (int fils : {1, 2, 3, 8}) {
        DefinirNombreFils(fils);
        EXPECT_EQ(NombreFils(), fils);
        for (int n : {0, 1, 5, 1000, 4097}) {
            std::vector<std::atomic<int>> vues(static_cast<size_t>(n));
            ParallelLignes(n, [&](int debut, int fin) {
                ASSERT_LT(debut, fin);
                for (int y = debut; y < fin; ++y)
                    ++vues[y];
                // Un appel imbriqué s'exécute sur place, sans attendre la réserve.
                int interne = 0;
                ParallelLignes(3, [&](int d, int f) { interne += f - d; });
                EXPECT_EQ(interne, 3);
            });
            for (int y = 0; y < n; ++y)
                ASSERT_EQ(vues[y].load(), 1) << fils << " fils, ligne " << y << " sur " << n;
        }
    }
}

TEST(ParalleleTest, UneErreurDUneTrancheRevientALAppelant)
{
    RestaurerFils restaurer;
    for (int fils : {1, 4}) {
        DefinirNombreFils(fils);
        EXPECT_THROW(ParallelLignes(1000,
                                    [](int debut, int fin) {
                                        if (debut <= 500 && 500 < fin)
                                            throw std::runtime_error("ligne 500");
                                    }),
                     std::runtime_error);
        // La réserve sert encore après l'échec.
        std::atomic<int> total{0};
        ParallelLignes(100, [&](int debut, int fin) { total += fin - debut; });
        EXPECT_EQ(total.load(), 100);
    }
}

TEST(ParalleleTest, UneEtapeDePeuDeLignesGardeLesFils)
{
    RestaurerFils restaurer;
    DefinirNombreFils(8);
    // Un fil neuf peut reprendre l'identifiant d'un fil fini : chaque fil tire
    // plutôt un jeton à sa première tranche.
    static std::atomic<int> jetons{0};
    std::mutex m;
    std::condition_variable arrivee;
    auto filsDeLEtape = [&] {
        std::set<int> vus;
        ParallelLignes(1000, [&](int, int) {
            thread_local const int jeton = ++jetons;
            std::unique_lock l(m);
            vus.insert(jeton);
            arrivee.notify_all();
            // Chaque tranche attend tous les fils : aucun ne manque l'étape.
            // La borne évite seulement un blocage si des fils manquaient.
            arrivee.wait_for(l, std::chrono::seconds(60), [&] { return vus.size() == 8; });
        });
        return vus;
    };
    const std::set<int> premiers = filsDeLEtape();
    ASSERT_EQ(premiers.size(), 8u);
    for (int peu : {1, 3}) {
        ParallelLignes(peu, [](int, int) {});
        EXPECT_EQ(filsDeLEtape(), premiers) << "après une étape de " << peu << " lignes";
    }
}

}  // namespace
