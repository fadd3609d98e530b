#include "core/HarmoImgs.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/ArrondiOctet.h"
#include "core/Vecteurs4.h"
#include "platform/Parallele.h"

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
// Un coefficient d'un fichier peut dépasser la plage des doubles : il devient
// infini, et le calcul étendu de chaque pixel prend le relais.
double EnDouble(long double v)
{
    const long double max = std::numeric_limits<double>::max();
    if (v > max)
        return std::numeric_limits<double>::infinity();
    if (v < -max)
        return -std::numeric_limits<double>::infinity();
    return static_cast<double>(v);
}

struct TGainsCoins
{
    long double HG, BG, HD, BD;
    double dHG, dBG, dHD, dBD;
    double limite;

    TGainsCoins(long double hg, long double bg, long double hd, long double bd)
        : HG(hg), BG(bg), HD(hd), BD(bd), dHG(EnDouble(hg)), dBG(EnDouble(bg)), dHD(EnDouble(hd)),
          dBD(EnDouble(bd))
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

void PixelLuminosite(TPixel& p, int x, int W, long double v, long double v1, const TGainsCoins& k)
{
    const long double u = Fraction(x, W);
    const long double g = k.Gain(u, 1.0L - u, v, v1);
    p.R = OctetArrondi(p.R * g);
    p.V = OctetArrondi(p.V * g);
    p.B = OctetArrondi(p.B * g);
}

void PixelChromaticite(TPixel& p, int x, int W, long double v, long double v1, const TGainsCoins (&k)[3])
{
    const long double u = Fraction(x, W);
    const long double u1 = 1.0L - u;
    p.R = OctetArrondi(p.R * k[2].Gain(u, u1, v, v1));
    p.V = OctetArrondi(p.V * k[1].Gain(u, u1, v, v1));
    p.B = OctetArrondi(p.B * k[0].Gain(u, u1, v, v1));
}

}  // namespace

#define NOYAUX "core/NoyauPhotometrie.inc"
#include "core/InclureNoyaux.h"

namespace {

// Abscisse approchée x · Pas de chaque octet d'une ligne, commune à toutes.
std::vector<double> Abscisses(int W, double Pas)
{
    std::vector<double> u(3 * static_cast<size_t>(std::max(W, 0)));
    for (size_t k = 0; k < u.size(); ++k)
        u[k] = static_cast<double>(k / 3) * Pas;
    return u;
}

// Une ligne : les groupes de quatre pixels en vecteurs, le reste pixel par
// pixel ; Refaire(x) recalcule le pixel x en étendu.
template <class FRefaire>
void LigneCorrigee(TPixel* p, int W, const double (&A)[3], const double (&B)[3], double Pas,
                   const std::vector<double>& U, double Limite, FRefaire Refaire)
{
    int x = Avx2Actif() ? avx2::LignePhotometrie(p, W, A, B, U.data(), Limite, Refaire)
                        : sse4::LignePhotometrie(p, W, A, B, U.data(), Limite, Refaire);
    for (; x < W; ++x) {
        const double du = FractionApprochee(x, W, Pas);
        if (!OctetsApproches(OctetD[p[x].B] * (A[0] + du * B[0]), OctetD[p[x].V] * (A[1] + du * B[1]),
                             OctetD[p[x].R] * (A[2] + du * B[2]), Limite, &p[x].B))
            Refaire(x);
    }
}

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
    const std::vector<double> u = Abscisses(W, pasX);
    ParallelLignes(H, [&](int debut, int fin) {
        const TGainsCoins gains = k;
        for (int y = debut; y < fin; ++y) {
            const long double v = Fraction(y, H);
            const long double v1 = 1.0L - v;
            double A, B;
            gains.LigneApprochee(FractionApprochee(y, H, pasY), A, B);
            TPixel* p = T.Ligne(y);
            LigneCorrigee(p, W, {A, A, A}, {B, B, B}, pasX, u, gains.limite,
                          [&](int x) { PixelLuminosite(p[x], x, W, v, v1, gains); });
        }
    });
}

void CorrigerChromaticite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    // Coins rangés HG, HD, BD, BG ; canaux B, V, R.
    const float (&F)[4][3] = R.FacteursRVB;
    const TGainsCoins k[3] = {{F[0][0], F[3][0], F[1][0], F[2][0]},
                              {F[0][1], F[3][1], F[1][1], F[2][1]},
                              {F[0][2], F[3][2], F[1][2], F[2][2]}};
    const double limite = std::min({k[0].limite, k[1].limite, k[2].limite});
    const int W = T.Largeur();
    const int H = T.Hauteur();
    const double pasX = PasApproche(W);
    const double pasY = PasApproche(H);
    const std::vector<double> u = Abscisses(W, pasX);
    ParallelLignes(H, [&](int debut, int fin) {
        const TGainsCoins gains[3] = {k[0], k[1], k[2]};
        for (int y = debut; y < fin; ++y) {
            const long double v = Fraction(y, H);
            const long double v1 = 1.0L - v;
            const double dv = FractionApprochee(y, H, pasY);
            double A[3], B[3];
            for (int c = 0; c < 3; ++c)
                gains[c].LigneApprochee(dv, A[c], B[c]);
            TPixel* p = T.Ligne(y);
            LigneCorrigee(p, W, A, B, pasX, u, limite,
                          [&](int x) { PixelChromaticite(p[x], x, W, v, v1, gains); });
        }
    });
}
