#include "app/AcqImgsApercus.h"

#include <cmath>

#include "app/AcqImgs.h"
#include "core/HarmoImgs.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

namespace {

// Image intermédiaire de l'aperçu combiné, rangée ligne après ligne.
TPixel Intermediaire[TailleApercu * TailleApercu];

// Borné avant l'arrondi : un coefficient aberrant donne 0 ou 255, jamais un
// entier hors limites.
inline uint8_t Octet(long double v)
{
    if (v > 255.0L)
        return 255;
    if (v > 0.0L)
        return static_cast<uint8_t>(Round(v));
    return 0;
}

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

void CompLum(const TPixel* const* src, TPixel* const* dst, int W, int H, long double HG,
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
            d[x].R = Octet(p.R * k);
            d[x].V = Octet(p.V * k);
            d[x].B = Octet(p.B * k);
        }
    }
}

void LignesFuite(const TPixel* const* src, TPixel* const* dst, int W, int H, long double K)
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
                d[x].B = static_cast<uint8_t>(Round(u * a.B + t * b.B));
                d[x].V = static_cast<uint8_t>(Round(u * a.V + t * b.V));
                d[x].R = static_cast<uint8_t>(Round(u * a.R + t * b.R));
            } else {
                d[x] = CouleurFond;
            }
        }
    }
}

}  // namespace

void TracerCompLum(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                   long double BD, long double BG)
{
    if (!TailleAdmise(Source))
        return;
    const int W = Source.Largeur();
    const int H = Source.Hauteur();
    Dest.SetSize(W, H);
    const TPixel* src[TailleApercu];
    TPixel* dst[TailleApercu];
    LignesSource(Source, src);
    LignesBitmap(Dest, H, dst);
    CompLum(src, dst, W, H, HG, HD, BD, BG);
}

void TracerLignesFuite(const TPtImg& Source, Bitmap& Dest, long double K)
{
    if (!TailleAdmise(Source))
        return;
    const int W = Source.Largeur();
    const int H = Source.Hauteur();
    Dest.SetSize(W, H);
    const TPixel* src[TailleApercu];
    TPixel* dst[TailleApercu];
    LignesSource(Source, src);
    LignesBitmap(Dest, H, dst);
    LignesFuite(src, dst, W, H, K);
}

void TracerCompLumEtFuite(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                          long double BD, long double BG, long double K)
{
    if (!TailleAdmise(Source))
        return;
    const int W = Source.Largeur();
    const int H = Source.Hauteur();
    Dest.SetSize(W, H);
    const TPixel* src[TailleApercu];
    TPixel* inter[TailleApercu];
    TPixel* dst[TailleApercu];
    LignesSource(Source, src);
    LignesIntermediaire(H, inter);
    LignesBitmap(Dest, H, dst);
    CompLum(src, inter, W, H, HG, HD, BD, BG);
    LignesFuite(inter, dst, W, H, K);
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
