#include "platform/Ecrivains.h"
#include "tests/fuzz/Fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    Essayer(DecoderJpeg, donnees, taille);
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    const int l = 16, h = 16;
    const Bitmap image = ImageDegrade(l, h);
    std::vector<uint8_t> gris, cmjn;
    for (int i = 0; i < l * h; ++i) {
        gris.push_back(static_cast<uint8_t>(i));
        cmjn.insert(cmjn.end(), {static_cast<uint8_t>(i), 200, static_cast<uint8_t>(255 - i), 180});
    }
    std::vector<uint8_t> rvb;
    for (int y = 0; y < h; ++y)
        rvb.insert(rvb.end(), image.Ligne(y), image.Ligne(y) + 3 * l);
    return {EncoderJpeg(image, 75), FabriquerJpeg(l, h, 1, gris, 90), FabriquerJpeg(l, h, 3, rvb, 50, true),
            FabriquerJpeg(l, h, 4, cmjn, 80)};
}
