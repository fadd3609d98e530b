#include "app/DlgEnrg.h"

#include <QDir>
#include <QFileInfo>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStyle>

#include "platform/Dialogues.h"
#include "platform/Erreur.h"
#include "ui_TDialogEnrg.h"

namespace {

// Dossier (jusqu'au dernier "/" compris) et nom d'un chemin.
QString PartieDossier(const QString& chemin)
{
    return chemin.left(chemin.lastIndexOf(QLatin1Char('/')) + 1);
}

QString PartieNom(const QString& chemin)
{
    return chemin.mid(chemin.lastIndexOf(QLatin1Char('/')) + 1);
}

// Un nom tapé avec son dossier vaut ce chemin : absolu tel quel, relatif à
// partir du dossier affiché.
QString Chemin(const QString& dossier, const QString& nom)
{
    if (!nom.contains(QLatin1Char('/')))
        return dossier + QLatin1Char('/') + nom;
    return QDir::cleanPath(QDir(dossier).filePath(nom));
}

}

TDialogEnrg::TDialogEnrg(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TDialogEnrg>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(418, HauteurJpeg - HauteurCadre);
    QStyle* s = style();
    ui->RepPrec->setIcon(s->standardIcon(QStyle::SP_FileDialogToParent));
    ui->Bureau->setIcon(s->standardIcon(QStyle::SP_DesktopIcon));
    ui->NouvRep->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    ui->AffListe->setIcon(s->standardIcon(QStyle::SP_FileDialogListView));
    ui->AffDetails->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    ui->ShellComboBox->Lier(ui->ShellListView);
    // La valeur suit le libellé, quelle que soit la largeur de la police.
    const int fin = ui->LQualite->x() + ui->LQualite->fontMetrics().horizontalAdvance(ui->LQualite->text()) + 6;
    if (fin > ui->FQJpg->x())
        ui->FQJpg->move(fin, ui->FQJpg->y());
}

TDialogEnrg::~TDialogEnrg() = default;

void TDialogEnrg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Protege([this] { FormShow(); });
}

void TDialogEnrg::DefinirHauteur(int hauteur)
{
    setFixedHeight(hauteur - HauteurCadre);
}

QString TDialogEnrg::ChangerExtension(const QString& nom, const QString& extension)
{
    const int point = nom.lastIndexOf(QLatin1Char('.'));
    if (point < 0 || point < nom.lastIndexOf(QLatin1Char('/')))
        return nom + extension;
    return nom.left(point) + extension;
}

void TDialogEnrg::FormShow()
{
    RepInitial = PartieDossier(NomEnrg);
    // Sans dossier de départ, le dossier personnel tient lieu de "C:\".
    if (RepInitial.isEmpty())
        RepInitial = QDir::homePath() + QLatin1Char('/');
    ui->ShellListView->DefinirChemin(RepInitial);
    ui->NomFch->setText(PartieNom(NomEnrg));
    ui->CursQJpg->setValue(JpgQual);
    CursQJpgChange();
    RemplirTypes(Filtres);
    {
        const QSignalBlocker bloqueur(ui->TypeFch);
        ui->TypeFch->setCurrentIndex(IndXFiltre > 0 && IndXFiltre <= ui->TypeFch->count() ? IndXFiltre - 1 : 0);
    }
    TypeFchChange();
}

void TDialogEnrg::RemplirTypes(QString s)
{
    const QSignalBlocker bloqueur(ui->TypeFch);
    ui->TypeFch->clear();
    int p;
    do {
        p = s.indexOf(QLatin1Char('|'));
        QString entree;
        if (p >= 0) {
            entree = s.left(p);
            s.remove(0, p + 1);
        } else {
            entree = s;
        }
        ui->TypeFch->addItem(entree);
    } while (p >= 0);
}

void TDialogEnrg::TypeFchChange()
{
    IndXFiltre = ui->TypeFch->currentIndex() + 1;
    QString masque = ui->TypeFch->currentText();
    masque = masque.mid(masque.indexOf(QLatin1Char('(')) + 1);
    masque.chop(1);
    ui->ShellListView->DefinirMasque(masque);
    if (!ui->NomFch->text().isEmpty())
        ui->NomFch->setText(ChangerExtension(ui->NomFch->text(), masque.mid(1, 4)));
    DefinirHauteur(masque == QLatin1String("*.jpg") ? HauteurJpeg : HauteurAutre);
}

void TDialogEnrg::CursQJpgChange()
{
    ui->FQJpg->setText(QString::number(ui->CursQJpg->value()));
    JpgQual = ui->CursQJpg->value();
}

bool TDialogEnrg::RemplacementAccepte(const QString& chemin)
{
    if (!(Options & ofOverwritePrompt) || !QFileInfo::exists(chemin))
        return true;
    // Fille modale du dialogue : posée sur lui, pas derrière sous la fenêtre principale.
    DemandeMessage demande;
    demande.type = TypeMessage::Question;
    demande.texte = QStringLiteral("%1 existe déjà.\nVoulez-vous le remplacer ?").arg(chemin);
    demande.boutons = BoutonsMessage::OuiNon;
    demande.parent = this;
    return AfficherMessage(demande) == ReponseMessage::Oui;
}

void TDialogEnrg::EnregistrerClick()
{
    QString dir = ui->ShellListView->Chemin();
    // Seul un vrai dossier du système de fichiers peut recevoir le fichier.
    if (!QFileInfo(dir).isDir())
        return;
    while (dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    const QString nom = ui->NomFch->text();
    const QFileInfo tape(Chemin(dir, nom));
    // Un dossier tapé s'ouvre, comme sur un double-clic, au lieu de recevoir
    // le fichier à côté de lui.
    if (!nom.isEmpty() && tape.isDir()) {
        ui->ShellListView->DefinirChemin(tape.filePath());
        ui->NomFch->clear();
        return;
    }
    bool fini = false;
    if (tape.isFile()) {
        fini = true;
    } else if (!PartieNom(nom).isEmpty()) {
        ui->NomFch->setText(ChangerExtension(nom, ui->ShellListView->Masque().mid(1, 4)));
        fini = true;
    }
    NomEnrg = Chemin(dir, ui->NomFch->text());
    if (fini && RemplacementAccepte(NomEnrg))
        accept();
}

void TDialogEnrg::ShellListViewItemSelected(const QModelIndex& Item)
{
    if (!ui->ShellListView->EstDossier(Item))
        ui->NomFch->setText(ui->ShellListView->NomElement(Item));
}

void TDialogEnrg::ShellListViewDblClick()
{
    const QString chemin = ui->ShellListView->CheminElement(ui->ShellListView->Selectionne());
    if (!chemin.isEmpty() && QFileInfo(chemin).isFile() && RemplacementAccepte(chemin)) {
        NomEnrg = chemin;
        accept();
    }
}

void TDialogEnrg::RepPrecClick()
{
    ui->ShellListView->Remonter();
}

void TDialogEnrg::BureauClick()
{
    while (!ui->ShellListView->EstBureau())
        ui->ShellListView->Remonter();
}

void TDialogEnrg::NouvRepClick()
{
    Protege([this] {
        if (!ui->ShellListView->EstBureau())
            ui->ShellListView->CreerDossier();
    });
}

void TDialogEnrg::AffListeClick()
{
    ui->ShellListView->VueListe();
}

void TDialogEnrg::AffDetailsClick()
{
    ui->ShellListView->VueDetails();
}

void TDialogEnrg::AnnulerClick()
{
    reject();
}
