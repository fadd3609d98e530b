// Provisoire, en attendant les poids d'étapes de l'assemblage : définition
// faible que la vraie remplace dès qu'elle est liée. Fichier à supprimer à son
// arrivée.
#include "core/Assemblage.h"

__attribute__((weak)) void ActiverEtape(int NumImg, uint8_t Etape)
{
    static constexpr int32_t Actifs[6] = {70, 100, 100, 100, 15, 100};
    if (Etape > 5)
        return;
    PoidsEtapes[NumImg][Etape] = Actifs[Etape];
}
