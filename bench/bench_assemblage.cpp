// Mesures de l'assemblage : six images de 4000 x 3000, préparation puis
// déformation au plus proche et bilinéaire, comparées à une simple copie
// mémoire du même nombre d'octets de sortie ; sur un fil tenu sur son cœur
// (fils:1) puis sur tous les cœurs (fils:0). Mémoire de pointe d'un
// assemblage entier, et coût du refus d'un panoramique démesuré.

#include <benchmark/benchmark.h>

#include <sched.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/Assemblage.h"
#include "platform/Erreur.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

constexpr int NbImages = 6;
constexpr int Largeur = 4000;
constexpr int Hauteur = 3000;
constexpr int Pas = 3000;

struct Banc
{
    std::unique_ptr<TFausseFenetre> fenetre;
    std::unique_ptr<TAssembleImg> dlg;
    Bitmap pano;
    int64_t pixelsSortie = 0;

    Banc()
    {
        TFenetrePano* avant = SeqPano;
        fenetre = std::make_unique<TFausseFenetre>();
        SeqPano = avant;
        dlg = std::make_unique<TAssembleImg>();
        // Dénivelés et coefficients de luminosité : tables décalées et
        // corrigées comme dans une vraie série.
        const TSerie s = CreerSerie(NbImages, Largeur, Hauteur, Pas, {0, 12, -7, 20, 3, -15}, {},
                                    false, 3);
        ChargerSerie(s, false);
        ListeImgs[2].CoefHG = 1.1L;
        ListeImgs[4].CoefBD = 0.9L;
        for (const TInfosImg& img : ListeImgs)
            pixelsSortie += int64_t(img.Largeur) * img.Hauteur;
    }

    void Preparer()
    {
        dlg->InitialiserTraitements();
        for (int i = 0; i < NbImages; ++i)
            dlg->CorrigerPointsLignesFuite(i);
        for (int i = 0; i < NbImages; ++i)
            dlg->RedresserPointsControle(i);
        for (int i = 0; i < NbImages; ++i)
            dlg->CalculerCoins(i);
        pano.SetHeight(HauteurPano);
        for (int i = 0; i < NbImages; ++i)
            dlg->PreparerImage(i);
    }

    void Deformer()
    {
        for (int i = 0; i < NbImages; ++i)
            dlg->AppliquerModifications(i);
    }
};

Banc& LeBanc()
{
    static Banc banc;
    return banc;
}

// Le panoramique du banc n'est installé que le temps d'une mesure : les autres
// mesures trouvent BmpPano comme elles l'ont laissé.
class PanoramaDuBanc
{
public:
    explicit PanoramaDuBanc(Banc& b) : precedent_(BmpPano), seqPano_(SeqPano)
    {
        BmpPano = &b.pano;
        SeqPano = b.fenetre.get();
    }
    ~PanoramaDuBanc()
    {
        BmpPano = precedent_;
        SeqPano = seqPano_;
    }

private:
    Bitmap* precedent_;
    TFenetrePano* seqPano_;
};

double SecondesCopie(int64_t octets)
{
    static std::vector<uint8_t> source, dest;
    source.assign(static_cast<size_t>(octets), 7);
    dest.assign(static_cast<size_t>(octets), 0);
    const auto debut = std::chrono::steady_clock::now();
    std::memcpy(dest.data(), source.data(), source.size());
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
}

// Nombre de fils de la mesure le temps de celle-ci ; sur un fil, le fil
// appelant reste sur le cœur où il se trouve.
class FilsDeLaMesure
{
public:
    explicit FilsDeLaMesure(benchmark::State& state) : avant_(NombreFils())
    {
        DefinirNombreFils(static_cast<int>(state.range(0)));
        state.counters["fils"] = NombreFils();
        sched_getaffinity(0, sizeof(cpus_), &cpus_);
        if (NombreFils() == 1 && sched_getcpu() >= 0) {
            cpu_set_t un;
            CPU_ZERO(&un);
            CPU_SET(sched_getcpu(), &un);
            sched_setaffinity(0, sizeof(un), &un);
        }
    }
    ~FilsDeLaMesure()
    {
        sched_setaffinity(0, sizeof(cpus_), &cpus_);
        DefinirNombreFils(avant_);
    }

private:
    int avant_;
    cpu_set_t cpus_;
};

// Chaque tour : avant() hors mesure, puis travail() mesuré et comparé à une
// copie mémoire des octets de sortie.
template <class Avant, class Travail>
void Mesurer(benchmark::State& state, const Banc& b, Avant avant, Travail travail)
{
    double secondes = 0.0, copie = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        avant();
        copie += SecondesCopie(b.pixelsSortie * 3);
        state.ResumeTiming();
        const auto debut = std::chrono::steady_clock::now();
        travail();
        secondes += std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    }
    state.counters["Mpx/s"] = benchmark::Counter(
        static_cast<double>(b.pixelsSortie) * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x_memcpy"] = secondes / copie;
}

void Preparation(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    FilsDeLaMesure fils(state);
    Mesurer(state, b, [] {}, [&] { b.Preparer(); });
}

// Préparation et déformation au plus proche : le travail d'un assemblage.
void PreparationEtDeformation(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    FilsDeLaMesure fils(state);
    b.fenetre->mode.setCurrentIndex(0);
    Mesurer(state, b, [] {}, [&] {
        b.Preparer();
        b.Deformer();
    });
}

void Deformation(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    FilsDeLaMesure fils(state);
    const int mode = static_cast<int>(state.range(1));
    b.fenetre->mode.setCurrentIndex(mode);
    Mesurer(state, b, [&] { b.Preparer(); }, [&] { b.Deformer(); });
    state.SetLabel(mode == 0 ? "plus proche voisin" : "bilineaire");
}

// Champ en kio de /proc/self/status (VmRSS, VmHWM).
int64_t Kio(const std::string& champ)
{
    std::ifstream status("/proc/self/status");
    std::string ligne;
    while (std::getline(status, ligne))
        if (ligne.rfind(champ + ":", 0) == 0)
            return std::stoll(ligne.substr(champ.size() + 1));
    return 0;
}

// Assemblage entier depuis des tables libérées : pointe de la mémoire du
// processus, rapportée aux photographies décodées et au panoramique.
void MemoireAssemblage(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    FilsDeLaMesure fils(state);
    b.fenetre->mode.setCurrentIndex(0);
    const double photos = static_cast<double>(b.pixelsSortie) * 3;
    double rapport = 0.0;
    for (auto _ : state) {
        TablesPixels.clear();
        TablesPixels.shrink_to_fit();
        b.pano.SetSize(0, 0);
        const int64_t avant = Kio("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";
        b.dlg->Assembler();
        const double pointe = photos + static_cast<double>(Kio("VmHWM") - avant) * 1024;
        rapport = pointe / (photos + 3.0 * b.pano.Width() * b.pano.Height());
    }
    state.counters["pointe/(photos+pano)"] = rapport;
}

// Deux images de 8 x 2 dont les points mettent la somme des étendues au
// budget du lecteur de projets : 268 millions de colonnes demandées, refusées
// avant toute table. Durée d'un refus et pointe de mémoire qu'il ajoute.
void RefusPanoramiqueDemesure(benchmark::State& state)
{
    TFausseFenetre fenetre;
    Bitmap pano;
    Bitmap* const panoAvant = BmpPano;
    BmpPano = &pano;
    constexpr int budget = INT32_MAX / 8;
    constexpr int droite = (budget - 4) / 2;
    TImgs liste(2);
    for (int i = 0; i < 2; ++i) {
        TInfosImg& img = liste[i];
        img.Bitmap = NouveauBitmap();
        BitmapDe(img.Bitmap)->SetSize(8, 2);
        img.Largeur = 8;
        img.Hauteur = 2;
        img.NbPtsControle = 2;
        const int x = i == 0 ? droite : droite + 4 - budget;
        for (int k = 0; k < 4; ++k)
            img.PtsControle[k] = k < 2 ? TPtControle{x, k, 1 - i, k + 1, 0xFF} : TPtControle{4, 1, -1, 0, 0};
    }
    // La liste du banc est rendue telle quelle aux autres mesures.
    std::swap(ListeImgs, liste);
    TAssembleImg dlg;
    int64_t pointe = 0;
    for (auto _ : state) {
        const int64_t avant = Kio("VmRSS");
        std::ofstream("/proc/self/clear_refs") << "5";
        try {
            dlg.Assembler();
        } catch (const Erreur&) {
        }
        pointe = std::max(pointe, Kio("VmHWM") - avant);
    }
    state.counters["pointe_kio"] = static_cast<double>(pointe);
    std::swap(ListeImgs, liste);
    for (TInfosImg& img : liste)
        LibererBitmap(img.Bitmap);
    BmpPano = panoAvant;
}

}  // namespace

BENCHMARK(RefusPanoramiqueDemesure)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(MemoireAssemblage)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(Preparation)->ArgName("fils")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)
    ->Iterations(3)->UseRealTime();
BENCHMARK(PreparationEtDeformation)->ArgName("fils")->Arg(1)->Arg(0)
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(Deformation)->ArgNames({"fils", "mode"})->ArgsProduct({{1, 0}, {0, 1}})
    ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
