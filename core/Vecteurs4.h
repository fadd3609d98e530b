#pragma once
// Quatre réels double traités ensemble : deux registres SSE4.1 (le minimum de
// la compilation) ou un registre AVX2 quand le processeur l'a. Un noyau de
// pixels s'écrit une fois avec ces opérations ; core/InclureNoyaux.h le
// compile dans les espaces sse4 et avx2 et le choix se fait à l'exécution.

#include <cstdint>
#include <cstring>

#include <immintrin.h>

#include "core/CibleAvx2.h"

// Vrai quand le processeur a l'AVX2 ; les tests le remettent à faux pour
// comparer aussi le chemin SSE4.1.
inline bool& Avx2Actif()
{
    static bool actif = __builtin_cpu_supports("avx2");
    return actif;
}

// Opérations communes aux deux largeurs, sur des entiers 32 bits.
namespace vecteurs {

inline uint32_t Lire4(const uint8_t* p)
{
    uint32_t m;
    std::memcpy(&m, p, 4);
    return m;
}

// Douze octets de trois vecteurs de 4 entiers 0..255, rangés l'un après l'autre.
inline void Ecrire12(__m128i a, __m128i b, __m128i c, uint8_t* p)
{
    const __m128i o = _mm_packus_epi16(_mm_packus_epi32(a, b), _mm_packus_epi32(c, c));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), o);
    const uint32_t fin = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(o, 8)));
    std::memcpy(p + 8, &fin, 4);
}

// Même chose pour trois canaux B, V, R de quatre pixels : pixels entrelacés.
inline void Ecrire12Canaux(__m128i b, __m128i v, __m128i r, uint8_t* p)
{
    const __m128i o = _mm_packus_epi16(_mm_packus_epi32(b, v), _mm_packus_epi32(r, r));
    const __m128i pixels =
        _mm_shuffle_epi8(o, _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, 12, 13, 14, 15));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pixels);
    const uint32_t fin = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(pixels, 8)));
    std::memcpy(p + 8, &fin, 4);
}

// Quatre mots de quatre octets B, V, R, x vers les canaux : octets 0..3 les B,
// 4..7 les V, 8..11 les R.
inline __m128i Canaux(uint32_t m0, uint32_t m1, uint32_t m2, uint32_t m3)
{
    const __m128i w = _mm_setr_epi32(static_cast<int>(m0), static_cast<int>(m1), static_cast<int>(m2),
                                     static_cast<int>(m3));
    return _mm_shuffle_epi8(w, _mm_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15));
}

// Deux pixels voisins (6 octets) lus en 4 + 2 octets : B0 V0 R0 B1 V1 R1.
inline uint64_t Lire6(const uint8_t* p)
{
    uint32_t bas;
    uint16_t haut;
    std::memcpy(&bas, p, 4);
    std::memcpy(&haut, p + 4, 2);
    return bas | static_cast<uint64_t>(haut) << 32;
}

// Quatre paires de pixels voisins (huit octets lus pour six) vers leurs
// canaux, un octet par paire : BV = B gauches, V gauches, B droits, V droits ;
// R = R gauches, R droits.
inline void CanauxPaires(const uint8_t* p0, const uint8_t* p1, const uint8_t* p2, const uint8_t* p3,
                         __m128i& BV, __m128i& R)
{
    const auto huit = [](const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
    const __m128i ordre = _mm_setr_epi8(0, 8, 1, 9, 3, 11, 4, 12, 2, 10, 5, 13, -1, -1, -1, -1);
    const __m128i a = _mm_shuffle_epi8(_mm_unpacklo_epi64(huit(p0), huit(p1)), ordre);
    const __m128i b = _mm_shuffle_epi8(_mm_unpacklo_epi64(huit(p2), huit(p3)), ordre);
    BV = _mm_unpacklo_epi16(a, b);
    R = _mm_unpackhi_epi16(a, b);
}

}  // namespace vecteurs

namespace sse4 {

struct V4
{
    __m128d b, h;  // voies 0-1 et 2-3
};

inline V4 operator+(V4 a, V4 c) { return {_mm_add_pd(a.b, c.b), _mm_add_pd(a.h, c.h)}; }
inline V4 operator-(V4 a, V4 c) { return {_mm_sub_pd(a.b, c.b), _mm_sub_pd(a.h, c.h)}; }
inline V4 operator*(V4 a, V4 c) { return {_mm_mul_pd(a.b, c.b), _mm_mul_pd(a.h, c.h)}; }
inline V4 operator/(V4 a, V4 c) { return {_mm_div_pd(a.b, c.b), _mm_div_pd(a.h, c.h)}; }
inline V4 Diffuser(double x) { return {_mm_set1_pd(x), _mm_set1_pd(x)}; }
inline V4 Quatre(double a, double b, double c, double d) { return {_mm_setr_pd(a, b), _mm_setr_pd(c, d)}; }
inline V4 Charger(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
inline void Ranger(double* p, V4 a)
{
    _mm_storeu_pd(p, a.b);
    _mm_storeu_pd(p + 2, a.h);
}
inline V4 Arrondi(V4 a)
{
    constexpr int mode = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
    return {_mm_round_pd(a.b, mode), _mm_round_pd(a.h, mode)};
}
inline V4 Plancher(V4 a) { return {_mm_floor_pd(a.b), _mm_floor_pd(a.h)}; }
inline V4 Tronquer(V4 a)
{
    constexpr int mode = _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC;
    return {_mm_round_pd(a.b, mode), _mm_round_pd(a.h, mode)};
}
inline V4 Abs(V4 a)
{
    const __m128d sansSigne = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    return {_mm_and_pd(a.b, sansSigne), _mm_and_pd(a.h, sansSigne)};
}
inline V4 Min(V4 a, V4 c) { return {_mm_min_pd(a.b, c.b), _mm_min_pd(a.h, c.h)}; }
inline V4 Max(V4 a, V4 c) { return {_mm_max_pd(a.b, c.b), _mm_max_pd(a.h, c.h)}; }
// Masques : faux pour un NaN.
inline V4 Inf(V4 a, V4 c) { return {_mm_cmplt_pd(a.b, c.b), _mm_cmplt_pd(a.h, c.h)}; }
inline V4 InfEgal(V4 a, V4 c) { return {_mm_cmple_pd(a.b, c.b), _mm_cmple_pd(a.h, c.h)}; }
inline V4 Et(V4 a, V4 c) { return {_mm_and_pd(a.b, c.b), _mm_and_pd(a.h, c.h)}; }
inline V4 Ou(V4 a, V4 c) { return {_mm_or_pd(a.b, c.b), _mm_or_pd(a.h, c.h)}; }
inline int Bits(V4 m) { return _mm_movemask_pd(m.b) | _mm_movemask_pd(m.h) << 2; }
inline V4 Choisir(V4 m, V4 si, V4 sinon)
{
    return {_mm_blendv_pd(sinon.b, si.b, m.b), _mm_blendv_pd(sinon.h, si.h, m.h)};
}
// Quatre octets (le premier en poids faible) vers quatre réels.
inline V4 DepuisOctets(uint32_t m)
{
    const __m128i e = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(m)));
    return {_mm_cvtepi32_pd(e), _mm_cvtepi32_pd(_mm_shuffle_epi32(e, 0xEE))};
}
// Troncature vers quatre entiers 32 bits.
inline __m128i Entiers(V4 a) { return _mm_unpacklo_epi64(_mm_cvttpd_epi32(a.b), _mm_cvttpd_epi32(a.h)); }

// Huit flottants simple précision : les canaux de deux pixels, quatre voies
// chacun.
struct F8
{
    __m128 a, b;
};

inline F8 operator+(F8 x, F8 y) { return {_mm_add_ps(x.a, y.a), _mm_add_ps(x.b, y.b)}; }
inline F8 operator-(F8 x, F8 y) { return {_mm_sub_ps(x.a, y.a), _mm_sub_ps(x.b, y.b)}; }
inline F8 operator*(F8 x, F8 y) { return {_mm_mul_ps(x.a, y.a), _mm_mul_ps(x.b, y.b)}; }
// Quatre réels double en flottants, répétés dans les deux moitiés.
inline F8 Repeter4(const double* p)
{
    const __m128 f = _mm_movelh_ps(_mm_cvtpd_ps(_mm_loadu_pd(p)), _mm_cvtpd_ps(_mm_loadu_pd(p + 2)));
    return {f, f};
}
inline F8 Echanger(F8 x) { return {x.b, x.a}; }
inline F8 DiffuserF(float x) { return {_mm_set1_ps(x), _mm_set1_ps(x)}; }
inline F8 DepuisOctets8(__m128i m)
{
    return {_mm_cvtepi32_ps(_mm_cvtepu8_epi32(m)), _mm_cvtepi32_ps(_mm_cvtepu8_epi32(_mm_srli_si128(m, 4)))};
}
inline F8 Arrondi(F8 x)
{
    constexpr int mode = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
    return {_mm_round_ps(x.a, mode), _mm_round_ps(x.b, mode)};
}
inline F8 Abs(F8 x)
{
    const __m128 sansSigne = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    return {_mm_and_ps(x.a, sansSigne), _mm_and_ps(x.b, sansSigne)};
}
inline F8 Min(F8 x, F8 y) { return {_mm_min_ps(x.a, y.a), _mm_min_ps(x.b, y.b)}; }
inline F8 Max(F8 x, F8 y) { return {_mm_max_ps(x.a, y.a), _mm_max_ps(x.b, y.b)}; }
inline F8 Inf(F8 x, F8 y) { return {_mm_cmplt_ps(x.a, y.a), _mm_cmplt_ps(x.b, y.b)}; }
inline int Bits(F8 m) { return _mm_movemask_ps(m.a) | _mm_movemask_ps(m.b) << 4; }
// Les deux moitiés en entiers.
inline __m128i Bas(F8 x) { return _mm_cvtps_epi32(x.a); }
inline __m128i Haut(F8 x) { return _mm_cvtps_epi32(x.b); }

}  // namespace sse4

DEBUT_AVX2

namespace avx2 {

struct V4
{
    __m256d v;
};

inline V4 operator+(V4 a, V4 c) { return {_mm256_add_pd(a.v, c.v)}; }
inline V4 operator-(V4 a, V4 c) { return {_mm256_sub_pd(a.v, c.v)}; }
inline V4 operator*(V4 a, V4 c) { return {_mm256_mul_pd(a.v, c.v)}; }
inline V4 operator/(V4 a, V4 c) { return {_mm256_div_pd(a.v, c.v)}; }
inline V4 Diffuser(double x) { return {_mm256_set1_pd(x)}; }
inline V4 Quatre(double a, double b, double c, double d) { return {_mm256_setr_pd(a, b, c, d)}; }
inline V4 Charger(const double* p) { return {_mm256_loadu_pd(p)}; }
inline void Ranger(double* p, V4 a) { _mm256_storeu_pd(p, a.v); }
inline V4 Arrondi(V4 a) { return {_mm256_round_pd(a.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)}; }
inline V4 Plancher(V4 a) { return {_mm256_floor_pd(a.v)}; }
inline V4 Tronquer(V4 a) { return {_mm256_round_pd(a.v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC)}; }
inline V4 Abs(V4 a)
{
    return {_mm256_and_pd(a.v, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF)))};
}
inline V4 Min(V4 a, V4 c) { return {_mm256_min_pd(a.v, c.v)}; }
inline V4 Max(V4 a, V4 c) { return {_mm256_max_pd(a.v, c.v)}; }
inline V4 Inf(V4 a, V4 c) { return {_mm256_cmp_pd(a.v, c.v, _CMP_LT_OQ)}; }
inline V4 InfEgal(V4 a, V4 c) { return {_mm256_cmp_pd(a.v, c.v, _CMP_LE_OQ)}; }
inline V4 Et(V4 a, V4 c) { return {_mm256_and_pd(a.v, c.v)}; }
inline V4 Ou(V4 a, V4 c) { return {_mm256_or_pd(a.v, c.v)}; }
inline int Bits(V4 m) { return _mm256_movemask_pd(m.v); }
inline V4 Choisir(V4 m, V4 si, V4 sinon) { return {_mm256_blendv_pd(sinon.v, si.v, m.v)}; }
inline V4 DepuisOctets(uint32_t m)
{
    return {_mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(m))))};
}
inline __m128i Entiers(V4 a) { return _mm256_cvttpd_epi32(a.v); }

struct F8
{
    __m256 v;
};

inline F8 operator+(F8 x, F8 y) { return {_mm256_add_ps(x.v, y.v)}; }
inline F8 operator-(F8 x, F8 y) { return {_mm256_sub_ps(x.v, y.v)}; }
inline F8 operator*(F8 x, F8 y) { return {_mm256_mul_ps(x.v, y.v)}; }
inline F8 Repeter4(const double* p)
{
    const __m128 f = _mm256_cvtpd_ps(_mm256_loadu_pd(p));
    return {_mm256_setr_m128(f, f)};
}
inline F8 Echanger(F8 x) { return {_mm256_permute2f128_ps(x.v, x.v, 1)}; }
inline F8 DiffuserF(float x) { return {_mm256_set1_ps(x)}; }
inline F8 DepuisOctets8(__m128i m) { return {_mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(m))}; }
inline F8 Arrondi(F8 x) { return {_mm256_round_ps(x.v, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC)}; }
inline F8 Abs(F8 x) { return {_mm256_and_ps(x.v, _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF)))}; }
inline F8 Min(F8 x, F8 y) { return {_mm256_min_ps(x.v, y.v)}; }
inline F8 Max(F8 x, F8 y) { return {_mm256_max_ps(x.v, y.v)}; }
inline F8 Inf(F8 x, F8 y) { return {_mm256_cmp_ps(x.v, y.v, _CMP_LT_OQ)}; }
inline int Bits(F8 m) { return _mm256_movemask_ps(m.v); }
inline __m128i Bas(F8 x) { return _mm_cvtps_epi32(_mm256_castps256_ps128(x.v)); }
inline __m128i Haut(F8 x) { return _mm_cvtps_epi32(_mm256_extractf128_ps(x.v, 1)); }

}  // namespace avx2

FIN_AVX2
