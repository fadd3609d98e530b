#pragma once
// Classeurs d'onglets : celui des fonctions, qui signale son redimensionnement
// pour lier OnResize par son nom dans les formulaires, et celui des images.

#include <vector>

#include <QTabWidget>

class QStyleOptionTabWidgetFrame;
class QToolButton;

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

// Classeur d'une page par image. La barre de Qt redispose tous ses onglets à
// chaque ajout : des milliers d'images en coûteraient le carré. Ici ajouter,
// cacher ou retirer un onglet ne fait que marquer la barre, disposée une fois
// au dessin ; les pages sont empilées, seule la courante montrée.
class TClasseurOnglets : public QWidget
{
    Q_OBJECT
public:
    explicit TClasseurOnglets(QWidget* parent = nullptr);

    int addTab(QWidget* page, const QString& texte);
    int count() const { return static_cast<int>(onglets_.size()); }
    QWidget* widget(int index) const;
    int indexOf(const QWidget* page) const;
    QString tabText(int index) const;
    bool isTabVisible(int index) const;
    void setTabVisible(int index, bool visible);
    int currentIndex() const { return courant_; }
    QWidget* currentWidget() const { return widget(courant_); }
    void setCurrentIndex(int index);
    void setCurrentWidget(QWidget* page) { setCurrentIndex(indexOf(page)); }
    // Retire tous les onglets ; les pages, cachées, restent à leur propriétaire.
    void clear();

signals:
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* objet, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Onglet
    {
        QWidget* page;
        QString texte;
        bool visible;
        int largeur;  // -1 : à mesurer
        int x;
    };

    bool Valide(int index) const { return index >= 0 && index < count(); }
    void Marquer();
    void Demander();
    void Disposer();
    int HauteurBarre();
    int Disponible();
    QStyleOptionTabWidgetFrame Cadre(int largeurBarre);
    QRect RectPages();
    void PlacerPile();
    QRect RectOnglet(int index);
    void RendreVisible(int index);
    int Voisin(int index, int pas) const;
    void Defiler(int pas);

    std::vector<Onglet> onglets_;
    QWidget* pile_;
    QToolButton* precedent_;
    QToolButton* suivant_;
    int courant_ = -1;
    int decalage_ = 0;
    int hauteurBarre_ = -1;
    int largeurTotale_ = 0;
    int premierVisible_ = -1;
    int dernierVisible_ = -1;
    bool sale_ = true;
    bool demandePostee_ = false;
};
