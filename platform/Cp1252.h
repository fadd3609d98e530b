#pragma once
// Conversion entre QString et la page de code Windows-1252 des enregistrements
// et du fichier de réglages, et règle des noms stockés en octets.

#include <string>
#include <string_view>

#include <QString>

// Les cinq octets que Windows-1252 n'attribue pas (81, 8D, 8F, 90, 9D) vont
// aux caractères de contrôle de même valeur, comme sous Windows : les 256
// octets et leurs 256 caractères se répondent un à un. Un caractère hors de
// la page s'écrit « ? ».
std::string VersCp1252(const QString& texte);
QString DepuisCp1252(const std::string& octets);
QString DepuisCp1252(const char* octets, int longueur);

// Octets d'un nom stocké (enregistrement, réglages) : Windows-1252 quand le
// texte y tient, UTF-8 sinon.
std::string OctetsNom(const QString& texte);

// Lectures d'un nom stocké : celles que OctetsNom réécrit en ces mêmes
// octets. La lecture Windows-1252 l'est toujours ; la lecture UTF-8 quand les
// octets sont de l'UTF-8 et que le texte ne tient pas en Windows-1252. Sans
// disque, l'UTF-8 l'emporte : c'est la lecture de l'écrivain.
QString TexteNom(std::string_view octets);
// Avec le disque : la lecture Windows-1252 quand elle nomme un élément
// existant du dossier (vide : le nom est un chemin entier), sinon TexteNom.
QString NomStocke(std::string_view octets, const QString& dossier = QString());
