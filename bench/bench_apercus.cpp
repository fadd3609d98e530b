#include <benchmark/benchmark.h>

#include <cmath>

#include "app/AcqImgsApercus.h"

namespace {

TPtImg VignettePleine()
{
    TPtImg t;
    t.SetLength(TailleApercu, TailleApercu);
    for (int y = 0; y < TailleApercu; ++y)
        for (int x = 0; x < TailleApercu; ++x)
            t[x][y] = TPixel{uint8_t(x * 7 + y), uint8_t(x + y * 3), uint8_t(x ^ y)};
    return t;
}

const long double K30 = 1.0L - cosl(30 * 3.14159265358979323846264338327950288L / 180);

// Objectif : un aperçu de 320 × 320 en 2 ms au plus.
void BM_ApercuCompLum(benchmark::State& etat)
{
    const TPtImg v = VignettePleine();
    Bitmap dest(TailleApercu, TailleApercu);
    for (auto _ : etat) {
        TracerCompLum(v, dest, 1.3L, 0.8L, 1.1L, 0.6L);
        benchmark::DoNotOptimize(dest.Bits());
    }
}
BENCHMARK(BM_ApercuCompLum)->Unit(benchmark::kMillisecond);

void BM_ApercuLignesFuite(benchmark::State& etat)
{
    const TPtImg v = VignettePleine();
    Bitmap dest(TailleApercu, TailleApercu);
    for (auto _ : etat) {
        TracerLignesFuite(v, dest, K30);
        benchmark::DoNotOptimize(dest.Bits());
    }
}
BENCHMARK(BM_ApercuLignesFuite)->Unit(benchmark::kMillisecond);

void BM_ApercuCompLumEtFuite(benchmark::State& etat)
{
    const TPtImg v = VignettePleine();
    Bitmap dest(TailleApercu, TailleApercu);
    for (auto _ : etat) {
        TracerCompLumEtFuite(v, dest, 1.3L, 0.8L, 1.1L, 0.6L, K30);
        benchmark::DoNotOptimize(dest.Bits());
    }
}
BENCHMARK(BM_ApercuCompLumEtFuite)->Unit(benchmark::kMillisecond);

}  // namespace
