#include "app/GrilleImages.h"

#include <algorithm>
#include <utility>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "platform/Canevas.h"
#include "platform/Extended.h"

namespace {

constexpr int TraitGrille = 1;
constexpr int HauteurDefaut = 24;
constexpr TColor CouleurFixe = 0xF0F0F0;
constexpr TColor CouleurTraits = 0xC0C0C0;
constexpr TColor FondDonnees = 0xFFFFFF;
constexpr TColor CouleurChoisie = 0xFFFFCC;

}  // namespace

QRect RectangleVignette(const QRect& Cellule, int Largeur, int Hauteur)
{
    // Le grand côté fait 128 pixels (de 4 à 132), le petit est centré.
    const int grand = std::max(Largeur, Hauteur);
    const int petit = std::min(Largeur, Hauteur);
    if (grand <= 0)
        return QRect();
    const long double marge = (136.0L - static_cast<long double>(petit) * 128.0L / grand) / 2.0L;
    const int m = static_cast<int>(Round(marge));
    const int gauche = Cellule.left();
    const int haut = Cellule.top();
    const int droite = Cellule.left() + Cellule.width();
    const int bas = Cellule.top() + Cellule.height();
    if (Largeur > Hauteur)
        return QRect(QPoint(gauche + 4, haut + m), QPoint(gauche + 132 - 1, bas - m - 1));
    return QRect(QPoint(gauche + m, haut + 4), QPoint(droite - m - 1, haut + 132 - 1));
}

TGrilleImages::TGrilleImages(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setTracking(true);
    QFont gras = font();
    gras.setBold(true);
    largeurs_ = {QFontMetrics(gras).horizontalAdvance(QStringLiteral(" N° ")),
                 136, 160, 56, 56, 150, 150, 150};
    hauteurs_.assign(2, HauteurDefaut);
}

TGrilleImages::~TGrilleImages() = default;

void TGrilleImages::SetRowCount(int n)
{
    n = std::max(n, 2);
    if (n == RowCount())
        return;
    hauteurs_.resize(static_cast<size_t>(n), HauteurDefaut);
    ligne_ = std::clamp(ligne_, 1, n - 1);
    MettreAJourDefilement();
    viewport()->update();
}

void TGrilleImages::SetColWidth(int c, int largeur)
{
    if (c < 0 || c >= ColCount() || largeurs_[c] == largeur)
        return;
    largeurs_[c] = std::max(largeur, 0);
    viewport()->update();
}

void TGrilleImages::SetRowHeight(int r, int hauteur)
{
    hauteur = std::max(hauteur, 0);
    if (r < 0 || r >= RowCount() || hauteurs_[r] == hauteur)
        return;
    // Changer une hauteur en peignant relance une peinture complète.
    hauteurs_[r] = hauteur;
    if (peintre_)
        hauteurChangee_ = true;
    MettreAJourDefilement();
    viewport()->update();
}

void TGrilleImages::SetRow(int r)
{
    if (r < 1 || r >= RowCount() || r == ligne_)
        return;
    ligne_ = r;
    viewport()->update();
}

void TGrilleImages::Repaint()
{
    viewport()->repaint();
}

int TGrilleImages::HauteurDonnees() const
{
    int h = 0;
    for (int r = 1; r < RowCount(); ++r)
        if (hauteurs_[r] > 0)
            h += hauteurs_[r] + TraitGrille;
    return h;
}

void TGrilleImages::MettreAJourDefilement()
{
    const int visible = viewport()->height() - hauteurs_[0] - TraitGrille;
    QScrollBar* barre = verticalScrollBar();
    barre->setRange(0, std::max(0, HauteurDonnees() - visible));
    barre->setPageStep(std::max(visible, 1));
    barre->setSingleStep(20);
}

QRect TGrilleImages::CellRect(int c, int r) const
{
    if (c < 0 || c >= ColCount() || r < 0 || r >= RowCount())
        return QRect();
    int x = 0;
    for (int i = 0; i < c; ++i)
        x += largeurs_[i] + TraitGrille;
    int y = 0;
    if (r > 0) {
        y = hauteurs_[0] + TraitGrille - verticalScrollBar()->value();
        for (int i = 1; i < r; ++i)
            if (hauteurs_[i] > 0)
                y += hauteurs_[i] + TraitGrille;
    }
    return QRect(x, y, largeurs_[c], hauteurs_[r]);
}

int TGrilleImages::LigneA(int y) const
{
    if (y < 0)
        return -1;
    if (y < hauteurs_[0])
        return 0;
    if (y < hauteurs_[0] + TraitGrille)
        return -1;
    int haut = hauteurs_[0] + TraitGrille - verticalScrollBar()->value();
    for (int r = 1; r < RowCount(); ++r) {
        if (hauteurs_[r] > 0) {
            if (y >= haut && y < haut + hauteurs_[r])
                return r;
            haut += hauteurs_[r] + TraitGrille;
        }
    }
    return -1;
}

int TGrilleImages::ColonneA(int x) const
{
    int gauche = 0;
    for (int c = 0; c < ColCount(); ++c) {
        if (x >= gauche && x < gauche + largeurs_[c] + TraitGrille)
            return c;
        gauche += largeurs_[c] + TraitGrille;
    }
    return -1;
}

bool TGrilleImages::event(QEvent* event)
{
    // update() sur la grille elle-même doit aussi redessiner ses cellules.
    if (event->type() == QEvent::Paint)
        viewport()->update();
    return QAbstractScrollArea::event(event);
}

void TGrilleImages::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const int hautDonnees = hauteurs_[0] + TraitGrille;
    // Le haut des lignes se cumule d'une ligne à la suivante : recalculé pour
    // chaque cellule, il coûterait le carré du nombre de lignes.
    const int hautPremiere = hautDonnees - verticalScrollBar()->value();
    std::vector<int> gauches(static_cast<size_t>(ColCount()));
    for (int c = 0, x = 0; c < ColCount(); ++c) {
        gauches[c] = x;
        x += largeurs_[c] + TraitGrille;
    }

    auto peindreCellule = [&](int c, int r, int haut) {
        // Une ligne de hauteur nulle est peinte aussi : son dessinateur peut
        // lui rendre une hauteur.
        const QRect cellule(gauches[c], haut, largeurs_[c], hauteurs_[r]);
        if (cellule.top() > viewport()->height() || cellule.top() + cellule.height() < 0)
            return;
        const bool fixe = r == 0;
        const bool choisie = !fixe && r == ligne_;
        const TColor fond = fixe ? CouleurFixe : (choisie ? CouleurChoisie : FondDonnees);
        p.save();
        p.fillRect(cellule, VersQColor(fond));
        canevas_ = std::make_unique<TCanevas>(p);
        canevas_->font = font();
        canevas_->brushColor = fond;
        peintre_ = &p;
        emit DrawCell(c, r, cellule, (fixe ? EtatFixe : 0) | (choisie ? EtatSelection : 0));
        peintre_ = nullptr;
        canevas_.reset();
        p.restore();
    };

    // Les lignes de données défilent sous l'en-tête. Une hauteur donnée par
    // le dessinateur déplace les cellules : elles sont reprises aussitôt.
    hauteurChangee_ = false;
    for (int passe = 0; passe < 2; ++passe) {
        p.fillRect(viewport()->rect(), VersQColor(FondDonnees));
        p.save();
        p.setClipRect(QRect(0, hautDonnees, viewport()->width(), viewport()->height()));
        int haut = hautPremiere;
        for (int r = 1; r < RowCount(); ++r) {
            for (int c = 0; c < ColCount(); ++c)
                peindreCellule(c, r, haut);
            if (hauteurs_[r] > 0)
                haut += hauteurs_[r] + TraitGrille;
        }
        p.restore();
        if (!std::exchange(hauteurChangee_, false))
            break;
    }
    for (int c = 0; c < ColCount(); ++c)
        peindreCellule(c, 0, 0);

    // Traits entre les cellules, sous chaque ligne de données visible.
    p.setPen(VersQColor(CouleurTraits));
    const int bas = std::max(hauteurs_[0], hautPremiere + HauteurDonnees() - TraitGrille);
    int x = 0;
    for (int c = 0; c < ColCount(); ++c) {
        x += largeurs_[c];
        p.drawLine(x, 0, x, bas);
        x += TraitGrille;
    }
    p.drawLine(0, hauteurs_[0], x - 1, hauteurs_[0]);
    p.setClipRect(QRect(0, hautDonnees, viewport()->width(), viewport()->height()));
    for (int r = 1, haut = hautPremiere; r < RowCount(); ++r)
        if (hauteurs_[r] > 0) {
            haut += hauteurs_[r] + TraitGrille;
            p.drawLine(0, haut - TraitGrille, x - 1, haut - TraitGrille);
        }
}

void TGrilleImages::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    MettreAJourDefilement();
}

void TGrilleImages::Choisir(int c, int r)
{
    SetRow(r);
    emit SelectCell(std::max(c, 0), r);
}

void TGrilleImages::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        const int r = LigneA(pos.y());
        const int c = ColonneA(pos.x());
        if (r >= 1 && c >= 0) {
            glisse_ = true;
            Choisir(c, r);
        }
    }
    emit MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TGrilleImages::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Le second appui d'un double-clic ne sélectionne rien.
    const QPoint pos = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TGrilleImages::mouseMoveEvent(QMouseEvent* event)
{
    if (!glisse_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint pos = event->position().toPoint();
    const int r = LigneA(pos.y());
    if (r >= 1 && r != ligne_)
        Choisir(ColonneA(pos.x()), r);
}

void TGrilleImages::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        glisse_ = false;
    const QPoint pos = event->position().toPoint();
    emit MouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TGrilleImages::keyPressEvent(QKeyEvent* event)
{
    int r = ligne_;
    switch (event->key()) {
    case Qt::Key_Up: r = ligne_ - 1; break;
    case Qt::Key_Down: r = ligne_ + 1; break;
    case Qt::Key_Home: r = 1; break;
    case Qt::Key_End: r = RowCount() - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    r = std::clamp(r, 1, RowCount() - 1);
    if (r == ligne_)
        return;
    Choisir(0, r);
    const QRect cellule = CellRect(0, r);
    QScrollBar* barre = verticalScrollBar();
    const int hautDonnees = hauteurs_[0] + TraitGrille;
    if (cellule.top() < hautDonnees)
        barre->setValue(barre->value() - (hautDonnees - cellule.top()));
    else if (cellule.bottom() >= viewport()->height())
        barre->setValue(barre->value() + cellule.bottom() - viewport()->height() + 1);
}
