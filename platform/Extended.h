#pragma once
// Réels étendus x87 sur 10 octets, tels qu'ils sont rangés dans les
// enregistrements, et les arrondis du langage d'origine.

#include <cmath>
#include <cstdint>
#include <cstring>

static_assert(sizeof(long double) >= 10, "long double doit être le format x87 80 bits");

#pragma pack(push, 1)
struct Extended
{
    uint8_t octets[10];

    Extended() = default;
    Extended(long double v) { *this = v; }  // NOLINT: conversion voulue

    Extended& operator=(long double v)
    {
        std::memcpy(octets, &v, 10);
        return *this;
    }
    operator long double() const  // NOLINT: conversion voulue
    {
        long double v = 0.0L;
        std::memcpy(&v, octets, 10);
        return v;
    }
    uint16_t SigneExposant() const { return static_cast<uint16_t>(octets[8] | (octets[9] << 8)); }
    uint64_t Mantisse() const
    {
        uint64_t m;
        std::memcpy(&m, octets, 8);
        return m;
    }
    static Extended DepuisBits(uint16_t signeExposant, uint64_t mantisse)
    {
        Extended e;
        std::memcpy(e.octets, &mantisse, 8);
        e.octets[8] = static_cast<uint8_t>(signeExposant & 0xFF);
        e.octets[9] = static_cast<uint8_t>(signeExposant >> 8);
        return e;
    }
};
#pragma pack(pop)
static_assert(sizeof(Extended) == 10);

// Round : au plus proche, moitiés vers le pair (mode d'arrondi par défaut).
// fistp en ligne plutôt que llrintl, appel de bibliothèque : même résultat,
// y compris l'entier indéfini hors de portée.
inline int64_t Round(long double v)
{
    int64_t r;
    asm("fistpll %0" : "=m"(r) : "t"(v) : "st");
    return r;
}
// Trunc : vers zéro (fisttp avec -march=x86-64-v2).
inline int64_t Trunc(long double v) { return static_cast<int64_t>(v); }
inline long double Frac(long double v) { return v - static_cast<long double>(Trunc(v)); }

// Pente d'une jonction verticale : 1,00000000000000000003e1000.
inline long double PenteVerticale()
{
    return Extended::DepuisBits(0x4CF8, 0xF38DB1F9DD3DAC06ULL);
}
