#pragma once
// Services de l'application : boucle d'événements, curseur de l'application et sablier.

#include <Qt>
#include <QString>

// Un passage de la boucle d'événements Qt.
void ProcessMessages();

// Curseur de toute l'application, hors sablier (flèche : le curseur par
// défaut). Il reste jusqu'au suivant ou jusqu'à la fin du dernier sablier.
void CurseurEcran(Qt::CursorShape Forme);

// Sablier tant que l'objet vit, par-dessus le curseur de l'application ; le
// dernier qui finit rend le curseur par défaut, même si une erreur passe.
class CurseurSablier
{
public:
    CurseurSablier();
    ~CurseurSablier();
    CurseurSablier(const CurseurSablier&) = delete;
    CurseurSablier& operator=(const CurseurSablier&) = delete;
};

// Chemin complet de l'exécutable.
QString CheminExecutable();
