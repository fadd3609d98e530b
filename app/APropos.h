#pragma once
// Fenêtre « A Propos » : nom et version du programme.

#include <memory>

#include <QDialog>
#include <QPixmap>

namespace Ui {
class TInfosPgm;
}

class TInfosPgm : public QDialog
{
    Q_OBJECT
public:
    explicit TInfosPgm(QWidget* parent = nullptr);
    ~TInfosPgm() override;

    Ui::TInfosPgm* Formulaire() { return ui.get(); }

public slots:
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TInfosPgm> ui;
};

// Ligne de version : "Kalvindo   Version " puis le 1er et le 3e caractère.
QString LigneVersion(const QString& version);

// Logo dessiné : un panorama de montagnes sous le ciel.
QPixmap DessinerLogo();

// Centre une fenêtre sur l'écran qui la porte.
void CentrerSurEcran(QWidget* fenetre);

extern TInfosPgm* InfosPgm;
