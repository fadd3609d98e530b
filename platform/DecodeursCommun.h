#pragma once
// Outils partagés par les décodeurs d'images.

#include <cstdint>

#include "platform/Bitmap.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"

[[noreturn]] inline void ImageNonValide()
{
    throw Erreur("Image non valide");
}

[[noreturn]] inline void ImageTropGrande()
{
    throw Erreur(MsgImageTropGrande);
}

// Refuse, avant toute allocation, une taille nulle ou négative, et un décodage
// dont la mémoire dépasserait MemoireDecodageMax : le bitmap, autresParPixel
// octets de tampons par pixel et autresOctets (données lues, lignes de travail).
void VerifierDimensions(int64_t largeur, int64_t hauteur, int64_t autresParPixel, int64_t autresOctets);
// Octets du bitmap d'une image déjà vérifiée.
int64_t OctetsBitmap(int64_t largeur, int64_t hauteur);

// Compose une couleur sur fond blanc selon son opacité (0..255).
inline uint8_t SurBlanc(unsigned couleur, unsigned opacite)
{
    return static_cast<uint8_t>((couleur * opacite + 255u * (255u - opacite) + 127u) / 255u);
}
