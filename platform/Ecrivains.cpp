#include "platform/Ecrivains.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QSaveFile>

#include <jpeglib.h>

#include "platform/Erreur.h"

namespace {

void PoserU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PoserU32(uint8_t* p, uint32_t v)
{
    PoserU16(p, v & 0xFFFF);
    PoserU16(p + 2, v >> 16);
}

struct GestionErreur
{
    jpeg_error_mgr mgr;
    std::jmp_buf saut;
};

void ErreurFatale(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<GestionErreur*>(info->err)->saut, 1);
}

void Silence(j_common_ptr) {}

struct Compression
{
    jpeg_compress_struct info{};
    GestionErreur erreur{};
    unsigned char* tampon = nullptr;
    unsigned long taille = 0;

    Compression()
    {
        info.err = jpeg_std_error(&erreur.mgr);
        erreur.mgr.error_exit = ErreurFatale;
        erreur.mgr.output_message = Silence;
        jpeg_create_compress(&info);
    }
    ~Compression()
    {
        jpeg_destroy_compress(&info);
        std::free(tampon);
    }
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;
};

// Aucun objet C++ entre le setjmp et la bibliothèque : des pointeurs seulement.
bool Compresser(Compression& c, const Bitmap* source, int qualite)
{
    if (setjmp(c.erreur.saut))
        return false;
    jpeg_mem_dest(&c.info, &c.tampon, &c.taille);
    c.info.image_width = static_cast<JDIMENSION>(source->Width());
    c.info.image_height = static_cast<JDIMENSION>(source->Height());
    c.info.input_components = 3;
    c.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, qualite, TRUE);
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW ligne = const_cast<uint8_t*>(source->Ligne(static_cast<int>(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &ligne, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

}  // namespace

std::vector<uint8_t> EncoderBmp(const Bitmap& source)
{
    const uint32_t largeur = static_cast<uint32_t>(source.Width());
    const uint32_t hauteur = static_cast<uint32_t>(source.Height());
    const size_t pas = (static_cast<size_t>(largeur) * 3 + 3) & ~size_t(3);
    const size_t pixels = pas * hauteur;
    if (pixels > 0xFFFFFFFFu - 54)
        throw Erreur("Image trop grande pour le format BMP");
    std::vector<uint8_t> octets(54 + pixels, 0);
    uint8_t* e = octets.data();
    e[0] = 'B';
    e[1] = 'M';
    PoserU32(e + 2, static_cast<uint32_t>(octets.size()));
    PoserU32(e + 10, 54);
    PoserU32(e + 14, 40);
    PoserU32(e + 18, largeur);
    PoserU32(e + 22, hauteur);  // positive : lignes de bas en haut
    PoserU16(e + 26, 1);
    PoserU16(e + 28, 24);
    PoserU32(e + 30, 0);  // BI_RGB
    PoserU32(e + 34, static_cast<uint32_t>(pixels));
    // Bourrage de fin de ligne à zéro, pas les octets de travail du bitmap.
    for (uint32_t y = 0; y < hauteur; ++y)
        std::memcpy(e + 54 + pas * (hauteur - 1 - y), source.Ligne(static_cast<int>(y)),
                    static_cast<size_t>(largeur) * 3);
    return octets;
}

std::vector<uint8_t> EncoderJpeg(const Bitmap& source, int qualite)
{
    if (source.Empty())
        throw Erreur("Impossible d'enregistrer une image vide");
    Compression c;
    if (!Compresser(c, &source, std::clamp(qualite, 0, 100)))
        throw Erreur("Erreur lors de la compression JPEG");
    return std::vector<uint8_t>(c.tampon, c.tampon + c.taille);
}

void EcrireFichierSur(const QString& chemin, const std::vector<uint8_t>& octets)
{
    // Fichier temporaire du même dossier, renommé à la fin : un échec laisse
    // l'ancien fichier, ou aucun.
    QSaveFile f(chemin);
    const qint64 n = static_cast<qint64>(octets.size());
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(octets.data()), n) != n || !f.commit())
        throw Erreur(QStringLiteral("Impossible d'écrire le fichier %1").arg(QDir::toNativeSeparators(chemin)));
}

void EnregistrerBmp(const Bitmap& source, const QString& chemin)
{
    EcrireFichierSur(chemin, EncoderBmp(source));
}

void EnregistrerJpeg(const Bitmap& source, int qualite, const QString& chemin)
{
    EcrireFichierSur(chemin, EncoderJpeg(source, qualite));
}
