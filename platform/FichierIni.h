#pragma once
// Fonctions « profile string » à la manière de Windows : sections entre
// crochets, clé=valeur, recherche sans casse, octets Windows-1252 conservés.
// Le chemin du fichier est en encodage local ; le fichier écrit a des fins de
// ligne CRLF et remplace l'ancien d'un coup.

#include <string>

// Renvoie la valeur, ou defaut quand la section ou la clé manque.
std::string GetPrivateProfileString(const std::string& section, const std::string& cle,
                                    const std::string& defaut, const std::string& fichier);
// Écrit la valeur en gardant les autres sections et clés ; crée le fichier au
// besoin. Renvoie false quand le fichier ne peut pas être écrit, ou qu'un des
// textes tient une fin de ligne.
bool WritePrivateProfileString(const std::string& section, const std::string& cle,
                               const std::string& valeur, const std::string& fichier);

// Objet fichier de réglages, noms et valeurs en Windows-1252.
class TFichierIni
{
public:
    explicit TFichierIni(std::string chemin) : chemin_(std::move(chemin)) {}
    const std::string& Chemin() const { return chemin_; }

    std::string ReadString(const std::string& section, const std::string& cle,
                           const std::string& defaut) const;
    // Décimal, ou 0x (ou $) suivi d'hexadécimal ; sinon defaut.
    int ReadInteger(const std::string& section, const std::string& cle, int defaut) const;
    bool WriteString(const std::string& section, const std::string& cle, const std::string& valeur);
    bool WriteInteger(const std::string& section, const std::string& cle, int valeur);

private:
    std::string chemin_;
};
