// Onglet Assemblage : contrôle des points, lancement de l'assemblage, largeur
// des recouvrements, fondu, reprise d'harmonisation et zoom de la vue.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

#include "app/AcqImgs.h"
#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "core/RenduPano.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Dialogues.h"
#include "platform/Erreur.h"
#include "platform/Extended.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

// L'image d'attente vit dans une bibliothèque statique : la référencer ici
// l'amène à l'édition de liens, avant la construction du formulaire.
static int ChargerRessourcesCafe()
{
    Q_INIT_RESOURCE(Cafe);
    return 0;
}
[[maybe_unused]] static const int ressourcesCafe = ChargerRessourcesCafe();

namespace {

// Hauteur de la page à la conception : les groupes et l'image d'attente
// gardent leur distance au bas de la page.
constexpr int HauteurPageConception = 578;
constexpr int HautGroupesConception = 421;
constexpr int HautCafeConception = 441;

bool assemblageEnCours = false;

// Pixels de l'image de la vue au plus, sauf pour un panoramique plus grand,
// montré jusqu'à sa taille réelle : un panoramique très étroit ajusté à la
// largeur de la boîte en demanderait des centaines de millions.
constexpr int64_t PixelsVueMax = int64_t(32) * 1024 * 1024;

// Le temps d'un assemblage, sa fenêtre de progression est modale pour toute
// l'application : le déroulement traite les messages à chaque étape et aucun
// autre lancement, aucune modification des images ou des points, aucune
// fermeture ne doit l'atteindre. Tout est rendu même si une erreur passe.
class DeroulementAssemblage
{
public:
    DeroulementAssemblage(QWidget* cafe, TAssembleImg* fenetre)
        : cafe_(cafe), fenetre_(fenetre)
    {
        assemblageEnCours = true;
        cafe_->setVisible(true);
        fenetre_->setWindowModality(Qt::ApplicationModal);
        fenetre_->show();
    }
    ~DeroulementAssemblage()
    {
        fenetre_->hide();
        fenetre_->setWindowModality(Qt::NonModal);
        cafe_->setVisible(false);
        assemblageEnCours = false;
    }
    DeroulementAssemblage(const DeroulementAssemblage&) = delete;
    DeroulementAssemblage& operator=(const DeroulementAssemblage&) = delete;

private:
    QWidget* cafe_;
    TAssembleImg* fenetre_;
};

// Le panoramique réduit ou agrandi dans l'image de la vue, lissé.
void EtirerPanoramique(const Bitmap& Source, Bitmap& Vue)
{
    if (Source.Width() == Vue.Width() && Source.Height() == Vue.Height()) {
        const size_t octets = static_cast<size_t>(Source.Width()) * 3;
        for (int y = 0; y < Source.Height(); ++y)
            std::memcpy(Vue.Ligne(y), Source.Ligne(y), octets);
        return;
    }
    QImage cible = Vue.ImageQt();
    QPainter peintre(&cible);
    peintre.setRenderHint(QPainter::SmoothPixmapTransform, true);
    peintre.drawImage(QRect(0, 0, Vue.Width(), Vue.Height()), Source.ImageQt());
}

int Arrondi(long double v)
{
    return static_cast<int>(Round(v));
}

// Largeur cliente de l'ajustement : celle laissée à côté de la barre verticale
// quand la hauteur ajustée en demande une, pour que la vue ajustée ne défile
// jamais en largeur, quelles que soient les barres montrées avant.
int LargeurAjustement(const QScrollArea& Boite)
{
    const QRect client = Boite.contentsRect();
    const int hauteur = Arrondi(static_cast<long double>(client.width()) * HauteurPano / LargeurPano);
    if (hauteur <= client.height())
        return client.width();
    return client.width() - Boite.verticalScrollBar()->sizeHint().width();
}

}  // namespace

QCheckBox* TSeqPano::BouclerPano() { return ui->BouclerPano; }
QComboBox* TSeqPano::ModeAsmbl() { return ui->ModeAsmbl; }
QCheckBox* TSeqPano::CorrChro() { return ui->CorrChro; }
QLabel* TSeqPano::DimPan() { return ui->DimPan; }
QLabel* TSeqPano::AnglePan() { return ui->AnglePan; }
TImage* TSeqPano::ImgPano() { return ui->ImgPano; }
QPushButton* TSeqPano::FonduImg() { return ui->FonduImg; }
QComboBox* TSeqPano::PostHarmo() { return ui->PostHarmo; }

bool TSeqPano::PtsControleDefinis()
{
    const int n = static_cast<int>(ListeImgs.size());
    if (n < 2)
        return false;
    const bool boucler = ui->BouclerPano->isChecked();
    const int requis = boucler ? 4 : 2;
    // Lié à un point posé : un lien vers un point absent ne vaut rien.
    const auto lie = [n](const TPtControle& p) {
        return p.NumImg >= 0 && p.NumImg < n && p.NumPt >= 1 &&
               p.NumPt <= std::min(ListeImgs[p.NumImg].NbPtsControle, 4);
    };
    for (int i = 0; i < n; ++i) {
        const TInfosImg& img = ListeImgs[i];
        const int besoin = (i == 0 || i == n - 1) ? requis : 4;
        if (img.NbPtsControle < besoin)
            return false;
        // Les coins sont les deux points les plus à droite et les deux plus à
        // gauche ; un coin sans partenaire serait apparié à lui-même.
        int ordre[4];
        TrierPoints(img, 'X', ordre);
        const bool coinsDroits = boucler || i < n - 1;
        const bool coinsGauches = boucler || i > 0;
        for (int k = 0; k < 4; ++k)
            if ((k < 2 ? coinsDroits : coinsGauches) && !lie(img.PtsControle[ordre[k] - 1]))
                return false;
    }
    return true;
}

void TSeqPano::AssemblageResize()
{
    QWidget* page = ui->Assemblage;
    const int largeur = page->width();
    const int hauteur = page->height();
    const QSize boiteAvant = ui->AffPano->size();
    ui->AffPano->resize(largeur - 10, hauteur / 2);
    ui->TailleImg->move((largeur - ui->TailleImg->width()) / 2, hauteur / 2 + 20);
    const int decalage = hauteur - HauteurPageConception;
    ui->BtePrm->move(ui->BtePrm->x(), HautGroupesConception + decalage);
    ui->ConstructPano->move(ui->ConstructPano->x(), HautGroupesConception + decalage);
    ui->Cafe->move(ui->Cafe->x(), HautCafeConception + decalage);
    // Une page cachée ne reçoit sa taille qu'à son affichage, après celle du
    // classeur qui a redessiné la vue avec l'ancienne boîte ; visible, c'est
    // le classeur qui suit et la redessine.
    if (ui->AffPano->size() != boiteAvant && !page->isVisible())
        ZoomImgMouseUp();
}

void TSeqPano::AssemblerImgClick()
{
    Protege([&] {
        if (assemblageEnCours)
            return;
        if (!PtsControleDefinis()) {
            AfficherMessage(TypeMessage::Avertissement,
                            QStringLiteral("Tous les points de contrôle n'ont pas été définis"));
            return;
        }
        if (AssembleImg == nullptr)
            return;
        DeroulementAssemblage deroulement(ui->Cafe, AssembleImg);
        AssembleImg->Assembler();
    });
}

void TSeqPano::ZoomImgMouseUp()
{
    Protege([&] {
        CurseurSablier sablier;
        if (BmpPano == nullptr || BmpPano->Width() <= 0 || LargeurPano <= 0)
            return;
        const int p = ui->ZoomImg->value();
        const long double a = (100 - p) / 100.0L;
        const long double b = p / 100.0L;
        const int cw = LargeurAjustement(*ui->AffPano);
        // Au moins un pixel : un facteur nul rendrait la sélection irrécupérable.
        int W = std::max(1, Arrondi(cw * a + LargeurPano * b));
        int H = std::max(1, Arrondi(cw * a * HauteurPano / LargeurPano + HauteurPano * b));
        const int64_t limite = std::max(PixelsVueMax, int64_t{LargeurPano} * HauteurPano);
        if (int64_t{W} * H > limite) {
            // Même réduction des deux côtés ; l'étiquette dira le Kr retenu.
            const long double r = sqrtl(static_cast<long double>(limite) / (static_cast<long double>(W) * H));
            W = std::max(1, static_cast<int>(W * r));
            H = static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(H * r), 1, limite / W));
        }
        Kr = static_cast<long double>(W) / LargeurPano;
        ui->InfoZoom->setText(QStringLiteral("Kr = %1 %").arg(Round(Kr * 100)));

        TImage* vue = ui->ImgPano;
        vue->resize(W, H);
        vue->Picture().SetSize(W, H);
        EtirerPanoramique(*BmpPano, vue->Picture());

        if (Selection.Active && KrPrecedent > 0) {
            const long double r = Kr / KrPrecedent;
            const auto echelle = [r](int& v) { v = Arrondi(v * r); };
            const auto echellePt = [r](QPoint& pt) {
                pt = QPoint(Arrondi(pt.x() * r), Arrondi(pt.y() * r));
            };
            echelle(Selection.LargeurSel);
            echelle(Selection.HauteurSel);
            echelle(Selection.Gauche);
            echelle(Selection.Haut);
            echelle(Selection.Droite);
            echelle(Selection.Bas);
            echellePt(Selection.Ancre);
            echellePt(Selection.Coin1);
            echellePt(Selection.Coin2);
            // Le nouveau dessin a effacé l'ancien rectangle.
            Selection.Tracer(vue);
        }
        KrPrecedent = Kr;
        vue->repaint();
    });
}

void TSeqPano::LRecouvrChange()
{
    // Fondu et reprise liraient des tables faites avec l'ancienne largeur.
    ui->FonduImg->setEnabled(false);
    ui->PostHarmo->setEnabled(false);
}

void TSeqPano::LRecouvrExit()
{
    Protege([&] {
        const QString texte = ui->LRecouvr->text();
        bool entier = false;
        const int largeur = texte.toInt(&entier, 10);
        if (!entier)
            throw Erreur(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(texte));
        LargeurRecouvrement = largeur;
    });
}

void TSeqPano::FonduImgClick()
{
    Protege([&] { FiltrerRecouvrements(); });
}

void TSeqPano::PostHarmoChange()
{
    Protege([&] {
        if (!LancerRepriseHarmonisation(ImgsAssemblage, ui->PostHarmo))
            return;
        const ReponseMessage reponse = AfficherMessage(
            TypeMessage::Information,
            QStringLiteral("Pour visualiser la reprise d'harmonisation, il faut relancer "
                           "l'assemblage.\n\r Voulez-vous relancer l'assemblage ?"),
            BoutonsMessage::OuiNon);
        if (reponse == ReponseMessage::Oui) {
            ConserverImgs = true;
            AssemblerImgClick();
        }
    });
}
