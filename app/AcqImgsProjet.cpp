// État du projet, remise à zéro, lecture et écriture des fichiers de projet.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollArea>

#include "app/AcqImgs.h"
#include "app/GrilleImages.h"
#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Cp1252.h"
#include "platform/Decodeurs.h"
#include "platform/Dialogues.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "platform/PageControl.h"
#include "platform/Systeme.h"
#include "platform/TabSheet.h"
#include "ui_TSeqPano.h"

namespace {

constexpr qint64 TailleEnregistrement = sizeof(TInfosImg);

const QString TitreProgramme = QStringLiteral("Kalvindo");
const QString MsgProjetIllisible = QStringLiteral(
    "Un des composants du projet n'a pas pu être chargé. Le programme est réinitialisé.");
const QString MsgEnregistrer =
    QStringLiteral("Des modifications ont été apportées au projet en cours, les enregistrer ?");

QString TitreProjet(const QString& nomProjet)
{
    return TitreProgramme + QStringLiteral(" : ") + QFileInfo(nomProjet).completeBaseName();
}

bool Fini(long double v)
{
    return std::isfinite(v);
}

// Étendue d'un enregistrement : ses côtés, agrandis jusqu'à ses points les
// plus éloignés de l'origine. Bornée à la lecture, elle borne aussi chaque
// point sans dépendre de la taille actuelle de son image : une photo réduite
// depuis garde ses points.
qint64 Etendue(const TInfosImg& r)
{
    qint64 x = r.Largeur, y = r.Hauteur;
    const auto etendre = [&](int32_t X, int32_t Y) {
        x = std::max(x, std::abs(qint64{X}));
        y = std::max(y, std::abs(qint64{Y}));
    };
    for (const TPtControle& p : r.PtsControle)
        etendre(p.X, p.Y);
    for (const TPoint32& p : r.PtsHoriz)
        etendre(p.X, p.Y);
    return x + y;
}

// Un enregistrement lu ne sert que si ses compteurs et ses liens restent dans
// leurs bornes et ses réels sont des nombres : le reste du programme s'y fie,
// calcul des tailles compris.
bool EnregistrementValide(const TInfosImg& r, int nbImages)
{
    // Chaque suppression fait descendre le point courant, même sous zéro.
    if (r.NbPtsControle < 0 || r.NbPtsControle > 4 || r.PtCourant < -4 || r.PtCourant > 4)
        return false;
    if (r.NbPtsHoriz < 0 || r.NbPtsHoriz > 2 || r.PtHorizCourant < -2 || r.PtHorizCourant > 2)
        return false;
    for (const TPtControle& p : r.PtsControle)
        if (p.NumImg < -1 || p.NumImg >= nbImages || p.NumPt < 0 || p.NumPt > 4)
            return false;
    for (const Extended* e : {&r.PenteJonction, &r.OrdonneeJonction, &r.CoefHG, &r.CoefBG, &r.CoefHD,
                              &r.CoefBD})
        if (!Fini(*e))
            return false;
    for (const auto& coin : r.FacteursRVB)
        for (float f : coin)
            if (!std::isfinite(f))
                return false;
    // 1 − cos d'un angle de 0 à 90° : au-delà, les points corrigés sortent de l'image.
    return r.CoefFuite >= 0.0f && r.CoefFuite <= 1.0f;
}

struct FichierImage
{
    QString dossier;
    QString nom;
    QString Chemin() const { return dossier + QLatin1Char('/') + nom; }
};

// Chaque champ lu pour lui-même, l'un en Windows-1252 et l'autre en UTF-8 au
// besoin : le dossier seul, puis le nom dans le dossier retenu.
FichierImage LireFichierImage(const TInfosImg& img)
{
    const auto octets = [](const auto& champ) {
        return std::string_view(champ.car, static_cast<size_t>(LongueurChaineCourte(champ)));
    };
    const QString dossier = NomStocke(octets(img.Repertoire));
    return {dossier, NomStocke(octets(img.Nom), dossier)};
}

// Lit le fichier dans ListeImgs ; toute anomalie lève une erreur.
void LireFichierProjet(TSeqPano& f, const QString& chemin)
{
    // Un tube ou un périphérique bloquerait la lecture.
    if (!QFileInfo(chemin).isFile())
        throw Erreur("Le projet n'est pas un fichier ordinaire");
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        throw Erreur(fichier.errorString());
    const qint64 nb = fichier.size() / TailleEnregistrement;
    if (nb <= 0 || nb > INT32_MAX / 2)
        throw Erreur("Fichier de projet vide");
    // Après l'ajustement des points, chaque coordonnée reste sous deux fois
    // l'étendue de son image ; chaque coin, décalage ou pas de largeur sous
    // quatre fois la somme des étendues. Cette somme bornée, les sommes de
    // l'assemblage tiennent en 32 bits.
    qint64 cotes = 0;
    for (qint64 i = 0; i < nb; ++i) {
        ListeImgs.push_back(TInfosImg{});
        AjouterEtapes(1);
        TInfosImg& img = ListeImgs.back();
        if (fichier.read(reinterpret_cast<char*>(&img), TailleEnregistrement) != TailleEnregistrement)
            throw Erreur(fichier.errorString());
        // Les références lues sont celles d'une autre exécution : jamais libérées.
        img.Bitmap = 0;
        std::memset(img.PatchsPts, 0, sizeof img.PatchsPts);
        std::memset(img.PatchsHoriz, 0, sizeof img.PatchsHoriz);
        const FichierImage source = LireFichierImage(img);
        img.Bitmap = NouveauBitmap(source.nom);
        Bitmap& bmp = *BitmapDe(img.Bitmap);
        ChargerImage(source.Chemin(), bmp);
        img.Largeur = bmp.Width();
        img.Hauteur = bmp.Height();
        // Octet 263 : premier caractère de la version, quelle que soit sa
        // longueur. Un enregistrement ancien est remis avant d'être jugé.
        const char premier = img.Version.car[0];
        if (premier < '0' || premier > '9')
            f.InitCorrectionsImg(static_cast<int>(i));
        if (!EnregistrementValide(img, static_cast<int>(nb)))
            throw Erreur("Enregistrement de projet incohérent");
        cotes += Etendue(img);
        if (cotes > INT32_MAX / 8)
            throw Erreur("Images trop grandes pour un panoramique");
        ++f.NbImgs;
    }
    // La grille grandit une fois : chaque ligne ajoutée refait la hauteur de
    // toutes les autres.
    if (nb > 1) {
        f.Formulaire()->ListImgs->SetRowCount(f.Formulaire()->ListImgs->RowCount() + static_cast<int>(nb) - 1);
        f.Formulaire()->Info01->hide();
    }
}

void OuvrirPrj(TSeqPano& f, bool avecDialogue, QString chemin)
{
    if (f.Modifie && !f.DemanderEnregistrement())
        return;
    try {
        if (avecDialogue) {
            DemandeFichier demande;
            demande.sorte = SorteDialogue::Ouvrir;
            demande.repertoire = f.RepProjet;
            demande.filtre = QStringLiteral("Projet Kalvindo (*.kvp)");
            const ReponseFichier reponse = DemanderFichier(demande);
            if (!reponse.accepte || reponse.fichiers.isEmpty())
                return;
            chemin = reponse.fichiers.first();
        }
        CurseurSablier sablier;
        f.Formulaire()->FctPano->setCurrentIndex(0);
        f.EtatProjet(true, false);
        f.Modifie = false;
        f.ReinitialiserClick();

        const QFileInfo info(chemin);
        f.RepProjet = info.absolutePath();
        f.NomProjet = info.fileName();
        f.setWindowTitle(TitreProjet(f.NomProjet));

        LireFichierProjet(f, chemin);
        f.AnglePixel_ = AngleParPixel(LireFichierImage(ListeImgs.front()).Chemin());

        for (TInfosImg& img : ListeImgs) {
            EcrireChaineCourte(img.Version, VersionPgm().left(5));
            for (int k = 0; k < 4; ++k)
                img.PatchsPts[k] = k < img.NbPtsControle ? NouveauPatch() : 0;
            for (int k = 0; k < 2; ++k)
                img.PatchsHoriz[k] = k < img.NbPtsHoriz ? NouveauPatch() : 0;
        }

        f.PtsControlShow();
        InitialiserHarmonisation(ListeImgs, f.ChoixImg());
        RemplirListeReprise(ListeImgs, f.ChoixImg());
        f.Formulaire()->AssemblerImg->setEnabled(true);
        f.Formulaire()->SupprPtC->setEnabled(true);
        // Une seule image reprend la ligne vide sans changer le nombre de lignes.
        f.Formulaire()->ListImgs->Repaint();
    } catch (const std::exception&) {
        AfficherMessage(TypeMessage::Avertissement, MsgProjetIllisible);
        f.NouveauPrjClick();
    }
}

void EcrireProjet(const TSeqPano& f)
{
    const QString chemin = f.RepProjet + QLatin1Char('/') + f.NomProjet;
    QByteArray octets;
    octets.reserve(static_cast<qsizetype>(ListeImgs.size() * sizeof(TInfosImg)));
    for (const TInfosImg& img : ListeImgs)
        octets.append(reinterpret_cast<const char*>(&img), TailleEnregistrement);
    if (!RemplacerFichier(chemin, octets.constData(), static_cast<size_t>(octets.size())))
        throw Erreur(QStringLiteral("Le projet n'a pas pu être enregistré dans le fichier « %1 ».")
                         .arg(QDir::toNativeSeparators(chemin)));
}

// Enregistrement sous le nom courant ; l'erreur d'écriture remonte à l'appelant.
void EnregistrerPrj(TSeqPano& f)
{
    if (f.NomProjet.isEmpty()) {
        f.EnregistrerPrjsousClick();
        return;
    }
    EcrireProjet(f);
    f.EtatProjet(false, true);
}

}  // namespace

void TSeqPano::MarquerModifie()
{
    Modifie = true;
    ui->EnregistrerPrj->setEnabled(true);
    ui->EnregistrerPrjsous->setEnabled(true);
}

void TSeqPano::EtatProjet(bool modifie, bool Garder)
{
    Modifie = modifie;
    if (modifie) {
        MarquerModifie();
        ui->ChargerSerieImgs->setEnabled(false);
        ui->ChargerUneImage->setEnabled(false);
        ui->AssemblerImg->setEnabled(true);
        ui->SupprPtC->setEnabled(true);
        ui->Info01->hide();
        return;
    }
    if (Garder)
        return;
    NomProjet.clear();
    ui->FctPano->setCurrentIndex(0);
    ui->ChargerSerieImgs->setEnabled(true);
    ui->ChargerUneImage->setEnabled(true);
    ui->EnregistrerPrj->setEnabled(false);
    ui->EnregistrerPrjsous->setEnabled(false);
    ui->AssemblerImg->setEnabled(false);
    ui->FonduImg->setEnabled(false);
    ui->PostHarmo->setEnabled(false);
    ui->EnrgPano->setEnabled(false);
    ui->SupprPtC->setEnabled(false);
    ui->ModeAsmbl->setCurrentIndex(0);
    ui->TypePtCAlignement->setChecked(true);
}

void TSeqPano::ReinitialiserClick()
{
    setWindowTitle(TitreProgramme);
    for (const TInfosImg& img : ListeImgs) {
        LibererBitmap(img.Bitmap);
        for (HPatch p : img.PatchsPts)
            LibererPatch(p);
        for (HPatch p : img.PatchsHoriz)
            LibererPatch(p);
    }

    // Les vues avant leurs pages : chacune est enfant de la suivante. Les
    // classeurs lâchent leurs pages d'un coup, sans en montrer une autre, puis
    // elles partent de la première, que Qt trouve en tête de ses enfants.
    for (auto* vues : {&ImgsG, &ImgsD})
        for (TImage* v : *vues)
            delete v;
    for (auto* defils : {&DefilG, &DefilD})
        for (QScrollArea* d : *defils)
            delete d;
    for (auto* onglets : {&OngletsG, &OngletsD})
        for (TTabSheet* o : *onglets)
            if (o)
                disconnect(o, &TTabSheet::Show, nullptr, nullptr);
    ui->ControlImgG->clear();
    ui->ControlImgD->clear();
    for (auto* onglets : {&OngletsG, &OngletsD})
        for (TTabSheet* o : *onglets)
            delete o;

    ListeImgs.clear();
    ListeImgs.shrink_to_fit();
    PoidsEtapes.clear();
    ImgsD.clear();
    ImgsG.clear();
    DefilD.clear();
    DefilG.clear();
    OngletsD.clear();
    OngletsG.clear();
    for (TPtImg& table : TablesPixels)
        table.Liberer();
    Patchs.clear();
    Patchs.shrink_to_fit();
    TablesPixels.clear();
    TableVignette.Liberer();
    ImgsAssemblage.clear();
    ImgsAssemblage.shrink_to_fit();

    if (BmpPano)
        BmpPano->SetSize(0, 0);
    ui->ImgPano->resize(0, 0);
    // Les chiffres d'un panoramique qui n'existe plus.
    ui->DimPan->clear();
    ui->AnglePan->clear();

    NbImgs = 0;
    ui->ListImgs->SetRowCount(2);
    ui->Info01->show();
    ConserverImgs = false;
    ui->ListImgs->Repaint();
}

bool TSeqPano::DemanderEnregistrement()
{
    if (!Modifie)
        return true;
    switch (AfficherMessage(TypeMessage::Information, MsgEnregistrer, BoutonsMessage::OuiNonAnnuler)) {
    case ReponseMessage::Oui:
        if (NomProjet.isEmpty()) {
            EnregistrerPrjsousClick();
            return !Modifie;
        }
        // Un enregistrement raté annule ce qui devait suivre.
        try {
            EnregistrerPrj(*this);
        } catch (const std::exception& e) {
            AfficherErreur(QString::fromUtf8(e.what()));
            return false;
        }
        return true;
    case ReponseMessage::Non:
        return true;
    default:
        return false;
    }
}

void TSeqPano::NouveauPrjClick()
{
    Protege([&] {
        if (Modifie && !DemanderEnregistrement())
            return;
        EtatProjet(false, false);
        ReinitialiserClick();
    });
}

void TSeqPano::OuvrirPrjClick()
{
    Protege([&] { OuvrirPrj(*this, true, QString()); });
}

void TSeqPano::OuvrirProjet(const QString& chemin)
{
    Protege([&] { OuvrirPrj(*this, false, chemin); });
}

void TSeqPano::EnregistrerPrjClick()
{
    Protege([&] { EnregistrerPrj(*this); });
}

void TSeqPano::EnregistrerPrjsousClick()
{
    Protege([&] {
        DemandeFichier demande;
        demande.sorte = SorteDialogue::Enregistrer;
        demande.repertoire = RepProjet;
        demande.filtre = QStringLiteral("Projet \"Kalvindo\" (*.kvp)");
        demande.extensionDefaut = QStringLiteral("kvp");
        const ReponseFichier reponse = DemanderFichier(demande);
        if (!reponse.accepte || reponse.fichiers.isEmpty())
            return;
        QString chemin = reponse.fichiers.first();
        if (QFileInfo(chemin).suffix().isEmpty())
            chemin += QStringLiteral(".kvp");
        const QFileInfo info(chemin);
        NomProjet = info.fileName();
        setWindowTitle(TitreProjet(NomProjet));
        RepProjet = info.absolutePath();
        EnregistrerPrj(*this);
        EtatProjet(false, true);
    });
}

void TSeqPano::InitPtsImg(int Index)
{
    ::InitPtsImg(Index);
}

void TSeqPano::InitCorrectionsImg(int Index)
{
    ::InitCorrectionsImg(Index);
}
