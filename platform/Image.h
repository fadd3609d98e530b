#pragma once
// Contrôle image : affiche un Bitmap 24 bits (son « Picture ») et rapporte la
// souris en pixels du contrôle.

#include <QWidget>

#include "platform/Bitmap.h"

class TImage : public QWidget
{
    Q_OBJECT
    // Réglables depuis les formulaires.
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Proportional READ Proportional WRITE SetProportional)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
public:
    explicit TImage(QWidget* parent = nullptr);

    Bitmap& Picture() { return image_; }
    const Bitmap& Picture() const { return image_; }

    // Étiré à la taille du contrôle, sinon peint en haut à gauche.
    bool Stretch() const { return etire_; }
    void SetStretch(bool etire);
    // Étiré sans déformation : le côté limitant remplit le contrôle.
    bool Proportional() const { return proportionnel_; }
    void SetProportional(bool proportionnel);
    bool Center() const { return centre_; }
    void SetCenter(bool centre);
    // Taille du contrôle suivant celle de l'image à chaque Actualiser().
    bool AutoSize() const { return tailleAuto_; }
    void SetAutoSize(bool tailleAuto);

    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint) { hint_ = hint; }

    // Redemande un affichage après une modification du Picture.
    void Actualiser();

signals:
    void MouseDown(Qt::MouseButton bouton, Qt::KeyboardModifiers etat, int x, int y);
    void MouseMove(Qt::KeyboardModifiers etat, int x, int y);
    void MouseUp(Qt::MouseButton bouton, Qt::KeyboardModifiers etat, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Bitmap image_;
    bool etire_ = false;
    bool proportionnel_ = false;
    bool centre_ = false;
    bool tailleAuto_ = false;
    int tag_ = 0;
    QString hint_;
};
