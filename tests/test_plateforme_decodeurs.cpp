#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <tuple>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"

// Les options des cas sont écrites en abrégé : les champs omis gardent leur défaut.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Decodeur = void (*)(const uint8_t*, size_t, Bitmap&);

Bitmap Decoder(Decodeur d, const Octets& f)
{
    Bitmap b;
    d(f.data(), f.size(), b);
    return b;
}

void PoserPixel(Bitmap& b, int x, int y, CouleurRvb c)
{
    uint8_t* p = b.Ligne(y) + 3 * x;
    p[0] = c.b;
    p[1] = c.v;
    p[2] = c.r;
}

CouleurRvb LirePixel(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.Ligne(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

std::vector<CouleurRvb> PaletteTest(int n)
{
    std::vector<CouleurRvb> p;
    for (int i = 0; i < n; ++i)
        p.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11),
                     static_cast<uint8_t>(i * i)});
    return p;
}

// Image d'indices 0..n-1 et son rendu attendu en 24 bits.
struct ImageIndexee
{
    int l, h;
    std::vector<uint32_t> indices;
    std::vector<CouleurRvb> palette;
    Bitmap attendu;
};

ImageIndexee Indexee(int l, int h, int couleurs)
{
    ImageIndexee i{l, h, {}, PaletteTest(couleurs), Bitmap(l, h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x) {
            const uint32_t k = static_cast<uint32_t>((x * 3 + y * 5) % couleurs);
            i.indices.push_back(k);
            PoserPixel(i.attendu, x, y, i.palette[k]);
        }
    return i;
}

void AttendreRefus(Decodeur d, const Octets& f, const char* cas, const char* message = "Image non valide")
{
    Bitmap b(2, 2);
    b.Fill(1, 2, 3);
    const Bitmap avant = b;
    try {
        d(f.data(), f.size(), b);
        ADD_FAILURE() << cas << " : aucune erreur";
    } catch (const Erreur& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(message)) << cas;
    }
    EXPECT_TRUE(b == avant) << cas << " : destination modifiée";
}

void Gros32(Octets& f, size_t position, uint32_t v)
{
    for (int o = 0; o < 4; ++o)
        f[position + o] = static_cast<uint8_t>(v >> (24 - 8 * o));
}

// En-tête PNG (CRC juste) annonçant d'autres dimensions que ses données.
Octets PngAgrandi(Octets f, uint32_t largeur, uint32_t hauteur)
{
    Gros32(f, 16, largeur);
    Gros32(f, 20, hauteur);
    Gros32(f, 29, static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), f.data() + 12, 17)));
    return f;
}

// Dégradé en PNG RVB 8 bits : son décodage redonne ImageDegrade.
Octets PngDegrade(int l, int h, bool entrelace)
{
    const Bitmap source = ImageDegrade(l, h);
    std::vector<Octets> lignes(h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x) {
            const CouleurRvb c = LirePixel(source, x, y);
            lignes[y].insert(lignes[y].end(), {c.r, c.v, c.b});
        }
    return FabriquerPng(l, h, lignes, {PNG_COLOR_TYPE_RGB, 8, entrelace});
}

// Bloc iCCP d'un profil RVB de taille octets sans étiquette, à l'en-tête
// assez plausible pour que libpng le décompresse en entier.
Octets BlocIcc(uint32_t taille)
{
    Octets profil(taille, 0);
    Gros32(profil, 0, taille);
    std::memcpy(&profil[12], "mntrRGB XYZ ", 12);
    std::memcpy(&profil[36], "acsp", 4);
    Gros32(profil, 68, 0xF6D6);
    Gros32(profil, 72, 0x10000);
    Gros32(profil, 76, 0xD32D);
    Octets donnees = {'s', 'R', 'V', 'B', 0, 0};
    const Octets flux = Comprimer(profil);
    donnees.insert(donnees.end(), flux.begin(), flux.end());
    return BlocPng("iCCP", donnees);
}

Octets Repete(const Octets& bloc, int fois)
{
    Octets r;
    for (int k = 0; k < fois; ++k)
        r.insert(r.end(), bloc.begin(), bloc.end());
    return r;
}

int Canaux(int typePng)
{
    switch (typePng) {
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGBA: return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    default: return 1;
    }
}

std::atomic<uint64_t> octetsDecompresses{0};

}  // namespace

// Remplace l'inflate de zlib dans ce programme de test (libpng l'appelle par
// son nom) : le compte des octets décompressés mesure le travail d'un
// décodeur sans chronomètre.
extern "C" int inflate(z_streamp flux, int mode)
{
    static const auto zlib = reinterpret_cast<int (*)(z_streamp, int)>(dlsym(RTLD_NEXT, "inflate"));
    const uLong avant = flux->total_out;
    const int r = zlib(flux, mode);
    octetsDecompresses += flux->total_out - avant;
    return r;
}

// ---- BMP ----------------------------------------------------------------------

TEST(DecodeurBmp, ProfondeursEtSens)
{
    struct Cas { const char* nom; int bits; int entete; bool hautEnBas; int couleurs; };
    const Cas palettes[] = {
        {"1 bit", 1, 40, false, 2},     {"4 bits", 4, 40, false, 16},   {"8 bits", 8, 40, false, 256},
        {"8 bits haut en bas", 8, 40, true, 200}, {"4 bits V5", 4, 124, false, 9},
        {"8 bits OS/2", 8, 12, false, 256}, {"1 bit OS/2", 1, 12, false, 2},
    };
    for (const auto& c : palettes) {
        for (int l : {1, 7, 13, 33}) {
            const ImageIndexee i = Indexee(l, 5, c.couleurs);
            OptionsBmp o;
            o.bits = c.bits;
            o.tailleEntete = c.entete;
            o.hautEnBas = c.hautEnBas;
            o.palette = i.palette;
            EXPECT_TRUE(Decoder(DecoderBmp, FabriquerBmp(l, 5, i.indices, o)) == i.attendu)
                << c.nom << " largeur " << l;
        }
    }

    // Couleurs directes : 24 et 32 bits, 16 bits 5-5-5 et champs de bits.
    const Bitmap source = ImageDegrade(11, 6);
    struct CasDirect { const char* nom; int bits; int entete; bool champs; uint32_t m[3]; bool hautEnBas; };
    const CasDirect directs[] = {
        {"24 bits", 24, 40, false, {}, false},
        {"24 bits haut en bas", 24, 40, false, {}, true},
        {"24 bits OS/2", 24, 12, false, {}, false},
        {"32 bits", 32, 40, false, {}, false},
        {"32 bits champs V5", 32, 124, true, {0xFF00, 0xFF0000, 0xFF000000}, true},
        {"32 bits champs", 32, 40, true, {0xFF0000, 0xFF00, 0xFF}, false},
        {"16 bits 5-5-5", 16, 40, false, {}, false},
        {"16 bits 5-6-5", 16, 40, true, {0xF800, 0x07E0, 0x001F}, false},
        {"16 bits 5-6-5 V4", 16, 108, true, {0xF800, 0x07E0, 0x001F}, true},
    };
    for (const auto& c : directs) {
        OptionsBmp o;
        o.bits = c.bits;
        o.tailleEntete = c.entete;
        o.champsDeBits = c.champs;
        o.hautEnBas = c.hautEnBas;
        std::copy(std::begin(c.m), std::end(c.m), o.masques);
        const uint32_t* m = c.m;
        uint32_t defaut[3] = {0x7C00, 0x03E0, 0x001F};
        if (c.bits == 16 && !c.champs)
            m = defaut;
        std::vector<uint32_t> pixels;
        Bitmap attendu(source.Width(), source.Height());
        for (int y = 0; y < source.Height(); ++y)
            for (int x = 0; x < source.Width(); ++x) {
                const CouleurRvb s = LirePixel(source, x, y);
                if (c.bits == 24 || (c.bits == 32 && !c.champs)) {
                    pixels.push_back(s.b | s.v << 8 | s.r << 16 | 0xAB000000u);
                    PoserPixel(attendu, x, y, s);
                    continue;
                }
                uint32_t p = 0;
                CouleurRvb a{};
                uint8_t* canaux[3] = {&a.r, &a.v, &a.b};
                const uint8_t valeurs[3] = {s.r, s.v, s.b};
                for (int k = 0; k < 3; ++k) {
                    const int decalage = __builtin_ctz(m[k]);
                    const int bits = __builtin_popcount(m[k]);
                    const uint32_t v = valeurs[k] >> (8 - std::min(bits, 8));
                    p |= v << decalage;
                    const double maximum = (1 << std::min(bits, 8)) - 1;
                    *canaux[k] = static_cast<uint8_t>(std::lround(v * 255.0 / maximum));
                }
                pixels.push_back(p);
                PoserPixel(attendu, x, y, a);
            }
        EXPECT_TRUE(Decoder(DecoderBmp, FabriquerBmp(source.Width(), source.Height(), pixels, o)) == attendu)
            << c.nom;
    }
}

TEST(DecodeurBmp, IndiceHorsPaletteEnNoir)
{
    OptionsBmp o;
    o.bits = 8;
    o.palette = {{10, 20, 30}, {40, 50, 60}};
    const Bitmap b = Decoder(DecoderBmp, FabriquerBmp(3, 1, {1, 2, 255}, o));
    EXPECT_EQ(LirePixel(b, 0, 0).r, 40);
    EXPECT_EQ(LirePixel(b, 1, 0).r | LirePixel(b, 1, 0).v | LirePixel(b, 1, 0).b, 0);
    EXPECT_EQ(LirePixel(b, 2, 0).v, 0);
}

TEST(DecodeurBmp, EntetesInvalides)
{
    const ImageIndexee i = Indexee(8, 8, 4);
    OptionsBmp o;
    o.bits = 8;
    o.palette = i.palette;
    const Octets bon = FabriquerBmp(8, 8, i.indices, o);
    struct Cas { const char* nom; size_t position; uint32_t valeur; int octets; bool tropGrande = false; };
    const Cas cas[] = {
        {"signature", 0, 'X', 1},
        {"taille d'en-tête", 14, 41, 4},
        {"largeur nulle", 18, 0, 4},
        {"largeur négative", 18, 0xFFFFFFF0u, 4},
        {"hauteur nulle", 22, 0, 4},
        {"hauteur minimale", 22, 0x80000000u, 4, true},
        {"profondeur 7", 28, 7, 2},
        {"RLE8", 30, 1, 4},
        {"champs de bits en 8 bits", 30, 3, 4},
        {"pixels hors du fichier", 10, 0xFFFFFF00u, 4},
        {"immense", 18, 70000, 4, true},
        {"côtés hors de toute mesure", 18, 0x7C00001Du, 4, true},
    };
    for (const auto& c : cas) {
        Octets f = bon;
        for (int k = 0; k < c.octets; ++k)
            f[c.position + k] = static_cast<uint8_t>(c.valeur >> (8 * k));
        // Les deux côtés à la fois : 70000², ou un produit qui déborde 64 bits.
        const uint32_t hauteur = c.valeur == 70000 ? 70000u : 0x61500004u;
        if (c.position == 18 && c.valeur >= 70000)
            for (int k = 0; k < 4; ++k)
                f[22 + k] = static_cast<uint8_t>(hauteur >> (8 * k));
        AttendreRefus(DecoderBmp, f, c.nom, c.tropGrande ? MsgImageTropGrande : "Image non valide");
    }
}

// Trois masques nuls : refusé ; un seul canal décrit suffit à lire l'image.
TEST(DecodeurBmp, ChampsDeBitsTousNulsRefuses)
{
    struct Cas { int bits, entete; uint32_t m[3]; bool valide; };
    const Cas cas[] = {
        {16, 40, {0, 0, 0}, false}, {32, 40, {0, 0, 0}, false}, {32, 108, {0, 0, 0}, false},
        {16, 124, {0, 0, 0}, false}, {32, 40, {0, 0, 0xFF}, true}, {16, 124, {0, 0x07E0, 0}, true},
    };
    for (const auto& c : cas) {
        OptionsBmp o;
        o.bits = c.bits;
        o.tailleEntete = c.entete;
        o.champsDeBits = true;
        std::copy(std::begin(c.m), std::end(c.m), o.masques);
        const Octets f = FabriquerBmp(2, 2, {0xFFFF, 0x1234, 0, 0x00FF}, o);
        const std::string nom = std::to_string(c.bits) + " bits, en-tête " + std::to_string(c.entete);
        if (c.valide)
            EXPECT_NO_THROW(Decoder(DecoderBmp, f)) << nom;
        else
            AttendreRefus(DecoderBmp, f, nom.c_str());
    }
}

// ---- PNG ----------------------------------------------------------------------

TEST(DecodeurPng, TypesEtProfondeurs)
{
    const Bitmap source = ImageDegrade(9, 7);
    struct Cas
    {
        const char* nom;
        OptionsPng o;
        std::function<void(int x, int y, Octets& ligne, Bitmap& attendu)> pixel;
        int l = 9, h = 7;
    };
    // Bruit incompressible : le flux est long, et les données de la dernière
    // ligne ne sont lues qu'une fois cette ligne commencée.
    auto bruit = [](int x, int y, Octets& li, Bitmap& a) {
        uint32_t v = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
        v ^= v >> 15, v *= 0x2C1B3C6Du, v ^= v >> 12, v *= 0x297A2D39u, v ^= v >> 15;
        const CouleurRvb c{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)};
        li[3 * x] = c.r, li[3 * x + 1] = c.v, li[3 * x + 2] = c.b;
        PoserPixel(a, x, y, c);
    };
    auto octet16 = [](Octets& ligne, size_t i, uint8_t v) {
        // v × 257 : la réduction à 8 bits redonne exactement v.
        ligne[2 * i] = v;
        ligne[2 * i + 1] = v;
    };
    const std::vector<CouleurRvb> pal = PaletteTest(16);
    const Cas cas[] = {
        {"RVB 8", {PNG_COLOR_TYPE_RGB, 8}, [&](int x, int y, Octets& li, Bitmap& a) {
             const CouleurRvb c = LirePixel(source, x, y);
             li[3 * x] = c.r, li[3 * x + 1] = c.v, li[3 * x + 2] = c.b;
             PoserPixel(a, x, y, c);
         }},
        {"RVB 8 entrelacé", {PNG_COLOR_TYPE_RGB, 8, true}, [&](int x, int y, Octets& li, Bitmap& a) {
             const CouleurRvb c = LirePixel(source, x, y);
             li[3 * x] = c.r, li[3 * x + 1] = c.v, li[3 * x + 2] = c.b;
             PoserPixel(a, x, y, c);
         }},
        {"RVB 16", {PNG_COLOR_TYPE_RGB, 16}, [&](int x, int y, Octets& li, Bitmap& a) {
             const CouleurRvb c = LirePixel(source, x, y);
             octet16(li, 3 * x, c.r), octet16(li, 3 * x + 1, c.v), octet16(li, 3 * x + 2, c.b);
             PoserPixel(a, x, y, c);
         }},
        {"gris 8", {PNG_COLOR_TYPE_GRAY, 8}, [&](int x, int y, Octets& li, Bitmap& a) {
             const uint8_t g = LirePixel(source, x, y).v;
             li[x] = g;
             PoserPixel(a, x, y, {g, g, g});
         }},
        {"gris 16", {PNG_COLOR_TYPE_GRAY, 16}, [&](int x, int y, Octets& li, Bitmap& a) {
             const uint8_t g = LirePixel(source, x, y).b;
             octet16(li, x, g);
             PoserPixel(a, x, y, {g, g, g});
         }},
        {"gris 2", {PNG_COLOR_TYPE_GRAY, 2}, [&](int x, int y, Octets& li, Bitmap& a) {
             const int v = (x + y) % 4;
             li[x / 4] |= static_cast<uint8_t>(v << (6 - 2 * (x % 4)));
             const uint8_t g = static_cast<uint8_t>(v * 85);
             PoserPixel(a, x, y, {g, g, g});
         }},
        {"palette 4", {PNG_COLOR_TYPE_PALETTE, 4, false, pal}, [&](int x, int y, Octets& li, Bitmap& a) {
             const int k = (x * 3 + y) % 16;
             li[x / 2] |= static_cast<uint8_t>(k << (4 - 4 * (x % 2)));
             PoserPixel(a, x, y, pal[k]);
         }},
        {"palette 8 transparente", {PNG_COLOR_TYPE_PALETTE, 8, false, pal, {0, 255, 0}},
         [&](int x, int y, Octets& li, Bitmap& a) {
             const int k = (x + y) % 4;
             li[x] = static_cast<uint8_t>(k);
             PoserPixel(a, x, y, k == 0 || k == 2 ? CouleurRvb{255, 255, 255} : pal[k]);
         }},
        {"RVBA 8", {PNG_COLOR_TYPE_RGBA, 8}, [&](int x, int y, Octets& li, Bitmap& a) {
             const CouleurRvb c = LirePixel(source, x, y);
             const uint8_t alpha = (x + y) % 3 == 0 ? 0 : (x + y) % 3 == 1 ? 255 : 51;
             li[4 * x] = c.r, li[4 * x + 1] = c.v, li[4 * x + 2] = c.b, li[4 * x + 3] = alpha;
             // Fond blanc : 0 → blanc, 255 → la couleur, 51 → 80 % de blanc.
             auto m = [&](uint8_t v) {
                 return static_cast<uint8_t>(alpha == 0 ? 255 : alpha == 255 ? v : (v * 51 + 255 * 204 + 127) / 255);
             };
             PoserPixel(a, x, y, {m(c.r), m(c.v), m(c.b)});
         }},
        {"gris alpha 16", {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, [&](int x, int y, Octets& li, Bitmap& a) {
             const uint8_t g = LirePixel(source, x, y).r;
             const uint8_t alpha = x % 2 ? 255 : 0;
             octet16(li, 2 * x, g), octet16(li, 2 * x + 1, alpha);
             const uint8_t r = alpha ? g : 255;
             PoserPixel(a, x, y, {r, r, r});
         }},
        {"RVB 8 bruité, large", {PNG_COLOR_TYPE_RGB, 8}, bruit, 2000, 40},
        {"RVB 8 bruité, large, entrelacé", {PNG_COLOR_TYPE_RGB, 8, true}, bruit, 2000, 40},
    };
    for (const auto& c : cas) {
        const size_t octetsLigne = (static_cast<size_t>(c.l) * Canaux(c.o.type) * c.o.profondeur + 7) / 8;
        std::vector<Octets> lignes(c.h, Octets(octetsLigne, 0));
        Bitmap attendu(c.l, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.l; ++x)
                c.pixel(x, y, lignes[y], attendu);
        EXPECT_TRUE(Decoder(DecoderPng, FabriquerPng(c.l, c.h, lignes, c.o)) == attendu) << c.nom;
    }
}

TEST(DecodeurPng, DimensionsImmensesRefuseesSansAllocation)
{
    // En-tête valide (CRC juste) d'une image de 60000 × 60000 : 10 Go en 24 bits.
    std::vector<Octets> lignes(1, Octets(3, 0));
    const Octets f = PngAgrandi(FabriquerPng(1, 1, lignes, {PNG_COLOR_TYPE_RGB, 8}), 60000, 60000);
    AttendreRefus(DecoderPng, f, "60000 × 60000", MsgImageTropGrande);
}

TEST(DecodeurPng, BlocsAnnexesNonDecompresses)
{
    // Texte et profil de couleur devant l'image ne servent pas ici : 4 Mio
    // chacun une fois décompressés.
    const uint32_t taille = 4 << 20;
    const Octets ztxt = BlocTexteComprime("zTXt", taille), itxt = BlocTexteComprime("iTXt", taille);
    const Octets png = PngDegrade(16, 12, false);
    struct Cas { const char* nom; Octets blocs; };
    const Cas cas[] = {
        {"zTXt", Repete(ztxt, 3)},
        {"iTXt", Repete(itxt, 3)},
        {"iCCP", BlocIcc(taille)},
    };
    for (const auto& c : cas) {
        const Octets f = PngAvecBlocs(png, "IDAT", c.blocs);
        octetsDecompresses = 0;
        EXPECT_TRUE(Decoder(DecoderPng, f) == ImageDegrade(16, 12)) << c.nom;
        EXPECT_LT(octetsDecompresses, taille / 4) << c.nom;
    }
}

TEST(DecodeurPng, FluxProlongeApresLesLignesNonDecompresse)
{
    // 64 Mio de zéros comprimés suivent les lignes dans le flux de l'image.
    const uint64_t zeros = uint64_t(64) << 20;
    struct Cas { const char* nom; int l, h; bool entrelace; size_t tailleIdat; };
    const Cas cas[] = {
        {"un bloc IDAT", 16, 16, false, size_t(1) << 30},
        {"blocs IDAT de 1000 octets", 16, 16, false, 1000},
        {"une ligne, blocs de 100 octets", 40, 1, false, 100},
        {"entrelacée", 13, 11, true, size_t(1) << 30},
        {"entrelacée 1 × 1", 1, 1, true, 1000},
    };
    for (const auto& c : cas) {
        const Octets f = PngZerosApresLignes(PngDegrade(c.l, c.h, c.entrelace), zeros, c.tailleIdat);
        octetsDecompresses = 0;
        EXPECT_TRUE(Decoder(DecoderPng, f) == ImageDegrade(c.l, c.h)) << c.nom;
        EXPECT_LT(octetsDecompresses, zeros / 4) << c.nom;
    }
}

TEST(DecodeurPng, FinDuFluxToujoursVerifiee)
{
    // Après la dernière ligne d'un flux sain, la somme Adler et le CRC sont
    // encore lus : un défaut y refuse l'image. Seul le bloc IEND peut manquer.
    const Octets png = PngDegrade(16, 16, false);
    const size_t crc = png.size() - 12 - 4;
    auto modifie = [&](size_t p) {
        Octets f = png;
        f[p] ^= 1;
        return f;
    };
    auto coupe = [&](size_t n) { return Octets(png.begin(), png.begin() + static_cast<ptrdiff_t>(n)); };
    struct Cas { const char* nom; Octets f; };
    const Cas cas[] = {
        {"somme Adler fausse", modifie(crc - 1)}, {"CRC faux", modifie(crc)},
        {"coupé dans la somme Adler", coupe(crc - 2)}, {"coupé avant le CRC", coupe(crc)},
        {"coupé dans le CRC", coupe(crc + 2)},
    };
    for (const auto& c : cas)
        AttendreRefus(DecoderPng, c.f, c.nom);
    EXPECT_TRUE(Decoder(DecoderPng, coupe(crc + 4)) == ImageDegrade(16, 16)) << "sans IEND";
}

// ---- GIF ----------------------------------------------------------------------

TEST(DecodeurGif, PremiereImageTransparenceEtEcran)
{
    // Taille attendue : l'écran logique tant que l'image (13 × 10) en couvre le quart.
    struct Cas { const char* nom; OptionsGif o; int le, he; };
    const Cas cas[] = {
        {"simple", {}, 13, 10},
        {"entrelacée", {0, 0, 0, 0, true}, 13, 10},
        {"transparente", {0, 0, 0, 0, false, 3}, 13, 10},
        {"palette locale", {0, 0, 0, 0, false, -1, true}, 13, 10},
        {"décalée dans l'écran", {20, 15, 4, 3}, 20, 15},
        {"deux images", {0, 0, 0, 0, true, 5, false, true}, 13, 10},
        {"écran juste au quart", {26, 20}, 26, 20},
        {"écran passé le quart", {27, 20}, 13, 10},
        {"écran immense", {26700, 26700, 5, 7}, 13, 10},
        {"décalée très loin", {0, 0, 20000, 20000}, 13, 10},
    };
    for (const auto& c : cas) {
        const int l = 13, h = 10;
        const ImageIndexee i = Indexee(l, h, 7);
        std::vector<uint8_t> indices(i.indices.begin(), i.indices.end());
        Bitmap attendu(c.le, c.he);  // blanc
        const bool ecran = c.le > l || c.he > h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x)
                if (static_cast<int>(i.indices[y * l + x]) != c.o.transparente)
                    PoserPixel(attendu, ecran ? c.o.gauche + x : x, ecran ? c.o.haut + y : y,
                               i.palette[i.indices[y * l + x]]);
        const Bitmap b = Decoder(DecoderGif, FabriquerGif(l, h, indices, i.palette, c.o));
        EXPECT_TRUE(b == attendu) << c.nom;
    }
}

// ---- TIFF ---------------------------------------------------------------------

TEST(DecodeurTiff, DispositionsEtProfondeurs)
{
    const int l = 10, h = 7;
    const Bitmap source = ImageDegrade(l, h);
    struct Cas { const char* nom; OptionsTiff o; };
    const Cas cas[] = {
        {"RVB bandes", {3, 8, 3, COMPRESSION_NONE}},
        {"RVB LZW", {3, 8, 2, COMPRESSION_LZW}},
        {"RVB deflate 16 bits", {3, 16, 4, COMPRESSION_ADOBE_DEFLATE}},
        {"RVB plans séparés", {3, 8, 3, COMPRESSION_NONE, true}},
        {"RVB tuiles", {3, 8, 0, COMPRESSION_NONE, false, 16}},
        {"gris", {1, 8, 5, COMPRESSION_PACKBITS}},
        {"RVBA", {4, 8, 7, COMPRESSION_NONE}},
    };
    for (const auto& c : cas) {
        SCOPED_TRACE(c.nom);
        const int n = c.o.echantillons;
        std::vector<uint16_t> ech;
        Bitmap attendu(l, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x) {
                const CouleurRvb s = LirePixel(source, x, y);
                const uint16_t f = c.o.bits == 16 ? 257 : 1;
                if (n == 1) {
                    ech.push_back(s.v * f);
                    PoserPixel(attendu, x, y, {s.v, s.v, s.v});
                    continue;
                }
                ech.push_back(s.r * f);
                ech.push_back(s.v * f);
                ech.push_back(s.b * f);
                if (n == 4) {
                    const bool opaque = (x + y) % 2 == 0;
                    ech.push_back(opaque ? 255 : 0);
                    PoserPixel(attendu, x, y, opaque ? s : CouleurRvb{255, 255, 255});
                    continue;
                }
                PoserPixel(attendu, x, y, s);
            }
        Bitmap b;
        EXPECT_NO_THROW(b = Decoder(DecoderTiff, FabriquerTiff(l, h, ech, c.o)));
        EXPECT_TRUE(b == attendu);
    }
}

// ---- JPEG ---------------------------------------------------------------------

TEST(DecodeurJpeg, GrisCouleurEtCmjn)
{
    const int l = 32, h = 24;
    const Bitmap source = ImageDegrade(l, h);
    struct Cas { const char* nom; int composantes; bool progressif; };
    const Cas cas[] = {{"RVB", 3, false}, {"RVB progressif", 3, true}, {"gris", 1, false}, {"CMJN", 4, false}};
    for (const auto& c : cas) {
        std::vector<uint8_t> ech;
        Bitmap attendu(l, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < l; ++x) {
                const CouleurRvb s = LirePixel(source, x, y);
                if (c.composantes == 1) {
                    ech.push_back(s.v);
                    PoserPixel(attendu, x, y, {s.v, s.v, s.v});
                } else if (c.composantes == 3) {
                    ech.insert(ech.end(), {s.r, s.v, s.b});
                    PoserPixel(attendu, x, y, s);
                } else {
                    // Adobe : CMJN inversé, noir nul (K inversé = 255).
                    ech.insert(ech.end(), {s.r, s.v, s.b, 255});
                    PoserPixel(attendu, x, y, s);
                }
            }
        const Bitmap b = Decoder(DecoderJpeg, FabriquerJpeg(l, h, c.composantes, ech, 100, c.progressif));
        ASSERT_EQ(b.Width(), l);
        ASSERT_EQ(b.Height(), h);
        int ecart = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3 * l; ++x)
                ecart = std::max(ecart, std::abs(b.Ligne(y)[x] - attendu.Ligne(y)[x]));
        EXPECT_LE(ecart, 8) << c.nom;
    }
}

// Un fichier coupé est refusé, qu'il finisse net ou par un marqueur de fin ;
// des octets parasites avant un marqueur n'empêchent pas la lecture.
TEST(DecodeurJpeg, CoupeRefuseeMemeRefermee)
{
    const int l = 64, h = 48;
    const Bitmap source = ImageDegrade(l, h);
    std::vector<uint8_t> rvb;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < l; ++x) {
            const CouleurRvb c = LirePixel(source, x, y);
            rvb.insert(rvb.end(), {c.r, c.v, c.b});
        }
    for (const bool progressif : {false, true}) {
        const std::string nom = progressif ? "progressif" : "séquentiel";
        const Octets f = FabriquerJpeg(l, h, 3, rvb, 90, progressif);
        const Bitmap entier = Decoder(DecoderJpeg, f);
        size_t passe = 0;
        for (size_t k = 0; k + 3 < f.size(); ++k)
            if (f[k] == 0xFF && f[k + 1] == 0xDA)
                passe = k;
        const size_t donnees = passe + 2 + (size_t(f[passe + 2]) << 8 | f[passe + 3]);
        auto coupe = [&](size_t n, bool refermer) {
            Octets c(f.begin(), f.begin() + static_cast<ptrdiff_t>(n));
            if (refermer)
                c.insert(c.end(), {0xFF, 0xD9});
            return c;
        };
        const size_t n = donnees + (f.size() - 2 - donnees) * 4 / 10;
        for (const bool refermer : {false, true})
            AttendreRefus(DecoderJpeg, coupe(n, refermer), (nom + (refermer ? " coupé, refermé" : " coupé")).c_str());
        if (progressif)
            AttendreRefus(DecoderJpeg, coupe(passe, true), "progressif privé de sa dernière passe");
        Octets parasites = coupe(f.size() - 2, false);
        parasites.insert(parasites.end(), 32, 0x5A);
        parasites.insert(parasites.end(), {0xFF, 0xD9});
        Bitmap b;
        EXPECT_NO_THROW(b = Decoder(DecoderJpeg, parasites)) << nom;
        EXPECT_TRUE(b == entier) << nom;
    }
}

// Chaque passe reparcourt l'image entière : un fichier qui les répète par
// milliers est refusé passé la borne, qu'un fichier réel n'approche pas.
TEST(DecodeurJpeg, PassesAuDelaDeLaBorneRefusees)
{
    const int l = 16, h = 16;
    const Octets f = FabriquerJpeg(l, h, 1, std::vector<uint8_t>(l * h, 128), 90, true);
    size_t derniere = 0, passes = 0;
    for (size_t k = 0; k + 1 < f.size(); ++k)
        if (f[k] == 0xFF && f[k + 1] == 0xDA) {
            derniere = k;
            ++passes;
        }
    // Image unie : la dernière passe, de raffinement, ne tient que des fins de bande.
    const Octets passe(f.begin() + static_cast<ptrdiff_t>(derniere), f.end() - 2);
    for (const size_t total : {size_t(PassesJpegMax), size_t(PassesJpegMax) + 1, size_t(3000)}) {
        Octets c(f.begin(), f.end() - 2);
        for (size_t n = passes; n < total; ++n)
            c.insert(c.end(), passe.begin(), passe.end());
        c.insert(c.end(), {0xFF, 0xD9});
        const std::string nom = std::to_string(total) + " passes";
        if (total <= size_t(PassesJpegMax)) {
            Bitmap b;
            ASSERT_NO_THROW(b = Decoder(DecoderJpeg, c)) << nom;
            EXPECT_EQ(LirePixel(b, 7, 9).v, 128) << nom;
        } else {
            AttendreRefus(DecoderJpeg, c, nom.c_str(), MsgTropDePassesJpeg);
        }
    }
}

// ---- Fichiers tronqués ou corrompus, tous formats ------------------------------

TEST(Decodeurs, TronquesEtDechetsDonnentImageNonValide)
{
    const Bitmap source = ImageDegrade(40, 30);
    std::vector<uint8_t> rvb;
    std::vector<uint16_t> rvb16;
    std::vector<Octets> lignes;
    for (int y = 0; y < 30; ++y) {
        Octets ligne;
        for (int x = 0; x < 40; ++x) {
            const CouleurRvb c = LirePixel(source, x, y);
            rvb.insert(rvb.end(), {c.r, c.v, c.b});
            rvb16.insert(rvb16.end(), {c.r, c.v, c.b});
            ligne.insert(ligne.end(), {c.r, c.v, c.b});
        }
        lignes.push_back(ligne);
    }
    const ImageIndexee i = Indexee(40, 30, 50);
    OptionsBmp ob;
    ob.bits = 8;
    ob.palette = i.palette;
    struct Cas { const char* nom; Decodeur d; Octets fichier; };
    const Cas cas[] = {
        {"BMP", DecoderBmp, FabriquerBmp(40, 30, i.indices, ob)},
        {"JPEG", DecoderJpeg, FabriquerJpeg(40, 30, 3, rvb, 90)},
        {"GIF", DecoderGif, FabriquerGif(40, 30, std::vector<uint8_t>(i.indices.begin(), i.indices.end()),
                                         i.palette, {})},
        {"PNG", DecoderPng, FabriquerPng(40, 30, lignes, {PNG_COLOR_TYPE_RGB, 8})},
        {"TIFF", DecoderTiff, FabriquerTiff(40, 30, rvb16, {3, 8, 30, COMPRESSION_LZW})},
    };
    Octets dechets(600);
    for (size_t k = 0; k < dechets.size(); ++k)
        dechets[k] = static_cast<uint8_t>(k * 7919 >> 3);
    for (const auto& c : cas) {
        ASSERT_NO_THROW(Decoder(c.d, c.fichier)) << c.nom;
        const size_t n = c.fichier.size();
        for (size_t taille : {size_t(0), size_t(1), size_t(8), size_t(30), n / 3, n / 2}) {
            const Octets coupe(c.fichier.begin(), c.fichier.begin() + static_cast<ptrdiff_t>(taille));
            AttendreRefus(c.d, coupe, (std::string(c.nom) + " tronqué à " + std::to_string(taille)).c_str());
        }
        AttendreRefus(c.d, dechets, (std::string(c.nom) + " déchets").c_str());
    }
}

TEST(Decodeurs, MemoireDuDecodageBornee)
{
    // Des en-têtes sans données : chaque refus vient avant toute allocation de
    // l'image. 16000 × 16000 tient en 24 bits (768 Mio), pas avec les tampons
    // du décodeur.
    const uint32_t n = 16000;
    const ImageIndexee i = Indexee(4, 4, 2);
    OptionsBmp ob;
    ob.bits = 8;
    ob.palette = i.palette;
    Octets bmp = FabriquerBmp(4, 4, i.indices, ob);
    for (int k = 0; k < 4; ++k) {
        bmp[18 + k] = static_cast<uint8_t>(20000u >> (8 * k));
        bmp[22 + k] = static_cast<uint8_t>(30000u >> (8 * k));
    }
    // TIFF gris d'une seule bande : la copie RVBA compte.
    Octets tif = {'I', 'I', 42, 0, 8, 0, 0, 0, 8, 0};
    auto entree = [&](uint16_t tag, uint16_t type, uint32_t valeur) {
        const uint8_t e[12] = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0, 1, 0, 0, 0,
                               uint8_t(valeur), uint8_t(valeur >> 8), uint8_t(valeur >> 16), uint8_t(valeur >> 24)};
        tif.insert(tif.end(), e, e + 12);
    };
    for (const auto& [tag, type, valeur] : {std::tuple{256, 4, n}, {257, 4, n}, {258, 3, 8u}, {259, 3, 1u},
                                            {262, 3, 1u}, {273, 4, 200u}, {277, 3, 1u}, {279, 4, n * n}})
        entree(uint16_t(tag), uint16_t(type), valeur);
    tif.resize(200, 0);
    // PNG entrelacé : l'image RVBA entière compte.
    std::vector<Octets> lignes(1, Octets(3, 0));
    const Octets png = PngAgrandi(FabriquerPng(1, 1, lignes, {PNG_COLOR_TYPE_RGB, 8, true}), n, n);
    // JPEG progressif CMYK : 2 Gio de coefficients pour libjpeg.
    Octets jpg = FabriquerJpeg(16, 16, 4, std::vector<uint8_t>(16 * 16 * 4, 128), 90, true);
    for (size_t k = 0; k + 8 < jpg.size(); ++k)
        if (jpg[k] == 0xFF && jpg[k + 1] == 0xC2) {
            jpg[k + 5] = jpg[k + 7] = uint8_t(n >> 8);
            jpg[k + 6] = jpg[k + 8] = uint8_t(n & 0xFF);
            break;
        }
    struct Cas { const char* nom; Decodeur d; const Octets& f; };
    for (const Cas& c : {Cas{"BMP 20000 × 30000", DecoderBmp, bmp}, Cas{"TIFF", DecoderTiff, tif},
                         Cas{"PNG entrelacé", DecoderPng, png}, Cas{"JPEG progressif", DecoderJpeg, jpg}})
        AttendreRefus(c.d, c.f, c.nom, MsgImageTropGrande);

    // Un fichier plus gros que la mémoire permise n'est pas lu (fichier creux).
    QTemporaryDir dossier;
    QFile gros(dossier.filePath("gros.bmp"));
    ASSERT_TRUE(gros.open(QIODevice::WriteOnly) && gros.resize(MemoireDecodageMax + 1));
    gros.close();
    Bitmap b;
    try {
        ChargerImage(gros.fileName(), b);
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_EQ(e.Message(), MsgImageTropGrande);
    }
}

TEST(Decodeurs, ChoixParExtension)
{
    QTemporaryDir dossier;
    const ImageIndexee i = Indexee(5, 4, 3);
    OptionsBmp o;
    o.bits = 4;
    o.palette = i.palette;
    const Octets bmp = FabriquerBmp(5, 4, i.indices, o);
    auto ecrire = [&](const QString& nom, const Octets& octets) {
        QFile f(dossier.filePath(nom));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(octets.data()), static_cast<qint64>(octets.size()));
        return dossier.filePath(nom);
    };
    for (const char* nom : {"a.bmp", "b.BMP", "c.Bmp"}) {
        Bitmap b;
        ChargerImage(ecrire(nom, bmp), b);
        EXPECT_TRUE(b == i.attendu) << nom;
    }
    struct Cas { QString nom; QString message; };
    const Cas cas[] = {
        {"photo.Xyz", "Extension de fichier image inconnue (.Xyz)"},
        {"sans_extension", "Extension de fichier image inconnue (.)"},
        {"faux.jpg", "Image non valide"},
        {"faux.JPEG", "Image non valide"},
        {"faux.gif", "Image non valide"},
        {"faux.png", "Image non valide"},
        {"faux.tif", "Image non valide"},
        {"faux.TIFF", "Image non valide"},
    };
    for (const auto& c : cas) {
        Bitmap b;
        try {
            ChargerImage(ecrire(c.nom, bmp), b);
            ADD_FAILURE() << c.nom.toStdString();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
    }
    Bitmap b;
    try {
        ChargerImage(dossier.filePath("absente.png"), b);
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_TRUE(e.Message().startsWith("Impossible d'ouvrir le fichier")) << e.what();
    }
    // Seul un fichier ordinaire est lu : un tube sans écrivain n'est pas attendu.
    QDir(dossier.path()).mkdir("dossier.png");
    const Tube tubeBmp(dossier.filePath("tube.bmp").toStdString()), tubeJpg(dossier.filePath("tube.jpg").toStdString());
    for (const char* nom : {"tube.bmp", "tube.jpg", "dossier.png"}) {
        try {
            ChargerImage(dossier.filePath(nom), b);
            ADD_FAILURE() << nom;
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), MsgPasFichierOrdinaire) << nom;
        }
    }
}
