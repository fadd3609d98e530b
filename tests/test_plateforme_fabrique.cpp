#include "tests/test_plateforme_fabrique.h"

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace {

void U16(Octets& o, size_t p, uint32_t v)
{
    o[p] = static_cast<uint8_t>(v);
    o[p + 1] = static_cast<uint8_t>(v >> 8);
}

void U32(Octets& o, size_t p, uint32_t v)
{
    U16(o, p, v & 0xFFFF);
    U16(o, p + 2, v >> 16);
}

}  // namespace

Octets FabriquerBmp(int largeur, int hauteur, const std::vector<uint32_t>& pixels, const OptionsBmp& o)
{
    const bool os2 = o.tailleEntete == 12;
    const int parCouleur = os2 ? 3 : 4;
    const size_t masques = (o.champsDeBits && o.tailleEntete == 40) ? 12 : 0;
    const size_t debutPalette = 14 + o.tailleEntete + masques;
    const size_t debutPixels = debutPalette + o.palette.size() * parCouleur;
    const size_t pas = (static_cast<size_t>(largeur) * o.bits + 31) / 32 * 4;
    Octets f(debutPixels + pas * hauteur, 0);
    f[0] = 'B';
    f[1] = 'M';
    U32(f, 2, static_cast<uint32_t>(f.size()));
    U32(f, 10, static_cast<uint32_t>(debutPixels));
    U32(f, 14, o.tailleEntete);
    if (os2) {
        U16(f, 18, largeur);
        U16(f, 20, hauteur);
        U16(f, 22, 1);
        U16(f, 24, o.bits);
    } else {
        U32(f, 18, largeur);
        U32(f, 22, o.hautEnBas ? static_cast<uint32_t>(-hauteur) : hauteur);
        U16(f, 26, 1);
        U16(f, 28, o.bits);
        U32(f, 30, o.champsDeBits ? 3 : 0);
        U32(f, 46, static_cast<uint32_t>(o.palette.size()));
        if (o.champsDeBits)
            for (int i = 0; i < 3; ++i)
                U32(f, 54 + 4 * i, o.masques[i]);
    }
    for (size_t i = 0; i < o.palette.size(); ++i) {
        f[debutPalette + i * parCouleur] = o.palette[i].b;
        f[debutPalette + i * parCouleur + 1] = o.palette[i].v;
        f[debutPalette + i * parCouleur + 2] = o.palette[i].r;
    }
    for (int y = 0; y < hauteur; ++y) {
        const int ligneFichier = o.hautEnBas ? y : hauteur - 1 - y;
        uint8_t* d = f.data() + debutPixels + pas * ligneFichier;
        for (int x = 0; x < largeur; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * largeur + x];
            if (o.bits < 8) {
                const int parOctet = 8 / o.bits;
                d[x / parOctet] |= static_cast<uint8_t>(p << (8 - o.bits * (x % parOctet + 1)));
            } else {
                for (int k = 0; k < o.bits / 8; ++k)
                    d[x * (o.bits / 8) + k] = static_cast<uint8_t>(p >> (8 * k));
            }
        }
    }
    return f;
}

namespace {

void EcrirePng(png_structp png, png_bytep donnees, png_size_t n)
{
    auto* sortie = static_cast<Octets*>(png_get_io_ptr(png));
    sortie->insert(sortie->end(), donnees, donnees + n);
}

void ViderPng(png_structp) {}

}  // namespace

Octets FabriquerPng(int largeur, int hauteur, const std::vector<Octets>& lignes, const OptionsPng& o)
{
    Octets sortie;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("écriture PNG");
    }
    png_set_write_fn(png, &sortie, EcrirePng, ViderPng);
    png_set_IHDR(png, info, largeur, hauteur, o.profondeur, o.type,
                 o.entrelace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const auto& c : o.palette)
        palette.push_back({c.r, c.v, c.b});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!o.transparence.empty())
        png_set_tRNS(png, info, o.transparence.data(), static_cast<int>(o.transparence.size()), nullptr);
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    for (int p = 0; p < passes; ++p)
        for (const auto& l : lignes)
            png_write_row(png, l.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return sortie;
}

namespace {

uint32_t Gros32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void AjouterGros32(Octets& o, uint32_t v)
{
    for (int d = 24; d >= 0; d -= 8)
        o.push_back(static_cast<uint8_t>(v >> d));
}

// Position de chaque bloc d'un PNG bien formé, jusqu'à la fin du fichier.
std::vector<size_t> Blocs(const Octets& png)
{
    std::vector<size_t> positions;
    for (size_t p = 8; p + 12 <= png.size(); p += 12 + Gros32(&png[p]))
        positions.push_back(p);
    return positions;
}

bool EstBloc(const Octets& png, size_t position, const char* type)
{
    return std::memcmp(&png[position + 4], type, 4) == 0;
}

Octets Decomprimer(const Octets& flux)
{
    z_stream z{};
    inflateInit(&z);
    z.next_in = const_cast<uint8_t*>(flux.data());
    z.avail_in = static_cast<uInt>(flux.size());
    Octets brut, tampon(1 << 16);
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = tampon.data();
        z.avail_out = static_cast<uInt>(tampon.size());
        r = inflate(&z, Z_NO_FLUSH);
        brut.insert(brut.end(), tampon.data(), z.next_out);
    }
    inflateEnd(&z);
    if (r != Z_STREAM_END)
        throw std::runtime_error("flux zlib");
    return brut;
}

}  // namespace

Octets BlocPng(const char* type, const Octets& donnees)
{
    Octets b;
    AjouterGros32(b, static_cast<uint32_t>(donnees.size()));
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), donnees.begin(), donnees.end());
    AjouterGros32(b, static_cast<uint32_t>(crc32_z(0, b.data() + 4, b.size() - 4)));
    return b;
}

Octets Comprimer(const Octets& brut, uint64_t zeros)
{
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    Octets sortie, tampon(1 << 16);
    const Octets nuls(1 << 20, 0);
    auto pousser = [&](const uint8_t* donnees, size_t n, int mode) {
        z.next_in = const_cast<uint8_t*>(donnees);
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = tampon.data();
            z.avail_out = static_cast<uInt>(tampon.size());
            deflate(&z, mode);
            sortie.insert(sortie.end(), tampon.data(), z.next_out);
        } while (z.avail_out == 0);
    };
    pousser(brut.data(), brut.size(), Z_NO_FLUSH);
    for (uint64_t n; zeros > 0; zeros -= n) {
        n = std::min<uint64_t>(zeros, nuls.size());
        pousser(nuls.data(), n, Z_NO_FLUSH);
    }
    pousser(nullptr, 0, Z_FINISH);
    deflateEnd(&z);
    return sortie;
}

Octets BlocTexteComprime(const char* type, size_t taille)
{
    // Mot-clé, puis méthode 0 (zTXt) ou drapeau, méthode, langue et mot-clé traduit vides (iTXt).
    const char zTXt[] = "Comment\0", iTXt[] = "Comment\0\1\0\0";
    const bool international = std::strcmp(type, "iTXt") == 0;
    Octets donnees = international ? Octets(iTXt, iTXt + sizeof iTXt) : Octets(zTXt, zTXt + sizeof zTXt);
    const Octets flux = Comprimer(Octets(taille, 'A'));
    donnees.insert(donnees.end(), flux.begin(), flux.end());
    return BlocPng(type, donnees);
}

Octets PngAvecBlocs(const Octets& png, const char* avant, const Octets& blocs)
{
    for (size_t p : Blocs(png))
        if (EstBloc(png, p, avant)) {
            Octets f = png;
            f.insert(f.begin() + static_cast<ptrdiff_t>(p), blocs.begin(), blocs.end());
            return f;
        }
    throw std::runtime_error("bloc PNG absent");
}

Octets PngZerosApresLignes(const Octets& png, uint64_t zeros, size_t tailleIdat)
{
    Octets flux;
    size_t debut = 0, fin = 0;
    for (size_t p : Blocs(png))
        if (EstBloc(png, p, "IDAT")) {
            debut = debut != 0 ? debut : p;
            fin = p + 12 + Gros32(&png[p]);
            flux.insert(flux.end(), png.begin() + static_cast<ptrdiff_t>(p + 8),
                        png.begin() + static_cast<ptrdiff_t>(fin - 4));
        }
    const Octets prolonge = Comprimer(Decomprimer(flux), zeros);
    Octets f(png.begin(), png.begin() + static_cast<ptrdiff_t>(debut));
    for (size_t p = 0; p < prolonge.size(); p += tailleIdat) {
        const Octets morceau(prolonge.begin() + static_cast<ptrdiff_t>(p),
                             prolonge.begin() + static_cast<ptrdiff_t>(std::min(prolonge.size(), p + tailleIdat)));
        const Octets bloc = BlocPng("IDAT", morceau);
        f.insert(f.end(), bloc.begin(), bloc.end());
    }
    f.insert(f.end(), png.begin() + static_cast<ptrdiff_t>(fin), png.end());
    return f;
}

namespace {

int EcrireGif(GifFileType* gif, const GifByteType* donnees, int n)
{
    auto* sortie = static_cast<Octets*>(gif->UserData);
    sortie->insert(sortie->end(), donnees, donnees + n);
    return n;
}

}  // namespace

Octets FabriquerGif(int largeur, int hauteur, const std::vector<uint8_t>& indices,
                    const std::vector<CouleurRvb>& palette, const OptionsGif& o)
{
    Octets sortie;
    int erreur = 0;
    GifFileType* gif = EGifOpen(&sortie, EcrireGif, &erreur);
    std::vector<GifColorType> couleurs(256, GifColorType{0, 0, 0});
    for (size_t i = 0; i < palette.size(); ++i)
        couleurs[i] = {palette[i].r, palette[i].v, palette[i].b};
    ColorMapObject* carte = GifMakeMapObject(256, couleurs.data());
    ColorMapObject* grise = GifMakeMapObject(256, std::vector<GifColorType>(256, {9, 9, 9}).data());
    EGifSetGifVersion(gif, true);
    const int le = o.largeurEcran ? o.largeurEcran : largeur, he = o.hauteurEcran ? o.hauteurEcran : hauteur;
    EGifPutScreenDesc(gif, le, he, 8, 0, o.paletteLocale ? grise : carte);
    if (o.transparente >= 0) {
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = o.transparente;
        GifByteType ext[4];
        const size_t n = EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
    }
    EGifPutImageDesc(gif, o.gauche, o.haut, largeur, hauteur, o.entrelace, o.paletteLocale ? carte : nullptr);
    std::vector<int> ordre;
    if (o.entrelace) {
        const int debut[4] = {0, 4, 2, 1}, pas[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = debut[p]; y < hauteur; y += pas[p])
                ordre.push_back(y);
    } else {
        for (int y = 0; y < hauteur; ++y)
            ordre.push_back(y);
    }
    for (int y : ordre) {
        std::vector<GifPixelType> ligne(indices.begin() + static_cast<ptrdiff_t>(y) * largeur,
                                        indices.begin() + static_cast<ptrdiff_t>(y + 1) * largeur);
        EGifPutLine(gif, ligne.data(), largeur);
    }
    if (o.secondeImage) {
        EGifPutImageDesc(gif, 0, 0, le, he, false, grise);
        std::vector<GifPixelType> ligne(le, 1);
        for (int y = 0; y < he; ++y)
            EGifPutLine(gif, ligne.data(), le);
    }
    EGifCloseFile(gif, &erreur);
    GifFreeMapObject(carte);
    GifFreeMapObject(grise);
    return sortie;
}

Octets FabriquerTiff(int largeur, int hauteur, const std::vector<uint16_t>& echantillons, const OptionsTiff& o)
{
    QTemporaryDir dossier;
    const QByteArray chemin = QFile::encodeName(dossier.filePath("t.tif"));
    TIFF* tif = TIFFOpen(chemin.constData(), "w");
    if (tif == nullptr)
        throw std::runtime_error("écriture TIFF");
    const int n = o.echantillons;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, largeur);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, hauteur);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, n);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, o.bits);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, n >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, o.plansSepares ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, o.compression);
    if (n == 4) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    const int octets = o.bits / 8;
    auto poser = [&](uint8_t* d, uint16_t v) {
        if (octets == 1)
            d[0] = static_cast<uint8_t>(v);
        else
            std::memcpy(d, &v, 2);
    };
    if (o.tuile > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, o.tuile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, o.tuile);
        std::vector<uint8_t> tuile(static_cast<size_t>(o.tuile) * o.tuile * n * octets);
        for (int ty = 0; ty < hauteur; ty += o.tuile)
            for (int tx = 0; tx < largeur; tx += o.tuile) {
                std::fill(tuile.begin(), tuile.end(), 0);
                for (int y = 0; y < o.tuile && ty + y < hauteur; ++y)
                    for (int x = 0; x < o.tuile && tx + x < largeur; ++x)
                        for (int c = 0; c < n; ++c)
                            poser(&tuile[((static_cast<size_t>(y) * o.tuile + x) * n + c) * octets],
                                  echantillons[(static_cast<size_t>(ty + y) * largeur + tx + x) * n + c]);
                TIFFWriteTile(tif, tuile.data(), tx, ty, 0, 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, o.lignesParBande);
        const int plans = o.plansSepares ? n : 1;
        const int parPixel = o.plansSepares ? 1 : n;
        std::vector<uint8_t> ligne(static_cast<size_t>(largeur) * parPixel * octets);
        for (int p = 0; p < plans; ++p)
            for (int y = 0; y < hauteur; ++y) {
                for (int x = 0; x < largeur; ++x)
                    for (int c = 0; c < parPixel; ++c)
                        poser(&ligne[(static_cast<size_t>(x) * parPixel + c) * octets],
                              echantillons[(static_cast<size_t>(y) * largeur + x) * n + c + p]);
                TIFFWriteScanline(tif, ligne.data(), y, static_cast<uint16_t>(p));
            }
    }
    TIFFClose(tif);
    QFile f(QFile::decodeName(chemin));
    f.open(QIODevice::ReadOnly);
    const QByteArray tout = f.readAll();
    return Octets(tout.begin(), tout.end());
}

Octets FabriquerJpeg(int largeur, int hauteur, int composantes, const std::vector<uint8_t>& echantillons,
                     int qualite, bool progressif)
{
    jpeg_compress_struct info;
    jpeg_error_mgr erreur;
    info.err = jpeg_std_error(&erreur);
    jpeg_create_compress(&info);
    unsigned char* tampon = nullptr;
    unsigned long taille = 0;
    jpeg_mem_dest(&info, &tampon, &taille);
    info.image_width = largeur;
    info.image_height = hauteur;
    info.input_components = composantes;
    info.in_color_space = composantes == 1 ? JCS_GRAYSCALE : composantes == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, qualite, TRUE);
    if (progressif)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW ligne = const_cast<uint8_t*>(echantillons.data()) +
                         static_cast<size_t>(info.next_scanline) * largeur * composantes;
        jpeg_write_scanlines(&info, &ligne, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Octets sortie(tampon, tampon + taille);
    std::free(tampon);
    return sortie;
}

Bitmap ImageDegrade(int largeur, int hauteur)
{
    Bitmap b(largeur, hauteur);
    for (int y = 0; y < hauteur; ++y) {
        uint8_t* p = b.Ligne(y);
        for (int x = 0; x < largeur; ++x, p += 3) {
            p[0] = static_cast<uint8_t>(x * 255 / std::max(largeur - 1, 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(hauteur - 1, 1));
            p[2] = static_cast<uint8_t>((x + y) * 127 / std::max(largeur + hauteur - 2, 1));
        }
    }
    return b;
}

Tube::Tube(std::string chemin) : chemin_(std::move(chemin))
{
    if (::mkfifo(chemin_.c_str(), 0600) != 0)
        throw std::runtime_error("mkfifo");
    fil_ = std::thread([this] {
        while (!fin_) {
            const int fd = ::open(chemin_.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
}

Tube::~Tube()
{
    fin_ = true;
    fil_.join();
    ::unlink(chemin_.c_str());
}
