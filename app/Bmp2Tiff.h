#pragma once
// Écriture d'un bitmap 24 bits en TIFF de base : petit-boutiste, non compressé,
// RVB en une seule bande, répertoire placé après les pixels.

#include <QString>

#include "platform/Bitmap.h"

class QIODevice;

// Écrit le fichier entier dans un flux positionné en 0, qui doit pouvoir
// revenir en arrière (l'offset du répertoire est reporté à la fin).
// Un bitmap vide est refusé sans rien écrire ; une écriture refusée lève Erreur.
void EcrireTiffFlux(QIODevice& Flux, const Bitmap& Bmp);

// Crée (ou remplace) le fichier par un FichierRemplacant : un échec ne laisse
// pas de fichier à moitié écrit sous ce nom, et son message nomme le fichier.
void EnregistrerTiff(const QString& NomFichier, const Bitmap& Bmp);
