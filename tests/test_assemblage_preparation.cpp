#include <gtest/gtest.h>

#include <algorithm>

#include <QLabel>
#include <QProgressBar>

#include "core/Assemblage.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"
#include "tests/test_assemblage_bandes.h"

namespace {

TPixel PixelBitmap(const Bitmap& b, int x, int y)
{
    const uint8_t* p = b.Ligne(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST(PreparerImage, BandesEtDecalageVertical)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    BandesSauvees bandes;
    FracDebutHaut = 0.1L;
    FracFinBas = 0.8L;
    struct Cas
    {
        int dy;
        long double debutHaut, finBas;
    };
    // Chaque cas part de l'état laissé par le précédent, comme les assemblages successifs.
    const Cas cas[] = {{-150, 150.0L / 1000, 0.8L}, {-30, 150.0L / 1000, 0.8L},
                       {250, 150.0L / 1000, 1.0L - 250.0L / 1000}, {100, 150.0L / 1000, 0.75L},
                       {0, 150.0L / 1000, 0.75L}};
    for (const Cas& c : cas) {
        ViderListe();
        for (int i = 0; i < 2; ++i) {
            Bitmap b(1000, 1000);
            AjouterImage(b, QStringLiteral("i%1").arg(i));
        }
        ImgsAssemblage = ListeImgs;
        TablesPixels.resize(2);
        TInfosImg& a = ImgsAssemblage[0];
        TInfosImg& b = ImgsAssemblage[1];
        a.Coins[1] = {900, 100};
        a.Coins[2] = {905, 800};
        a.CoinsLies[1] = {100, 101 + c.dy};
        a.CoinsLies[2] = {104, 799 + c.dy};
        for (int k = 0; k < 4; ++k)
            b.Coins[k] = {10 * k, 100 * k};
        LargeurPano = 0;
        dlg.PreparerImage(0);
        EXPECT_EQ(FracDebutHaut, c.debutHaut) << c.dy;
        EXPECT_EQ(FracFinBas, c.finBas) << c.dy;
        EXPECT_EQ(b.DecalY, c.dy);
        EXPECT_EQ(a.DecalY, 0);
        EXPECT_EQ(a.CoinsLies[1].Y, 101);
        EXPECT_EQ(a.CoinsLies[2].Y, 799);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(b.Coins[k].Y, 100 * k - c.dy);
        EXPECT_EQ(a.Deplacements[1].Y, 100 - 101);
        EXPECT_EQ(a.Deplacements[2].Y, 1);
        EXPECT_EQ(a.Deplacements[0].Y, 0);
        EXPECT_EQ(TablesPixels[0].Largeur(), 1000);
    }
    ViderListe();
}

TEST(PreparerImage, LargeurSelonLaLargeurDeLImagePrecedente)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    ViderListe();
    const int largeurs[3] = {300, 200, 250};
    for (int i = 0; i < 3; ++i)
        AjouterImage(Bitmap(largeurs[i], 100), QStringLiteral("l%1").arg(i));
    ImgsAssemblage = ListeImgs;
    TablesPixels.resize(3);
    struct Cas
    {
        int p0, p3, q0, q3;  // colonnes des coins gauches et de leurs correspondants
        int largeurPano, decalXSuivante;
    };
    // Image 0 ouverte : coins au bord, correspondants à la largeur de la dernière.
    const Cas cas[3] = {{0, 0, 250, 250, 300, (484 - 25) / 2},
                        {10, 15, 240, 244, 300 + (200 - 12) - (300 - 242), (301 - 43) / 2},
                        {20, 23, 150, 151, 430 + (250 - 21) - (200 - 150), (500 - 0) / 2}};
    for (int i = 0; i < 3; ++i) {
        ImgsAssemblage[i].Coins[0].X = cas[i].p0;
        ImgsAssemblage[i].Coins[3].X = cas[i].p3;
        ImgsAssemblage[i].CoinsLies[0].X = cas[i].q0;
        ImgsAssemblage[i].CoinsLies[3].X = cas[i].q3;
    }
    LargeurPano = 0;
    for (int i = 0; i < 3; ++i) {
        dlg.PreparerImage(i);
        EXPECT_EQ(LargeurPano, cas[i].largeurPano) << i;
        EXPECT_EQ(ImgsAssemblage[(i + 1) % 3].DecalX, cas[i].decalXSuivante) << i;
    }
    ViderListe();
}

TEST(PreparerImage, DerniereImageDecaleLImage0SansBougerSesCoins)
{
    TFausseFenetre fenetre;
    TAssembleImg dlg;
    BandesSauvees bandes;
    ViderListe();
    for (int i = 0; i < 2; ++i)
        AjouterImage(Bitmap(100, 50), QStringLiteral("b%1").arg(i));
    ImgsAssemblage = ListeImgs;
    TablesPixels.resize(2);
    TInfosImg& a = ImgsAssemblage[0];
    TInfosImg& b = ImgsAssemblage[1];
    a.Coins[1] = b.Coins[1] = {90, 10};
    a.Coins[2] = b.Coins[2] = {90, 40};
    a.CoinsLies[1] = {10, 10};
    a.CoinsLies[2] = {10, 40};
    // L'image 0 est 7 lignes plus bas dans la dernière image.
    b.CoinsLies[1] = {10, 17};
    b.CoinsLies[2] = {10, 47};
    dlg.PreparerImage(0);
    TPoint32 coins0[4];
    std::copy(a.Coins, a.Coins + 4, coins0);
    const TPtImg table0 = TablesPixels[0];
    dlg.PreparerImage(1);
    EXPECT_EQ(a.DecalY, 7);
    EXPECT_TRUE(std::equal(coins0, coins0 + 4, a.Coins));
    EXPECT_TRUE(TablesPixels[0] == table0);
    ViderListe();
}

TEST(PreparerImage, DenivelesCumulesEtLargeur)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    BandesSauvees bandes;
    // Un détail à la ligne y de l'image 0 est à y + 5 dans l'image 1, et un
    // détail à la ligne y de l'image 1 est à y + 3 dans l'image 2.
    const TSerie s = CreerSerie(3, 120, 90, 70, {0, -5, -8}, {}, false);
    ChargerSerie(s, false);
    TAssembleImg dlg;
    dlg.Assembler();
    EXPECT_EQ(ImgsAssemblage[1].DecalY, 5);
    EXPECT_EQ(ImgsAssemblage[2].DecalY, 8);
    EXPECT_EQ(ImgsAssemblage[1].DecalX, 70);
    EXPECT_EQ(ImgsAssemblage[2].DecalX, 70);
    EXPECT_EQ(LargeurPano, 120 + 70 + 70);
    // Table de l'image 2 (déformation identité) : bitmap remonté de 8 lignes,
    // 8 lignes noires en bas ; à droite de la jonction.
    const Bitmap& b2 = *BitmapDe(ListeImgs[2]);
    for (int y = 0; y < 90; ++y)
        for (int x = 60; x < 120; x += 3)
            ASSERT_EQ(TablesPixels[2][x][y], y < 82 ? PixelBitmap(b2, x, y + 8) : CouleurFond)
                << x << "," << y;
    ViderListe();
}

TEST(PreparerImage, EtapesAnnonceesSelonLesCorrections)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    struct Cas
    {
        const char* nom;
        float fuite;
        bool horizon;
        long double coefHG;
        float facteur;
        bool chro;
        std::vector<QString> etapes;
    };
    const QString table = QStringLiteral("Construction de la table de pixels");
    const QString persp = QStringLiteral("Correction de perspective");
    const QString horiz = QStringLiteral("Correction de l'horizontalité");
    const QString chrom = QStringLiteral("Correction de la chromaticité");
    const QString lumin = QStringLiteral("Correction des luminosités");
    const Cas cas[] = {
        {"aucune", 0.0f, false, 1.0L, 1.0f, true, {table}},
        {"facteurs seuls", 0.0f, false, 1.0L, 0.5f, true, {table}},
        {"fuite", 0.1f, false, 1.0L, 1.0f, true, {persp}},
        {"horizon", 0.0f, true, 1.0L, 1.0f, true, {horiz}},
        {"fuite et horizon", 0.1f, true, 1.0L, 1.0f, true, {persp, horiz}},
        {"luminosité et couleur", 0.0f, false, 1.2L, 1.0f, true, {table, chrom, lumin}},
        {"luminosité sans couleur", 0.0f, false, 1.2L, 1.0f, false, {table, lumin}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ViderListe();
        for (int i = 0; i < 2; ++i) {
            Bitmap b(200, 100);
            b.Fill(50, 60, 70);
            AjouterImage(b, QStringLiteral("p%1").arg(i));
            for (int32_t& poids : PoidsEtapes.back())
                poids = 100;
        }
        RelierPoints(0, AjouterPoint(0, 150, 20), 1, AjouterPoint(1, 50, 20));
        RelierPoints(0, AjouterPoint(0, 150, 80), 1, AjouterPoint(1, 50, 80));
        TInfosImg& img = ListeImgs[0];
        img.CoefFuite = c.fuite;
        if (c.horizon) {
            img.PtsHoriz[0] = {20, 30};
            img.PtsHoriz[1] = {180, 30};
        }
        img.CoefHG = c.coefHG;
        img.FacteursRVB[1][2] = c.facteur;
        fenetre.corrChro.setChecked(c.chro);
        TAssembleImg dlg;
        auto* imgCour = dlg.findChild<QLabel*>("ImgCour");
        auto* traitCour = dlg.findChild<QLabel*>("TraitCour");
        std::vector<QString> etapes;
        QObject::connect(dlg.findChild<QProgressBar*>("SuiviAss"), &QProgressBar::valueChanged,
                         &dlg, [&](int) {
                             if (imgCour->text() == QStringLiteral("Image : p0") &&
                                 traitCour->text() != QStringLiteral("Application des modifications"))
                                 etapes.push_back(traitCour->text());
                         });
        dlg.Assembler();
        EXPECT_EQ(etapes, c.etapes);
    }
    ViderListe();
}

TEST(PreparerImage, FuiteSansHorizonDecaleCommeSansCorrection)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    const TSerie s = CreerSerie(2, 101, 60, 70, {0, -6}, {}, false);
    ChargerSerie(s, false);
    ListeImgs[1].CoefFuite = 0.2f;
    TAssembleImg dlg;
    dlg.Assembler();
    ASSERT_EQ(ImgsAssemblage[1].DecalY, 6);
    // La colonne du milieu n'est pas déformée : elle montre le bitmap remonté de 6 lignes.
    const Bitmap& b1 = *BitmapDe(ListeImgs[1]);
    // Sa dernière ligne corrigée est noire, comme les lignes sans source.
    for (int y = 0; y < 60; ++y)
        EXPECT_EQ(TablesPixels[1][50][y], y + 6 < 59 ? PixelBitmap(b1, 50, y + 6) : CouleurFond) << y;
    ViderListe();
}
