#include <gtest/gtest.h>

#include <cstring>

#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/AcqImgs.h"
#include "app/GrilleImages.h"
#include "core/HarmoImgs.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "platform/Image.h"
#include "test_points_outils.h"
#include "ui_TSeqPano.h"

TEST(RectangleVignette, GrandCoteA128PetitCentre)
{
    struct Cas
    {
        QRect cellule;
        int largeur, hauteur;
        QRect attendu;  // gauche, haut, largeur, hauteur
    };
    for (const Cas& c : {Cas{QRect(0, 0, 136, 136), 400, 300, QRect(4, 20, 128, 96)},
                         Cas{QRect(0, 0, 136, 136), 300, 400, QRect(20, 4, 96, 128)},
                         Cas{QRect(0, 0, 136, 136), 250, 250, QRect(4, 4, 128, 128)},
                         Cas{QRect(50, 161, 136, 136), 400, 300, QRect(54, 181, 128, 96)},
                         Cas{QRect(50, 161, 136, 136), 300, 400, QRect(70, 165, 96, 128)},
                         // (136 − 1000 × 128 / 3000) / 2 = 46,67 : arrondi à 47
                         Cas{QRect(0, 0, 136, 136), 3000, 1000, QRect(4, 47, 128, 42)},
                         // (136 − 3 × 128 / 128) / 2 = 66,5 : arrondi au pair, 66
                         Cas{QRect(0, 0, 136, 136), 128, 3, QRect(4, 66, 128, 4)}})
        EXPECT_EQ(RectangleVignette(c.cellule, c.largeur, c.hauteur), c.attendu)
            << c.largeur << " x " << c.hauteur;
}

namespace {

// Fenêtre montrée sur l'onglet de la grille avec trois images de couleurs
// unies différentes.
class GrilleFenetre : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrochetsDialogues crochets;
        crochets.message = [](const DemandeMessage&) { return ReponseMessage::Ok; };
        DefinirCrochetsDialogues(crochets);
        fenetre = std::make_unique<TSeqPano>();
        const QSize tailles[3] = {{400, 300}, {300, 400}, {200, 200}};
        for (int i = 0; i < 3; ++i) {
            AjouterImageTest(tailles[i].width(), tailles[i].height(), i + 1);
            BitmapDe(ListeImgs[i])->Fill(0, 0, static_cast<uint8_t>(100 + 50 * i));
        }
        fenetre->NbImgs = 3;
        grille().SetRowCount(4);
        fenetre->resize(1000, 680);
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
        ui().FctPano->setCurrentWidget(ui().Images);
        ui().Info01->show();
        for (int n = 0; n < 3; ++n) {
            grille().Repaint();
            QCoreApplication::processEvents();
        }
        ASSERT_EQ(grille().RowHeight(1), 136);
    }
    void TearDown() override
    {
        fenetre.reset();
        ViderListe();
        DefinirCrochetsDialogues({});
    }
    Ui::TSeqPano& ui() { return *fenetre->Formulaire(); }
    TGrilleImages& grille() { return *ui().ListImgs; }
    QPoint Centre(int ligne, int colonne = 2) { return grille().CellRect(colonne, ligne).center(); }
    void Glisser(int de, int vers)
    {
        QWidget* v = grille().viewport();
        QTest::mousePress(v, Qt::LeftButton, {}, Centre(de));
        QTest::mouseMove(v, Centre(de) + QPoint(0, 40));
        QTest::mouseMove(v, Centre(vers));
        QTest::mouseRelease(v, Qt::LeftButton, {}, Centre(vers));
    }
    std::unique_ptr<TSeqPano> fenetre;
};

}  // namespace

TEST_F(GrilleFenetre, AppuiChoisitLaLigneAvantDeSignalerLAppui)
{
    QSignalSpy choix(&grille(), &TGrilleImages::SelectCell);
    QStringList ordre;
    QObject::connect(&grille(), &TGrilleImages::SelectCell, [&](int, int r) { ordre << QStringLiteral("choix %1").arg(r); });
    QObject::connect(&grille(), &TGrilleImages::MouseDown, [&] { ordre << QStringLiteral("appui"); });
    QObject::connect(&grille(), &TGrilleImages::MouseUp, [&] { ordre << QStringLiteral("relâche"); });
    QWidget* v = grille().viewport();

    QTest::mousePress(v, Qt::LeftButton, {}, Centre(2));
    QTest::mouseMove(v, Centre(3));
    QTest::mouseMove(v, Centre(3) + QPoint(0, 10));  // même ligne : rien de plus
    QTest::mouseRelease(v, Qt::LeftButton, {}, Centre(3));
    EXPECT_EQ(ordre, (QStringList{"choix 2", "appui", "choix 3", "relâche"}));
    EXPECT_EQ(grille().Row(), 3);

    ordre.clear();
    QTest::mousePress(v, Qt::LeftButton, {}, Centre(0));  // en-tête
    QTest::mouseRelease(v, Qt::LeftButton, {}, Centre(0));
    QTest::mousePress(v, Qt::RightButton, {}, Centre(1));
    QTest::mouseRelease(v, Qt::RightButton, {}, Centre(1));
    EXPECT_EQ(ordre, (QStringList{"appui", "relâche", "appui", "relâche"}));
    EXPECT_EQ(grille().Row(), 3);
}

TEST_F(GrilleFenetre, GlisserEchangeDeuxImagesSeulementAvecInfo01)
{
    // Des octets propres à chaque image partout, bourrage compris.
    for (int i = 0; i < 3; ++i) {
        TInfosImg& R = ListeImgs[i];
        EcrireChaineCourte(R.Nom, QStringLiteral("i%1").arg(i + 1));
        for (uint8_t* b : {R.Bourrage1, R.Bourrage2, R.Bourrage3})
            std::memset(b, 0x11 * (i + 1), 4);
        R.ReserveCorr[3] = i + 7;
        R.CoefFuite = 0.1f * static_cast<float>(i + 1);
        R.PtsControle[2].Couleur = i;
    }
    const auto octets = [] {
        std::vector<QByteArray> o;
        for (const TInfosImg& R : ListeImgs)
            o.emplace_back(reinterpret_cast<const char*>(&R), static_cast<qsizetype>(sizeof R));
        return o;
    };
    InitialiserHarmonisation(ListeImgs, ui().ChoixImg);
    RemplirListeReprise(ListeImgs, ui().ChoixImg);
    fenetre->PtsControlShow();
    ASSERT_EQ(fenetre->ImgsG.size(), 3u);
    ui().ChoixImg->setCurrentIndex(2);
    ui().PostHarmo->setCurrentIndex(0);

    const auto avant = octets();
    ASSERT_FALSE(fenetre->Modifie);
    Glisser(1, 3);
    EXPECT_EQ(octets(), (std::vector<QByteArray>{avant[2], avant[1], avant[0]}));
    EXPECT_FALSE(fenetre->CelluleChoisie);
    // Le nouvel ordre est celui du fichier : sa perte demande confirmation.
    EXPECT_TRUE(fenetre->Modifie);
    EXPECT_TRUE(ui().EnregistrerPrj->isEnabled());
    EXPECT_FALSE(ui().Info01->isHidden());
    // Le jeu des prétraitements, la liste de reprise et chaque vue suivent.
    EXPECT_EQ(ui().ChoixImg->currentIndex(), 1);
    EXPECT_EQ(ui().ChoixImg->itemText(0), QStringLiteral("i3"));
    ASSERT_EQ(ui().PostHarmo->count(), 4);
    EXPECT_EQ(ui().PostHarmo->itemText(0), QStringLiteral("i3"));
    EXPECT_EQ(ui().PostHarmo->currentIndex(), 3);
    for (size_t k = 0; k < 3; ++k)
        for (TImage* vue : {fenetre->ImgsG[k], fenetre->ImgsD[k]}) {
            ASSERT_EQ(vue->Picture().Width(), ListeImgs[k].Largeur) << k;
            EXPECT_EQ(vue->Picture().Ligne(0)[0], BitmapDe(ListeImgs[k])->Ligne(0)[0]) << k;
        }

    // Appui et relâche sur la même ligne, ou retour à la ligne de départ :
    // aucun échange, rien à enregistrer.
    const auto apres = octets();
    fenetre->Modifie = false;
    QTest::mouseClick(grille().viewport(), Qt::LeftButton, {}, Centre(2));
    QTest::mousePress(grille().viewport(), Qt::LeftButton, {}, Centre(2));
    QTest::mouseMove(grille().viewport(), Centre(3));
    QTest::mouseMove(grille().viewport(), Centre(2));
    QTest::mouseRelease(grille().viewport(), Qt::LeftButton, {}, Centre(2));
    EXPECT_EQ(octets(), apres);
    EXPECT_FALSE(fenetre->Modifie);

    ui().Info01->hide();
    Glisser(1, 2);
    EXPECT_EQ(octets(), apres);
    EXPECT_EQ(grille().Row(), 2);  // seule la sélection a suivi
}

// Appui et relâche sur une ligne, sans bouger : ni échange ni rafraîchissement,
// le choix des prétraitements et la liste de reprise gardent leurs indices.
TEST_F(GrilleFenetre, UnClicSurUneLigneNeRafraichitRien)
{
    InitialiserHarmonisation(ListeImgs, ui().ChoixImg);
    RemplirListeReprise(ListeImgs, ui().ChoixImg);
    ASSERT_EQ(ui().PostHarmo->count(), 4);
    const auto octets = [] {
        QByteArray o;
        for (const TInfosImg& R : ListeImgs)
            o.append(reinterpret_cast<const char*>(&R), static_cast<qsizetype>(sizeof R));
        return o;
    };
    const QByteArray avant = octets();
    for (int ligne : {1, 2, 3, 2}) {
        SCOPED_TRACE(ligne);
        ui().ChoixImg->setCurrentIndex(0);
        ui().PostHarmo->setCurrentIndex(1);
        QTest::mouseClick(grille().viewport(), Qt::LeftButton, {}, Centre(ligne));
        EXPECT_EQ(grille().Row(), ligne);
        EXPECT_EQ(octets(), avant);
        EXPECT_EQ(ui().ChoixImg->currentIndex(), 0);
        EXPECT_EQ(ui().PostHarmo->currentIndex(), 1);
        EXPECT_FALSE(fenetre->CelluleChoisie);
    }
}

TEST_F(GrilleFenetre, VignettesDansLeurRectangle)
{
    const QImage capture = grille().viewport()->grab().toImage();
    for (int ligne = 1; ligne <= 3; ++ligne) {
        const QRect cellule = grille().CellRect(1, ligne);
        const TInfosImg& R = ListeImgs[ligne - 1];
        const QRect cible = RectangleVignette(cellule, R.Largeur, R.Hauteur);
        const uint8_t rouge = BitmapDe(R)->Ligne(0)[2];
        auto pixelRouge = [&](QPoint p) { return qRed(capture.pixel(p)) == rouge && qBlue(capture.pixel(p)) == 0; };
        EXPECT_TRUE(pixelRouge(cible.topLeft() + QPoint(1, 1))) << ligne;
        EXPECT_TRUE(pixelRouge(cible.bottomRight() - QPoint(1, 1))) << ligne;
        EXPECT_FALSE(pixelRouge(cible.topLeft() - QPoint(2, 2))) << ligne;
        EXPECT_FALSE(pixelRouge(cible.bottomRight() + QPoint(2, 2))) << ligne;
    }
}

TEST_F(GrilleFenetre, SansImageLaLigneDeDonneesEstCachee)
{
    fenetre->NbImgs = 0;
    grille().SetRowCount(2);
    grille().Repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(grille().RowHeight(1), 0);
    EXPECT_EQ(grille().RowHeight(0), 24);
    QSignalSpy choix(&grille(), &TGrilleImages::SelectCell);
    QTest::mouseClick(grille().viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(choix.count(), 0);

    // La première image chargée reprend la ligne cachée et s'y dessine
    // aussitôt, sans attendre une autre peinture.
    ViderListe();
    QTemporaryDir dossier;
    const QString fichier = dossier.filePath(QStringLiteral("seule.png"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(0xFF336699);
    ASSERT_TRUE(image.save(fichier, "PNG"));
    CrochetsDialogues crochets;
    QStringList messages;
    crochets.message = [&](const DemandeMessage& d) {
        messages << d.texte;
        return ReponseMessage::Ok;
    };
    crochets.fichier = [&](const DemandeFichier&) { return ReponseFichier{true, {fichier}}; };
    DefinirCrochetsDialogues(crochets);
    QSignalSpy dessins(&grille(), &TGrilleImages::DrawCell);
    fenetre->ChargerUneImageClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    EXPECT_EQ(grille().RowCount(), 2);
    EXPECT_EQ(grille().RowHeight(1), 136);
    QList<int> colonnes;
    for (const QList<QVariant>& d : dessins)
        if (d[1].toInt() == 1 && d[2].toRect().height() == 136)
            colonnes << d[0].toInt();
    for (int c = 0; c < 8; ++c)
        EXPECT_TRUE(colonnes.contains(c)) << c;

    // De même pour un projet d'une seule image.
    const QString projet = dossier.filePath(QStringLiteral("seule.kvp"));
    {
        QFile f(projet);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(&ListeImgs[0]), sizeof(TInfosImg));
    }
    fenetre->Modifie = false;
    fenetre->NouveauPrjClick();
    dessins.clear();
    fenetre->OuvrirProjet(projet);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
    ASSERT_EQ(ListeImgs.size(), 1u);
    colonnes.clear();
    for (const QList<QVariant>& d : dessins)
        if (d[1].toInt() == 1 && d[2].toRect().height() == 136)
            colonnes << d[0].toInt();
    for (int c = 0; c < 8; ++c)
        EXPECT_TRUE(colonnes.contains(c)) << c;
}
