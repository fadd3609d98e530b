// Sélection de recadrage : zones de survol, bornage et gestes de la souris
// sur la vraie vue du panoramique.

#include "tests/test_vuepano_commun.h"

namespace {

struct CasZone
{
    QPoint a, b, p;
    int zone;
    Qt::CursorShape curseur;
};

TSelection SelectionDe(QPoint a, QPoint b)
{
    TSelection s;
    s.Active = true;
    s.Coin1 = a;
    s.Coin2 = b;
    return s;
}

}  // namespace

TEST(Selection, Zones)
{
    const QPoint A(100, 50), B(300, 200);
    const CasZone cas[] = {
        {A, B, {103, 53}, 1, Qt::DragMoveCursor},   // 3 pixels dedans : intérieur
        {A, B, {102, 100}, 9, Qt::SizeHorCursor},   // 2 pixels dedans : bord gauche
        {A, B, {103, 100}, 1, Qt::DragMoveCursor},
        {A, B, {200, 52}, 6, Qt::SizeVerCursor},
        {A, B, {200, 53}, 1, Qt::DragMoveCursor},
        {A, B, {200, 202}, 8, Qt::SizeVerCursor},
        {A, B, {298, 100}, 7, Qt::SizeHorCursor},
        {A, B, {297, 100}, 1, Qt::DragMoveCursor},
        {A, B, {100, 50}, 2, Qt::SizeFDiagCursor},
        {A, B, {302, 48}, 3, Qt::SizeBDiagCursor},
        {A, B, {300, 200}, 4, Qt::SizeFDiagCursor},
        {A, B, {98, 202}, 5, Qt::SizeBDiagCursor},
        {A, B, {103, 50}, 0, Qt::ArrowCursor},      // sur le bord, à 3 pixels du coin
        {A, B, {97, 100}, 0, Qt::ArrowCursor},
        {A, B, {200, 300}, 0, Qt::ArrowCursor},
        // Sélections trop étroites : le test le plus tardif l'emporte.
        {{100, 100}, {104, 120}, {102, 110}, 7, Qt::SizeHorCursor},
        {{100, 100}, {120, 104}, {110, 102}, 8, Qt::SizeVerCursor},
        {{100, 100}, {104, 104}, {102, 102}, 4, Qt::SizeFDiagCursor},
    };
    for (const CasZone& c : cas) {
        Qt::CursorShape curseur = Qt::BlankCursor;
        EXPECT_EQ(SelectionDe(c.a, c.b).ZoneSelection(c.p.x(), c.p.y(), curseur), c.zone)
            << c.p.x() << "," << c.p.y();
        EXPECT_EQ(curseur, c.curseur) << c.p.x() << "," << c.p.y();
    }
}

TEST(Selection, Bornage)
{
    struct Cas
    {
        uint8_t zone;
        QPoint c1, c2, attendu1, attendu2;
    };
    // Vue 950 × 300, sélection de 200 × 100.
    const Cas cas[] = {
        {1, {-50, 20}, {150, 120}, {0, 20}, {200, 120}},      // déplacée : la taille reste
        {1, {800, 250}, {1000, 350}, {750, 200}, {950, 300}},
        {1, {-10, -5}, {190, 95}, {0, 0}, {200, 100}},
        {0, {-50, 20}, {150, 120}, {0, 20}, {150, 120}},      // tracée : coupée
        {4, {800, 250}, {1000, 350}, {800, 250}, {950, 300}},
        {0, {960, 310}, {-3, -4}, {950, 300}, {0, 0}},
    };
    for (const Cas& c : cas) {
        TSelection s;
        s.Zone = c.zone;
        s.LargeurAff = 950;
        s.HauteurAff = 300;
        s.LargeurSel = 200;
        s.HauteurSel = 100;
        QPoint c1 = c.c1, c2 = c.c2;
        s.BornerSelection(c1, c2);
        EXPECT_EQ(c1, c.attendu1);
        EXPECT_EQ(c2, c.attendu2);
    }
}

namespace {

// Gestes envoyés à la fenêtre, comme le système les livre.
class SelectionSurLaVue : public BancVuePano
{
protected:
    void SetUp() override
    {
        BancVuePano::SetUp();
        LargeurBoite(950);
        DefinirPanorama(3000, 300);
        Zoomer(0);
        f->ImgPano->resize(950, 300);
        f->ImgPano->Picture().SetSize(950, 300);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 950; ++x) {
                uint8_t* p = f->ImgPano->Picture().Ligne(y) + 3 * x;
                p[0] = static_cast<uint8_t>(x * 7);
                p[1] = static_cast<uint8_t>(y * 3);
                p[2] = static_cast<uint8_t>(x + y);
            }
        origine = f->ImgPano->Picture();
        fenetreQt = fenetre->windowHandle();
        ASSERT_NE(fenetreQt, nullptr);
    }

    QPoint Pos(int x, int y) const { return f->ImgPano->mapTo(fenetre.get(), QPoint(x, y)); }
    void Appui(int x, int y, Qt::KeyboardModifiers m = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseEvent(QTest::MousePress, fenetreQt, b, m, Pos(x, y));
    }
    void Deplacer(int x, int y, Qt::KeyboardModifiers m = {})
    {
        QTest::mouseEvent(QTest::MouseMove, fenetreQt, Qt::NoButton, m, Pos(x, y));
    }
    void Relacher(int x, int y, Qt::KeyboardModifiers m = {}, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseEvent(QTest::MouseRelease, fenetreQt, b, m, Pos(x, y));
    }
    void Tracer(QPoint de, QPoint a)
    {
        Appui(de.x(), de.y());
        Deplacer((de.x() + a.x()) / 2, (de.y() + a.y()) / 2);
        Deplacer(a.x(), a.y());
        Relacher(a.x(), a.y());
    }
    // La vue porte exactement le rectangle de la sélection, sans autre trace.
    void VerifierUnSeulRectangle()
    {
        Bitmap vue = f->ImgPano->Picture();
        EXPECT_FALSE(vue == origine);
        fenetre->Selection.Tracer(f->ImgPano);
        EXPECT_TRUE(f->ImgPano->Picture() == origine);
        f->ImgPano->Picture() = vue;
    }

    QWindow* fenetreQt = nullptr;
    Bitmap origine;
};

}  // namespace

TEST_F(SelectionSurLaVue, RectangleTraceALEnvers)
{
    Tracer({300, 200}, {100, 50});
    const TSelection& s = fenetre->Selection;
    EXPECT_TRUE(s.Active);
    EXPECT_EQ(s.Gauche, 100);
    EXPECT_EQ(s.Haut, 50);
    EXPECT_EQ(s.Droite, 300);
    EXPECT_EQ(s.Bas, 200);
    EXPECT_EQ(s.LargeurSel, 200);
    EXPECT_EQ(s.HauteurSel, 150);
    EXPECT_EQ(s.Coin1, QPoint(100, 50));
    EXPECT_EQ(s.Coin2, QPoint(300, 200));
    VerifierUnSeulRectangle();
}

TEST_F(SelectionSurLaVue, ClicSansGlisserNeSelectionneRien)
{
    Appui(400, 100);
    Relacher(400, 100);
    EXPECT_FALSE(fenetre->Selection.Active);
    EXPECT_TRUE(f->ImgPano->Picture() == origine);
}

TEST_F(SelectionSurLaVue, TraceCoupeAuBordDeLaVue)
{
    Tracer({900, 100}, {1000, 200});
    EXPECT_EQ(fenetre->Selection.Droite, 950);
    EXPECT_TRUE(fenetre->Selection.Active);
    VerifierUnSeulRectangle();
}

TEST_F(SelectionSurLaVue, DeplacementBorneGardeLaTaille)
{
    Tracer({100, 50}, {300, 150});
    Deplacer(200, 100);  // survol : l'intérieur
    EXPECT_EQ(fenetre->Selection.Zone, 1);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::DragMoveCursor);
    Appui(200, 100);
    Deplacer(120, 100);
    Deplacer(20, 90);
    Relacher(20, 90);
    const TSelection& s = fenetre->Selection;
    EXPECT_TRUE(s.Active);
    EXPECT_EQ(s.Gauche, 0);
    EXPECT_EQ(s.Droite, 200);
    EXPECT_EQ(s.Haut, 40);
    EXPECT_EQ(s.Bas, 140);
    EXPECT_EQ(s.LargeurSel, 200);
    EXPECT_EQ(s.HauteurSel, 100);
    VerifierUnSeulRectangle();
}

TEST_F(SelectionSurLaVue, RedimensionnementParUnCoin)
{
    Tracer({100, 50}, {300, 150});
    Deplacer(301, 149);  // un mouvement sur place n'est pas livré
    EXPECT_EQ(fenetre->Selection.Zone, 4);
    Appui(301, 149);
    Deplacer(50, 20);  // le coin passe de l'autre côté : les bords suivent
    Relacher(50, 20);
    const TSelection& s = fenetre->Selection;
    EXPECT_EQ(s.Coin1, QPoint(50, 20));
    EXPECT_EQ(s.Coin2, QPoint(100, 50));
    VerifierUnSeulRectangle();
}

TEST_F(SelectionSurLaVue, AvecMajRienAvecCtrlCommeSansTouche)
{
    Appui(100, 50, Qt::ShiftModifier);
    Deplacer(300, 150, Qt::ShiftModifier);
    Relacher(300, 150, Qt::ShiftModifier);
    EXPECT_FALSE(fenetre->Selection.Active);
    EXPECT_TRUE(f->ImgPano->Picture() == origine);

    Appui(100, 50, Qt::ControlModifier);
    Deplacer(300, 150, Qt::ControlModifier);
    Relacher(300, 150, Qt::ControlModifier);
    EXPECT_TRUE(fenetre->Selection.Active);
    EXPECT_EQ(fenetre->Selection.Coin2, QPoint(300, 150));
    VerifierUnSeulRectangle();
}

TEST_F(SelectionSurLaVue, AppuiHorsDeLaSelectionLEfface)
{
    Tracer({100, 50}, {300, 150});
    Deplacer(600, 250);  // survol hors de la sélection
    EXPECT_EQ(fenetre->Selection.Zone, 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    Appui(600, 250);
    EXPECT_FALSE(fenetre->Selection.Active);
    EXPECT_TRUE(f->ImgPano->Picture() == origine);
    Relacher(600, 250);
    EXPECT_FALSE(fenetre->Selection.Active);
}

TEST_F(SelectionSurLaVue, LeCurseurDeSurvolResteJusquAuZoom)
{
    Tracer({100, 50}, {300, 150});
    Deplacer(100, 100);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::SizeHorCursor);
    fenetre->ZoomImgMouseUp();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Le sablier d'un travail reste affiché jusqu'à sa fin, survol ou redessin
// compris, puis le curseur par défaut revient.
TEST_F(SelectionSurLaVue, LeSablierEtLeSurvolNeSeDefontPas)
{
    Tracer({100, 50}, {300, 150});
    const auto sablier = [] {
        return QApplication::overrideCursor() != nullptr &&
               QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    {
        const CurseurSablier enregistrement;
        Deplacer(100, 100);
        EXPECT_EQ(fenetre->Selection.Zone, 9);
        EXPECT_TRUE(sablier());
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Deplacer(300, 100);
    {
        const CurseurSablier assemblage;
        fenetre->ZoomImgMouseUp();
        EXPECT_TRUE(sablier());
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
