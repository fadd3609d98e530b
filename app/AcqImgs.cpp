#include "app/AcqImgs.h"

#include <algorithm>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QUrl>

#include "app/APropos.h"
#include "app/Preferences.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Cp1252.h"
#include "platform/Dialogues.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "platform/Systeme.h"
#include "platform/TabSheet.h"
#include "ui_TSeqPano.h"

TSeqPano* FenetreSeqPano = nullptr;

namespace {

constexpr int LargeurMin = 1000;
constexpr int HauteurMin = 680;
constexpr int LargeurPanneauMemoire = 150;

const std::string SectionFenetre = "MainWindow";
const std::string SectionRepertoire = "R\xE9pertoire";  // « Répertoire » en Windows-1252
const std::string SectionJpeg = "JPEG";

QString& CheminImpose()
{
    static QString chemin;
    return chemin;
}

// Un nom que la ligne « clé=valeur » ne rendrait pas entier : fin de ligne ou
// nul, blanc rogné aux bords, guillemets ôtés, ou « ? » de tête, qui marque
// la forme codée.
bool HorsFormatIni(const QString& texte)
{
    const auto blanc = [](QChar c) {
        return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == u'\x1A';
    };
    if (texte.isEmpty())
        return false;
    const QChar premier = texte.front(), dernier = texte.back();
    return texte.contains(u'\n') || texte.contains(u'\r') || texte.contains(QChar(0)) || blanc(premier) ||
           blanc(dernier) || premier == u'?' ||
           (texte.size() >= 2 && (premier == u'"' || premier == u'\'') && dernier == premier);
}

// Les dossiers suivent la règle des noms stockés : Windows-1252, ou UTF-8
// pour un nom que cette page ne sait pas écrire. Un nom hors du format de
// ligne part en UTF-8 codé %XX derrière « ? », qu'aucun chemin de dossier ne
// porte en tête : les fichiers déjà écrits se lisent comme avant.
std::string VersIni(const QString& texte)
{
    if (HorsFormatIni(texte))
        return "?" + texte.toUtf8().toPercentEncoding("/").toStdString();
    return OctetsNom(texte);
}

QString DepuisIni(const std::string& octets)
{
    if (!octets.empty() && octets.front() == '?')
        return QString::fromUtf8(QByteArray::fromPercentEncoding(QByteArray::fromStdString(octets.substr(1))));
    return NomStocke(octets);
}

// Un fichier présent mais refusé à la lecture : le programme part des défauts.
void SignalerReglagesIgnores(const TFichierIni& ini)
{
    QString raison;
    switch (ini.Lecture()) {
    case LectureIni::Lu:
    case LectureIni::Absent: return;
    case LectureIni::PasOrdinaire: raison = QStringLiteral("n'est pas un fichier ordinaire"); break;
    case LectureIni::TropGrand: raison = QStringLiteral("dépasse %1 Mio").arg(TailleIniMax >> 20); break;
    case LectureIni::Illisible: raison = QStringLiteral("ne peut pas être lu"); break;
    }
    AfficherMessage(TypeMessage::Avertissement,
                    QStringLiteral("Le fichier de réglages « %1 » %2 : le programme démarre avec les "
                                   "réglages par défaut.")
                        .arg(QDir::toNativeSeparators(CheminReglages()), raison));
}

// Le panoramique créé au démarrage ; un panoramique posé par ailleurs (banc
// d'essai) n'est ni remplacé ni libéré ici.
std::unique_ptr<Bitmap>& PanoramiqueCree()
{
    static std::unique_ptr<Bitmap> panoramique;
    return panoramique;
}

QLabel* PanneauStatut(const QStatusBar* barre, int numero)
{
    return barre->findChild<QLabel*>(QStringLiteral("PanneauStatut%1").arg(numero));
}

}  // namespace

QString CheminReglages()
{
    if (!CheminImpose().isEmpty())
        return CheminImpose();
    const QFileInfo exe(CheminExecutable());
    return exe.path() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
}

void ImposerCheminReglages(const QString& chemin)
{
    CheminImpose() = chemin;
}

TSeqPano::TSeqPano(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::TSeqPano>())
{
    FenetreSeqPano = this;
    SeqPano = this;
    ui->setupUi(this);
    DefinirFenetreParente(this);

    auto* panneau0 = new QLabel(ui->InfosStatut);
    panneau0->setObjectName(QStringLiteral("PanneauStatut0"));
    panneau0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    panneau0->setMaximumWidth(850);
    ui->InfosStatut->addWidget(panneau0, 1);
    auto* panneau1 = new QLabel(ui->InfosStatut);
    panneau1->setObjectName(QStringLiteral("PanneauStatut1"));
    panneau1->setFixedWidth(LargeurPanneauMemoire);
    panneau1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panneau1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    // Le texte de la charge mémoire doit tenir dans les 150 pixels du panneau.
    QFont petite = panneau1->font();
    const QString plusLong = QStringLiteral("Mémoire utilisée : 100 %     ");
    while (petite.pointSizeF() > 6 &&
           QFontMetrics(petite).horizontalAdvance(plusLong) > LargeurPanneauMemoire - 2 * panneau1->frameWidth())
        petite.setPointSizeF(petite.pointSizeF() - 0.5);
    panneau1->setFont(petite);
    ui->InfosStatut->addPermanentWidget(panneau1);

    const struct {
        QAction* action;
        QStyle::StandardPixmap icone;
    } icones[] = {
        {ui->ChargerSerieImgs, QStyle::SP_DirOpenIcon},
        {ui->ChargerUneImage, QStyle::SP_FileIcon},
        {ui->NouveauPrj, QStyle::SP_FileDialogNewFolder},
        {ui->OuvrirPrj, QStyle::SP_DialogOpenButton},
        {ui->EnregistrerPrj, QStyle::SP_DialogSaveButton},
        {ui->EnregistrerPrjsous, QStyle::SP_DriveFDIcon},
        {ui->EnrgPano, QStyle::SP_DesktopIcon},
        {ui->Prefs, QStyle::SP_FileDialogDetailedView},
        {ui->Quitter, QStyle::SP_DialogCloseButton},
        {ui->FichierAide, QStyle::SP_DialogHelpButton},
        {ui->Apropos, QStyle::SP_MessageBoxInformation},
    };
    for (const auto& i : icones)
        i.action->setIcon(style()->standardIcon(i.icone));

    connect(ui->PtsControl, &TTabSheet::Resize, this, [this] { Protege([&] { DisposerPtsControl(); }); });

    Protege([&] { FormCreate(); });
}

TSeqPano::~TSeqPano()
{
    DefinirFenetreParente(nullptr);
    if (SeqPano == this)
        SeqPano = nullptr;
    if (FenetreSeqPano == this)
        FenetreSeqPano = nullptr;
}

void TSeqPano::FormCreate()
{
    FichierIni = std::make_unique<TFichierIni>(QFile::encodeName(CheminReglages()).toStdString());
    SignalerReglagesIgnores(*FichierIni);
    const QRect ecran = QGuiApplication::primaryScreen()
                            ? QGuiApplication::primaryScreen()->geometry()
                            : QRect(0, 0, LargeurMin, HauteurMin);

    if (FichierIni->ReadString(SectionFenetre, "Statut", "Normal") == "Maximized") {
        // Taille de départ, centrée, pour le retour à l'état normal.
        resize(LargeurMin, HauteurMin);
        move((ecran.width() - LargeurMin) / 2, (ecran.height() - HauteurMin) / 2);
        setWindowState(windowState() | Qt::WindowMaximized);
    } else {
        // Jamais plus grande que le bureau (sauf sa taille minimale), comme
        // Windows la borne ; une position hors de toute mesure est ramenée
        // au bord du bureau, puis au centre plus bas, sans déborder les int.
        const QRect bureau = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->virtualGeometry()
                                                              : ecran;
        const int largeur = std::clamp(FichierIni->ReadInteger(SectionFenetre, "Width", LargeurMin), LargeurMin,
                                       std::max(LargeurMin, bureau.width()));
        const int hauteur = std::clamp(FichierIni->ReadInteger(SectionFenetre, "Height", HauteurMin), HauteurMin,
                                       std::max(HauteurMin, bureau.height()));
        resize(largeur, hauteur);
        const int gauche = std::clamp(FichierIni->ReadInteger(SectionFenetre, "Left", (ecran.width() - largeur) / 2),
                                      bureau.left() - largeur, bureau.right() + 1);
        const int haut = std::clamp(FichierIni->ReadInteger(SectionFenetre, "Top", (ecran.height() - hauteur) / 2),
                                    bureau.top() - hauteur, bureau.bottom() + 1);
        move(gauche, haut);
        // Une fenêtre laissée hors de tous les écrans actuels revient au centre.
        bool visible = false;
        for (const QScreen* s : QGuiApplication::screens())
            visible = visible || s->geometry().intersects(QRect(gauche, haut, largeur, hauteur));
        if (!visible && !QGuiApplication::screens().isEmpty())
            move((ecran.width() - largeur) / 2, (ecran.height() - hauteur) / 2);
    }
    RepProjet = DepuisIni(FichierIni->ReadString(SectionRepertoire, "Projet", ""));
    RepImage = DepuisIni(FichierIni->ReadString(SectionRepertoire, "Image", ""));
    RepPano = DepuisIni(FichierIni->ReadString(SectionRepertoire, "Panoramique", ""));
    QualJpg = std::clamp(FichierIni->ReadInteger(SectionJpeg, "QualJpg", 90), 0, 100);

    EtatProjet(false, false);

    if (!BmpPano) {
        PanoramiqueCree() = std::make_unique<Bitmap>();
        BmpPano = PanoramiqueCree().get();
    }

    ReinitialiserClick();

    NbImgs = 0;
    ui->LRecouvr->setText(QString::number(LargeurRecouvrement));
    Kr = 1.0L;

    // Le gestionnaire d'attente : chaque fois que la boucle va attendre.
    if (QAbstractEventDispatcher* boucle = QAbstractEventDispatcher::instance())
        connect(boucle, &QAbstractEventDispatcher::aboutToBlock, this, &TSeqPano::AfficherMemoire,
                Qt::UniqueConnection);

    // Un chemin à blancs donné sans guillemets arrive en plusieurs paramètres.
    LigneCommande = QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    if (!LigneCommande.isEmpty() && QFileInfo(LigneCommande).isFile())
        OuvrirProjet(LigneCommande);
}

void TSeqPano::closeEvent(QCloseEvent* event)
{
    FormClose(event);
}

void TSeqPano::FormClose(QCloseEvent* event)
{
    bool fermer = false;
    Protege([&] {
        if (!DemanderEnregistrement())
            return;
        if (FichierIni) {
            // Un fichier impossible à écrire est signalé mais n'empêche pas de fermer.
            const bool agrandie = isMaximized();
            bool ecrit = FichierIni->WriteString(SectionFenetre, "Statut", agrandie ? "Maximized" : "Normal");
            ecrit &= FichierIni->WriteInteger(SectionFenetre, "Left", x());
            ecrit &= FichierIni->WriteInteger(SectionFenetre, "Top", y());
            ecrit &= FichierIni->WriteInteger(SectionFenetre, "Width", width());
            ecrit &= FichierIni->WriteInteger(SectionFenetre, "Height", height());
            ecrit &= FichierIni->WriteString(SectionRepertoire, "Projet", VersIni(RepProjet));
            ecrit &= FichierIni->WriteString(SectionRepertoire, "Image", VersIni(RepImage));
            ecrit &= FichierIni->WriteString(SectionRepertoire, "Panoramique", VersIni(RepPano));
            ecrit &= FichierIni->WriteInteger(SectionJpeg, "QualJpg", QualJpg);
            ecrit &= FichierIni->UpdateFile();
            if (!ecrit)
                AfficherMessage(TypeMessage::Avertissement,
                                QStringLiteral("Les réglages n'ont pas pu être enregistrés dans le fichier « %1 ».")
                                    .arg(QDir::toNativeSeparators(CheminReglages())));
            FichierIni.reset();
        }
        fermer = true;
        ReinitialiserClick();
        if (BmpPano == PanoramiqueCree().get()) {
            PanoramiqueCree().reset();
            BmpPano = nullptr;
        }
    });
    if (fermer)
        event->accept();
    else
        event->ignore();
}

void TSeqPano::QuitterClick()
{
    close();
}

void TSeqPano::FichierAideClick()
{
    Protege([&] {
        const QString aide = QFileInfo(CheminExecutable()).path() + QStringLiteral("/Kalvindo.hlp");
        if (!QFileInfo(aide).isFile()) {
            AfficherMessage(TypeMessage::Avertissement,
                            QStringLiteral("Le fichier d'aide « %1 » est introuvable.")
                                .arg(QDir::toNativeSeparators(aide)));
            return;
        }
        const TailleBorneeParDefaut pourLaVisionneuse;
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(aide)))
            AfficherMessage(TypeMessage::Avertissement,
                            QStringLiteral("Le fichier d'aide « %1 » n'a pas pu être ouvert.")
                                .arg(QDir::toNativeSeparators(aide)));
    });
}

void TSeqPano::AfficherMemoire()
{
    QLabel* panneau = PanneauStatut(ui->InfosStatut, 1);
    if (!panneau)
        return;
    const QString texte =
        QStringLiteral("Mémoire utilisée : ") + QString::number(ChargeMemoire()) + QStringLiteral(" %     ");
    if (panneau->text() != texte)
        panneau->setText(texte);
}

void TSeqPano::InfosStatutResize()
{
    if (QLabel* panneau = PanneauStatut(ui->InfosStatut, 0))
        panneau->setMaximumWidth(std::max(width() - LargeurPanneauMemoire, 0));
}

void TSeqPano::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    InfosStatutResize();
}

void TSeqPano::PrefsClick()
{
    if (Prefers)
        Prefers->exec();
}

void TSeqPano::AproposClick()
{
    if (InfosPgm)
        InfosPgm->exec();
}
