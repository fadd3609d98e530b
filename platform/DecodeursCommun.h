#pragma once
// Outils partagés par les décodeurs d'images.

#include <cstdint>

#include "platform/Bitmap.h"
#include "platform/Erreur.h"

[[noreturn]] inline void ImageNonValide()
{
    throw Erreur("Image non valide");
}

// Refuse, avant toute allocation, une taille nulle, négative ou trop grande.
void VerifierDimensions(int64_t largeur, int64_t hauteur);

// Compose une couleur sur fond blanc selon son opacité (0..255).
inline uint8_t SurBlanc(unsigned couleur, unsigned opacite)
{
    return static_cast<uint8_t>((couleur * opacite + 255u * (255u - opacite) + 127u) / 255u);
}
