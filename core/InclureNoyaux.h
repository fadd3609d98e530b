// Sans garde d'inclusion : compile le fichier de noyaux nommé par NOYAUX une
// fois pour SSE4.1 (espace sse4) et une fois pour AVX2 (espace avx2), avec
// les opérations de core/Vecteurs4.h.

#include "core/Vecteurs4.h"

namespace sse4 {
#include NOYAUX
}
#pragma GCC push_options
#pragma GCC target("avx2")
namespace avx2 {
#include NOYAUX
}
#pragma GCC pop_options

#undef NOYAUX
