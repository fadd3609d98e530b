#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/Erreur.h"

namespace {
int PasLigne(int largeur)
{
    return (largeur * 3 + 3) & ~3;
}
}

Bitmap::Bitmap(int largeur, int hauteur)
{
    SetSize(largeur, hauteur);
}

bool Bitmap::TailleAcceptable(int64_t largeur, int64_t hauteur)
{
    if (largeur < 0 || hauteur < 0 || largeur > TailleMax / 3)
        return false;
    // Division plutôt que produit : deux côtés immenses déborderaient 64 bits.
    const int64_t pas = (largeur * 3 + 3) & ~int64_t(3);
    return hauteur == 0 || pas <= TailleMax / hauteur;
}

void Bitmap::SetSize(int largeur, int hauteur)
{
    largeur = std::max(largeur, 0);
    hauteur = std::max(hauteur, 0);
    if (largeur == largeur_ && hauteur == hauteur_)
        return;
    if (!TailleAcceptable(largeur, hauteur))
        throw Erreur("Mémoire insuffisante");
    const int pas = PasLigne(largeur);
    std::vector<uint8_t> nouvelles(static_cast<size_t>(pas) * hauteur, 0xFF);
    const size_t octets = static_cast<size_t>(std::min(largeur, largeur_)) * 3;
    // Une largeur nulle n'a pas de mémoire : rien à recopier.
    const int lignes = octets == 0 ? 0 : std::min(hauteur, hauteur_);
    for (int y = 0; y < lignes; ++y)
        std::memcpy(nouvelles.data() + static_cast<size_t>(y) * pas,
                    donnees_.data() + static_cast<size_t>(y) * pas_, octets);
    donnees_ = std::move(nouvelles);
    largeur_ = largeur;
    hauteur_ = hauteur;
    pas_ = pas;
}

uint8_t* Bitmap::ScanLine(int y)
{
    if (y < 0 || y >= hauteur_)
        throw Erreur("Indice de ligne hors limites");
    return Ligne(y);
}

const uint8_t* Bitmap::ScanLine(int y) const
{
    if (y < 0 || y >= hauteur_)
        throw Erreur("Indice de ligne hors limites");
    return Ligne(y);
}

void Bitmap::Fill(uint8_t b, uint8_t v, uint8_t r)
{
    for (int y = 0; y < hauteur_; ++y) {
        uint8_t* p = Ligne(y);
        for (int x = 0; x < largeur_; ++x, p += 3) {
            p[0] = b;
            p[1] = v;
            p[2] = r;
        }
    }
}

QImage Bitmap::ImageQt()
{
    if (Empty())
        return QImage();
    return QImage(donnees_.data(), largeur_, hauteur_, pas_, QImage::Format_BGR888);
}

QImage Bitmap::ImageQt() const
{
    if (Empty())
        return QImage();
    return QImage(donnees_.data(), largeur_, hauteur_, pas_, QImage::Format_BGR888);
}

bool Bitmap::operator==(const Bitmap& autre) const
{
    if (largeur_ != autre.largeur_ || hauteur_ != autre.hauteur_)
        return false;
    const size_t octets = static_cast<size_t>(largeur_) * 3;
    for (int y = 0; y < hauteur_; ++y)
        if (std::memcmp(Ligne(y), autre.Ligne(y), octets) != 0)
            return false;
    return true;
}
