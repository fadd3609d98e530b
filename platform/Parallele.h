#pragma once
// Fils de travail des noyaux de pixels : une étape partage ses lignes entre
// eux et ne revient qu'une fois toutes traitées. Le fil de la fenêtre y prend
// sa part ; rien ne reste en cours entre deux étapes.

#include <functional>

// Fils qui traitent une étape, le fil appelant compris (1 : tout sur lui).
int NombreFils();

// 0 rend la taille de la machine ; les tests comparent 1, 2 et 8 fils.
void DefinirNombreFils(int n);

// Appelle traiter(debut, fin) sur des tranches disjointes qui couvrent
// [0, n), dans un ordre quelconque. La première erreur levée par une tranche
// est relancée ici, une fois toutes les tranches finies ou abandonnées. Un
// appel depuis une tranche, ou pendant une autre étape, s'exécute sur place.
void ParallelLignes(int n, const std::function<void(int debut, int fin)>& traiter);
