// Sélection de recadrage sur la vue du panoramique : tracé, déplacement et
// redimensionnement d'un rectangle élastique en pointillés inversés.

#include <algorithm>
#include <cstdlib>

#include <QGuiApplication>

#include "app/AcqImgs.h"
#include "platform/Application.h"
#include "platform/Canevas.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

uint8_t TSelection::ZoneSelection(int X, int Y, Qt::CursorShape& Curseur) const
{
    const QPoint A = Coin1;
    const QPoint B = Coin2;
    uint8_t zone = 0;
    Curseur = Qt::ArrowCursor;
    // Chaque test vérifié remplace le précédent : les coins passent devant les bords.
    const auto dedans = [](int v, int bas, int haut) { return bas < v && v < haut; };
    if (dedans(X, A.x() + 2, B.x() - 2) && dedans(Y, A.y() + 2, B.y() - 2)) {
        zone = 1;
        Curseur = Qt::DragMoveCursor;
    }
    if (dedans(X, A.x() + 3, B.x() - 3) && dedans(Y, A.y() - 3, A.y() + 3)) {
        zone = 6;
        Curseur = Qt::SizeVerCursor;
    }
    if (dedans(X, A.x() + 3, B.x() - 3) && dedans(Y, B.y() - 3, B.y() + 3)) {
        zone = 8;
        Curseur = Qt::SizeVerCursor;
    }
    if (dedans(Y, A.y() + 3, B.y() - 3) && dedans(X, A.x() - 3, A.x() + 3)) {
        zone = 9;
        Curseur = Qt::SizeHorCursor;
    }
    if (dedans(Y, A.y() + 3, B.y() - 3) && dedans(X, B.x() - 3, B.x() + 3)) {
        zone = 7;
        Curseur = Qt::SizeHorCursor;
    }
    if (dedans(X, A.x() - 3, A.x() + 3) && dedans(Y, A.y() - 3, A.y() + 3)) {
        zone = 2;
        Curseur = Qt::SizeFDiagCursor;
    }
    if (dedans(X, B.x() - 3, B.x() + 3) && dedans(Y, A.y() - 3, A.y() + 3)) {
        zone = 3;
        Curseur = Qt::SizeBDiagCursor;
    }
    if (dedans(X, A.x() - 3, A.x() + 3) && dedans(Y, B.y() - 3, B.y() + 3)) {
        zone = 5;
        Curseur = Qt::SizeBDiagCursor;
    }
    if (dedans(X, B.x() - 3, B.x() + 3) && dedans(Y, B.y() - 3, B.y() + 3)) {
        zone = 4;
        Curseur = Qt::SizeFDiagCursor;
    }
    return zone;
}

void TSelection::BornerSelection(QPoint& C1, QPoint& C2) const
{
    // Déplacée (zone 1), la sélection bute sur les bords en gardant sa taille ;
    // tracée ou redimensionnée, elle y est coupée.
    const int W = LargeurAff;
    const int H = HauteurAff;
    if (C1.x() < 0) {
        if (Zone == 1)
            C2.setX(LargeurSel);
        C1.setX(0);
    } else if (C1.x() > W) {
        C1.setX(W);
    }
    if (C1.y() < 0) {
        if (Zone == 1)
            C2.setY(HauteurSel);
        C1.setY(0);
    } else if (C1.y() > H) {
        C1.setY(H);
    }
    if (C2.x() < 0) {
        C2.setX(0);
    } else if (C2.x() > W) {
        if (Zone == 1)
            C1.setX(W - LargeurSel);
        C2.setX(W);
    }
    if (C2.y() < 0) {
        C2.setY(0);
    } else if (C2.y() > H) {
        if (Zone == 1)
            C1.setY(H - HauteurSel);
        C2.setY(H);
    }
}

// Un second tracé du même rectangle efface le premier. Les coins sont remis
// dans l'ordre pour que l'effacement après un relâchement, qui range les
// coins, retombe sur les mêmes pointillés.
void TSelection::Tracer(TImage* Vue) const
{
    TCanevas canevas(Vue->Picture());
    canevas.RectanglePointilleXor(std::min(Coin1.x(), Coin2.x()),
                                  std::min(Coin1.y(), Coin2.y()),
                                  std::max(Coin1.x(), Coin2.x()),
                                  std::max(Coin1.y(), Coin2.y()));
    Vue->Actualiser();
}

void TSeqPano::ImgPanoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    Protege([&] {
        TImage* vue = ui->ImgPano;
        Selection.LargeurAff = vue->width();
        Selection.HauteurAff = vue->height();
        if (Selection.Active && Selection.Zone == 0) {
            Selection.Active = false;
            Selection.Tracer(vue);
        }
        if (Selection.Active) {
            Selection.Ancre = QPoint(X, Y);
        } else {
            Selection.Coin1 = QPoint(X, Y);
            Selection.Coin2 = QPoint(X, Y);
        }
    });
}

void TSeqPano::ImgPanoMouseMove(Qt::KeyboardModifiers Shift, int X, int Y)
{
    Protege([&] {
        TSelection& s = Selection;
        const Qt::MouseButtons boutons = QGuiApplication::mouseButtons();
        const Qt::KeyboardModifiers touches =
            Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        if (s.Active && boutons == Qt::NoButton && touches == Qt::NoModifier) {
            Qt::CursorShape curseur;
            s.Zone = s.ZoneSelection(X, Y, curseur);
            CurseurEcran(curseur);
        }
        if (boutons == Qt::LeftButton &&
            (touches == Qt::NoModifier || touches == Qt::ControlModifier)) {
            s.Tracer(ui->ImgPano);
            if (s.Active) {
                switch (s.Zone) {
                case 1:
                    s.Coin1 += QPoint(X - s.Ancre.x(), Y - s.Ancre.y());
                    s.Coin2 += QPoint(X - s.Ancre.x(), Y - s.Ancre.y());
                    s.Ancre = QPoint(X, Y);
                    s.BornerSelection(s.Coin1, s.Coin2);
                    break;
                case 2: s.Coin1 = QPoint(X, Y); break;
                case 3: s.Coin2.setX(X); s.Coin1.setY(Y); break;
                case 4: s.Coin2 = QPoint(X, Y); break;
                case 5: s.Coin1.setX(X); s.Coin2.setY(Y); break;
                case 6: s.Coin1.setY(Y); break;
                case 7: s.Coin2.setX(X); break;
                case 8: s.Coin2.setY(Y); break;
                case 9: s.Coin1.setX(X); break;
                default: break;
                }
            } else {
                s.Coin2 = QPoint(X, Y);
            }
            s.BornerSelection(s.Coin1, s.Coin2);
            s.Tracer(ui->ImgPano);
        }
        s.Gauche = std::min(s.Coin1.x(), s.Coin2.x());
        s.Haut = std::min(s.Coin1.y(), s.Coin2.y());
        s.Droite = std::max(s.Coin1.x(), s.Coin2.x());
        s.Bas = std::max(s.Coin1.y(), s.Coin2.y());
    });
}

void TSeqPano::ImgPanoMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int)
{
    Protege([&] {
        TSelection& s = Selection;
        s.Gauche = std::max(0, std::min(s.Coin1.x(), s.Coin2.x()));
        s.Haut = std::max(0, std::min(s.Coin1.y(), s.Coin2.y()));
        s.Droite = std::min(std::max(s.Coin1.x(), s.Coin2.x()), s.LargeurAff);
        s.Bas = std::min(std::max(s.Coin1.y(), s.Coin2.y()), s.HauteurAff);
        s.LargeurSel = std::abs(s.Droite - s.Gauche);
        s.HauteurSel = std::abs(s.Bas - s.Haut);
        s.Coin1 = QPoint(s.Gauche, s.Haut);
        s.Coin2 = QPoint(s.Droite, s.Bas);
        s.Active = s.Gauche != s.Droite && s.Haut != s.Bas;
    });
}
