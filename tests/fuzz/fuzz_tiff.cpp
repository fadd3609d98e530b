#include <tiffio.h>

#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    Essayer(DecoderTiff, donnees, taille);
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    const int l = 11, h = 7;
    auto echantillons = [&](int n) {
        std::vector<uint16_t> e;
        for (int i = 0; i < l * h * n; ++i)
            e.push_back(static_cast<uint16_t>(i * 37 % 256));
        return e;
    };
    std::vector<Octets> graines;
    const OptionsTiff options[] = {
        {3, 8, 3, COMPRESSION_NONE, false, 0},     {3, 8, 2, COMPRESSION_LZW, false, 0},
        {3, 16, 4, COMPRESSION_ADOBE_DEFLATE, false, 0}, {3, 8, 3, COMPRESSION_NONE, true, 0},
        {3, 8, 0, COMPRESSION_NONE, false, 16},    {1, 8, 5, COMPRESSION_PACKBITS, false, 0},
        {4, 8, 7, COMPRESSION_NONE, false, 0},
    };
    for (const auto& o : options)
        graines.push_back(FabriquerTiff(l, h, echantillons(o.echantillons), o));
    return graines;
}
