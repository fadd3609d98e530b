#include "app/AcqImgs.h"

void TSeqPano::ImagesShow() {}
void TSeqPano::ListImgsSelectCell(int, int) {}
void TSeqPano::ListImgsMouseDown() {}
void TSeqPano::ListImgsMouseUp() {}
