// Débit des corrections de la table de pixels, en pixels par seconde, sur un
// fil (dernier argument 1) puis sur tous les cœurs (0).

#include <benchmark/benchmark.h>

#include <string>

#include "core/CorrectionsGeometriques.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"

namespace {

constexpr int W = 3000;
constexpr int H = 2000;

void PreparerImage()
{
    static HBitmap h = 0;
    if (h != 0)
        return;
    h = NouveauBitmap();
    Bitmap& B = *BitmapDe(h);
    B.SetSize(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < 3 * W; ++x)
            B.Ligne(y)[x] = static_cast<uint8_t>(x * 7 + y * 13);
    ImgsAssemblage.assign(1, TInfosImg{});
    TInfosImg& R = ImgsAssemblage[0];
    R.Bitmap = h;
    R.Largeur = W;
    R.Hauteur = H;
    R.CoefHG = 1.2L;
    R.CoefHD = 0.9L;
    R.CoefBD = 1.05L;
    R.CoefBG = 0.8L;
    const float f[4][3] = {{1.1f, 0.9f, 1.0f}, {0.95f, 1.05f, 1.1f}, {1.0f, 1.0f, 0.9f}, {1.2f, 0.8f, 1.0f}};
    std::copy(&f[0][0], &f[0][0] + 12, &R.FacteursRVB[0][0]);
    R.CoefFuite = 0.13397f;
    R.PtsHoriz[0] = {100, 900};
    R.PtsHoriz[1] = {2900, 1040};
    TablesPixels.assign(1, TPtImg{});
    TablesPixels[0].SetLength(W, H);
    TableTravail.SetLength(W, H);
}

void Fils(benchmark::State& etat, int argument)
{
    const int fils = static_cast<int>(etat.range(argument));
    DefinirNombreFils(fils);
    etat.SetLabel(fils == 1 ? "1 fil" : std::to_string(NombreFils()) + " fils");
}

void Debit(benchmark::State& etat)
{
    etat.SetItemsProcessed(etat.iterations() * int64_t(W) * H);
    DefinirNombreFils(0);
}

void BM_LuminositeEtChromaticite(benchmark::State& etat)
{
    PreparerImage();
    Fils(etat, 0);
    CorrigerLignesFuite(0, 0.0L);
    for (auto _ : etat) {
        CorrigerChromaticite(0);
        CorrigerLuminosite(0);
        benchmark::DoNotOptimize(TablesPixels[0].Ligne(0));
    }
    Debit(etat);
}

void BM_LignesFuite(benchmark::State& etat)
{
    PreparerImage();
    Fils(etat, 0);
    for (auto _ : etat) {
        CorrigerLignesFuite(0, 0.0L);
        benchmark::DoNotOptimize(TablesPixels[0].Ligne(0));
    }
    Debit(etat);
}

void BM_Horizontalite(benchmark::State& etat)
{
    PreparerImage();
    TFausseFenetre fenetre;
    fenetre.mode.setCurrentIndex(static_cast<int>(etat.range(0)));
    Fils(etat, 1);
    for (auto _ : etat) {
        CorrigerHorizontalite(0, 12);
        benchmark::DoNotOptimize(TablesPixels[0].Ligne(0));
    }
    Debit(etat);
}

void BM_HorizontaliteLignesFuite(benchmark::State& etat)
{
    PreparerImage();
    TFausseFenetre fenetre;
    fenetre.mode.setCurrentIndex(static_cast<int>(etat.range(0)));
    Fils(etat, 1);
    CorrigerLignesFuite(0, 0.0L);
    for (auto _ : etat) {
        CorrigerHorizontaliteLignesFuite(0, -12, TableTravail);
        benchmark::DoNotOptimize(TablesPixels[0].Ligne(0));
    }
    Debit(etat);
}

}  // namespace

// Temps réel : sur plusieurs fils, le temps processeur du seul fil appelant
// ne dit rien.
BENCHMARK(BM_LuminositeEtChromaticite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LignesFuite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Horizontalite)->ArgsProduct({{0, 1}, {1, 0}})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HorizontaliteLignesFuite)
    ->ArgsProduct({{0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
