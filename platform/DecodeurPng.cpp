#include <csetjmp>
#include <cstring>
#include <utility>
#include <vector>

#include <png.h>

#include "platform/Decodeurs.h"
#include "platform/DecodeursCommun.h"

// Transparence : les pixels sont composés sur fond blanc, comme sur une page.
// 16 bits : ramenés sur 8 bits avec arrondi.

namespace {

// Sauts vers le setjmp : erreur, ou lignes complètes sans lire la suite.
constexpr int SautErreur = 1;
constexpr int SautLignesCompletes = 2;

// Après la dernière ligne, libpng décompresse tout le reste du flux de
// l'image : d'un flux sain, quelques octets (somme Adler, CRC), encore lus et
// vérifiés. Au-delà, ce sont des données en trop, qu'un fichier de 4 Mo
// gonfle en 4 Gio : la lecture s'arrête là.
constexpr size_t OctetsApresLignes = 1024;

struct Source
{
    const uint8_t* donnees;
    size_t taille;
    size_t position;
    png_uint_32 hauteur = 0;  // connue après l'en-tête
    size_t resteApresLignes = OctetsApresLignes;
};

bool LignesFinies(png_const_structrp png, png_uint_32 hauteur)
{
    // Entrelacée, la dernière passe finie porte le numéro 7 ; sinon, la ligne
    // courante passe la dernière.
    return png_get_current_pass_number(png) >= PNG_INTERLACE_ADAM7_PASSES ||
           png_get_current_row_number(png) >= hauteur;
}

void Lire(png_structp png, png_bytep dest, png_size_t n)
{
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (s->hauteur != 0 && LignesFinies(png, s->hauteur)) {
        if (n > s->resteApresLignes)
            png_longjmp(png, SautLignesCompletes);
        s->resteApresLignes -= n;
    }
    if (n > s->taille - s->position)
        png_error(png, "fin de fichier");
    std::memcpy(dest, s->donnees + s->position, n);
    s->position += n;
}

// Ni message sur la sortie d'erreur ni abandon : retour au setjmp.
void ErreurPng(png_structp png, png_const_charp)
{
    png_longjmp(png, SautErreur);
}

void Avertissement(png_structp, png_const_charp) {}

struct Lecture
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    Lecture()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErreurPng, Avertissement);
        if (png != nullptr)
            info = png_create_info_struct(png);
    }
    ~Lecture() { png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr); }
    Lecture(const Lecture&) = delete;
    Lecture& operator=(const Lecture&) = delete;
};

// Lit l'en-tête et règle les conversions vers RGBA 8 bits.
bool LireEntete(Lecture& l, Source* source, png_uint_32* largeur, png_uint_32* hauteur, int* passes)
{
    if (setjmp(png_jmpbuf(l.png)))
        return false;
    png_set_read_fn(l.png, source, Lire);
    // Texte, profil de couleur, palettes suggérées, EXIF : rien n'en sert ici,
    // et libpng les décompresserait ou les garderait tous en mémoire.
    static const char ignores[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(l.png, PNG_HANDLE_CHUNK_NEVER, reinterpret_cast<png_const_bytep>(ignores),
                                sizeof ignores / 5);
    png_read_info(l.png, l.info);
    int profondeur, type;
    png_get_IHDR(l.png, l.info, largeur, hauteur, &profondeur, &type, nullptr, nullptr, nullptr);
    png_set_expand(l.png);
    png_set_scale_16(l.png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(l.png);
    png_set_filler(l.png, 0xFF, PNG_FILLER_AFTER);
    *passes = png_set_interlace_handling(l.png);
    png_read_update_info(l.png, l.info);
    return png_get_rowbytes(l.png, l.info) == static_cast<size_t>(*largeur) * 4;
}

// Les blocs qui suivent l'image ne sont pas lus : un défaut n'y gâte pas les
// pixels.
bool LireLignes(Lecture& l, png_bytep* lignes, png_uint_32 nombre, int passes)
{
    switch (setjmp(png_jmpbuf(l.png))) {
    case 0:
        break;
    case SautLignesCompletes:
        return true;
    default:
        return false;
    }
    for (int p = 0; p < passes; ++p)
        png_read_rows(l.png, lignes, nullptr, nombre);
    return true;
}

void VersBgr(const uint8_t* rgba, uint8_t* bgr, int largeur)
{
    for (int x = 0; x < largeur; ++x, rgba += 4, bgr += 3) {
        bgr[0] = SurBlanc(rgba[2], rgba[3]);
        bgr[1] = SurBlanc(rgba[1], rgba[3]);
        bgr[2] = SurBlanc(rgba[0], rgba[3]);
    }
}

}  // namespace

void DecoderPng(const uint8_t* donnees, size_t taille, Bitmap& dest)
{
    if (taille < 8 || png_sig_cmp(donnees, 0, 8) != 0)
        ImageNonValide();
    Lecture l;
    if (l.png == nullptr || l.info == nullptr)
        throw std::bad_alloc();
    Source source{donnees, taille, 0};
    png_uint_32 largeur = 0, hauteur = 0;
    int passes = 1;
    if (!LireEntete(l, &source, &largeur, &hauteur, &passes))
        ImageNonValide();
    source.hauteur = hauteur;
    // Entrelacée, l'image RVBA entière est gardée entre les passes.
    const bool entrelacee = passes > 1;
    VerifierDimensions(largeur, hauteur, entrelacee ? 4 : 0,
                       static_cast<int64_t>(taille) + 4 * int64_t(largeur) +
                           (entrelacee ? int64_t(sizeof(png_bytep)) * hauteur : 0));
    Bitmap image(static_cast<int>(largeur), static_cast<int>(hauteur));
    const size_t pas = static_cast<size_t>(largeur) * 4;
    if (!entrelacee) {
        // Ligne par ligne : une seule ligne RGBA en mémoire.
        std::vector<uint8_t> rgba(pas);
        png_bytep ligne = rgba.data();
        for (png_uint_32 y = 0; y < hauteur; ++y) {
            if (!LireLignes(l, &ligne, 1, 1))
                ImageNonValide();
            VersBgr(rgba.data(), image.Ligne(static_cast<int>(y)), image.Width());
        }
    } else {
        // Entrelacée : chaque passe complète l'image entière.
        std::vector<uint8_t> rgba(pas * hauteur);
        std::vector<png_bytep> lignes(hauteur);
        for (png_uint_32 y = 0; y < hauteur; ++y)
            lignes[y] = rgba.data() + pas * y;
        if (!LireLignes(l, lignes.data(), hauteur, passes))
            ImageNonValide();
        for (png_uint_32 y = 0; y < hauteur; ++y)
            VersBgr(lignes[y], image.Ligne(static_cast<int>(y)), image.Width());
    }
    dest = std::move(image);
}
