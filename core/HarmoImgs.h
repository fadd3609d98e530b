#pragma once
// Corrections photométriques de l'assemblage et jeu d'images de l'onglet
// Prétraitements.

#include "core/UtilsPano.h"

class QComboBox;
class TImage;

extern TPtImg TableVignette;

void CorrigerLuminosite(int i);
void CorrigerChromaticite(int i);

void ReduireImage(const Bitmap& Source, TImage* Cible);
void InitialiserHarmonisation(const TImgs& Images, QComboBox* Combo);
void ChangerImageHarmonisee(const TImgs& Images, QComboBox* Combo);
void RemplirListeReprise(const TImgs& Images, QComboBox* Combo);
bool LancerRepriseHarmonisation(const TImgs& Images, QComboBox* Combo);
