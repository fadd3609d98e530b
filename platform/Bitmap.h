#pragma once
// Bitmap 24 bits : lignes B,G,R de haut en bas, chaque ligne alignée sur 4 octets
// comme une DIB, pour que QImage puisse la peindre sans copie.

#include <cstdint>
#include <vector>

#include <QImage>

class Bitmap
{
public:
    Bitmap() = default;
    Bitmap(int largeur, int hauteur);

    int Width() const { return largeur_; }
    int Height() const { return hauteur_; }
    int Stride() const { return pas_; }
    bool Empty() const { return largeur_ <= 0 || hauteur_ <= 0; }

    // Les pixels communs aux deux tailles sont gardés, les nouveaux sont blancs.
    void SetSize(int largeur, int hauteur);
    void SetWidth(int largeur) { SetSize(largeur, hauteur_); }
    void SetHeight(int hauteur) { SetSize(largeur_, hauteur); }

    // Ligne y (0 en haut) ; une ligne hors de 0..Height()-1 lève une Erreur.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;
    // Accès sans contrôle pour les boucles qui ont déjà borné y.
    uint8_t* Ligne(int y) { return donnees_.data() + static_cast<size_t>(y) * pas_; }
    const uint8_t* Ligne(int y) const { return donnees_.data() + static_cast<size_t>(y) * pas_; }
    uint8_t* Bits() { return donnees_.data(); }
    const uint8_t* Bits() const { return donnees_.data(); }

    void Fill(uint8_t b, uint8_t v, uint8_t r);
    void Assign(const Bitmap& autre) { *this = autre; }

    // Vue QImage sur la mémoire du bitmap (aucune copie) ; invalide après SetSize.
    QImage ImageQt();
    QImage ImageQt() const;

    bool operator==(const Bitmap& autre) const;

    // Taille maximale acceptée d'un tampon 24 bits.
    static constexpr int64_t TailleMax = int64_t(2) * 1024 * 1024 * 1024 - 1;
    static bool TailleAcceptable(int64_t largeur, int64_t hauteur);

private:
    int largeur_ = 0;
    int hauteur_ = 0;
    int pas_ = 0;
    std::vector<uint8_t> donnees_;
};
