#pragma once
// Renseignements du système : charge mémoire, version du programme.

#include <string>

#include <QString>

// Pourcentage (0..100) de la mémoire physique utilisée, d'après /proc/meminfo.
int ChargeMemoire();
// La même d'après un autre fichier au format de /proc/meminfo ; 0 s'il est
// illisible ou incomplet.
int ChargeMemoire(const std::string& cheminMeminfo);

// Texte de version du programme : pas de bloc de version sur cette plateforme,
// c'est une constante de construction ("1.1.1.0").
QString VersionPgm();
