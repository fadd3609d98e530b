// Fondu des recouvrements et reprise d'harmonisation sur un panoramique de
// dix images 4000 × 3000 : seules les bandes des jonctions sont lues.

#include <benchmark/benchmark.h>

#include <memory>


#include "core/RenduPano.h"
#include "core/UtilsPano.h"
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

BancRendu& Banc()
{
    static BancRendu banc;
    return banc;
}

void BM_FiltrerRecouvrements(benchmark::State& state)
{
    Banc();
    for (auto _ : state)
        FiltrerRecouvrements();
}
BENCHMARK(BM_FiltrerRecouvrements)->Unit(benchmark::kMillisecond);

void BM_ReprendreHarmonisation(benchmark::State& state)
{
    Banc();
    for (auto _ : state) {
        ImgsAssemblage[4] = ListeImgs[4];
        benchmark::DoNotOptimize(ReprendreHarmonisation(4));
    }
}
BENCHMARK(BM_ReprendreHarmonisation)->Unit(benchmark::kMillisecond);

}  // namespace
