#pragma once
// Fonctions compilées pour l'AVX2 entre ces deux marques, avec g++ comme avec
// clang (les cibles de fuzz).
#if defined(__clang__)
#define DEBUT_AVX2 \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define FIN_AVX2 _Pragma("clang attribute pop")
#else
#define DEBUT_AVX2 _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define FIN_AVX2 _Pragma("GCC pop_options")
#endif
