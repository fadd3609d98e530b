// Routines géométriques partagées : horizon défini, ordre des points, rotation
// d'un point, copie décalée verticalement.

#include <algorithm>
#include <cstring>

#include "core/UtilsPano.h"
#include "platform/Parallele.h"

bool HorizontaliteDefinie(int NumImg)
{
    if (NumImg < 0 || static_cast<size_t>(NumImg) >= ImgsAssemblage.size())
        return false;
    const TInfosImg& img = ImgsAssemblage[NumImg];
    const int milieu = img.Hauteur / 2;
    return img.PtsHoriz[0].X != 0 && img.PtsHoriz[0].Y != milieu && img.PtsHoriz[1].X != 0 &&
           img.PtsHoriz[1].Y != milieu;
}

void TrierPoints(TInfosImg Img, char Axe, int (&Ordre)[4])
{
    int32_t v[4];
    for (int k = 0; k < 4; ++k)
        v[k] = Axe == 'Y' ? Img.PtsControle[k].Y : Img.PtsControle[k].X;
    bool pris[4] = {false, false, false, false};
    int n = 0;
    // Balayage circulaire repris là où le dernier choix a eu lieu : l'ordre
    // des ex aequo en dépend.
    for (int j = 0; n < 4; ++j) {
        const int c = j % 4;
        if (pris[c])
            continue;
        bool plusGrand = true;
        for (int e = 1; e < 4 && plusGrand; ++e) {
            const int autre = (c + e) % 4;
            if (!pris[autre] && v[autre] > v[c])
                plusGrand = false;
        }
        if (plusGrand) {
            Ordre[n++] = c + 1;
            pris[c] = true;
        }
    }
}

void TournerPoint(TPoint32& P, TPoint32 C, long double SinA, long double CosA)
{
    const long double dx = static_cast<long double>(P.X - C.X);
    const long double dy = static_cast<long double>(P.Y - C.Y);
    P.X = static_cast<int32_t>(Trunc(dx * CosA - dy * SinA) + C.X);
    P.Y = static_cast<int32_t>(Trunc(dx * SinA + dy * CosA) + C.Y);
}

void DecalerVerticalement(const Bitmap& Bmp, int Largeur, int Hauteur, int Decal, TPtImg& T)
{
    // Bornes prises aussi sur le bitmap et la table : une taille incohérente
    // ne doit jamais lire ni écrire hors des tampons.
    const int largeur = std::min({Largeur, Bmp.Width(), T.Largeur()});
    const int hauteur = std::min(Hauteur, T.Hauteur());
    const int hauteurSource = std::min(Hauteur, Bmp.Height());
    if (largeur <= 0)
        return;
    ParallelLignes(hauteur, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y) {
            TPixel* dest = T.Ligne(y);
            const int64_t s = static_cast<int64_t>(y) + Decal;
            if (s >= 0 && s < hauteurSource)
                std::memcpy(dest, Bmp.Ligne(static_cast<int>(s)), static_cast<size_t>(largeur) * 3);
            else
                std::fill(dest, dest + largeur, CouleurFond);
        }
    });
}
