#include "app/DlgEnrgNavigation.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QStackedLayout>
#include <QTreeView>

#include "platform/Dialogues.h"
#include "platform/Erreur.h"

namespace {

void Configurer(QAbstractItemView* vue)
{
    vue->setSelectionMode(QAbstractItemView::SingleSelection);
    vue->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    vue->setContextMenuPolicy(Qt::CustomContextMenu);
}

// Sans lui, le modèle ne prend ses icônes que dans le thème du bureau : sans
// thème, les dossiers ressemblaient à des fichiers. Celui-ci les prend au
// style. Il sert au fil de lecture des modèles jusqu'à leur fin : il vit
// autant que le programme.
QFileIconProvider* Icones()
{
    static QFileIconProvider icones;
    return &icones;
}

}

TShellListView::TShellListView(QWidget* parent)
    : QWidget(parent),
      modele_(new QFileSystemModel(this)),
      liste_(new QListView(this)),
      details_(new QTreeView(this)),
      pile_(new QStackedLayout(this))
{
    // Renommer sur place passe par le modèle : il ne doit pas être en lecture seule.
    modele_->setReadOnly(false);
    modele_->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
    modele_->setNameFilterDisables(false);
    modele_->setIconProvider(Icones());

    liste_->setModel(modele_);
    liste_->setViewMode(QListView::ListMode);
    liste_->setFlow(QListView::TopToBottom);
    liste_->setWrapping(true);
    liste_->setResizeMode(QListView::Adjust);
    details_->setModel(modele_);
    details_->setSelectionModel(liste_->selectionModel());
    details_->setRootIsDecorated(false);
    details_->setItemsExpandable(false);
    details_->setSortingEnabled(true);
    details_->sortByColumn(0, Qt::AscendingOrder);
    details_->header()->setStretchLastSection(false);
    details_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (QAbstractItemView* vue : {static_cast<QAbstractItemView*>(liste_), static_cast<QAbstractItemView*>(details_)}) {
        Configurer(vue);
        connect(vue, &QAbstractItemView::doubleClicked, this, &TShellListView::DoubleClic);
        connect(vue, &QWidget::customContextMenuRequested, this,
                [this, vue](const QPoint& p) { MenuContextuel(vue, p); });
    }
    connect(liste_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& courant) {
                if (courant.isValid())
                    emit ItemSelected(courant);
            });

    pile_->setContentsMargins(0, 0, 0, 0);
    pile_->addWidget(liste_);
    pile_->addWidget(details_);
    DefinirChemin(QDir::homePath());
}

void TShellListView::DefinirChemin(const QString& chemin)
{
    QString c = QDir::cleanPath(QDir(chemin).absolutePath());
    while (!QFileInfo(c).isDir() && c != Racine())
        c = QFileInfo(c).path();
    if (c == chemin_)
        return;
    chemin_ = c;
    const QModelIndex racine = modele_->setRootPath(c);
    liste_->setRootIndex(racine);
    details_->setRootIndex(racine);
    liste_->selectionModel()->clear();
    emit CheminChange(chemin_);
}

void TShellListView::Remonter()
{
    if (!EstBureau())
        DefinirChemin(QFileInfo(chemin_).path());
}

void TShellListView::DefinirMasque(const QString& masque)
{
    masque_ = masque;
    modele_->setNameFilters(QStringList(masque.isEmpty() ? QStringLiteral("*") : masque));
}

QModelIndex TShellListView::CreerDossier()
{
    const QString base = QStringLiteral("Nouveau dossier");
    QString nom = base;
    for (int n = 2; QFileInfo::exists(QDir(chemin_).filePath(nom)); ++n)
        nom = QStringLiteral("%1 (%2)").arg(base).arg(n);
    const QModelIndex index = modele_->mkdir(modele_->index(chemin_), nom);
    if (!index.isValid())
        throw Erreur(QStringLiteral("Impossible de créer le dossier %1").arg(QDir(chemin_).filePath(nom)));
    QAbstractItemView* vue = VueActive();
    vue->setCurrentIndex(index);
    vue->edit(index);
    return index;
}

void TShellListView::VueListe()
{
    pile_->setCurrentWidget(liste_);
}

void TShellListView::VueDetails()
{
    pile_->setCurrentWidget(details_);
}

bool TShellListView::EnDetails() const
{
    return pile_->currentWidget() == details_;
}

QAbstractItemView* TShellListView::VueActive() const
{
    return EnDetails() ? static_cast<QAbstractItemView*>(details_) : liste_;
}

QModelIndex TShellListView::Selectionne() const
{
    const QModelIndexList choix = liste_->selectionModel()->selectedRows();
    return choix.isEmpty() ? QModelIndex() : choix.first();
}

void TShellListView::Selectionner(const QString& nom)
{
    const QModelIndex index = modele_->index(QDir(chemin_).filePath(nom));
    if (index.isValid())
        liste_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString TShellListView::CheminElement(const QModelIndex& index) const
{
    return index.isValid() ? modele_->filePath(index) : QString();
}

QString TShellListView::NomElement(const QModelIndex& index) const
{
    return index.isValid() ? modele_->fileName(index) : QString();
}

bool TShellListView::EstDossier(const QModelIndex& index) const
{
    return index.isValid() && modele_->isDir(index);
}

void TShellListView::DoubleClic(const QModelIndex& index)
{
    Protege([&] {
        if (EstDossier(index))
            DefinirChemin(CheminElement(index));
        emit DblClick();
    });
}

void TShellListView::MenuContextuel(QAbstractItemView* vue, const QPoint& position)
{
    const QModelIndex index = vue->indexAt(position);
    QMenu menu(this);
    if (index.isValid()) {
        if (EstDossier(index))
            menu.addAction(QStringLiteral("Ouvrir"), this, [this, index] { DefinirChemin(CheminElement(index)); });
        menu.addAction(QStringLiteral("Renommer"), this, [vue, index] { vue->edit(index); });
        menu.addAction(QStringLiteral("Supprimer"), this, [this, index] { Supprimer(index); });
        menu.addSeparator();
    }
    QAction* nouveau = menu.addAction(QStringLiteral("Nouveau dossier"), this, [this] { Protege([this] { CreerDossier(); }); });
    nouveau->setEnabled(!EstBureau());
    menu.exec(vue->viewport()->mapToGlobal(position));
}

void TShellListView::Supprimer(const QModelIndex& index)
{
    const QString chemin = CheminElement(index);
    const QString nom = NomElement(index);
    if (AfficherMessage(TypeMessage::Question, QStringLiteral("Mettre « %1 » à la corbeille ?").arg(nom),
                        BoutonsMessage::OuiNon) != ReponseMessage::Oui)
        return;
    // Jamais de suppression définitive : ce qui ne va pas à la corbeille reste.
    if (!QFile::moveToTrash(chemin))
        AfficherErreur(QStringLiteral("Impossible de mettre « %1 » à la corbeille").arg(nom));
}

TShellComboBox::TShellComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this](int i) {
        if (liste_)
            liste_->DefinirChemin(itemData(i).toString());
    });
}

void TShellComboBox::Lier(TShellListView* liste)
{
    liste_ = liste;
    connect(liste, &TShellListView::CheminChange, this, &TShellComboBox::Remplir);
    Remplir(liste->Chemin());
}

void TShellComboBox::Remplir(const QString& chemin)
{
    QStringList ancetres;
    for (QString c = chemin; ; c = QFileInfo(c).path()) {
        ancetres.prepend(c);
        if (c == TShellListView::Racine() || c == QFileInfo(c).path())
            break;
    }
    clear();
    for (int i = 0; i < ancetres.size(); ++i) {
        const QString nom = i == 0 ? ancetres[i] : QFileInfo(ancetres[i]).fileName();
        addItem(QString(i * 2, QLatin1Char(' ')) + nom, ancetres[i]);
    }
    setCurrentIndex(count() - 1);
}
