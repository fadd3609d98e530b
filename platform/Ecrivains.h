#pragma once
// Écriture des images : BMP 24 bits et JPEG de qualité 0..100.
// Une écriture ratée lève Erreur et ne laisse pas de fichier à moitié écrit
// sous le nom demandé (écriture dans un fichier temporaire puis renommage),
// sauf dans un dossier protégé où seul le fichier est modifiable : il y est
// réécrit sur place.

#include <sys/types.h>

#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/Bitmap.h"

// Textes d'échec communs à tous les formats ; le fichier y est nommé.
inline const char* const MsgImageVide = "L'image à enregistrer est vide";
QString MsgCreationImpossible(const QString& chemin);
QString MsgEcritureImpossible(const QString& chemin);

// Une image vide est refusée (MsgImageVide).
std::vector<uint8_t> EncoderBmp(const Bitmap& source);
std::vector<uint8_t> EncoderJpeg(const Bitmap& source, int qualite);

void EnregistrerBmp(const Bitmap& source, const QString& chemin);
void EnregistrerJpeg(const Bitmap& source, int qualite, const QString& chemin);

// Fichier temporaire du même dossier que la cible, qui la remplace d'un coup
// à la validation. Un lien symbolique est suivi : sa cible est remplacée, le
// lien reste. Le temporaire naît sous un nom neuf et imprévisible, court et
// marqué par la cible ; ce qui occupe déjà un nom n'est jamais ouvert, si bien
// qu'un tube ou un lien posé à côté n'est ni attendu ni écrit. Verrouillé tant
// que l'enregistrement dure, il fait échouer un second enregistrement de la
// même cible ; les restes qu'un arrêt brutal a laissés (fichiers ordinaires à
// nous, à un seul lien, sans verrou) sont effacés par l'enregistrement suivant.
// Détruit sans validation, le temporaire s'efface.
// Quand le dossier refuse le temporaire mais que la cible existe et est
// modifiable, les octets vont dans un temporaire sans nom hors du dossier et
// la validation les recopie sur place dans la cible : toute leur place y est
// réservée d'abord, si bien qu'un disque plein laisse l'ancien contenu intact.
// Un système de fichiers à copie sur écriture ou compressé ne le garantit pas :
// y réécrire un bloc réservé peut encore en demander un neuf. Sans réservation
// native (NFSv3, FUSE), l'allongement est écrit avant le reste et retiré s'il
// échoue, et chaque trou que le système signale reçoit ses blocs d'abord ; un
// trou qu'il ne signale pas peut encore manquer de place pendant la recopie.
// Une taille de fichier bornée (ulimit -f) fait échouer l'écriture comme un
// disque plein, une fois IgnorerTailleFichierBornee() appelée.
class FichierRemplacant
{
public:
    explicit FichierRemplacant(const QString& chemin);
    ~FichierRemplacant();
    FichierRemplacant(const FichierRemplacant&) = delete;
    FichierRemplacant& operator=(const FichierRemplacant&) = delete;

    // -1 quand le temporaire n'a pas pu être créé, ou que la cible n'est pas
    // un fichier ordinaire modifiable.
    int Descripteur() const { return fd_; }
    // Donne au fichier les droits de la cible, le pousse sur le disque et le
    // renomme sur elle ; false en cas d'échec, l'ancien fichier restant intact
    // (sur place : sauf échec pendant la recopie même).
    bool Valider();
    bool SurPlace() const { return cibleOuverte_ >= 0; }

private:
    void OuvrirSurPlace();
    bool RecopierSurPlace();
    void Lacher();

    QByteArray cible_;
    QByteArray temporaire_;
    mode_t mode_ = 0;
    int fd_ = -1;
    int cibleOuverte_ = -1;
    bool valide_ = false;
};

// Sans ce réglage, une taille de fichier bornée (ulimit -f) tue le programme
// au lieu de faire échouer l'écriture : chaque programme qui enregistre
// l'appelle au démarrage.
void IgnorerTailleFichierBornee();

// Le temps de lancer un autre programme : il hérite du signal par défaut, pas
// du réglage de celui-ci.
class TailleBorneeParDefaut
{
public:
    TailleBorneeParDefaut();
    ~TailleBorneeParDefaut();
    TailleBorneeParDefaut(const TailleBorneeParDefaut&) = delete;
    TailleBorneeParDefaut& operator=(const TailleBorneeParDefaut&) = delete;

private:
    void (*precedent_)(int);
};

// Ouverture du temporaire à côté de la cible. Les tests la remplacent pour
// simuler un dossier protégé sous root, que les droits n'arrêtent pas ;
// nullptr rétablit open().
using OuvertureTemporaire = int (*)(const char* chemin, int drapeaux, mode_t mode);
void DefinirOuvertureTemporaire(OuvertureTemporaire ouverture);

// Écrit les octets par un FichierRemplacant ; false en cas d'échec.
bool RemplacerFichier(const QString& chemin, const char* octets, size_t taille);
// Même écriture ; un échec lève Erreur (MsgCreationImpossible quand le
// fichier n'a pas pu être ouvert, MsgEcritureImpossible ensuite).
void EcrireFichierSur(const QString& chemin, const std::vector<uint8_t>& octets);
