#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <string>

#include "core/CorrectionsGeometriques.h"
#include "core/Vecteurs4.h"
#include "core/UtilsPano.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"

namespace {

// Pixel propre à chaque position, jamais noir.
TPixel Motif(int x, int y)
{
    return {static_cast<uint8_t>(1 + x % 251), static_cast<uint8_t>(1 + y % 251),
            static_cast<uint8_t>(1 + (7 * x + 13 * y) % 254)};
}

class CorrectionsGeometriques : public ::testing::Test
{
protected:
    void Image(int W, int H)
    {
        ImgsAssemblage.assign(1, TInfosImg{});
        TInfosImg& R = ImgsAssemblage[0];
        if (bmp_ == 0)
            bmp_ = NouveauBitmap();
        R.Bitmap = bmp_;
        R.Largeur = W;
        R.Hauteur = H;
        Bitmap& B = *BitmapDe(bmp_);
        B.SetSize(W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const TPixel p = Motif(x, y);
                B.Ligne(y)[3 * x] = p.B;
                B.Ligne(y)[3 * x + 1] = p.V;
                B.Ligne(y)[3 * x + 2] = p.R;
            }
        TablesPixels.assign(1, TPtImg{});
        TablesPixels[0].SetLength(W, H);
        TableTravail.SetLength(W, H);
    }
    void Horizon(int x1, int y1, int x2, int y2)
    {
        ImgsAssemblage[0].PtsHoriz[0] = {x1, y1};
        ImgsAssemblage[0].PtsHoriz[1] = {x2, y2};
    }
    TPtImg CopieBitmap() const
    {
        const Bitmap& B = *BitmapDe(bmp_);
        TPtImg T;
        T.SetLength(B.Width(), B.Height());
        for (int y = 0; y < B.Height(); ++y)
            for (int x = 0; x < B.Width(); ++x)
                T[x][y] = {B.Ligne(y)[3 * x], B.Ligne(y)[3 * x + 1], B.Ligne(y)[3 * x + 2]};
        return T;
    }
    void TearDown() override
    {
        LibererBitmap(bmp_);
        ImgsAssemblage.clear();
        TablesPixels.clear();
        TableTravail.Liberer();
    }

    TFausseFenetre fenetre_;
    HBitmap bmp_ = 0;
};

constexpr TPixel Noir = {0, 0, 0};

}  // namespace

TEST_F(CorrectionsGeometriques, LignesFuiteImage1000x600)
{
    Image(1000, 600);
    Bitmap& B = *BitmapDe(bmp_);
    const uint8_t l0[3] = {0, 255, 200}, l1[3] = {255, 0, 100};
    std::copy_n(l0, 3, B.Ligne(0));
    std::copy_n(l1, 3, B.Ligne(1));
    const float K = static_cast<float>(1.0L - std::cos(3.14159265358979323846264338327950288L / 6.0L));
    ImgsAssemblage[0].CoefFuite = K;
    CorrigerLignesFuite(0, K);

    const TPtImg& T = TablesPixels[0];
    for (int y = 0; y <= 16; ++y)
        EXPECT_EQ(T[0][y], Noir) << y;
    for (int y = 583; y < 600; ++y)
        EXPECT_EQ(T[0][y], Noir) << y;
    EXPECT_NE(T[0][582], Noir);
    // 0,6276 de la ligne 0 et 0,3724 de la ligne 1.
    EXPECT_EQ(T[0][17], (TPixel{95, 160, 163}));
    EXPECT_EQ(TableTravail, T);

    // La colonne du milieu est recopiée, sauf la dernière ligne, noire partout.
    const TPtImg S = CopieBitmap();
    for (int y = 0; y < 599; ++y)
        ASSERT_EQ(T[500][y], S[500][y]) << y;
    for (int x = 0; x < 1000; ++x)
        ASSERT_EQ(T[x][599], Noir) << x;
    // Le noir du haut croît du milieu vers les bords.
    auto noirsEnHaut = [&](int x) {
        int n = 0;
        while (n < 600 && T[x][n] == Noir)
            ++n;
        return n;
    };
    EXPECT_EQ(noirsEnHaut(500), 0);
    EXPECT_LE(noirsEnHaut(600), noirsEnHaut(800));
    EXPECT_LE(noirsEnHaut(400), noirsEnHaut(200));
    EXPECT_EQ(noirsEnHaut(999), 17);
}

TEST_F(CorrectionsGeometriques, LignesFuiteSansCoefOuUneColonne)
{
    for (int W : {1, 2, 7}) {
        Image(W, 5);
        ImgsAssemblage[0].CoefFuite = W == 1 ? 0.5f : 0.0f;
        CorrigerLignesFuite(0, 0.0L);
        const TPtImg S = CopieBitmap();
        for (int x = 0; x < W; ++x) {
            for (int y = 0; y < 4; ++y)
                ASSERT_EQ(TablesPixels[0][x][y], S[x][y]);
            ASSERT_EQ(TablesPixels[0][x][4], Noir);
        }
    }
}

TEST_F(CorrectionsGeometriques, SansRotationDecaleSeulement)
{
    // Points à la même hauteur, ou confondus : l'image décalée de D, dernière
    // colonne et dernière ligne de la fenêtre noires, dans les deux modes.
    const int W = 9, H = 8;
    struct Cas {
        int x1, y1, x2, y2;
    };
    for (const Cas& c : {Cas{1, 2, 7, 2}, Cas{7, 2, 1, 2}, Cas{3, 3, 3, 3}})
        for (int D : {0, 3, -2})
            for (int mode : {0, 1}) {
                Image(W, H);
                Horizon(c.x1, c.y1, c.x2, c.y2);
                fenetre_.mode.setCurrentIndex(mode);
                CorrigerHorizontalite(0, D);
                const TPtImg S = CopieBitmap();
                const int y0 = D < 0 ? -D : 0, y1 = D < 0 ? H - 1 : H - 1 - D;
                for (int y = 0; y < H; ++y)
                    for (int x = 0; x < W; ++x) {
                        const bool source = y >= y0 && y < y1 && x < W - 1;
                        ASSERT_EQ(TablesPixels[0][x][y], source ? S[x][y + D] : Noir)
                            << x << "," << y << " D=" << D << " mode " << mode;
                    }
            }
}

TEST_F(CorrectionsGeometriques, DecalageAuMoinsLaHauteur)
{
    for (int D : {6, -6, 50, -50, INT_MAX, INT_MIN})
        for (int mode : {0, 1}) {
            Image(5, 6);
            Horizon(1, 1, 4, 2);
            fenetre_.mode.setCurrentIndex(mode);
            TablesPixels[0][2][2] = {9, 9, 9};
            CorrigerHorizontalite(0, D);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 5; ++x)
                    ASSERT_EQ(TablesPixels[0][x][y], Noir);
        }
}

TEST_F(CorrectionsGeometriques, OrdreDesPointsIndifferentEtCentreInvariant)
{
    std::mt19937 gen(3);
    std::uniform_int_distribution<int> px(1, 40), py(1, 30), dec(-5, 5);
    for (int k = 0; k < 40; ++k) {
        const int x1 = px(gen), y1 = py(gen), x2 = px(gen), y2 = py(gen), D = dec(gen);
        // Deux points sur une même colonne : le sens du quart de tour suit l'ordre.
        if (x1 == x2)
            continue;
        for (int mode : {0, 1}) {
            fenetre_.mode.setCurrentIndex(mode);
            Image(41, 31);
            Horizon(x1, y1, x2, y2);
            CorrigerHorizontalite(0, D);
            const TPtImg un = TablesPixels[0];
            Horizon(x2, y2, x1, y1);
            CorrigerHorizontalite(0, D);
            ASSERT_EQ(TablesPixels[0], un) << k;
            EXPECT_EQ(un[20][15], CopieBitmap()[20][15 + D]) << k;
        }
    }
}

TEST_F(CorrectionsGeometriques, QuartDeTourPourDeuxPointsVerticaux)
{
    Image(9, 9);
    Horizon(4, 1, 4, 7);
    fenetre_.mode.setCurrentIndex(0);
    CorrigerHorizontalite(0, 0);
    const TPtImg S = CopieBitmap();
    const TPtImg& T = TablesPixels[0];
    // cosA = 0, sinA = 1 : (x, y) montre (cx − (y − cy), cy + (x − cx)).
    EXPECT_EQ(T[5][4], S[4][5]);
    EXPECT_EQ(T[4][5], S[3][4]);
    EXPECT_EQ(T[2][1], S[7][2]);
    EXPECT_EQ(T[8][4], Noir);
    EXPECT_EQ(T[4][8], S[0][4]);
}

TEST_F(CorrectionsGeometriques, BilineaireSansExtrapolation)
{
    // Faible inclinaison : à gauche, des positions −1 < u < 0 que le plus proche
    // voisin lit en colonne 0 et que le bilinéaire laisse noires.
    const int W = 200, H = 100;
    Image(W, H);
    Horizon(10, 40, 190, 52);
    const long double dx = 180, dy = 12, L = std::sqrt(dx * dx + dy * dy);
    const long double sinA = dy / L, cosA = dx / L;
    fenetre_.mode.setCurrentIndex(1);
    CorrigerHorizontalite(0, 0);
    const TPtImg bil = TablesPixels[0];
    fenetre_.mode.setCurrentIndex(0);
    CorrigerHorizontalite(0, 0);
    const TPtImg& proche = TablesPixels[0];
    int vus = 0;
    for (int y = 0; y < H - 1; ++y) {
        const long double u = 100 + ((0 - 100) * cosA - (y - 50) * sinA);
        const long double v = 50 + ((0 - 100) * sinA + (y - 50) * cosA);
        if (u > -1 && u < 0 && v >= 1 && v < H - 2) {
            ++vus;
            EXPECT_EQ(bil[0][y], Noir) << y;
            EXPECT_NE(proche[0][y], Noir) << y;
        }
    }
    EXPECT_GT(vus, 0);
    // Ailleurs, un échantillon bilinéaire reste entre ses voisins.
    const TPtImg S = CopieBitmap();
    for (int y = 10; y < 90; ++y)
        for (int x = 10; x < 190; ++x) {
            const long double u = 100 + ((x - 100) * cosA - (y - 50) * sinA);
            const long double v = 50 + ((x - 100) * sinA + (y - 50) * cosA);
            const int sx = static_cast<int>(u), sy = static_cast<int>(v);
            const int g = bil[x][y].V;
            ASSERT_GE(g, std::min(S[sx][sy].V, S[sx][sy + 1].V));
            ASSERT_LE(g, std::max(S[sx][sy].V, S[sx][sy + 1].V));
        }
}

TEST_F(CorrectionsGeometriques, LignesFuitePuisHorizontalite)
{
    // Lire la table de travail ou le bitmap donne la même chose.
    for (int mode : {0, 1}) {
        fenetre_.mode.setCurrentIndex(mode);
        Image(60, 40);
        Horizon(5, 12, 55, 20);
        CorrigerHorizontalite(0, 4);
        const TPtImg direct = TablesPixels[0];
        CorrigerHorizontaliteLignesFuite(0, 4, CopieBitmap());
        EXPECT_EQ(TablesPixels[0], direct);
    }
}

TEST_F(CorrectionsGeometriques, SourceTropPetiteOuModeInconnu)
{
    Image(30, 20);
    Horizon(2, 5, 28, 9);
    TPtImg petite;
    petite.SetLength(10, 8);
    const TPixel marque = {7, 7, 7};
    for (int mode : {0, 1}) {
        fenetre_.mode.setCurrentIndex(mode);
        for (int y = 0; y < 20; ++y)
            std::fill_n(TablesPixels[0].Ligne(y), 30, marque);
        CorrigerHorizontaliteLignesFuite(0, 0, petite);
        // Ce que la source ne contient pas garde l'ancienne valeur.
        EXPECT_EQ(TablesPixels[0][25][10], marque);
        EXPECT_EQ(TablesPixels[0][3][3], Noir);
    }
    // Mode sans entrée : la fenêtre est laissée, les lignes découvertes noircies.
    fenetre_.mode.setCurrentIndex(-1);
    for (int y = 0; y < 20; ++y)
        std::fill_n(TablesPixels[0].Ligne(y), 30, marque);
    CorrigerHorizontalite(0, 3);
    EXPECT_EQ(TablesPixels[0][10][10], marque);
    EXPECT_EQ(TablesPixels[0][10][17], Noir);
    EXPECT_EQ(TablesPixels[0][10][16], marque);
}

namespace {

// Chemin scalaire simple, pixel par pixel en étendu, tel que l'algorithme
// s'écrit : la référence des boucles rapides.
uint8_t Borne(long double x)
{
    return static_cast<uint8_t>(std::clamp<int64_t>(Round(x), 0, 255));
}

TPtImg ReferenceLignesFuite(const TPtImg& S, float K)
{
    const int W = S.Largeur(), H = S.Hauteur(), cx = W / 2, cy = H / 2;
    const long double f = K;
    TPtImg T;
    T.SetLength(W, H);
    for (int x = 0; x < W; ++x) {
        const long double d = static_cast<long double>(x - cx) / cx;
        const long double s = (1 + f) - f * std::sqrt(d * d + 1);
        for (int y = 0; y < H; ++y) {
            const long double v = cy - (cy - y) / s;
            if (0 <= v && v < H - 1) {
                const int iy = static_cast<int>(Trunc(v));
                const long double t = v - iy;
                const uint8_t* p0 = &S[x][iy].B;
                const uint8_t* p1 = &S[x][iy + 1].B;
                for (int c = 0; c < 3; ++c)
                    (&T[x][y].B)[c] = Borne((1 - t) * p0[c] + t * p1[c]);
            }
        }
    }
    return T;
}

TPtImg ReferenceRotation(const TPtImg& S, TPoint32 H1, TPoint32 H2, int D, int mode)
{
    const int W = S.Largeur(), H = S.Hauteur(), cx = W / 2, cy = H / 2;
    const int dx = H2.X - H1.X, dy = H2.Y - H1.Y;
    long double sinA = 0, cosA = 1;
    if (dx != 0 || dy != 0) {
        const long double L = std::sqrt(static_cast<long double>(dx * dx + dy * dy));
        sinA = dy / L;
        cosA = dx / L;
        if (cosA < 0) {
            sinA = -sinA;
            cosA = -cosA;
        }
    }
    const int y0 = D < 0 ? -D : 0, y1 = D < 0 ? H - 1 : H - 1 - D;
    TPtImg T;
    T.SetLength(W, H);
    for (int y = std::max(y0, 0); y <= std::min(y1, H - 1); ++y)
        for (int x = 0; x < W; ++x) {
            const int ox = x - cx, oy = y - cy;
            const long double a = ox * cosA - oy * sinA, b = ox * sinA + oy * cosA;
            if (mode == 0) {
                const int sx = cx + static_cast<int>(Trunc(a)), sy = cy + static_cast<int>(Trunc(b));
                if (0 <= sx && sx <= W - 2 && y0 <= sy && sy <= y1 - 1)
                    T[x][y] = S[sx][sy + D];
                continue;
            }
            const long double u = cx + a, v = cy + b;
            if (0 <= u && u < W - 1 && y0 <= v && v < y1) {
                const int sx = static_cast<int>(Trunc(u)), sy = static_cast<int>(Trunc(v));
                const long double tx = u - sx, ty = v - sy;
                const int r0 = sy + D, r1 = r0 + 1;
                for (int c = 0; c < 3; ++c)
                    (&T[x][y].B)[c] = Borne((1 - tx) * (1 - ty) * (&S[sx][r0].B)[c] +
                                            tx * (1 - ty) * (&S[sx + 1][r0].B)[c] +
                                            tx * ty * (&S[sx + 1][r1].B)[c] +
                                            (1 - tx) * ty * (&S[sx][r1].B)[c]);
            }
        }
    return T;
}

}  // namespace

TEST_F(CorrectionsGeometriques, IdentiquesAuCheminSimple)
{
    std::mt19937 gen(5);
    std::uniform_int_distribution<int> taille(2, 48), octet(0, 255), choix(0, 9);
    const float coefs[] = {0.13397f, 0.5f, 1.0f, 0.02f, 0.3f};
    const bool avx2Machine = Avx2Actif();
    for (int k = 0; k < 400; ++k) {
        const bool grande = k < 2;
        const int W = grande ? 1000 : taille(gen), H = grande ? 600 : taille(gen);
        Image(W, H);
        Bitmap& B = *BitmapDe(bmp_);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < 3 * W; ++x)
                B.Ligne(y)[x] = static_cast<uint8_t>(octet(gen));
        const TPtImg S = CopieBitmap();
        std::uniform_int_distribution<int> px(0, W - 1), py(0, H - 1), dec(-H - 1, H + 1);
        TPoint32 H1 = {px(gen), py(gen)}, H2 = {px(gen), py(gen)};
        const int cas = choix(gen);
        if (cas == 0)
            H2.Y = H1.Y;
        else if (cas == 1)
            H2 = H1;
        else if (cas == 2)
            H2.X = H1.X;
        else if (cas == 3) {
            // Sinus et cosinus rationnels : des positions tombent pile sur un
            // entier, que le double et l'étendu placent chacun de leur côté.
            const TPoint32 pas[] = {{4, 3}, {4, -3}, {12, 5}, {3, -4}, {15, 8}};
            H2 = {H1.X + pas[k % 5].X, H1.Y + pas[k % 5].Y};
        }
        if (grande)
            H1 = {10, 290}, H2 = {990, 339 + k};
        const int D = choix(gen) < 3 ? 0 : dec(gen);
        const int mode = grande ? 1 : k % 2;
        fenetre_.mode.setCurrentIndex(mode);
        ImgsAssemblage[0].CoefFuite =
            k % 7 == 0 ? std::uniform_real_distribution<float>(0, 1)(gen) : coefs[k % 5];
        Horizon(H1.X, H1.Y, H2.X, H2.Y);

        const TPtImg fuite = ReferenceLignesFuite(S, ImgsAssemblage[0].CoefFuite);
        const TPtImg tourneeFuite = ReferenceRotation(fuite, H1, H2, D, mode);
        const TPtImg tournee = ReferenceRotation(S, H1, H2, D, mode);
        // Chemins vectoriels SSE4.1 puis AVX2 (si le processeur l'a), sur 1, 2 et 8 fils.
        for (bool avx2 : {false, avx2Machine})
            for (int fils : {1, 2, 8}) {
                Avx2Actif() = avx2;
                DefinirNombreFils(fils);
                const std::string cas = std::to_string(k) + (avx2 ? " avx2" : " sse4") + " fils " +
                                        std::to_string(fils);
                CorrigerLignesFuite(0, ImgsAssemblage[0].CoefFuite);
                ASSERT_EQ(TablesPixels[0], fuite) << cas;
                ASSERT_EQ(TableTravail, fuite) << cas;
                CorrigerHorizontaliteLignesFuite(0, D, TableTravail);
                ASSERT_EQ(TablesPixels[0], tourneeFuite) << cas;
                CorrigerHorizontalite(0, D);
                ASSERT_EQ(TablesPixels[0], tournee) << cas;
            }
    }
    Avx2Actif() = avx2Machine;
    DefinirNombreFils(0);
}
