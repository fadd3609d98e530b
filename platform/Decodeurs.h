#pragma once
// Lecture des images d'entrée (BMP, JPEG, GIF, PNG, TIFF) en Bitmap 24 bits.
// Toute erreur lève Erreur avec le message français :
//  - extension inconnue : "Extension de fichier image inconnue (.%s)"
//  - fichier corrompu, tronqué ou trop grand : "Image non valide"

#include <cstddef>
#include <cstdint>

#include <QString>

#include "platform/Bitmap.h"

// Choisit le décodeur d'après l'extension (casse indifférente).
void ChargerImage(const QString& chemin, Bitmap& dest);

// Décodeurs en mémoire, un par format.
void DecoderBmp(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderJpeg(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderGif(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderPng(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderTiff(const uint8_t* donnees, size_t taille, Bitmap& dest);
