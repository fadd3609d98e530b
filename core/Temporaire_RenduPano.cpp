// Provisoire, en attendant la reprise d'harmonisation : définition faible que
// la vraie remplace dès qu'elle est liée. Fichier à supprimer à son arrivée.
#include "core/RenduPano.h"

__attribute__((weak)) bool ReprendreHarmonisation(int)
{
    return false;
}
