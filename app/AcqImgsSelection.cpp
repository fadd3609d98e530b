#include "app/AcqImgs.h"

void TSeqPano::ImgPanoMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
void TSeqPano::ImgPanoMouseMove(Qt::KeyboardModifiers, int, int) {}
void TSeqPano::ImgPanoMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}
