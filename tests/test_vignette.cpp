#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>

#include "core/HarmoImgs.h"
#include "platform/Image.h"
#include "tests/FausseFenetre.h"

namespace {

// La fausse fenêtre commune, qui note en plus l'ordre des rappels.
class FenetreVignette : public TFausseFenetre
{
public:
    QStringList rappels;
    QComboBox& choix = choixImg;
    QComboBox& reprise = postHarmo;
    QLabel& nom1 = nomImg1;
    QLabel& nom2 = nomImg2;
    QLabel& nom3 = nomImg3;

    void ChargerCoefsImage() override { rappels << "Coefs"; }
    void AfficherCurseursPreTraits() override { rappels << "Curseurs"; }
    void ActualiserApercu() override { rappels << "Apercu"; }
    void AfficherNiveauxRVB() override { rappels << "Niveaux"; }
};

// Chaque pixel dit d'où il vient : B, V = bits bas de x, y ; R = bits hauts.
TPixel Motif(int x, int y)
{
    return TPixel{static_cast<uint8_t>(x & 255), static_cast<uint8_t>(y & 255),
                  static_cast<uint8_t>((x >> 8) | ((y >> 8) << 4))};
}

Bitmap BitmapMotif(int w, int h)
{
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        auto* p = reinterpret_cast<TPixel*>(b.Ligne(y));
        for (int x = 0; x < w; ++x)
            p[x] = Motif(x, y);
    }
    return b;
}

class Vignette : public ::testing::Test
{
protected:
    FenetreVignette fenetre;

    void TearDown() override
    {
        for (const TInfosImg& img : images)
            LibererBitmap(img.Bitmap);
        TableVignette.Liberer();
    }

    TImgs images;

    void Ajouter(const QString& nom, int w, int h)
    {
        TInfosImg img{};
        img.Bitmap = NouveauBitmap();
        *BitmapDe(img.Bitmap) = BitmapMotif(w, h);
        img.Largeur = w;
        img.Hauteur = h;
        EcrireChaineCourte(img.Nom, nom);
        images.push_back(img);
    }
};

TEST_F(Vignette, ReductionParEchantillonnage)
{
    struct Cas
    {
        int w, h, lv, hv;
        // Colonne et ligne sources du pixel (x, y) de la vignette.
        int (*sx)(int);
        int (*sy)(int);
    };
    const Cas cas[] = {
        {320, 200, 320, 200, [](int x) { return x; }, [](int y) { return y; }},
        {100, 7, 100, 7, [](int x) { return x; }, [](int y) { return y; }},
        {321, 200, 320, 199, [](int x) { return int(Trunc(x * (321.0L / 320))); },
         [](int y) { return int(Trunc(y * (321.0L / 320))); }},
        {4000, 3000, 320, 240, [](int x) { return x * 25 / 2; }, [](int y) { return y * 25 / 2; }},
        {200, 321, 199, 320, [](int x) { return int(Trunc(x * (321.0L / 320))); },
         [](int y) { return int(Trunc(y * (321.0L / 320))); }},
        {1000, 2, 320, 1, [](int x) { return int(Trunc(x * 3.125L)); }, [](int) { return 0; }},
        {1000, 1, 320, 0, [](int x) { return x; }, [](int y) { return y; }},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        TImage cible;
        ReduireImage(BitmapMotif(c.w, c.h), &cible);
        ASSERT_EQ(TableVignette.Largeur(), c.lv);
        ASSERT_EQ(TableVignette.Hauteur(), c.hv);
        EXPECT_EQ(cible.Picture().Width(), c.lv);
        EXPECT_EQ(cible.Picture().Height(), c.hv);
        int fautes = 0;
        for (int y = 0; y < c.hv; ++y)
            for (int x = 0; x < c.lv; ++x)
                fautes += !(TableVignette[x][y] == Motif(c.sx(x), c.sy(y)));
        EXPECT_EQ(fautes, 0);
    }
}

TEST_F(Vignette, InitialisationSansEffetAvecMoinsDeDeuxImages)
{
    fenetre.choix.addItem("ancien");
    Ajouter("seule.jpg", 10, 10);
    InitialiserHarmonisation(images, &fenetre.choix);
    RemplirListeReprise(images, &fenetre.choix);
    EXPECT_EQ(fenetre.choix.count(), 1);
    EXPECT_EQ(fenetre.reprise.count(), 0);
    EXPECT_TRUE(fenetre.rappels.isEmpty());
}

TEST_F(Vignette, InitialisationDeuxPuisTroisImages)
{
    for (int n : {2, 3}) {
        SCOPED_TRACE(n);
        images.clear();
        fenetre.rappels.clear();
        // Une série précédente laissait une image suivante.
        fenetre.image3.Picture() = BitmapMotif(5, 5);
        fenetre.nom3.setText("ancienne");
        for (int i = 0; i < n; ++i)
            Ajouter(QString("img%1.jpg").arg(i), 400 + i, 300);
        QSignalSpy changements(&fenetre.choix, &QComboBox::currentIndexChanged);
        InitialiserHarmonisation(images, &fenetre.choix);

        EXPECT_EQ(changements.count(), 0);
        ASSERT_EQ(fenetre.choix.count(), n);
        EXPECT_EQ(fenetre.choix.itemText(0), "img0.jpg");
        EXPECT_EQ(fenetre.choix.currentIndex(), 1);
        EXPECT_TRUE(fenetre.image1.Picture() == *BitmapDe(images[0]));
        EXPECT_EQ(fenetre.nom1.text(), "img0.jpg");
        EXPECT_EQ(fenetre.image2.Picture().Width(), 320);
        EXPECT_EQ(fenetre.nom2.text(), "img1.jpg");
        if (n > 2) {
            EXPECT_TRUE(fenetre.image3.Picture() == *BitmapDe(images[2]));
            EXPECT_EQ(fenetre.nom3.text(), "img2.jpg");
        } else {
            EXPECT_TRUE(fenetre.image3.Picture().Empty());
            EXPECT_EQ(fenetre.nom3.text(), "");
        }
        EXPECT_EQ(fenetre.rappels, QStringList({"Coefs", "Curseurs", "Apercu", "Niveaux"}));
        for (const TInfosImg& img : images)
            LibererBitmap(img.Bitmap);
    }
    images.clear();
}

TEST_F(Vignette, ChangementDImageEtVoisines)
{
    for (int i = 0; i < 3; ++i)
        Ajouter(QString("v%1.jpg").arg(i), 20 + i, 10);
    InitialiserHarmonisation(images, &fenetre.choix);

    struct Cas
    {
        int choisie;
        int gauche, droite;  // −1 : vide
    };
    for (const Cas c : {Cas{0, -1, 1}, Cas{2, 1, -1}, Cas{1, 0, 2}}) {
        SCOPED_TRACE(c.choisie);
        fenetre.rappels.clear();
        {
            const QSignalBlocker b(&fenetre.choix);
            fenetre.choix.setCurrentIndex(c.choisie);
        }
        ChangerImageHarmonisee(images, &fenetre.choix);
        const auto verifier = [&](TImage& image, QLabel& nom, int k) {
            if (k < 0) {
                EXPECT_TRUE(image.Picture().Empty());
                EXPECT_EQ(nom.text(), "");
            } else {
                EXPECT_TRUE(image.Picture() == *BitmapDe(images[k]));
                EXPECT_EQ(nom.text(), QString("v%1.jpg").arg(k));
            }
        };
        verifier(fenetre.image1, fenetre.nom1, c.gauche);
        verifier(fenetre.image3, fenetre.nom3, c.droite);
        EXPECT_EQ(fenetre.nom2.text(), QString("v%1.jpg").arg(c.choisie));
        EXPECT_EQ(TableVignette.Largeur(), 20 + c.choisie);
        EXPECT_EQ(fenetre.rappels, QStringList({"Coefs", "Curseurs", "Apercu", "Niveaux"}));
    }

    // Un texte saisi ne désigne aucune image : rien ne bouge.
    fenetre.rappels.clear();
    fenetre.choix.setCurrentIndex(-1);
    ChangerImageHarmonisee(images, &fenetre.choix);
    EXPECT_TRUE(fenetre.rappels.isEmpty());
    EXPECT_EQ(fenetre.nom2.text(), "v1.jpg");
}

TEST_F(Vignette, ListeDeRepriseEtLancement)
{
    for (int i = 0; i < 3; ++i)
        Ajouter(QString("r%1.jpg").arg(i), 8, 8);
    fenetre.reprise.addItem("périmé");
    QSignalSpy changements(&fenetre.reprise, &QComboBox::currentIndexChanged);
    RemplirListeReprise(images, &fenetre.choix);
    EXPECT_EQ(changements.count(), 0);
    ASSERT_EQ(fenetre.reprise.count(), 4);
    EXPECT_EQ(fenetre.reprise.itemText(2), "r2.jpg");
    EXPECT_EQ(fenetre.reprise.itemText(3), "Pas d'image sélectionnée");
    EXPECT_EQ(fenetre.reprise.currentIndex(), 3);

    // Ni l'entrée finale ni un texte saisi ne lancent une reprise.
    for (int i : {3, -1}) {
        fenetre.reprise.setCurrentIndex(i);
        EXPECT_FALSE(LancerRepriseHarmonisation(images, &fenetre.reprise));
        EXPECT_FALSE(fenetre.modifie);
    }
}

}  // namespace
