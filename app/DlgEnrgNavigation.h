#pragma once
// Parcours des dossiers du dialogue d'enregistrement : la liste d'un dossier
// (vue liste ou détails, fichiers filtrés par un masque) et la liste déroulante
// du dossier courant et de ses ancêtres. La racine de l'espace de noms, le
// « Bureau », est la racine "/" du système de fichiers.

#include <QComboBox>
#include <QModelIndex>
#include <QString>
#include <QWidget>

class QFileSystemModel;
class QListView;
class QTreeView;
class QStackedLayout;
class QAbstractItemView;

class TShellListView : public QWidget
{
    Q_OBJECT
public:
    explicit TShellListView(QWidget* parent = nullptr);

    static QString Racine() { return QStringLiteral("/"); }

    // Dossier montré, chemin absolu sans "/" final (sauf la racine).
    QString Chemin() const { return chemin_; }
    // Un chemin qui n'existe pas mène à son plus proche ancêtre existant.
    void DefinirChemin(const QString& chemin);
    bool EstBureau() const { return chemin_ == Racine(); }
    void Remonter();

    // Masque de fichiers à la manière de Windows ("*.jpg"), sans casse ; les dossiers restent.
    void DefinirMasque(const QString& masque);
    QString Masque() const { return masque_; }

    // Crée "Nouveau dossier" (numéroté s'il existe) et ouvre la saisie de son nom.
    QModelIndex CreerDossier();
    void VueListe();
    void VueDetails();
    bool EnDetails() const;

    QModelIndex Selectionne() const;
    void Selectionner(const QString& nom);
    QString CheminElement(const QModelIndex& index) const;
    QString NomElement(const QModelIndex& index) const;
    bool EstDossier(const QModelIndex& index) const;

    QFileSystemModel* Modele() const { return modele_; }
    QAbstractItemView* VueActive() const;

signals:
    void ItemSelected(const QModelIndex& index);
    void DblClick();
    void CheminChange(const QString& chemin);

private:
    void DoubleClic(const QModelIndex& index);
    void MenuContextuel(QAbstractItemView* vue, const QPoint& position);
    void Supprimer(const QModelIndex& index);

    QFileSystemModel* modele_;
    QListView* liste_;
    QTreeView* details_;
    QStackedLayout* pile_;
    QString chemin_;
    QString masque_;
};

// Le dossier courant de la liste et ses ancêtres ; un choix y mène la liste.
class TShellComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TShellComboBox(QWidget* parent = nullptr);
    void Lier(TShellListView* liste);

private:
    void Remplir(const QString& chemin);

    TShellListView* liste_ = nullptr;
};
