#include <array>
#include <bit>
#include <utility>

#include "platform/Decodeurs.h"
#include "platform/DecodeursCommun.h"

namespace {

class Lecteur
{
public:
    Lecteur(const uint8_t* donnees, size_t taille) : d_(donnees), n_(taille) {}
    void Verifier(uint64_t position, uint64_t longueur) const
    {
        if (position > n_ || longueur > n_ - position)
            ImageNonValide();
    }
    uint16_t U16(uint64_t p) const
    {
        Verifier(p, 2);
        return static_cast<uint16_t>(d_[p] | d_[p + 1] << 8);
    }
    uint32_t U32(uint64_t p) const
    {
        Verifier(p, 4);
        return static_cast<uint32_t>(d_[p]) | static_cast<uint32_t>(d_[p + 1]) << 8 |
               static_cast<uint32_t>(d_[p + 2]) << 16 | static_cast<uint32_t>(d_[p + 3]) << 24;
    }
    int32_t I32(uint64_t p) const { return static_cast<int32_t>(U32(p)); }
    const uint8_t* Octets(uint64_t p) const { return d_ + p; }

private:
    const uint8_t* d_;
    size_t n_;
};

// Un canal décrit par un masque de bits, ramené sur 8 bits.
struct Canal
{
    uint32_t masque = 0;
    int decalage = 0;
    uint32_t maximum = 0;

    explicit Canal(uint32_t m = 0) : masque(m)
    {
        if (m == 0)
            return;
        decalage = std::countr_zero(m);
        const int largeur = std::countr_one(m >> decalage);
        maximum = largeur >= 32 ? 0xFFFFFFFFu : (1u << largeur) - 1;
    }
    uint8_t Valeur(uint32_t pixel) const
    {
        if (maximum == 0)
            return 0;
        const uint64_t v = (pixel >> decalage) & maximum;
        return static_cast<uint8_t>((v * 255 + maximum / 2) / maximum);
    }
};

enum : uint32_t { BI_RGB = 0, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6 };

}  // namespace

void DecoderBmp(const uint8_t* donnees, size_t taille, Bitmap& dest)
{
    const Lecteur f(donnees, taille);
    f.Verifier(0, 14);
    if (donnees[0] != 'B' || donnees[1] != 'M')
        ImageNonValide();
    const uint32_t debutPixels = f.U32(10);
    const uint32_t tailleEntete = f.U32(14);

    int64_t largeur, hauteur;
    int bits;
    uint32_t compression = BI_RGB, couleursUtilisees = 0;
    uint64_t position = 14 + static_cast<uint64_t>(tailleEntete);
    int octetsParCouleur = 4;
    std::array<uint32_t, 3> masques{};  // rouge, vert, bleu
    bool hautEnBas = false;

    if (tailleEntete == 12) {
        // En-tête OS/2 : dimensions sur 16 bits, palette de triplets.
        largeur = f.U16(18);
        hauteur = f.U16(20);
        bits = f.U16(24);
        octetsParCouleur = 3;
    } else if (tailleEntete == 40 || tailleEntete == 52 || tailleEntete == 56 || tailleEntete == 64 ||
               tailleEntete == 108 || tailleEntete == 124) {
        largeur = f.I32(18);
        const int32_t h = f.I32(22);
        hautEnBas = h < 0;
        hauteur = hautEnBas ? -static_cast<int64_t>(h) : h;
        bits = f.U16(28);
        compression = f.U32(30);
        couleursUtilisees = f.U32(46);
        if (tailleEntete == 64 && compression != BI_RGB)
            ImageNonValide();  // compressions propres à OS/2
        if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
            // Masques dans l'en-tête long, sinon juste après un en-tête de 40 octets.
            const uint64_t p = tailleEntete >= 52 ? 54 : position;
            masques = {f.U32(p), f.U32(p + 4), f.U32(p + 8)};
            if (tailleEntete == 40)
                position += compression == BI_ALPHABITFIELDS ? 16 : 12;
        }
    } else {
        ImageNonValide();
    }

    if (compression == BI_RGB) {
        if (bits == 16)
            masques = {0x7C00, 0x03E0, 0x001F};
        else if (bits == 32)
            masques = {0xFF0000, 0x00FF00, 0x0000FF};
        else if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
            ImageNonValide();
    } else if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        // Trois masques nuls ne tirent rien des pixels : l'image serait noire.
        if ((bits != 16 && bits != 32) || (masques[0] | masques[1] | masques[2]) == 0)
            ImageNonValide();
    } else {
        ImageNonValide();
    }
    VerifierDimensions(largeur, hauteur, 0, static_cast<int64_t>(taille));

    std::array<uint8_t, 256 * 3> palette{};  // B, V, R ; noir au-delà des couleurs lues
    if (bits <= 8) {
        const uint32_t maximum = 1u << bits;
        const uint32_t n = couleursUtilisees == 0 || couleursUtilisees > maximum ? maximum : couleursUtilisees;
        f.Verifier(position, static_cast<uint64_t>(n) * octetsParCouleur);
        for (uint32_t i = 0; i < n; ++i) {
            const uint8_t* c = f.Octets(position + static_cast<uint64_t>(i) * octetsParCouleur);
            palette[3 * i] = c[0];
            palette[3 * i + 1] = c[1];
            palette[3 * i + 2] = c[2];
        }
        position += static_cast<uint64_t>(n) * octetsParCouleur;
    }
    // Certains écrivains laissent le décalage des pixels à zéro.
    if (debutPixels != 0)
        position = debutPixels;
    const uint64_t pasFichier = (static_cast<uint64_t>(largeur) * bits + 31) / 32 * 4;
    // La dernière ligne peut manquer de son bourrage.
    f.Verifier(position, pasFichier * (hauteur - 1) + (static_cast<uint64_t>(largeur) * bits + 7) / 8);

    const Canal rouge(masques[0]), vert(masques[1]), bleu(masques[2]);
    Bitmap image(static_cast<int>(largeur), static_cast<int>(hauteur));
    const int l = static_cast<int>(largeur);
    for (int ligne = 0; ligne < image.Height(); ++ligne) {
        const uint8_t* s = f.Octets(position + pasFichier * ligne);
        uint8_t* d = image.Ligne(hautEnBas ? ligne : image.Height() - 1 - ligne);
        switch (bits) {
        case 1:
        case 4:
        case 8: {
            const int parOctet = 8 / bits;
            const unsigned masque = (1u << bits) - 1;
            for (int x = 0; x < l; ++x, d += 3) {
                const int decalage = 8 - bits * (x % parOctet + 1);
                const unsigned i = (s[x / parOctet] >> decalage) & masque;
                d[0] = palette[3 * i];
                d[1] = palette[3 * i + 1];
                d[2] = palette[3 * i + 2];
            }
            break;
        }
        case 24:
            std::copy(s, s + 3 * static_cast<size_t>(l), d);
            break;
        case 16:
            for (int x = 0; x < l; ++x, d += 3) {
                const uint32_t p = s[2 * x] | s[2 * x + 1] << 8;
                d[0] = bleu.Valeur(p);
                d[1] = vert.Valeur(p);
                d[2] = rouge.Valeur(p);
            }
            break;
        case 32:
            for (int x = 0; x < l; ++x, d += 3) {
                const uint8_t* q = s + 4 * x;
                const uint32_t p = static_cast<uint32_t>(q[0]) | static_cast<uint32_t>(q[1]) << 8 |
                                   static_cast<uint32_t>(q[2]) << 16 | static_cast<uint32_t>(q[3]) << 24;
                d[0] = bleu.Valeur(p);
                d[1] = vert.Valeur(p);
                d[2] = rouge.Valeur(p);
            }
            break;
        }
    }
    dest = std::move(image);
}
