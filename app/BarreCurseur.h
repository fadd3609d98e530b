#pragma once
// Curseur standard qui publie aussi le relâchement de la souris.

#include <QSlider>

class TBarreCurseur : public QSlider
{
    Q_OBJECT
public:
    explicit TBarreCurseur(QWidget* parent = nullptr);

signals:
    void MouseUp();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
