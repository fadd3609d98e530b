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

// Écrit les octets dans un fichier temporaire du même dossier, puis le renomme
// sur la cible ; false en cas d'échec, l'ancien fichier restant intact.
bool RemplacerFichier(const QString& chemin, const char* octets, size_t taille);
// Même écriture ; un échec lève Erreur.
void EcrireFichierSur(const QString& chemin, const std::vector<uint8_t>& octets);
