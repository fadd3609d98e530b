// Fondu des recouvrements et reprise d'harmonisation sur un panoramique de
// dix images 4000 × 3000 : seules les bandes des jonctions sont lues. Sur un
// fil (argument 1) puis sur tous les cœurs (0).

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "core/RenduPano.h"
#include "core/UtilsPano.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"

namespace {

constexpr int NbImages = 10;
constexpr int Largeur = 4000;
constexpr int Hauteur = 3000;
constexpr int Pas = 3000;

struct BancRendu
{
    std::unique_ptr<TFausseFenetre> fenetre;
    Bitmap pano;

    BancRendu()
    {
        fenetre = std::make_unique<TFausseFenetre>();
        BmpPano = &pano;
        pano.SetSize(Largeur + (NbImages - 1) * Pas, Hauteur);
        ImgsAssemblage.clear();
        TablesPixels.assign(NbImages, TPtImg());
        for (int i = 0; i < NbImages; ++i) {
            TInfosImg img{};
            img.Largeur = Largeur;
            img.Hauteur = Hauteur;
            img.DecalX = i == 0 ? Largeur : Pas;
            img.CoefHG = img.CoefBG = img.CoefHD = img.CoefBD = 1.0L;
            for (auto& coin : img.FacteursRVB)
                for (float& f : coin)
                    f = 1.0f;
            // Jonction légèrement oblique vers la colonne 500.
            img.PenteJonction = i == 0 ? PenteVerticale() : -300.0L;
            img.OrdonneeJonction = i == 0 ? 0.0L : 150000.0L;
            ImgsAssemblage.push_back(img);
            TPtImg& t = TablesPixels[i];
            t.SetLength(Largeur, Hauteur);
            for (int y = 0; y < Hauteur; ++y) {
                TPixel* l = t.Ligne(y);
                for (int x = 0; x < Largeur; ++x)
                    l[x] = {static_cast<uint8_t>(x * 7 + i), static_cast<uint8_t>(y * 3),
                            static_cast<uint8_t>(90 + 10 * i)};
            }
        }
        ListeImgs = ImgsAssemblage;
    }
};

BancRendu& Banc(benchmark::State& state)
{
    static BancRendu banc;
    const int fils = static_cast<int>(state.range(0));
    DefinirNombreFils(fils);
    state.SetLabel(fils == 1 ? "1 fil" : std::to_string(NombreFils()) + " fils");
    return banc;
}

void BM_FiltrerRecouvrements(benchmark::State& state)
{
    Banc(state);
    for (auto _ : state)
        FiltrerRecouvrements();
    DefinirNombreFils(0);
}
BENCHMARK(BM_FiltrerRecouvrements)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReprendreHarmonisation(benchmark::State& state)
{
    Banc(state);
    for (auto _ : state) {
        ImgsAssemblage[4] = ListeImgs[4];
        benchmark::DoNotOptimize(ReprendreHarmonisation(4));
    }
    DefinirNombreFils(0);
}
BENCHMARK(BM_ReprendreHarmonisation)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
