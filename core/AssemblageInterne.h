#pragma once
// Petits accès communs aux étapes de l'assemblage : tailles des bitmaps et
// options lues dans la fenêtre principale (absentes : valeurs par défaut).

#include <vector>

#include <QCheckBox>
#include <QComboBox>

#include "core/FenetrePano.h"
#include "core/UtilsPano.h"
#include "platform/Erreur.h"

inline const char* const MsgPanoTropGrand =
    "Le panoramique serait trop grand : revoyez les points de contrôle.";

// Position ou largeur du panoramique calculée sur 64 bits : hors des entiers
// 32 bits des enregistrements, le panoramique ne peut pas être construit.
inline int32_t Position32(int64_t v)
{
    if (v < INT32_MIN || v > INT32_MAX)
        throw Erreur(MsgPanoTropGrand);
    return static_cast<int32_t>(v);
}

inline int NbImagesAssemblage()
{
    return static_cast<int>(ImgsAssemblage.size());
}

inline int LargeurBitmap(const TInfosImg& img)
{
    const Bitmap* bmp = BitmapDe(img);
    return bmp ? bmp->Width() : img.Largeur;
}

inline int HauteurBitmap(const TInfosImg& img)
{
    const Bitmap* bmp = BitmapDe(img);
    return bmp ? bmp->Height() : img.Hauteur;
}

// Largeur et surface que les coins choisis donneront au panoramique, refusées
// avant toute table ou tout bitmap quand aucune série de vraies photos ne peut
// les donner.
void VerifierTaillePano();

// Colonne la plus à gauche que les images déjà déformées ont dessinée dans
// chaque ligne du panoramique ; vide au début d'un assemblage.
extern std::vector<int> GaucheDessinee;

// Jeu d'instructions de la déformation : le plus large que le processeur
// permet ; les tests comparent les voies entre elles.
enum class TVoie { Scalaire, SSE41, AVX2 };
void DefinirVoieDeformation(TVoie voie);  // bornée à ce que le processeur a

inline bool OptionBoucler()
{
    return SeqPano && SeqPano->BouclerPano() && SeqPano->BouclerPano()->isChecked();
}

inline bool OptionCorrChro()
{
    return SeqPano && SeqPano->CorrChro() && SeqPano->CorrChro()->isChecked();
}

inline int ModeDeformation()
{
    return SeqPano && SeqPano->ModeAsmbl() ? SeqPano->ModeAsmbl()->currentIndex() : 0;
}

// Round() sans appel de bibliothèque pour les boucles de pixels : ajouter puis
// retrancher 2^63 arrondit dans le mode courant (au plus proche, moitiés
// paires). Exact pour -0,5 <= x < 2^62 ; au-delà, l'appelant a déjà écarté x.
inline int64_t ArrondiPositif(long double x)
{
    return Trunc((x + 0x1p63L) - 0x1p63L);
}
