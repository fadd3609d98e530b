#pragma once
// Renseignements du système : charge mémoire, version du programme.

#include <QString>

// Pourcentage (0..100) de la mémoire physique utilisée, d'après /proc/meminfo.
int ChargeMemoire();

// Texte de version du programme : pas de bloc de version sur cette plateforme,
// c'est une constante de construction ("1.1.1.0").
QString VersionPgm();
