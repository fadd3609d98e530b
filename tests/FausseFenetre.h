#pragma once
// Fausse fenêtre principale pour les tests du cœur : de vrais contrôles Qt
// (sans écran) et des compteurs d'appels pour les rappels.

#include <functional>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "core/FenetrePano.h"
#include "core/UtilsPano.h"
#include "platform/Image.h"

class TFausseFenetre : public TFenetrePano
{
public:
    // S'installe comme SeqPano et remet l'ancienne valeur à sa destruction.
    TFausseFenetre();
    ~TFausseFenetre() override;
    TFausseFenetre(const TFausseFenetre&) = delete;
    TFausseFenetre& operator=(const TFausseFenetre&) = delete;

    QCheckBox* BouclerPano() override { return &boucler; }
    QComboBox* ModeAsmbl() override { return &mode; }
    QCheckBox* CorrChro() override { return &corrChro; }
    QLabel* DimPan() override { return &dimPan; }
    QLabel* AnglePan() override { return &anglePan; }
    TImage* ImgPano() override { return &imgPano; }
    QPushButton* FonduImg() override { return &fonduImg; }
    QComboBox* PostHarmo() override { return &postHarmo; }
    QAction* EnrgPano() override { return &enrgPano; }
    void ZoomImgMouseUp() override;

    QComboBox* ChoixImg() override { return &choixImg; }
    TImage* Image1() override { return &image1; }
    TImage* Image2() override { return &image2; }
    TImage* Image3() override { return &image3; }
    QLabel* NomImg1() override { return &nomImg1; }
    QLabel* NomImg2() override { return &nomImg2; }
    QLabel* NomImg3() override { return &nomImg3; }
    void ChargerCoefsImage() override { ++nbChargerCoefs; }
    void AfficherCurseursPreTraits() override { ++nbAfficherCurseurs; }
    void ActualiserApercu() override { ++nbActualiserApercu; }
    void AfficherNiveauxRVB() override { ++nbAfficherNiveaux; }

    long double AnglePixel() const override { return anglePixel; }
    void SetModifie(bool m) override { modifie = m; }

    // Contrôles de l'onglet Assemblage, dans leur état de départ.
    QCheckBox boucler;
    QComboBox mode;  // " Le plus proche voisin", " Interpolation bilinéaire"
    QCheckBox corrChro;  // cochée
    QLabel dimPan;
    QLabel anglePan;
    TImage imgPano;
    QPushButton fonduImg;  // désactivé
    QComboBox postHarmo;   // désactivée
    QAction enrgPano;      // désactivée

    QComboBox choixImg;
    TImage image1, image2, image3;
    QLabel nomImg1, nomImg2, nomImg3;

    long double anglePixel = 0.0L;
    bool modifie = false;

    int nbZoom = 0;
    int nbChargerCoefs = 0;
    int nbAfficherCurseurs = 0;
    int nbActualiserApercu = 0;
    int nbAfficherNiveaux = 0;
    // Appelé en plus du compteur à chaque ZoomImgMouseUp.
    std::function<void()> surZoom;

private:
    TFenetrePano* precedente_;
};

// Panoramique que la fenêtre principale crée au démarrage, installé pour la
// durée d'un test.
class PanoramaTest
{
public:
    PanoramaTest() : precedent_(BmpPano) { BmpPano = &bmp; }
    ~PanoramaTest() { BmpPano = precedent_; }
    PanoramaTest(const PanoramaTest&) = delete;
    PanoramaTest& operator=(const PanoramaTest&) = delete;
    Bitmap bmp;

private:
    Bitmap* precedent_;
};
