#include <gtest/gtest.h>

#include <cmath>

#include "core/Assemblage.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

// Liste de travail de n images unies, sans point placé.
void PreparerListe(const std::vector<QSize>& tailles)
{
    ViderListe();
    for (size_t i = 0; i < tailles.size(); ++i) {
        Bitmap b(tailles[i].width(), tailles[i].height());
        b.Fill(90, 120, 150);
        AjouterImage(b, QStringLiteral("img%1").arg(i));
    }
    ImgsAssemblage = ListeImgs;
}

void PlacerPoint(int img, int k, int x, int y, int lieImg = -1, int liePt = 0)
{
    ImgsAssemblage[img].PtsControle[k - 1] = {x, y, lieImg, liePt, 0};
}

}  // namespace

TEST(TrierPoints, OrdreDesExAequo)
{
    struct Cas
    {
        int v[4];
        int attendu[4];
    };
    const Cas cas[] = {
        {{5, 5, 1, 1}, {1, 2, 3, 4}}, {{1, 5, 5, 1}, {2, 3, 4, 1}},
        {{1, 1, 5, 5}, {3, 4, 1, 2}}, {{5, 1, 1, 5}, {1, 4, 2, 3}},
        {{50, 60, 1200, 1210}, {4, 3, 2, 1}}, {{7, 7, 7, 7}, {1, 2, 3, 4}},
        {{-3, 9, -8, 0}, {2, 4, 1, 3}},
    };
    for (const Cas& c : cas) {
        TInfosImg img{};
        for (int k = 0; k < 4; ++k) {
            img.PtsControle[k].X = c.v[k];
            img.PtsControle[k].Y = 100 - c.v[k];
        }
        int ordre[4];
        TrierPoints(img, 'X', ordre);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(ordre[k], c.attendu[k]) << c.v[0] << "," << c.v[1] << "," << c.v[2] << ","
                                              << c.v[3] << " rang " << k;
        // Sur l'axe Y les valeurs (100 - v) sont rangées à l'inverse, sans doublon.
        TrierPoints(img, 'Y', ordre);
        int vus = 0;
        for (int k = 0; k < 4; ++k)
            vus |= 1 << ordre[k];
        EXPECT_EQ(vus, 0b11110);
    }
}

TEST(TournerPoint, QuartDeTourEtTroncature)
{
    struct Cas
    {
        TPoint32 p;
        long double sinA, cosA;
        TPoint32 attendu;
    };
    const long double r = std::sqrt(0.5L);
    const Cas cas[] = {
        {{110, 50}, 0.0L, 1.0L, {110, 50}},
        {{110, 50}, 1.0L, 0.0L, {100, 60}},
        {{90, 50}, 1.0L, 0.0L, {100, 40}},
        // 10·cos45 = 7,07 tronqué à 7 ; -7,07 tronqué vers zéro à -7.
        {{110, 50}, r, r, {107, 57}},
        {{90, 50}, r, r, {93, 43}},
    };
    for (const Cas& c : cas) {
        TPoint32 p = c.p;
        TournerPoint(p, {100, 50}, c.sinA, c.cosA);
        EXPECT_EQ(p, c.attendu);
    }
}

TEST(HorizontaliteDefinie, QuatreConditions)
{
    PreparerListe({{1000, 1000}});
    struct Cas
    {
        TPoint32 h1, h2;
        bool attendu;
    };
    const Cas cas[] = {
        {{100, 480}, {900, 520}, true}, {{0, 480}, {900, 520}, false},
        {{100, 500}, {900, 520}, false}, {{100, 480}, {0, 520}, false},
        {{100, 480}, {900, 500}, false}, {{0, 500}, {0, 500}, false},
    };
    for (const Cas& c : cas) {
        ImgsAssemblage[0].PtsHoriz[0] = c.h1;
        ImgsAssemblage[0].PtsHoriz[1] = c.h2;
        EXPECT_EQ(HorizontaliteDefinie(0), c.attendu);
    }
    EXPECT_FALSE(HorizontaliteDefinie(-1));
    EXPECT_FALSE(HorizontaliteDefinie(1));
}

TEST(DecalerVerticalement, DecalagesEtRetour)
{
    Bitmap b(5, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = b.Ligne(y) + 3 * x;
            p[0] = static_cast<uint8_t>(10 * y + x + 1);
            p[1] = static_cast<uint8_t>(100 + y);
            p[2] = static_cast<uint8_t>(200 + x);
        }
    for (int decal : {0, 2, -3, 6, -6, 1000, -2147483647}) {
        TPtImg t;
        t.SetLength(5, 6);
        DecalerVerticalement(b, 5, 6, decal, t);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 5; ++x) {
                const int64_t s = int64_t(y) + decal;
                const TPixel attendu =
                    s >= 0 && s < 6 ? TPixel{b.Ligne(int(s))[3 * x], b.Ligne(int(s))[3 * x + 1],
                                             b.Ligne(int(s))[3 * x + 2]}
                                    : CouleurFond;
                EXPECT_EQ(t[x][y], attendu) << decal << " " << x << "," << y;
            }
    }
    // Table plus petite que l'image annoncée : rien n'est écrit au-delà.
    TPtImg petite;
    petite.SetLength(3, 2);
    DecalerVerticalement(b, 5, 6, 1, petite);
    EXPECT_EQ(petite[2][1], (TPixel{23, 102, 202}));
}

TEST(CorrigerPointsLignesFuite, PointsSuiventLaCorrection)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    PreparerListe({{1000, 600}, {1, 40}});
    TInfosImg& img = ImgsAssemblage[0];
    img.CoefFuite = 0.0f;
    PlacerPoint(0, 1, 0, 0);
    PlacerPoint(0, 2, 900, 580);
    dlg.CorrigerPointsLignesFuite(0);
    EXPECT_EQ(img.PtsControle[0].Y, 0);
    EXPECT_EQ(img.PtsControle[1].Y, 580);

    img.CoefFuite = 0.25f;
    PlacerPoint(0, 1, 0, 0);
    PlacerPoint(0, 2, 900, 580);
    PlacerPoint(0, 3, 500, 10);
    PlacerPoint(0, 4, 123, 300);
    img.PtsHoriz[0] = {1000, 0};
    dlg.CorrigerPointsLignesFuite(0);
    // d = -1 : s = 1,25 - 0,25·√2 ; Y = Round(300 - 300·s).
    const long double s0 = 1.25L - 0.25L * std::sqrt(2.0L);
    EXPECT_EQ(img.PtsControle[0].Y, Round(300 - 300 * s0));
    EXPECT_EQ(img.PtsControle[0].X, 0);
    EXPECT_EQ(img.PtsControle[2].Y, 10);   // colonne du milieu
    EXPECT_EQ(img.PtsControle[3].Y, 300);  // ligne du milieu
    EXPECT_EQ(img.PtsHoriz[0].Y, Round(300 - 300 * s0));
    const long double d1 = (900 - 500) / 500.0L;
    EXPECT_EQ(img.PtsControle[1].Y, Round(300 - (300 - 580) * (1.25L - 0.25L * std::sqrt(d1 * d1 + 1))));

    // Loin au-delà des bords (photo réduite depuis), le point prend le
    // facteur du bord au lieu de s'envoler.
    img.CoefFuite = 1.0f;
    PlacerPoint(0, 1, INT32_MAX / 8, 100);
    PlacerPoint(0, 2, -(INT32_MAX / 8), -5000);
    dlg.CorrigerPointsLignesFuite(0);
    const long double bord = 2.0L - std::sqrt(2.0L);
    EXPECT_EQ(img.PtsControle[0].Y, Round(300 - 200 * bord));
    EXPECT_EQ(img.PtsControle[1].Y, Round(300 - 5300 * bord));

    // Image d'un pixel de large : aucune division par zéro, rien ne bouge.
    ImgsAssemblage[1].CoefFuite = 0.5f;
    PlacerPoint(1, 1, 0, 3);
    dlg.CorrigerPointsLignesFuite(1);
    EXPECT_EQ(ImgsAssemblage[1].PtsControle[0].Y, 3);
}

TEST(RedresserPointsControle, RotationDansLesDeuxOrdres)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    PreparerListe({{1000, 1000}});
    const TPoint32 points[4] = {{50, 100}, {60, 800}, {1200, 90}, {500, 500}};
    std::vector<TPoint32> resultats;
    for (bool inverse : {false, true}) {
        TInfosImg& img = ImgsAssemblage[0];
        img.PtsHoriz[0] = inverse ? TPoint32{900, 520} : TPoint32{100, 480};
        img.PtsHoriz[1] = inverse ? TPoint32{100, 480} : TPoint32{900, 520};
        for (int k = 0; k < 4; ++k)
            PlacerPoint(0, k + 1, points[k].X, points[k].Y);
        PoidsEtapes[0][0] = 0;
        dlg.RedresserPointsControle(0);
        EXPECT_EQ(PoidsEtapes[0][0], 70);
        const long double d = std::sqrt(800.0L * 800 + 40 * 40);
        for (int k = 0; k < 4; ++k) {
            TPoint32 attendu = points[k];
            TournerPoint(attendu, {500, 500}, -40 / d, 800 / d);
            EXPECT_EQ((TPoint32{img.PtsControle[k].X, img.PtsControle[k].Y}), attendu);
            resultats.push_back(attendu);
        }
        EXPECT_EQ(img.PtsHoriz[inverse ? 1 : 0], (TPoint32{100, 480}));
    }
    EXPECT_EQ(resultats[2], (TPoint32{1178, 56}));

    // Horizon non défini ou points confondus : rien ne tourne.
    for (TPoint32 h2 : {TPoint32{900, 500}, TPoint32{100, 480}}) {
        TInfosImg& img = ImgsAssemblage[0];
        img.PtsHoriz[0] = {100, 480};
        img.PtsHoriz[1] = h2;
        for (int k = 0; k < 4; ++k)
            PlacerPoint(0, k + 1, points[k].X, points[k].Y);
        dlg.RedresserPointsControle(0);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ((TPoint32{img.PtsControle[k].X, img.PtsControle[k].Y}), points[k]);
    }
}

// Des points d'horizon éloignés de plus de 46 340 pixels : la somme des carrés
// ne tient plus sur 32 bits, les points tournent du même angle que les pixels.
TEST(RedresserPointsControle, HorizonsLointainsMemeAngleQueLesPixels)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    PreparerListe({{200000, 4}});
    struct Cas
    {
        TPoint32 h1, h2;
    };
    const Cas cas[] = {
        {{10, 1}, {46351, 3}},      // somme négative sur 32 bits
        {{10, 1}, {65546, 3}},      // somme 2^32 + 4 : 4 sur 32 bits
        {{199990, 3}, {5, 0}},      // ordre inverse, plus de 2^35
        {{100, 1}, {40000, 3}},     // tient sur 32 bits
    };
    const TPoint32 points[4] = {{190000, 1}, {150000, 3}, {10, 0}, {100000, 2}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.h2.X);
        TInfosImg& img = ImgsAssemblage[0];
        img.PtsHoriz[0] = c.h1;
        img.PtsHoriz[1] = c.h2;
        for (int k = 0; k < 4; ++k)
            PlacerPoint(0, k + 1, points[k].X, points[k].Y);
        dlg.RedresserPointsControle(0);
        long double dx = static_cast<long double>(c.h2.X) - c.h1.X;
        long double dy = static_cast<long double>(c.h2.Y) - c.h1.Y;
        const long double d = std::sqrt(dx * dx + dy * dy);
        if (dx < 0) {
            dx = -dx;
            dy = -dy;
        }
        long double sinPixels, cosPixels;
        ASSERT_TRUE(AngleHorizon(img, sinPixels, cosPixels));
        EXPECT_EQ(sinPixels, dy / d);
        EXPECT_EQ(cosPixels, dx / d);
        for (int k = 0; k < 4; ++k) {
            TPoint32 attendu = points[k];
            TournerPoint(attendu, {100000, 2}, -dy / d, dx / d);
            EXPECT_EQ((TPoint32{img.PtsControle[k].X, img.PtsControle[k].Y}), attendu) << k;
            EXPECT_LT(std::abs(img.PtsControle[k].Y), 10);
        }
    }
}

TEST(CalculerCoins, ImageInterieureEtBords)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    PreparerListe({{1300, 900}, {1300, 900}, {1250, 880}});
    PlacerPoint(0, 1, 1100, 100, 1, 1);
    PlacerPoint(0, 2, 1110, 800, 1, 2);
    PlacerPoint(1, 1, 50, 100, 0, 1);
    PlacerPoint(1, 2, 60, 800, 0, 2);
    PlacerPoint(1, 3, 1200, 90, 2, 1);
    PlacerPoint(1, 4, 1210, 810, 2, 2);
    PlacerPoint(2, 1, 40, 95, 1, 3);
    PlacerPoint(2, 2, 45, 800, 1, 4);
    for (int i = 0; i < 3; ++i)
        dlg.CalculerCoins(i);

    const TInfosImg& m = ImgsAssemblage[1];
    EXPECT_EQ(m.Coins[0], (TPoint32{50, 100}));
    EXPECT_EQ(m.Coins[3], (TPoint32{60, 800}));
    EXPECT_EQ(m.Coins[1], (TPoint32{1200, 90}));
    EXPECT_EQ(m.Coins[2], (TPoint32{1210, 810}));
    EXPECT_EQ(m.CoinsLies[0], (TPoint32{1100, 100}));
    EXPECT_EQ(m.CoinsLies[1], (TPoint32{40, 95}));
    EXPECT_EQ(m.CoinsLies[2], (TPoint32{45, 800}));
    EXPECT_EQ(m.Deplacements[1].X, -2);
    EXPECT_EQ(m.Deplacements[2].X, 2);
    EXPECT_EQ(m.Deplacements[0].X, 0);
    EXPECT_EQ(m.Deplacements[3].X, 0);

    // Bords ouverts : l'image elle-même, appariée au bord opposé de l'autre bout.
    const TInfosImg& premiere = ImgsAssemblage[0];
    EXPECT_EQ(premiere.Coins[0], (TPoint32{0, 0}));
    EXPECT_EQ(premiere.Coins[3], (TPoint32{0, 900}));
    EXPECT_EQ(premiere.CoinsLies[0], (TPoint32{1250, 0}));
    EXPECT_EQ(premiere.CoinsLies[3], (TPoint32{1250, 880}));
    EXPECT_EQ(premiere.Coins[1], (TPoint32{1100, 100}));
    const TInfosImg& derniere = ImgsAssemblage[2];
    EXPECT_EQ(derniere.Coins[1], (TPoint32{1250, 0}));
    EXPECT_EQ(derniere.Coins[2], (TPoint32{1250, 880}));
    EXPECT_EQ(derniere.CoinsLies[1], (TPoint32{0, 0}));
    EXPECT_EQ(derniere.CoinsLies[2], (TPoint32{0, 900}));
    EXPECT_EQ(derniere.Coins[0], (TPoint32{40, 95}));
}

TEST(CalculerCoins, ExAequoEtPointsSansLien)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    PreparerListe({{400, 300}, {400, 300}, {400, 300}});
    // Paires à même hauteur : le dernier de l'ordre devient le coin du haut
    // à gauche, le second à droite.
    PlacerPoint(1, 1, 10, 50, 0, 1);
    PlacerPoint(1, 2, 20, 50, 0, 2);
    PlacerPoint(1, 3, 300, 70, 2, 1);
    PlacerPoint(1, 4, 310, 70, 2, 2);
    // Liens invalides : aucun, image hors liste, numéro de point hors bornes.
    PlacerPoint(0, 1, 350, 40, -1, 0);
    PlacerPoint(0, 2, 360, 240, 7, 1);
    PlacerPoint(2, 1, 30, 60, 1, 9);
    PlacerPoint(2, 2, 35, 250, 1, 0);
    for (int i = 0; i < 3; ++i)
        dlg.CalculerCoins(i);
    const TInfosImg& m = ImgsAssemblage[1];
    EXPECT_EQ(m.Coins[0], (TPoint32{10, 50}));
    EXPECT_EQ(m.Coins[3], (TPoint32{20, 50}));
    EXPECT_EQ(m.Coins[1], (TPoint32{300, 70}));
    EXPECT_EQ(m.Coins[2], (TPoint32{310, 70}));
    // Sans lien valide, le coin est apparié à lui-même.
    EXPECT_EQ(ImgsAssemblage[0].CoinsLies[1], (TPoint32{350, 40}));
    EXPECT_EQ(ImgsAssemblage[0].CoinsLies[2], (TPoint32{360, 240}));
    EXPECT_EQ(ImgsAssemblage[2].CoinsLies[0], (TPoint32{30, 60}));
    EXPECT_EQ(ImgsAssemblage[2].CoinsLies[3], (TPoint32{35, 250}));
}

TEST(CalculerCoins, BoucleUtiliseLesPointsDesBouts)
{
    TFausseFenetre fenetre;
    fenetre.boucler.setChecked(true);
    TAssembleImg dlg;
    PreparerListe({{400, 300}, {400, 300}});
    PlacerPoint(0, 1, 20, 40, 1, 3);
    PlacerPoint(0, 2, 25, 250, 1, 4);
    PlacerPoint(0, 3, 380, 50, 1, 1);
    PlacerPoint(0, 4, 385, 260, 1, 2);
    PlacerPoint(1, 1, 30, 45, 0, 3);
    PlacerPoint(1, 2, 35, 255, 0, 4);
    PlacerPoint(1, 3, 370, 35, 0, 1);
    PlacerPoint(1, 4, 375, 245, 0, 2);
    dlg.CalculerCoins(0);
    dlg.CalculerCoins(1);
    EXPECT_EQ(ImgsAssemblage[0].Coins[0], (TPoint32{20, 40}));
    EXPECT_EQ(ImgsAssemblage[0].CoinsLies[0], (TPoint32{370, 35}));
    EXPECT_EQ(ImgsAssemblage[1].Coins[1], (TPoint32{370, 35}));
    EXPECT_EQ(ImgsAssemblage[1].CoinsLies[2], (TPoint32{25, 250}));
}
