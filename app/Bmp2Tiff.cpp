#include "app/Bmp2Tiff.h"

#include <cstdint>
#include <vector>

#include <QIODevice>
#include <QFile>

#include "platform/Ecrivains.h"
#include "platform/Erreur.h"

namespace {

const char* const MsgEcritureFlux = "Erreur d'écriture dans le flux";

constexpr int NbEntrees = 15;
constexpr uint32_t DebutPixels = 40;

enum : uint16_t { ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5 };

// Au-delà de 65535 pixels un SHORT perdrait les bits hauts de la taille.
uint16_t TypeTaille(uint32_t Taille)
{
    return Taille > 0xFFFF ? LONG : SHORT;
}

#pragma pack(push, 1)
struct TEntree
{
    uint16_t Tag;
    uint16_t Type;
    uint32_t Nombre;
    uint32_t Valeur;
};
#pragma pack(pop)
static_assert(sizeof(TEntree) == 12);

// Le format est petit-boutiste comme la machine : on écrit les octets tels quels.
void Ecrire(QIODevice& Flux, const void* Donnees, qint64 Taille)
{
    if (Flux.write(static_cast<const char*>(Donnees), Taille) != Taille)
        throw Erreur(MsgEcritureFlux);
}

template <class T>
void EcrireValeur(QIODevice& Flux, const T& Valeur)
{
    Ecrire(Flux, &Valeur, sizeof(T));
}

// Refus vérifiés avant que le fichier soit touché.
void VerifierImage(const Bitmap& Bmp)
{
    if (Bmp.Empty())
        throw Erreur(MsgImageVide);
    // Les offsets du répertoire tiennent sur 32 bits.
    const uint64_t TaillePixels = uint64_t(3) * uint32_t(Bmp.Width()) * uint32_t(Bmp.Height());
    if (DebutPixels + TaillePixels + 2 + NbEntrees * 12 + 4 > UINT32_MAX)
        throw Erreur("Image trop grande pour le format TIFF");
}

}

void EcrireTiffFlux(QIODevice& Flux, const Bitmap& Bmp)
{
    VerifierImage(Bmp);
    const uint32_t L = static_cast<uint32_t>(Bmp.Width());
    const uint32_t H = static_cast<uint32_t>(Bmp.Height());
    const uint64_t TaillePixels = uint64_t(3) * L * H;

    Ecrire(Flux, "II", 2);
    EcrireValeur<uint16_t>(Flux, 42);
    EcrireValeur<uint32_t>(Flux, 8);

    const uint32_t PosResX = static_cast<uint32_t>(Flux.pos());
    EcrireValeur<uint32_t>(Flux, 877);
    EcrireValeur<uint32_t>(Flux, 10);
    const uint32_t PosResY = static_cast<uint32_t>(Flux.pos());
    EcrireValeur<uint32_t>(Flux, 877);
    EcrireValeur<uint32_t>(Flux, 10);
    const uint32_t PosBits = static_cast<uint32_t>(Flux.pos());
    const uint16_t Bits[3] = {8, 8, 8};
    Ecrire(Flux, Bits, sizeof(Bits));
    const uint32_t PosLogiciel = static_cast<uint32_t>(Flux.pos());
    Ecrire(Flux, "Quendarith", 10);
    const uint32_t PosBande = static_cast<uint32_t>(Flux.pos());

    // Une ligne tampon réutilisée : B,G,R devient R,V,B, sans le bourrage de ligne.
    std::vector<uint8_t> Ligne(static_cast<size_t>(L) * 3);
    for (uint32_t y = 0; y < H; ++y) {
        const uint8_t* s = Bmp.Ligne(static_cast<int>(y));
        uint8_t* d = Ligne.data();
        for (uint32_t x = 0; x < L; ++x, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
        Ecrire(Flux, Ligne.data(), static_cast<qint64>(Ligne.size()));
    }

    const uint32_t PosRepertoire = static_cast<uint32_t>(Flux.pos());
    const TEntree Entrees[NbEntrees] = {
        {254, LONG, 1, 0},
        {256, TypeTaille(L), 1, L},
        {257, TypeTaille(H), 1, H},
        {258, SHORT, 3, PosBits},
        {259, SHORT, 1, 1},
        {262, SHORT, 1, 2},
        {273, LONG, 1, PosBande},
        {277, SHORT, 1, 3},
        {278, LONG, 1, H},
        {279, LONG, 1, static_cast<uint32_t>(TaillePixels)},
        {282, RATIONAL, 1, PosResX},
        {283, RATIONAL, 1, PosResY},
        {284, SHORT, 1, 1},
        {296, SHORT, 1, 2},
        {305, ASCII, 10, PosLogiciel},
    };
    EcrireValeur<uint16_t>(Flux, NbEntrees);
    Ecrire(Flux, Entrees, sizeof(Entrees));
    EcrireValeur<uint32_t>(Flux, 0);

    if (!Flux.seek(4))
        throw Erreur(MsgEcritureFlux);
    EcrireValeur<uint32_t>(Flux, PosRepertoire);
}

void EnregistrerTiff(const QString& NomFichier, const Bitmap& Bmp)
{
    VerifierImage(Bmp);
    FichierRemplacant Remplacant(NomFichier);
    // Sans tampon : chaque écriture refusée se voit dans EcrireTiffFlux.
    QFile Fichier;
    if (Remplacant.Descripteur() < 0 ||
        !Fichier.open(Remplacant.Descripteur(), QIODevice::WriteOnly | QIODevice::Unbuffered,
                      QFileDevice::DontCloseHandle))
        throw Erreur(MsgCreationImpossible(NomFichier));
    // L'image a été vérifiée : une erreur ne peut plus venir que de l'écriture.
    try {
        EcrireTiffFlux(Fichier, Bmp);
    } catch (const Erreur&) {
        throw Erreur(MsgEcritureImpossible(NomFichier));
    }
    Fichier.close();
    if (!Remplacant.Valider())
        throw Erreur(MsgEcritureImpossible(NomFichier));
}
