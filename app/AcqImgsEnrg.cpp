#include "app/AcqImgs.h"

#include "ui_TSeqPano.h"

QAction* TSeqPano::EnrgPano() { return ui->EnrgPano; }
void TSeqPano::EnrgPanoClick() {}
