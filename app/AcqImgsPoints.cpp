#include "app/AcqImgs.h"

void TSeqPano::PtsControlShow() {}
void TSeqPano::FctPanoResize() {}
void TSeqPano::OngletGShow() {}
void TSeqPano::OngletDShow() {}
void TSeqPano::CreerOngletsPtsC() {}
void TSeqPano::DessinerPtsImg(TImage*, int) {}
void TSeqPano::ImgPtCMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TSeqPano::ImgPtCMouseMove(Qt::KeyboardModifiers, int, int) {}
void TSeqPano::ImgPtCMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TSeqPano::SupprPtCClick() {}
