#pragma once
// Lecture des images d'entrée (BMP, JPEG, GIF, PNG, TIFF) en Bitmap 24 bits.
// Toute erreur lève Erreur avec le message français :
//  - extension inconnue : "Extension de fichier image inconnue (.%s)"
//  - fichier corrompu, tronqué ou trop grand : "Image non valide"
// En cas d'erreur, dest n'est pas modifié. La transparence (PNG, GIF, TIFF)
// est composée sur fond blanc ; d'un GIF animé ou d'un TIFF à plusieurs pages,
// seule la première image est lue.

#include <cstddef>
#include <cstdint>

#include <QFile>
#include <QString>

#include "platform/Bitmap.h"

// Choisit le décodeur d'après l'extension (casse indifférente).
void ChargerImage(const QString& chemin, Bitmap& dest);

// Ouvre un fichier en lecture. Tout ce qui n'est pas un fichier ordinaire
// (tube, périphérique, dossier) lève Erreur(MsgPasFichierOrdinaire) sans
// attendre : un tube sans écrivain bloquerait le programme.
inline const char* const MsgPasFichierOrdinaire = "Ce n'est pas un fichier ordinaire";
void OuvrirFichierOrdinaire(QFile& f, const QString& chemin);

// Décodeurs en mémoire, un par format.
void DecoderBmp(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderJpeg(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderGif(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderPng(const uint8_t* donnees, size_t taille, Bitmap& dest);
void DecoderTiff(const uint8_t* donnees, size_t taille, Bitmap& dest);

// Plafond du nombre de pixels accepté en plus de la limite de 2 Gio (0 : aucun).
// Sert aux tests de robustesse, qui ne doivent pas allouer des gigaoctets.
void DefinirPlafondPixels(int64_t pixels);
