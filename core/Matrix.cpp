#include "core/Matrix.h"

#include <cmath>

void ProduitMatrices(const TMatrice A, const TMatrice B, int NbLignes, int NbInterne,
                     int NbColonnes, TMatrice C)
{
    for (int i = 0; i < NbLignes; ++i)
        for (int j = 0; j < NbColonnes; ++j) {
            C[i][j] = 0.0L;
            for (int k = 0; k < NbInterne; ++k)
                C[i][j] = A[i][k] * B[k][j] + C[i][j];
        }
}

long double LimiterReel(long double x)
{
    const long double Limite = 1e200L;
    return x <= Limite ? x : Limite;
}

void EchangerReels(long double& a, long double& b)
{
    const long double t = a;
    a = b;
    b = t;
}

bool InverserMatrice(const TMatrice A, int N, long double& Det, TMatrice AInv)
{
    if (N < 1 || N > 4)
        return false;
    Det = 1.0L;
    for (int r = 0; r < N; ++r)
        for (int c = 0; c < N; ++c)
            AInv[r][c] = A[r][c];
    bool utilise[4] = {false, false, false, false};
    int lignes[4] = {0, 0, 0, 0};
    int colonnes[4] = {0, 0, 0, 0};

    for (int p = 0; p < N; ++p) {
        long double big = 0.0L;
        int irow = -1;
        int icol = -1;
        for (int r = 0; r < N; ++r) {
            if (utilise[r])
                continue;
            for (int c = 0; c < N; ++c)
                if (!utilise[c] && std::fabs(AInv[r][c]) > big) {
                    big = std::fabs(AInv[r][c]);
                    irow = r;
                    icol = c;
                }
        }
        // Aucun pivot non nul : la matrice est singulière, on s'arrête avant
        // de diviser par zéro.
        if (irow < 0)
            return false;
        utilise[icol] = true;
        lignes[p] = irow;
        colonnes[p] = icol;
        if (irow != icol) {
            Det = -Det;
            for (int c = 0; c < N; ++c)
                EchangerReels(AInv[irow][c], AInv[icol][c]);
        }
        const long double piv = AInv[icol][icol];
        Det = LimiterReel(Det * piv);
        AInv[icol][icol] = 1.0L;
        for (int c = 0; c < N; ++c)
            AInv[icol][c] = AInv[icol][c] / piv;
        for (int r = 0; r < N; ++r) {
            if (r == icol)
                continue;
            const long double dum = AInv[r][icol];
            AInv[r][icol] = 0.0L;
            for (int c = 0; c < N; ++c)
                AInv[r][c] = AInv[r][c] - AInv[icol][c] * dum;
        }
    }
    for (int p = N - 1; p >= 0; --p)
        if (lignes[p] != colonnes[p])
            for (int r = 0; r < N; ++r)
                EchangerReels(AInv[r][lignes[p]], AInv[r][colonnes[p]]);
    return true;
}
