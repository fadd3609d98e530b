#include "app/AcqImgsApercus.h"

#include <algorithm>
#include <cmath>

#include "app/AcqImgs.h"
#include "core/ArrondiOctet.h"
#include "core/HarmoImgs.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

namespace {

// Image intermédiaire de l'aperçu combiné, rangée ligne après ligne.
TPixel Intermediaire[TailleApercu * TailleApercu];

bool TailleAdmise(const TPtImg& Source)
{
    return Source.Largeur() <= TailleApercu && Source.Hauteur() <= TailleApercu;
}

void LignesSource(const TPtImg& Source, const TPixel** lignes)
{
    for (int y = 0; y < Source.Hauteur(); ++y)
        lignes[y] = Source.Ligne(y);
}

void LignesBitmap(Bitmap& Dest, int H, TPixel** lignes)
{
    for (int y = 0; y < H; ++y)
        lignes[y] = reinterpret_cast<TPixel*>(Dest.Ligne(y));
}

void LignesIntermediaire(int H, TPixel** lignes)
{
    for (int y = 0; y < H; ++y)
        lignes[y] = Intermediaire + static_cast<ptrdiff_t>(y) * TailleApercu;
}

// Fraction d'un bord à l'autre ; sur une seule colonne ou ligne, le bord
// haut ou gauche (pas de division par zéro).
inline long double Fraction(int i, int n)
{
    return n > 1 ? static_cast<long double>(i) / (n - 1) : 0.0L;
}

void CompLumEtendu(const TPixel* const* src, TPixel* const* dst, int W, int H, long double HG,
                   long double HD, long double BD, long double BG)
{
    long double fxs[TailleApercu];
    long double gxs[TailleApercu];
    for (int x = 0; x < W; ++x) {
        fxs[x] = Fraction(x, W);
        gxs[x] = 1.0L - fxs[x];
    }
    for (int y = 0; y < H; ++y) {
        const long double fy = Fraction(y, H);
        const long double gy = 1.0L - fy;
        const TPixel* s = src[y];
        TPixel* d = dst[y];
        for (int x = 0; x < W; ++x) {
            const long double fx = fxs[x];
            const long double gx = gxs[x];
            const long double k = gx * gy * HG + gx * fy * BG + fx * gy * HD + fx * fy * BD;
            const TPixel p = s[x];
            d[x].R = OctetArrondi(p.R * k);
            d[x].V = OctetArrondi(p.V * k);
            d[x].B = OctetArrondi(p.B * k);
        }
    }
}

void LignesFuiteEtendu(const TPixel* const* src, TPixel* const* dst, int W, int H, long double K)
{
    const int cx = W / 2;
    const int cy = H / 2;
    // Facteur de colonne ; sur une seule colonne, celle-ci est le milieu.
    long double s[TailleApercu];
    for (int x = 0; x < W; ++x) {
        const long double d = cx != 0 ? static_cast<long double>(x - cx) / cx : 0.0L;
        s[x] = (K + 1.0L) - K * sqrtl(1.0L + d * d);
    }
    const long double limite = H - 1;
    for (int y = 0; y < H; ++y) {
        TPixel* d = dst[y];
        for (int x = 0; x < W; ++x) {
            const long double v = cy - (cy - y) / s[x];
            if (v >= 0.0L && v < limite) {
                const int iy = static_cast<int>(Trunc(v));
                const long double t = v - iy;
                const long double u = 1.0L - t;
                const TPixel a = src[iy][x];
                const TPixel b = src[iy + 1][x];
                d[x].B = OctetArrondi(u * a.B + t * b.B);
                d[x].V = OctetArrondi(u * a.V + t * b.V);
                d[x].R = OctetArrondi(u * a.R + t * b.R);
            } else {
                d[x] = CouleurFond;
            }
        }
    }
}

// Chemins rapides : les mêmes calculs en double, dont l'écart à l'étendu reste
// sous 1e-10 tant que les coefficients sont bornés. Un résultat à moins de
// Marge d'une frontière d'arrondi (ou de ligne source) est repris en étendu,
// d'où des octets identiques.
constexpr double Marge = 1e-7;
constexpr long double CoefMax = 16.0L;

inline bool LoinDUneDemie(double a, double b, double c)
{
    const double e = std::max(std::max(std::fabs(a - std::rint(a)), std::fabs(b - std::rint(b))),
                              std::fabs(c - std::rint(c)));
    return e < 0.5 - Marge;
}

inline uint8_t Sature(double r)
{
    return static_cast<uint8_t>(std::clamp(static_cast<int>(r), 0, 255));
}

void CompLumRapide(const TPixel* const* src, TPixel* const* dst, int W, int H, long double HG,
                   long double HD, long double BD, long double BG)
{
    const double hg = static_cast<double>(HG);
    const double hd = static_cast<double>(HD);
    const double bd = static_cast<double>(BD);
    const double bg = static_cast<double>(BG);
    long double fxs[TailleApercu];
    long double gxs[TailleApercu];
    double fxd[TailleApercu];
    double gxd[TailleApercu];
    double ks[TailleApercu];
    for (int x = 0; x < W; ++x) {
        fxs[x] = Fraction(x, W);
        gxs[x] = 1.0L - fxs[x];
        fxd[x] = W > 1 ? static_cast<double>(x) / (W - 1) : 0.0;
        gxd[x] = 1.0 - fxd[x];
    }
    for (int y = 0; y < H; ++y) {
        const long double fy = Fraction(y, H);
        const long double gy = 1.0L - fy;
        const double fyd = H > 1 ? static_cast<double>(y) / (H - 1) : 0.0;
        const double gyd = 1.0 - fyd;
        for (int x = 0; x < W; ++x)
            ks[x] = gxd[x] * gyd * hg + gxd[x] * fyd * bg + fxd[x] * gyd * hd + fxd[x] * fyd * bd;
        const TPixel* s = src[y];
        TPixel* d = dst[y];
        for (int x = 0; x < W; ++x) {
            const TPixel p = s[x];
            const double r = p.R * ks[x];
            const double v = p.V * ks[x];
            const double b = p.B * ks[x];
            if (LoinDUneDemie(r, v, b)) {
                d[x].R = Sature(std::rint(r));
                d[x].V = Sature(std::rint(v));
                d[x].B = Sature(std::rint(b));
            } else {
                const long double fx = fxs[x];
                const long double gx = gxs[x];
                const long double k = gx * gy * HG + gx * fy * BG + fx * gy * HD + fx * fy * BD;
                d[x].R = OctetArrondi(p.R * k);
                d[x].V = OctetArrondi(p.V * k);
                d[x].B = OctetArrondi(p.B * k);
            }
        }
    }
}

// Les colonnes x et 2·cx − x ont le même facteur, au bit près : la ligne
// source se calcule une fois par écart au milieu.
void LignesFuiteRapide(const TPixel* const* src, TPixel* const* dst, int W, int H, long double K)
{
    constexpr int Reprise = -2;
    constexpr int Noir = -1;
    const int cx = W / 2;
    const int cy = H / 2;
    const int J = std::max(cx, W - 1 - cx);
    long double s[TailleApercu];
    double sd[TailleApercu];
    for (int j = 0; j <= J; ++j) {
        const int x = cx + j < W ? cx + j : cx - j;
        const long double d = cx != 0 ? static_cast<long double>(x - cx) / cx : 0.0L;
        s[j] = (K + 1.0L) - K * sqrtl(1.0L + d * d);
        sd[j] = static_cast<double>(s[j]);
    }
    const long double limite = H - 1;
    const double limited = H - 1;
    int iys[TailleApercu];
    double ts[TailleApercu];
    for (int y = 0; y < H; ++y) {
        const double num = cy - y;
        for (int j = 0; j <= J; ++j) {
            const double v = cy - num / sd[j];
            if (std::fabs(v - std::rint(v)) < Marge) {
                iys[j] = Reprise;
            } else if (v < 0.0 || v > limited) {
                iys[j] = Noir;
            } else {
                iys[j] = static_cast<int>(v);
                ts[j] = v - iys[j];
            }
        }
        TPixel* d = dst[y];
        for (int x = 0; x < W; ++x) {
            const int j = x >= cx ? x - cx : cx - x;
            const int iy = iys[j];
            if (iy == Noir) {
                d[x] = CouleurFond;
                continue;
            }
            if (iy >= 0) {
                const double t = ts[j];
                const double u = 1.0 - t;
                const TPixel a = src[iy][x];
                const TPixel b = src[iy + 1][x];
                const double wb = u * a.B + t * b.B;
                const double wv = u * a.V + t * b.V;
                const double wr = u * a.R + t * b.R;
                if (LoinDUneDemie(wb, wv, wr)) {
                    d[x].B = static_cast<uint8_t>(std::rint(wb));
                    d[x].V = static_cast<uint8_t>(std::rint(wv));
                    d[x].R = static_cast<uint8_t>(std::rint(wr));
                    continue;
                }
            }
            const long double v = cy - (cy - y) / s[j];
            if (v >= 0.0L && v < limite) {
                const int ie = static_cast<int>(Trunc(v));
                const long double t = v - ie;
                const long double u = 1.0L - t;
                const TPixel a = src[ie][x];
                const TPixel b = src[ie + 1][x];
                d[x].B = OctetArrondi(u * a.B + t * b.B);
                d[x].V = OctetArrondi(u * a.V + t * b.V);
                d[x].R = OctetArrondi(u * a.R + t * b.R);
            } else {
                d[x] = CouleurFond;
            }
        }
    }
}

bool CoefBorne(long double c)
{
    return c >= -CoefMax && c <= CoefMax;
}

void CompLum(const TPixel* const* src, TPixel* const* dst, int W, int H, long double HG,
             long double HD, long double BD, long double BG)
{
    if (CoefBorne(HG) && CoefBorne(HD) && CoefBorne(BD) && CoefBorne(BG))
        CompLumRapide(src, dst, W, H, HG, HD, BD, BG);
    else
        CompLumEtendu(src, dst, W, H, HG, HD, BD, BG);
}

// Avec K entre 0 et 1 le facteur de colonne reste au-dessus de 2 − √2.
void LignesFuite(const TPixel* const* src, TPixel* const* dst, int W, int H, long double K)
{
    if (K >= 0.0L && K <= 1.0L)
        LignesFuiteRapide(src, dst, W, H, K);
    else
        LignesFuiteEtendu(src, dst, W, H, K);
}

template <class Noyau>
void Tracer(const TPtImg& Source, Bitmap& Dest, Noyau noyau)
{
    if (!TailleAdmise(Source))
        return;
    const int H = Source.Hauteur();
    Dest.SetSize(Source.Largeur(), H);
    const TPixel* src[TailleApercu];
    TPixel* dst[TailleApercu];
    LignesSource(Source, src);
    LignesBitmap(Dest, H, dst);
    noyau(src, dst, Source.Largeur(), H);
}

}  // namespace

void TracerCompLumEtendu(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                         long double BD, long double BG)
{
    Tracer(Source, Dest, [&](auto src, auto dst, int W, int H) {
        CompLumEtendu(src, dst, W, H, HG, HD, BD, BG);
    });
}

void TracerLignesFuiteEtendu(const TPtImg& Source, Bitmap& Dest, long double K)
{
    Tracer(Source, Dest, [&](auto src, auto dst, int W, int H) {
        LignesFuiteEtendu(src, dst, W, H, K);
    });
}

void TracerCompLum(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                   long double BD, long double BG)
{
    Tracer(Source, Dest, [&](auto src, auto dst, int W, int H) {
        CompLum(src, dst, W, H, HG, HD, BD, BG);
    });
}

void TracerLignesFuite(const TPtImg& Source, Bitmap& Dest, long double K)
{
    Tracer(Source, Dest, [&](auto src, auto dst, int W, int H) {
        LignesFuite(src, dst, W, H, K);
    });
}

void TracerCompLumEtFuite(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                          long double BD, long double BG, long double K)
{
    Tracer(Source, Dest, [&](auto src, auto dst, int W, int H) {
        TPixel* inter[TailleApercu];
        LignesIntermediaire(H, inter);
        CompLum(src, inter, W, H, HG, HD, BD, BG);
        LignesFuite(inter, dst, W, H, K);
    });
}

void TSeqPano::ApercuCompLum()
{
    TracerCompLum(TableVignette, ui->Image2->Picture(), CoefCourantHG, CoefCourantHD,
                  CoefCourantBD, CoefCourantBG);
    ui->Image2->repaint();
}

void TSeqPano::ApercuLignesFuite()
{
    TracerLignesFuite(TableVignette, ui->Image2->Picture(), CoefCourantFuite);
    ui->Image2->repaint();
}

void TSeqPano::ApercuCompLumEtFuite()
{
    TracerCompLumEtFuite(TableVignette, ui->Image2->Picture(), CoefCourantHG, CoefCourantHD,
                         CoefCourantBD, CoefCourantBG, CoefCourantFuite);
    ui->Image2->repaint();
}
