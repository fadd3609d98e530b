// Chargement des photographies : une à une ou en série triée par nom.

#include <algorithm>

#include <QCollator>
#include <QFileInfo>
#include <QLocale>

#include "app/AcqImgs.h"
#include "app/AcqImgsComposants.h"
#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Decodeurs.h"
#include "platform/Dialogues.h"
#include "platform/Erreur.h"
#include "ui_TSeqPano.h"

const TFiltreImage FiltresImages[6] = {
    {"Tous (*.bmp;*.gif;*.png;*.tif;*.jpg)", "*.bmp;*.gif;*.png;*.tif;*.jpg"},
    {"Bitmaps (*.bmp)", "*.bmp"},
    {"Fichier image JPEG (*.jpg)", "*.jpg"},
    {"Fichier image TIFF (*.tif)", "*.tif"},
    {"GIF Image (*.gif)", "*.gif"},
    {"Portable Network Graphics (*.png)", "*.png"},
};

QString FiltreDialogueImages()
{
    // Qt lit les masques entre les dernières parenthèses, séparés par des blancs.
    QStringList entrees;
    for (const TFiltreImage& f : FiltresImages) {
        const QString masque = QString::fromLatin1(f.Masque);
        QString description = QString::fromUtf8(f.Description);
        const QString suffixe = QStringLiteral("(") + masque + QStringLiteral(")");
        if (description.endsWith(suffixe))
            description.chop(suffixe.size());
        else
            description += QLatin1Char(' ');
        entrees << description + QStringLiteral("(") + QString(masque).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QStringLiteral(")");
    }
    return entrees.join(QStringLiteral(";;"));
}

namespace {

QStringList ChoisirImages(const TSeqPano& f, bool plusieurs)
{
    DemandeFichier demande;
    demande.sorte = SorteDialogue::OuvrirImages;
    demande.repertoire = f.RepImage;
    demande.filtre = FiltreDialogueImages();
    demande.plusieurs = plusieurs;
    const ReponseFichier reponse = DemanderFichier(demande);
    if (!reponse.accepte)
        return {};
    return plusieurs ? reponse.fichiers : reponse.fichiers.mid(0, 1);
}

// Ajoute les fichiers à la fin de la liste ; un fichier illisible défait tout
// le chargement avant que son erreur ne remonte.
void AjouterImages(TSeqPano& f, const QStringList& fichiers)
{
    CurseurSablier sablier;
    f.Formulaire()->FctPano->setCurrentIndex(0);
    const long double anglePrecedent = f.AnglePixel_;
    f.AnglePixel_ = AngleParPixel(fichiers.first());

    const size_t nbAvant = ListeImgs.size();
    const size_t poidsAvant = PoidsEtapes.size();
    const int nbImgsAvant = f.NbImgs;
    const int lignesAvant = LignesGrille(&f);
    const bool info01Avant = ComposantMontre(&f, "Info01");
    try {
        ListeImgs.resize(nbAvant + fichiers.size(), TInfosImg{});
        AjouterEtapes(static_cast<int>(fichiers.size()));
        for (qsizetype k = 0; k < fichiers.size(); ++k) {
            const QString& fichier = fichiers[k];
            const int i = static_cast<int>(nbAvant + k);
            const QFileInfo info(fichier);
            f.RepImage = info.absolutePath();
            TInfosImg& img = ListeImgs[i];
            EcrireChaineCourte(img.Repertoire, f.RepImage);
            EcrireChaineCourte(img.Nom, info.fileName());
            img.Bitmap = NouveauBitmap();
            Bitmap& bmp = *BitmapDe(img.Bitmap);
            ChargerImage(fichier, bmp);
            img.Largeur = bmp.Width();
            img.Hauteur = bmp.Height();
            f.InitPtsImg(i);
            f.InitCorrectionsImg(i);
            if (f.NbImgs > 0) {
                DefinirLignesGrille(&f, LignesGrille(&f) + 1);
                MontrerComposant(&f, "Info01", true);
            }
            ++f.NbImgs;
        }
        ActualiserHarmonisation(f);
    } catch (...) {
        for (size_t i = nbAvant; i < ListeImgs.size(); ++i) {
            const TInfosImg& img = ListeImgs[i];
            LibererBitmap(img.Bitmap);
            for (HPatch p : img.PatchsPts)
                LibererPatch(p);
            for (HPatch p : img.PatchsHoriz)
                LibererPatch(p);
        }
        ListeImgs.resize(nbAvant);
        PoidsEtapes.resize(poidsAvant);
        f.NbImgs = nbImgsAvant;
        DefinirLignesGrille(&f, lignesAvant);
        MontrerComposant(&f, "Info01", info01Avant);
        f.AnglePixel_ = anglePrecedent;
        RedessinerComposant(&f, "ListImgs");
        throw;
    }
}

}  // namespace

void TSeqPano::ChargerUneImageClick()
{
    Protege([&] {
        const QStringList fichiers = ChoisirImages(*this, false);
        if (!fichiers.isEmpty())
            AjouterImages(*this, fichiers);
    });
}

void TSeqPano::ChargerSerieImgsClick()
{
    Protege([&] {
        QStringList fichiers = ChoisirImages(*this, true);
        if (fichiers.isEmpty())
            return;
        // Caractère par caractère, sans la casse : IMG_10 avant IMG_2.
        QCollator ordre{QLocale()};
        ordre.setCaseSensitivity(Qt::CaseInsensitive);
        ordre.setNumericMode(false);
        std::stable_sort(fichiers.begin(), fichiers.end(),
                         [&](const QString& a, const QString& b) { return ordre.compare(a, b) < 0; });
        AjouterImages(*this, fichiers);
    });
}
