#include <png.h>

#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    Essayer(DecoderPng, donnees, taille);
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    const int l = 10, h = 6;
    auto lignes = [&](size_t octets) {
        std::vector<Octets> r(h, Octets(octets));
        for (int y = 0; y < h; ++y)
            for (size_t x = 0; x < octets; ++x)
                r[y][x] = static_cast<uint8_t>(x * 29 + y * 7);
        return r;
    };
    std::vector<CouleurRvb> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back({static_cast<uint8_t>(i * 16), 0, static_cast<uint8_t>(255 - i)});
    OptionsPng rvb, indexee, grisAlpha, rvbaEntrelacee;
    rvb.type = PNG_COLOR_TYPE_RGB;
    indexee.type = PNG_COLOR_TYPE_PALETTE;
    indexee.profondeur = 4;
    indexee.palette = palette;
    indexee.transparence = {0, 128};
    grisAlpha.type = PNG_COLOR_TYPE_GRAY_ALPHA;
    grisAlpha.profondeur = 16;
    rvbaEntrelacee.type = PNG_COLOR_TYPE_RGBA;
    rvbaEntrelacee.entrelace = true;
    // Indices 4 bits limités à la palette : chaque octet porte deux indices < 16.
    return {FabriquerPng(l, h, lignes(3 * l), rvb), FabriquerPng(l, h, lignes(l / 2), indexee),
            FabriquerPng(l, h, lignes(4 * l), grisAlpha), FabriquerPng(l, h, lignes(4 * l), rvbaEntrelacee)};
}
