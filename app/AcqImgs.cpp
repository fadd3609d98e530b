#include "app/AcqImgs.h"

#include "core/UtilsPano.h"
#include "ui_TSeqPano.h"

TSeqPano* FenetreSeqPano = nullptr;

TSeqPano::TSeqPano(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TSeqPano>())
{
    FenetreSeqPano = this;
    SeqPano = this;
    ui->setupUi(this);
}

TSeqPano::~TSeqPano() = default;

void TSeqPano::FormCreate() {}
void TSeqPano::QuitterClick() { close(); }
void TSeqPano::FichierAideClick() {}
void TSeqPano::AfficherMemoire() {}
void TSeqPano::InfosStatutResize() {}
void TSeqPano::PrefsClick() {}
void TSeqPano::AproposClick() {}
void TSeqPano::closeEvent(QCloseEvent*) {}
void TSeqPano::resizeEvent(QResizeEvent* event) { QMainWindow::resizeEvent(event); }
void TSeqPano::InitPtsImg(int Index) { ::InitPtsImg(Index); }
void TSeqPano::InitCorrectionsImg(int Index) { ::InitCorrectionsImg(Index); }
