#include "app/Preferences.h"

#include <QPainter>
#include <QPainterPath>

#include "app/APropos.h"
#include "ui_TPrefers.h"

TPrefers* Prefers = nullptr;

QPixmap DessinerCafe()
{
    QPixmap cafe(69, 102);
    cafe.fill(Qt::transparent);
    QPainter p(&cafe);
    p.setRenderHint(QPainter::Antialiasing);
    // Vapeur
    p.setPen(QPen(QColor(150, 150, 150), 2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal x = 20 + 12 * i;
        QPainterPath volute(QPointF(x, 48));
        volute.cubicTo(QPointF(x - 6, 38), QPointF(x + 6, 30), QPointF(x, 18));
        p.drawPath(volute);
    }
    // Soucoupe, tasse et anse
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(235, 235, 235));
    p.drawEllipse(QRectF(2, 88, 65, 12));
    QPainterPath tasse(QPointF(8, 56));
    tasse.lineTo(52, 56);
    tasse.cubicTo(QPointF(52, 80), QPointF(44, 92), QPointF(30, 92));
    tasse.cubicTo(QPointF(16, 92), QPointF(8, 80), QPointF(8, 56));
    p.drawPath(tasse);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawArc(QRectF(45, 61, 18, 16), -90 * 16, 180 * 16);
    p.setPen(QPen(QColor(60, 60, 60), 1.5));
    p.setBrush(QColor(100, 60, 30));
    p.drawEllipse(QRectF(9, 52, 42, 8));
    return cafe;
}

TPrefers::TPrefers(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TPrefers>())
{
    ui->setupUi(this);
    ui->Cafe->setPixmap(DessinerCafe());
}

TPrefers::~TPrefers()
{
    if (Prefers == this)
        Prefers = nullptr;
}

void TPrefers::showEvent(QShowEvent* event)
{
    CentrerSurEcran(this);
    QDialog::showEvent(event);
}
