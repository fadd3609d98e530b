// Provisoire : remplacé par les corrections photométriques et géométriques
// dès qu'elles sont fusionnées. Table remplie sans correction.

#include "core/CorrectionsGeometriques.h"
#include "core/HarmoImgs.h"

void CorrigerLuminosite(int) {}
void CorrigerChromaticite(int) {}

void CorrigerLignesFuite(int NumImg, long double)
{
    const TInfosImg& img = ImgsAssemblage[NumImg];
    if (const Bitmap* bmp = BitmapDe(img))
        DecalerVerticalement(*bmp, bmp->Width(), bmp->Height(), 0, TablesPixels[NumImg]);
    TableTravail = TablesPixels[NumImg];
}

void CorrigerHorizontalite(int NumImg, int Decal)
{
    const TInfosImg& img = ImgsAssemblage[NumImg];
    if (const Bitmap* bmp = BitmapDe(img))
        DecalerVerticalement(*bmp, bmp->Width(), bmp->Height(), Decal, TablesPixels[NumImg]);
}

void CorrigerHorizontaliteLignesFuite(int NumImg, int Decal, const TPtImg&)
{
    CorrigerHorizontalite(NumImg, Decal);
}
