#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    Essayer(DecoderGif, donnees, taille);
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    const int l = 12, h = 9;
    std::vector<uint8_t> indices;
    for (int i = 0; i < l * h; ++i)
        indices.push_back(static_cast<uint8_t>(i % 7));
    std::vector<CouleurRvb> palette;
    for (int i = 0; i < 7; ++i)
        palette.push_back({static_cast<uint8_t>(i * 30), static_cast<uint8_t>(i * 5), 200});
    OptionsGif simple, entrelacee, locale;
    entrelacee.entrelace = true;
    entrelacee.transparente = 2;
    locale.paletteLocale = true;
    locale.secondeImage = true;
    locale.largeurEcran = 20;
    locale.hauteurEcran = 14;
    locale.gauche = 3;
    locale.haut = 2;
    return {FabriquerGif(l, h, indices, palette, simple), FabriquerGif(l, h, indices, palette, entrelacee),
            FabriquerGif(l, h, indices, palette, locale)};
}
