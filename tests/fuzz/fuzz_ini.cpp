// Cible de fuzz du fichier de réglages. Octet 0 : options (bit 0 : les
// écritures vont au fichier, qui est relu) ; ensuite le contenu du fichier.
// Les neuf clés du programme sont lues, puis écrites : chaque valeur écrite se
// relit telle quelle, les autres clés gardent la leur, et le fichier écrit se
// relit comme la mémoire.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QFile>
#include <QTemporaryDir>

#include "platform/Cp1252.h"
#include "platform/FichierIni.h"
#include "tests/fuzz/Fuzz.h"

namespace {

struct Cle
{
    const char* section;
    const char* nom;
};

constexpr std::array<Cle, 9> Cles = {{{"MainWindow", "Statut"},
                                      {"MainWindow", "Left"},
                                      {"MainWindow", "Top"},
                                      {"MainWindow", "Width"},
                                      {"MainWindow", "Height"},
                                      {"R\xE9pertoire", "Projet"},
                                      {"R\xE9pertoire", "Image"},
                                      {"R\xE9pertoire", "Panoramique"},
                                      {"JPEG", "QualJpg"}}};

constexpr uint8_t OptionFichier = 1;

[[noreturn]] void Echec(const char* quoi, const Cle& c)
{
    std::fprintf(stderr, "fuzz_ini : %s [%s] %s\n", quoi, c.section, c.nom);
    std::abort();
}

std::array<std::string, Cles.size()> Valeurs(const TFichierIni& ini)
{
    std::array<std::string, Cles.size()> v;
    for (size_t k = 0; k < Cles.size(); ++k)
        v[k] = ini.ReadString(Cles[k].section, Cles[k].nom, "\x01");
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    if (taille < 1)
        return 0;
    static QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("kalvindo.ini"));
    const std::string chemin = QFile::encodeName(nom).toStdString();
    // Un fichier neuf à chaque entrée : tronquer l'ancien forcerait une écriture disque.
    QFile::remove(nom);
    {
        QFile f(nom);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(donnees + 1), static_cast<qint64>(taille - 1));
    }

    TFichierIni ini(chemin);
    const bool lisible = static_cast<int64_t>(taille - 1) <= TailleIniMax;
    if (ini.Lecture() != (lisible ? LectureIni::Lu : LectureIni::TropGrand))
        Echec("lecture d'un fichier ordinaire", Cles[0]);
    auto avant = Valeurs(ini);
    if (!lisible) {
        const bool defauts = std::all_of(avant.begin(), avant.end(), [](const std::string& v) { return v == "\x01"; });
        if (!defauts || ((donnees[0] & OptionFichier) && ini.UpdateFile()))
            Echec("fichier trop grand lu ou remplacé", Cles[0]);
        return 0;
    }
    for (size_t k = 0; k < Cles.size(); ++k) {
        const Cle& c = Cles[k];
        if (GetPrivateProfileString(c.section, c.nom, "\x01", chemin) != avant[k])
            Echec("lecture directe différente", c);
        // Un texte qui n'est pas un entier donne le défaut, quel qu'il soit.
        const int a = ini.ReadInteger(c.section, c.nom, 7), b = ini.ReadInteger(c.section, c.nom, 8);
        if (a != b && (a != 7 || b != 8))
            Echec("entier selon le défaut", c);
        // Un nom tout ASCII se lit tel quel.
        if (avant[k].find_first_not_of("abcdefghijklmnopqrstuvwxyz/") == std::string::npos &&
            NomStocke(avant[k]) != QString::fromLatin1(avant[k]))
            Echec("nom ASCII changé", c);
    }

    // Valeurs tirées de l'entrée, sur une ligne et sans blanc ni guillemet aux bords.
    for (size_t k = 0; k < Cles.size(); k += 2) {
        const Cle& c = Cles[k];
        std::string valeur = "v" + std::to_string(k);
        for (size_t i = k; i < taille && i < k + 6; ++i)
            valeur += static_cast<char>(donnees[i] == '\r' || donnees[i] == '\n' ? '_' : donnees[i]);
        valeur += "v";
        if (ini.WriteString(c.section, c.nom, valeur + "\r\nX=1"))
            Echec("fin de ligne acceptée", c);
        if (!ini.WriteString(c.section, c.nom, valeur))
            Echec("écriture refusée", c);
        avant[k] = valeur;
        if (Valeurs(ini) != avant)
            Echec("valeur écrite mal relue, ou autre clé changée", c);
    }
    if (donnees[0] & OptionFichier) {
        if (!ini.UpdateFile())
            Echec("fichier non écrit", Cles[0]);
        if (Valeurs(TFichierIni(chemin)) != avant)
            Echec("fichier écrit relu autrement", Cles[0]);
    }
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    auto graine = [](uint8_t options, const std::string& texte) {
        Octets o{options};
        o.insert(o.end(), texte.begin(), texte.end());
        return o;
    };
    const std::string programme =
        "[MainWindow]\r\nStatut=Normal\r\nLeft=12\r\nTop=34\r\nWidth=1111\r\nHeight=777\r\n"
        "[R\xE9pertoire]\r\nProjet=/projets/\xE9t\xE9\r\nImage=/photos\r\nPanoramique=/panos/\r\n"
        "[JPEG]\r\nQualJpg=77\r\n";
    const std::string bizarre =
        "; commentaire\n[mainwindow]\nSTATUT = \"Maximized\" \n  left=0x1F\nTop=$20\nWidth=-2147483648\n"
        "Height\n[R\xC9PERTOIRE]\nProjet=?%2Fa%0D%0Ab\nImage='/x'\n[JPEG\nQualJpg=4294967296\n"
        "[MainWindow]\nLeft=5\n\x1A";
    return {graine(0, programme), graine(0, bizarre), graine(0, ""), graine(OptionFichier, programme),
            graine(OptionFichier, bizarre)};
}

// Chaque entrée écrit et relit un fichier ; celles des graines qui écrivent
// les réglages paient en plus des écritures sûres, synchronisées sur disque.
int MutationsFuzz(size_t g)
{
    return g < 3 ? 1000 : 40;
}
