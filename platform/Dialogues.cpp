#include "platform/Dialogues.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include "platform/Bitmap.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"

namespace {

CrochetsDialogues& Crochets()
{
    static CrochetsDialogues crochets;
    return crochets;
}

QPointer<QWidget>& FenetreParente()
{
    static QPointer<QWidget> parent;
    return parent;
}

QString TitreOuApplication(const QString& titre)
{
    return titre.isEmpty() ? QStringLiteral("Kalvindo") : titre;
}

QMessageBox::Icon IconeDe(TypeMessage type)
{
    switch (type) {
    case TypeMessage::Information: return QMessageBox::Information;
    case TypeMessage::Avertissement: return QMessageBox::Warning;
    case TypeMessage::Question: return QMessageBox::Question;
    case TypeMessage::Erreur: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

ReponseMessage MessageReel(const DemandeMessage& demande)
{
    QMessageBox boite(IconeDe(demande.type), TitreOuApplication(demande.titre), demande.texte,
                      QMessageBox::NoButton, demande.parent ? demande.parent : FenetreParente().data());
    // Boutons en français quelle que soit la traduction chargée de Qt.
    QPushButton* ok = nullptr;
    QPushButton* oui = nullptr;
    QPushButton* non = nullptr;
    QPushButton* annuler = nullptr;
    ReponseMessage fermeture = ReponseMessage::Ok;
    switch (demande.boutons) {
    case BoutonsMessage::Ok:
        ok = boite.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        boite.setDefaultButton(ok);
        boite.setEscapeButton(ok);
        break;
    case BoutonsMessage::OuiNon:
        oui = boite.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
        non = boite.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
        boite.setDefaultButton(oui);
        boite.setEscapeButton(non);
        fermeture = ReponseMessage::Non;
        break;
    case BoutonsMessage::OuiNonAnnuler:
        oui = boite.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
        non = boite.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
        annuler = boite.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
        boite.setDefaultButton(oui);
        boite.setEscapeButton(annuler);
        fermeture = ReponseMessage::Annuler;
        break;
    }
    boite.exec();
    const auto* clic = boite.clickedButton();
    if (clic == nullptr)
        return fermeture;
    if (clic == oui)
        return ReponseMessage::Oui;
    if (clic == non)
        return ReponseMessage::Non;
    if (clic == annuler)
        return ReponseMessage::Annuler;
    return ReponseMessage::Ok;
}

constexpr int CoteApercu = 200;

// Image sous le curseur de la liste, réduite au volet, lue par nos propres
// décodeurs : ce qui s'affiche est ce que le chargement lira. Un fichier
// qu'ils refusent laisse l'aperçu vide.
void MontrerApercu(QLabel* apercu, const QString& chemin)
{
    apercu->clear();
    if (!QFileInfo(chemin).isFile())
        return;
    Bitmap image;
    try {
        ChargerImage(chemin, image);
    } catch (...) {
        return;
    }
    if (image.Empty())
        return;
    QImage vue = image.ImageQt();
    if (vue.width() > CoteApercu || vue.height() > CoteApercu)
        vue = vue.scaled(CoteApercu, CoteApercu, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    apercu->setPixmap(QPixmap::fromImage(vue));
}

// Volet d'aperçu à droite de la liste des fichiers (dialogue de Qt lui-même,
// le seul qui accepte un volet de plus).
void AjouterApercu(QFileDialog& dialogue)
{
    dialogue.setOption(QFileDialog::DontUseNativeDialog);
    auto* grille = qobject_cast<QGridLayout*>(dialogue.layout());
    if (grille == nullptr)
        return;
    auto* apercu = new QLabel(&dialogue);
    apercu->setObjectName(QStringLiteral("Apercu"));
    apercu->setFixedSize(CoteApercu + 4, CoteApercu + 4);
    apercu->setAlignment(Qt::AlignCenter);
    apercu->setFrameShape(QFrame::StyledPanel);
    grille->addWidget(apercu, 1, grille->columnCount(), Qt::AlignTop);
    // Le volet s'ajoute à la largeur habituelle de la liste au lieu de la prendre.
    dialogue.resize(dialogue.width() + CoteApercu, dialogue.height());
    QObject::connect(&dialogue, &QFileDialog::currentChanged, apercu,
                     [apercu](const QString& chemin) { MontrerApercu(apercu, chemin); });
}

ReponseFichier FichierReel(const DemandeFichier& demande)
{
    QFileDialog dialogue(FenetreParente().data(), demande.titre, demande.repertoire, demande.filtre);
    if (demande.sorte == SorteDialogue::OuvrirImages)
        AjouterApercu(dialogue);
    const bool enregistrer = demande.sorte == SorteDialogue::Enregistrer;
    dialogue.setAcceptMode(enregistrer ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (enregistrer)
        dialogue.setFileMode(QFileDialog::AnyFile);
    else
        dialogue.setFileMode(demande.plusieurs ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    QString extension = demande.extensionDefaut;
    if (extension.startsWith(QLatin1Char('.')))
        extension.remove(0, 1);
    if (!extension.isEmpty())
        dialogue.setDefaultSuffix(extension);
    const QStringList filtres = demande.filtre.split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (demande.indexFiltre >= 0 && demande.indexFiltre < filtres.size())
        dialogue.selectNameFilter(filtres.at(demande.indexFiltre));
    if (!demande.nom.isEmpty())
        dialogue.selectFile(demande.nom);

    ReponseFichier reponse;
    reponse.indexFiltre = demande.indexFiltre;
    if (dialogue.exec() != QDialog::Accepted)
        return reponse;
    reponse.fichiers = dialogue.selectedFiles();
    reponse.accepte = !reponse.fichiers.isEmpty();
    const int index = filtres.indexOf(dialogue.selectedNameFilter());
    if (index >= 0)
        reponse.indexFiltre = index;
    return reponse;
}

}  // namespace

void DefinirCrochetsDialogues(const CrochetsDialogues& crochets)
{
    Crochets() = crochets;
}

const CrochetsDialogues& CrochetsActuels()
{
    return Crochets();
}

ReponseMessage AfficherMessage(const DemandeMessage& demande)
{
    // Copie : le crochet peut en installer un autre pendant son appel.
    const auto crochet = Crochets().message;
    if (crochet)
        return crochet(demande);
    return MessageReel(demande);
}

ReponseMessage AfficherMessage(TypeMessage type, const QString& texte, BoutonsMessage boutons)
{
    DemandeMessage demande;
    demande.type = type;
    demande.texte = texte;
    demande.boutons = boutons;
    return AfficherMessage(demande);
}

ReponseFichier DemanderFichier(const DemandeFichier& demande)
{
    const auto crochet = Crochets().fichier;
    if (crochet)
        return crochet(demande);
    return FichierReel(demande);
}

void DefinirFenetreParente(QWidget* parent)
{
    FenetreParente() = parent;
}

void AfficherErreur(const QString& message)
{
    AfficherMessage(TypeMessage::Erreur, message, BoutonsMessage::Ok);
}
