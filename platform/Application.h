#pragma once
// Services de l'application : boucle d'événements, curseur sablier.

#include <QString>

// Un passage de la boucle d'événements Qt.
void ProcessMessages();

// Sablier tant que l'objet vit ; restauré même si une erreur passe.
class CurseurSablier
{
public:
    CurseurSablier();
    ~CurseurSablier();
    CurseurSablier(const CurseurSablier&) = delete;
    CurseurSablier& operator=(const CurseurSablier&) = delete;

private:
    bool pose_ = false;
};

// Chemin complet de l'exécutable.
QString CheminExecutable();
