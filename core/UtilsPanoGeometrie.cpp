// Routines géométriques partagées : horizon défini, ordre des points, rotation
// d'un point, copie décalée verticalement.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/UtilsPano.h"
#include "platform/Parallele.h"

bool HorizontaliteDefinie(int NumImg)
{
    if (NumImg < 0 || static_cast<size_t>(NumImg) >= ImgsAssemblage.size())
        return false;
    return HorizonDefini(ImgsAssemblage[NumImg]);
}

bool HorizonDefini(const TInfosImg& Img)
{
    const int milieu = Img.Hauteur / 2;
    return Img.PtsHoriz[0].X != 0 && Img.PtsHoriz[0].Y != milieu && Img.PtsHoriz[1].X != 0 &&
           Img.PtsHoriz[1].Y != milieu;
}

bool AngleHorizon(const TInfosImg& Img, long double& SinA, long double& CosA)
{
    const int64_t dx = static_cast<int64_t>(Img.PtsHoriz[1].X) - Img.PtsHoriz[0].X;
    const int64_t dy = static_cast<int64_t>(Img.PtsHoriz[1].Y) - Img.PtsHoriz[0].Y;
    // Somme sur 64 bits : exacte pour des écarts de moins de 2^31, et la même
    // en réel étendu, donc le même angle pour les points et pour les pixels.
    const int64_t carres = dx * dx + dy * dy;
    if (carres == 0)
        return false;
    const long double L = std::sqrt(static_cast<long double>(carres));
    SinA = static_cast<long double>(dy) / L;
    CosA = static_cast<long double>(dx) / L;
    if (CosA < 0.0L) {
        SinA = -SinA;
        CosA = -CosA;
    }
    return true;
}

void AjusterPointsLignesFuite(TInfosImg& Img)
{
    const int cx = Img.Largeur / 2;
    const int cy = Img.Hauteur / 2;
    // Une image de moins de 2 pixels de large n'a pas de colonne de référence.
    if (cx == 0)
        return;
    const long double f = Img.CoefFuite;
    // Au-delà des bords, un point garde le facteur du bord : il reste entre 0
    // et 1, et le point ne s'envole pas.
    auto corriger = [&](int32_t X, int32_t& Y) {
        const int x = std::clamp(X, 0, 2 * cx);
        const long double d = static_cast<long double>(x - cx) / cx;
        const long double s = (1.0L + f) - f * std::sqrt(d * d + 1.0L);
        Y = static_cast<int32_t>(Round(cy - (cy - static_cast<long double>(Y)) * s));
    };
    for (TPtControle& p : Img.PtsControle)
        corriger(p.X, p.Y);
    for (TPoint32& p : Img.PtsHoriz)
        corriger(p.X, p.Y);
}

bool AjusterPointsHorizon(TInfosImg& Img)
{
    long double sinA, cosA;
    // Deux points d'horizon confondus ne donnent aucun angle : pas de rotation.
    if (!HorizonDefini(Img) || !AngleHorizon(Img, sinA, cosA))
        return false;
    // Les points tournent en sens inverse des pixels.
    const TPoint32 centre = {Img.Largeur / 2, Img.Hauteur / 2};
    for (TPtControle& p : Img.PtsControle) {
        TPoint32 pos = {p.X, p.Y};
        TournerPoint(pos, centre, -sinA, cosA);
        p.X = pos.X;
        p.Y = pos.Y;
    }
    return true;
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
    const long double dx = static_cast<long double>(static_cast<int64_t>(P.X) - C.X);
    const long double dy = static_cast<long double>(static_cast<int64_t>(P.Y) - C.Y);
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
