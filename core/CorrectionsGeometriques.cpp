#include "core/CorrectionsGeometriques.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QComboBox>

#include "core/ArrondiOctet.h"
#include "core/Vecteurs4.h"
#include "core/FenetrePano.h"
#include "platform/Parallele.h"

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

// ---- Lignes de fuite --------------------------------------------------------

// Ligne source v d'une colonne raccourcie : pixel en étendu.
void PixelFuite(TPixel& Dest, long double v, int x, int H, const TSource& S)
{
    if (v >= 0 && v < H - 1) {
        const int64_t iy = Trunc(v);
        const long double t = v - iy;
        const uint8_t* p0 = S.Pixel(x, iy);
        const uint8_t* p1 = p0 + S.pas;
        uint8_t* d = &Dest.B;
        for (int c = 0; c < 3; ++c)
            d[c] = OctetArrondi((1.0L - t) * p0[c] + t * p1[c]);
    } else {
        Dest = CouleurFond;
    }
}

// ---- Rotation et décalage ------------------------------------------------------

struct TRotation
{
    long double sinA, cosA;
    double sinD, cosD;
    int W, H, cx, cy;
    int64_t D, y0, y1;
};

// Échantillon bilinéaire en étendu, la position venant de la ligne (oySin,
// oyCos) et de la colonne ox. Une source trop petite laisse la cellule.
void PixelBilineaire(TPixel& Dest, int ox, long double oySin, long double oyCos, const TRotation& Rot,
                     const TSource& S)
{
    const long double u = Rot.cx + (ox * Rot.cosA - oySin);
    const long double v = Rot.cy + (ox * Rot.sinA + oyCos);
    if (!(u >= 0 && u < Rot.W - 1 && v >= Rot.y0 && v < Rot.y1)) {
        Dest = CouleurFond;
        return;
    }
    const int64_t sx = Trunc(u);
    const int64_t sy = Trunc(v);
    const long double tx = u - sx;
    const long double ty = v - sy;
    const int64_t r0 = sy + Rot.D;
    if (sx + 1 >= S.largeur || r0 < 0 || r0 + 1 >= S.hauteur)
        return;
    const uint8_t* p00 = S.Pixel(sx, r0);
    const uint8_t* p01 = p00 + S.pas;
    uint8_t* d = &Dest.B;
    for (int c = 0; c < 3; ++c)
        d[c] = OctetArrondi((1.0L - tx) * (1.0L - ty) * p00[c] + tx * (1.0L - ty) * p00[3 + c] +
                            tx * ty * p01[3 + c] + (1.0L - tx) * ty * p01[c]);
}

// Plus proche voisin en étendu : la position tronquée vers le centre.
void PixelProcheVoisin(TPixel& Dest, int x, long double oySin, long double oyCos, const TRotation& Rot,
                       const TSource& S)
{
    const long double ox = x - Rot.cx;
    const int64_t sx = Rot.cx + Trunc(ox * Rot.cosA - oySin);
    const int64_t sy = Rot.cy + Trunc(ox * Rot.sinA + oyCos);
    if (sx >= 0 && sx <= Rot.W - 2 && sy >= Rot.y0 && sy <= Rot.y1 - 1) {
        const int64_t r = sy + Rot.D;
        if (sx < S.largeur && r >= 0 && r < S.hauteur)
            std::memcpy(&Dest, S.Pixel(sx, r), 3);
    } else {
        Dest = CouleurFond;
    }
}

// Échantillon bilinéaire d'un pixel en flottants simple précision sur les
// quatre voies (B, V, R, −) : p0 est le pixel source haut gauche, tx et ty
// les poids. Faux, sans rien écrire, quand un canal tombe trop près d'une
// moitié.
bool PixelRapide(TPixel& Dest, const uint8_t* p0, ptrdiff_t pas, float tx, float ty, float limite)
{
    const uint64_t h = vecteurs::Lire6(p0);
    const uint64_t b = vecteurs::Lire6(p0 + pas);
    const __m128i vh = _mm_cvtsi64_si128(static_cast<long long>(h));
    const __m128i vb = _mm_cvtsi64_si128(static_cast<long long>(b));
    const __m128 h0 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(vh));
    const __m128 h1 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(vh, 3)));
    const __m128 b0 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(vb));
    const __m128 b1 = _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(vb, 3)));
    const __m128 vtx = _mm_set1_ps(tx);
    const __m128 vty = _mm_set1_ps(ty);
    const __m128 haut = _mm_add_ps(h0, _mm_mul_ps(vtx, _mm_sub_ps(h1, h0)));
    const __m128 bas = _mm_add_ps(b0, _mm_mul_ps(vtx, _mm_sub_ps(b1, b0)));
    const __m128 c = _mm_add_ps(haut, _mm_mul_ps(vty, _mm_sub_ps(bas, haut)));
    const __m128 r = _mm_round_ps(c, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
    const __m128 ecart = _mm_and_ps(_mm_sub_ps(c, r), _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
    if ((_mm_movemask_ps(_mm_cmplt_ps(ecart, _mm_set1_ps(limite))) & 7) != 7)
        return false;
    const __m128i n = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(r, _mm_setzero_ps()), _mm_set1_ps(255.0f)));
    const __m128i o = _mm_packus_epi16(_mm_packus_epi32(n, n), _mm_setzero_si128());
    const uint32_t trois = static_cast<uint32_t>(_mm_cvtsi128_si32(o));
    std::memcpy(&Dest, &trois, 3);
    return true;
}

}  // namespace

#define NOYAUX "core/NoyauxGeometrie.inc"
#include "core/InclureNoyaux.h"

namespace {

// Une ligne tournée au plus proche voisin : les pixels par quatre, puis le
// reste. Sans rotation ou d'un quart de tour, les positions double sont exactes.
void LigneProcheVoisin(TPixel* Lig, int64_t y, long double oySin, long double oyCos, const TRotation& Rot,
                       const TSource& S, bool Exactes)
{
    const auto refaire = [&](int x) { PixelProcheVoisin(Lig[x], x, oySin, oyCos, Rot, S); };
    const int64_t oy = y - Rot.cy;
    const int x = Avx2Actif() ? avx2::LigneTourneeProcheVoisin(Lig, oy, Rot, S, Exactes, refaire)
                              : sse4::LigneTourneeProcheVoisin(Lig, oy, Rot, S, Exactes, refaire);
    for (int k = x; k < Rot.W; ++k)
        refaire(k);
}

// Une ligne tournée en bilinéaire : les pixels par quatre, puis le reste.
void LigneBilineaire(TPixel* Lig, int64_t y, long double oySin, long double oyCos, const TRotation& Rot,
                     const TSource& S)
{
    const auto refaire = [&](int x) { PixelBilineaire(Lig[x], x - Rot.cx, oySin, oyCos, Rot, S); };
    const int64_t oy = y - Rot.cy;
    const int x = Avx2Actif() ? avx2::LigneTourneeBilineaire(Lig, oy, Rot, S, refaire)
                              : sse4::LigneTourneeBilineaire(Lig, oy, Rot, S, refaire);
    for (int k = x; k < Rot.W; ++k)
        refaire(k);
}

// Rotation puis décalage, communs aux deux routines d'horizontalité. Un
// échantillon que la source réelle ne contient pas laisse la cellule telle
// quelle, sans jamais lire hors de la source.
void TournerEtDecaler(int NumImg, int Decal, const TSource& SourceCommune)
{
    const TInfosImg& R = ImgsAssemblage[NumImg];
    TRotation Rot;
    Rot.W = std::max(R.Largeur, 0);
    Rot.H = std::max(R.Hauteur, 0);
    TPtImg& T = TableImage(NumImg, Rot.W, Rot.H);

    // Deux points confondus ne donnent pas d'angle : pas de rotation.
    if (!AngleHorizon(R, Rot.sinA, Rot.cosA)) {
        Rot.sinA = 0.0L;
        Rot.cosA = 1.0L;
    }
    Rot.sinD = static_cast<double>(Rot.sinA);
    Rot.cosD = static_cast<double>(Rot.cosA);

    Rot.cx = Rot.W / 2;
    Rot.cy = Rot.H / 2;
    Rot.D = Decal;
    Rot.y0 = Rot.D < 0 ? -Rot.D : 0;
    Rot.y1 = Rot.D < 0 ? Rot.H - 1 : Rot.H - 1 - Rot.D;
    const int mode = ModeDeformation();
    const TRotation& RotCommune = Rot;
    const TSource& S = SourceCommune;

    if (mode == 0 || mode == 1) {
        // Sans rotation ou d'un quart de tour, u et v tombent sur les pixels :
        // le bilinéaire rend exactement le plus proche voisin.
        const bool droit =
            (Rot.sinA == 0.0L || Rot.cosA == 0.0L) && S.largeur >= Rot.W && S.hauteur >= Rot.H;
        const int64_t yDebut = std::max<int64_t>(Rot.y0, 0);
        const int64_t yFin = std::min<int64_t>(Rot.y1, Rot.H - 1);
        ParallelLignes(static_cast<int>(std::max<int64_t>(yFin - yDebut + 1, 0)), [&](int debut, int fin) {
            // Copies locales : les écritures dans la table ne peuvent pas les
            // modifier, le compilateur les garde en registres.
            const TRotation Rot = RotCommune;
            const TSource S = SourceCommune;
            for (int64_t y = yDebut + debut; y < yDebut + fin; ++y) {
                TPixel* lig = T.Ligne(static_cast<int>(y));
                const long double oy = y - Rot.cy;
                const long double oySin = oy * Rot.sinA;
                const long double oyCos = oy * Rot.cosA;
                if (mode == 0 || droit)
                    LigneProcheVoisin(lig, y, oySin, oyCos, Rot, S, droit);
                else
                    LigneBilineaire(lig, y, oySin, oyCos, Rot, S);
            }
        });
    }

    // Lignes que le décalage découvre.
    if (Rot.D < 0)
        Remplir(T, 0, static_cast<int>(std::min<int64_t>(-Rot.D - 1, Rot.H - 1)));
    else if (Rot.D > 0)
        Remplir(T, static_cast<int>(std::max<int64_t>(Rot.H - Rot.D, 0)), Rot.H - 1);
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
        if (TableTravail.Largeur() != T.Largeur() || TableTravail.Hauteur() != T.Hauteur())
            TableTravail.SetLength(T.Largeur(), T.Hauteur());
        if (!T.Vide())
            std::memcpy(TableTravail.Ligne(0), T.Ligne(0),
                        static_cast<size_t>(T.Largeur()) * T.Hauteur() * sizeof(TPixel));
        return;
    }

    const int W = Bmp->Width();
    const int H = Bmp->Height();
    TableImage(NumImg, W, H);
    const TSource S = SourceBitmap(*Bmp);
    const long double f = R.CoefFuite;
    const int cx = W / 2;
    const int cy = H / 2;

    // Facteur de raccourcissement de chaque colonne, en étendu et en
    // double. Une image d'une seule colonne n'a que sa colonne du milieu,
    // que rien ne raccourcit.
    std::vector<long double> s(static_cast<size_t>(W));
    std::vector<double> sD(static_cast<size_t>(W));
    for (int x = 0; x < W; ++x) {
        const long double d = cx != 0 ? static_cast<long double>(x - cx) / cx : 0.0L;
        s[x] = (1.0L + f) - f * std::sqrt(d * d + 1.0L);
        sD[x] = static_cast<double>(s[x]);
    }

    // La ligne source est d'abord calculée en double ; le pixel est refait
    // en étendu dès qu'elle tombe trop près d'un entier ou un canal trop
    // près d'une moitié. La table de travail reçoit chaque ligne finie.
    if (TableTravail.Largeur() != W || TableTravail.Hauteur() != H)
        TableTravail.SetLength(W, H);
    ParallelLignes(H, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y) {
            TPixel* lig = T.Ligne(y);
            const int ecart = cy - y;
            const auto refaire = [&](int x) { PixelFuite(lig[x], cy - ecart / s[x], x, H, S); };
            int x = Avx2Actif() ? avx2::LigneFuite(lig, H, cy, ecart, sD.data(), S, refaire)
                                : sse4::LigneFuite(lig, H, cy, ecart, sD.data(), S, refaire);
            for (; x < W; ++x) {
                const double q = ecart / sD[x];
                const double v = cy - q;
                const double marge = 1e-12 * (std::fabs(q) + std::fabs(v) + 1.0);
                double fv;
                if (!EntierSur(v, marge, fv)) {
                    refaire(x);
                    continue;
                }
                if (fv < 0 || fv > H - 2) {
                    lig[x] = CouleurFond;
                    continue;
                }
                const double t = v - fv;
                const uint8_t* p0 = S.Pixel(x, static_cast<int64_t>(fv));
                const uint8_t* p1 = p0 + S.pas;
                const double b = OctetD[p0[0]] + t * (OctetD[p1[0]] - OctetD[p0[0]]);
                const double vv = OctetD[p0[1]] + t * (OctetD[p1[1]] - OctetD[p0[1]]);
                const double r = OctetD[p0[2]] + t * (OctetD[p1[2]] - OctetD[p0[2]]);
                if (!OctetsApproches(b, vv, r, 0.5 - (1e-9 + 255.0 * marge), &lig[x].B))
                    refaire(x);
            }
            std::memcpy(TableTravail.Ligne(y), lig, static_cast<size_t>(W) * sizeof(TPixel));
        }
    });
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
