#pragma once
// Composants des onglets retrouvés par leur nom : chaque onglet pose les siens
// dans le formulaire, la fenêtre principale n'en connaît que le nom.

#include <QComboBox>
#include <QRadioButton>
#include <QVariant>
#include <QWidget>

#include "core/FenetrePano.h"
#include "core/HarmoImgs.h"

inline QWidget* Composant(const QObject* fenetre, const char* nom)
{
    return fenetre->findChild<QWidget*>(QString::fromLatin1(nom));
}

inline void ActiverComposant(const QObject* fenetre, const char* nom, bool actif)
{
    if (QWidget* w = Composant(fenetre, nom))
        w->setEnabled(actif);
}

inline void MontrerComposant(const QObject* fenetre, const char* nom, bool visible)
{
    if (QWidget* w = Composant(fenetre, nom))
        w->setHidden(!visible);
}

// Montré au sens du composant lui-même, même quand son onglet est caché.
inline bool ComposantMontre(const QObject* fenetre, const char* nom)
{
    const QWidget* w = Composant(fenetre, nom);
    return w && !w->isHidden();
}

// Liste déroulante ou groupe de boutons radio : premier élément choisi.
inline void ChoisirPremierElement(const QObject* fenetre, const char* nom)
{
    QWidget* w = Composant(fenetre, nom);
    if (!w)
        return;
    if (auto* liste = qobject_cast<QComboBox*>(w)) {
        liste->setCurrentIndex(0);
        return;
    }
    if (auto* premier = w->findChild<QRadioButton*>())
        premier->setChecked(true);
}

// Nombre de lignes de la grille ListImgs (propriété rowCount).
inline int LignesGrille(const QObject* fenetre)
{
    const QWidget* grille = Composant(fenetre, "ListImgs");
    return grille ? grille->property("rowCount").toInt() : 0;
}

inline void DefinirLignesGrille(const QObject* fenetre, int lignes)
{
    if (QWidget* grille = Composant(fenetre, "ListImgs"))
        grille->setProperty("rowCount", lignes);
}

inline void RedessinerComposant(const QObject* fenetre, const char* nom)
{
    if (QWidget* w = Composant(fenetre, nom))
        w->update();
}

// Jeu d'images des prétraitements et liste de reprise, après tout changement
// de la liste ; une liste absente du formulaire n'est pas remplie.
inline void ActualiserHarmonisation(TFenetrePano& f)
{
    if (f.ChoixImg())
        InitialiserHarmonisation(ListeImgs, f.ChoixImg());
    if (f.PostHarmo())
        RemplirListeReprise(ListeImgs, f.ChoixImg());
}
