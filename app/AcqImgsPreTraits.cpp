#include "app/AcqImgs.h"

QComboBox* TSeqPano::ChoixImg() { return nullptr; }
TImage* TSeqPano::Image1() { return nullptr; }
TImage* TSeqPano::Image2() { return nullptr; }
TImage* TSeqPano::Image3() { return nullptr; }
QLabel* TSeqPano::NomImg1() { return nullptr; }
QLabel* TSeqPano::NomImg2() { return nullptr; }
QLabel* TSeqPano::NomImg3() { return nullptr; }
void TSeqPano::ChargerCoefsImage() {}
void TSeqPano::AfficherCurseursPreTraits() {}
void TSeqPano::ActualiserApercu() {}
void TSeqPano::AfficherNiveauxRVB() {}
void TSeqPano::PreTraitsShow() {}
void TSeqPano::PreTraitsResize() {}
void TSeqPano::ChoixImgChange() {}
void TSeqPano::CurseurCHGChange() {}
void TSeqPano::CurseurCHDChange() {}
void TSeqPano::CurseurCBDChange() {}
void TSeqPano::CurseurCBGChange() {}
void TSeqPano::CurseurHyBChange() {}
void TSeqPano::AppliquerCorrTonClick() {}
void TSeqPano::ReInitClick() {}
void TSeqPano::ReInitToutClick() {}
void TSeqPano::AppliquerHyBClick() {}
void TSeqPano::ReInitHyBClick() {}
void TSeqPano::ReInitToutHyBClick() {}
