#pragma once
// Déroulement de l'assemblage et sa fenêtre de progression.

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QDialog>
#include <QString>

#include "core/UtilsPano.h"

namespace Ui {
class TAssembleImg;
}

// Poids de progression des six étapes d'une image : 0 horizon, 1 luminosité,
// 2 chromaticité, 3 perspective, 4 table simple, 5 application.
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

    bool EstAnnule() const { return Annule; }

    // Outils de mesure : appelé à la fin de chaque phase du déroulement.
    std::function<void(const char* Phase)> SurPhase;
    int PoidsTotal() const { return TotalPoids; }

public slots:
    void FermerClick();

protected:
    // Échap et la case de fermeture valent le bouton Annuler : la fenêtre
    // reste ouverte, la fenêtre principale la cache à la fin du traitement.
    void reject() override;

private:
    std::unique_ptr<Ui::TAssembleImg> ui;
    bool Annule = false;
    int TotalPoids = 0;
};

extern TAssembleImg* AssembleImg;
