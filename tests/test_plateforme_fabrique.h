#pragma once
// Fabrique de fichiers image de test, écrits avec les bibliothèques de chaque
// format (et à la main pour le BMP), pour les tests et les cibles de fuzz.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/Bitmap.h"

using Octets = std::vector<uint8_t>;

struct CouleurRvb
{
    uint8_t r, v, b;
};

// ---- BMP --------------------------------------------------------------------
struct OptionsBmp
{
    int tailleEntete = 40;  // 12 (OS/2), 40, 108, 124
    int bits = 24;          // 1, 4, 8, 16, 24, 32
    bool champsDeBits = false;
    uint32_t masques[3] = {0, 0, 0};  // rouge, vert, bleu
    bool hautEnBas = false;
    std::vector<CouleurRvb> palette;
};
// Pixels : indices (palette) ou valeurs brutes rangées dans un uint32 par pixel.
Octets FabriquerBmp(int largeur, int hauteur, const std::vector<uint32_t>& pixels, const OptionsBmp& o);

// ---- PNG --------------------------------------------------------------------
struct OptionsPng
{
    int type = 2;        // PNG_COLOR_TYPE_*
    int profondeur = 8;  // bits par échantillon
    bool entrelace = false;
    std::vector<CouleurRvb> palette;
    std::vector<uint8_t> transparence;  // tRNS d'une palette
};
// Lignes déjà au format PNG (échantillons 16 bits en gros-boutiste).
Octets FabriquerPng(int largeur, int hauteur, const std::vector<Octets>& lignes, const OptionsPng& o);

// Blocs écrits à la main, pour des fichiers que libpng n'écrirait pas.
// Bloc complet : longueur, type, données, CRC.
Octets BlocPng(const char* type, const Octets& donnees);
// Flux zlib des octets bruts suivis de zeros octets nuls.
Octets Comprimer(const Octets& brut, uint64_t zeros = 0);
// Bloc zTXt ou iTXt dont le texte comprimé fait taille lettres.
Octets BlocTexteComprime(const char* type, size_t taille);
// Le PNG, des blocs insérés devant son premier bloc du type avant.
Octets PngAvecBlocs(const Octets& png, const char* avant, const Octets& blocs);
// Le PNG, son flux d'image prolongé après les lignes de zeros octets nuls
// comprimés et coupé en blocs IDAT d'au plus tailleIdat octets.
Octets PngZerosApresLignes(const Octets& png, uint64_t zeros, size_t tailleIdat);

// ---- GIF --------------------------------------------------------------------
struct OptionsGif
{
    int largeurEcran = 0, hauteurEcran = 0;  // 0 : celles de l'image
    int gauche = 0, haut = 0;
    bool entrelace = false;
    int transparente = -1;
    bool paletteLocale = false;
    bool secondeImage = false;
};
Octets FabriquerGif(int largeur, int hauteur, const std::vector<uint8_t>& indices,
                    const std::vector<CouleurRvb>& palette, const OptionsGif& o);

// ---- TIFF -------------------------------------------------------------------
struct OptionsTiff
{
    int echantillons = 3;  // 1 gris, 3 RVB, 4 RVBA (alpha non associé)
    int bits = 8;          // 8 ou 16
    int lignesParBande = 3;
    int compression = 1;   // COMPRESSION_*
    bool plansSepares = false;
    int tuile = 0;         // côté des tuiles, 0 : bandes
};
// Échantillons entrelacés, un uint16 par échantillon.
Octets FabriquerTiff(int largeur, int hauteur, const std::vector<uint16_t>& echantillons,
                     const OptionsTiff& o);

// ---- JPEG -------------------------------------------------------------------
// 1 composante (gris) ou 4 (CMYK inversé à la manière d'Adobe).
Octets FabriquerJpeg(int largeur, int hauteur, int composantes, const std::vector<uint8_t>& echantillons,
                     int qualite, bool progressif = false);

// Image de test lisse, aux couleurs variées.
Bitmap ImageDegrade(int largeur, int hauteur);

// Tube nommé (FIFO) sans écrivain : le lire bloquerait. Tant qu'il vit, un
// fil ouvre et referme son bout d'écriture, pour qu'un test en faute échoue
// au lieu de rester bloqué.
class Tube
{
public:
    explicit Tube(std::string chemin);
    ~Tube();
    Tube(const Tube&) = delete;
    Tube& operator=(const Tube&) = delete;

private:
    std::string chemin_;
    std::atomic<bool> fin_{false};
    std::thread fil_;
};
