// Débit des corrections de la table de pixels, en pixels par seconde.

#include <benchmark/benchmark.h>


#include "core/CorrectionsGeometriques.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
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

void Debit(benchmark::State& etat)
{
    etat.SetItemsProcessed(etat.iterations() * int64_t(W) * H);
}

void BM_LuminositeEtChromaticite(benchmark::State& etat)
{
    PreparerImage();
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
    CorrigerLignesFuite(0, 0.0L);
    for (auto _ : etat) {
        CorrigerHorizontaliteLignesFuite(0, -12, TableTravail);
        benchmark::DoNotOptimize(TablesPixels[0].Ligne(0));
    }
    Debit(etat);
}

}  // namespace

BENCHMARK(BM_LuminositeEtChromaticite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LignesFuite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Horizontalite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HorizontaliteLignesFuite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
