#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include <tiffio.h>

#include "platform/Decodeurs.h"
#include "platform/DecodeursCommun.h"

// Toute disposition passe par le lecteur RGBA de libtiff ; la transparence
// est composée sur fond blanc, comme pour le PNG. Première page seulement.

namespace {

struct Source
{
    const uint8_t* donnees;
    toff_t taille;
    toff_t position;
};

tmsize_t Lire(thandle_t h, void* dest, tmsize_t n)
{
    auto* s = static_cast<Source*>(h);
    if (n <= 0 || s->position >= s->taille)
        return 0;
    const toff_t k = std::min<toff_t>(static_cast<toff_t>(n), s->taille - s->position);
    std::memcpy(dest, s->donnees + s->position, k);
    s->position += k;
    return static_cast<tmsize_t>(k);
}

tmsize_t Ecrire(thandle_t, void*, tmsize_t)
{
    return 0;
}

toff_t Chercher(thandle_t h, toff_t decalage, int origine)
{
    auto* s = static_cast<Source*>(h);
    // Les décalages relatifs arrivent signés sous un type non signé.
    int64_t base = 0;
    if (origine == SEEK_CUR)
        base = static_cast<int64_t>(s->position);
    else if (origine == SEEK_END)
        base = static_cast<int64_t>(s->taille);
    const int64_t p = base + static_cast<int64_t>(decalage);
    if (p < 0)
        return static_cast<toff_t>(-1);
    s->position = static_cast<toff_t>(p);
    return s->position;
}

int Fermer(thandle_t)
{
    return 0;
}

toff_t Taille(thandle_t h)
{
    return static_cast<Source*>(h)->taille;
}

// La source est déjà en mémoire : libtiff la lit sur place, sans copie.
int Projeter(thandle_t h, void** base, toff_t* taille)
{
    auto* s = static_cast<Source*>(h);
    *base = const_cast<uint8_t*>(s->donnees);
    *taille = s->taille;
    return 1;
}

void Oublier(thandle_t, void*, toff_t) {}

struct Fermeture
{
    TIFF* tif;
    ~Fermeture() { TIFFClose(tif); }
};

}  // namespace

void DecoderTiff(const uint8_t* donnees, size_t taille, Bitmap& dest)
{
    // libtiff écrit ses messages sur la sortie d'erreur : on les tait.
    static std::once_flag silence;
    std::call_once(silence, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });

    Source source{donnees, static_cast<toff_t>(taille), 0};
    // Les allocations propres à libtiff restent sous la mémoire permise.
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr)
        throw std::bad_alloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, MemoireDecodageMax);
    TIFF* tif = TIFFClientOpenExt("image", "r", &source, Lire, Ecrire, Chercher, Fermer, Taille, Projeter,
                                  Oublier, options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr)
        ImageNonValide();
    const Fermeture fermeture{tif};

    uint32_t largeur = 0, hauteur = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &largeur) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &hauteur))
        ImageNonValide();
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message))
        ImageNonValide();
    // Copie RVBA de l'image entière, plus la bande ou la tuile que libtiff
    // décode (une par plan quand les plans sont séparés).
    uint16_t plans = PLANARCONFIG_CONTIG, echantillons = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &plans);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &echantillons);
    const uint64_t bloc = TIFFIsTiled(tif) ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
    const uint64_t blocs = bloc * (plans == PLANARCONFIG_SEPARATE ? echantillons : 1);
    if (blocs > uint64_t(MemoireDecodageMax))
        ImageTropGrande();
    VerifierDimensions(largeur, hauteur, 4, static_cast<int64_t>(taille + blocs));

    std::vector<uint32_t> rgba(static_cast<size_t>(largeur) * hauteur);
    Bitmap image(static_cast<int>(largeur), static_cast<int>(hauteur));
    if (!TIFFReadRGBAImageOriented(tif, largeur, hauteur, rgba.data(), ORIENTATION_TOPLEFT, 1))
        ImageNonValide();
    // Le lecteur RGBA rend des couleurs prémultipliées par l'opacité.
    for (uint32_t y = 0; y < hauteur; ++y) {
        const uint32_t* s = rgba.data() + static_cast<size_t>(y) * largeur;
        uint8_t* d = image.Ligne(static_cast<int>(y));
        for (uint32_t x = 0; x < largeur; ++x, d += 3) {
            const uint32_t p = s[x];
            const unsigned fond = 255 - TIFFGetA(p);
            d[0] = static_cast<uint8_t>(std::min(255u, TIFFGetB(p) + fond));
            d[1] = static_cast<uint8_t>(std::min(255u, TIFFGetG(p) + fond));
            d[2] = static_cast<uint8_t>(std::min(255u, TIFFGetR(p) + fond));
        }
    }
    dest = std::move(image);
}
