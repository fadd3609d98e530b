#pragma once
// Composant sans fenêtre qui porte les valeurs du dialogue d'enregistrement
// et le crée le temps d'un Execute.

#include <functional>

#include <QObject>
#include <QString>

#include "app/DlgEnrg.h"

class TBoiteEnrg : public QObject
{
    Q_OBJECT
public:
    explicit TBoiteEnrg(QObject* parent = nullptr) : QObject(parent) {}

    // True quand l'utilisateur a confirmé un nom de fichier.
    bool Execute();

    QString NomEnrg;
    QString Filtres;
    int IndXFiltre = 1;
    int JpgQual = 90;
    TOptionsEnrg Options;
};

// Remplace l'affichage modal du dialogue (les tests le pilotent sans écran) :
// le crochet reçoit le dialogue rempli et rend son code de fin. Vide : exec().
using CrochetDialogueEnrg = std::function<int(TDialogEnrg&)>;
void DefinirCrochetDialogueEnrg(CrochetDialogueEnrg crochet);
