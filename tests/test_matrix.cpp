#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/Matrix.h"

namespace {

void Copier(TMatrice dest, const long double (&src)[4][4])
{
    std::memcpy(dest, src, sizeof(TMatrice));
}

}  // namespace

struct CasInversion
{
    const char* nom;
    int n;
    long double a[4][4];
    long double inverse[4][4];
    long double det;
};

TEST(Matrice, InversionsExactes)
{
    const CasInversion cas[] = {
        {"identite", 4,
         {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}, 1.0L},
        {"permutation 2x2", 2,
         {{0, 1}, {1, 0}},
         {{0, 1}, {1, 0}}, -1.0L},
        {"diagonale", 4,
         {{2, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 8, 0}, {0, 0, 0, 16}},
         {{0.5L, 0, 0, 0}, {0, 0.25L, 0, 0}, {0, 0, 0.125L, 0}, {0, 0, 0, 0.0625L}}, 1024.0L},
        {"determinant borne", 4,
         {{1e150L, 0, 0, 0}, {0, 1e150L, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         {{1.0L / 1e150L, 0, 0, 0}, {0, 1.0L / 1e150L, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}},
         1e200L},
        {"scalaire", 1, {{-4}}, {{-0.25L}}, -4.0L},
        // Pivots hors diagonale (9 trouvé avant -9, à égalité) : deux échanges
        // de lignes ; inverse arrondie pas à pas en 64 bits de mantisse, calculée
        // à part en fractions exactes.
        {"generale", 4,
         {{3, -1, 9, 2}, {5, 7, -2, 4}, {-9, 1, 3, 6}, {2, 8, 1, -5}},
         {{0xA5826DBD6FB80A13P-68L, 0xD8D766F6B4805470P-68L, -0x9A3C53B6D70ADAA4P-67L,
           -0x827D17727A3691F6P-68L},
          {-0xBDF9E222E6A24571P-70L, 0xBB19019E7E4A7AB1P-68L, 0x9FC0ACB49F087494P-68L,
           0xA1311CF6D33459F4P-67L},
          {0xBDF9E222E6A24571P-67L, -0x8372B79E9CFE8036P-68L, 0xAE9FDF60BA236174P-69L,
           0x9798DB3D77650B74P-68L},
          {0x846857CABFC66E76P-69L, 0xB3E6D053796EFFD2P-67L, 0x95AD9AE531D52EF4P-68L,
           -0xA2A18D3907603F53P-67L}},
         -8538.0L},
    };
    for (const CasInversion& c : cas) {
        SCOPED_TRACE(c.nom);
        TMatrice a, inv;
        Copier(a, c.a);
        // Hors de la partie N x N, rien n'est touché.
        for (auto& ligne : inv)
            for (long double& v : ligne)
                v = 7.0L;
        long double det = 0.0L;
        ASSERT_TRUE(InverserMatrice(a, c.n, det, inv));
        EXPECT_EQ(det, c.det);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                if (i < c.n && j < c.n)
                    EXPECT_EQ(inv[i][j], c.inverse[i][j]) << i << "," << j;
                else
                    EXPECT_EQ(inv[i][j], 7.0L);
                EXPECT_EQ(a[i][j], c.a[i][j]);
            }
    }
}

TEST(Matrice, SinguliereSignaleeSansDivision)
{
    const long double cas[][4][4] = {
        {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        // Trois coins alignés sur une ligne : x, y, x*y, 1.
        {{0, 0, 0, 1}, {10, 0, 0, 1}, {20, 0, 0, 1}, {0, 10, 0, 1}},
        {{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 1, 0, 1}, {1, 0, 1, 0}},
    };
    for (const auto& m : cas) {
        TMatrice a, inv;
        Copier(a, m);
        long double det = 0.0L;
        EXPECT_FALSE(InverserMatrice(a, 4, det, inv));
    }
    TMatrice a = {};
    long double det;
    TMatrice inv;
    EXPECT_FALSE(InverserMatrice(a, 0, det, inv));
    EXPECT_FALSE(InverserMatrice(a, 5, det, inv));
}

TEST(Matrice, ProduitParInverseDonneIdentite)
{
    // Matrices des coins de quadrilatères non dégénérés, comme le warp les forme.
    const int coins[][4][2] = {
        {{0, 0}, {800, 0}, {800, 600}, {0, 600}},
        {{105, -3}, {1190, 12}, {1203, 790}, {98, 812}},
        {{-7, 40}, {3999, -25}, {4010, 2990}, {3, 3021}},
    };
    for (const auto& q : coins) {
        TMatrice a, inv, produit;
        for (int k = 0; k < 4; ++k) {
            a[k][0] = q[k][0];
            a[k][1] = q[k][1];
            a[k][2] = static_cast<long double>(q[k][0] * q[k][1]);
            a[k][3] = 1.0L;
        }
        long double det = 0.0L;
        ASSERT_TRUE(InverserMatrice(a, 4, det, inv));
        EXPECT_NE(det, 0.0L);
        ProduitMatrices(a, inv, 4, 4, 4, produit);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                EXPECT_NEAR(static_cast<double>(produit[i][j]), i == j ? 1.0 : 0.0, 1e-12);
    }
}

TEST(Matrice, ProduitPartielEtOrdreDesSommes)
{
    const long double a[4][4] = {{1, 2, 3, 9}, {4, 5, 6, 9}, {9, 9, 9, 9}, {9, 9, 9, 9}};
    const long double b[4][4] = {{1, 9, 9, 9}, {2, 9, 9, 9}, {3, 9, 9, 9}, {9, 9, 9, 9}};
    TMatrice A, B, C;
    Copier(A, a);
    Copier(B, b);
    for (auto& ligne : C)
        for (long double& v : ligne)
            v = -1.0L;
    ProduitMatrices(A, B, 2, 3, 1, C);
    EXPECT_EQ(C[0][0], 14.0L);
    EXPECT_EQ(C[1][0], 32.0L);
    EXPECT_EQ(C[0][1], -1.0L);
    EXPECT_EQ(C[2][0], -1.0L);

    // Somme accumulée dans l'ordre des k : 1e20 + 1 - 1e20 perd le 1.
    const long double g[4][4] = {{1e20L, 1, -1e20L, 0}};
    const long double h[4][4] = {{1}, {1}, {1}, {0}};
    TMatrice G = {}, Hm = {}, R = {};
    Copier(G, g);
    Copier(Hm, h);
    ProduitMatrices(G, Hm, 1, 3, 1, R);
    EXPECT_EQ(R[0][0], 0.0L);
}

TEST(Matrice, LimiterEtEchanger)
{
    EXPECT_EQ(LimiterReel(1e199L), 1e199L);
    EXPECT_EQ(LimiterReel(1e200L), 1e200L);
    EXPECT_EQ(LimiterReel(1e201L), 1e200L);
    EXPECT_EQ(LimiterReel(-1e300L), -1e300L);
    long double x = 1.5L, y = -2.25L;
    EchangerReels(x, y);
    EXPECT_EQ(x, -2.25L);
    EXPECT_EQ(y, 1.5L);
}
