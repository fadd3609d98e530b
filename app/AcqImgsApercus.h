#pragma once
// Aperçus de l'onglet Prétraitements : la vignette corrigée avec les valeurs
// courantes des curseurs. Aucune allocation par appel.

#include "core/UtilsPano.h"

// Côté maximal d'une vignette, et donc des tables de travail fixes.
inline constexpr int TailleApercu = 320;

// Dest prend la taille de Source (inchangée si elle l'a déjà). Une source de
// plus de TailleApercu dans un sens n'est pas tracée.

// Calcul de référence, tout en étendu.
void TracerCompLumEtendu(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                         long double BD, long double BG);
void TracerLignesFuiteEtendu(const TPtImg& Source, Bitmap& Dest, long double K);

// Aperçus des curseurs : mêmes octets que la référence, plus vite.
void TracerCompLum(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                   long double BD, long double BG);
void TracerLignesFuite(const TPtImg& Source, Bitmap& Dest, long double K);
void TracerCompLumEtFuite(const TPtImg& Source, Bitmap& Dest, long double HG, long double HD,
                          long double BD, long double BG, long double K);
