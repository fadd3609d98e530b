#pragma once
// Boîtes de message et dialogues de fichiers derrière un seul crochet
// remplaçable : les tests y répondent sans écran.

#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

enum class TypeMessage { Information, Avertissement, Question, Erreur };
enum class BoutonsMessage { Ok, OuiNon, OuiNonAnnuler };
enum class ReponseMessage { Ok, Oui, Non, Annuler };

struct DemandeMessage
{
    TypeMessage type = TypeMessage::Information;
    QString titre;  // vide : le titre de l'application
    QString texte;
    BoutonsMessage boutons = BoutonsMessage::Ok;
    QWidget* parent = nullptr;  // vide : la fenêtre principale
};

enum class SorteDialogue { OuvrirImages, Ouvrir, Enregistrer };

struct DemandeFichier
{
    SorteDialogue sorte = SorteDialogue::Ouvrir;
    QString titre;
    QString repertoire;   // dossier proposé
    QString nom;          // nom proposé
    QString filtre;       // au format Qt : "Projets Kalvindo (*.kvp);;Tous (*)"
    int indexFiltre = 0;  // 0 = premier filtre
    QString extensionDefaut;
    bool plusieurs = false;  // sélection multiple
};

struct ReponseFichier
{
    bool accepte = false;
    QStringList fichiers;  // chemins complets
    int indexFiltre = 0;
};

struct CrochetsDialogues
{
    std::function<ReponseMessage(const DemandeMessage&)> message;
    std::function<ReponseFichier(const DemandeFichier&)> fichier;
};

// Remplace les crochets ; un crochet vide rétablit le dialogue réel.
void DefinirCrochetsDialogues(const CrochetsDialogues& crochets);
const CrochetsDialogues& CrochetsActuels();

ReponseMessage AfficherMessage(const DemandeMessage& demande);
ReponseMessage AfficherMessage(TypeMessage type, const QString& texte,
                               BoutonsMessage boutons = BoutonsMessage::Ok);
ReponseFichier DemanderFichier(const DemandeFichier& demande);

// Fenêtre parente des dialogues réels (la fenêtre principale).
void DefinirFenetreParente(QWidget* parent);
