#include <gtest/gtest.h>

#include <random>

#include <QPainter>

#include "platform/Canevas.h"

namespace {

Bitmap BitmapAleatoire(int l, int h, unsigned graine)
{
    Bitmap b(l, h);
    std::mt19937 alea(graine);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 3 * l; ++x)
            b.Ligne(y)[x] = static_cast<uint8_t>(alea());
    return b;
}

uint32_t Pixel(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.Ligne(y) + 3 * x;
    return p[0] << 16 | p[1] << 8 | p[2];  // $00BBGGRR
}

// Rectangle englobant (bornes incluses) des pixels qui diffèrent.
QRect Differences(const Bitmap& a, const Bitmap& b)
{
    QRect r;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (Pixel(a, x, y) != Pixel(b, x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}

}  // namespace

TEST(Canevas, VersQColor)
{
    EXPECT_EQ(VersQColor(0xFF), QColor(255, 0, 0));
    EXPECT_EQ(VersQColor(0x8000), QColor(0, 128, 0));
    EXPECT_EQ(VersQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(VersQColor(0x123456), QColor(0x56, 0x34, 0x12));
}

TEST(Canevas, RectanglePointilleDeuxFoisRendLeBitmap)
{
    struct Cas { int x1, y1, x2, y2; };
    const Cas cas[] = {
        {5, 5, 30, 20}, {30, 20, 5, 5}, {-10, -4, 12, 9}, {35, 20, 60, 50}, {7, 3, 8, 25},
        {2, 9, 33, 10}, {4, 4, 4, 10}, {0, 0, 40, 30},
    };
    for (unsigned couleur : {0u, 0xFFFFFFu, 0x3C5A7Eu}) {
        for (const auto& c : cas) {
            const Bitmap origine = BitmapAleatoire(40, 30, couleur + c.x1);
            Bitmap b = origine;
            TCanevas canevas(b);
            canevas.penColor = couleur;
            canevas.RectanglePointilleXor(c.x1, c.y1, c.x2, c.y2);
            const QRect trace = Differences(origine, b);
            const QRect cadre = QRect(QPoint(std::min(c.x1, c.x2), std::min(c.y1, c.y2)),
                                      QPoint(std::max(c.x1, c.x2) - 1, std::max(c.y1, c.y2) - 1));
            EXPECT_TRUE(trace.isNull() || cadre.contains(trace)) << c.x1 << "," << c.y1;
            // L'intérieur ne bouge pas.
            const QRect dedans = cadre.adjusted(1, 1, -1, -1);
            for (int y = std::max(dedans.top(), 0); y <= std::min(dedans.bottom(), 29); ++y)
                for (int x = std::max(dedans.left(), 0); x <= std::min(dedans.right(), 39); ++x)
                    ASSERT_EQ(Pixel(b, x, y), Pixel(origine, x, y));
            canevas.RectanglePointilleXor(c.x1, c.y1, c.x2, c.y2);
            EXPECT_TRUE(b == origine) << c.x1 << "," << c.y1 << "," << c.x2 << "," << c.y2;
        }
    }
    // Plume noire : les points inversent exactement, les intervalles restent.
    Bitmap b(20, 10);
    b.Fill(0x10, 0x20, 0x30);
    TCanevas(b).RectanglePointilleXor(0, 0, 20, 10);
    int inverses = 0;
    for (int x = 0; x < 20; ++x) {
        const uint32_t p = Pixel(b, x, 0);
        ASSERT_TRUE(p == 0xEFDFCFu || p == 0x102030u);
        inverses += p == 0xEFDFCFu;
    }
    EXPECT_EQ(Pixel(b, 0, 0), 0xEFDFCFu);
    EXPECT_EQ(Pixel(b, 3, 0), 0x102030u);
    EXPECT_EQ(inverses, 11);
}

TEST(Canevas, PointilleSurUnPeintre)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(QColor(12, 200, 77));
    const QImage origine = image;
    {
        QPainter p(&image);
        TCanevas canevas(p);
        canevas.RectanglePointilleXor(2, 3, 25, 18);
    }
    EXPECT_NE(image, origine);
    EXPECT_EQ(image.pixelColor(2, 3), QColor(255 - 12, 255 - 200, 255 - 77));
    {
        QPainter p(&image);
        TCanevas(p).RectanglePointilleXor(2, 3, 25, 18);
    }
    EXPECT_EQ(image, origine);
}

TEST(Canevas, MarqueursNetsDansLeurCadre)
{
    const TColor plume = 0x0000FF, fond = 0xFFFFFF, pinceau = 0x00FF00;
    for (int forme = 1; forme <= 2; ++forme)
        for (int largeur = 1; largeur <= 3; ++largeur)
            for (bool creux : {true, false}) {
                Bitmap origine(40, 40);
                Bitmap b = origine;
                TCanevas canevas(b);
                canevas.penColor = plume;
                canevas.penWidth = largeur;
                canevas.brushColor = pinceau;
                canevas.brushClear = creux;
                // Le marqueur d'un point (20, 20) : cadre de (13, 13) à (27, 27).
                if (forme == 1)
                    canevas.Ellipse(13, 13, 27, 27);
                else
                    canevas.Rectangle(13, 13, 27, 27);
                const QRect trace = Differences(origine, b);
                const QRect permis(QPoint(13 - largeur / 2, 13 - largeur / 2),
                                   QPoint(26 + (largeur - 1) / 2, 26 + (largeur - 1) / 2));
                const auto nom = ::testing::Message() << "forme " << forme << " plume " << largeur
                                                      << (creux ? " creux" : " plein");
                EXPECT_TRUE(permis.contains(trace)) << nom;
                EXPECT_TRUE(QRect(11, 11, 19, 19).contains(trace)) << nom;
                if (largeur == 1) {
                    EXPECT_EQ(trace, QRect(QPoint(13, 13), QPoint(26, 26))) << nom;
                }
                // Sans anticrénelage : aucune couleur mélangée.
                for (int y = 0; y < 40; ++y)
                    for (int x = 0; x < 40; ++x) {
                        const uint32_t p = Pixel(b, x, y);
                        ASSERT_TRUE(p == plume || p == fond || (!creux && p == pinceau)) << nom;
                    }
                EXPECT_EQ(Pixel(b, 20, 20), creux ? fond : pinceau) << nom;
                EXPECT_EQ(Pixel(b, 20, 13), plume) << nom;
            }
}

TEST(Canevas, TexteOpaqueDecoupeEtTexteSimple)
{
    Bitmap b(120, 40);
    b.Fill(0, 0, 0);
    TCanevas canevas(b);
    canevas.brushColor = 0xCCFFFF;
    canevas.fontColor = 0xFF0000;
    const QRect cellule(10, 5, 30, 20);
    canevas.TextRect(cellule, 12, 8, "Texte bien trop long pour la cellule");
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = Pixel(b, x, y);
            if (!cellule.contains(x, y)) {
                ASSERT_EQ(p, 0u) << x << "," << y;
            }
        }
    // Rempli d'abord : le coin de la cellule a la couleur du pinceau.
    EXPECT_EQ(Pixel(b, 10, 5), 0xCCFFFFu);
    EXPECT_EQ(Pixel(b, 39, 24), 0xCCFFFFu);

    // Texte simple : fond du pinceau sous les caractères, sans découpe.
    Bitmap t(120, 40);
    t.Fill(0, 0, 0);
    TCanevas simple(t);
    simple.brushColor = 0xFFFFFF;
    simple.TextOut(3, 2, "N° 12");
    const QRect attendu(3, 2, simple.TextWidth("N° 12"), simple.TextHeight("N° 12"));
    EXPECT_GT(attendu.width(), 0);
    EXPECT_EQ(Pixel(t, attendu.left(), attendu.top()), 0xFFFFFFu);
    EXPECT_EQ(Pixel(t, attendu.right(), attendu.bottom()), 0xFFFFFFu);
    EXPECT_EQ(Pixel(t, attendu.right() + 1, attendu.bottom() + 1), 0u);
    Bitmap noir(120, 40);
    noir.Fill(0, 0, 0);
    const QRect touche = Differences(noir, t);
    EXPECT_EQ(touche, attendu);

    // Pinceau creux : seulement les caractères.
    Bitmap c(120, 40);
    c.Fill(0, 0, 0);
    TCanevas creux(c);
    creux.brushClear = true;
    creux.fontColor = 0xFFFFFF;
    creux.TextOut(3, 2, "H");
    EXPECT_EQ(Pixel(c, 3, 2), 0u);
    EXPECT_FALSE(Differences(noir, c).isNull());
}

TEST(Canevas, BitmapVideSansEffet)
{
    Bitmap vide;
    TCanevas canevas(vide);
    canevas.Ellipse(0, 0, 10, 10);
    canevas.Rectangle(0, 0, 10, 10);
    canevas.FillRect(QRect(0, 0, 5, 5));
    canevas.TextOut(0, 0, "x");
    canevas.RectanglePointilleXor(0, 0, 10, 10);
    EXPECT_TRUE(vide.Empty());
}
