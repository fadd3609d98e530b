#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/AcqImgs.h"
#include "app/AcqImgsApercus.h"
#include "core/HarmoImgs.h"
#include "platform/Image.h"

namespace {

constexpr long double Pi = 3.14159265358979323846264338327950288L;

TPtImg Vignette(int w, int h)
{
    TPtImg t;
    t.SetLength(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[x][y] = TPixel{uint8_t(x * 7 + y), uint8_t(x + y * 3), uint8_t(x ^ y)};
    return t;
}

TPixel PixelDe(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.Ligne(y) + 3 * x;
    return TPixel{p[0], p[1], p[2]};
}

bool MemeImage(const TPtImg& t, const Bitmap& b)
{
    if (t.Largeur() != b.Width() || t.Hauteur() != b.Height())
        return false;
    for (int y = 0; y < t.Hauteur(); ++y)
        for (int x = 0; x < t.Largeur(); ++x)
            if (!(t[x][y] == PixelDe(b, x, y)))
                return false;
    return true;
}

TPtImg EnTable(const Bitmap& b)
{
    TPtImg t;
    t.SetLength(b.Width(), b.Height());
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            t[x][y] = PixelDe(b, x, y);
    return t;
}

TEST(Apercus, ValeursNeutresRendentLaVignette)
{
    for (auto [w, h] : {std::pair{320, 240}, {320, 320}, {17, 5}, {1, 1}, {1, 9}, {9, 1}, {320, 0}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const TPtImg v = Vignette(w, h);
        Bitmap dest;
        TracerCompLum(v, dest, 1.0L, 1.0L, 1.0L, 1.0L);
        EXPECT_TRUE(MemeImage(v, dest));
    }
}

TEST(Apercus, CoinsMultipliesParLeurCoefficient)
{
    TPtImg v;
    v.SetLength(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            v[x][y] = TPixel{100, 3, 200};
    Bitmap dest;
    TracerCompLum(v, dest, 0.5L, 2.0L, 1.5L, 0.25L);
    struct Cas
    {
        int x, y;
        TPixel attendu;
    };
    // B = 100·k, V = Round(3·k) moitiés au pair, R = 200·k borné à 255.
    for (const Cas& c : {Cas{0, 0, {50, 2, 100}}, Cas{4, 0, {200, 6, 255}},
                         Cas{4, 2, {150, 4, 255}}, Cas{0, 2, {25, 1, 50}}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        EXPECT_EQ(PixelDe(dest, c.x, c.y), c.attendu);
    }
    // Centre : moyenne des quatre coefficients, 1,0625 ; 212,5 va au pair.
    EXPECT_EQ(PixelDe(dest, 2, 1), (TPixel{106, 3, 212}));
}

// Vignette de 320 × 240, curseur de champ à 30° : colonne 0.
TEST(Apercus, LignesDeFuiteExempleTrenteDegres)
{
    TPtImg v;
    v.SetLength(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            v[x][y] = y == 0 ? TPixel{0, 255, 100} : TPixel{255, 0, 200};
    Bitmap dest;
    TracerLignesFuite(v, dest, 1.0L - cosl(30 * Pi / 180));
    for (int y : {0, 6, 233, 239})
        EXPECT_EQ(PixelDe(dest, 0, y), CouleurFond) << y;
    // Ligne 7 : 0,6393 de la ligne 0 et 0,3607 de la ligne 1.
    EXPECT_EQ(PixelDe(dest, 0, 7), (TPixel{92, 163, 136}));
    EXPECT_EQ(PixelDe(dest, 0, 8), (TPixel{255, 0, 200}));
}

TEST(Apercus, LignesDeFuiteColonneDuMilieuEtDerniereLigne)
{
    for (auto [w, h] : {std::pair{320, 240}, {33, 20}, {2, 2}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const TPtImg v = Vignette(w, h);
        Bitmap dest;
        // K tel que (K + 1) − K vaut exactement 1 : la colonne du milieu n'est
        // pas rééchantillonnée.
        TracerLignesFuite(v, dest, 1.0L - cosl(30 * Pi / 180));
        for (int y = 0; y < h - 1; ++y)
            EXPECT_EQ(PixelDe(dest, w / 2, y), (v[w / 2][y])) << y;
        int nonNoirs = 0;
        for (int x = 0; x < w; ++x)
            nonNoirs += !(PixelDe(dest, x, h - 1) == CouleurFond);
        EXPECT_EQ(nonNoirs, 0);
        // Le noir du haut croît du milieu vers les bords.
        const auto noirsEnHaut = [&](int x) {
            int n = 0;
            while (n < h && PixelDe(dest, x, n) == CouleurFond)
                ++n;
            return n;
        };
        for (int x = w / 2; x + 1 < w; ++x)
            EXPECT_LE(noirsEnHaut(x), noirsEnHaut(x + 1));
        for (int x = w / 2; x > 0; --x)
            EXPECT_LE(noirsEnHaut(x), noirsEnHaut(x - 1));
    }
}

// L'aperçu combiné : la luminosité d'abord, puis la correction de fuite sur
// son résultat.
TEST(Apercus, CombineEgaleLaSuiteDesDeux)
{
    for (auto [w, h] : {std::pair{320, 320}, {100, 37}, {1, 4}, {4, 1}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        const TPtImg v = Vignette(w, h);
        Bitmap lum, attendu, combine;
        TracerCompLum(v, lum, 1.3L, 0.8L, 1.1L, 0.6L);
        TracerLignesFuite(EnTable(lum), attendu, 0.2L);
        TracerCompLumEtFuite(v, combine, 1.3L, 0.8L, 1.1L, 0.6L, 0.2L);
        EXPECT_TRUE(combine == attendu);
    }
}

// Une seule colonne ou une seule ligne : bord gauche ou haut, sans division par zéro.
TEST(Apercus, VignettesDegenerees)
{
    TPtImg v;
    v.SetLength(1, 1);
    v[0][0] = TPixel{100, 100, 100};
    Bitmap dest;
    TracerCompLum(v, dest, 2.0L, 3.0L, 0.1L, 0.5L);
    EXPECT_EQ(PixelDe(dest, 0, 0), (TPixel{200, 200, 200}));

    v.SetLength(3, 1);
    v[2][0] = TPixel{100, 100, 100};
    TracerCompLum(v, dest, 2.0L, 0.5L, 9.0L, 9.0L);
    EXPECT_EQ(PixelDe(dest, 2, 0), (TPixel{50, 50, 50}));

    v.SetLength(1, 3);
    v[0][1] = v[0][0] = TPixel{10, 20, 30};
    TracerLignesFuite(v, dest, 0.5L);
    EXPECT_EQ(PixelDe(dest, 0, 0), (TPixel{10, 20, 30}));
    EXPECT_EQ(PixelDe(dest, 0, 2), CouleurFond);

    v.SetLength(320, 0);
    TracerCompLumEtFuite(v, dest, 2.0L, 1.0L, 1.0L, 1.0L, 0.5L);
    EXPECT_EQ(dest.Width(), 320);
    EXPECT_EQ(dest.Height(), 0);
}

TEST(Apercus, CoefficientsAberrantsBornes)
{
    TPtImg v;
    v.SetLength(2, 2);
    for (int i = 0; i < 4; ++i)
        v[i % 2][i / 2] = TPixel{1, 128, 255};
    Bitmap dest;
    TracerCompLum(v, dest, 1e30L, -5.0L, 1.0L, 1.0L);
    EXPECT_EQ(PixelDe(dest, 0, 0), (TPixel{255, 255, 255}));
    EXPECT_EQ(PixelDe(dest, 1, 0), CouleurFond);
    EXPECT_EQ(PixelDe(dest, 0, 1), (TPixel{1, 128, 255}));
    // Un poids nul fois l'infini est indéfini : le pixel reste noir.
    for (long double k : {static_cast<long double>(NAN), static_cast<long double>(INFINITY)}) {
        TracerCompLum(v, dest, k, k, k, k);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(PixelDe(dest, i % 2, i / 2), CouleurFond);
    }
}

TEST(Apercus, SourceTropGrandeNonTracee)
{
    const TPtImg v = Vignette(321, 10);
    Bitmap dest(4, 4);
    TracerCompLumEtFuite(v, dest, 1.0L, 1.0L, 1.0L, 1.0L, 0.5L);
    TracerLignesFuite(v, dest, 0.5L);
    TracerCompLum(v, dest, 1.0L, 1.0L, 1.0L, 1.0L);
    EXPECT_EQ(dest.Width(), 4);
    EXPECT_TRUE(dest == Bitmap(4, 4));
}

}  // namespace

namespace {

// Chemins rapides contre la référence en étendu, au bit près : coefficients
// des curseurs, demi-unités exactes, valeurs tirées au hasard.
TEST(Apercus, RapideIdentiqueALaReference)
{
    uint32_t graine = 12345;
    const auto hasard = [&graine] {
        graine = graine * 1664525u + 1013904223u;
        return graine >> 8;
    };
    const auto curseur = [](int p) { return powl(10.0L, static_cast<long double>((p - 100) * 3) / 1000.0L); };
    const auto vignette = [&](int w, int h) {
        TPtImg t;
        t.SetLength(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                t[x][y] = TPixel{uint8_t(hasard()), uint8_t(hasard()), uint8_t(hasard())};
        return t;
    };
    const std::pair<int, int> tailles[] = {{320, 240}, {240, 320}, {17, 5}, {2, 2}, {1, 7}, {7, 1}};
    int cas = 0;
    for (auto [w, h] : tailles) {
        const TPtImg v = vignette(w, h);
        for (int n = 0; n < 12; ++n) {
            long double c[4];
            for (long double& ci : c)
                ci = n < 4 ? curseur(hasard() % 201) : n < 8 ? (hasard() % 64) / 32.0L
                                                             : (hasard() % 100000) / 25000.0L;
            Bitmap rapide, reference;
            TracerCompLum(v, rapide, c[0], c[1], c[2], c[3]);
            TracerCompLumEtendu(v, reference, c[0], c[1], c[2], c[3]);
            EXPECT_TRUE(rapide == reference) << w << " x " << h << " n=" << n;
            ++cas;
        }
        for (int a = 1; a <= 90; a += (w == 320 ? 1 : 7)) {
            const long double K = 1.0L - cosl(a * Pi / 180);
            Bitmap rapide, reference;
            TracerLignesFuite(v, rapide, K);
            TracerLignesFuiteEtendu(v, reference, K);
            EXPECT_TRUE(rapide == reference) << w << " x " << h << " a=" << a;
            ++cas;
        }
        for (long double K : {0.0L, 0.5L, 1.0L, (hasard() % 1000) / 1000.0L}) {
            Bitmap rapide, reference;
            TracerLignesFuite(v, rapide, K);
            TracerLignesFuiteEtendu(v, reference, K);
            EXPECT_TRUE(rapide == reference) << w << " x " << h << " K=" << double(K);
        }
    }
    EXPECT_GT(cas, 150);
}

}  // namespace

// La fenêtre trace l'aperçu de ses valeurs courantes, chaque coin à sa place,
// et choisit l'aperçu combiné quand les deux corrections sont actives.
TEST(Apercus, FenetreTraceSesValeursCourantes)
{
    const auto fenetre = std::make_unique<TSeqPano>();
    TableVignette.SetLength(40, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            TableVignette[x][y] = TPixel{100, 100, 100};
    const long double K = 1.0L - cosl(30 * Pi / 180);
    Bitmap lum, fuite, combine;
    TracerCompLum(TableVignette, lum, 0.5L, 1.5L, 2.0L, 0.25L);
    TracerLignesFuite(TableVignette, fuite, K);
    TracerCompLumEtFuite(TableVignette, combine, 0.5L, 1.5L, 2.0L, 0.25L, K);
    ASSERT_FALSE(combine == fuite);
    struct Cas
    {
        long double hg, hd, bd, bg, fuite;
        const Bitmap& attendu;
    };
    const Cas cas[] = {{0.5L, 1.5L, 2.0L, 0.25L, 0.0L, lum},
                       {1.0L, 1.0L, 1.0L, 1.0L, K, fuite},
                       {0.5L, 1.5L, 2.0L, 0.25L, K, combine}};
    const Bitmap& apercu = fenetre->Image2()->Picture();
    for (const Cas& c : cas) {
        fenetre->CoefCourantHG = c.hg;
        fenetre->CoefCourantHD = c.hd;
        fenetre->CoefCourantBD = c.bd;
        fenetre->CoefCourantBG = c.bg;
        fenetre->CoefCourantFuite = c.fuite;
        fenetre->ActualiserApercu();
        EXPECT_TRUE(apercu == c.attendu) << double(c.hg) << " " << double(c.fuite);
    }
    TableVignette.Liberer();
}
