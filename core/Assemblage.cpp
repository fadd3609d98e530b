#include "core/Assemblage.h"

#include <algorithm>

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>

#include "core/AssemblageInterne.h"
#include "platform/Application.h"
#include "platform/Image.h"
#include "ui_TAssembleImg.h"

std::vector<TPoidsEtapes> PoidsEtapes;
TAssembleImg* AssembleImg = nullptr;

namespace {

constexpr TPoidsEtapes PoidsInitiaux = {0, 0, 0, 0, 15, 100};
constexpr TPoidsEtapes PoidsActifs = {70, 100, 100, 100, 15, 100};
constexpr long double Pi = 3.14159265358979323846264338327950288L;

// Fondu, reprise d'harmonisation et enregistrement suivent le panoramique.
void ActiverSuites(bool actif)
{
    if (!SeqPano)
        return;
    if (SeqPano->FonduImg())
        SeqPano->FonduImg()->setEnabled(actif);
    if (SeqPano->PostHarmo())
        SeqPano->PostHarmo()->setEnabled(actif);
    if (SeqPano->EnrgPano())
        SeqPano->EnrgPano()->setEnabled(actif);
}

}  // namespace

void AjouterEtapes(int N)
{
    for (int k = 0; k < N; ++k)
        PoidsEtapes.push_back(PoidsInitiaux);
}

void ActiverEtape(int NumImg, uint8_t Etape)
{
    if (Etape > 5 || NumImg < 0 || static_cast<size_t>(NumImg) >= PoidsEtapes.size())
        return;
    PoidsEtapes[NumImg][Etape] = PoidsActifs[Etape];
}

int TotalEtapes()
{
    int total = 0;
    for (const TPoidsEtapes& p : PoidsEtapes)
        for (int32_t poids : p)
            total += poids;
    return total;
}

TAssembleImg::TAssembleImg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TAssembleImg>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    ui->Fermer->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
}

TAssembleImg::~TAssembleImg() = default;

void TAssembleImg::FermerClick()
{
    Annule = true;
}

void TAssembleImg::reject()
{
    FermerClick();
}

bool TAssembleImg::EtapeSuivante(int NumImg, uint8_t Etape, const QString& Libelle)
{
    QString nom;
    if (NumImg >= 0 && NumImg < NbImagesAssemblage())
        nom = NomImage(ImgsAssemblage[NumImg]);
    ui->ImgCour->setText((QStringLiteral("Image : ") + nom).left(39));
    ui->TraitCour->setText(Libelle);
    int poids = 0;
    if (Etape <= 5 && NumImg >= 0 && static_cast<size_t>(NumImg) < PoidsEtapes.size())
        poids = PoidsEtapes[NumImg][Etape];
    if (TotalPoids > 0) {
        const long double position =
            ui->SuiviAss->value() + static_cast<long double>(poids * 100) / TotalPoids;
        ui->SuiviAss->setValue(static_cast<int>(std::clamp<int64_t>(Round(position), 0, 100)));
    }
    ProcessMessages();
    return !Annule;
}

void TAssembleImg::InitialiserTraitements()
{
    ui->TraitCour->setText(QStringLiteral("Initialisation des traitements"));
    ProcessMessages();
    // Liste de travail gardée seulement si elle correspond encore à la liste.
    if (ConserverImgs && ImgsAssemblage.size() != ListeImgs.size())
        ConserverImgs = false;
    TablesPixels.resize(ListeImgs.size());
    LargeurPano = 0;
    HauteurPano = 0;
    for (const TInfosImg& img : ListeImgs)
        HauteurPano = std::max(HauteurPano, HauteurBitmap(img));
    XCourant = 0;
    GaucheDessinee.clear();
    if (!ConserverImgs)
        ImgsAssemblage = ListeImgs;
}

void TAssembleImg::Assembler()
{
    CurseurSablier sablier;
    ui->SuiviAss->setValue(0);
    Annule = false;
    InitialiserTraitements();

    const long double anglePixel = SeqPano ? SeqPano->AnglePixel() : 0.0L;
    QLabel* dimPan = SeqPano ? SeqPano->DimPan() : nullptr;
    QLabel* anglePan = SeqPano ? SeqPano->AnglePan() : nullptr;
    if (dimPan)
        dimPan->setText(QStringLiteral("H = %1 px").arg(HauteurPano));
    // Sans angle par pixel, l'angle d'une série précédente serait faux.
    if (anglePan && anglePixel > 0.0L) {
        const int64_t degres = Round(HauteurPano * anglePixel * 180.0L / Pi);
        anglePan->setText(QStringLiteral("H = %1 °").arg(degres));
    } else if (anglePan) {
        anglePan->clear();
    }

    if (TImage* vue = SeqPano ? SeqPano->ImgPano() : nullptr) {
        vue->Picture().SetSize(vue->width(), vue->height());
        vue->Picture().Fill(0xFF, 0xFF, 0xFF);
        vue->resize(LargeurPano, HauteurPano);
        vue->Actualiser();
    }

    // Liste de travail, largeur et textes ne sont déjà plus ceux du
    // panoramique précédent, qu'un échec après la vérification a de plus
    // effacé : un déroulement qui échoue ne laisse pas ses commandes le
    // fondre, le reprendre ou l'enregistrer.
    try {
        const auto phase = [this](const char* nom) {
            if (SurPhase)
                SurPhase(nom);
        };
        const int n = NbImagesAssemblage();
        if (!ConserverImgs) {
            for (int i = 0; i < n; ++i)
                CorrigerPointsLignesFuite(i);
            for (int i = 0; i < n; ++i)
                RedresserPointsControle(i);
        }
        phase("ajustement des points");
        ConserverImgs = false;
        TotalPoids = TotalEtapes();
        for (int i = 0; i < n; ++i)
            CalculerCoins(i);
        // Avant les tables et le bitmap, même après Annuler : le déroulement
        // annulé dimensionne encore le panoramique.
        VerifierTaillePano();
        // Effacé seulement une fois la taille admise : un refus n'alloue rien.
        // Rien du précédent ne doit rester là où aucune image ne dessine.
        if (BmpPano) {
            BmpPano->SetHeight(HauteurPano);
            BmpPano->Fill(0xFF, 0xFF, 0xFF);
        }
        phase("coins");
        for (int i = 0; i < n; ++i)
            PreparerImage(i);
        phase("preparation");
        for (int i = 0; i < n; ++i)
            AppliquerModifications(i);
        phase("deformation");
    } catch (...) {
        TableTravail.Liberer();
        GaucheDessinee = {};
        ActiverSuites(false);
        throw;
    }
    TableTravail.Liberer();
    GaucheDessinee = {};
    if (Annule || !SeqPano)
        return;
    if (dimPan)
        dimPan->setText(QStringLiteral("  L = %1 px ; ").arg(LargeurPano) + dimPan->text());
    if (anglePan && anglePixel > 0.0L) {
        const int64_t degres = Round(LargeurPano * anglePixel * 180.0L / Pi);
        anglePan->setText(QStringLiteral("  L = %1 ° ; ").arg(degres) + anglePan->text());
    }
    SeqPano->ZoomImgMouseUp();
    ActiverSuites(true);
}
