#pragma once
// Fenêtre des préférences : le café et son sucre.

#include <memory>

#include <QDialog>
#include <QPixmap>

namespace Ui {
class TPrefers;
}

class TPrefers : public QDialog
{
    Q_OBJECT
public:
    explicit TPrefers(QWidget* parent = nullptr);
    ~TPrefers() override;

    Ui::TPrefers* Formulaire() { return ui.get(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TPrefers> ui;
};

// Tasse de café dessinée, 69 × 102.
QPixmap DessinerCafe();

extern TPrefers* Prefers;
