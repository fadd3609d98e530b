#include "core/HarmoImgs.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

#include "core/FenetrePano.h"
#include "core/RenduPano.h"
#include "platform/Image.h"

TPtImg TableVignette;

namespace {

constexpr int TailleVignette = 320;

// Une référence périmée (projet relu) ne doit pas faire tomber l'onglet.
const Bitmap& BitmapOuVide(const TInfosImg& Img)
{
    static const Bitmap vide;
    const Bitmap* bmp = BitmapDe(Img);
    return bmp ? *bmp : vide;
}

void MontrerImage(TImage* Image, QLabel* Nom, const TInfosImg& Img)
{
    Image->Picture() = BitmapOuVide(Img);
    Image->Actualiser();
    Nom->setText(NomImage(Img));
}

void ViderImage(TImage* Image, QLabel* Nom)
{
    Image->Picture() = Bitmap();
    Image->Actualiser();
    Nom->setText(QString());
}

}  // namespace

void ReduireImage(const Bitmap& Source, TImage* Cible)
{
    const int W = Source.Width();
    const int H = Source.Height();
    long double k = 1.0L;
    if (W > TailleVignette || H > TailleVignette)
        k = static_cast<long double>(std::max(W, H)) / TailleVignette;
    const int largeur = static_cast<int>(Round(W / k));
    const int hauteur = static_cast<int>(Round(H / k));

    Cible->Picture().SetSize(largeur, hauteur);
    TableVignette.SetLength(largeur, hauteur);

    // Colonnes sources calculées une fois pour toutes les lignes.
    int colonnes[TailleVignette];
    for (int x = 0; x < largeur; ++x)
        colonnes[x] = std::min(static_cast<int>(Trunc(x * k)), W - 1);

    for (int y = 0; y < hauteur; ++y) {
        const int ys = std::min(static_cast<int>(Trunc(y * k)), H - 1);
        const TPixel* src = reinterpret_cast<const TPixel*>(Source.Ligne(ys));
        TPixel* dst = TableVignette.Ligne(y);
        for (int x = 0; x < largeur; ++x)
            dst[x] = src[colonnes[x]];
    }
    Cible->Actualiser();
}

void InitialiserHarmonisation(const TImgs& Images, QComboBox* Combo)
{
    const int n = static_cast<int>(Images.size());
    if (n < 2)
        return;
    {
        const QSignalBlocker bloqueur(Combo);
        Combo->clear();
        for (const TInfosImg& img : Images)
            Combo->addItem(NomImage(img));
        Combo->setCurrentIndex(1);
    }
    MontrerImage(SeqPano->Image1(), SeqPano->NomImg1(), Images[0]);
    ReduireImage(BitmapOuVide(Images[1]), SeqPano->Image2());
    SeqPano->NomImg2()->setText(NomImage(Images[1]));
    // Avec deux images seulement, l'image suivante d'une série précédente
    // resterait affichée : on la vide.
    if (n > 2)
        MontrerImage(SeqPano->Image3(), SeqPano->NomImg3(), Images[2]);
    else
        ViderImage(SeqPano->Image3(), SeqPano->NomImg3());
    SeqPano->ChargerCoefsImage();
    SeqPano->AfficherCurseursPreTraits();
    SeqPano->ActualiserApercu();
    SeqPano->AfficherNiveauxRVB();
}

void ChangerImageHarmonisee(const TImgs& Images, QComboBox* Combo)
{
    const int n = static_cast<int>(Images.size());
    const int i = Combo->currentIndex();
    // Texte saisi dans la liste éditable : aucune image désignée.
    if (n < 2 || i < 0 || i >= n)
        return;
    if (i == 0) {
        ViderImage(SeqPano->Image1(), SeqPano->NomImg1());
        MontrerImage(SeqPano->Image3(), SeqPano->NomImg3(), Images[1]);
    } else if (i == n - 1) {
        ViderImage(SeqPano->Image3(), SeqPano->NomImg3());
        MontrerImage(SeqPano->Image1(), SeqPano->NomImg1(), Images[i - 1]);
    } else {
        MontrerImage(SeqPano->Image1(), SeqPano->NomImg1(), Images[i - 1]);
        MontrerImage(SeqPano->Image3(), SeqPano->NomImg3(), Images[i + 1]);
    }
    ReduireImage(BitmapOuVide(Images[i]), SeqPano->Image2());
    SeqPano->NomImg2()->setText(NomImage(Images[i]));
    SeqPano->ChargerCoefsImage();
    SeqPano->AfficherCurseursPreTraits();
    SeqPano->ActualiserApercu();
    SeqPano->AfficherNiveauxRVB();
}

void RemplirListeReprise(const TImgs& Images, QComboBox*)
{
    if (Images.size() < 2)
        return;
    QComboBox* liste = SeqPano->PostHarmo();
    const QSignalBlocker bloqueur(liste);
    liste->clear();
    for (const TInfosImg& img : Images)
        liste->addItem(NomImage(img));
    liste->addItem(QStringLiteral("Pas d'image sélectionnée"));
    liste->setCurrentIndex(liste->count() - 1);
}

bool LancerRepriseHarmonisation(const TImgs&, QComboBox*)
{
    const QComboBox* liste = SeqPano->PostHarmo();
    const int i = liste->currentIndex();
    // Un texte saisi (index −1) ne désigne aucune image.
    if (i < 0 || i >= liste->count() - 1)
        return false;
    if (!ReprendreHarmonisation(i))
        return false;
    SeqPano->SetModifie(true);
    return true;
}
