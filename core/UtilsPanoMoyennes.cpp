#include "core/UtilsPano.h"

#include "platform/Erreur.h"

void BornesSegment(int64_t Taille, long double Debut, long double Fin, int64_t& i1, int64_t& i2)
{
    const long double hi = static_cast<long double>(Taille - 1);
    i1 = Round(Frac(Debut) * hi);
    i2 = Round(Frac(Fin) * hi);
    // Bande vide dont la fin précède juste le début : 0 / 0.
    if (i2 - i1 + 1 == 0)
        throw Erreur(MsgOperationIncorrecte);
}

void MoyenneSegment(const std::vector<double>& Tab, long double& Moy, long double Debut,
                    long double Fin)
{
    const int64_t taille = static_cast<int64_t>(Tab.size());
    int64_t i1, i2;
    BornesSegment(taille, Debut, Fin, i1, i2);
    Moy = 0.0L;
    for (int64_t j = i1; j <= i2; ++j)
        // Hors du tampon (tampon vide) un élément ne compte pour rien.
        if (j >= 0 && j < taille)
            Moy = Moy + Tab[static_cast<size_t>(j)];
    Moy = Moy / static_cast<long double>(i2 - i1 + 1);
}
