#pragma once
// Petite algèbre linéaire du warp : produit et inversion de Gauss-Jordan à
// pivot total, en réels 80 bits.

using TMatrice = long double[4][4];

void ProduitMatrices(const TMatrice A, const TMatrice B, int NbLignes, int NbInterne,
                     int NbColonnes, TMatrice C);
// Renvoie false quand la matrice est singulière (aucun pivot non nul) :
// AInv et Det ne sont alors pas significatifs.
bool InverserMatrice(const TMatrice A, int N, long double& Det, TMatrice AInv);
long double LimiterReel(long double x);
void EchangerReels(long double& a, long double& b);
