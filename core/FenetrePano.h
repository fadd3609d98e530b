#pragma once
// Ce que le cœur lit, écrit et rappelle de la fenêtre principale. La fenêtre
// principale l'implémente ; les tests en fournissent une fausse.

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TImage;

class TFenetrePano
{
public:
    virtual ~TFenetrePano() = default;

    // Onglet Assemblage
    virtual QCheckBox* BouclerPano() = 0;
    virtual QComboBox* ModeAsmbl() = 0;
    virtual QCheckBox* CorrChro() = 0;
    virtual QLabel* DimPan() = 0;
    virtual QLabel* AnglePan() = 0;
    virtual TImage* ImgPano() = 0;
    virtual QPushButton* FonduImg() = 0;
    virtual QComboBox* PostHarmo() = 0;
    virtual QAction* EnrgPano() = 0;
    virtual void ZoomImgMouseUp() = 0;

    // Onglet Prétraitements
    virtual QComboBox* ChoixImg() = 0;
    virtual TImage* Image1() = 0;
    virtual TImage* Image2() = 0;
    virtual TImage* Image3() = 0;
    virtual QLabel* NomImg1() = 0;
    virtual QLabel* NomImg2() = 0;
    virtual QLabel* NomImg3() = 0;
    virtual void ChargerCoefsImage() = 0;
    virtual void AfficherCurseursPreTraits() = 0;
    virtual void ActualiserApercu() = 0;
    virtual void AfficherNiveauxRVB() = 0;

    // État de la fenêtre
    virtual long double AnglePixel() const = 0;
    virtual void SetModifie(bool modifie) = 0;
};

// Fixé avant la création de la fenêtre principale.
extern TFenetrePano* SeqPano;
