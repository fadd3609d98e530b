#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "core/Assemblage.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

// Images unies de tailles données, chaque paire voisine reliée par deux points.
void ListeSimple(const std::vector<QSize>& tailles, bool boucle = false)
{
    ViderListe();
    for (size_t i = 0; i < tailles.size(); ++i) {
        Bitmap b(tailles[i].width(), tailles[i].height());
        b.Fill(static_cast<uint8_t>(40 * i), 100, 200);
        AjouterImage(b, QStringLiteral("image%1.jpg").arg(i));
    }
    const int n = static_cast<int>(tailles.size());
    for (int i = 0; i < (boucle ? n : n - 1); ++i) {
        const int j = (i + 1) % n;
        const int w = tailles[i].width();
        const int a1 = AjouterPoint(i, w - 100, 50), b1 = AjouterPoint(j, 100, 50);
        RelierPoints(i, a1, j, b1);
        const int a2 = AjouterPoint(i, w - 100, 500), b2 = AjouterPoint(j, 100, 500);
        RelierPoints(i, a2, j, b2);
    }
}

std::vector<int> PositionsBarre(TAssembleImg& dlg)
{
    std::vector<int> positions;
    QObject::connect(dlg.findChild<QProgressBar*>("SuiviAss"), &QProgressBar::valueChanged, &dlg,
                     [&positions](int v) { positions.push_back(v); });
    dlg.Assembler();
    return positions;
}

}  // namespace

TEST(PoidsEtapes, AjoutActivationTotal)
{
    ViderListe();
    AjouterEtapes(3);
    AjouterEtapes(1);
    ASSERT_EQ(PoidsEtapes.size(), 4u);
    for (const TPoidsEtapes& p : PoidsEtapes)
        EXPECT_EQ(p, (TPoidsEtapes{0, 0, 0, 0, 15, 100}));
    EXPECT_EQ(TotalEtapes(), 460);
    const int actifs[6] = {70, 100, 100, 100, 15, 100};
    for (uint8_t e = 0; e < 6; ++e) {
        PoidsEtapes[1][e] = 0;
        ActiverEtape(1, e);
        EXPECT_EQ(PoidsEtapes[1][e], actifs[e]);
    }
    const std::vector<TPoidsEtapes> avant = PoidsEtapes;
    ActiverEtape(1, 6);
    ActiverEtape(4, 0);
    ActiverEtape(-1, 0);
    EXPECT_EQ(PoidsEtapes, avant);
    PoidsEtapes.clear();
}

TEST(FenetreAssemblage, ComposantsEtAnnulation)
{
    TAssembleImg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Assemblage"));
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dlg.size(), QSize(319, 148));
    struct Cas
    {
        const char* nom;
        QRect geometrie;
    };
    for (const Cas& c : {Cas{"ImgCour", {9, 15, 301, 13}}, Cas{"TraitCour", {9, 45, 301, 13}},
                         Cas{"SuiviAss", {25, 75, 266, 17}}, Cas{"Fermer", {120, 110, 75, 25}}}) {
        QWidget* w = dlg.findChild<QWidget*>(c.nom);
        ASSERT_NE(w, nullptr) << c.nom;
        EXPECT_EQ(w->geometry(), c.geometrie) << c.nom;
    }
    auto* bouton = dlg.findChild<QPushButton*>("Fermer");
    EXPECT_EQ(bouton->text(), QStringLiteral("Annuler"));
    auto* barre = dlg.findChild<QProgressBar*>("SuiviAss");
    EXPECT_EQ(barre->minimum(), 0);
    EXPECT_EQ(barre->maximum(), 100);
    EXPECT_FALSE(dlg.EstAnnule());
    bouton->click();
    EXPECT_TRUE(dlg.EstAnnule());
}

TEST(EtapeSuivante, LibellesEtBarre)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    ListeSimple({{800, 600}, {800, 640}});
    // Horizon de l'image 1 : son poids de 70, activé pendant l'ajustement des
    // points, compte dans le total (115 + 185) ; 5 (table), 28 (horizon), 61, 94.
    ListeImgs[1].PtsHoriz[0] = {100, 100};
    ListeImgs[1].PtsHoriz[1] = {700, 110};
    {
        TAssembleImg horizon;
        EXPECT_EQ(PositionsBarre(horizon), (std::vector<int>{5, 28, 61, 94}));
        EXPECT_EQ(horizon.PoidsTotal(), 300);
    }
    ListeSimple({{800, 600}, {800, 640}});
    TAssembleImg dlg;
    // Deux images sans correction : 7, 14 (tables), 57, 100 (applications).
    EXPECT_EQ(PositionsBarre(dlg), (std::vector<int>{7, 14, 57, 100}));
    EXPECT_EQ(dlg.PoidsTotal(), 230);
    EXPECT_EQ(dlg.findChild<QLabel*>("ImgCour")->text(), QStringLiteral("Image : image1.jpg"));
    EXPECT_EQ(dlg.findChild<QLabel*>("TraitCour")->text(),
              QStringLiteral("Application des modifications"));

    // Le nom complet tient toujours ; le texte est coupé à 39 caractères.
    EcrireChaineCourte(ImgsAssemblage[0].Nom, QString(31, QChar('n')));
    EXPECT_TRUE(dlg.EtapeSuivante(0, 4, QStringLiteral("x")));
    EXPECT_EQ(dlg.findChild<QLabel*>("ImgCour")->text(), QStringLiteral("Image : ") + QString(31, 'n'));
    // Indices hors bornes : pas de lecture hors des listes, la barre ne bouge pas.
    EXPECT_TRUE(dlg.EtapeSuivante(9, 7, QStringLiteral("y")));
    EXPECT_EQ(dlg.findChild<QProgressBar*>("SuiviAss")->value(), 100);
    ViderListe();
}

TEST(Assembler, TextesTailleAngleEtCommandes)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    ListeSimple({{800, 600}, {800, 640}});
    fenetre.dimPan.setText(QStringLiteral("ancien"));
    fenetre.anglePan.setText(QStringLiteral("inchangé"));
    fenetre.imgPano.resize(50, 40);
    TAssembleImg dlg;
    dlg.Assembler();
    // Image 0 : 800 ; image 1 : 800 - 100 - (800 - 700) = 600.
    EXPECT_EQ(LargeurPano, 1400);
    EXPECT_EQ(HauteurPano, 640);
    EXPECT_EQ(fenetre.dimPan.text(), QStringLiteral("  L = 1400 px ; H = 640 px"));
    // Sans angle par pixel, l'angle d'une autre série ne reste pas affiché.
    EXPECT_TRUE(fenetre.anglePan.text().isEmpty());
    EXPECT_EQ(fenetre.nbZoom, 1);
    EXPECT_TRUE(fenetre.fonduImg.isEnabled());
    EXPECT_TRUE(fenetre.postHarmo.isEnabled());
    EXPECT_TRUE(fenetre.enrgPano.isEnabled());
    EXPECT_EQ(pano.bmp.Width(), 1400);
    EXPECT_EQ(pano.bmp.Height(), 640);
    EXPECT_EQ(fenetre.imgPano.width(), 1400);
    EXPECT_EQ(fenetre.imgPano.height(), 640);
    // L'image de la vue est remplie de blanc à la taille qu'avait le contrôle.
    EXPECT_EQ(fenetre.imgPano.Picture().Width(), 50);
    EXPECT_EQ(fenetre.imgPano.Picture().Ligne(39)[0], 0xFF);
    EXPECT_TRUE(TableTravail.Vide());

    // Angle par pixel connu : degrés arrondis au pair.
    fenetre.anglePixel = 0.001L;
    dlg.Assembler();
    const long double pi = 3.14159265358979323846264338327950288L;
    EXPECT_EQ(fenetre.anglePan.text(), QStringLiteral("  L = %1 ° ; H = %2 °")
                                           .arg(Round(1400 * 0.001L * 180 / pi))
                                           .arg(Round(640 * 0.001L * 180 / pi)));
    fenetre.anglePixel = 0.0L;
    dlg.Assembler();
    EXPECT_TRUE(fenetre.anglePan.text().isEmpty());
    ViderListe();
}

TEST(Assembler, AnnulationPendantLaDeuxiemeImage)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    ListeSimple({{300, 600}, {300, 600}, {300, 600}});
    ListeImgs[0].CoefHG = 1.5L;  // image 0 : table puis luminosité, toutes deux faites
    ActiverEtape(0, 1);
    TAssembleImg dlg;
    auto* imgCour = dlg.findChild<QLabel*>("ImgCour");
    auto* traitCour = dlg.findChild<QLabel*>("TraitCour");
    std::vector<QString> etapes;
    QObject::connect(dlg.findChild<QProgressBar*>("SuiviAss"), &QProgressBar::valueChanged, &dlg,
                     [&](int) {
                         etapes.push_back(imgCour->text() + "|" + traitCour->text());
                         // Le clic arrive pendant que l'étape traite les messages.
                         if (imgCour->text().endsWith("image1.jpg") && etapes.size() == 3)
                             QMetaObject::invokeMethod(&dlg, "FermerClick", Qt::QueuedConnection);
                     });
    dlg.Assembler();
    EXPECT_TRUE(dlg.EstAnnule());
    // Toutes les étapes restent annoncées : 3, 25, 28, 31, 53, 75, 97.
    ASSERT_EQ(etapes.size(), 7u);
    EXPECT_EQ(etapes[1], QStringLiteral("Image : image0.jpg|Correction des luminosités"));
    EXPECT_EQ(etapes[2], QStringLiteral("Image : image1.jpg|Construction de la table de pixels"));
    EXPECT_EQ(etapes.back(), QStringLiteral("Image : image2.jpg|Application des modifications"));
    EXPECT_EQ(dlg.findChild<QProgressBar*>("SuiviAss")->value(), 97);
    // Largeur et décalages calculés malgré tout ; rien n'est dessiné.
    EXPECT_EQ(LargeurPano, 300 + 100 + 100);
    EXPECT_EQ(ImgsAssemblage[2].DecalX, 100);
    EXPECT_EQ(pano.bmp.Width(), 500);
    for (int y = 0; y < 600; y += 50)
        for (int x = 0; x < 500; x += 7)
            ASSERT_EQ(pano.bmp.Ligne(y)[3 * x + 1], 0xFF);
    EXPECT_EQ(TablesPixels[0].Largeur(), 300);
    EXPECT_EQ(TablesPixels[0][0][0], (TPixel{0, 150, 255}));  // luminosité appliquée
    EXPECT_EQ(TablesPixels[1].Largeur(), 300);
    EXPECT_EQ(TablesPixels[1][5][5], (TPixel{0, 0, 0}));  // dimensionnée, jamais remplie
    EXPECT_EQ(fenetre.dimPan.text(), QStringLiteral("H = 600 px"));
    EXPECT_EQ(fenetre.nbZoom, 0);
    EXPECT_FALSE(fenetre.fonduImg.isEnabled());
    EXPECT_FALSE(fenetre.enrgPano.isEnabled());

    // L'assemblage suivant repart sans annulation.
    dlg.Assembler();
    EXPECT_FALSE(dlg.EstAnnule());
    EXPECT_EQ(fenetre.nbZoom, 1);
    ViderListe();
}

TEST(Assembler, ListeDeTravailConservee)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    ListeSimple({{400, 600}, {400, 600}});
    ListeImgs[1].PtsHoriz[0] = {50, 100};
    ListeImgs[1].PtsHoriz[1] = {350, 130};
    TAssembleImg dlg;
    dlg.Assembler();
    const TPtControle tourne = ImgsAssemblage[1].PtsControle[0];
    EXPECT_NE(tourne.Y, ListeImgs[1].PtsControle[0].Y);
    EXPECT_EQ(PoidsEtapes[1][0], 70);

    // Relance après une reprise : la liste de travail n'est ni recopiée ni
    // retournée une seconde fois.
    ImgsAssemblage[0].ReserveCorr[0] = 1234;
    ConserverImgs = true;
    dlg.Assembler();
    EXPECT_FALSE(ConserverImgs);
    EXPECT_EQ(ImgsAssemblage[0].ReserveCorr[0], 1234);
    EXPECT_EQ(ImgsAssemblage[1].PtsControle[0].X, tourne.X);
    EXPECT_EQ(ImgsAssemblage[1].PtsControle[0].Y, tourne.Y);

    // La suivante recopie la liste.
    dlg.Assembler();
    EXPECT_EQ(ImgsAssemblage[0].ReserveCorr[0], 0);

    // Liste de travail d'une autre taille que la liste : recopiée malgré l'option.
    ImgsAssemblage.pop_back();
    ConserverImgs = true;
    dlg.Assembler();
    EXPECT_EQ(ImgsAssemblage.size(), 2u);
    EXPECT_FALSE(ConserverImgs);
    ViderListe();
}

TEST(Assembler, ImagesMinusculesEtPointsDegeneres)
{
    // Images de 1 ou 2 pixels, points confondus, horizon de deux points
    // identiques, liens absents : le traitement va au bout sans lecture ni
    // écriture hors des tables.
    TFausseFenetre fenetre;
    PanoramaTest pano;
    for (int mode : {0, 1}) {
        for (bool boucle : {false, true}) {
            ViderListe();
            AjouterImage(Bitmap(1, 1), QStringLiteral("a"));
            AjouterImage(Bitmap(1, 5), QStringLiteral("b"));
            AjouterImage(Bitmap(2, 1), QStringLiteral("c"));
            for (int i = 0; i < 3; ++i)
                for (int k = 0; k < 4; ++k)
                    AjouterPoint(i, 0, 0);
            RelierPoints(0, 1, 1, 1);
            ListeImgs[1].CoefFuite = 0.3f;
            ListeImgs[1].PtsHoriz[0] = {1, 1};
            ListeImgs[1].PtsHoriz[1] = {1, 1};
            ListeImgs[2].CoefBD = 2.0L;
            fenetre.mode.setCurrentIndex(mode);
            fenetre.boucler.setChecked(boucle);
            TAssembleImg dlg;
            dlg.Assembler();
            EXPECT_EQ(HauteurPano, 5);
            EXPECT_EQ(pano.bmp.Width(), std::max(LargeurPano, 0));
            EXPECT_EQ(ImgsAssemblage[1].PtsControle[0].X, 0);
        }
    }
    ViderListe();
}
