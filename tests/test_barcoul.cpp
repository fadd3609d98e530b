#include <gtest/gtest.h>

#include <QEvent>
#include <QImage>
#include <QPixmap>
#include <QTest>

#include "app/BarCoul.h"

namespace {

struct CompteurPeintures : QObject
{
    int n = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++n;
        return false;
    }
};

void Regler(TBarRVB& barre, long double r, long double v, long double b)
{
    barre.SetNiveauR(r);
    barre.SetNiveauV(v);
    barre.SetNiveauB(b);
}

TEST(BarRVB, PartsEtBulle)
{
    struct Cas
    {
        long double r, v, b;
        int lr, lv, lb;
        const char* bulle;
    };
    const Cas cas[] = {
        {1.0L, 1.0L, 1.0L, 25, 25, 25, "R : 100% ; V : 100% ; B : 100%"},
        {1.0L, 0.8L, 0.7L, 25, 5, 0, "R : 100% ; V : 80% ; B : 70%"},
        {1.0L, 0.97L, 0.92L, 25, 22, 17, "R : 100% ; V : 97% ; B : 92%"},
        // Le plus fort peut être n'importe lequel ; seuls les rapports comptent.
        {0.5L, 1.2L, 0.6L, 0, 25, 0, "R : 42% ; V : 100% ; B : 50%"},
        {0.0L, 0.0L, 0.0L, 0, 0, 0, ""},
        {-1.0L, -2.0L, -0.5L, 0, 0, 0, ""},
        {1.0L, NAN, 1.0L, 0, 0, 0, ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.bulle);
        TBarRVB barre;
        barre.SetNiveauR(0.25L);  // pour que chaque cas change au moins un niveau
        Regler(barre, c.r, c.v, c.b);
        EXPECT_EQ(barre.LongueurR(), c.lr);
        EXPECT_EQ(barre.LongueurV(), c.lv);
        EXPECT_EQ(barre.LongueurB(), c.lb);
        EXPECT_EQ(barre.toolTip(), QString::fromUtf8(c.bulle));
    }
}

TEST(BarRVB, NeufVideEt45Sur17)
{
    TBarRVB barre;
    EXPECT_EQ(barre.width(), 45);
    EXPECT_EQ(barre.height(), 17);
    EXPECT_EQ(barre.toolTip(), "");
    EXPECT_EQ(barre.NiveauR(), 0.0L);
    EXPECT_EQ(barre.LongueurR() + barre.LongueurV() + barre.LongueurB(), 0);
}

TEST(BarRVB, GeometrieDesBarres)
{
    TBarRVB barre;
    Regler(barre, 1.0L, 0.8L, 0.7L);
    const QImage img = barre.grab().toImage();
    const QRgb noir = qRgb(0, 0, 0), blanc = qRgb(255, 255, 255);
    const QRgb rouge = qRgb(255, 0, 0), vert = qRgb(0, 128, 0);
    const auto p = [&](int x, int y) { return img.pixel(x, y) & 0xFFFFFF; };
    const auto q = [](QRgb c) { return c & 0xFFFFFF; };
    // Cadre d'un pixel autour d'un intérieur de 25 × 15.
    for (int x = 10; x <= 36; ++x) {
        EXPECT_EQ(p(x, 0), q(noir)) << x;
        EXPECT_EQ(p(x, 16), q(noir)) << x;
    }
    for (int y = 0; y <= 16; ++y) {
        EXPECT_EQ(p(10, y), q(noir)) << y;
        EXPECT_EQ(p(36, y), q(noir)) << y;
    }
    // Rouge plein : lignes 1..5 jusqu'au bord droit de l'intérieur.
    for (int y = 1; y <= 5; ++y)
        for (int x = 11; x <= 35; ++x)
            EXPECT_EQ(p(x, y), q(rouge)) << x << "," << y;
    // Vert sur 5 pixels, lignes 6..10, puis le fond blanc.
    for (int y = 6; y <= 10; ++y) {
        for (int x = 11; x <= 15; ++x)
            EXPECT_EQ(p(x, y), q(vert)) << x << "," << y;
        EXPECT_EQ(p(16, y), q(blanc)) << y;
    }
    // Bleu à 70 % : aucune barre.
    for (int y = 11; y <= 15; ++y)
        for (int x = 11; x <= 35; ++x)
            EXPECT_EQ(p(x, y), q(blanc)) << x << "," << y;
}

TEST(BarRVB, TroisQuartsEntierAGaucheDuCadre)
{
    // La police par défaut, puis des polices où le signe serait plus large que
    // la place laissée avant le cadre.
    QFont grande;
    grande.setPixelSize(20);
    QFont large;
    large.setPointSize(14);
    for (const QFont& police : {QFont(), grande, large}) {
        SCOPED_TRACE(police.toString().toStdString());
        TBarRVB barre;
        barre.setFont(police);
        QImage img(barre.size(), QImage::Format_RGB32);
        img.fill(Qt::white);
        barre.render(&img);
        const int fond = 255;
        QRect encre;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < 10; ++x)
                if (qGray(img.pixel(x, y)) < fond - 40)
                    encre |= QRect(x, y, 1, 1);
        // Lisible, et entouré de fond : rien ne touche le cadre ni les bords.
        ASSERT_FALSE(encre.isEmpty());
        EXPECT_GE(encre.height(), 6);
        EXPECT_LE(encre.right(), 8);
        EXPECT_GT(encre.top(), 0);
        EXPECT_LT(encre.bottom(), 16);
    }
}

TEST(BarRVB, RepeintSeulementQuandUnNiveauChange)
{
    TBarRVB barre;
    barre.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&barre));
    CompteurPeintures compteur;
    barre.installEventFilter(&compteur);
    barre.SetNiveauR(1.0L);
    const int apres = compteur.n;
    EXPECT_GE(apres, 1);  // repeint tout de suite, sans attendre la boucle
    barre.SetNiveauR(1.0L);
    barre.SetNiveauV(0.0L);
    EXPECT_EQ(compteur.n, apres);
    barre.SetNiveauB(0.9L);
    EXPECT_EQ(compteur.n, apres + 1);
    EXPECT_EQ(barre.toolTip(), "R : 100% ; V : 0% ; B : 90%");
}

}  // namespace
