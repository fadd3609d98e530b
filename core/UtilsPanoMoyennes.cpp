#include "core/UtilsPano.h"

#include "platform/Erreur.h"

void MoyenneSegment(const std::vector<double>& Tab, long double& Moy, long double Debut,
                    long double Fin)
{
    const long double hi = static_cast<long double>(static_cast<int64_t>(Tab.size()) - 1);
    const int64_t i1 = Round(Frac(Debut) * hi);
    const int64_t i2 = Round(Frac(Fin) * hi);
    const int64_t taille = static_cast<int64_t>(Tab.size());
    Moy = 0.0L;
    for (int64_t j = i1; j <= i2; ++j)
        // Hors du tampon (tampon vide) un élément ne compte pour rien.
        if (j >= 0 && j < taille)
            Moy = Moy + Tab[static_cast<size_t>(j)];
    const int64_t n = i2 - i1 + 1;
    // Bande vide dont la fin précède juste le début : 0 / 0.
    if (n == 0)
        throw Erreur(MsgOperationIncorrecte);
    Moy = Moy / static_cast<long double>(n);
}
