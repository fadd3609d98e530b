#pragma once
// Dessin sur un Bitmap 24 bits (QPainter posé sur sa mémoire). Les couleurs
// sont des valeurs $00BBGGRR. Les coins (x1, y1, x2, y2) excluent le bord
// droit et le bord bas, comme sous Windows ; un QRect garde le sens de Qt.

#include <cstdint>
#include <memory>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include "platform/Bitmap.h"

using TColor = uint32_t;

QColor VersQColor(TColor couleur);

class QPainter;

class TCanevas
{
public:
    // Dessin sur la mémoire d'un Bitmap.
    explicit TCanevas(Bitmap& cible);
    // Dessin sur un QPainter déjà ouvert (cellules de la grille).
    explicit TCanevas(QPainter& peintre);
    ~TCanevas();
    TCanevas(const TCanevas&) = delete;
    TCanevas& operator=(const TCanevas&) = delete;

    // Plume : couleur et largeur ; pinceau plein ou creux.
    TColor penColor = 0;
    int penWidth = 1;
    TColor brushColor = 0xFFFFFF;
    bool brushClear = false;  // pinceau creux
    TColor fontColor = 0;
    QFont font;

    void Ellipse(int x1, int y1, int x2, int y2);
    void Rectangle(int x1, int y1, int x2, int y2);
    void FillRect(const QRect& r);
    int TextWidth(const QString& texte) const;
    int TextHeight(const QString& texte) const;
    // Texte opaque découpé au rectangle, rempli d'abord avec le pinceau.
    void TextRect(const QRect& r, int x, int y, const QString& texte);
    // Texte simple, fond du pinceau sous les caractères, sans découpe.
    void TextOut(int x, int y, const QString& texte);
    // Rectangle pointillé tracé en non-OU exclusif : un second tracé l'efface.
    void RectanglePointilleXor(int x1, int y1, int x2, int y2);

private:
    struct Prive;
    std::unique_ptr<Prive> d_;
};
