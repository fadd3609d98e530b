#include <gtest/gtest.h>

#include <cstring>

#include <QLocale>

#include "core/UtilsPano.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "test_points_outils.h"

namespace {

struct PlacementMarqueur
{
    int x, y, forme;
};

class Marqueurs : public ::testing::TestWithParam<PlacementMarqueur>
{
};

// Pixels hors du carré de 19 × 19 autour de (X, Y) identiques dans a et b.
bool HorsCarreIdentique(const Bitmap& a, const Bitmap& b, int X, int Y)
{
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            if (std::abs(x - X) <= 9 && std::abs(y - Y) <= 9)
                continue;
            if (std::memcmp(a.Ligne(y) + x * 3, b.Ligne(y) + x * 3, 3) != 0)
                return false;
        }
    return true;
}

}  // namespace

TEST_P(Marqueurs, TracerPuisEffacerRendLeBitmap)
{
    const PlacementMarqueur m = GetParam();
    TImage vue;
    vue.Picture().SetSize(400, 300);
    RemplirMotif(vue.Picture(), 7);
    const Bitmap origine = vue.Picture();
    TPatch patch{};

    MarquerPoint(&vue, m.x, m.y, 0x0000FF, m.forme, patch, 0);
    EXPECT_FALSE(vue.Picture() == origine) << "le marqueur doit se voir";
    EXPECT_TRUE(HorsCarreIdentique(vue.Picture(), origine, m.x, m.y));

    MarquerPoint(&vue, m.x, m.y, 0x0000FF, m.forme, patch, 1);
    EXPECT_TRUE(vue.Picture() == origine);
}

INSTANTIATE_TEST_SUITE_P(Positions, Marqueurs,
                         ::testing::Values(PlacementMarqueur{200, 150, 1},
                                           PlacementMarqueur{200, 150, 2},
                                           PlacementMarqueur{0, 0, 1},
                                           PlacementMarqueur{0, 0, 2},
                                           PlacementMarqueur{399, 299, 1},
                                           PlacementMarqueur{399, 0, 2},
                                           PlacementMarqueur{3, 296, 1},
                                           PlacementMarqueur{1, 298, 2}));

TEST(MarquerPoint, CoinHautGaucheNeSauveQueLaPartieDansLeBitmap)
{
    TImage vue;
    vue.Picture().SetSize(50, 40);
    RemplirMotif(vue.Picture(), 3);
    TPatch patch;
    std::memset(&patch, 0xA5, sizeof patch);

    MarquerPoint(&vue, 0, 0, 0x00FF00, 1, patch, 0);
    for (int dx = -9; dx <= 9; ++dx)
        for (int dy = -9; dy <= 9; ++dy) {
            const TPixel& p = patch.p[dx + 9][dy + 9];
            if (dx < 0 || dy < 0) {
                EXPECT_EQ(p, (TPixel{0xA5, 0xA5, 0xA5})) << dx << "," << dy;
            } else {
                Bitmap propre(50, 40);
                RemplirMotif(propre, 3);
                const uint8_t* s = propre.Ligne(dy) + dx * 3;
                EXPECT_EQ(p, (TPixel{s[0], s[1], s[2]})) << dx << "," << dy;
            }
        }
}

TEST(MarquerPoint, BitmapVideEtModeInconnuSansEffet)
{
    TImage vue;
    TPatch patch{};
    MarquerPoint(&vue, 0, 0, 0xFF, 1, patch, 0);
    MarquerPoint(&vue, 5, 5, 0xFF, 2, patch, 1);
    EXPECT_TRUE(vue.Picture().Empty());

    vue.Picture().SetSize(30, 30);
    RemplirMotif(vue.Picture(), 9);
    const Bitmap origine = vue.Picture();
    MarquerPoint(&vue, 15, 15, 0xFF, 3, patch, 0);  // forme inconnue : rien de tracé
    EXPECT_TRUE(vue.Picture() == origine);
    MarquerPoint(&vue, 15, 15, 0xFF, 1, patch, 2);
    EXPECT_TRUE(vue.Picture() == origine);
}

TEST(LireSommesRVB, LignesEtColonnesHorsDuBitmapRestentAZero)
{
    Bitmap bmp(20, 10);
    RemplirMotif(bmp, 11);
    auto somme = [&](int x, int y) {
        const uint8_t* p = bmp.Ligne(y) + x * 3;
        return p[0] + p[1] + p[2];
    };
    struct Cas
    {
        int x0, y0;
    };
    for (const Cas c : {Cas{-5, 2}, Cas{12, 0}, Cas{2, -1}, Cas{3, 4}, Cas{-20, 0}}) {
        TabInt t;
        t.SetLength(16, 16);
        LireSommesRVB(bmp, c.x0, c.y0, 16, 16, t);
        for (int j = 0; j < 16; ++j)
            for (int i = 0; i < 16; ++i) {
                const int x = c.x0 + i, y = c.y0 + j;
                const bool dedans = c.y0 >= 0 && y < 10 && x >= 0 && x < 20;
                EXPECT_EQ(t[i][j], dedans ? somme(x, y) : 0) << c.x0 << "," << c.y0 << " " << i << "," << j;
            }
    }
}

TEST(LireSommesRVB, LesCasesNonLuesGardentLeurValeur)
{
    Bitmap bmp(4, 4);
    bmp.Fill(1, 1, 1);
    TabInt t;
    t.SetLength(4, 4);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            t[i][j] = -1;
    LireSommesRVB(bmp, 0, 2, 4, 4, t);
    EXPECT_EQ(t[0][0], 3);
    EXPECT_EQ(t[3][1], 3);
    EXPECT_EQ(t[0][2], -1);
    EXPECT_EQ(t[3][3], -1);
}

class Correlation : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        a = AjouterImageTest(100, 80, 1);
        b = AjouterImageTest(100, 80, 2);
    }
    void TearDown() override
    {
        ViderListe();
        QLocale::setDefault(localeAvant);
    }
    void Apparier(int xa, int ya, int xb, int yb)
    {
        ListeImgs[a].PtsControle[0] = {xa, ya, b, 1, 0xFF};
        ListeImgs[b].PtsControle[0] = {xb, yb, a, 1, 0xFF};
    }
    // Recopie le bloc 16 × 16 autour de (xa, ya) de a autour de (xb, yb) dans b.
    void CopierBloc(int xa, int ya, int xb, int yb, bool inverser = false)
    {
        Bitmap& A = *BitmapDe(ListeImgs[a]);
        Bitmap& B = *BitmapDe(ListeImgs[b]);
        for (int j = -8; j < 8; ++j)
            for (int i = -8; i < 8; ++i)
                for (int c = 0; c < 3; ++c) {
                    const uint8_t v = A.Ligne(ya + j)[(xa + i) * 3 + c];
                    B.Ligne(yb + j)[(xb + i) * 3 + c] = inverser ? 255 - v : v;
                }
    }
    int a = 0, b = 0;
    QLocale localeAvant;
};

TEST_F(Correlation, BlocsIdentiquesOuOpposes)
{
    CopierBloc(30, 30, 60, 50);
    Apparier(30, 30, 60, 50);
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("1,000"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(CoeffCorrelation(b, 1, 60, 50), QStringLiteral("1.000"));

    CopierBloc(30, 30, 60, 50, true);
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("-1.000"));
}

TEST_F(Correlation, MoyennesTronqueesSurBlocsNonUniformes)
{
    Bitmap& A = *BitmapDe(ListeImgs[a]);
    Bitmap& B = *BitmapDe(ListeImgs[b]);
    A.Fill(0, 0, 0);
    B.Fill(0, 0, 0);
    struct Pixel
    {
        Bitmap* bmp;
        int x, y;
        uint8_t bleu, vert, rouge;
    };
    // Blocs autour de (30, 30) et (60, 50), coin haut gauche 8 pixels avant.
    for (const Pixel& p : {Pixel{&A, 25, 26, 40, 30, 30}, Pixel{&A, 32, 26, 40, 30, 30},
                           Pixel{&B, 55, 46, 255, 255, 108}, Pixel{&B, 57, 54, 100, 100, 48}}) {
        uint8_t* q = p.bmp->Ligne(p.y) + 3 * p.x;
        q[0] = p.bleu;
        q[1] = p.vert;
        q[2] = p.rouge;
    }
    Apparier(30, 30, 60, 50);
    // Sommes 200 et 866 : moyennes 0 et 3 (tronquées ; 0,78 et 3,38 vraies).
    // Cov = 100 × 615 − 100 × 3 = 61200, VA = 20000,
    // VB = 615² + 245² + 254 × 9 = 440536 : r = 0,651997 (0,654 avec les vraies moyennes).
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("0,652"));
    EXPECT_EQ(CoeffCorrelation(b, 1, 60, 50), QStringLiteral("0,652"));
}

TEST_F(Correlation, BlocsIndefinisDonnentNaN)
{
    Bitmap& B = *BitmapDe(ListeImgs[b]);
    B.Fill(40, 50, 60);
    Apparier(30, 30, 60, 50);
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("NaN"));  // partenaire uniforme
    RemplirMotif(B, 5);
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 7), QStringLiteral("NaN"));   // bloc au-dessus du haut
    Apparier(30, 30, 60, 3);
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("NaN"));  // partenaire au-dessus
}

TEST_F(Correlation, BordsGaucheDroitEtBasSansLectureHorsImage)
{
    // Un même contenu au même endroit des deux images : les parties hors
    // image comptent 0 des deux côtés, le coefficient reste 1.
    for (const QPoint p : {QPoint(2, 40), QPoint(97, 40), QPoint(50, 76), QPoint(0, 79)}) {
        Bitmap& A = *BitmapDe(ListeImgs[a]);
        *BitmapDe(ListeImgs[b]) = A;
        Apparier(p.x(), p.y(), p.x(), p.y());
        EXPECT_EQ(CoeffCorrelation(a, 1, p.x(), p.y()), QStringLiteral("1,000")) << p.x() << "," << p.y();
    }
}

TEST_F(Correlation, LienVersUneImageAbsenteDonneNaN)
{
    ListeImgs[a].PtsControle[0] = {30, 30, 7, 1, 0xFF};
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("NaN"));
    ListeImgs[a].PtsControle[0] = {30, 30, b, 9, 0xFF};
    EXPECT_EQ(CoeffCorrelation(a, 1, 30, 30), QStringLiteral("NaN"));
}

TEST(ModPositif, ResteToujoursPositif)
{
    struct Cas
    {
        int a, b, attendu;
    };
    for (const Cas c : {Cas{0, 5, 0}, Cas{7, 5, 2}, Cas{-1, 5, 4}, Cas{-6, 5, 4}, Cas{-5, 5, 5},
                        Cas{-10, 5, 5}, Cas{4, 5, 4}})
        EXPECT_EQ(ModPositif(c.a, c.b), c.attendu) << c.a << " mod " << c.b;
    EXPECT_THROW(ModPositif(3, 0), Erreur);
}
