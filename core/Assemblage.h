#pragma once
// Déroulement de l'assemblage et sa fenêtre de progression.

#include <array>
#include <memory>
#include <vector>

#include <QDialog>
#include <QString>

#include "core/UtilsPano.h"

namespace Ui {
class TAssembleImg;
}

using TPoidsEtapes = std::array<int32_t, 6>;
extern std::vector<TPoidsEtapes> PoidsEtapes;

void AjouterEtapes(int N);
void ActiverEtape(int NumImg, uint8_t Etape);
int TotalEtapes();

class TAssembleImg : public QDialog
{
    Q_OBJECT
public:
    explicit TAssembleImg(QWidget* parent = nullptr);
    ~TAssembleImg() override;

    void Assembler();
    void InitialiserTraitements();
    bool EtapeSuivante(int NumImg, uint8_t Etape, const QString& Libelle);
    void CorrigerPointsLignesFuite(int i);
    void RedresserPointsControle(int i);
    void CalculerCoins(int i);
    void PreparerImage(int i);
    void AppliquerModifications(int i);

    bool Annule() const { return annule_; }

public slots:
    void FermerClick();

private:
    std::unique_ptr<Ui::TAssembleImg> ui;
    bool annule_ = false;
    int totalPoids_ = 0;
};

extern TAssembleImg* AssembleImg;
