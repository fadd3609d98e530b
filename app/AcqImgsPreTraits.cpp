#include <algorithm>
#include <cmath>
#include <cstring>

#include <QLocale>

#include "app/AcqImgs.h"
#include "app/BarCoul.h"
#include "app/BarreCurseur.h"
#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

namespace {

constexpr long double Pi = 3.14159265358979323846264338327950288L;

// Position 100 : exactement 1 ; les extrémités donnent 10^−0,3 et 10^0,3.
long double CoefDePosition(int p)
{
    return powl(10.0L, static_cast<long double>((p - 100) * 3) / 1000.0L);
}

// Borné avant l'arrondi, ce qui revient à l'arrondi suivi de la butée du
// curseur ; une valeur indéfinie (coefficient lu nul ou négatif) va en butée
// basse.
int PositionBornee(long double v, int mini, int maxi)
{
    if (!(v > mini))
        return mini;
    if (v >= maxi)
        return maxi;
    return static_cast<int>(Round(v));
}

QString Format2(long double v)
{
    return QLocale().toString(static_cast<double>(v), 'f', 2);
}

QString TexteChamp(int angle)
{
    return QStringLiteral("Champ de l'objectif : %1°").arg(angle);
}

// Index de l'image choisie, −1 quand la liste éditable tient un texte saisi.
int ImageChoisie(const QComboBox* Choix)
{
    const int i = Choix->currentIndex();
    return i >= 0 && i < static_cast<int>(ListeImgs.size()) ? i : -1;
}

bool PoidsPresents(int i)
{
    return i >= 0 && i < static_cast<int>(PoidsEtapes.size());
}

// Le changement de position, s'il y en a un, passe par le gestionnaire du
// curseur qui réécrit la valeur courante ; l'étiquette montre ce qui reste.
void PlacerCurseurCoin(QSlider* Curseur, const long double& Coef, QLabel* Valeur)
{
    Curseur->setValue(PositionBornee(log10l(Coef) * 1000 / 3 + 100, 0, 200));
    Valeur->setText(Format2(Coef));
}

// Remet l'enregistrement et dit si ses octets, ceux du projet, ont changé.
template <class F>
bool Remettre(TInfosImg& img, F&& remise)
{
    unsigned char avant[sizeof(TInfosImg)];
    std::memcpy(avant, &img, sizeof avant);
    remise(img);
    return std::memcmp(avant, &img, sizeof avant) != 0;
}

void RemettreFuite(TInfosImg& img)
{
    img.CoefFuite = 0.0f;
}

}  // namespace

QComboBox* TSeqPano::ChoixImg() { return ui->ChoixImg; }
TImage* TSeqPano::Image1() { return ui->Image1; }
TImage* TSeqPano::Image2() { return ui->Image2; }
TImage* TSeqPano::Image3() { return ui->Image3; }
QLabel* TSeqPano::NomImg1() { return ui->NomImg1; }
QLabel* TSeqPano::NomImg2() { return ui->NomImg2; }
QLabel* TSeqPano::NomImg3() { return ui->NomImg3; }

void TSeqPano::ChargerCoefsImage()
{
    const int i = ImageChoisie(ui->ChoixImg);
    if (i < 0)
        return;
    const TInfosImg& img = ListeImgs[i];
    CoefCourantHG = img.CoefHG;
    CoefCourantBG = img.CoefBG;
    CoefCourantHD = img.CoefHD;
    CoefCourantBD = img.CoefBD;
    CoefCourantFuite = img.CoefFuite;
}

void TSeqPano::AfficherCurseursPreTraits()
{
    PlacerCurseurCoin(ui->CurseurCHG, CoefCourantHG, ui->ValCHG);
    PlacerCurseurCoin(ui->CurseurCHD, CoefCourantHD, ui->ValCHD);
    PlacerCurseurCoin(ui->CurseurCBD, CoefCourantBD, ui->ValCBD);
    PlacerCurseurCoin(ui->CurseurCBG, CoefCourantBG, ui->ValCBG);
    // Hors de [−1, 1] l'arc cosinus n'existe pas : on garde la butée voisine.
    const long double c = std::clamp(1.0L - CoefCourantFuite, -1.0L, 1.0L);
    ui->CurseurHyB->setValue(PositionBornee(acosl(c) * 180 / Pi, 0, 90));
    ui->ChObjo->setText(TexteChamp(ui->CurseurHyB->value()));
}

void TSeqPano::ActualiserApercu()
{
    const int i = ImageChoisie(ui->ChoixImg);
    const bool compLum = CoefCourantHG != 1.0L || CoefCourantHD != 1.0L ||
                         CoefCourantBD != 1.0L || CoefCourantBG != 1.0L;
    const bool corrFuite = CoefCourantFuite != 0.0L;
    if (PoidsPresents(i)) {
        if (compLum)
            ActiverEtape(i, 1);
        else
            PoidsEtapes[i][1] = 0;
        if (corrFuite)
            ActiverEtape(i, 3);
        else
            PoidsEtapes[i][3] = 0;
    }
    if (!corrFuite)
        ApercuCompLum();
    else if (!compLum)
        ApercuLignesFuite();
    else
        ApercuCompLumEtFuite();
}

void TSeqPano::AfficherNiveauxRVB()
{
    const int i = ImageChoisie(ui->ChoixImg);
    if (i < 0)
        return;
    const TInfosImg& img = ListeImgs[i];
    TBarRVB* const barres[4] = {ui->RVB_HG, ui->RVB_HD, ui->RVB_BD, ui->RVB_BG};
    for (int coin = 0; coin < 4; ++coin) {
        barres[coin]->SetNiveauB(img.FacteursRVB[coin][0]);
        barres[coin]->SetNiveauV(img.FacteursRVB[coin][1]);
        barres[coin]->SetNiveauR(img.FacteursRVB[coin][2]);
    }
}

void TSeqPano::PreTraitsShow()
{
    Protege([&] {
        PreTraitsResize();
        QWidget* page = ui->PreTraits;
        if (ListeImgs.size() >= 2) {
            // Une page qui n'est pas au premier plan doit rester cachée.
            if (ui->FctPano->currentWidget() == page)
                page->setVisible(true);
            ChangerImageHarmonisee(ListeImgs, ui->ChoixImg);
        } else {
            page->setVisible(false);
        }
    });
}

void TSeqPano::PreTraitsResize()
{
    Protege([&] {
        const int W = ui->PreTraits->width();
        const auto gauche = [](QWidget* w, int x) { w->move(x, w->y()); };

        gauche(ui->ChoixImg, (W - ui->ChoixImg->width()) / 2);
        gauche(ui->TitreHarmo, ui->ChoixImg->x());

        gauche(ui->CtrlHarmo, (W - ui->CtrlHarmo->width() - ui->CtrlObjo->width() - 25) / 2);
        gauche(ui->CtrlObjo, ui->CtrlHarmo->x() + ui->CtrlHarmo->width() + 25);

        const int l1 = (W - 3 * ui->Image1->width()) / 2;
        gauche(ui->Image1, l1);
        gauche(ui->Image2, l1 + ui->Image1->width());
        gauche(ui->Image3, l1 + 2 * ui->Image1->width());
        gauche(ui->NomImg1, ui->Image1->x());
        gauche(ui->NomImg2, ui->Image2->x());
        gauche(ui->NomImg3, ui->Image3->x());

        const int l2 = ui->Image2->x();
        const int r2 = l2 + ui->Image2->width();
        gauche(ui->RVB_HG, l2);
        gauche(ui->RVB_BG, l2);
        gauche(ui->RVB_HD, r2 - ui->RVB_HD->width());
        gauche(ui->RVB_BD, r2 - ui->RVB_BD->width());
    });
}

void TSeqPano::ChoixImgChange()
{
    Protege([&] { ChangerImageHarmonisee(ListeImgs, ui->ChoixImg); });
}

void TSeqPano::CurseurCHGChange()
{
    Protege([&] {
        CoefCourantHG = CoefDePosition(ui->CurseurCHG->value());
        ui->ValCHG->setText(Format2(CoefCourantHG));
        ActualiserApercu();
    });
}

void TSeqPano::CurseurCHDChange()
{
    Protege([&] {
        CoefCourantHD = CoefDePosition(ui->CurseurCHD->value());
        ui->ValCHD->setText(Format2(CoefCourantHD));
        ActualiserApercu();
    });
}

void TSeqPano::CurseurCBDChange()
{
    Protege([&] {
        CoefCourantBD = CoefDePosition(ui->CurseurCBD->value());
        ui->ValCBD->setText(Format2(CoefCourantBD));
        ActualiserApercu();
    });
}

void TSeqPano::CurseurCBGChange()
{
    Protege([&] {
        CoefCourantBG = CoefDePosition(ui->CurseurCBG->value());
        ui->ValCBG->setText(Format2(CoefCourantBG));
        ActualiserApercu();
    });
}

void TSeqPano::CurseurHyBChange()
{
    Protege([&] {
        const int a = ui->CurseurHyB->value();
        CoefCourantFuite = 1.0L - cosl(a * Pi / 180);
        ui->ChObjo->setText(TexteChamp(a));
        ActualiserApercu();
    });
}

void TSeqPano::AppliquerCorrTonClick()
{
    Protege([&] {
        const int i = ImageChoisie(ui->ChoixImg);
        if (i < 0)
            return;
        TInfosImg& img = ListeImgs[i];
        img.CoefHG = CoefCourantHG;
        img.CoefBG = CoefCourantBG;
        img.CoefHD = CoefCourantHD;
        img.CoefBD = CoefCourantBD;
        EtatProjet(true, true);
    });
}

void TSeqPano::AppliquerHyBClick()
{
    Protege([&] {
        const int i = ImageChoisie(ui->ChoixImg);
        if (i < 0)
            return;
        ListeImgs[i].CoefFuite = static_cast<float>(CoefCourantFuite);
        if (PoidsPresents(i))
            ActiverEtape(i, 3);
        EtatProjet(true, true);
    });
}

void TSeqPano::ReInitClick()
{
    Protege([&] {
        const int i = ImageChoisie(ui->ChoixImg);
        if (i >= 0 && Remettre(ListeImgs[i], ReinitialiserCorrections))
            MarquerModifie();
        PreTraitsShow();
    });
}

void TSeqPano::ReInitToutClick()
{
    Protege([&] {
        bool change = false;
        for (TInfosImg& img : ListeImgs)
            change |= Remettre(img, ReinitialiserCorrections);
        if (change)
            MarquerModifie();
        PreTraitsShow();
    });
}

void TSeqPano::ReInitHyBClick()
{
    Protege([&] {
        const int i = ImageChoisie(ui->ChoixImg);
        if (i >= 0 && Remettre(ListeImgs[i], RemettreFuite))
            MarquerModifie();
        PreTraitsShow();
    });
}

void TSeqPano::ReInitToutHyBClick()
{
    Protege([&] {
        bool change = false;
        for (TInfosImg& img : ListeImgs)
            change |= Remettre(img, RemettreFuite);
        if (change)
            MarquerModifie();
        PreTraitsShow();
    });
}
