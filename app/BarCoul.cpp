#include "app/BarCoul.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

#include "platform/Extended.h"

namespace {

const QString TroisQuarts = QStringLiteral("¾");
// Colonnes 0..8 : une colonne libre sépare le signe du cadre (colonne 10 et
// au-delà, peint après lui) ; lignes 1..15, en retrait des bords du contrôle.
constexpr int LargeurTroisQuarts = 9;
constexpr int HautTroisQuarts = 1;
constexpr int BasTroisQuarts = 15;
constexpr int HauteurTroisQuarts = BasTroisQuarts - HautTroisQuarts + 1;

}

TBarRVB::TBarRVB(QWidget* parent) : QWidget(parent)
{
    resize(45, 17);
    AjusterTroisQuarts();
}

void TBarRVB::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        AjusterTroisQuarts();
}

// Le signe de la police par défaut déborde sous le cadre et y est coupé : la
// police est d'abord resserrée, puis seulement réduite, pour qu'il reste lisible.
void TBarRVB::AjusterTroisQuarts()
{
    QFont police = font();
    QRect encre = QFontMetrics(police).tightBoundingRect(TroisQuarts);
    const auto tient = [&encre] {
        return encre.width() <= LargeurTroisQuarts && encre.height() <= HauteurTroisQuarts;
    };
    for (int taille = QFontInfo(police).pixelSize(); !tient() && taille >= 4; --taille)
        for (const int etirement : {QFont::Unstretched, QFont::SemiCondensed, QFont::Condensed,
                                    QFont::ExtraCondensed}) {
            police.setPixelSize(taille);
            police.setStretch(etirement);
            encre = QFontMetrics(police).tightBoundingRect(TroisQuarts);
            if (tient())
                break;
        }
    policeTroisQuarts_ = police;
    // En haut à 2 pixels comme l'autre repère, remonté si l'encre dépassait en bas.
    int ligneDeBase = 2 + QFontMetrics(police).ascent();
    ligneDeBase = std::min(ligneDeBase, BasTroisQuarts - encre.bottom());
    ligneDeBase = std::max(ligneDeBase, HautTroisQuarts - encre.top());
    origineTroisQuarts_ = QPoint(-encre.left(), ligneDeBase);
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
    p.drawText(38, haut, QStringLiteral("1"));
    p.setFont(policeTroisQuarts_);
    p.drawText(origineTroisQuarts_, TroisQuarts);
    p.setBrush(Qt::white);
    p.drawRect(10, 0, 26, 16);
    p.fillRect(11, 1, longueurR_, 5, QColor(0xFF, 0, 0));
    p.fillRect(11, 6, longueurV_, 5, QColor(0, 0x80, 0));
    p.fillRect(11, 11, longueurB_, 5, QColor(0, 0, 0xFF));
}
