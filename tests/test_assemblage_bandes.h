#pragma once
// Bandes de reprise que chaque assemblage peut resserrer pour toute la durée
// du programme : remises à leurs valeurs d'avant à la fin d'un test.

#include "core/UtilsPano.h"

class BandesSauvees
{
public:
    BandesSauvees() : haut_(FracDebutHaut), bas_(FracFinBas) {}
    ~BandesSauvees()
    {
        FracDebutHaut = haut_;
        FracFinBas = bas_;
    }
    BandesSauvees(const BandesSauvees&) = delete;
    BandesSauvees& operator=(const BandesSauvees&) = delete;

private:
    long double haut_, bas_;
};
