#include "app/AcqImgs.h"

QCheckBox* TSeqPano::BouclerPano() { return nullptr; }
QComboBox* TSeqPano::ModeAsmbl() { return nullptr; }
QCheckBox* TSeqPano::CorrChro() { return nullptr; }
QLabel* TSeqPano::DimPan() { return nullptr; }
QLabel* TSeqPano::AnglePan() { return nullptr; }
TImage* TSeqPano::ImgPano() { return nullptr; }
QPushButton* TSeqPano::FonduImg() { return nullptr; }
QComboBox* TSeqPano::PostHarmo() { return nullptr; }
bool TSeqPano::PtsControleDefinis() { return false; }
void TSeqPano::AssemblageResize() {}
void TSeqPano::AssemblerImgClick() {}
void TSeqPano::ZoomImgMouseUp() {}
void TSeqPano::LRecouvrChange() {}
void TSeqPano::LRecouvrExit() {}
void TSeqPano::FonduImgClick() {}
void TSeqPano::PostHarmoChange() {}
