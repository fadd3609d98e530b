#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "core/UtilsPano.h"
#include "platform/Canevas.h"
#include "test_points_outils.h"

namespace {

// Lignes de la zone qui portent au moins un pixel non blanc.
std::vector<int> LignesEncrees(const Bitmap& bmp, const QRect& r)
{
    std::vector<int> lignes;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uint8_t* p = bmp.Ligne(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (p[x * 3] != 0xFF || p[x * 3 + 1] != 0xFF || p[x * 3 + 2] != 0xFF) {
                lignes.push_back(y);
                break;
            }
    }
    return lignes;
}

int DerniereColonneEncree(const Bitmap& bmp, const QRect& r)
{
    int derniere = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uint8_t* p = bmp.Ligne(y);
        for (int x = r.left(); x <= r.right(); ++x)
            if (p[x * 3] != 0xFF)
                derniere = std::max(derniere, x);
    }
    return derniere;
}

}  // namespace

TEST(CopierZone, RognageAuBitmapSource)
{
    Bitmap source(40, 30);
    RemplirMotif(source, 21);
    struct Cas
    {
        TPoint32 p1, p2;
        int largeur, hauteur, x0, y0;
    };
    for (const Cas c : {Cas{{5, 6}, {15, 26}, 10, 20, 5, 6},
                        Cas{{10, 10}, {40 + 50, 30 + 50}, 30, 20, 10, 10},
                        Cas{{-20, 3}, {-1, 9}, 0, 6, 0, 3},
                        Cas{{2, -9}, {8, -2}, 6, 0, 2, 0},
                        Cas{{-5, -5}, {3, 4}, 3, 4, 0, 0},
                        Cas{{7, 7}, {7, 7}, 0, 0, 7, 7},
                        Cas{{20, 20}, {10, 10}, 0, 0, 20, 20}}) {
        Bitmap dest(3, 3);  // redimensionnée depuis une taille quelconque
        CopierZone(source, dest, c.p1, c.p2);
        ASSERT_EQ(dest.Width(), c.largeur);
        ASSERT_EQ(dest.Height(), c.hauteur);
        for (int y = 0; y < c.hauteur && c.largeur > 0; ++y)
            EXPECT_EQ(std::memcmp(dest.Ligne(y), source.Ligne(c.y0 + y) + c.x0 * 3, c.largeur * 3), 0);
    }
}

class Cellules : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bmp.SetSize(200, 150);
        bmp.Fill(0xFF, 0xFF, 0xFF);
    }
    void TearDown() override { ViderListe(); }
    Bitmap bmp;
};

TEST_F(Cellules, LignesDePointsAPartirDe5PixelsQuelQueSoitLeDecalage)
{
    const int i = AjouterImageTest(1001, 600, 1);
    const QRect cellule(10, 8, 150, 136);
    for (const int decal : {0, 56}) {
        bmp.Fill(0xFF, 0xFF, 0xFF);
        DecalTexteY = decal;
        TCanevas c(bmp);
        EcrirePointsCellule(c, cellule, 'C', 0xFF0000, ListeImgs[i]);
        const auto lignes = LignesEncrees(bmp, cellule);
        ASSERT_FALSE(lignes.empty());
        EXPECT_GE(lignes.front(), cellule.top() + 5);
        EXPECT_LT(lignes.front(), cellule.top() + 25);
        EXPECT_GE(lignes.back(), cellule.top() + 65);
        EXPECT_LT(lignes.back(), cellule.top() + 85);
    }
    DecalTexteY = 0;
}

TEST_F(Cellules, ModeInconnuEffaceSeulementLaCellule)
{
    const int i = AjouterImageTest(20, 20, 1);
    TCanevas c(bmp);
    c.brushColor = 0xCCFFFF;
    EcrirePointsCellule(c, QRect(10, 10, 50, 40), 'X', 0, ListeImgs[i]);
    EXPECT_EQ(bmp.Ligne(10)[30], 0xCC);  // bleu du fond de ligne choisie
    EXPECT_EQ(bmp.Ligne(49)[59 * 3 + 2], 0xFF);
    EXPECT_EQ(bmp.Ligne(50)[30], 0xFF);  // sous la cellule : intact
    EXPECT_EQ(bmp.Ligne(9)[30], 0xFF);
}

TEST_F(Cellules, PointsSurLeBordSansCorrespondance)
{
    const int i = AjouterImageTest(100, 80, 1);
    TInfosImg& img = ListeImgs[i];
    img.PtsControle[0] = {0, 40, -1, 0, 0};   // bord gauche
    img.PtsControle[1] = {50, 79, -1, 0, 0};  // bord bas
    img.PtsControle[2] = {99, 10, 1, 2, 0};   // bord droit
    img.PtsControle[3] = {50, 40, 2, 3, 0};
    const QRect cellule(0, 0, 150, 136);
    TCanevas c(bmp);
    EcrirePointsCorrespondants(c, cellule, 0xFF0000, img);
    const auto lignes = LignesEncrees(bmp, cellule);
    ASSERT_FALSE(lignes.empty());
    EXPECT_GE(lignes.front(), 65);
    EXPECT_LT(lignes.back(), 85);
}

TEST_F(Cellules, TextesEtPositionsDesLignesDePoints)
{
    const int i = AjouterImageTest(100, 80, 1);
    TInfosImg& img = ListeImgs[i];
    img.PtsControle[0] = {12, 345, 1, 2, 0};
    img.PtsControle[1] = {0, 40, 2, 3, 0};    // bord gauche : pas de correspondance écrite
    img.PtsControle[2] = {99, 7, -1, 0, 0};   // bord droit du bitmap
    img.PtsControle[3] = {50, 40, -1, 0, 0};  // intérieur, non relié
    img.Largeur = 120;  // les bords sont ceux du bitmap, pas ceux de l'enregistrement
    img.Hauteur = 90;
    img.PtsHoriz[0] = {-3, 60};
    img.PtsHoriz[1] = {1001, 0};
    struct Ligne
    {
        int dx, dy;
        QString texte;
    };
    struct Cas
    {
        const char* nom;
        std::function<void(TCanevas&, const QRect&)> ecrire;
        std::vector<Ligne> lignes;
    };
    const Cas cas[] = {
        {"controle", [&](TCanevas& c, const QRect& r) { EcrirePointsCellule(c, r, 'C', 0xFF, img); },
         {{10, 5, "Pt1 :  X = 12"}, {100, 5, "Y = 345"}, {10, 25, "Pt2 :  X = 0"}, {100, 25, "Y = 40"},
          {10, 45, "Pt3 :  X = 99"}, {100, 45, "Y = 7"}, {10, 65, "Pt4 :  X = 50"}, {100, 65, "Y = 40"}}},
        {"horizon", [&](TCanevas& c, const QRect& r) { EcrirePointsCellule(c, r, 'H', 0xFF, img); },
         {{10, 5, "Pt1 :  X = -3"}, {100, 5, "Y = 60"}, {10, 25, "Pt2 :  X = 1001"}, {100, 25, "Y = 0"}}},
        {"correspondants",
         [&](TCanevas& c, const QRect& r) { EcrirePointsCorrespondants(c, r, 0xFF, img); },
         {{10, 5, QStringLiteral("Img N° 2")}, {80, 5, QStringLiteral("Point N° 2")},
          {10, 65, QStringLiteral("Img N° 0")}, {80, 65, QStringLiteral("Point N° 0")}}},
    };
    const QRect cellule(30, 8, 150, 136);
    DecalTexteY = 56;  // sans effet sur les lignes de points
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        Bitmap attendu(200, 150);
        attendu.Fill(0xFF, 0xFF, 0xFF);
        {
            TCanevas a(attendu);
            a.brushColor = 0xCCFFFF;
            a.fontColor = 0xFF;
            a.TextRect(cellule, cellule.left(), cellule.top(), QString());
            for (const Ligne& l : c.lignes)
                a.TextOut(cellule.left() + l.dx, cellule.top() + l.dy, l.texte);
        }
        bmp.Fill(0xFF, 0xFF, 0xFF);
        TCanevas g(bmp);
        g.brushColor = 0xCCFFFF;
        c.ecrire(g, cellule);
        EXPECT_TRUE(bmp == attendu);
    }
    DecalTexteY = 0;
}

TEST_F(Cellules, TexteCentreADroiteOuAGauche)
{
    const QString texte = QStringLiteral("Image 12");
    DecalTexteY = 4;
    TCanevas mesure(bmp);
    const int w = mesure.TextWidth(texte);
    struct Cas
    {
        char align;
        int largeur, x;  // largeur de cellule et décalage attendu du texte
    };
    // Centré : (9) div 2 = 4 ; plus large que la cellule, (-7) div 2 = -3.
    for (const Cas c : {Cas{'C', w + 9, 4}, Cas{'C', w - 7, -3}, Cas{'D', w + 20, 14},
                        Cas{'G', w + 20, 6}}) {
        const QRect cellule(20, 10, c.largeur, 24);
        Bitmap attendu(200, 150);
        attendu.Fill(0xFF, 0xFF, 0xFF);
        {
            TCanevas a(attendu);
            a.brushColor = 0xCCFFFF;
            a.fontColor = 0xFF0000;
            a.TextRect(cellule, cellule.left() + c.x, cellule.top() + 4, texte);
        }
        bmp.Fill(0xFF, 0xFF, 0xFF);
        TCanevas g(bmp);
        g.brushColor = 0xCCFFFF;
        EcrireTexteCellule(g, cellule, c.align, 0xFF0000, texte);
        EXPECT_TRUE(bmp == attendu) << c.align << " " << c.largeur;
    }
    DecalTexteY = 0;
}

TEST_F(Cellules, TexteADroiteLaisseSixPixels)
{
    TCanevas c(bmp);
    c.fontColor = 0;
    const QRect cellule(20, 10, 56, 24);
    EcrireTexteCellule(c, cellule, 'D', 0, QStringLiteral("1001 px"));
    const int fin = DerniereColonneEncree(bmp, cellule);
    const int attendu = cellule.left() + 56 - 6 - 1;  // dernière colonne avant la marge
    EXPECT_LE(fin, attendu);
    EXPECT_GE(fin, attendu - 3);  // approche latérale de la police
}
