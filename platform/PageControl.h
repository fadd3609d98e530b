#pragma once
// Classeur d'onglets qui signale son redimensionnement une fois ses pages
// disposées, pour lier OnResize par son nom dans les formulaires.

#include <QTabWidget>

class TPageControl : public QTabWidget
{
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr) : QTabWidget(parent) {}

signals:
    void Resize();

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QTabWidget::resizeEvent(event);
        emit Resize();
    }
};
