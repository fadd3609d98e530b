#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <gif_lib.h>

#include "platform/Decodeurs.h"
#include "platform/DecodeursCommun.h"

// Première image seulement ; les pixels transparents et le tour de l'écran
// logique que l'image ne couvre pas sont blancs, comme sur une page. Un écran
// que l'image couvre à moins du quart n'est pas gardé : quelques octets
// réclameraient sinon des gigaoctets de blanc.

namespace {

struct Source
{
    const uint8_t* donnees;
    size_t taille;
    size_t position;
};

int Lire(GifFileType* gif, GifByteType* dest, int n)
{
    auto* s = static_cast<Source*>(gif->UserData);
    const size_t k = std::min(static_cast<size_t>(std::max(n, 0)), s->taille - s->position);
    if (k == 0)
        return 0;
    std::memcpy(dest, s->donnees + s->position, k);
    s->position += k;
    return static_cast<int>(k);
}

struct Fermeture
{
    GifFileType* gif;
    ~Fermeture()
    {
        int erreur = 0;
        DGifCloseFile(gif, &erreur);
    }
};

// Ordre des lignes d'une image entrelacée : passes 0/8, 4/8, 2/4, 1/2.
std::vector<int> OrdreLignes(int hauteur, bool entrelacee)
{
    std::vector<int> ordre;
    ordre.reserve(hauteur);
    if (!entrelacee) {
        for (int y = 0; y < hauteur; ++y)
            ordre.push_back(y);
        return ordre;
    }
    const int debut[4] = {0, 4, 2, 1}, pas[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
        for (int y = debut[p]; y < hauteur; y += pas[p])
            ordre.push_back(y);
    return ordre;
}

}  // namespace

void DecoderGif(const uint8_t* donnees, size_t taille, Bitmap& dest)
{
    Source source{donnees, taille, 0};
    int erreur = 0;
    GifFileType* gif = DGifOpen(&source, Lire, &erreur);
    if (gif == nullptr)
        ImageNonValide();
    const Fermeture fermeture{gif};

    int transparente = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            ImageNonValide();
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type == TERMINATE_RECORD_TYPE)
            ImageNonValide();  // aucune image
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* extension = nullptr;
        if (DGifGetExtension(gif, &code, &extension) == GIF_ERROR)
            ImageNonValide();
        if (code == GRAPHICS_EXT_FUNC_CODE && extension != nullptr && extension[0] == 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(4, extension + 1, &gcb) == GIF_OK)
                transparente = gcb.TransparentColor;
        }
        while (extension != nullptr)
            if (DGifGetExtensionNext(gif, &extension) == GIF_ERROR)
                ImageNonValide();
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        ImageNonValide();

    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0)
        ImageNonValide();
    int64_t largeur = std::max<int64_t>(gif->SWidth, int64_t(desc.Left) + desc.Width);
    int64_t hauteur = std::max<int64_t>(gif->SHeight, int64_t(desc.Top) + desc.Height);
    int gauche = desc.Left, haut = desc.Top;
    if (largeur * hauteur > 4 * int64_t(desc.Width) * desc.Height) {
        largeur = desc.Width;
        hauteur = desc.Height;
        gauche = haut = 0;
    }
    VerifierDimensions(largeur, hauteur, 0, static_cast<int64_t>(taille) + desc.Width + 4 * int64_t(desc.Height));
    const ColorMapObject* palette = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    const int couleurs = palette != nullptr ? palette->ColorCount : 0;

    Bitmap image(static_cast<int>(largeur), static_cast<int>(hauteur));
    std::vector<GifPixelType> ligne(static_cast<size_t>(desc.Width));
    for (int y : OrdreLignes(desc.Height, desc.Interlace)) {
        if (DGifGetLine(gif, ligne.data(), desc.Width) == GIF_ERROR)
            ImageNonValide();
        uint8_t* d = image.Ligne(haut + y) + 3 * static_cast<size_t>(gauche);
        for (int x = 0; x < desc.Width; ++x, d += 3) {
            const int i = ligne[x];
            if (i == transparente)
                continue;
            // Un indice hors de la palette donne du noir.
            if (i < couleurs) {
                const GifColorType& c = palette->Colors[i];
                d[0] = c.Blue;
                d[1] = c.Green;
                d[2] = c.Red;
            } else {
                d[0] = d[1] = d[2] = 0;
            }
        }
    }
    dest = std::move(image);
}
