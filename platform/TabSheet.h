#pragma once
// Page d'onglet qui signale son affichage et son redimensionnement, pour lier
// les gestionnaires OnShow et OnResize par leur nom dans les formulaires.

#include <QShowEvent>
#include <QWidget>

class TTabSheet : public QWidget
{
    Q_OBJECT
public:
    explicit TTabSheet(QWidget* parent = nullptr) : QWidget(parent) {}

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

signals:
    void Show();
    void Resize();

protected:
    void showEvent(QShowEvent* event) override
    {
        QWidget::showEvent(event);
        // Une fenêtre rendue après réduction remontre ses pages : ce n'est pas
        // un changement d'onglet.
        if (!event->spontaneous())
            emit Show();
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        emit Resize();
    }

private:
    int tag_ = 0;
};
