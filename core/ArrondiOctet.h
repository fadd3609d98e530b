#pragma once
// Arrondi d'une valeur de canal vers un octet, au plus proche avec les
// moitiés vers le pair comme Round(), puis borné à 0..255.

#include <cstdint>

#include "platform/Extended.h"

// llrintl est un appel de bibliothèque : dans une boucle de pixels on ajoute
// puis retranche 2^63, ce qui arrondit dans le mode courant (au plus proche,
// moitiés paires) tant que 0 < x < 255. NaN et les négatifs donnent 0.
inline uint8_t OctetArrondi(long double x)
{
    if (x >= 255.0L)
        return 255;
    if (x > 0.0L)
        return static_cast<uint8_t>(Trunc((x + 0x1p63L) - 0x1p63L));
    return 0;
}
