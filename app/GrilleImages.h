#pragma once
// Grille dessinée par son propriétaire : une ligne d'en-tête fixe, des lignes
// de hauteurs variables sélectionnées en entier, défilement vertical seul.
// Un appui gauche sur une ligne de données la sélectionne et le signale avant
// de signaler l'appui ; tant que le bouton reste enfoncé, la sélection suit
// le pointeur.

#include <memory>
#include <vector>

#include <QAbstractScrollArea>
#include <QRect>

class QPainter;
class TCanevas;

// Rectangle de la vignette d'une image largeur × hauteur dans sa cellule.
QRect RectangleVignette(const QRect& Cellule, int Largeur, int Hauteur);

class TGrilleImages : public QAbstractScrollArea
{
    Q_OBJECT
    Q_PROPERTY(int rowCount READ RowCount WRITE SetRowCount)
public:
    enum Etat { EtatSelection = 1, EtatFixe = 2 };

    explicit TGrilleImages(QWidget* parent = nullptr);
    ~TGrilleImages() override;

    int ColCount() const { return static_cast<int>(largeurs_.size()); }
    int RowCount() const { return static_cast<int>(hauteurs_.size()); }
    void SetRowCount(int n);
    int ColWidth(int c) const { return largeurs_.at(c); }
    void SetColWidth(int c, int largeur);
    int RowHeight(int r) const { return hauteurs_.at(r); }
    void SetRowHeight(int r, int hauteur);

    // Ligne courante (sélectionnée), 1 au départ.
    int Row() const { return ligne_; }
    void SetRow(int r);

    // Valables pendant le signal DrawCell seulement.
    TCanevas* Canvas() { return canevas_.get(); }
    QPainter* Peintre() { return peintre_; }

    // Rectangle d'une cellule dans la zone visible ; ligne sous une ordonnée
    // de cette zone (-1 hors des lignes).
    QRect CellRect(int c, int r) const;
    int LigneA(int y) const;
    int ColonneA(int x) const;

    // Peint tout de suite.
    void Repaint();

signals:
    void DrawCell(int ACol, int ARow, QRect Rect, int State);
    void SelectCell(int ACol, int ARow);
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    void MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int HauteurDonnees() const;
    void MettreAJourDefilement();
    void Choisir(int c, int r);

    std::vector<int> largeurs_;
    std::vector<int> hauteurs_;
    int ligne_ = 1;
    bool glisse_ = false;
    bool hauteurChangee_ = false;
    std::unique_ptr<TCanevas> canevas_;
    QPainter* peintre_ = nullptr;
};
