// Provisoire : remplacé par la couche plate-forme dès qu'elle est fusionnée.

#include <QApplication>

#include "platform/Application.h"

void ProcessMessages()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

CurseurSablier::CurseurSablier()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

CurseurSablier::~CurseurSablier()
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}
