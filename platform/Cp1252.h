#pragma once
// Conversion entre QString et la page de code Windows-1252 des enregistrements
// et du fichier de réglages.

#include <string>

#include <QString>

std::string VersCp1252(const QString& texte);
QString DepuisCp1252(const std::string& octets);
QString DepuisCp1252(const char* octets, int longueur);

// Nom d'un élément du disque stocké en octets (enregistrement, réglages) :
// la lecture Windows-1252 d'abord, la lecture UTF-8 seulement quand la
// première ne nomme rien d'existant et que la seconde, si.
QString NomStocke(const std::string& octets);
