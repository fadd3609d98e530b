#include "app/APropos.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

#include "platform/Systeme.h"
#include "ui_TInfosPgm.h"

TInfosPgm* InfosPgm = nullptr;

QString LigneVersion(const QString& version)
{
    return QStringLiteral("Kalvindo   Version ") + version.mid(0, 1) + QLatin1Char('.') + version.mid(2, 1);
}

QPixmap DessinerLogo()
{
    QPixmap logo(32, 32);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath cadre;
    cadre.addRoundedRect(QRectF(1, 5, 30, 22), 3, 3);
    p.setClipPath(cadre);
    p.fillRect(QRect(0, 0, 32, 32), QColor(120, 180, 235));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 210, 60));
    p.drawEllipse(QPointF(24, 11), 3, 3);
    p.setBrush(QColor(90, 110, 130));
    p.drawPolygon(QPolygonF({QPointF(0, 27), QPointF(9, 12), QPointF(15, 20), QPointF(21, 14), QPointF(32, 27)}));
    p.setBrush(QColor(60, 140, 70));
    p.drawRect(QRectF(0, 23, 32, 5));
    p.setClipping(false);
    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(cadre);
    return logo;
}

void CentrerSurEcran(QWidget* fenetre)
{
    const QScreen* ecran = fenetre->screen() ? fenetre->screen() : QGuiApplication::primaryScreen();
    if (!ecran)
        return;
    QRect cadre = fenetre->frameGeometry();
    cadre.moveCenter(ecran->geometry().center());
    fenetre->move(cadre.topLeft());
}

TInfosPgm::TInfosPgm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TInfosPgm>())
{
    ui->setupUi(this);
    ui->Logo->setPixmap(DessinerLogo());
}

TInfosPgm::~TInfosPgm()
{
    if (InfosPgm == this)
        InfosPgm = nullptr;
}

void TInfosPgm::FormShow()
{
    ui->VerPgm->setText(LigneVersion(VersionPgm()));
}

void TInfosPgm::showEvent(QShowEvent* event)
{
    FormShow();
    CentrerSurEcran(this);
    QDialog::showEvent(event);
}
