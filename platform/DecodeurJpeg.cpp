#include <csetjmp>
#include <cstdio>
#include <utility>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/Decodeurs.h"
#include "platform/DecodeursCommun.h"

namespace {

// libjpeg signale ses erreurs par longjmp : aucun objet C++ ne vit entre le
// setjmp et les appels à la bibliothèque, seulement des pointeurs.
struct GestionErreur
{
    jpeg_error_mgr mgr;
    std::jmp_buf saut;
    bool tropDePasses;
};

void ErreurFatale(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<GestionErreur*>(info->err)->saut, 1);
}

// Les avertissements se taisent, sauf la fin prématurée du fichier ou des
// données d'une passe : un fichier tronqué, même refermé par un marqueur de
// fin, donnerait sinon une image complétée en gris. Les octets parasites avant
// un marqueur, que laissent bien des appareils, restent tolérés.
void Message(j_common_ptr info, int niveau)
{
    const int code = info->err->msg_code;
    if (niveau < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        std::longjmp(reinterpret_cast<GestionErreur*>(info->err)->saut, 1);
}

void Silence(j_common_ptr) {}

// Appelé avant chaque lecture de données d'un fichier à plusieurs passes.
void SuivreLecture(j_common_ptr info)
{
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number <= PassesJpegMax)
        return;
    auto* erreur = reinterpret_cast<GestionErreur*>(info->err);
    erreur->tropDePasses = true;
    std::longjmp(erreur->saut, 1);
}

struct Decompression
{
    jpeg_decompress_struct info{};
    GestionErreur erreur{};
    jpeg_progress_mgr suivi{};

    Decompression()
    {
        info.err = jpeg_std_error(&erreur.mgr);
        erreur.mgr.error_exit = ErreurFatale;
        erreur.mgr.emit_message = Message;
        erreur.mgr.output_message = Silence;
        jpeg_create_decompress(&info);
        suivi.progress_monitor = SuivreLecture;
        info.progress = &suivi;
    }
    ~Decompression() { jpeg_destroy_decompress(&info); }
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;
};

bool LireEntete(Decompression& d, const uint8_t* donnees, size_t taille)
{
    if (setjmp(d.erreur.saut))
        return false;
    jpeg_mem_src(&d.info, donnees, static_cast<unsigned long>(taille));
    if (jpeg_read_header(&d.info, TRUE) != JPEG_HEADER_OK)
        return false;
    switch (d.info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        d.info.out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        d.info.out_color_space = JCS_CMYK;
        break;
    default:
        d.info.out_color_space = JCS_EXT_BGR;
        break;
    }
    return true;
}

// Des passes progressives arrêtées avant la dernière laissent des
// coefficients absents ou grossiers, sans avertissement de libjpeg.
bool PassesCompletes(const jpeg_decompress_struct& info)
{
    if (!info.progressive_mode)
        return true;
    for (int c = 0; c < info.num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (info.coef_bits[c][k] != 0)
                return false;
    return true;
}

// Un fichier progressif est lu ici tout entier, avant que l'image soit allouée.
bool Demarrer(Decompression& d)
{
    if (setjmp(d.erreur.saut))
        return false;
    jpeg_start_decompress(&d.info);
    return d.info.output_width == d.info.image_width && d.info.output_height == d.info.image_height &&
           PassesCompletes(d.info);
}

bool LirePixels(Decompression& d, Bitmap* image, uint8_t* ligneTravail)
{
    if (setjmp(d.erreur.saut))
        return false;
    const int largeur = static_cast<int>(d.info.output_width);
    // Fichiers CMYK d'Adobe : valeurs inversées.
    const bool inverse = d.info.saw_Adobe_marker;
    while (d.info.output_scanline < d.info.output_height) {
        uint8_t* dest = image->Ligne(static_cast<int>(d.info.output_scanline));
        if (d.info.out_color_space == JCS_EXT_BGR) {
            JSAMPROW ligne = dest;
            jpeg_read_scanlines(&d.info, &ligne, 1);
            continue;
        }
        JSAMPROW ligne = ligneTravail;
        jpeg_read_scanlines(&d.info, &ligne, 1);
        if (d.info.out_color_space == JCS_GRAYSCALE) {
            for (int x = 0; x < largeur; ++x, dest += 3)
                dest[0] = dest[1] = dest[2] = ligneTravail[x];
        } else {
            for (int x = 0; x < largeur; ++x, dest += 3) {
                const uint8_t* p = ligneTravail + 4 * x;
                unsigned c = p[0], m = p[1], j = p[2], k = p[3];
                if (!inverse) {
                    c = 255 - c;
                    m = 255 - m;
                    j = 255 - j;
                    k = 255 - k;
                }
                dest[0] = static_cast<uint8_t>((j * k + 127) / 255);
                dest[1] = static_cast<uint8_t>((m * k + 127) / 255);
                dest[2] = static_cast<uint8_t>((c * k + 127) / 255);
            }
        }
    }
    jpeg_finish_decompress(&d.info);
    return true;
}

[[noreturn]] void Refuser(const Decompression& d)
{
    if (d.erreur.tropDePasses)
        throw Erreur(MsgTropDePassesJpeg);
    const int code = d.erreur.mgr.msg_code;
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
        ImageTropGrande();
    ImageNonValide();
}

}  // namespace

void DecoderJpeg(const uint8_t* donnees, size_t taille, Bitmap& dest)
{
    if (taille == 0)
        ImageNonValide();
    Decompression d;
    if (!LireEntete(d, donnees, taille))
        ImageNonValide();
    const int64_t largeur = d.info.image_width, hauteur = d.info.image_height;
    const int64_t autres = static_cast<int64_t>(taille) + 4 * largeur;
    VerifierDimensions(largeur, hauteur, 0, autres);
    // libjpeg a le reste de la mémoire permise ; au-delà (coefficients d'un
    // fichier progressif), elle s'arrête avant d'allouer.
    d.info.mem->max_memory_to_use = static_cast<long>(MemoireDecodageMax - OctetsBitmap(largeur, hauteur) - autres);
    if (!Demarrer(d))
        Refuser(d);
    Bitmap image(static_cast<int>(largeur), static_cast<int>(hauteur));
    std::vector<uint8_t> ligneTravail(static_cast<size_t>(largeur) * 4);
    if (!LirePixels(d, &image, ligneTravail.data()))
        Refuser(d);
    dest = std::move(image);
}
