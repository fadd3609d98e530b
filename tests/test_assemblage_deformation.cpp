#include <gtest/gtest.h>

#include <algorithm>

#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"
#include "core/Matrix.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

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
        GaucheDessinee.clear();
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
            // Ce qui dépasse à droite n'est reporté qu'à gauche de ce que
            // l'image a déjà dessiné.
            TPixel attendu[30];
            std::fill(attendu, attendu + 30, Blanc);
            int gauche = 30;
            for (int x = 0; x < 40; ++x) {
                const int X = c.decalX + x;
                if (X >= 0 && X < 30) {
                    attendu[X] = Motif(x, y);
                    gauche = std::min(gauche, X);
                } else if (c.boucle && X >= 30 && X - 30 < gauche) {
                    attendu[X - 30] = Motif(x, y);
                }
            }
            for (int X = 0; X < 30; ++X)
                ASSERT_EQ(PixelPano(X, y), attendu[X]) << X << "," << y;
        }
        // Les octets de bourrage de fin de ligne restent blancs.
        EXPECT_EQ(m.pano.bmp.Ligne(2)[90], 0xFF);
        EXPECT_EQ(m.pano.bmp.Ligne(2)[91], 0xFF);
    }
}

TEST(AppliquerModifications, BoucleSansEcraserLImage0)
{
    // Image 0 bleue, jonction en colonne 25 : dessinée à partir de la colonne 8.
    // La dernière image, rouge, dépasse de 20 colonnes à droite du panoramique.
    const TPixel bleu = {200, 0, 0}, rouge = {0, 0, 200};
    Montage m(40, 6, {{0, 0}, {40, 0}, {40, 6}, {0, 6}}, Zero, 60, 0, 40);
    m.fenetre.boucler.setChecked(true);
    TInfosImg& img0 = ImgsAssemblage[0];
    const TPoint32 coins0[4] = {{25, 0}, {39, 0}, {39, 6}, {25, 6}};
    std::copy(coins0, coins0 + 4, img0.Coins);
    TablesPixels[0].SetLength(40, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 40; ++x) {
            TablesPixels[0][x][y] = bleu;
            TablesPixels[1][x][y] = rouge;
        }
    m.dlg.AppliquerModifications(0);
    m.dlg.AppliquerModifications(1);
    for (int y = 0; y < 6; ++y)
        for (int X = 0; X < 60; ++X)
            ASSERT_EQ(PixelPano(X, y), X < 8 || X >= 40 ? rouge : bleu) << X << "," << y;
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

TEST(AppliquerModifications, ArrondiRapideCommeRound)
{
    std::vector<long double> valeurs = {-0.5L, -0.4999L, -0.25L, -0.3L, 0.0L, 0.25L, 0.5L, 1.5L,
                                        2.5L, 3.5L, 254.5L, 255.5L, 4095.5L, 1e15L + 0.5L,
                                        0x1p61L + 1.5L, 7.999999999999999999L};
    uint32_t g = 12345;
    for (int k = 0; k < 20000; ++k) {
        g = g * 1664525u + 1013904223u;
        valeurs.push_back(static_cast<long double>(g % 8000000) / 1024.0L - 0.5L);
        valeurs.push_back(static_cast<long double>(g) / 3.0L);
    }
    for (long double v : valeurs)
        ASSERT_EQ(ArrondiPositif(v), Round(v)) << static_cast<double>(v);
}

namespace {

// Déformation écrite comme la règle la donne, avec Round() : la référence de la
// boucle optimisée.
void DeformationReference(const TInfosImg& img, const TPtImg& T, int mode, int xCourant,
                          TPtImg& table, Bitmap& pano)
{
    TMatrice M = {}, MInv = {}, U = {}, V = {}, A = {}, B = {};
    for (int k = 0; k < 4; ++k) {
        M[k][0] = img.Coins[k].X;
        M[k][1] = img.Coins[k].Y;
        M[k][2] = img.Coins[k].X * img.Coins[k].Y;
        M[k][3] = 1;
        U[k][0] = img.Coins[k].X + img.Deplacements[k].X;
        V[k][0] = img.Coins[k].Y + img.Deplacements[k].Y;
    }
    long double det;
    ASSERT_TRUE(InverserMatrice(M, 4, det, MInv));
    ProduitMatrices(MInv, U, 4, 4, 1, A);
    ProduitMatrices(MInv, V, 4, 4, 1, B);
    const int W = T.Largeur(), H = T.Hauteur(), L = LargeurRecouvrement;
    const long double pente = (long double)(img.Coins[0].Y - img.Coins[3].Y) / (img.Coins[0].X - img.Coins[3].X);
    const long double ordonnee = img.Coins[0].Y - img.Coins[0].X * pente;
    table.SetLength(W, H);
    for (int y = 0; y < H; ++y) {
        const int64_t s = Round((y - ordonnee) / pente) - L;
        for (int x = 0; x < W; ++x) {
            table[x][y] = CouleurFond;
            const long double fu = A[0][0] * x + A[1][0] * y + A[2][0] * x * y + A[3][0];
            const long double fv = B[0][0] * x + B[1][0] * y + B[2][0] * x * y + B[3][0];
            int64_t u;
            TPixel p;
            if (mode == 0) {
                u = Round(fu);
                const int64_t v = Round(fv);
                if (!(0 <= u && u < W && 0 <= v && v < H && u > s))
                    continue;
                p = T[int(u)][int(v)];
            } else {
                u = Trunc(fu);
                const int64_t v = Trunc(fv);
                if (!(fu >= 0 && fv >= 0 && u < W - 1 && v < H - 1 && u > s))
                    continue;
                const long double fx = fu - u, fy = fv - v;
                const TPixel q[4] = {T[int(u)][int(v)], T[int(u) + 1][int(v)], T[int(u) + 1][int(v) + 1],
                                     T[int(u)][int(v) + 1]};
                uint8_t* o = &p.B;
                for (int c = 0; c < 3; ++c) {
                    const long double val = (&q[0].B)[c] * (1 - fx) * (1 - fy) + (&q[1].B)[c] * fx * (1 - fy) +
                                            (&q[2].B)[c] * fx * fy + (&q[3].B)[c] * (1 - fx) * fy;
                    o[c] = static_cast<uint8_t>(std::clamp<int64_t>(Round(val), 0, 255));
                }
            }
            table[x][y] = p;
            const int64_t X = xCourant + x;
            if (u > s + 2 && X >= 0 && X < pano.Width() && y < pano.Height()) {
                uint8_t* d = pano.Ligne(y) + 3 * X;
                d[0] = p.B;
                d[1] = p.V;
                d[2] = p.R;
            }
        }
    }
}

// Déforme l'image 1 du montage par chaque voie de calcul, sur 1, 2 et 8 fils,
// en repartant chaque fois de la même table et du même panoramique, et compare
// à la référence.
void ComparerChaqueVoie(Montage& m, const TPtImg& tableReference, const Bitmap& panoReference)
{
    const TPtImg source = TablesPixels[1];
    const Bitmap pano = m.pano.bmp;
    const int xCourant = XCourant;
    for (TVoie voie : {TVoie::Scalaire, TVoie::SSE41, TVoie::AVX2})
        for (int fils : {1, 2, 8}) {
            SCOPED_TRACE(testing::Message() << "voie " << static_cast<int>(voie) << ", " << fils << " fils");
            DefinirVoieDeformation(voie);
            DefinirNombreFils(fils);
            TablesPixels[1] = source;
            m.pano.bmp = pano;
            XCourant = xCourant;
            GaucheDessinee.clear();
            m.dlg.AppliquerModifications(1);
            EXPECT_TRUE(TablesPixels[1] == tableReference);
            EXPECT_TRUE(m.pano.bmp == panoReference);
        }
    DefinirVoieDeformation(TVoie::AVX2);
    DefinirNombreFils(0);
}

}  // namespace

TEST(AppliquerModifications, BoucleOptimiseeIdentiqueALaReference)
{
    uint32_t g = 99;
    auto hasard = [&g](int n) {
        g = g * 1103515245u + 12345u;
        return static_cast<int>((g >> 8) % n);
    };
    for (int essai = 0; essai < 12; ++essai) {
        const int mode = essai % 2;
        const TPoint32 coins[4] = {{20 + hasard(9), 3 + hasard(6)}, {50 + hasard(9), hasard(6)},
                                   {52 + hasard(9), 40 + hasard(6)}, {24 + hasard(9), 42 + hasard(6)}};
        const TPoint32 depl[4] = {{hasard(7) - 3, hasard(7) - 3}, {hasard(7) - 3, hasard(7) - 3},
                                  {hasard(7) - 3, hasard(7) - 3}, {hasard(7) - 3, hasard(7) - 3}};
        Montage m(64, 48, coins, depl, 90, 0, 17 + hasard(20));
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                TablesPixels[1][x][y] = {static_cast<uint8_t>(hasard(256)), static_cast<uint8_t>(hasard(256)),
                                         static_cast<uint8_t>(hasard(256))};
        m.fenetre.mode.setCurrentIndex(mode);
        // Un panoramique moins haut que la table : ses dernières lignes ne
        // dessinent rien.
        if (essai % 3 == 2) {
            m.pano.bmp.SetSize(90, 40);
            m.pano.bmp.Fill(255, 255, 255);
        }
        const TPtImg source = TablesPixels[1];
        Bitmap panoReference = m.pano.bmp;
        TPtImg tableReference;
        DeformationReference(ImgsAssemblage[1], source, mode, ImgsAssemblage[1].DecalX, tableReference,
                             panoReference);
        SCOPED_TRACE(testing::Message() << "essai " << essai);
        ComparerChaqueVoie(m, tableReference, panoReference);
    }
}

TEST(AppliquerModifications, MoitiesEtEntiersIdentiquesALaReference)
{
    // Coins multiples de q, déplacés d'une échelle (q + d) / q et d'un décalage, le
    // troisième un peu plus : fu, fv et les canaux tombent sur des moitiés et des
    // entiers, exacts ou à un arrondi près, là où le double seul se trompe.
    // Les deux derniers : u presque W - 1 au bout d'un bloc, v presque 0.
    struct Cas
    {
        int q, du, dv, ox, oy, decalX;
    };
    for (const Cas& k : {Cas{10, -2, -3, -2, 0, 5}, Cas{10, -3, -5, -2, -2, 5}, Cas{12, -3, -2, -1, 0, 5},
                         Cas{12, 1, -1, -1, 2, 5}, Cas{22, -6, 2, -1, 0, 5}, Cas{22, 1, -8, -2, -1, 5},
                         Cas{9, 5, 0, 2, -3, -2}, Cas{12, -8, -8, 0, -1, 5}}) {
        const int q = k.q;
        const TPoint32 coins[4] = {{q, 0}, {2 * q, 0}, {2 * q, q}, {0, q}};
        TPoint32 depl[4];
        for (int n = 0; n < 4; ++n) {
            const int tordu = n == 2 ? 1 : 0;
            depl[n] = {coins[n].X * k.du / q + k.ox + tordu * k.oy,
                       coins[n].Y * k.dv / q + k.oy + tordu * k.ox};
        }
        for (int mode : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "q " << q << " du " << k.du << " mode " << mode);
            Montage m(96, 64, coins, depl, 120, 0, k.decalX);
            uint32_t g = 7u * q + mode;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 96; ++x) {
                    g = g * 1664525u + 1013904223u;
                    TablesPixels[1][x][y] = {static_cast<uint8_t>(g >> 24), static_cast<uint8_t>(g >> 16),
                                             static_cast<uint8_t>(g >> 8)};
                }
            m.fenetre.mode.setCurrentIndex(mode);
            const TPtImg source = TablesPixels[1];
            Bitmap panoReference = m.pano.bmp;
            TPtImg tableReference;
            DeformationReference(ImgsAssemblage[1], source, mode, k.decalX, tableReference, panoReference);
            ComparerChaqueVoie(m, tableReference, panoReference);
        }
    }
}
