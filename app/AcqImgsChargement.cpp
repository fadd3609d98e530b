#include "app/AcqImgs.h"

void TSeqPano::ChargerUneImageClick() {}
void TSeqPano::ChargerSerieImgsClick() {}
