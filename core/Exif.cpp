#include "core/Exif.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

#include <QFileInfo>
#include <QLocale>

#include "platform/Cp1252.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "platform/Extended.h"

namespace {

const char* const MsgDebordement = "Débordement de virgule flottante";

using TEnum = std::initializer_list<std::pair<int, const char*>>;

QString PasEntier(const QString& texte)
{
    return QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texte);
}

// Lecture d'un entier comme StrToInt : un texte qui n'en est pas un est une erreur.
int Nombre(const QString& texte)
{
    bool ok = false;
    const int n = texte.trimmed().toInt(&ok);
    if (!ok)
        throw Erreur(PasEntier(texte));
    return n;
}

QString Choisir(int n, TEnum table, const char* autre)
{
    for (const auto& [valeur, texte] : table)
        if (valeur == n)
            return QString::fromUtf8(texte);
    return QString::fromUtf8(autre);
}

QString Enumeration(const QString& valeur, TEnum table)
{
    return Choisir(Nombre(valeur), table, "Réservé");
}

// Caractères avant le premier octet nul, au plus n, plafonnés pour la lecture.
QString Caracteres(const char* octets, int64_t n)
{
    const void* nul = std::memchr(octets, 0, static_cast<size_t>(n));
    const int64_t l = nul ? static_cast<const char*>(nul) - octets : n;
    if (l <= LongueurMaxTexteExif)
        return DepuisCp1252(octets, static_cast<int>(l));
    return DepuisCp1252(octets, LongueurMaxTexteExif) + QChar(0x2026);
}

// Une moitié du texte comme StrToInt('$' + moitié) : de 1 à 8 chiffres
// hexadécimaux, sinon une erreur.
int32_t MoitieHexa(const QString& moitie)
{
    if (moitie.isEmpty() || moitie.size() > 8)
        throw Erreur(PasEntier(QLatin1Char('$') + moitie));
    uint32_t v = 0;
    for (const QChar c : moitie) {
        const int chiffre = c >= u'0' && c <= u'9'   ? c.unicode() - '0'
                            : c >= u'A' && c <= u'F' ? c.unicode() - 'A' + 10
                            : c >= u'a' && c <= u'f' ? c.unicode() - 'a' + 10
                                                     : -1;
        if (chiffre < 0)
            throw Erreur(PasEntier(QLatin1Char('$') + moitie));
        v = v << 4 | static_cast<uint32_t>(chiffre);
    }
    return static_cast<int32_t>(v);
}

// Numérateur et dénominateur, relus des 8 premiers caractères et des 8
// suivants : la valeur décimale de 9 ou 10 chiffres d'une entrée LONG posée
// à la place d'un rationnel se lit ainsi sans erreur.
void LireRationnel(const QString& S, int32_t& n, int32_t& d)
{
    n = MoitieHexa(S.left(8));
    d = MoitieHexa(S.mid(8, 8));
}

QString FormatG(long double v, int chiffres)
{
    if (!std::isfinite(v))
        throw Erreur(MsgDebordement);
    // Le format "%g" ne groupe jamais les milliers.
    QLocale langue;
    langue.setNumberOptions(langue.numberOptions() | QLocale::OmitGroupSeparator);
    return langue.toString(static_cast<double>(v), 'g', chiffres);
}

// Round du langage : un résultat hors des entiers 64 bits est invalide
// (2^63 - 0,5 s'arrondit au pair 2^63, déjà hors de portée).
int64_t Arrondi(long double v)
{
    if (!(v >= -0x1p63L && v < 0x1p63L - 0.5L))
        throw Erreur(MsgOperationIncorrecte);
    return Round(v);
}

}

void TListeInfos::Ajouter(const QString& Libelle, const QString& Valeur, int32_t Couleur)
{
    Liste.Libelles.append(Libelle);
    Liste.Valeurs.append(Valeur);
    Liste.Couleurs.push_back(Couleur);
}

uint32_t Inverser32(uint32_t x)
{
    return (x >> 24) | ((x >> 8) & 0xFF00u) | ((x << 8) & 0xFF0000u) | (x << 24);
}

uint32_t Inverser16x2(uint32_t x)
{
    return ((x >> 8) & 0x00FF00FFu) | ((x << 8) & 0xFF00FF00u);
}

void ConvertirEntreeMM(TEntreeIFD& E)
{
    E.Tag = static_cast<uint16_t>((E.Tag >> 8) | (E.Tag << 8));
    E.Type = static_cast<uint16_t>((E.Type >> 8) | (E.Type << 8));
    E.Nombre = Inverser32(E.Nombre);
    E.Valeur = E.Type == 3 ? Inverser16x2(E.Valeur) : Inverser32(E.Valeur);
}

void TExif::VerifierReste(int64_t Nombre) const
{
    const int64_t pos = Fichier.pos();
    if (Nombre < 0 || pos < 0 || Nombre > TailleFichier - pos)
        throw Erreur(MsgLectureExif);
}

QByteArray TExif::Lire(int64_t Nombre)
{
    // Borné par la taille du fichier avant toute allocation : un compte
    // mensonger ne réserve pas de mémoire.
    VerifierReste(Nombre);
    QByteArray octets(Nombre, Qt::Uninitialized);
    Lire(octets.data(), Nombre);
    return octets;
}

void TExif::Lire(void* Dest, int64_t Nombre)
{
    if (Fichier.read(static_cast<char*>(Dest), Nombre) != Nombre)
        throw Erreur(MsgLectureExif);
}

QString TExif::LireTexte(int64_t Position, uint32_t Nombre)
{
    Positionner(Position);
    // Un compte qui dépasse la fin du fichier reste une erreur, mais seuls
    // les octets qu'un texte plafonné peut montrer sont lus.
    VerifierReste(Nombre);
    char Octets[LongueurMaxTexteExif + 1];
    const int64_t n = std::min<int64_t>(Nombre, sizeof(Octets));
    Lire(Octets, n);
    return Caracteres(Octets, n);
}

void TExif::Positionner(int64_t Position)
{
    if (Position < 0 || Position > TailleFichier || !Fichier.seek(Position))
        throw Erreur(MsgLectureExif);
}

TEntreeIFD TExif::LireEntree()
{
    TEntreeIFD E;
    Lire(&E, sizeof(E));
    if (OrdreOctets == 'M')
        ConvertirEntreeMM(E);
    return E;
}

bool TExif::LireFichier(const QString& NomFichier)
{
    const QFileInfo Info(NomFichier);
    if (!Info.exists() || Info.isDir() || Info.suffix().toUpper() != QLatin1String("JPG"))
        return false;
    OffsetExif = 0;
    OuvrirFichierOrdinaire(Fichier, NomFichier);
    TailleFichier = Fichier.size();
    struct Fermeture
    {
        QFile& f;
        ~Fermeture() { f.close(); }
    } fermeture{Fichier};

    const QByteArray Debut = Lire(2);
    if (uint8_t(Debut[0]) != 0xFF || uint8_t(Debut[1]) != 0xD8)
        return true;
    QByteArray Marqueur = Lire(9);
    if (uint8_t(Marqueur[0]) == 0xFF && uint8_t(Marqueur[1]) == 0xE0) {
        Positionner(20);
        Marqueur = Lire(9);
    }
    if (uint8_t(Marqueur[0]) == 0xFF && uint8_t(Marqueur[1]) == 0xE1) {
        LireInfos();
        return true;
    }
    Infos.Ajouter(QString(), QStringLiteral("Pas d'information"), CouleurSansInfoExif);
    return false;
}

void TExif::LireInfos()
{
    const int64_t B = Fichier.pos() + 1;
    const QByteArray EnTete = Lire(11);
    if (EnTete[1] == 'I' && EnTete[2] == 'I')
        OrdreOctets = 'I';
    else if (EnTete[1] == 'M' && EnTete[2] == 'M')
        OrdreOctets = 'M';
    else
        OrdreOctets = 0;

    Infos.Ajouter(QStringLiteral("Infos TIFF 6.0"), QString(), CouleurSectionExif);
    for (int i = 0; i < 12; ++i)
        TraiterIFD0(LireEntree(), B);

    if (OffsetExif != 0) {
        Positionner(B + OffsetExif + 2);
        Infos.Ajouter(QStringLiteral("Infos EXIF"), QString(), CouleurSectionExif);
        for (int i = 0; i < 41; ++i)
            TraiterExif(LireEntree(), B);
    }
}

void TExif::LireValeur(const TEntreeIFD& Entree, int64_t Base, QString& S)
{
    const int64_t Sauve = Fichier.pos();
    // Le champ valeur dans l'ordre du fichier (la conversion MM l'a retourné).
    uint32_t Brut = Entree.Valeur;
    if (OrdreOctets == 'M')
        Brut = Entree.Type == 3 ? Inverser16x2(Brut) : Inverser32(Brut);
    char Champ[4];
    std::memcpy(Champ, &Brut, 4);

    switch (Entree.Type) {
    case 1:
    case 3:
    case 4:
        S = QString::number(Entree.Valeur);
        break;
    case 2:
        S = Entree.Nombre <= 4 ? Caracteres(Champ, Entree.Nombre) : LireTexte(Base + Entree.Valeur, Entree.Nombre);
        break;
    case 5:
    case 10: {
        Positionner(Base + Entree.Valeur);
        uint32_t n, d;
        Lire(&n, sizeof(n));
        Lire(&d, sizeof(d));
        if (OrdreOctets == 'M') {
            n = Inverser32(n);
            d = Inverser32(d);
        }
        S = QStringLiteral("%1%2").arg(n, 8, 16, QLatin1Char('0')).arg(d, 8, 16, QLatin1Char('0')).toUpper();
        break;
    }
    case 7:
        // En ligne : les quatre octets du champ, nuls compris.
        S = Entree.Nombre < 5 ? DepuisCp1252(Champ, 4) : LireTexte(Base + Entree.Valeur, Entree.Nombre);
        break;
    case 9:
        S = QString::number(static_cast<int32_t>(Entree.Valeur));
        break;
    default:
        break;
    }
    Positionner(Sauve);
}

void TExif::FormaterRationnel(const QString& S, QString& Res)
{
    int32_t n, d;
    LireRationnel(S, n, d);
    Res = d != 0 ? FormatG(static_cast<long double>(n) / d, 4) : QStringLiteral("-");
}

void TExif::FormaterDureeExposition(const QString& S, QString& Res)
{
    int32_t n, d;
    LireRationnel(S, n, d);
    // Un numérateur nul ne donne pas de durée : "-" comme un rationnel indéfini.
    if (d == 1)
        Res = QString::number(n);
    else if (d == 0 || n == 0)
        Res = QStringLiteral("-");
    else if (n < d)
        Res = QStringLiteral("1/%1").arg(Arrondi(static_cast<long double>(d) / n));
    else
        Res = FormatG(static_cast<long double>(n) / d, 4);
}

void TExif::FormaterOuverture(const QString& S, QString& Res)
{
    int32_t n, d;
    LireRationnel(S, n, d);
    if (d == 0) {
        Res = QStringLiteral("-");
        return;
    }
    Res = FormatG(powl(2.0L, (static_cast<long double>(n) / d) / 2.0L), 2);
}

void TExif::FormaterVitesseObturation(const QString& S, QString& Res)
{
    int32_t n, d;
    LireRationnel(S, n, d);
    if (d == 0)
        Res = QStringLiteral("-");
    else if (n >= 0)
        Res = QStringLiteral("1/%1").arg(Arrondi(powl(2.0L, static_cast<long double>(n) / d)));
    else
        Res = QString::number(Arrondi(powl(2.0L, -static_cast<long double>(n) / d)));
}

void TExif::TraiterIFD0(const TEntreeIFD& E, int64_t Base)
{
    auto Ligne = [this](const char* Libelle, const QString& Valeur) {
        Infos.Ajouter(QString::fromUtf8(Libelle), Valeur, CouleurDonneeExif);
    };
    auto Valeur = [&]() {
        QString S;
        LireValeur(E, Base, S);
        return S;
    };
    auto Rationnel = [&]() {
        QString R;
        FormaterRationnel(Valeur(), R);
        return R;
    };

    switch (E.Tag) {
    case 0x010E: Ligne("Description", Valeur()); break;
    case 0x010F: Ligne("Marque", Valeur()); break;
    case 0x0110: Ligne("Modèle", Valeur()); break;
    case 0x0112: {
        const uint32_t v = E.Valeur;
        Ligne("Orientation",
              Choisir(v > 8 ? -1 : static_cast<int>(v),
                      {{1, "Normal"},
                       {2, "Miroir"},
                       {3, "Rotation de 180°"},
                       {4, "Rotation de 180) + miroir"},
                       {5, "Rotation à gauche de 90° + miroir"},
                       {6, "Rotation à droite de 90°"},
                       {7, "Rotation à droite de 90° + miroir"},
                       {8, "Rotation à gauche de 90°"}},
                      "Non définie"));
        break;
    }
    case 0x011A: Ligne("Résolution en X", Rationnel() + QStringLiteral(" pixels/mm")); break;
    case 0x011B: Ligne("Résolution en Y", Rationnel() + QStringLiteral(" pixels/mm")); break;
    case 0x0132: Ligne("Date Heure", Valeur()); break;
    case 0x8298: Ligne("Copyright", Valeur()); break;
    case 0x8769: OffsetExif = E.Valeur; break;
    default: break;
    }
}

void TExif::TraiterExif(const TEntreeIFD& E, int64_t Base)
{
    auto Ligne = [this](const char* Libelle, const QString& Valeur) {
        Infos.Ajouter(QString::fromUtf8(Libelle), Valeur, CouleurDonneeExif);
    };
    auto Valeur = [&]() {
        QString S;
        LireValeur(E, Base, S);
        return S;
    };
    auto Formate = [&](void (*Formateur)(const QString&, QString&)) {
        QString R;
        Formateur(Valeur(), R);
        return R;
    };
    const auto Rationnel = &TExif::FormaterRationnel;

    switch (E.Tag) {
    case 0x829A: Ligne("Durée d'exposition", Formate(&TExif::FormaterDureeExposition) + QStringLiteral(" s")); break;
    case 0x829D: Ligne("Nombre d'ouverture", QStringLiteral("F/") + Formate(Rationnel)); break;
    case 0x9000: Ligne("Version EXIF", Valeur()); break;
    case 0x9003: Ligne("Date Heure Original", Valeur()); break;
    case 0x9004: Ligne("Date Heure Numérisation", Valeur()); break;
    case 0x9102: Ligne("Mode de compression", Formate(Rationnel) + QStringLiteral(" bits/pixel")); break;
    case 0x9201: Ligne("Vitesse d'obturation", Formate(&TExif::FormaterVitesseObturation) + QStringLiteral(" s")); break;
    case 0x9202: Ligne("Ouverture", QStringLiteral("F/") + Formate(&TExif::FormaterOuverture)); break;
    case 0x9204: Ligne("Correction d'exposition", Formate(Rationnel) + QStringLiteral(" IL")); break;
    case 0x9205: Ligne("Ouverture maximum", QStringLiteral("F/") + Formate(&TExif::FormaterOuverture)); break;
    case 0x9207:
        Ligne("Mode d'exposition",
              Enumeration(Valeur(), {{0, "Inconnu"}, {1, "Moyenné"}, {2, "Pondération moyenne centrale"},
                                     {3, "Spot"}, {4, "Multi Spot"}, {5, "Motif"}, {6, "Partiel"},
                                     {255, "Autre"}}));
        break;
    case 0x9209:
        Ligne("Mode du Flash",
              Enumeration(Valeur(), {{0, "Le fash ne s'est pas déclenché"}, {1, "Le flash s'est déclenché"},
                                     {5, "Pas de détection de retour de Flash"},
                                     {7, "Détection du retour de Flash"}}));
        break;
    case 0x920A: Ligne("Focale", Formate(Rationnel) + QStringLiteral(" mm")); break;
    case 0x927C: break;
    case 0x9286: Ligne("Commentaires", Valeur()); break;
    case 0xA000:
        Ligne("Version FlashPix", Valeur() == QLatin1String("0100")
                                      ? QStringLiteral("Format FlashPix Version 1.0")
                                      : QStringLiteral("Réservé"));
        break;
    case 0xA001:
        Ligne("Espace de couleur", Enumeration(Valeur(), {{1, "sRVB"}, {65535, "Non calibré"}}));
        break;
    case 0xA002: Ligne("Largeur Image", Valeur() + QStringLiteral(" pixels")); break;
    case 0xA003: Ligne("Hauteur Image", Valeur() + QStringLiteral(" pixels")); break;
    case 0xA20E: Ligne("Résolution X dans le plan focal", Formate(Rationnel)); break;
    case 0xA20F: Ligne("Résolution Y dans le plan focal", Formate(Rationnel)); break;
    case 0xA210:
        Ligne("Unité de résolution dans le plan focal", Choisir(Nombre(Valeur()), {{2, "Inch"}}, "Non défini"));
        break;
    case 0xA217:
        Ligne("Type de capteur",
              Enumeration(Valeur(), {{1, "Non défini"}, {2, "Mono capteur couleur"}, {3, "Bi capteur couleur"},
                                     {4, "Tri capteur couleur"}, {5, "Capteur couleur séquentiel"},
                                     {7, "Capteur tri linéaire"}, {8, "Capteur linéaire couleur séquentiel"}}));
        break;
    case 0xA401:
        Ligne("Rendu particulier", Enumeration(Valeur(), {{0, "Processus normal"}, {1, "Processus personnalisé"}}));
        break;
    case 0xA402:
        Ligne("Mode d'exposition",
              Enumeration(Valeur(), {{0, "Automatique"}, {1, "Manuelle"}, {2, "Différenciée"}}));
        break;
    case 0xA403:
        Ligne("Balance des blancs", Enumeration(Valeur(), {{0, "Automatique"}, {1, "Manuelle"}}));
        break;
    case 0xA404: Ligne("Taux du zoom numérique", Formate(Rationnel)); break;
    case 0xA405: Ligne("Focale équivalente en 24 x 36", Valeur()); break;
    case 0xA406:
        Ligne("Type de prise de vue",
              Enumeration(Valeur(), {{0, "Standard"}, {1, "Paysage"}, {2, "Portrait"}, {3, "Scène de nuit"}}));
        break;
    case 0xA408:
        Ligne("Contraste", Enumeration(Valeur(), {{0, "Normal"}, {1, "Adouci"}, {2, "Renforcé"}}));
        break;
    case 0xA409:
        Ligne("Saturation", Enumeration(Valeur(), {{0, "Normale"}, {1, "Affaiblie"}, {2, "Renforcée"}}));
        break;
    case 0xA40A:
        Ligne("Transitions", Enumeration(Valeur(), {{0, "Normales"}, {1, "Affaiblies"}, {2, "Renforcées"}}));
        break;
    default: break;
    }
}
