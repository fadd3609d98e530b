#include <gtest/gtest.h>

#include <algorithm>

#include "core/Assemblage.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

class PanoramaTest
{
public:
    PanoramaTest() : precedent_(BmpPano) { BmpPano = &bmp; }
    ~PanoramaTest() { BmpPano = precedent_; }
    Bitmap bmp;

private:
    Bitmap* precedent_;
};

TPixel Motif(int x, int y)
{
    return {static_cast<uint8_t>(3 * x + 1), static_cast<uint8_t>(5 * y + 2),
            static_cast<uint8_t>((x * y) % 251)};
}

TPixel PixelPano(int X, int y)
{
    const uint8_t* p = BmpPano->Ligne(y) + 3 * X;
    return {p[0], p[1], p[2]};
}

const TPixel Blanc = {255, 255, 255};

// Deux images W x H dont la seconde va être déformée : coins et déplacements
// donnés, table préparée remplie du motif, panoramique blanc.
struct Montage
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    TAssembleImg dlg;

    Montage(int W, int H, const TPoint32 (&coins)[4], const TPoint32 (&depl)[4], int largeurPano,
            int xCourant, int decalX)
    {
        ViderListe();
        for (int i = 0; i < 2; ++i)
            AjouterImage(Bitmap(W, H), QStringLiteral("d%1").arg(i));
        ImgsAssemblage = ListeImgs;
        TInfosImg& img = ImgsAssemblage[1];
        for (int k = 0; k < 4; ++k) {
            img.Coins[k] = coins[k];
            img.Deplacements[k] = depl[k];
        }
        img.DecalX = decalX;
        TablesPixels.assign(2, TPtImg());
        TablesPixels[1].SetLength(W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                TablesPixels[1][x][y] = Motif(x, y);
        LargeurPano = largeurPano;
        HauteurPano = H;
        XCourant = xCourant;
        pano.bmp.SetSize(largeurPano, H);
        pano.bmp.Fill(255, 255, 255);
    }
    ~Montage() { ViderListe(); }
};

const TPoint32 Zero[4] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};

}  // namespace

TEST(AppliquerModifications, IdentiteDansLesDeuxModes)
{
    for (int mode : {0, 1}) {
        Montage m(30, 12, {{0, 0}, {30, 0}, {30, 12}, {0, 12}}, Zero, 50, 5, 7);
        m.fenetre.mode.setCurrentIndex(mode);
        m.dlg.AppliquerModifications(1);
        EXPECT_EQ(XCourant, 12);
        EXPECT_EQ(m.pano.bmp.Width(), 50);
        EXPECT_EQ(m.fenetre.imgPano.width(), 50);
        // Jonction verticale en colonne 0 : tout est gardé et dessiné ; le
        // bilinéaire n'échantillonne ni la dernière colonne ni la dernière ligne.
        EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].PenteJonction), PenteVerticale());
        EXPECT_EQ(ImgsAssemblage[1].PenteJonction.SigneExposant(), 0x4CF8);
        EXPECT_EQ(ImgsAssemblage[1].PenteJonction.Mantisse(), 0xF38DB1F9DD3DAC06ULL);
        EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].OrdonneeJonction), 0.0L);
        // fu et fv peuvent tomber un rien sous x et y : la dernière colonne et la
        // dernière ligne sont alors échantillonnées aussi, avec le même résultat.
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool bord = mode == 1 && (x == 29 || y == 11);
                const TPixel t = TablesPixels[1][x][y];
                if (bord && t == CouleurFond) {
                    ASSERT_EQ(PixelPano(12 + x, y), Blanc);
                    continue;
                }
                ASSERT_EQ(t, Motif(x, y)) << x << "," << y;
                ASSERT_EQ(PixelPano(12 + x, y), Motif(x, y));
            }
        EXPECT_EQ(PixelPano(11, 3), Blanc);
    }
}

TEST(AppliquerModifications, PoidsBilineairesEtBords)
{
    // fu = 0,25·x - 1 et fv = 4,5·y : en x = 45, y = 1, fu = 10,25 et fv = 4,5.
    Montage m(48, 8, {{0, 0}, {4, 0}, {4, 2}, {0, 2}}, {{-1, 0}, {-4, 0}, {-4, 7}, {-1, 7}}, 48, 0,
              0);
    m.fenetre.mode.setCurrentIndex(1);
    m.dlg.AppliquerModifications(1);
    const TPixel p00 = Motif(10, 4), p10 = Motif(11, 4), p11 = Motif(11, 5), p01 = Motif(10, 5);
    const uint8_t* a = &p00.B;
    const uint8_t* b = &p10.B;
    const uint8_t* c = &p11.B;
    const uint8_t* d = &p01.B;
    const TPixel obtenu = TablesPixels[1][45][1];
    const uint8_t* o = &obtenu.B;
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(o[k], Round(a[k] * 0.375L + b[k] * 0.125L + c[k] * 0.125L + d[k] * 0.375L)) << k;
    // fu = -0,25 en x = 3 : pas d'échantillon bilinéaire, la colonne 0 au plus proche.
    EXPECT_EQ(TablesPixels[1][3][0], CouleurFond);
    EXPECT_EQ(PixelPano(3, 0), Blanc);
    // u = W - 1 (fu = 47 en x = 192 hors image) : rien ici ; fu = 46,75 en x = 191 non plus.
    Montage n(48, 8, {{0, 0}, {4, 0}, {4, 2}, {0, 2}}, {{-1, 0}, {-4, 0}, {-4, 7}, {-1, 7}}, 48, 0, 0);
    n.fenetre.mode.setCurrentIndex(0);
    n.dlg.AppliquerModifications(1);
    EXPECT_EQ(TablesPixels[1][3][0], Motif(0, 0));
    EXPECT_EQ(TablesPixels[1][45][0], Motif(10, 0));
}

TEST(AppliquerModifications, JonctionEtRecouvrement)
{
    // Jonction de (90, 0) à (110, 200) : colonne 100 à la ligne 100.
    Montage m(300, 201, {{90, 0}, {299, 0}, {299, 200}, {110, 200}}, Zero, 300, 0, 0);
    m.dlg.AppliquerModifications(1);
    EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].PenteJonction), 10.0L);
    EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].OrdonneeJonction), -900.0L);
    const int y = 100;
    EXPECT_EQ(TablesPixels[1][80][y], CouleurFond);
    EXPECT_EQ(PixelPano(80, y), Blanc);
    for (int x : {81, 82}) {
        EXPECT_EQ(TablesPixels[1][x][y], Motif(x, y));
        EXPECT_EQ(PixelPano(x, y), Blanc);
    }
    EXPECT_EQ(TablesPixels[1][83][y], Motif(83, y));
    EXPECT_EQ(PixelPano(83, y), Motif(83, y));
}

TEST(AppliquerModifications, JonctionVerticaleParLesPointsGauches)
{
    Montage m(100, 40, {{30, 0}, {90, 0}, {90, 40}, {30, 40}}, Zero, 100, 0, 0);
    m.dlg.AppliquerModifications(1);
    EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].PenteJonction), PenteVerticale());
    for (int y : {0, 17, 39}) {
        const long double c = (y - static_cast<long double>(ImgsAssemblage[1].OrdonneeJonction)) /
                              ImgsAssemblage[1].PenteJonction;
        EXPECT_EQ(Round(c), 30);
        EXPECT_EQ(TablesPixels[1][10][y], CouleurFond);
        EXPECT_EQ(TablesPixels[1][11][y], Motif(11, y));
        EXPECT_EQ(PixelPano(12, y), Blanc);
        EXPECT_EQ(PixelPano(13, y), Motif(13, y));
    }
}

TEST(AppliquerModifications, ColonnesHorsDuPanoramique)
{
    struct Cas
    {
        const char* nom;
        int xCourant, decalX;
        bool boucle;
    };
    // Panoramique de 30 colonnes, image de 40 : à droite, à gauche, et bouclé.
    for (const Cas& c : {Cas{"droite", 0, 20, false}, Cas{"gauche", 0, -10, false},
                         Cas{"boucle", 0, 20, true}}) {
        SCOPED_TRACE(c.nom);
        Montage m(40, 6, {{0, 0}, {40, 0}, {40, 6}, {0, 6}}, Zero, 30, c.xCourant, c.decalX);
        m.fenetre.boucler.setChecked(c.boucle);
        m.dlg.AppliquerModifications(1);
        for (int y = 0; y < 6; ++y) {
            // Dessin de gauche à droite : la dernière colonne arrivée l'emporte.
            TPixel attendu[30];
            std::fill(attendu, attendu + 30, Blanc);
            for (int x = 0; x < 40; ++x) {
                int X = c.decalX + x;
                if (c.boucle && X >= 30)
                    X -= 30;
                if (X >= 0 && X < 30)
                    attendu[X] = Motif(x, y);
            }
            for (int X = 0; X < 30; ++X)
                ASSERT_EQ(PixelPano(X, y), attendu[X]) << X << "," << y;
        }
        // Les octets de bourrage de fin de ligne restent blancs.
        EXPECT_EQ(m.pano.bmp.Ligne(2)[90], 0xFF);
        EXPECT_EQ(m.pano.bmp.Ligne(2)[91], 0xFF);
    }
}

TEST(AppliquerModifications, CoinsDegeneresEtModeInconnu)
{
    {
        // Quatre coins confondus : matrice singulière, l'image est posée sans déformation.
        Montage m(20, 10, {{5, 5}, {5, 5}, {5, 5}, {5, 5}}, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}, 20, 0, 0);
        m.dlg.AppliquerModifications(1);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(PixelPano(x, y), Motif(x, y));
    }
    {
        Montage m(20, 10, {{0, 0}, {20, 0}, {20, 10}, {0, 10}}, Zero, 40, 3, 4);
        m.fenetre.mode.setEditable(true);
        m.fenetre.mode.setCurrentIndex(-1);
        m.dlg.AppliquerModifications(1);
        EXPECT_EQ(XCourant, 7);
        EXPECT_EQ(TablesPixels[1][4][4], CouleurFond);
        for (int X = 0; X < 40; ++X)
            ASSERT_EQ(PixelPano(X, 5), Blanc);
    }
    {
        // Étape refusée : ni jonction, ni avance, ni dessin ; la table reste préparée.
        Montage m(20, 10, {{0, 0}, {20, 0}, {20, 10}, {0, 10}}, Zero, 40, 3, 4);
        m.dlg.FermerClick();
        m.dlg.AppliquerModifications(1);
        EXPECT_EQ(XCourant, 3);
        EXPECT_EQ(m.pano.bmp.Width(), 40);
        EXPECT_EQ(TablesPixels[1][4][4], Motif(4, 4));
        EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].PenteJonction), 0.0L);
        EXPECT_EQ(PixelPano(10, 5), Blanc);
    }
}
