#include "core/HarmoImgs.h"

#include <algorithm>
#include <cmath>

#include "core/ArrondiOctet.h"

namespace {

// Position relative de k sur 0..n-1. Une image d'une seule colonne (ou ligne)
// touche les deux bords à la fois : elle prend le milieu du mélange au lieu de
// diviser par zéro.
inline long double Fraction(int k, int n)
{
    if (n <= 1)
        return 0.5L;
    return static_cast<long double>(k) / static_cast<long double>(n - 1);
}

// Pas double de la fraction : k × Pas ne s'écarte de k / (n − 1) que de
// quelques ulp, ce que la marge des gains couvre.
inline double PasApproche(int n)
{
    return n <= 1 ? 0.0 : 1.0 / static_cast<double>(n - 1);
}

inline double FractionApprochee(int k, int n, double Pas)
{
    return n <= 1 ? 0.5 : k * Pas;
}

// Quatre gains de coin en étendu, avec leur copie double. Un produit octet ×
// gain calculé en double s'écarte du calcul étendu de moins de quelques
// milliers d'ulp double de la somme des gains (poids dans 0..1, octets dans
// 0..255) : la marge de 1e-9 × (1 + somme) le couvre largement.
struct TGainsCoins
{
    long double HG, BG, HD, BD;
    double dHG, dBG, dHD, dBD;
    double limite;

    TGainsCoins(long double hg, long double bg, long double hd, long double bd)
        : HG(hg), BG(bg), HD(hd), BD(bd), dHG(static_cast<double>(hg)), dBG(static_cast<double>(bg)),
          dHD(static_cast<double>(hd)), dBD(static_cast<double>(bd))
    {
        const double somme = std::fabs(dHG) + std::fabs(dBG) + std::fabs(dHD) + std::fabs(dBD);
        limite = 0.5 - 1e-9 * (1.0 + somme);
    }

    long double Gain(long double u, long double u1, long double v, long double v1) const
    {
        return u1 * v1 * HG + u1 * v * BG + u * v1 * HD + u * v * BD;
    }
    // En double, sur une ligne, le mélange est affine en u : g = A + u·B.
    void LigneApprochee(double v, double& A, double& B) const
    {
        const double v1 = 1.0 - v;
        A = v1 * dHG + v * dBG;
        B = (v1 * dHD + v * dBD) - A;
    }
};

}  // namespace

void CorrigerLuminosite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    const TGainsCoins k(R.CoefHG, R.CoefBG, R.CoefHD, R.CoefBD);
    const int W = T.Largeur();
    const int H = T.Hauteur();
    const double pasX = PasApproche(W);
    const double pasY = PasApproche(H);
    for (int y = 0; y < H; ++y) {
        const long double v = Fraction(y, H);
        const long double v1 = 1.0L - v;
        double A, B;
        k.LigneApprochee(FractionApprochee(y, H, pasY), A, B);
        TPixel* p = T.Ligne(y);
        for (int x = 0; x < W; ++x) {
            const double g = A + FractionApprochee(x, W, pasX) * B;
            if (OctetsApproches(OctetD[p[x].B] * g, OctetD[p[x].V] * g, OctetD[p[x].R] * g, k.limite, &p[x].B))
                continue;
            const long double u = Fraction(x, W);
            const long double ge = k.Gain(u, 1.0L - u, v, v1);
            p[x].R = OctetArrondi(p[x].R * ge);
            p[x].V = OctetArrondi(p[x].V * ge);
            p[x].B = OctetArrondi(p[x].B * ge);
        }
    }
}

void CorrigerChromaticite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    // Coins rangés HG, HD, BD, BG ; canaux B, V, R.
    const float (&F)[4][3] = R.FacteursRVB;
    const TGainsCoins kB(F[0][0], F[3][0], F[1][0], F[2][0]);
    const TGainsCoins kV(F[0][1], F[3][1], F[1][1], F[2][1]);
    const TGainsCoins kR(F[0][2], F[3][2], F[1][2], F[2][2]);
    const double limite = std::min({kB.limite, kV.limite, kR.limite});
    const int W = T.Largeur();
    const int H = T.Hauteur();
    const double pasX = PasApproche(W);
    const double pasY = PasApproche(H);
    for (int y = 0; y < H; ++y) {
        const long double v = Fraction(y, H);
        const long double v1 = 1.0L - v;
        const double dv = FractionApprochee(y, H, pasY);
        double AB, BB, AV, BV, AR, BR;
        kB.LigneApprochee(dv, AB, BB);
        kV.LigneApprochee(dv, AV, BV);
        kR.LigneApprochee(dv, AR, BR);
        TPixel* p = T.Ligne(y);
        for (int x = 0; x < W; ++x) {
            const double du = FractionApprochee(x, W, pasX);
            if (OctetsApproches(OctetD[p[x].B] * (AB + du * BB), OctetD[p[x].V] * (AV + du * BV),
                                OctetD[p[x].R] * (AR + du * BR),
                                limite, &p[x].B))
                continue;
            const long double u = Fraction(x, W);
            const long double u1 = 1.0L - u;
            p[x].R = OctetArrondi(p[x].R * kR.Gain(u, u1, v, v1));
            p[x].V = OctetArrondi(p[x].V * kV.Gain(u, u1, v, v1));
            p[x].B = OctetArrondi(p[x].B * kB.Gain(u, u1, v, v1));
        }
    }
}
