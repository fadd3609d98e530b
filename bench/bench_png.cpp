// PNG fabriqués pour coûter cher à lire : des blocs de texte qui gonflent à la
// décompression, un flux d'image prolongé de zéros comprimés après les lignes.
// Le temps et la mémoire doivent suivre les pixels (16 × 16 ici), pas ce que
// libpng décompresserait. Le fichier fabriqué une fois (des secondes pour
// 4 Gio de zéros), d'où le nombre d'itérations fixé.

#include <benchmark/benchmark.h>

#include <png.h>

#include "platform/Decodeurs.h"
#include "tests/test_plateforme_fabrique.h"

namespace {

Octets Png16()
{
    std::vector<Octets> lignes(16, Octets(48));
    for (size_t y = 0; y < lignes.size(); ++y)
        for (size_t x = 0; x < lignes[y].size(); ++x)
            lignes[y][x] = static_cast<uint8_t>(x * 16 + y);
    OptionsPng o;
    o.type = PNG_COLOR_TYPE_RGB;
    return FabriquerPng(16, 16, lignes, o);
}

void Decoder(benchmark::State& state, const Octets& f)
{
    for (auto _ : state) {
        Bitmap image;
        DecoderPng(f.data(), f.size(), image);
        benchmark::DoNotOptimize(image);
    }
    state.counters["Mo"] = static_cast<double>(f.size()) / 1e6;
}

// range(0) blocs de texte comprimés, chacun juste sous la limite de 8 Mo par
// bloc de libpng une fois décompressé, devant l'image.
void BM_PngTexte(benchmark::State& state, const char* type)
{
    const Octets bloc = BlocTexteComprime(type, 7990000);
    Octets blocs;
    for (int64_t k = 0; k < state.range(0); ++k)
        blocs.insert(blocs.end(), bloc.begin(), bloc.end());
    Decoder(state, PngAvecBlocs(Png16(), "IDAT", blocs));
}
BENCHMARK_CAPTURE(BM_PngTexte, zTXt, "zTXt")->Arg(999)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_PngTexte, iTXt, "iTXt")->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(5);

// range(0) Gio de zéros comprimés après les lignes, dans le flux de l'image.
void BM_PngZerosApresLignes(benchmark::State& state)
{
    Decoder(state, PngZerosApresLignes(Png16(), static_cast<uint64_t>(state.range(0)) << 30, size_t(1) << 30));
}
BENCHMARK(BM_PngZerosApresLignes)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
