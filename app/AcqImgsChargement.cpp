// Chargement des photographies : une à une ou en série triée par nom.

#include <algorithm>

#include <QCollator>
#include <QFileInfo>
#include <QLocale>

#include "app/AcqImgs.h"
#include "app/GrilleImages.h"
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

// L'erreur d'un fichier d'une série dit lequel.
template <class F>
auto AuNomDe(const QString& fichier, F&& f)
{
    const QString nom = QStringLiteral("« %1 » : ").arg(QFileInfo(fichier).fileName());
    try {
        return f();
    } catch (const std::bad_alloc&) {
        throw Erreur(nom + QStringLiteral("Mémoire insuffisante"));
    } catch (const std::exception& e) {
        throw Erreur(nom + QString::fromUtf8(e.what()));
    }
}

// Un nom que l'enregistrement ne peut tenir ferait un projet impossible à
// rouvrir : l'image est refusée avant d'être ajoutée.
void VerifierNomEnregistrable(const QString& fichier)
{
    const QFileInfo info(fichier);
    const auto tropLong = [](const QString& texte, int capacite) {
        return OctetsChaineCourte(texte).size() > static_cast<size_t>(capacite);
    };
    const QString limite = QStringLiteral(" trop long pour un projet (%1 caractères au plus ; "
                                          "hors Windows-1252, %1 octets en UTF-8).");
    if (tropLong(info.fileName(), TChaineCourte<31>::Capacite))
        throw Erreur(QStringLiteral("« %1 » : nom de fichier").arg(info.fileName()) +
                     limite.arg(TChaineCourte<31>::Capacite));
    if (tropLong(info.absolutePath(), TChaineCourte<127>::Capacite))
        throw Erreur(QStringLiteral("« %1 » : chemin du dossier").arg(info.fileName()) +
                     limite.arg(TChaineCourte<127>::Capacite));
}

// Ajoute les fichiers à la fin de la liste ; un fichier illisible défait tout
// le chargement avant que son erreur ne remonte.
void AjouterImages(TSeqPano& f, const QStringList& fichiers)
{
    for (const QString& fichier : fichiers)
        VerifierNomEnregistrable(fichier);
    CurseurSablier sablier;
    f.Formulaire()->FctPano->setCurrentIndex(0);
    const long double anglePrecedent = f.AnglePixel_;
    f.AnglePixel_ = AuNomDe(fichiers.first(), [&] { return AngleParPixel(fichiers.first()); });

    const size_t nbAvant = ListeImgs.size();
    const size_t poidsAvant = PoidsEtapes.size();
    const int nbImgsAvant = f.NbImgs;
    Ui::TSeqPano& ui = *f.Formulaire();
    const int lignesAvant = ui.ListImgs->RowCount();
    const bool info01Avant = !ui.Info01->isHidden();
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
            img.Bitmap = NouveauBitmap(info.fileName());
            Bitmap& bmp = *BitmapDe(img.Bitmap);
            AuNomDe(fichier, [&] { ChargerImage(fichier, bmp); });
            img.Largeur = bmp.Width();
            img.Hauteur = bmp.Height();
            f.InitPtsImg(i);
            f.InitCorrectionsImg(i);
            if (f.NbImgs > 0) {
                ui.ListImgs->SetRowCount(ui.ListImgs->RowCount() + 1);
                ui.Info01->show();
            }
            ++f.NbImgs;
        }
        InitialiserHarmonisation(ListeImgs, f.ChoixImg());
        RemplirListeReprise(ListeImgs, f.ChoixImg());
        f.MarquerModifie();
        // La première image reprend la ligne vide sans en changer le nombre :
        // rien d'autre ne ferait redessiner la grille.
        ui.ListImgs->Repaint();
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
        ui.ListImgs->SetRowCount(lignesAvant);
        ui.Info01->setHidden(!info01Avant);
        f.AnglePixel_ = anglePrecedent;
        ui.ListImgs->Repaint();
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
