#include "app/XPTheme.h"

#include <QApplication>
#include <QFont>

void InitialisationXPTheme()
{
    static bool faite = false;
    if (faite)
        return;
    faite = true;
    // Le même style sur tous les bureaux : les géométries des fenêtres en dépendent.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // Les fenêtres sont dessinées pour une police de 8 points : plus grande,
    // les libellés déborderaient de leurs contrôles.
    QApplication::setFont(QFont(QStringLiteral("Sans Serif"), 8));
}
