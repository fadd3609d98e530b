#include "platform/Image.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void TImage::SetStretch(bool etire)
{
    etire_ = etire;
    update();
}

void TImage::SetProportional(bool proportionnel)
{
    proportionnel_ = proportionnel;
    update();
}

void TImage::SetCenter(bool centre)
{
    centre_ = centre;
    update();
}

void TImage::SetAutoSize(bool tailleAuto)
{
    tailleAuto_ = tailleAuto;
    Actualiser();
}

void TImage::Actualiser()
{
    if (tailleAuto_ && !image_.Empty())
        resize(image_.Width(), image_.Height());
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (image_.Empty())
        return;
    QPainter p(this);
    const QImage vue = image_.ImageQt();
    if (etire_ && proportionnel_) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        const QSize taille = vue.size().scaled(size(), Qt::KeepAspectRatio);
        const QPoint coin = centre_ ? QPoint((width() - taille.width()) / 2,
                                             (height() - taille.height()) / 2)
                                    : QPoint(0, 0);
        p.drawImage(QRect(coin, taille), vue);
    } else if (etire_) {
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        p.drawImage(rect(), vue);
    } else if (centre_) {
        p.drawImage(QPoint((width() - vue.width()) / 2, (height() - vue.height()) / 2), vue);
    } else {
        p.drawImage(QPoint(0, 0), vue);
    }
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
}

void TImage::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseMove(event->modifiers(), pos.x(), pos.y());
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
}
