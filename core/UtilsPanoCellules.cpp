// Textes des cellules de la grille des images et copie d'une zone de bitmap.

#include <algorithm>
#include <cstring>

#include "core/UtilsPano.h"
#include "platform/Canevas.h"

namespace {

constexpr int MargeTexte = 6;
constexpr int HautLignes = 5;
constexpr int PasLignes = 20;

// Texte vide opaque : remplit toute la cellule avec le pinceau.
void EffacerCellule(TCanevas& Grille, const QRect& Rect)
{
    Grille.TextRect(Rect, Rect.left(), Rect.top(), QString());
}

void EcrireCoordonnees(TCanevas& Grille, const QRect& Rect, int k, int X, int Y)
{
    const int y = Rect.top() + HautLignes + (k - 1) * PasLignes;
    Grille.TextOut(Rect.left() + 10, y,
                   QStringLiteral("Pt%1 :  X = %2").arg(k).arg(X));
    Grille.TextOut(Rect.left() + 100, y, QStringLiteral("Y = %1").arg(Y));
}

}  // namespace

void EcrireTexteCellule(TCanevas& Grille, const QRect& Rect, char Align, uint32_t Couleur,
                        const QString& Texte)
{
    Grille.fontColor = Couleur;
    const int w = Grille.TextWidth(Texte);
    const int cw = Rect.width();
    int x = 0;
    switch (Align) {
    case 'C': x = (cw - w) / 2; break;
    case 'D': x = cw - w - MargeTexte; break;
    case 'G': x = MargeTexte; break;
    default: break;
    }
    Grille.TextRect(Rect, Rect.left() + x, Rect.top() + DecalTexteY, Texte);
}

void EcrirePointsCellule(TCanevas& Grille, const QRect& Rect, char Mode, uint32_t Couleur,
                         const TInfosImg& Img)
{
    Grille.fontColor = Couleur;
    EffacerCellule(Grille, Rect);
    if (Mode == 'C') {
        for (int k = 1; k <= 4; ++k)
            EcrireCoordonnees(Grille, Rect, k, Img.PtsControle[k - 1].X, Img.PtsControle[k - 1].Y);
    } else if (Mode == 'H') {
        for (int k = 1; k <= 2; ++k)
            EcrireCoordonnees(Grille, Rect, k, Img.PtsHoriz[k - 1].X, Img.PtsHoriz[k - 1].Y);
    }
}

void EcrirePointsCorrespondants(TCanevas& Grille, const QRect& Rect, uint32_t Couleur,
                                const TInfosImg& Img)
{
    Grille.fontColor = Couleur;
    EffacerCellule(Grille, Rect);
    const Bitmap* bmp = BitmapDe(Img);
    const int w = bmp ? bmp->Width() : 0;
    const int h = bmp ? bmp->Height() : 0;
    for (int k = 1; k <= 4; ++k) {
        const TPtControle& p = Img.PtsControle[k - 1];
        if (p.X == 0 || p.X == w - 1 || p.Y == 0 || p.Y == h - 1)
            continue;
        const int y = Rect.top() + HautLignes + (k - 1) * PasLignes;
        Grille.TextOut(Rect.left() + 10, y, QStringLiteral("Img N° %1").arg(p.NumImg + 1));
        Grille.TextOut(Rect.left() + 80, y, QStringLiteral("Point N° %1").arg(p.NumPt));
    }
}

void CopierZone(const Bitmap& Source, Bitmap& Dest, TPoint32 P1, TPoint32 P2)
{
    const int W = Source.Width();
    const int H = Source.Height();
    P1.X = std::clamp(P1.X, 0, W);
    P2.X = std::clamp(P2.X, 0, W);
    P1.Y = std::clamp(P1.Y, 0, H);
    P2.Y = std::clamp(P2.Y, 0, H);
    // Un rectangle inversé donne une copie vide plutôt qu'une taille négative.
    const int largeur = std::max(P2.X - P1.X, 0);
    const int hauteur = std::max(P2.Y - P1.Y, 0);
    Dest.SetSize(largeur, hauteur);
    const size_t octets = static_cast<size_t>(largeur) * 3;
    for (int y = 0; y < hauteur && octets; ++y)
        std::memcpy(Dest.Ligne(y), Source.Ligne(P1.Y + y) + static_cast<size_t>(P1.X) * 3, octets);
}
