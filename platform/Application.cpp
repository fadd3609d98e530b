#include "platform/Application.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>

void ProcessMessages()
{
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents();
}

namespace {

// Seul propriétaire de la pile des curseurs de Qt : il y tient au plus une
// entrée, changée sur place, pour que sablier et curseur de survol ne se
// retirent jamais l'un l'autre.
struct EtatCurseur
{
    Qt::CursorShape ecran = Qt::ArrowCursor;
    int sabliers = 0;
    bool pose = false;
};

EtatCurseur& Curseur()
{
    static EtatCurseur etat;
    return etat;
}

void AfficherCurseur()
{
    EtatCurseur& c = Curseur();
    if (qGuiApp == nullptr)
        return;
    const Qt::CursorShape forme = c.sabliers > 0 ? Qt::WaitCursor : c.ecran;
    if (forme == Qt::ArrowCursor) {
        if (c.pose)
            QGuiApplication::restoreOverrideCursor();
        c.pose = false;
    } else if (c.pose) {
        QGuiApplication::changeOverrideCursor(QCursor(forme));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(forme));
        c.pose = true;
    }
}

}  // namespace

void CurseurEcran(Qt::CursorShape Forme)
{
    Curseur().ecran = Forme;
    AfficherCurseur();
}

CurseurSablier::CurseurSablier()
{
    ++Curseur().sabliers;
    AfficherCurseur();
}

CurseurSablier::~CurseurSablier()
{
    if (--Curseur().sabliers == 0)
        Curseur().ecran = Qt::ArrowCursor;
    AfficherCurseur();
}

QString CheminExecutable()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath();
    // Avant la création de l'application (ou dans un outil sans elle).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
