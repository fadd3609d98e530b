#pragma once
// Fabrication d'images de test sans passer par le chargement des fichiers.

#include <cstdint>

#include "core/UtilsPano.h"
#include "tests/GenerateurScene.h"

// Motif pseudo-aléatoire reproductible, différent pour chaque graine.
inline void RemplirMotif(Bitmap& bmp, uint32_t graine)
{
    uint32_t e = graine * 2654435761u + 12345u;
    for (int y = 0; y < bmp.Height(); ++y) {
        uint8_t* p = bmp.Ligne(y);
        for (int x = 0; x < bmp.Width() * 3; ++x) {
            e = e * 1103515245u + 12345u;
            p[x] = static_cast<uint8_t>(e >> 16);
        }
    }
}

// Ajoute une image de largeur × hauteur à ListeImgs et renvoie son indice.
inline int AjouterImageTest(int largeur, int hauteur, uint32_t graine)
{
    ListeImgs.push_back(TInfosImg{});
    TInfosImg& img = ListeImgs.back();
    img.Bitmap = NouveauBitmap();
    Bitmap* bmp = BitmapDe(img);
    bmp->SetSize(largeur, hauteur);
    RemplirMotif(*bmp, graine);
    img.Largeur = largeur;
    img.Hauteur = hauteur;
    const int index = static_cast<int>(ListeImgs.size()) - 1;
    InitPtsImg(index);
    InitCorrectionsImg(index);
    return index;
}

