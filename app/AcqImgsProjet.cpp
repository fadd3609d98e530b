#include "app/AcqImgs.h"

void TSeqPano::EtatProjet(bool, bool) {}
bool TSeqPano::DemanderEnregistrement() { return true; }
void TSeqPano::OuvrirProjet(const QString&) {}
void TSeqPano::ReinitialiserClick() {}
void TSeqPano::NouveauPrjClick() {}
void TSeqPano::OuvrirPrjClick() {}
void TSeqPano::EnregistrerPrjClick() {}
void TSeqPano::EnregistrerPrjsousClick() {}
