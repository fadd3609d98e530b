// Provisoire, en attendant la boîte d'erreur par défaut : définition faible
// que la vraie remplace dès qu'elle est liée. Fichier à supprimer à son
// arrivée.
#include <QDebug>

#include "platform/Erreur.h"

__attribute__((weak)) void AfficherErreur(const QString& message)
{
    qWarning().noquote() << message;
}
