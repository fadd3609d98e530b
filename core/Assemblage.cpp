#include "core/Assemblage.h"

#include "ui_TAssembleImg.h"

std::vector<TPoidsEtapes> PoidsEtapes;
TAssembleImg* AssembleImg = nullptr;

TAssembleImg::TAssembleImg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TAssembleImg>())
{
    ui->setupUi(this);
}

TAssembleImg::~TAssembleImg() = default;

void TAssembleImg::FermerClick()
{
    annule_ = true;
}
