#include "platform/Cp1252.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace {
// Caractères de 0x80 à 0x9F ; 0 pour les cinq positions non attribuées.
constexpr char16_t Zone80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}

std::string VersCp1252(const QString& texte)
{
    std::string resultat;
    resultat.reserve(texte.size());
    for (QChar c : texte) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            resultat.push_back(static_cast<char>(u));
            continue;
        }
        char octet = '?';
        for (int i = 0; i < 32; ++i)
            if (Zone80[i] == u && u != 0) {
                octet = static_cast<char>(0x80 + i);
                break;
            }
        resultat.push_back(octet);
    }
    return resultat;
}

QString DepuisCp1252(const char* octets, int longueur)
{
    QString resultat;
    resultat.reserve(longueur);
    for (int i = 0; i < longueur; ++i) {
        const auto o = static_cast<unsigned char>(octets[i]);
        if (o >= 0x80 && o < 0xA0 && Zone80[o - 0x80] != 0)
            resultat.append(QChar(Zone80[o - 0x80]));
        else
            resultat.append(QChar(o));
    }
    return resultat;
}

QString DepuisCp1252(const std::string& octets)
{
    return DepuisCp1252(octets.data(), static_cast<int>(octets.size()));
}

QString NomStocke(const std::string& octets)
{
    const QString cp1252 = DepuisCp1252(octets);
    if (QFileInfo::exists(cp1252))
        return cp1252;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString texte = utf8(QByteArrayView(octets.data(), static_cast<qsizetype>(octets.size())));
    if (!utf8.hasError() && texte != cp1252 && QFileInfo::exists(texte))
        return texte;
    return cp1252;
}
