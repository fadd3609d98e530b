#pragma once
// Fonctions « profile string » à la manière de Windows : sections entre
// crochets, clé=valeur, recherche sans casse, octets Windows-1252 conservés.
// Le chemin du fichier est en encodage local ; le fichier écrit remplace
// l'ancien d'un coup, chaque ligne lue avec sa fin (LF ou CRLF), les lignes
// nouvelles en CRLF. Seul un fichier ordinaire d'au plus TailleIniMax octets
// est lu : un tube bloquerait, un périphérique ou un fichier immense
// épuiserait la mémoire. Aucun fichier plus grand n'est écrit, pour que le
// programme relise toujours ce qu'il a écrit.

#include <cstdint>
#include <string>
#include <vector>

// Les réglages du programme tiennent en quelques centaines d'octets.
constexpr int64_t TailleIniMax = int64_t(1) << 20;

// Ce qu'a donné la lecture d'un fichier de réglages.
enum class LectureIni
{
    Lu,
    Absent,
    PasOrdinaire,  // tube, périphérique, dossier
    TropGrand,     // plus de TailleIniMax octets
    Illisible,
};

// Renvoie la valeur, ou defaut quand la section ou la clé manque, ou que le
// fichier ne peut être lu.
std::string GetPrivateProfileString(const std::string& section, const std::string& cle,
                                    const std::string& defaut, const std::string& fichier);
// Écrit la valeur en gardant les autres sections et clés ; crée le fichier au
// besoin. Renvoie false quand le fichier ne peut pas être relu ou écrit,
// qu'il dépasserait TailleIniMax, ou qu'un des textes tient une fin de ligne.
bool WritePrivateProfileString(const std::string& section, const std::string& cle,
                               const std::string& valeur, const std::string& fichier);

// Objet fichier de réglages, noms et valeurs en Windows-1252. Le fichier est
// lu une fois à la création ; les écritures restent en mémoire jusqu'à
// UpdateFile, qui le relit une fois et l'écrit d'un coup.
class TFichierIni
{
public:
    explicit TFichierIni(std::string chemin);
    const std::string& Chemin() const { return chemin_; }
    // Résultat de la lecture faite à la création ; hors de Lu, tout vaut défaut.
    LectureIni Lecture() const { return lecture_; }

    std::string ReadString(const std::string& section, const std::string& cle,
                           const std::string& defaut) const;
    // Décimal, ou 0x (ou $) suivi d'hexadécimal ; sinon defaut.
    int ReadInteger(const std::string& section, const std::string& cle, int defaut) const;
    // false pour un texte qui tient une fin de ligne, rien n'est retenu.
    bool WriteString(const std::string& section, const std::string& cle, const std::string& valeur);
    bool WriteInteger(const std::string& section, const std::string& cle, int valeur);
    // Porte les écritures retenues dans le fichier tel qu'il est maintenant,
    // qui garde ainsi ce que d'autres y ont mis. false, sans rien écrire, quand
    // il ne peut être relu (un fichier absent est créé) ou écrit, ou qu'il
    // dépasserait TailleIniMax.
    bool UpdateFile();

private:
    struct Ecriture
    {
        std::string section, cle, valeur;
    };
    std::string chemin_;
    std::vector<std::string> lignes_;
    LectureIni lecture_;
    std::vector<Ecriture> ecritures_;
};
