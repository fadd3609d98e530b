#include "app/BarreCurseur.h"

TBarreCurseur::TBarreCurseur(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

void TBarreCurseur::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    emit MouseUp();
}
