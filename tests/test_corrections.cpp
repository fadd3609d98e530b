#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/ArrondiOctet.h"
#include "core/Vecteurs4.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Parallele.h"

namespace {

// Une image de travail sans bitmap : seules la table et les coefficients comptent.
void PreparerImage(int W, int H, TPixel p)
{
    ImgsAssemblage.assign(1, TInfosImg{});
    TInfosImg& R = ImgsAssemblage[0];
    R.Largeur = W;
    R.Hauteur = H;
    R.CoefHG = R.CoefBG = R.CoefHD = R.CoefBD = 1.0L;
    for (auto& coin : R.FacteursRVB)
        std::fill(std::begin(coin), std::end(coin), 1.0f);
    TablesPixels.assign(1, TPtImg{});
    TablesPixels[0].SetLength(W, H);
    for (int y = 0; y < H; ++y)
        std::fill_n(TablesPixels[0].Ligne(y), W, p);
}

void Coefs(long double hg, long double hd, long double bd, long double bg)
{
    TInfosImg& R = ImgsAssemblage[0];
    R.CoefHG = hg;
    R.CoefHD = hd;
    R.CoefBD = bd;
    R.CoefBG = bg;
}

}  // namespace

TEST(ArrondiOctet, EgalAuRoundBorne)
{
    auto reference = [](long double x) {
        return static_cast<uint8_t>(std::clamp<int64_t>(Round(x), 0, 255));
    };
    std::vector<long double> valeurs = {-1e18L, -300.0L, -0.5L, -0.0L, 0.0L, 0.5L, 1.5L, 2.5L, 254.5L,
                                        255.0L, 255.4999L, 255.5L, 256.5L, 1e18L};
    for (int k = -4; k <= 2 * 260; ++k)
        for (long double e : {0.0L, 0x1p-60L, -0x1p-60L, 0x1p-40L, -0x1p-40L})
            valeurs.push_back(k / 2.0L + e);
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<long double> loi(-2.0L, 258.0L);
    for (int k = 0; k < 200000; ++k)
        valeurs.push_back(loi(gen));
    for (long double x : valeurs)
        ASSERT_EQ(OctetArrondi(x), reference(x)) << static_cast<double>(x);
    EXPECT_EQ(OctetArrondi(std::nanl("")), 0);
    // Au-delà de l'entier 64 bits, un gain énorme sature au lieu de retomber à 0.
    EXPECT_EQ(OctetArrondi(1e30L), 255);
}

TEST(CorrectionsPhotometriques, ValeursDeReference)
{
    struct Cas {
        long double coef;
        uint8_t avant, apres;
    };
    // Moitiés vers le pair, puis borne à 255.
    for (const Cas& c : {Cas{0.5L, 1, 0}, Cas{0.5L, 3, 2}, Cas{2.0L, 100, 200}, Cas{2.0L, 200, 255},
                         Cas{1.0L, 77, 77}}) {
        PreparerImage(4, 3, {c.avant, c.avant, c.avant});
        Coefs(c.coef, c.coef, c.coef, c.coef);
        CorrigerLuminosite(0);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                ASSERT_EQ(TablesPixels[0][x][y], (TPixel{c.apres, c.apres, c.apres}));
    }
}

TEST(CorrectionsPhotometriques, CoinHautGaucheDouble)
{
    PreparerImage(5, 7, {100, 100, 100});
    Coefs(2.0L, 1.0L, 1.0L, 1.0L);
    CorrigerLuminosite(0);
    const TPtImg& T = TablesPixels[0];
    EXPECT_EQ(T[0][0], (TPixel{200, 200, 200}));
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(T[4][y], (TPixel{100, 100, 100}));
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(T[x][6], (TPixel{100, 100, 100}));
    EXPECT_EQ(T[2][3], (TPixel{125, 125, 125}));
}

TEST(CorrectionsPhotometriques, FacteursParCanalEtParCoin)
{
    PreparerImage(6, 4, {101, 90, 80});
    for (auto& coin : ImgsAssemblage[0].FacteursRVB)
        coin[0] = 0.5f;
    CorrigerChromaticite(0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(TablesPixels[0][x][y], (TPixel{50, 90, 80}));

    // Chaque coin porte ses propres facteurs : HG, HD, BD, BG.
    PreparerImage(3, 3, {100, 100, 100});
    float (&F)[4][3] = ImgsAssemblage[0].FacteursRVB;
    F[0][2] = 2.0f;
    F[1][1] = 0.5f;
    F[2][0] = 1.5f;
    F[3][2] = 0.0f;
    CorrigerChromaticite(0);
    const TPtImg& T = TablesPixels[0];
    EXPECT_EQ(T[0][0], (TPixel{100, 100, 200}));
    EXPECT_EQ(T[2][0], (TPixel{100, 50, 100}));
    EXPECT_EQ(T[2][2], (TPixel{150, 100, 100}));
    EXPECT_EQ(T[0][2], (TPixel{100, 100, 0}));
    EXPECT_EQ(T[1][1], (TPixel{112, 88, 100}));
}

TEST(CorrectionsPhotometriques, ImageDUnePixelDeLargeOuDeHaut)
{
    // La rangée unique prend la moyenne des deux bords.
    PreparerImage(1, 3, {100, 100, 100});
    Coefs(2.0L, 1.0L, 1.0L, 2.0L);
    CorrigerLuminosite(0);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(TablesPixels[0][0][y], (TPixel{150, 150, 150}));

    PreparerImage(3, 1, {100, 100, 100});
    Coefs(2.0L, 2.0L, 1.0L, 1.0L);
    for (auto& coin : ImgsAssemblage[0].FacteursRVB)
        coin[1] = 0.5f;
    CorrigerChromaticite(0);
    CorrigerLuminosite(0);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(TablesPixels[0][x][0], (TPixel{150, 75, 150}));
}

TEST(InterpolerGain, AmortitVersUn)
{
    EXPECT_NEAR(static_cast<double>(InterpolerGain(1.2L, 0.9L)), 1.18, 1e-15);
    EXPECT_NEAR(static_cast<double>(InterpolerGain(0.8L, 0.9L)), 0.82, 1e-15);
    EXPECT_EQ(InterpolerGain(1.2L, 0.9L), (1.2L - 1.0L) * 0.9L + 1.0L);
    EXPECT_EQ(InterpolerGain(0.8L, 0.9L), 1.0L - (1.0L - 0.8L) * 0.9L);
    for (long double t : {0.0L, 0.1L, 0.9L, 1.0L, 3.7L})
        EXPECT_EQ(InterpolerGain(1.0L, t), 1.0L);
    EXPECT_EQ(InterpolerGain(2.5L, 1.0L), 2.5L);
    EXPECT_EQ(InterpolerGain(0.25L, 0.0L), 1.0L);
}

namespace {

// Chemin scalaire simple, pixel par pixel en étendu, tel que l'algorithme
// s'écrit : la référence des boucles rapides.
long double Blend(long double u, long double v, long double hg, long double bg, long double hd,
                  long double bd)
{
    return (1 - u) * (1 - v) * hg + (1 - u) * v * bg + u * (1 - v) * hd + u * v * bd;
}

uint8_t Borne(long double x)
{
    return static_cast<uint8_t>(std::clamp<int64_t>(Round(x), 0, 255));
}

void ReferencePhotometrie(TPtImg& T, const TInfosImg& R, bool chroma)
{
    const int W = T.Largeur(), H = T.Hauteur();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const long double u = static_cast<long double>(x) / (W - 1);
            const long double v = static_cast<long double>(y) / (H - 1);
            uint8_t* p = &T[x][y].B;
            for (int c = 2; c >= 0; --c) {
                const auto& F = R.FacteursRVB;
                const long double g = chroma ? Blend(u, v, F[0][c], F[3][c], F[1][c], F[2][c])
                                             : Blend(u, v, R.CoefHG, R.CoefBG, R.CoefHD, R.CoefBD);
                p[c] = Borne(p[c] * g);
            }
        }
}

}  // namespace

TEST(CorrectionsPhotometriques, IdentiquesAuCheminSimple)
{
    // Des gains qui tombent sur des moitiés exactes, et d'autres quelconques.
    const long double gains[] = {0.5L, 1.5L, 1.25L, 2.0L, 0.75L, 1.0L, 1.1L, 0.9L, 1.0L / 3, 0.0L, 3.0L};
    std::mt19937 gen(11);
    std::uniform_int_distribution<int> taille(2, 40), octet(0, 255), choix(0, 10);
    std::uniform_real_distribution<long double> libre(0.3L, 2.5L);
    auto gain = [&] { return choix(gen) < 6 ? gains[choix(gen)] : libre(gen); };
    const bool avx2Machine = Avx2Actif();
    for (int k = 0; k < 300; ++k) {
        const int W = k == 0 ? 1000 : taille(gen), H = k == 0 ? 600 : taille(gen);
        PreparerImage(W, H, {0, 0, 0});
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                TablesPixels[0][x][y] = {static_cast<uint8_t>(octet(gen)), static_cast<uint8_t>(octet(gen)),
                                         static_cast<uint8_t>(octet(gen))};
        Coefs(gain(), gain(), gain(), gain());
        for (auto& coin : ImgsAssemblage[0].FacteursRVB)
            for (float& f : coin)
                f = static_cast<float>(gain());
        const TPtImg avant = TablesPixels[0];
        TPtImg attendu = avant;
        ReferencePhotometrie(attendu, ImgsAssemblage[0], true);
        ReferencePhotometrie(attendu, ImgsAssemblage[0], false);
        // Chemins vectoriels SSE4.1 puis AVX2 (si le processeur l'a), sur 1, 2 et 8 fils.
        for (bool avx2 : {false, avx2Machine})
            for (int fils : {1, 2, 8}) {
                Avx2Actif() = avx2;
                DefinirNombreFils(fils);
                TablesPixels[0] = avant;
                CorrigerChromaticite(0);
                CorrigerLuminosite(0);
                ASSERT_EQ(TablesPixels[0], attendu) << k << " avx2 " << avx2 << " fils " << fils;
            }
    }
    Avx2Actif() = avx2Machine;
    DefinirNombreFils(0);
}
