// Boucle vectorielle de la déformation, incluse deux fois par
// AssemblageDeformation.cpp : une fois pour SSE4.1, une fois pour AVX2.

template <int N>
struct TVecteurs
{
    typedef double D __attribute__((vector_size(8 * N)));
    typedef int64_t L __attribute__((vector_size(8 * N)));
    typedef int32_t I __attribute__((vector_size(4 * N)));
};
typedef double D4 __attribute__((vector_size(32)));
typedef int32_t I4 __attribute__((vector_size(16)));

// Trois octets B, V, R d'un pixel rangés dans un entier.
[[gnu::always_inline]] inline uint32_t Lire3(const uint8_t* p)
{
    uint16_t a;
    std::memcpy(&a, p, 2);
    return a | static_cast<uint32_t>(p[2]) << 16;
}

// Canal k de pixel en double, dans la voie k (la quatrième à zéro).
[[gnu::always_inline]] inline void Canaux(uint32_t pixel, D4& v)
{
    const __m128i q = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(pixel)));
    v = __builtin_convertvector((I4)q, D4);
}

// Les deux premiers entiers 32 bits en double.
template <class D>
[[gnu::always_inline]] inline void EnDouble(const __m128i& q, D& d)
{
    static_assert(sizeof(D) == sizeof(__m128d));
    const __m128d v = _mm_cvtepi32_pd(q);
    std::memcpy(&d, &v, sizeof(d));
}

// Arrondi en une instruction : Sens vaut _MM_FROUND_TO_NEAREST_INT (au plus
// proche, moitiés paires) ou _MM_FROUND_TO_NEG_INF (partie entière).
template <int N, int Sens, class D>
[[gnu::always_inline]] inline void Arrondir(const D& x, D& r)
{
    constexpr int mode = Sens | _MM_FROUND_NO_EXC;
    if constexpr (N == 4) {
        __m256d v;
        std::memcpy(&v, &x, sizeof(v));
        v = _mm256_round_pd(v, mode);
        std::memcpy(&r, &v, sizeof(v));
    } else {
        __m128d v;
        std::memcpy(&v, &x, sizeof(v));
        v = _mm_round_pd(v, mode);
        std::memcpy(&r, &v, sizeof(v));
    }
}

// Vrai si toutes les voies du masque sont vraies.
template <int N, class L>
[[gnu::always_inline]] inline bool Tous(const L& m)
{
    if constexpr (N == 4) {
        __m256d v;
        std::memcpy(&v, &m, sizeof(v));
        return _mm256_movemask_pd(v) == 15;
    } else {
        __m128d v;
        std::memcpy(&v, &m, sizeof(v));
        return _mm_movemask_pd(v) == 3;
    }
}

// Quatre octets lus à octet[k] + decal pour chacune des N voies.
template <int N>
[[gnu::always_inline]] inline __m128i Lire4(const uint8_t* source, const int32_t* octet, int64_t decal)
{
    const auto mot = [&](int k) {
        int32_t v;
        std::memcpy(&v, source + octet[k] + decal, 4);
        return v;
    };
    __m128i q = _mm_cvtsi32_si128(mot(0));
    q = _mm_insert_epi32(q, mot(1), 1);
    if constexpr (N == 4) {
        q = _mm_insert_epi32(q, mot(2), 2);
        q = _mm_insert_epi32(q, mot(3), 3);
    }
    return q;
}

// Les trois premiers octets de chacune des N voies, rangés côte à côte.
template <int N>
[[gnu::always_inline]] inline void RangerVoies(__m128i q, uint8_t* d)
{
    const __m128i t =
        _mm_shuffle_epi8(q, _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    if constexpr (N == 4) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d), t);
        const int32_t b = _mm_extract_epi32(t, 2);
        std::memcpy(d + 8, &b, 4);
    } else {
        const int32_t a = _mm_cvtsi128_si32(t);
        const int16_t b = static_cast<int16_t>(_mm_extract_epi16(t, 2));
        std::memcpy(d, &a, 4);
        std::memcpy(d + 4, &b, 2);
    }
}

// Pixel lu (au plus proche) ou interpolé (bilinéaire) à partir de la cellule
// p0 ; bon devient faux quand un canal est trop près d'une moitié.
template <int Mode>
[[gnu::always_inline]] inline uint32_t Echantillon(const uint8_t* p0, int64_t pasSource, double fx,
                                                   double fy, double limite, bool& bon)
{
    if constexpr (Mode == 0) {
        return Lire3(p0);
    } else {
        const double gx = 1.0 - fx, gy = 1.0 - fy;
        const double w00 = gx * gy, w10 = fx * gy, w11 = fx * fy, w01 = gx * fy;
        const uint8_t* p1 = p0 + pasSource;
        D4 q00, q10, q11, q01;
        Canaux(Lire3(p0), q00);
        Canaux(Lire3(p0 + 3), q10);
        Canaux(Lire3(p1 + 3), q11);
        Canaux(Lire3(p1), q01);
        const D4 v = ((q00 * w00 + q10 * w10) + q11 * w11) + q01 * w01;
        const D4 r = (v + Magique) - Magique;
        const D4 e = (D4)((typename TVecteurs<4>::L)(v - r) & SansSigne);
        bon = bon && e[0] < limite && e[1] < limite && e[2] < limite;
        const I4 n = __builtin_convertvector(r, I4);
        const __m128i o =
            _mm_packus_epi16(_mm_packus_epi32((__m128i)n, (__m128i)n), _mm_setzero_si128());
        return static_cast<uint32_t>(_mm_cvtsi128_si32(o)) & 0xFFFFFF;
    }
}

// Les N pixels d'un bloc interpolés ensemble, une voie par pixel, canal par
// canal : mêmes opérations que Echantillon. Faux si un canal est trop près
// d'une moitié.
template <int N>
[[gnu::always_inline]] inline bool BlocBilineaire(const uint8_t* source, const int32_t* octet,
                                                  int64_t pasSource, const double* fxs,
                                                  const double* fys, double limite, __m128i& pixels)
{
    using D = typename TVecteurs<N>::D;
    using L = typename TVecteurs<N>::L;
    using I = typename TVecteurs<N>::I;
    D fx, fy;
    std::memcpy(&fx, fxs, sizeof(D));
    std::memcpy(&fy, fys, sizeof(D));
    const D gx = 1.0 - fx, gy = 1.0 - fy;
    const D w00 = gx * gy, w10 = fx * gy, w11 = fx * fy, w01 = gx * fy;
    L sur = (L){} - 1;
    // Les trois octets arrondis, 0 à 255 (poids positifs de somme 1),
    // assemblés en double sans erreur : B + 256·V + 65536·R.
    D assemble = D{};
    // Canal n interpolé à partir des quatre échantillons, une voie par pixel.
    const auto interpoler = [&](int n, const D& d00, const D& d10, const D& d11, const D& d01) {
        const D v = ((d00 * w00 + d10 * w10) + d11 * w11) + d01 * w01;
        D r;
        Arrondir<N, _MM_FROUND_TO_NEAREST_INT>(v, r);
        sur &= (D)((L)(v - r) & SansSigne) < limite;
        assemble += r * static_cast<double>(1 << (8 * n));
    };
    if constexpr (N == 4) {
        // Huit octets lus à la cellule de chaque ligne : pixels u et u + 1
        // (l'appelant garde une ligne de marge sous v + 1). Pixels 0 et 1
        // dans la moitié basse, 2 et 3 dans la haute.
        const auto ligne = [&](int64_t decal) {
            const auto huit = [&](int k) {
                int64_t v;
                std::memcpy(&v, source + octet[k] + decal, 8);
                return v;
            };
            const __m128i a = _mm_insert_epi64(_mm_cvtsi64_si128(huit(0)), huit(1), 1);
            const __m128i b = _mm_insert_epi64(_mm_cvtsi64_si128(huit(2)), huit(3), 1);
            return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
        };
        const __m256i haut = ligne(0), bas = ligne(pasSource);
        // Un octet au bas de chaque mot de 64 bits, sous l'exposant de 2^52 :
        // le double 2^52 + octet, exact.
        const __m256i exposant = _mm256_set1_epi64x(0x4330000000000000LL);
        const auto octets = [&](const __m256i& t, int k, D& d) {
            const __m256i m = _mm256_setr_epi8(k, -1, -1, -1, -1, -1, -1, -1, 8 + k, -1, -1, -1, -1,
                                               -1, -1, -1, k, -1, -1, -1, -1, -1, -1, -1, 8 + k, -1,
                                               -1, -1, -1, -1, -1, -1);
            const __m256d v = _mm256_sub_pd(
                _mm256_castsi256_pd(_mm256_or_si256(_mm256_shuffle_epi8(t, m), exposant)),
                _mm256_castsi256_pd(exposant));
            std::memcpy(&d, &v, sizeof(d));
        };
#pragma GCC unroll 3
        for (int n = 0; n < 3; ++n) {
            // Octet n du pixel u, octet 3 + n du pixel u + 1.
            D d00, d10, d11, d01;
            octets(haut, n, d00);
            octets(haut, 3 + n, d10);
            octets(bas, n, d01);
            octets(bas, 3 + n, d11);
            interpoler(n, d00, d10, d11, d01);
        }
    } else {
        // Quatre octets lus à la cellule et deux plus loin : la première
        // lecture porte le pixel u, la seconde le pixel u + 1, sans dépasser
        // la ligne.
        const __m128i q00 = Lire4<N>(source, octet, 0), q10 = Lire4<N>(source, octet, 2);
        const __m128i q01 = Lire4<N>(source, octet, pasSource);
        const __m128i q11 = Lire4<N>(source, octet, pasSource + 2);
#pragma GCC unroll 3
        for (int n = 0; n < 3; ++n) {
            // Octet n de chaque voie, et octet n + 1 pour les lectures décalées.
            const __m128i m0 = _mm_setr_epi8(n, -1, -1, -1, 4 + n, -1, -1, -1, 8 + n, -1, -1, -1,
                                             12 + n, -1, -1, -1);
            const __m128i m1 =
                _mm_add_epi8(m0, _mm_setr_epi8(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0));
            D d00, d10, d11, d01;
            EnDouble(_mm_shuffle_epi8(q00, m0), d00);
            EnDouble(_mm_shuffle_epi8(q10, m1), d10);
            EnDouble(_mm_shuffle_epi8(q11, m1), d11);
            EnDouble(_mm_shuffle_epi8(q01, m0), d01);
            interpoler(n, d00, d10, d11, d01);
        }
    }
    const I p = __builtin_convertvector(assemble, I);
    pixels = _mm_setzero_si128();
    std::memcpy(&pixels, &p, sizeof(p));
    return Tous<N>(sur);
}

template <int Mode, int N>
[[gnu::always_inline]] inline void LigneVecteur(const TContexte& c, int y)
{
    using D = typename TVecteurs<N>::D;
    using L = typename TVecteurs<N>::L;
    TLigne l = PreparerLigne(c, y);
    const int W = c.W;
    const int H = c.H;
    const int64_t s = l.s;
    // Sans panoramique, toute la ligne sauf le dernier pixel : chaque
    // pixel de la table s'écrit sur quatre octets, le suivant recouvrant le
    // quatrième.
    const int xDebut = l.pano ? c.xDebut : 0;
    const int xFin = l.pano ? std::min(c.xFin, W - 1) : W - 1;
    int x = 0;
    for (; x < xDebut; ++x)
        PixelScalaire<Mode>(c, l, x);
    uint8_t* dest = reinterpret_cast<uint8_t*>(l.dest);
    int gauche = l.gauche;
    const int xPano = c.xPano;
    const uint8_t* source = &c.source.Ligne(0)->B;
    const int64_t pasSource = 3 * static_cast<int64_t>(W);
    const D a1y = D{} + l.a1yD, b1y = D{} + l.b1yD, ly = D{} + l.lyD, a3 = D{} + l.a3D,
            b3 = D{} + l.b3D;
    const double borneU0 = static_cast<double>(std::max<int64_t>(0, s + 1));
    // Bornes du cas courant : dessiné (u > s + 2) ; en bilinéaire, les
    // cellules voisines de la partie entière le sont aussi. Les lectures par
    // mots laissent à la boucle générale la dernière ligne au plus proche, les
    // deux dernières en bilinéaire.
    const double borneRapide = static_cast<double>(std::max<int64_t>(Mode, s + 3 + Mode));
    const double minV = Mode;
    const double borneDessin = static_cast<double>(s + 3);
    const double maxU = Mode == 0 ? W - 1 : W - 2;
    const double maxV = Mode == 0 ? H - 1 : H - 2;
    const double maxURapide = Mode == 0 ? W - 1 : W - 3;
    const double maxVRapide = Mode == 0 ? H - 2 : H - 3;
    const double bordU = W - 1, bordV = H - 1;
    const double jonction1 = static_cast<double>(s + 1);
    for (; x + N <= xFin; x += N) {
        // Les mêmes opérations que la voie scalaire, dans le même ordre.
        D a0x, a2x, b0x, b2x;
        std::memcpy(&a0x, c.a0xD + x, sizeof(D));
        std::memcpy(&a2x, c.a2xD + x, sizeof(D));
        std::memcpy(&b0x, c.b0xD + x, sizeof(D));
        std::memcpy(&b2x, c.b2xD + x, sizeof(D));
        const D fu = ((a0x + a1y) + a2x * ly) + a3;
        const D fv = ((b0x + b1y) + b2x * ly) + b3;
        // Positions candidates : au plus proche, l'arrondi, sûr à plus de la
        // marge d'une moitié ; en bilinéaire, la partie entière, dont la
        // cellule voisine donne la même valeur à la limite des canaux près.
        D eu, ev, du, dv;
        if constexpr (Mode == 0) {
            Arrondir<N, _MM_FROUND_TO_NEAREST_INT>(fu, eu);
            Arrondir<N, _MM_FROUND_TO_NEAREST_INT>(fv, ev);
            du = (D)((L)(fu - eu) & SansSigne);
            dv = (D)((L)(fv - ev) & SansSigne);
        } else {
            Arrondir<N, _MM_FROUND_TO_NEG_INF>(fu, eu);
            Arrondir<N, _MM_FROUND_TO_NEG_INF>(fv, ev);
        }
        uint8_t* d = dest + 3 * static_cast<int64_t>(x);
        // Cas courant : N pixels écrits et dessinés côte à côte, loin de
        // toute borne où le recours pourrait trancher autrement.
        L rapide = (eu >= borneRapide) & (eu <= maxURapide) & (ev >= minV) & (ev <= maxVRapide);
        if constexpr (Mode == 0)
            rapide &= (du < 0.5 - l.margeU) & (dv < 0.5 - l.margeV);
        if (Tous<N>(rapide)) {
            // Décalage en octets de la source : entier exact en double, et
            // dans les 32 bits (l'appelant a vérifié la taille de la table).
            const D decalage = (ev * static_cast<double>(W) + eu) * 3.0;
            alignas(16) int32_t octet[N];
            const auto entiers = __builtin_convertvector(decalage, typename TVecteurs<N>::I);
            std::memcpy(octet, &entiers, sizeof(octet));
            __m128i pixels;
            bool bon = true;
            if constexpr (Mode == 0) {
                pixels = Lire4<N>(source, octet, 0);
            } else {
                alignas(32) double fx[N], fy[N];
                const D vx = fu - eu;
                const D vy = fv - ev;
                std::memcpy(fx, &vx, sizeof(vx));
                std::memcpy(fy, &vy, sizeof(vy));
                bon = BlocBilineaire<N>(source, octet, pasSource, fx, fy, l.limite, pixels);
            }
            if (bon) {
                RangerVoies<N>(pixels, d);
                if (l.pano) {
                    const int X = x + xPano;
                    RangerVoies<N>(pixels, l.pano + 3 * static_cast<int64_t>(X));
                    gauche = std::min(gauche, X);
                }
                continue;
            }
        }
        // Cas général : chaque pixel selon ses bornes, recours en étendu près
        // d'une frontière d'arrondi.
        const L loin = ((D)((L)fu & SansSigne) < 1e9) & ((D)((L)fv & SansSigne) < 1e9);
        L recours, presU, presV;
        if constexpr (Mode == 0) {
            recours = ~(loin & (du < 0.5 - l.margeU) & (dv < 0.5 - l.margeV));
        } else {
            D ru, rv;
            Arrondir<N, _MM_FROUND_TO_NEAREST_INT>(fu, ru);
            Arrondir<N, _MM_FROUND_TO_NEAREST_INT>(fv, rv);
            presU = ~((D)((L)(fu - ru) & SansSigne) > l.margeU);
            presV = ~((D)((L)(fv - rv) & SansSigne) > l.margeV);
            // Tout près d'un entier, l'arrondi sert de cellule.
            eu = (D)(((L)ru & presU) | ((L)eu & ~presU));
            ev = (D)(((L)rv & presV) | ((L)ev & ~presV));
            recours = ~loin;
        }
        if constexpr (Mode == 1) {
            const L douteuxU =
                presU & ((eu == 0.0) | (eu == bordU) | (eu == jonction1) | (eu == borneDessin));
            const L douteuxV = presV & ((ev == 0.0) | (ev == bordV));
            recours |= douteuxU | douteuxV;
        }
        const L ecrit = ~recours & (eu >= borneU0) & (eu <= maxU) & (ev >= 0.0) & (ev <= maxV);
        const L dessin = ecrit & (eu >= borneDessin);
        if (Tous<N>(~ecrit & ~recours)) {
            std::memset(d, 0, 3 * N);
            continue;
        }
        // Hors des pixels écrits, une position quelconque convertie sans risque.
        const D euS = (D)((L)eu & ecrit);
        const D evS = (D)((L)ev & ecrit);
        const D decalage = (evS * static_cast<double>(W) + euS) * 3.0;
        alignas(16) int32_t octet[N];
        const auto entiers = __builtin_convertvector(decalage, typename TVecteurs<N>::I);
        std::memcpy(octet, &entiers, sizeof(octet));
        alignas(32) double fx[N], fy[N];
        if constexpr (Mode == 1) {
            const D vx = fu - euS;
            const D vy = fv - evS;
            std::memcpy(fx, &vx, sizeof(vx));
            std::memcpy(fy, &vy, sizeof(vy));
        }
        for (int k = 0; k < N; ++k) {
            const int xk = x + k;
            uint32_t px = 0;
            bool bon = true;
            if (ecrit[k] && !recours[k])
                px = Echantillon<Mode>(source + octet[k], pasSource, fx[k], fy[k], l.limite, bon);
            if (recours[k] || !bon) {
                int64_t u;
                TPixel p;
                const bool e = PixelEtendu<Mode>(c, xk, l, u, p);
                l.gauche = gauche;
                Ecrire(c, l, xk, e, u, p);
                gauche = l.gauche;
                continue;
            }
            std::memcpy(dest + 3 * static_cast<int64_t>(xk), &px, 4);
            if (dessin[k] && l.pano) {
                const int X = xk + xPano;
                std::memcpy(l.pano + 3 * static_cast<int64_t>(X), &px, 3);
                gauche = std::min(gauche, X);
            }
        }
    }
    l.gauche = gauche;
    for (; x < W; ++x)
        PixelScalaire<Mode>(c, l, x);
    if (l.pano)
        c.gaucheDessinee[y] = l.gauche;
}

