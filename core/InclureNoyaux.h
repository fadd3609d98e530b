// Sans garde d'inclusion : compile le fichier de noyaux nommé par NOYAUX une
// fois pour SSE4.1 (espace sse4) et une fois pour AVX2 (espace avx2), avec
// les opérations de core/Vecteurs4.h.

#include "core/Vecteurs4.h"

namespace sse4 {
#include NOYAUX
}
DEBUT_AVX2
namespace avx2 {
#include NOYAUX
}
FIN_AVX2

#undef NOYAUX
