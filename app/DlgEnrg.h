#pragma once
// Dialogue « Enregistrer sous ... » du panoramique : dossier parcouru, nom,
// type (BMP, JPEG, TIFF) et qualité JPEG. Il vit le temps d'un Execute de TBoiteEnrg.

#include <memory>

#include <QDialog>
#include <QFlags>
#include <QModelIndex>
#include <QString>

namespace Ui {
class TDialogEnrg;
}

enum OptionEnrg { ofOverwritePrompt = 0x1 };
Q_DECLARE_FLAGS(TOptionsEnrg, OptionEnrg)
Q_DECLARE_OPERATORS_FOR_FLAGS(TOptionsEnrg)

class TDialogEnrg : public QDialog
{
    Q_OBJECT
public:
    explicit TDialogEnrg(QWidget* parent = nullptr);
    ~TDialogEnrg() override;

    Ui::TDialogEnrg* Formulaire() { return ui.get(); }

    // Hauteur de la fenêtre cadre compris ; la zone cliente en a 27 de moins.
    static constexpr int HauteurCadre = 27;
    static constexpr int HauteurJpeg = 336;
    static constexpr int HauteurAutre = 278;
    int Hauteur() const { return height() + HauteurCadre; }

    // Remplace l'extension d'un nom (ajoutée quand il n'en a pas).
    static QString ChangerExtension(const QString& nom, const QString& extension);

    QString NomEnrg;
    QString Filtres;
    int IndXFiltre = 1;
    int JpgQual = 90;
    TOptionsEnrg Options;
    QString RepInitial;

public slots:
    void FormShow();
    void RemplirTypes(QString s);
    void TypeFchChange();
    void CursQJpgChange();
    void EnregistrerClick();
    void ShellListViewItemSelected(const QModelIndex& Item);
    void ShellListViewDblClick();
    void RepPrecClick();
    void BureauClick();
    void NouvRepClick();
    void AffListeClick();
    void AffDetailsClick();
    void AnnulerClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DefinirHauteur(int hauteur);
    bool RemplacementAccepte(const QString& chemin);

    std::unique_ptr<Ui::TDialogEnrg> ui;
};
