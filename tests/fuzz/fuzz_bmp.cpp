#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    Essayer(DecoderBmp, donnees, taille);
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    const int l = 13, h = 7;
    std::vector<CouleurRvb> palette;
    for (int i = 0; i < 16; ++i)
        palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9), static_cast<uint8_t>(i)});
    std::vector<uint32_t> indices, directs;
    for (int i = 0; i < l * h; ++i) {
        indices.push_back(static_cast<uint32_t>(i % 16));
        directs.push_back(static_cast<uint32_t>(i * 2654435761u));
    }
    std::vector<Octets> graines;
    auto ajouter = [&](int bits, int entete, bool champs, bool hautEnBas, bool avecPalette, uint32_t r,
                       uint32_t v, uint32_t b) {
        OptionsBmp o;
        o.bits = bits;
        o.tailleEntete = entete;
        o.champsDeBits = champs;
        o.hautEnBas = hautEnBas;
        o.masques[0] = r;
        o.masques[1] = v;
        o.masques[2] = b;
        if (avecPalette)
            o.palette.assign(palette.begin(), palette.begin() + (bits == 1 ? 2 : 16));
        graines.push_back(FabriquerBmp(l, h, bits <= 8 ? indices : directs, o));
    };
    ajouter(1, 40, false, false, true, 0, 0, 0);
    ajouter(4, 124, false, true, true, 0, 0, 0);
    ajouter(8, 12, false, false, true, 0, 0, 0);
    ajouter(16, 40, true, false, false, 0xF800, 0x07E0, 0x001F);
    ajouter(24, 40, false, true, false, 0, 0, 0);
    ajouter(32, 108, true, false, false, 0xFF0000, 0xFF00, 0xFF);
    return graines;
}
