#include "core/CorrectionsGeometriques.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QComboBox>

#include "core/ArrondiOctet.h"
#include "core/FenetrePano.h"

namespace {

// Pixels 24 bits vus comme des octets B, V, R : une ligne du bitmap ou une
// ligne de table, qui ont la même disposition.
struct TSource
{
    const uint8_t* base;
    ptrdiff_t pas;
    int largeur;
    int hauteur;

    const uint8_t* Pixel(int64_t x, int64_t y) const { return base + y * pas + 3 * x; }
};

TSource SourceBitmap(const Bitmap& Bmp)
{
    return {Bmp.Bits(), Bmp.Stride(), Bmp.Width(), Bmp.Height()};
}

TSource SourceTable(const TPtImg& Table)
{
    return {reinterpret_cast<const uint8_t*>(Table.Ligne(0)),
            static_cast<ptrdiff_t>(Table.Largeur()) * 3, Table.Largeur(), Table.Hauteur()};
}

void Remplir(TPtImg& T, int y0, int y1)
{
    for (int y = y0; y <= y1; ++y)
        std::fill_n(T.Ligne(y), T.Largeur(), CouleurFond);
}

TPtImg& TableImage(int NumImg, int Largeur, int Hauteur)
{
    TPtImg& T = TablesPixels[NumImg];
    if (T.Largeur() != Largeur || T.Hauteur() != Hauteur)
        T.SetLength(Largeur, Hauteur);
    return T;
}

int ModeDeformation()
{
    if (SeqPano == nullptr || SeqPano->ModeAsmbl() == nullptr)
        return 0;
    return SeqPano->ModeAsmbl()->currentIndex();
}

// Rotation puis décalage, communs aux deux routines d'horizontalité. Un
// échantillon que la source réelle ne contient pas laisse la cellule telle
// quelle, sans jamais lire hors de la source.
void TournerEtDecaler(int NumImg, int Decal, const TSource& S)
{
    const TInfosImg& R = ImgsAssemblage[NumImg];
    const int W = std::max(R.Largeur, 0);
    const int H = std::max(R.Hauteur, 0);
    TPtImg& T = TableImage(NumImg, W, H);

    // Deux points confondus ne donnent pas d'angle : pas de rotation.
    const long double dx = static_cast<long double>(R.PtsHoriz[1].X) - R.PtsHoriz[0].X;
    const long double dy = static_cast<long double>(R.PtsHoriz[1].Y) - R.PtsHoriz[0].Y;
    const long double carres = dx * dx + dy * dy;
    long double sinA = 0.0L;
    long double cosA = 1.0L;
    if (carres != 0.0L) {
        const long double L = std::sqrt(carres);
        sinA = dy / L;
        cosA = dx / L;
        if (cosA < 0.0L) {
            sinA = -sinA;
            cosA = -cosA;
        }
    }

    const int cx = W / 2;
    const int cy = H / 2;
    const int64_t D = Decal;
    const int64_t y0 = D < 0 ? -D : 0;
    const int64_t y1 = D < 0 ? H - 1 : H - 1 - D;
    const int mode = ModeDeformation();

    if (mode == 0 || mode == 1) {
        const int64_t yDebut = std::max<int64_t>(y0, 0);
        const int64_t yFin = std::min<int64_t>(y1, H - 1);
        for (int64_t y = yDebut; y <= yFin; ++y) {
            TPixel* lig = T.Ligne(static_cast<int>(y));
            const long double oy = y - cy;
            const long double oySin = oy * sinA;
            const long double oyCos = oy * cosA;
            if (mode == 0) {
                for (int x = 0; x < W; ++x) {
                    const long double ox = x - cx;
                    const int64_t sx = cx + Trunc(ox * cosA - oySin);
                    const int64_t sy = cy + Trunc(ox * sinA + oyCos);
                    if (sx >= 0 && sx <= W - 2 && sy >= y0 && sy <= y1 - 1) {
                        const int64_t r = sy + D;
                        if (sx < S.largeur && r >= 0 && r < S.hauteur)
                            std::memcpy(&lig[x], S.Pixel(sx, r), 3);
                    } else {
                        lig[x] = CouleurFond;
                    }
                }
            } else {
                for (int x = 0; x < W; ++x) {
                    const long double ox = x - cx;
                    const long double u = cx + (ox * cosA - oySin);
                    const long double v = cy + (ox * sinA + oyCos);
                    if (u >= 0 && u < W - 1 && v >= y0 && v < y1) {
                        const int64_t sx = Trunc(u);
                        const int64_t sy = Trunc(v);
                        const long double tx = u - sx;
                        const long double ty = v - sy;
                        const int64_t r0 = sy + D;
                        if (sx + 1 < S.largeur && r0 >= 0 && r0 + 1 < S.hauteur) {
                            const uint8_t* p00 = S.Pixel(sx, r0);
                            const uint8_t* p01 = p00 + S.pas;
                            const long double w00 = (1.0L - tx) * (1.0L - ty);
                            const long double w10 = tx * (1.0L - ty);
                            const long double w11 = tx * ty;
                            const long double w01 = (1.0L - tx) * ty;
                            uint8_t* d = reinterpret_cast<uint8_t*>(&lig[x]);
                            for (int c = 0; c < 3; ++c)
                                d[c] = OctetArrondi(w00 * p00[c] + w10 * p00[3 + c] + w11 * p01[3 + c] +
                                                    w01 * p01[c]);
                        }
                    } else {
                        lig[x] = CouleurFond;
                    }
                }
            }
        }
    }

    // Lignes que le décalage découvre.
    if (D < 0)
        Remplir(T, 0, static_cast<int>(std::min<int64_t>(-D - 1, H - 1)));
    else if (D > 0)
        Remplir(T, static_cast<int>(std::max<int64_t>(H - D, 0)), H - 1);
}

}  // namespace

// Le facteur appliqué est le CoefFuite simple précision de l'enregistrement,
// quel que soit le réel passé par l'appelant.
void CorrigerLignesFuite(int NumImg, long double)
{
    const TInfosImg& R = ImgsAssemblage[NumImg];
    const Bitmap* Bmp = BitmapDe(R);
    TPtImg& T = TablesPixels[NumImg];
    if (Bmp == nullptr) {
        Remplir(T, 0, T.Hauteur() - 1);
    } else {
        const int W = Bmp->Width();
        const int H = Bmp->Height();
        TableImage(NumImg, W, H);
        const TSource S = SourceBitmap(*Bmp);
        const long double f = R.CoefFuite;
        const int cx = W / 2;
        const int cy = H / 2;

        // Facteur de raccourcissement de chaque colonne. Une image d'une seule
        // colonne n'a que sa colonne du milieu, que rien ne raccourcit.
        std::vector<long double> s(static_cast<size_t>(W));
        for (int x = 0; x < W; ++x) {
            const long double d = cx != 0 ? static_cast<long double>(x - cx) / cx : 0.0L;
            s[x] = (1.0L + f) - f * std::sqrt(d * d + 1.0L);
        }

        for (int y = 0; y < H; ++y) {
            TPixel* lig = T.Ligne(y);
            const int ecart = cy - y;
            for (int x = 0; x < W; ++x) {
                const long double v = cy - ecart / s[x];
                if (v >= 0 && v < H - 1) {
                    const int64_t iy = Trunc(v);
                    const long double t = v - iy;
                    const uint8_t* p0 = S.Pixel(x, iy);
                    const uint8_t* p1 = p0 + S.pas;
                    uint8_t* d = reinterpret_cast<uint8_t*>(&lig[x]);
                    for (int c = 0; c < 3; ++c)
                        d[c] = OctetArrondi((1.0L - t) * p0[c] + t * p1[c]);
                } else {
                    lig[x] = CouleurFond;
                }
            }
        }
    }

    if (TableTravail.Largeur() != T.Largeur() || TableTravail.Hauteur() != T.Hauteur())
        TableTravail.SetLength(T.Largeur(), T.Hauteur());
    if (!T.Vide())
        std::memcpy(TableTravail.Ligne(0), T.Ligne(0),
                    static_cast<size_t>(T.Largeur()) * T.Hauteur() * sizeof(TPixel));
}

void CorrigerHorizontalite(int NumImg, int Decal)
{
    const Bitmap* Bmp = BitmapDe(ImgsAssemblage[NumImg]);
    const Bitmap vide;
    TournerEtDecaler(NumImg, Decal, SourceBitmap(Bmp != nullptr ? *Bmp : vide));
}

void CorrigerHorizontaliteLignesFuite(int NumImg, int Decal, const TPtImg& Source)
{
    TournerEtDecaler(NumImg, Decal, SourceTable(Source));
}
