#pragma once
// Arrondi d'une valeur de canal vers un octet, au plus proche avec les
// moitiés vers le pair comme Round(), puis borné à 0..255.

#include <algorithm>
#include <cmath>
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

// Les boucles de pixels calculent d'abord en double, bien plus rapide que le
// x87. Une valeur double qui s'écarte de moins de m de la valeur étendue donne
// le même octet dès qu'elle est à plus de m d'une moitié, c'est-à-dire à moins
// de Limite = 0,5 − m de son entier le plus proche ; sinon la boucle refait le
// pixel en étendu. Un NaN ou un infini échoue au test.
inline uint8_t OctetBorne(double r)
{
    return static_cast<uint8_t>(static_cast<int>(std::min(std::max(r, 0.0), 255.0)));
}

inline bool OctetsApproches(double xb, double xv, double xr, double Limite, uint8_t* Pixel)
{
    const double rb = std::rint(xb);
    const double rv = std::rint(xv);
    const double rr = std::rint(xr);
    if (!((std::fabs(xb - rb) < Limite) & (std::fabs(xv - rv) < Limite) & (std::fabs(xr - rr) < Limite)))
        return false;
    Pixel[0] = OctetBorne(rb);
    Pixel[1] = OctetBorne(rv);
    Pixel[2] = OctetBorne(rr);
    return true;
}

// Octets en double par table : une lecture au lieu d'une conversion.
struct TOctetsDouble
{
    double v[256];
    constexpr TOctetsDouble() : v()
    {
        for (int k = 0; k < 256; ++k)
            v[k] = k;
    }
    double operator[](uint8_t k) const { return v[k]; }
};
inline constexpr TOctetsDouble OctetD;

// Même idée pour une position de source : sa partie entière est sûre quand
// elle est à plus de Marge d'un entier.
inline bool EntierSur(double x, double Marge, double& Entier)
{
    if (!(x > -1e9 && x < 1e9))
        return false;
    Entier = std::floor(x);
    return x - Entier > Marge && Entier + 1.0 - x > Marge;
}
