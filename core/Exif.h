#pragma once
// Lecture des données de prise de vue (bloc EXIF du segment APP1) d'un fichier
// ".JPG" : les deux premiers répertoires, lus avec des nombres d'entrées fixes,
// donnent une liste de lignes (libellé, valeur, couleur) en français.
// Le fichier est hostile : aucune lecture ne sort du fichier ; une lecture qui
// dépasse sa fin lève Erreur(MsgLectureExif) vers l'appelant.

#include <cstdint>
#include <vector>

#include <QFile>
#include <QString>
#include <QStringList>

inline const char* const MsgLectureExif = "Lecture au-delà de la fin du fichier";

// Un texte plus long est coupé là et suivi de « … » : personne n'en lit
// davantage, et un compte de plusieurs Mo ne coûte plus sa taille.
constexpr int LongueurMaxTexteExif = 4096;

// Couleurs des lignes ($00BBGGRR).
constexpr int32_t CouleurSectionExif = 0xFF0000;
constexpr int32_t CouleurDonneeExif = 0x8000;
constexpr int32_t CouleurSansInfoExif = 0xFF;

struct TListeExif
{
    QStringList Libelles;
    QStringList Valeurs;
    std::vector<int32_t> Couleurs;
};

class TListeInfos
{
public:
    void Ajouter(const QString& Libelle, const QString& Valeur, int32_t Couleur);
    TListeExif Liste;
};

#pragma pack(push, 1)
struct TEntreeIFD
{
    uint16_t Tag;
    uint16_t Type;
    uint32_t Nombre;
    uint32_t Valeur;  // valeur, ou son offset depuis l'en-tête TIFF
};
#pragma pack(pop)
static_assert(sizeof(TEntreeIFD) == 12);

uint32_t Inverser32(uint32_t x);
// Les deux octets de chaque moitié de 16 bits échangés (0,1,2,3 -> 1,0,3,2).
uint32_t Inverser16x2(uint32_t x);
void ConvertirEntreeMM(TEntreeIFD& E);

class TExif
{
public:
    TExif() = default;
    TExif(const TExif&) = delete;
    TExif& operator=(const TExif&) = delete;

    // False quand le fichier n'a pas pu être examiné (voir les cas plus bas).
    bool LireFichier(const QString& NomFichier);
    void LireInfos();
    void LireValeur(const TEntreeIFD& Entree, int64_t Base, QString& S);

    // S : les 16 chiffres hexadécimaux d'un rationnel rendus par LireValeur.
    static void FormaterRationnel(const QString& S, QString& Res);
    static void FormaterDureeExposition(const QString& S, QString& Res);
    static void FormaterOuverture(const QString& S, QString& Res);
    static void FormaterVitesseObturation(const QString& S, QString& Res);

    uint32_t OffsetExif = 0;
    char OrdreOctets = 0;  // 'I', 'M' ou nul
    TListeInfos Infos;

private:
    void VerifierReste(int64_t Nombre) const;
    QByteArray Lire(int64_t Nombre);
    void Lire(void* Dest, int64_t Nombre);
    QString LireTexte(int64_t Position, uint32_t Nombre);
    TEntreeIFD LireEntree();
    void Positionner(int64_t Position);
    void TraiterIFD0(const TEntreeIFD& E, int64_t Base);
    void TraiterExif(const TEntreeIFD& E, int64_t Base);

    QFile Fichier;
    int64_t TailleFichier = 0;
};
