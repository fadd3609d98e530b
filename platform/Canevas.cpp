#include "platform/Canevas.h"

#include <algorithm>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

QColor VersQColor(TColor couleur)
{
    return QColor(static_cast<int>(couleur & 0xFF), static_cast<int>((couleur >> 8) & 0xFF),
                  static_cast<int>((couleur >> 16) & 0xFF));
}

struct TCanevas::Prive
{
    Bitmap* bitmap = nullptr;
    QPainter* peintre = nullptr;
};

namespace {

// Pointillé d'une plume fine : trois points allumés, trois éteints.
constexpr int PeriodePointille = 6;
constexpr int PointsAllumes = 3;

}  // namespace

TCanevas::TCanevas(Bitmap& cible) : d_(std::make_unique<Prive>())
{
    d_->bitmap = &cible;
}

TCanevas::TCanevas(QPainter& peintre) : d_(std::make_unique<Prive>())
{
    d_->peintre = &peintre;
}

TCanevas::~TCanevas() = default;

// Le QPainter est ouvert à chaque tracé : le bitmap peut changer de taille
// entre deux appels, ce qui invalide toute vue gardée sur sa mémoire.
template <class F>
static void Peindre(Bitmap* bitmap, QPainter* peintre, F&& trace)
{
    if (bitmap != nullptr) {
        if (bitmap->Empty())
            return;
        QImage vue = bitmap->ImageQt();
        QPainter p(&vue);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        trace(p);
        return;
    }
    peintre->save();
    peintre->setRenderHint(QPainter::Antialiasing, false);
    trace(*peintre);
    peintre->restore();
}

void TCanevas::Ellipse(int x1, int y1, int x2, int y2)
{
    // Rectangle englobant à bords droit et bas exclus.
    const QRect r(QPoint(std::min(x1, x2), std::min(y1, y2)),
                  QPoint(std::max(x1, x2) - 2, std::max(y1, y2) - 2));
    if (r.width() <= 0 || r.height() <= 0)
        return;
    Peindre(d_->bitmap, d_->peintre, [&](QPainter& p) {
        QPen plume(VersQColor(penColor));
        plume.setWidth(std::max(penWidth, 1));
        p.setPen(plume);
        p.setBrush(brushClear ? QBrush(Qt::NoBrush) : QBrush(VersQColor(brushColor)));
        p.drawEllipse(r);
    });
}

void TCanevas::Rectangle(int x1, int y1, int x2, int y2)
{
    const int g = std::min(x1, x2), d = std::max(x1, x2);
    const int h = std::min(y1, y2), b = std::max(y1, y2);
    if (d <= g || b <= h)
        return;
    // Plume centrée sur le bord : la moitié déborde vers l'extérieur.
    const int l = std::max(penWidth, 1);
    const QRect exterieur(QPoint(g - l / 2, h - l / 2), QPoint(d - 1 + (l - 1) / 2, b - 1 + (l - 1) / 2));
    const QRect interieur = exterieur.adjusted(l, l, -l, -l);
    Peindre(d_->bitmap, d_->peintre, [&](QPainter& p) {
        if (!brushClear && interieur.isValid())
            p.fillRect(interieur, VersQColor(brushColor));
        const QColor c = VersQColor(penColor);
        const int haut = std::min(l, exterieur.height());
        p.fillRect(QRect(exterieur.left(), exterieur.top(), exterieur.width(), haut), c);
        p.fillRect(QRect(exterieur.left(), exterieur.bottom() - haut + 1, exterieur.width(), haut), c);
        const int large = std::min(l, exterieur.width());
        p.fillRect(QRect(exterieur.left(), exterieur.top(), large, exterieur.height()), c);
        p.fillRect(QRect(exterieur.right() - large + 1, exterieur.top(), large, exterieur.height()), c);
    });
}

void TCanevas::FillRect(const QRect& r)
{
    if (brushClear)
        return;
    Peindre(d_->bitmap, d_->peintre, [&](QPainter& p) { p.fillRect(r, VersQColor(brushColor)); });
}

int TCanevas::TextWidth(const QString& texte) const
{
    if (d_->peintre != nullptr && d_->peintre->device() != nullptr)
        return QFontMetrics(font, d_->peintre->device()).horizontalAdvance(texte);
    return QFontMetrics(font).horizontalAdvance(texte);
}

int TCanevas::TextHeight(const QString&) const
{
    // Hauteur de cellule de la police, la même pour tout texte.
    if (d_->peintre != nullptr && d_->peintre->device() != nullptr)
        return QFontMetrics(font, d_->peintre->device()).height();
    return QFontMetrics(font).height();
}

void TCanevas::TextRect(const QRect& r, int x, int y, const QString& texte)
{
    Peindre(d_->bitmap, d_->peintre, [&](QPainter& p) {
        p.setClipRect(r);
        if (!brushClear)
            p.fillRect(r, VersQColor(brushColor));
        p.setFont(font);
        p.setPen(VersQColor(fontColor));
        p.drawText(QPoint(x, y + QFontMetrics(font, p.device()).ascent()), texte);
    });
}

void TCanevas::TextOut(int x, int y, const QString& texte)
{
    Peindre(d_->bitmap, d_->peintre, [&](QPainter& p) {
        p.setFont(font);
        const QFontMetrics mesure(font, p.device());
        if (!brushClear)
            p.fillRect(QRect(x, y, mesure.horizontalAdvance(texte), mesure.height()),
                       VersQColor(brushColor));
        p.setPen(VersQColor(fontColor));
        p.drawText(QPoint(x, y + mesure.ascent()), texte);
    });
}

void TCanevas::RectanglePointilleXor(int x1, int y1, int x2, int y2)
{
    const int g = std::min(x1, x2), d = std::max(x1, x2) - 1;
    const int h = std::min(y1, y2), b = std::max(y1, y2) - 1;
    if (d < g || b < h)
        return;
    // Chaque pixel du contour une seule fois, dans le sens des aiguilles d'une
    // montre : un pixel vu deux fois s'annulerait.
    std::vector<QPoint> contour;
    for (int x = g; x <= d; ++x)
        contour.emplace_back(x, h);
    for (int y = h + 1; y <= b; ++y)
        contour.emplace_back(d, y);
    if (b > h)
        for (int x = d - 1; x >= g; --x)
            contour.emplace_back(x, b);
    if (d > g)
        for (int y = b - 1; y > h; --y)
            contour.emplace_back(g, y);

    const uint8_t plume[3] = {static_cast<uint8_t>(penColor >> 16), static_cast<uint8_t>(penColor >> 8),
                              static_cast<uint8_t>(penColor)};
    if (d_->bitmap != nullptr) {
        Bitmap& bmp = *d_->bitmap;
        // Non-OU exclusif octet par octet : dst := not (dst xor plume).
        for (size_t k = 0; k < contour.size(); ++k) {
            const QPoint& pt = contour[k];
            if (static_cast<int>(k % PeriodePointille) >= PointsAllumes || pt.x() < 0 || pt.y() < 0 ||
                pt.x() >= bmp.Width() || pt.y() >= bmp.Height())
                continue;
            uint8_t* p = bmp.Ligne(pt.y()) + 3 * pt.x();
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<uint8_t>(~(p[c] ^ plume[c]));
        }
        return;
    }
    Peindre(nullptr, d_->peintre, [&](QPainter& p) {
        p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        p.setPen(QPen(VersQColor(penColor), 1));
        for (size_t k = 0; k < contour.size(); ++k)
            if (static_cast<int>(k % PeriodePointille) < PointsAllumes)
                p.drawPoint(contour[k]);
    });
}
