#include <cmath>

#include "core/Exif.h"
#include "core/UtilsPano.h"

namespace {

// Premier libellé égal, ou -1.
int Ligne(const TListeExif& L, const char* Libelle)
{
    return L.Libelles.indexOf(QString::fromUtf8(Libelle));
}

}

long double AngleParPixel(const QString& NomFichier)
{
    TExif Exif;
    // Les erreurs de lecture passent à l'appelant ; seule l'exploitation de la
    // liste est protégée.
    if (!Exif.LireFichier(NomFichier))
        return 0.0L;
    const TListeExif& L = Exif.Infos.Liste;
    const int iLargeur = Ligne(L, "Largeur Image");
    const int iFocale = Ligne(L, "Focale équivalente en 24 x 36");
    if (iLargeur < 0 || iFocale < 0)
        return 0.0L;
    bool ok = false;
    const int Largeur = L.Valeurs[iLargeur].section(QLatin1Char(' '), 0, 0).toInt(&ok);
    if (!ok)
        return 0.0L;
    const int F35 = L.Valeurs[iFocale].trimmed().toInt(&ok);
    // Une focale nulle est inconnue ; une largeur nulle ou négative ne mesure rien.
    if (!ok || F35 <= 0 || Largeur <= 0)
        return 0.0L;
    return 2.0L * atanl(18.0L / F35) / Largeur;
}
