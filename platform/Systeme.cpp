#include "platform/Systeme.h"

#include <fstream>
#include <sstream>
#include <string>

int ChargeMemoire()
{
    return ChargeMemoire("/proc/meminfo");
}

int ChargeMemoire(const std::string& cheminMeminfo)
{
    // Ligne par ligne : certaines lignes n'ont pas d'unité et décaleraient
    // une lecture mot à mot.
    std::ifstream f(cheminMeminfo);
    std::string ligne;
    long long total = 0, disponible = -1;
    while (std::getline(f, ligne)) {
        std::istringstream mots(ligne);
        std::string cle;
        long long valeur = 0;
        if (!(mots >> cle >> valeur))
            continue;
        if (cle == "MemTotal:")
            total = valeur;
        else if (cle == "MemAvailable:")
            disponible = valeur;
    }
    if (total <= 0 || disponible < 0 || disponible > total)
        return 0;
    return static_cast<int>((total - disponible) * 100 / total);
}

QString VersionPgm()
{
    return QStringLiteral("1.1.1.0");
}
