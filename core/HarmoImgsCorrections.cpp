#include "core/HarmoImgs.h"

#include <algorithm>
#include <cmath>

#include <smmintrin.h>

#include "core/ArrondiOctet.h"
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

// Deux pixels voisins traités canal par canal sur les deux voies d'un
// registre double ; faux quand un des six canaux demande le calcul étendu.
inline bool PaireApprochee(TPixel* p, __m128d gB, __m128d gV, __m128d gR, __m128d Limite)
{
    const __m128d xb = _mm_mul_pd(_mm_setr_pd(OctetD[p[0].B], OctetD[p[1].B]), gB);
    const __m128d xv = _mm_mul_pd(_mm_setr_pd(OctetD[p[0].V], OctetD[p[1].V]), gV);
    const __m128d xr = _mm_mul_pd(_mm_setr_pd(OctetD[p[0].R], OctetD[p[1].R]), gR);
    constexpr int arrondi = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
    const __m128d rb = _mm_round_pd(xb, arrondi);
    const __m128d rv = _mm_round_pd(xv, arrondi);
    const __m128d rr = _mm_round_pd(xr, arrondi);
    const __m128d sansSigne = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    const __m128d sur = _mm_and_pd(
        _mm_and_pd(_mm_cmplt_pd(_mm_and_pd(_mm_sub_pd(xb, rb), sansSigne), Limite),
                   _mm_cmplt_pd(_mm_and_pd(_mm_sub_pd(xv, rv), sansSigne), Limite)),
        _mm_cmplt_pd(_mm_and_pd(_mm_sub_pd(xr, rr), sansSigne), Limite));
    if (_mm_movemask_pd(sur) != 3)
        return false;
    const __m128d zero = _mm_setzero_pd();
    const __m128d max = _mm_set1_pd(255.0);
    const __m128i ib = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(rb, zero), max));
    const __m128i iv = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(rv, zero), max));
    const __m128i ir = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(rr, zero), max));
    p[0] = {static_cast<uint8_t>(_mm_cvtsi128_si32(ib)), static_cast<uint8_t>(_mm_cvtsi128_si32(iv)),
            static_cast<uint8_t>(_mm_cvtsi128_si32(ir))};
    p[1] = {static_cast<uint8_t>(_mm_extract_epi32(ib, 1)), static_cast<uint8_t>(_mm_extract_epi32(iv, 1)),
            static_cast<uint8_t>(_mm_extract_epi32(ir, 1))};
    return true;
}

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

void CorrigerLuminosite(int i)
{
    const TInfosImg& R = ImgsAssemblage[i];
    TPtImg& T = TablesPixels[i];
    const TGainsCoins k(R.CoefHG, R.CoefBG, R.CoefHD, R.CoefBD);
    const __m128d limite = _mm_set1_pd(k.limite);
    const int W = T.Largeur();
    const int H = T.Hauteur();
    const double pasX = PasApproche(W);
    const double pasY = PasApproche(H);
    ParallelLignes(H, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y) {
            const long double v = Fraction(y, H);
            const long double v1 = 1.0L - v;
            double A, B;
            k.LigneApprochee(FractionApprochee(y, H, pasY), A, B);
            TPixel* p = T.Ligne(y);
            int x = 0;
            for (; x + 1 < W; x += 2) {
                const __m128d du = _mm_mul_pd(_mm_setr_pd(x, x + 1), _mm_set1_pd(pasX));
                const __m128d g = _mm_add_pd(_mm_set1_pd(A), _mm_mul_pd(du, _mm_set1_pd(B)));
                if (!PaireApprochee(&p[x], g, g, g, limite)) {
                    PixelLuminosite(p[x], x, W, v, v1, k);
                    PixelLuminosite(p[x + 1], x + 1, W, v, v1, k);
                }
            }
            if (x < W) {
                const double g = A + FractionApprochee(x, W, pasX) * B;
                if (!OctetsApproches(OctetD[p[x].B] * g, OctetD[p[x].V] * g, OctetD[p[x].R] * g, k.limite,
                                     &p[x].B))
                    PixelLuminosite(p[x], x, W, v, v1, k);
            }
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
    const __m128d limiteD = _mm_set1_pd(limite);
    const int W = T.Largeur();
    const int H = T.Hauteur();
    const double pasX = PasApproche(W);
    const double pasY = PasApproche(H);
    ParallelLignes(H, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y) {
            const long double v = Fraction(y, H);
            const long double v1 = 1.0L - v;
            const double dv = FractionApprochee(y, H, pasY);
            double A[3], B[3];
            for (int c = 0; c < 3; ++c)
                k[c].LigneApprochee(dv, A[c], B[c]);
            TPixel* p = T.Ligne(y);
            int x = 0;
            for (; x + 1 < W; x += 2) {
                const __m128d du = _mm_mul_pd(_mm_setr_pd(x, x + 1), _mm_set1_pd(pasX));
                const __m128d gB = _mm_add_pd(_mm_set1_pd(A[0]), _mm_mul_pd(du, _mm_set1_pd(B[0])));
                const __m128d gV = _mm_add_pd(_mm_set1_pd(A[1]), _mm_mul_pd(du, _mm_set1_pd(B[1])));
                const __m128d gR = _mm_add_pd(_mm_set1_pd(A[2]), _mm_mul_pd(du, _mm_set1_pd(B[2])));
                if (!PaireApprochee(&p[x], gB, gV, gR, limiteD)) {
                    PixelChromaticite(p[x], x, W, v, v1, k);
                    PixelChromaticite(p[x + 1], x + 1, W, v, v1, k);
                }
            }
            if (x < W) {
                const double du = FractionApprochee(x, W, pasX);
                if (!OctetsApproches(OctetD[p[x].B] * (A[0] + du * B[0]), OctetD[p[x].V] * (A[1] + du * B[1]),
                                     OctetD[p[x].R] * (A[2] + du * B[2]), limite, &p[x].B))
                    PixelChromaticite(p[x], x, W, v, v1, k);
            }
        }
    });
}
