#pragma once
// Lecture des images d'entrée (BMP, JPEG, GIF, PNG, TIFF) en Bitmap 24 bits.
// Toute erreur lève Erreur avec le message français :
//  - extension inconnue : "Extension de fichier image inconnue (.%s)"
//  - fichier corrompu ou tronqué : "Image non valide"
//  - décodage au-delà de la mémoire permise : MsgImageTropGrande, avant toute
//    allocation de l'image
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

// Mémoire permise pour décoder une image : fichier lu, bitmap et tampons du
// décodeur (copie RVBA du TIFF, image entière d'un PNG entrelacé, mémoire de
// libjpeg) comptés ensemble. 1,5 Gio : une photo de 100 mégapixels passe dans
// tous les formats courants, même en TIFF RVBA 16 bits non compressé rangé en
// bandes (fichier 8, copie RVBA 4 et bitmap 3 octets par pixel), et le
// décodage tient dans l'espace d'un processus 32 bits.
constexpr int64_t MemoireDecodageMax = int64_t(3) << 29;
inline const char* const MsgImageTropGrande =
    "Image trop grande : son décodage demanderait plus de 1536 Mio de mémoire";

// Chaque passe d'un JPEG progressif reparcourt toute l'image : les fichiers
// réels en comptent quelques dizaines ; au-delà de cette borne, le temps du
// décodage ne suivrait plus la taille de l'image.
constexpr int PassesJpegMax = 100;
inline const char* const MsgTropDePassesJpeg = "Image non valide : JPEG de plus de 100 passes";
