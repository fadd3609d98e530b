#pragma once
// Fenêtre principale : série d'images, prétraitements, points de contrôle,
// assemblage.

#include <cstdint>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>

#include "core/FenetrePano.h"
#include "platform/FichierIni.h"

namespace Ui {
class TSeqPano;
}

class QScrollArea;
class TImage;
class TTabSheet;

// Sélection de recadrage, en pixels de la vue (panoramique × Kr).
struct TSelection
{
    bool Active = false;
    // Partie sous le pointeur : 0 aucune, 1 intérieur, 2..5 coins HG, HD, BD, BG,
    // 6..9 bords haut, droit, bas, gauche.
    uint8_t Zone = 0;
    int LargeurSel = 0;  // taille au dernier relâchement
    int HauteurSel = 0;
    int Gauche = 0;
    int Haut = 0;
    int Droite = 0;  // exclus du recadrage
    int Bas = 0;     // exclus du recadrage
    QPoint Ancre;    // pointeur à l'appui, puis à chaque pas d'un déplacement
    QPoint Coin1;    // coin tiré ; après relâchement, le coin haut gauche
    QPoint Coin2;    // après relâchement, le coin bas droit
    int LargeurAff = 0;  // taille de la vue au dernier appui
    int HauteurAff = 0;

    uint8_t ZoneSelection(int X, int Y, Qt::CursorShape& Curseur) const;
    void BornerSelection(QPoint& C1, QPoint& C2) const;
    // Rectangle élastique de Coin1 à Coin2 sur l'image de la vue.
    void Tracer(TImage* Vue) const;
};

class TSeqPano : public QMainWindow, public TFenetrePano
{
    Q_OBJECT
public:
    explicit TSeqPano(QWidget* parent = nullptr);
    ~TSeqPano() override;

    Ui::TSeqPano* Formulaire() { return ui.get(); }

    // TFenetrePano
    QCheckBox* BouclerPano() override;
    QComboBox* ModeAsmbl() override;
    QCheckBox* CorrChro() override;
    QLabel* DimPan() override;
    QLabel* AnglePan() override;
    TImage* ImgPano() override;
    QPushButton* FonduImg() override;
    QComboBox* PostHarmo() override;
    QAction* EnrgPano() override;
    QComboBox* ChoixImg() override;
    TImage* Image1() override;
    TImage* Image2() override;
    TImage* Image3() override;
    QLabel* NomImg1() override;
    QLabel* NomImg2() override;
    QLabel* NomImg3() override;
    void ChargerCoefsImage() override;
    void AfficherCurseursPreTraits() override;
    void ActualiserApercu() override;
    void AfficherNiveauxRVB() override;
    void ApercuCompLum();
    void ApercuLignesFuite();
    void ApercuCompLumEtFuite();
    long double AnglePixel() const override { return AnglePixel_; }
    void SetModifie(bool modifie) override { Modifie = modifie; }

    // État du projet et opérations appelées d'ailleurs
    void EtatProjet(bool modifie, bool Garder);
    // Modification qui laisse le chargement et le réordonnancement ouverts.
    void MarquerModifie();
    bool DemanderEnregistrement();
    void OuvrirProjet(const QString& chemin);  // OuvrirPrjClick sans émetteur
    // Fermeture demandée : l'événement accepté ferme la fenêtre, refusé la garde.
    void FormClose(QCloseEvent* event);
    void InitPtsImg(int Index);
    void InitCorrectionsImg(int Index);
    void CreerOngletsPtsC();
    void DessinerPtsImg(TImage* Image, int NumImg);
    // Faux quand un point manque ou qu'un coin ne serait pas un point lié ;
    // Motif reçoit alors le message pour l'utilisateur.
    bool PtsControleDefinis(QString* Motif = nullptr);

public slots:
    // Démarrage, réglages, menus
    void FormCreate();
    void QuitterClick();
    void FichierAideClick();
    void AfficherMemoire();
    void InfosStatutResize();
    void PrefsClick();
    void AproposClick();
    // Projet
    void ReinitialiserClick();
    void NouveauPrjClick();
    void OuvrirPrjClick();
    void EnregistrerPrjClick();
    void EnregistrerPrjsousClick();
    // Chargement
    void ChargerUneImageClick();
    void ChargerSerieImgsClick();
    // Grille
    void ImagesShow();
    void ListImgsDrawCell(int ACol, int ARow, const QRect& Rect, int State);
    void ListImgsSelectCell(int ACol, int ARow);
    void ListImgsMouseDown();
    void ListImgsMouseUp();
    // Points de contrôle
    void PtsControlShow();
    void FctPanoResize();
    void OngletGShow();
    void OngletDShow();
    void ImgPtCMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void ImgPtCMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
    void ImgPtCMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void SupprPtCClick();
    // Prétraitements
    void PreTraitsShow();
    void PreTraitsResize();
    void ChoixImgChange();
    void CurseurCHGChange();
    void CurseurCHDChange();
    void CurseurCBDChange();
    void CurseurCBGChange();
    void CurseurHyBChange();
    void AppliquerCorrTonClick();
    void ReInitClick();
    void ReInitToutClick();
    void AppliquerHyBClick();
    void ReInitHyBClick();
    void ReInitToutHyBClick();
    // Assemblage et vue panoramique
    void AssemblageResize();
    void AssemblerImgClick();
    void ZoomImgMouseUp() override;
    void LRecouvrChange();
    void LRecouvrExit();
    void FonduImgClick();
    void PostHarmoChange();
    void ImgPanoMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void ImgPanoMouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
    void ImgPanoMouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    // Enregistrement du panoramique
    void EnrgPanoClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

public:
    // Champs partagés par les parties de la fenêtre
    QString RepProjet;
    QString NomProjet;
    QString RepImage;
    QString RepPano;
    int NbImgs = 0;
    int NumImgDroite = 0;
    std::vector<TTabSheet*> OngletsG, OngletsD;
    std::vector<QScrollArea*> DefilG, DefilD;
    std::vector<TImage*> ImgsG, ImgsD;
    int LigneDepart = 0;
    int LigneSel = 0;
    bool CelluleChoisie = false;
    bool PtTrouve = false;
    int ImgEnAttente = -1;
    int PtEnAttente = 0;
    int QualJpg = 90;
    long double Kr = 1.0L;
    long double KrPrecedent = 1.0L;
    TSelection Selection;
    QString LigneCommande;
    bool Modifie = false;
    std::unique_ptr<TFichierIni> FichierIni;
    long double CoefCourantHG = 1.0L;
    long double CoefCourantHD = 1.0L;
    long double CoefCourantBD = 1.0L;
    long double CoefCourantBG = 1.0L;
    long double CoefCourantFuite = 0.0L;
    long double AnglePixel_ = 0.0L;

private:
    // Vues et commandes de l'onglet des points, à la taille de la page.
    void DisposerPtsControl();
    // Éditeur des points de contrôle
    void AfficherOngletG(TTabSheet* onglet);
    void AfficherVue(TImage* vue, int Index);
    void PoserPoint(int i, const QString& cote, int X, int Y);
    void SupprimerPointsSous(int i, int X, int Y);
    void EffacerMarqueur(int i, int k, bool horizontal);
    void CompacterPoints(int i, int k);

    std::unique_ptr<Ui::TSeqPano> ui;
};

extern TSeqPano* FenetreSeqPano;

// Fichier de réglages : chemin de l'exécutable avec l'extension ".ini" ; un
// chemin imposé (non vide) le remplace, pour les tests.
QString CheminReglages();
void ImposerCheminReglages(const QString& chemin);

// Filtre du dialogue d'ouverture d'images : description puis masque.
struct TFiltreImage
{
    const char* Description;
    const char* Masque;
};
extern const TFiltreImage FiltresImages[6];
// Le même filtre au format des dialogues Qt.
QString FiltreDialogueImages();
