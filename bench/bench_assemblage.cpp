// Mesures de l'assemblage : six images de 4000 x 3000, préparation puis
// déformation au plus proche et bilinéaire, comparées à une simple copie
// mémoire du même nombre d'octets de sortie.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>


#include "core/Assemblage.h"
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

void Preparation(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    for (auto _ : state)
        b.Preparer();
    state.counters["Mpx/s"] = benchmark::Counter(
        static_cast<double>(b.pixelsSortie) * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
}

void Deformation(benchmark::State& state)
{
    Banc& b = LeBanc();
    PanoramaDuBanc installe(b);
    b.fenetre->mode.setCurrentIndex(static_cast<int>(state.range(0)));
    double deformation = 0.0;
    double copie = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        b.Preparer();
        copie += SecondesCopie(b.pixelsSortie * 3);
        state.ResumeTiming();
        const auto debut = std::chrono::steady_clock::now();
        b.Deformer();
        deformation += std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    }
    state.counters["Mpx/s"] = benchmark::Counter(
        static_cast<double>(b.pixelsSortie) * 1e-6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["x_memcpy"] = deformation / copie;
    state.SetLabel(state.range(0) == 0 ? "plus proche voisin" : "bilineaire");
}

}  // namespace

BENCHMARK(Preparation)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(Deformation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
