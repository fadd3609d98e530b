#include "platform/Cp1252.h"

#include <optional>

#include <QFileInfo>
#include <QStringDecoder>

namespace {
// Caractères de 0x80 à 0x9F ; les cinq positions non attribuées gardent le
// caractère de contrôle de même valeur.
constexpr char16_t Zone80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Octet du caractère, ou rien hors de la page.
std::optional<char> OctetCp1252(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<char>(u);
    for (int i = 0; i < 32; ++i)
        if (Zone80[i] == u)
            return static_cast<char>(0x80 + i);
    return std::nullopt;
}

// Le texte en Windows-1252, ou rien s'il n'y tient pas.
std::optional<std::string> EnCp1252(const QString& texte)
{
    std::string resultat;
    resultat.reserve(static_cast<size_t>(texte.size()));
    for (QChar c : texte) {
        const auto octet = OctetCp1252(c.unicode());
        if (!octet)
            return std::nullopt;
        resultat.push_back(*octet);
    }
    return resultat;
}

// La lecture UTF-8, seulement si l'écrivain a pu produire ces octets.
std::optional<QString> LectureUtf8(std::string_view octets)
{
    // Un BOM de tête reste un caractère : il fait partie du nom écrit.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString texte = utf8(QByteArrayView(octets.data(), static_cast<qsizetype>(octets.size())));
    if (utf8.hasError() || OctetsNom(texte) != octets)
        return std::nullopt;
    return texte;
}

}  // namespace

std::string VersCp1252(const QString& texte)
{
    std::string resultat;
    resultat.reserve(static_cast<size_t>(texte.size()));
    for (QChar c : texte)
        resultat.push_back(OctetCp1252(c.unicode()).value_or('?'));
    return resultat;
}

QString DepuisCp1252(const char* octets, int longueur)
{
    QString resultat;
    resultat.reserve(longueur);
    for (int i = 0; i < longueur; ++i) {
        const auto o = static_cast<unsigned char>(octets[i]);
        resultat.append(QChar(o >= 0x80 && o < 0xA0 ? Zone80[o - 0x80] : char16_t{o}));
    }
    return resultat;
}

QString DepuisCp1252(const std::string& octets)
{
    return DepuisCp1252(octets.data(), static_cast<int>(octets.size()));
}

std::string OctetsNom(const QString& texte)
{
    if (auto cp1252 = EnCp1252(texte))
        return std::move(*cp1252);
    return texte.toUtf8().toStdString();
}

QString TexteNom(std::string_view octets)
{
    if (auto texte = LectureUtf8(octets))
        return std::move(*texte);
    return DepuisCp1252(octets.data(), static_cast<int>(octets.size()));
}

QString NomStocke(std::string_view octets, const QString& dossier)
{
    const QString cp1252 = DepuisCp1252(octets.data(), static_cast<int>(octets.size()));
    const auto utf8 = LectureUtf8(octets);
    if (!utf8 || *utf8 == cp1252)
        return cp1252;
    // Les anciens fichiers de Windows : leur nom existe en Windows-1252.
    const QString chemin = dossier.isEmpty() ? cp1252 : dossier + QLatin1Char('/') + cp1252;
    return QFileInfo::exists(chemin) ? cp1252 : *utf8;
}
