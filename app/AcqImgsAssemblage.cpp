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

namespace {

const QString MsgPointsManquants = QStringLiteral("Tous les points de contrôle n'ont pas été définis");

// Ce qui empêche un coin d'être un point lié : un point non posé parmi les
// deux retenus d'un côté, ou un point posé sans associé.
struct DefautCoin
{
    int point = 0;  // 0 : aucun défaut
    bool nonPose = false;
    bool droite = false;
};

DefautCoin DefautCoins(const TInfosImg& img, const TImgs& liste, int i, bool boucler)
{
    const int n = static_cast<int>(liste.size());
    int ordre[4];
    TrierPoints(img, 'X', ordre);
    for (int k = 0; k < 4; ++k) {
        const bool droite = k < 2;
        if (!(boucler || (droite ? i < n - 1 : i > 0)))
            continue;
        const int pt = ordre[k];
        if (pt > img.NbPtsControle)
            return {pt, true, droite};
        // Lié à un point posé : un lien vers un point absent ne vaut rien.
        const TPtControle& p = img.PtsControle[pt - 1];
        if (p.NumImg < 0 || p.NumImg >= n || p.NumPt < 1 ||
            p.NumPt > std::min(liste[p.NumImg].NbPtsControle, 4))
            return {pt, false, droite};
    }
    return {};
}

}  // namespace

bool TSeqPano::PtsControleDefinis(QString* Motif)
{
    const auto refuser = [Motif](const QString& texte) {
        if (Motif)
            *Motif = texte;
        return false;
    };
    const int n = static_cast<int>(ListeImgs.size());
    if (n < 2)
        return refuser(MsgPointsManquants);
    const bool boucler = ui->BouclerPano->isChecked();
    const int requis = boucler ? 4 : 2;
    for (int i = 0; i < n; ++i) {
        const int besoin = (i == 0 || i == n - 1) ? requis : 4;
        if (ListeImgs[i].NbPtsControle < besoin)
            return refuser(MsgPointsManquants);
    }

    // Les coins jugés sont ceux que l'assemblage prendra : après les mêmes
    // ajustements, ou dans la liste de travail qu'il reprendra telle quelle.
    const bool reprise = ConserverImgs && ImgsAssemblage.size() == ListeImgs.size();
    const TImgs& liste = reprise ? ImgsAssemblage : ListeImgs;
    for (int i = 0; i < n; ++i) {
        TInfosImg img = liste[i];
        bool redressee = false;
        if (!reprise) {
            AjusterPointsLignesFuite(img);
            redressee = AjusterPointsHorizon(img);
        }
        const DefautCoin d = DefautCoins(img, liste, i, boucler);
        if (d.point == 0)
            continue;
        const QString image = QStringLiteral("l'image N° %1 (%2)")
                                  .arg(QString::number(i + 1), NomImage(ListeImgs[i]));
        if (!d.nonPose)
            return refuser(QStringLiteral("Le point de contrôle %1 de %2 n'a pas d'associé : placez "
                                          "son associé dans une image voisine ou supprimez ce point.")
                               .arg(QString::number(d.point), image));
        const QString cote = d.droite ? QStringLiteral("droite") : QStringLiteral("gauche");
        // Sans le redressement, les points auraient-ils convenu ?
        if (redressee && DefautCoins(liste[i], liste, i, boucler).point == 0)
            return refuser(QStringLiteral("Une fois %1 redressée selon sa référence d'horizontalité, "
                                          "ses points de contrôle ne sont plus à %2 de son milieu : "
                                          "placez-les plus à %2 ou corrigez cette référence.")
                               .arg(image, cote));
        return refuser(QStringLiteral("Les points de contrôle de %1 doivent se trouver à %2 de son "
                                      "milieu : placez-les plus à %2.")
                           .arg(image, cote));
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
        QString motif;
        if (!PtsControleDefinis(&motif)) {
            AfficherMessage(TypeMessage::Avertissement, motif);
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
