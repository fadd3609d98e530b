#include "core/UtilsPano.h"

// Écrit selon le côté de 1 où se trouve le gain, pour garder l'arrondi du
// calcul d'origine de part et d'autre.
long double InterpolerGain(long double Gain, long double t)
{
    if (Gain >= 1.0L)
        return (Gain - 1.0L) * t + 1.0L;
    return 1.0L - (1.0L - Gain) * t;
}
