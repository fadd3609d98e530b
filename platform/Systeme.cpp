#include "platform/Systeme.h"

#include <fstream>
#include <string>

int ChargeMemoire()
{
    std::ifstream f("/proc/meminfo");
    std::string cle;
    long long valeur = 0, total = 0, disponible = -1;
    std::string unite;
    while (f >> cle >> valeur >> unite) {
        if (cle == "MemTotal:")
            total = valeur;
        else if (cle == "MemAvailable:")
            disponible = valeur;
    }
    if (total <= 0 || disponible < 0)
        return 0;
    return static_cast<int>((total - disponible) * 100 / total);
}

QString VersionPgm()
{
    return QStringLiteral("1.1.1.0");
}
