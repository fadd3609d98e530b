// Grille des images de l'onglet « Série d'images » : dessin des cellules et
// échange de deux images par glisser-déplacer d'une ligne sur une autre.

#include <utility>

#include <QPainter>

#include "app/AcqImgs.h"
#include "app/GrilleImages.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Canevas.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

namespace {

constexpr int HauteurEnTete = 24;
constexpr int HauteurLigne = 136;
constexpr TColor Bleu = 0xFF0000;
constexpr TColor Vert = 0x008000;
constexpr TColor Noir = 0x000000;
constexpr TColor Blanc = 0xFFFFFF;
constexpr TColor FondChoisi = 0xFFFFCC;

QString EnTete(int colonne)
{
    static const char* const textes[] = {"N°", "Image", "Nom", "Largeur", "Hauteur",
                                         "Réf. horizontale", "Points de contrôle",
                                         "Points correspondants"};
    if (colonne < 0 || colonne >= 8)
        return QString();
    return QString::fromUtf8(textes[colonne]);
}

void DessinerVignette(TGrilleImages& grille, TCanevas& canevas, const QRect& Rect,
                      const TInfosImg& img)
{
    canevas.TextRect(Rect, Rect.left(), Rect.top(), QString());
    const Bitmap* bmp = BitmapDe(img);
    QPainter* peintre = grille.Peintre();
    if (!bmp || bmp->Empty() || !peintre)
        return;
    const QRect cible = RectangleVignette(Rect, bmp->Width(), bmp->Height());
    peintre->save();
    peintre->setRenderHint(QPainter::SmoothPixmapTransform, true);
    peintre->drawImage(cible, bmp->ImageQt());
    peintre->restore();
}

}  // namespace

void TSeqPano::ListImgsDrawCell(int ACol, int ARow, const QRect& Rect, int State)
{
    Protege([&] {
        TGrilleImages& grille = *ui->ListImgs;
        TCanevas* canevas = grille.Canvas();
        if (!canevas)
            return;
        TCanevas& c = *canevas;
        if (ARow == 0) {
            grille.SetRowHeight(0, HauteurEnTete);
            DecalTexteY = (HauteurEnTete - c.TextHeight(QStringLiteral("H"))) / 2;
            c.font.setBold(true);
            EcrireTexteCellule(c, Rect, 'C', Noir, EnTete(ACol));
            return;
        }
        c.brushColor = (State & TGrilleImages::EtatSelection) ? FondChoisi : Blanc;
        if (NbImgs <= 0) {
            grille.SetRowHeight(ARow, 0);
            return;
        }
        grille.SetRowHeight(ARow, HauteurLigne);
        DecalTexteY = (HauteurLigne - c.TextHeight(QStringLiteral("H"))) / 2;
        if (ARow > static_cast<int>(ListeImgs.size()))
            return;  // ligne ajoutée avant son enregistrement
        const TInfosImg& img = ListeImgs[ARow - 1];
        switch (ACol) {
        case 0: EcrireTexteCellule(c, Rect, 'C', Bleu, QString::number(ARow)); break;
        case 1: DessinerVignette(grille, c, Rect, img); break;
        case 2: EcrireTexteCellule(c, Rect, 'C', Bleu, NomImage(img)); break;
        case 3: EcrireTexteCellule(c, Rect, 'D', Bleu, QStringLiteral("%1 px").arg(img.Largeur)); break;
        case 4: EcrireTexteCellule(c, Rect, 'D', Bleu, QStringLiteral("%1 px").arg(img.Hauteur)); break;
        case 5: EcrirePointsCellule(c, Rect, 'H', Vert, img); break;
        case 6: EcrirePointsCellule(c, Rect, 'C', Bleu, img); break;
        case 7: EcrirePointsCorrespondants(c, Rect, Bleu, img); break;
        default: break;
        }
    });
}

void TSeqPano::ImagesShow()
{
    CelluleChoisie = false;
}

void TSeqPano::ListImgsSelectCell(int, int ARow)
{
    LigneSel = ARow;
    CelluleChoisie = true;
}

void TSeqPano::ListImgsMouseDown()
{
    LigneDepart = LigneSel;
    CelluleChoisie = false;
}

void TSeqPano::ListImgsMouseUp()
{
    Protege([&] {
        const bool choisie = std::exchange(CelluleChoisie, false);
        const int nb = static_cast<int>(ListeImgs.size());
        if (ui->Info01->isHidden() || !choisie || nb <= 1)
            return;
        if (LigneDepart < 1 || LigneDepart > nb || LigneSel < 1 || LigneSel > nb)
            return;
        std::swap(ListeImgs[LigneDepart - 1], ListeImgs[LigneSel - 1]);
        // Une ligne lâchée sur elle-même ne change pas l'ordre enregistré.
        if (LigneDepart != LigneSel)
            MarquerModifie();
        // Une liste absente du formulaire n'est pas remplie.
        if (ChoixImg())
            InitialiserHarmonisation(ListeImgs, ChoixImg());
        if (ChoixImg() && PostHarmo())
            RemplirListeReprise(ListeImgs, ChoixImg());
        ui->ListImgs->Repaint();
        // Les vues reprennent leur image, sans marqueurs, jusqu'au prochain
        // affichage d'un onglet de gauche.
        for (size_t k = 0; k < ImgsG.size() && k < ListeImgs.size(); ++k) {
            const Bitmap* bmp = BitmapDe(ListeImgs[k]);
            for (TImage* vue : {ImgsG[k], ImgsD[k]}) {
                if (!vue)
                    continue;
                vue->Picture() = bmp ? *bmp : Bitmap();
                vue->resize(vue->Picture().Width(), vue->Picture().Height());
                vue->Actualiser();
            }
        }
    });
}
