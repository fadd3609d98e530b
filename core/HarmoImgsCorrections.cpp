#include "core/HarmoImgs.h"

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

}  // namespace

void CorrigerLuminosite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    const long double kHG = R.CoefHG;
    const long double kBG = R.CoefBG;
    const long double kHD = R.CoefHD;
    const long double kBD = R.CoefBD;
    const int W = T.Largeur();
    const int H = T.Hauteur();
    for (int y = 0; y < H; ++y) {
        const long double v = Fraction(y, H);
        const long double v1 = 1.0L - v;
        TPixel* p = T.Ligne(y);
        for (int x = 0; x < W; ++x) {
            const long double u = Fraction(x, W);
            const long double u1 = 1.0L - u;
            const long double g = u1 * v1 * kHG + u1 * v * kBG + u * v1 * kHD + u * v * kBD;
            p[x].R = OctetArrondi(p[x].R * g);
            p[x].V = OctetArrondi(p[x].V * g);
            p[x].B = OctetArrondi(p[x].B * g);
        }
    }
}

void CorrigerChromaticite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    // Coins rangés HG, HD, BD, BG ; canaux B, V, R.
    long double kHG[3], kBG[3], kHD[3], kBD[3];
    for (int c = 0; c < 3; ++c) {
        kHG[c] = R.FacteursRVB[0][c];
        kHD[c] = R.FacteursRVB[1][c];
        kBD[c] = R.FacteursRVB[2][c];
        kBG[c] = R.FacteursRVB[3][c];
    }
    const int W = T.Largeur();
    const int H = T.Hauteur();
    for (int y = 0; y < H; ++y) {
        const long double v = Fraction(y, H);
        const long double v1 = 1.0L - v;
        TPixel* p = T.Ligne(y);
        for (int x = 0; x < W; ++x) {
            const long double u = Fraction(x, W);
            const long double u1 = 1.0L - u;
            // Les poids sont les mêmes produits pour les trois canaux.
            const long double pHG = u1 * v1;
            const long double pBG = u1 * v;
            const long double pHD = u * v1;
            const long double pBD = u * v;
            const long double gR = pHG * kHG[2] + pBG * kBG[2] + pHD * kHD[2] + pBD * kBD[2];
            const long double gV = pHG * kHG[1] + pBG * kBG[1] + pHD * kHD[1] + pBD * kBD[1];
            const long double gB = pHG * kHG[0] + pBG * kBG[0] + pHD * kHD[0] + pBD * kBD[0];
            p[x].R = OctetArrondi(p[x].R * gR);
            p[x].V = OctetArrondi(p[x].V * gV);
            p[x].B = OctetArrondi(p[x].B * gB);
        }
    }
}
