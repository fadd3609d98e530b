#include "app/XPTheme.h"

#include <QApplication>

void InitialisationXPTheme()
{
    static bool faite = false;
    if (faite)
        return;
    faite = true;
    // Le même style sur tous les bureaux : les géométries des fenêtres en dépendent.
    QApplication::setStyle(QStringLiteral("Fusion"));
}
