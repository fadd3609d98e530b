#include "tests/FausseFenetre.h"

TFausseFenetre::TFausseFenetre() : precedente_(SeqPano)
{
    mode.addItem(QStringLiteral(" Le plus proche voisin"));
    mode.addItem(QStringLiteral(" Interpolation bilinéaire"));
    mode.setCurrentIndex(0);
    corrChro.setChecked(true);
    fonduImg.setEnabled(false);
    postHarmo.setEnabled(false);
    enrgPano.setEnabled(false);
    SeqPano = this;
}

TFausseFenetre::~TFausseFenetre()
{
    SeqPano = precedente_;
}

void TFausseFenetre::ZoomImgMouseUp()
{
    ++nbZoom;
    if (surZoom)
        surZoom();
}
