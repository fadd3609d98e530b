#pragma once
// Corrections géométriques de la table de pixels : lignes de fuite et
// horizontalité.

#include "core/UtilsPano.h"

void CorrigerLignesFuite(int NumImg, long double f);
void CorrigerHorizontalite(int NumImg, int Decal);
void CorrigerHorizontaliteLignesFuite(int NumImg, int Decal, const TPtImg& Source);
