// Classeur d'onglets des images : barre disposée à la demande, pages empilées.

#include "platform/PageControl.h"

#include <algorithm>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QToolButton>
#include <QWheelEvent>

TClasseurOnglets::TClasseurOnglets(QWidget* parent)
    : QWidget(parent), pile_(new QWidget(this)), precedent_(new QToolButton(this)), suivant_(new QToolButton(this))
{
    pile_->installEventFilter(this);
    setFocusPolicy(Qt::TabFocus);
    for (QToolButton* bouton : {precedent_, suivant_}) {
        bouton->setAutoRepeat(true);
        bouton->setFocusPolicy(Qt::NoFocus);
        bouton->hide();
    }
    precedent_->setArrowType(Qt::LeftArrow);
    suivant_->setArrowType(Qt::RightArrow);
    connect(precedent_, &QToolButton::clicked, this, [this] { Defiler(-1); });
    connect(suivant_, &QToolButton::clicked, this, [this] { Defiler(1); });
}

int TClasseurOnglets::addTab(QWidget* page, const QString& texte)
{
    if (!page)
        return -1;
    page->setParent(pile_);
    page->hide();
    onglets_.push_back({page, texte, true, -1, 0});
    const int index = count() - 1;
    page->setGeometry(pile_->rect());
    Marquer();
    if (courant_ < 0)
        setCurrentIndex(index);
    return index;
}

QWidget* TClasseurOnglets::widget(int index) const
{
    return Valide(index) ? onglets_[index].page : nullptr;
}

int TClasseurOnglets::indexOf(const QWidget* page) const
{
    for (int i = 0; i < count(); ++i)
        if (onglets_[i].page == page)
            return i;
    return -1;
}

QString TClasseurOnglets::tabText(int index) const
{
    return Valide(index) ? onglets_[index].texte : QString();
}

bool TClasseurOnglets::isTabVisible(int index) const
{
    return Valide(index) && onglets_[index].visible;
}

void TClasseurOnglets::setTabVisible(int index, bool visible)
{
    if (!Valide(index) || onglets_[index].visible == visible)
        return;
    onglets_[index].visible = visible;
    Marquer();
    // Comme la barre de Qt : l'onglet courant caché cède la place au suivant
    // montré, sinon au précédent ; sans autre onglet montré, il reste courant.
    if (!visible && index == courant_) {
        int autre = Voisin(index, 1);
        if (autre < 0)
            autre = Voisin(index, -1);
        if (autre >= 0)
            setCurrentIndex(autre);
    }
}

void TClasseurOnglets::setCurrentIndex(int index)
{
    if (!Valide(index) || index == courant_)
        return;
    QWidget* ancienne = widget(courant_);
    courant_ = index;
    if (ancienne)
        ancienne->hide();
    QWidget* page = onglets_[index].page;
    page->setGeometry(pile_->rect());
    page->show();
    Demander();
    emit currentChanged(index);
}

void TClasseurOnglets::clear()
{
    if (QWidget* page = currentWidget())
        page->hide();
    onglets_.clear();
    courant_ = -1;
    decalage_ = 0;
    Marquer();
    emit currentChanged(-1);
}

// Un ajout ou un masquage ne fait que marquer la barre : une seule demande
// de disposition est en attente à la fois.
void TClasseurOnglets::Marquer()
{
    sale_ = true;
    Demander();
}

// L'onglet courant est amené dans la barre quand la demande est traitée.
void TClasseurOnglets::Demander()
{
    update();
    if (!demandePostee_) {
        demandePostee_ = true;
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
    }
}

bool TClasseurOnglets::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) {
        demandePostee_ = false;
        // Caché, le classeur attend d'être montré pour disposer sa barre.
        if (isVisible())
            RendreVisible(courant_);
        return true;
    }
    return QWidget::event(event);
}

void TClasseurOnglets::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    RendreVisible(courant_);
}

int TClasseurOnglets::HauteurBarre()
{
    if (hauteurBarre_ < 0) {
        QStyleOptionTab opt;
        opt.initFrom(this);
        opt.shape = QTabBar::RoundedNorth;
        opt.text = QStringLiteral("Img");
        const int vEsp = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, this);
        const QSize texte(fontMetrics().horizontalAdvance(opt.text), fontMetrics().height() + vEsp);
        hauteurBarre_ = style()->sizeFromContents(QStyle::CT_TabBarTab, &opt, texte, this).height();
    }
    return hauteurBarre_;
}

// Chaque onglet n'est mesuré qu'une fois ; seules les positions sont refaites.
void TClasseurOnglets::Disposer()
{
    if (!sale_)
        return;
    sale_ = false;
    QStyleOptionTab opt;
    opt.initFrom(this);
    opt.shape = QTabBar::RoundedNorth;
    const QFontMetrics fm = fontMetrics();
    const int hEsp = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, this);
    const int vEsp = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, this);
    int x = 0;
    premierVisible_ = dernierVisible_ = -1;
    for (int i = 0; i < count(); ++i) {
        Onglet& o = onglets_[i];
        if (!o.visible)
            continue;
        if (o.largeur < 0) {
            opt.text = o.texte;
            const QSize texte(fm.size(Qt::TextShowMnemonic, o.texte).width() + hEsp, fm.height() + vEsp);
            o.largeur = style()->sizeFromContents(QStyle::CT_TabBarTab, &opt, texte, this).width();
        }
        o.x = x;
        x += o.largeur;
        if (premierVisible_ < 0)
            premierVisible_ = i;
        dernierVisible_ = i;
    }
    largeurTotale_ = x;
    const int h = HauteurBarre();
    const bool deborde = largeurTotale_ > width();
    const int lb = std::min(h, style()->pixelMetric(QStyle::PM_TabBarScrollButtonWidth, nullptr, this));
    precedent_->setGeometry(width() - 2 * lb, 0, lb, h);
    suivant_->setGeometry(width() - lb, 0, lb, h);
    precedent_->setVisible(deborde);
    suivant_->setVisible(deborde);
    decalage_ = std::clamp(decalage_, 0, std::max(largeurTotale_ - Disponible(), 0));
}

int TClasseurOnglets::Disponible()
{
    Disposer();
    return precedent_->isVisibleTo(this) ? std::max(precedent_->x(), 0) : width();
}

QStyleOptionTabWidgetFrame TClasseurOnglets::Cadre(int largeurBarre)
{
    QStyleOptionTabWidgetFrame opt;
    opt.initFrom(this);
    opt.shape = QTabBar::RoundedNorth;
    opt.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    opt.tabBarSize = QSize(largeurBarre, HauteurBarre());
    opt.tabBarRect = QRect(QPoint(0, 0), opt.tabBarSize);
    return opt;
}

QRect TClasseurOnglets::RectPages()
{
    const QStyleOptionTabWidgetFrame opt = Cadre(width());
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &opt, this);
}

QRect TClasseurOnglets::RectOnglet(int index)
{
    Disposer();
    if (!isTabVisible(index))
        return QRect();
    return QRect(onglets_[index].x - decalage_, 0, onglets_[index].largeur, HauteurBarre());
}

void TClasseurOnglets::RendreVisible(int index)
{
    Disposer();
    if (!isTabVisible(index))
        return;
    const Onglet& o = onglets_[index];
    const int disponible = Disponible();
    if (o.x < decalage_)
        decalage_ = o.x;
    else if (o.x + o.largeur > decalage_ + disponible)
        decalage_ = o.x + o.largeur - disponible;
    decalage_ = std::clamp(decalage_, 0, std::max(largeurTotale_ - disponible, 0));
    update();
}

int TClasseurOnglets::Voisin(int index, int pas) const
{
    for (int i = index + pas; i >= 0 && i < count(); i += pas)
        if (onglets_[i].visible)
            return i;
    return -1;
}

// Fait défiler la barre d'un onglet montré.
void TClasseurOnglets::Defiler(int pas)
{
    Disposer();
    int cible = -1;
    for (int i = 0; i < count(); ++i) {
        const Onglet& o = onglets_[i];
        if (!o.visible)
            continue;
        if (pas < 0 && o.x < decalage_)
            cible = o.x;
        if (pas > 0 && o.x > decalage_) {
            cible = o.x;
            break;
        }
    }
    if (cible < 0)
        return;
    decalage_ = std::clamp(cible, 0, std::max(largeurTotale_ - Disponible(), 0));
    update();
}

void TClasseurOnglets::paintEvent(QPaintEvent*)
{
    Disposer();
    QPainter p(this);
    QStyleOptionTabWidgetFrame cadre = Cadre(std::min(largeurTotale_, width()));
    cadre.rect = style()->subElementRect(QStyle::SE_TabWidgetTabPane, &cadre, this);
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &cadre, &p, this);

    const int disponible = Disponible();
    p.setClipRect(0, 0, disponible, HauteurBarre() + 2);
    QStyleOptionTab opt;
    opt.initFrom(this);
    opt.shape = QTabBar::RoundedNorth;
    const QStyle::State base = opt.state;
    for (int i = premierVisible_; i >= 0 && i <= dernierVisible_; ++i) {
        const Onglet& o = onglets_[i];
        if (!o.visible || o.x + o.largeur <= decalage_)
            continue;
        if (o.x - decalage_ >= disponible)
            break;
        opt.rect = RectOnglet(i);
        opt.text = o.texte;
        opt.state = base & ~(QStyle::State_Selected | QStyle::State_HasFocus);
        if (i == courant_) {
            opt.state |= QStyle::State_Selected;
            if (hasFocus())
                opt.state |= QStyle::State_HasFocus;
        }
        opt.position = premierVisible_ == dernierVisible_ ? QStyleOptionTab::OnlyOneTab
                       : i == premierVisible_               ? QStyleOptionTab::Beginning
                       : i == dernierVisible_               ? QStyleOptionTab::End
                                                            : QStyleOptionTab::Middle;
        style()->drawControl(QStyle::CE_TabBarTab, &opt, &p, this);
    }
}

void TClasseurOnglets::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    PlacerPile();
}

// Comme la pile de Qt : toutes les pages prennent la taille de la pile.
void TClasseurOnglets::PlacerPile()
{
    pile_->setGeometry(RectPages());
    for (const Onglet& o : onglets_)
        o.page->setGeometry(pile_->rect());
    sale_ = true;
    RendreVisible(courant_);
}

void TClasseurOnglets::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (pos.y() >= HauteurBarre() || pos.x() >= Disponible())
        return;
    for (int i = premierVisible_; i >= 0 && i <= dernierVisible_; ++i)
        if (RectOnglet(i).contains(pos)) {
            setCurrentIndex(i);
            return;
        }
}

void TClasseurOnglets::wheelEvent(QWheelEvent* event)
{
    // La molette ne change d'onglet que sur la barre, pas depuis une page.
    if (event->position().y() >= HauteurBarre()) {
        event->ignore();
        return;
    }
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    const int autre = delta == 0 ? -1 : Voisin(courant_, delta > 0 ? -1 : 1);
    if (autre >= 0)
        setCurrentIndex(autre);
}

void TClasseurOnglets::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int pas = 0;
    // Les flèches, seulement quand la barre a le focus, comme celle de Qt.
    if ((event->key() == Qt::Key_Tab && ctrl) || (event->key() == Qt::Key_Right && hasFocus()))
        pas = 1;
    else if ((event->key() == Qt::Key_Backtab && ctrl) || (event->key() == Qt::Key_Left && hasFocus()))
        pas = -1;
    if (pas == 0) {
        event->ignore();
        return;
    }
    const int autre = Voisin(courant_, pas);
    if (autre >= 0)
        setCurrentIndex(autre);
}

void TClasseurOnglets::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        hauteurBarre_ = -1;
        for (Onglet& o : onglets_)
            o.largeur = -1;
        PlacerPile();
    }
    QWidget::changeEvent(event);
}

// Une page détruite ou reprise quitte le classeur. Seules dans leur pile,
// retirées de la première à la dernière, elles sont trouvées en tête de ses
// enfants par Qt, en queue des onglets par le classeur dans l'ordre inverse.
bool TClasseurOnglets::eventFilter(QObject* objet, QEvent* event)
{
    if (objet != pile_ || event->type() != QEvent::ChildRemoved)
        return QWidget::eventFilter(objet, event);
    const QObject* enfant = static_cast<QChildEvent*>(event)->child();
    int i = count() - 1;
    while (i >= 0 && static_cast<const QObject*>(onglets_[i].page) != enfant)
        --i;
    if (i < 0)
        return false;
    onglets_.erase(onglets_.begin() + i);
    Marquer();
    if (i < courant_) {
        --courant_;
    } else if (i == courant_) {
        courant_ = -1;
        if (onglets_.empty())
            emit currentChanged(-1);
        else
            setCurrentIndex(std::min(i, count() - 1));
    }
    return false;
}
