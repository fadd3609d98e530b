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

// Qt empile les curseurs de remplacement : les sabliers imbriqués se défont
// dans l'ordre.
CurseurSablier::CurseurSablier()
{
    pose_ = qGuiApp != nullptr;
    if (pose_)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CurseurSablier::~CurseurSablier()
{
    if (pose_ && qGuiApp != nullptr)
        QGuiApplication::restoreOverrideCursor();
}

QString CheminExecutable()
{
    if (QCoreApplication::instance() != nullptr)
        return QCoreApplication::applicationFilePath();
    // Avant la création de l'application (ou dans un outil sans elle).
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
