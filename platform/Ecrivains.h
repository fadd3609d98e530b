#pragma once
// Écriture des images : BMP 24 bits et JPEG de qualité 0..100.
// Une écriture ratée lève Erreur et ne laisse pas de fichier à moitié écrit
// sous le nom demandé (écriture dans un fichier temporaire puis renommage).

#include <cstdint>
#include <vector>

#include <QString>

#include "platform/Bitmap.h"

std::vector<uint8_t> EncoderBmp(const Bitmap& source);
std::vector<uint8_t> EncoderJpeg(const Bitmap& source, int qualite);

void EnregistrerBmp(const Bitmap& source, const QString& chemin);
void EnregistrerJpeg(const Bitmap& source, int qualite, const QString& chemin);

// Écrit des octets en remplaçant le fichier d'un coup.
void EcrireFichierSur(const QString& chemin, const std::vector<uint8_t>& octets);
