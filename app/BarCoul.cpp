#include "app/BarCoul.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "platform/Extended.h"

TBarRVB::TBarRVB(QWidget* parent) : QWidget(parent)
{
    resize(45, 17);
}

void TBarRVB::SetNiveauR(long double valeur)
{
    if (valeur == niveauR_)
        return;
    niveauR_ = valeur;
    Paint();
}

void TBarRVB::SetNiveauV(long double valeur)
{
    if (valeur == niveauV_)
        return;
    niveauV_ = valeur;
    Paint();
}

void TBarRVB::SetNiveauB(long double valeur)
{
    if (valeur == niveauB_)
        return;
    niveauB_ = valeur;
    Paint();
}

void TBarRVB::Paint()
{
    const double m = std::max(std::max(static_cast<double>(niveauR_), static_cast<double>(niveauV_)),
                              static_cast<double>(niveauB_));
    longueurR_ = longueurV_ = longueurB_ = 0;
    // Un niveau non fini rendrait les parts indéfinies : rien n'est tracé.
    if (m > 0 && std::isfinite(niveauR_) && std::isfinite(niveauV_) && std::isfinite(niveauB_)) {
        // Bornées avant l'arrondi : un niveau négatif énorme ne déborde pas.
        const auto part = [m](long double niveau) {
            return static_cast<int>(Round(std::clamp(niveau * 100 / m, -1.0e9L, 1.0e9L)));
        };
        const int pR = part(niveauR_);
        const int pV = part(niveauV_);
        const int pB = part(niveauB_);
        setToolTip(QStringLiteral("R : %1% ; V : %2% ; B : %3%").arg(pR).arg(pV).arg(pB));
        longueurR_ = std::max(0, pR - 75);
        longueurV_ = std::max(0, pV - 75);
        longueurB_ = std::max(0, pB - 75);
    } else {
        setToolTip(QString());
    }
    repaint();
}

void TBarRVB::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int haut = 2 + p.fontMetrics().ascent();
    p.setPen(Qt::black);
    p.drawText(0, haut, QStringLiteral("¾"));
    p.drawText(38, haut, QStringLiteral("1"));
    p.setBrush(Qt::white);
    p.drawRect(10, 0, 26, 16);
    p.fillRect(11, 1, longueurR_, 5, QColor(0xFF, 0, 0));
    p.fillRect(11, 6, longueurV_, 5, QColor(0, 0x80, 0));
    p.fillRect(11, 11, longueurB_, 5, QColor(0, 0, 0xFF));
}
