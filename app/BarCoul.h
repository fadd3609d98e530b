#pragma once
// Barres des niveaux rouge, vert et bleu d'un coin, sur une échelle de 75 % à
// 100 % du plus fort des trois.

#include <QFont>
#include <QPoint>
#include <QWidget>

class TBarRVB : public QWidget
{
    Q_OBJECT
public:
    explicit TBarRVB(QWidget* parent = nullptr);

    long double NiveauR() const { return niveauR_; }
    long double NiveauV() const { return niveauV_; }
    long double NiveauB() const { return niveauB_; }
    void SetNiveauR(long double valeur);
    void SetNiveauV(long double valeur);
    void SetNiveauB(long double valeur);

    // Longueurs des barres (0..25 pixels) du dernier tracé.
    int LongueurR() const { return longueurR_; }
    int LongueurV() const { return longueurV_; }
    int LongueurB() const { return longueurB_; }

    void Paint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void AjusterTroisQuarts();

    // Le "¾" dans la police du contrôle, réduite s'il le faut pour qu'il tienne
    // entier à gauche du cadre ; son origine de tracé.
    QFont policeTroisQuarts_;
    QPoint origineTroisQuarts_;
    long double niveauR_ = 0.0L;
    long double niveauV_ = 0.0L;
    long double niveauB_ = 0.0L;
    int longueurR_ = 0;
    int longueurV_ = 0;
    int longueurB_ = 0;
};
