#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

#include "app/AcqImgs.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "platform/Image.h"
#include "platform/TabSheet.h"
#include "test_points_outils.h"
#include "ui_TSeqPano.h"

namespace {

constexpr uint32_t Rouge = 0x0000FF;
constexpr uint32_t Jaune = 0x00FFFF;
constexpr uint32_t Bleu = 0xFF0000;

// Fenêtre principale montrée (hors écran) sur l'onglet des points, avec trois
// images de 400 × 300.
class EditeurPoints : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CrochetsDialogues crochets;
        crochets.message = [this](const DemandeMessage& d) {
            messages.push_back(d.texte);
            return reponse;
        };
        DefinirCrochetsDialogues(crochets);
        fenetre = std::make_unique<TSeqPano>();
        for (uint32_t g = 1; g <= 3; ++g)
            AjouterImageTest(400, 300, g);
        fenetre->NbImgs = 3;
        fenetre->resize(1000, 680);
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
        ui().FctPano->setCurrentWidget(ui().PtsControl);
        QCoreApplication::processEvents();
        ASSERT_EQ(fenetre->ImgsG.size(), 3u);
    }
    void TearDown() override
    {
        fenetre.reset();
        ViderListe();
        DefinirCrochetsDialogues({});
    }
    Ui::TSeqPano& ui() { return *fenetre->Formulaire(); }
    TImage* G(int i) { return fenetre->ImgsG[i]; }
    TImage* D(int i) { return fenetre->ImgsD[i]; }
    void Clic(TImage* vue, int x, int y, Qt::MouseButton b = Qt::LeftButton)
    {
        QTest::mouseClick(vue, b, {}, QPoint(x, y));
    }
    // Projet tenu pour enregistré, commandes d'enregistrement éteintes.
    void EteindreEnregistrement()
    {
        fenetre->Modifie = false;
        ui().EnregistrerPrj->setEnabled(false);
        ui().EnregistrerPrjsous->setEnabled(false);
    }
    // La fermeture proposerait d'enregistrer : le menu le permet aussi.
    void AttendreEnregistrable()
    {
        EXPECT_TRUE(fenetre->Modifie);
        EXPECT_TRUE(ui().EnregistrerPrj->isEnabled());
        EXPECT_TRUE(ui().EnregistrerPrjsous->isEnabled());
    }
    // Montre l'image j dans la vue de droite, comme un clic sur son onglet.
    void MontrerADroite(int j) { ui().ControlImgD->setCurrentWidget(fenetre->OngletsD[j]); }
    static const TPtControle& Pt(int i, int k) { return ListeImgs[i].PtsControle[k - 1]; }
    static bool CouleurPresente(const Bitmap& b, int X, int Y, uint32_t c)
    {
        for (int y = Y - 9; y <= Y + 9; ++y)
            for (int x = X - 9; x <= X + 9; ++x) {
                if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height())
                    continue;
                const uint8_t* p = b.Ligne(y) + x * 3;
                if (p[2] == (c & 0xFF) && p[1] == ((c >> 8) & 0xFF) && p[0] == (c >> 16))
                    return true;
            }
        return false;
    }
    // La vue montre l'image telle quelle, hors des carrés de marqueurs donnés.
    static bool VuePropre(const TImage* vue, int i, std::initializer_list<QPoint> marqueurs = {})
    {
        const Bitmap& a = vue->Picture();
        const Bitmap& b = *BitmapDe(ListeImgs[i]);
        if (a.Width() != b.Width() || a.Height() != b.Height())
            return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                bool dansMarqueur = false;
                for (const QPoint& m : marqueurs)
                    dansMarqueur = dansMarqueur || (std::abs(x - m.x()) <= 9 && std::abs(y - m.y()) <= 9);
                if (!dansMarqueur && std::memcmp(a.Ligne(y) + x * 3, b.Ligne(y) + x * 3, 3) != 0)
                    return false;
            }
        return true;
    }

    std::unique_ptr<TSeqPano> fenetre;
    std::vector<QString> messages;
    ReponseMessage reponse = ReponseMessage::Oui;
};

const QString MessageAttente = QStringLiteral(
    "Avant de créer un nouveau point de contrôle, vous devez définir la correspondance du point "
    "actuel dans l'autre fenêtre.");

}  // namespace

TEST_F(EditeurPoints, VuesDesVoisinsALaCreation)
{
    EXPECT_EQ(G(0)->Tag(), 0);
    EXPECT_EQ(G(0)->Hint(), QStringLiteral("G"));
    EXPECT_EQ(D(2)->Hint(), QStringLiteral("D"));
    EXPECT_EQ(fenetre->NumImgDroite, 1);
    EXPECT_TRUE(VuePropre(G(0), 0));
    EXPECT_TRUE(VuePropre(D(1), 1));
    EXPECT_TRUE(D(2)->Picture().Empty());
    EXPECT_TRUE(G(1)->Picture().Empty());
    auto* droite = ui().ControlImgD;
    EXPECT_FALSE(droite->isTabVisible(0));
    EXPECT_TRUE(droite->isTabVisible(1));
    EXPECT_TRUE(droite->isTabVisible(2));
    EXPECT_EQ(droite->tabText(2), QStringLiteral("Img 3"));

    MontrerADroite(2);
    EXPECT_EQ(fenetre->NumImgDroite, 2);
    EXPECT_TRUE(D(1)->Picture().Empty());
    EXPECT_TRUE(VuePropre(D(2), 2));

    // Réduire puis rendre la fenêtre ne change pas d'onglet.
    fenetre->showMinimized();
    QCoreApplication::processEvents();
    fenetre->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(fenetre->NumImgDroite, 2);
    EXPECT_TRUE(D(1)->Picture().Empty());
    EXPECT_TRUE(VuePropre(D(2), 2));

    // Onglet de gauche de l'image 3 : voisines 2 et 1, la 1 montrée.
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[2]);
    EXPECT_EQ(fenetre->NumImgDroite, 0);
    EXPECT_TRUE(VuePropre(G(2), 2));
    EXPECT_TRUE(G(0)->Picture().Empty());
    EXPECT_TRUE(droite->isTabVisible(0));
    EXPECT_TRUE(droite->isTabVisible(1));
    EXPECT_FALSE(droite->isTabVisible(2));
}

TEST_F(EditeurPoints, PointEnAttentePuisRefusDuMemeCote)
{
    ASSERT_FALSE(ui().Info01->isHidden());
    Clic(G(0), 100, 100);
    const TInfosImg& R = ListeImgs[0];
    // Un point d'alignement modifie le projet et arrête le réordonnancement.
    EXPECT_TRUE(fenetre->Modifie);
    EXPECT_TRUE(ui().Info01->isHidden());
    EXPECT_TRUE(ui().SupprPtC->isEnabled());
    EXPECT_EQ(R.NbPtsControle, 1);
    EXPECT_EQ(R.PtCourant, 1);
    EXPECT_EQ(LireChaineCourte(R.CoteEnAttente), QStringLiteral("G"));
    EXPECT_EQ(fenetre->ImgEnAttente, 0);
    EXPECT_EQ(fenetre->PtEnAttente, 1);
    EXPECT_EQ(Pt(0, 1).X, 100);
    EXPECT_EQ(Pt(0, 1).NumImg, -1);
    EXPECT_EQ(static_cast<uint32_t>(Pt(0, 1).Couleur), Rouge);
    EXPECT_NE(R.PatchsPts[0], 0u);
    EXPECT_TRUE(CouleurPresente(G(0)->Picture(), 100, 100, Rouge));
    EXPECT_TRUE(messages.empty());

    Clic(G(0), 250, 200);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], MessageAttente);
    EXPECT_EQ(R.NbPtsControle, 1);
    EXPECT_EQ(R.PatchsPts[1], 0u);

    // Un clic sur un point existant le choisit sans rien créer.
    Clic(G(0), 105, 96);
    EXPECT_EQ(R.NbPtsControle, 1);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(EditeurPoints, AppariementEtCouleurDuSecondPoint)
{
    Clic(G(0), 100, 100);  // image 1, point 1, attend à gauche
    Clic(D(1), 120, 110);  // image 2, point 1 : apparié
    EXPECT_EQ(Pt(0, 1).NumImg, 1);
    EXPECT_EQ(Pt(0, 1).NumPt, 1);
    EXPECT_EQ(Pt(1, 1).NumImg, 0);
    EXPECT_EQ(Pt(1, 1).NumPt, 1);
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
    EXPECT_EQ(LireChaineCourte(ListeImgs[0].CoteEnAttente), QString());

    MontrerADroite(2);
    Clic(D(2), 300, 200);  // image 3, point 1 (rouge), attend à droite
    EXPECT_EQ(LireChaineCourte(ListeImgs[2].CoteEnAttente), QStringLiteral("D"));
    Clic(G(0), 200, 150);  // image 1, point 2 (jaune) : apparié avec lui
    EXPECT_EQ(Pt(0, 2).NumImg, 2);
    EXPECT_EQ(Pt(0, 2).NumPt, 1);
    EXPECT_EQ(Pt(2, 1).NumImg, 0);
    EXPECT_EQ(Pt(2, 1).NumPt, 2);
    EXPECT_EQ(static_cast<uint32_t>(Pt(0, 2).Couleur), Jaune);
    EXPECT_EQ(static_cast<uint32_t>(Pt(2, 1).Couleur), Jaune);
    EXPECT_TRUE(CouleurPresente(D(2)->Picture(), 300, 200, Jaune));
    EXPECT_FALSE(CouleurPresente(D(2)->Picture(), 300, 200, Rouge));
    EXPECT_TRUE(CouleurPresente(G(0)->Picture(), 200, 150, Jaune));
    EXPECT_TRUE(messages.empty());

    // Le point repeint garde les pixels propres dans son propre tampon.
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[1]);
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[2]);
    EXPECT_TRUE(CouleurPresente(G(2)->Picture(), 300, 200, Jaune));
    EXPECT_TRUE(VuePropre(G(2), 2, {QPoint(300, 200)}));
}

TEST_F(EditeurPoints, SupprimerUnPointAppareEmporteSonAssocie)
{
    Clic(G(0), 100, 100);
    Clic(D(1), 120, 110);
    MontrerADroite(2);
    Clic(D(2), 300, 200);
    Clic(G(0), 200, 150);
    ASSERT_EQ(ListeImgs[0].NbPtsControle, 2);

    reponse = ReponseMessage::Non;
    Clic(G(0), 101, 99, Qt::RightButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Voulez-vous supprimer ce point de contrôle ainsi que son "
                                          "associé dans l'image N° 2 ?"));
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 2);

    reponse = ReponseMessage::Oui;
    const HPatch tamponSuivant = ListeImgs[0].PatchsPts[1];
    Clic(G(0), 101, 99, Qt::RightButton);
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(ListeImgs[1].NbPtsControle, 0);
    EXPECT_EQ(ListeImgs[0].PtCourant, 1);
    EXPECT_EQ(ListeImgs[1].PtCourant, 0);
    // L'ancien point 2 devient le point 1, son associé le suit.
    EXPECT_EQ(Pt(0, 1).X, 200);
    EXPECT_EQ(ListeImgs[0].PatchsPts[0], tamponSuivant);
    EXPECT_EQ(ListeImgs[0].PatchsPts[1], 0u);
    EXPECT_EQ(Pt(0, 1).NumImg, 2);
    EXPECT_EQ(Pt(2, 1).NumPt, 1);
    EXPECT_EQ(Pt(0, 2).X, 200);
    EXPECT_EQ(Pt(0, 2).Y, 150);
    EXPECT_EQ(Pt(0, 2).NumImg, -1);
    EXPECT_EQ(Pt(0, 2).Couleur, 0);
    EXPECT_EQ(Pt(1, 1).X, 200);
    EXPECT_EQ(Pt(1, 1).NumImg, -1);
    EXPECT_TRUE(VuePropre(G(0), 0, {QPoint(200, 150)}));
}

// Après chaque suppression le test passe au numéro suivant : le point glissé
// dans la case libérée n'est pas retesté.
TEST_F(EditeurPoints, UnClicDroitSupprimeLesPointsAPortee)
{
    Clic(G(0), 100, 100);
    Clic(D(1), 50, 50);
    Clic(G(0), 108, 100);
    Clic(D(1), 150, 50);
    Clic(G(0), 104, 108);  // attend à gauche
    ASSERT_EQ(ListeImgs[0].NbPtsControle, 3);

    Clic(G(0), 104, 103, Qt::RightButton);  // les trois points sont à portée
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], QStringLiteral("Voulez-vous supprimer ce point de contrôle ainsi que son "
                                          "associé dans l'image N° 2 ?"));
    EXPECT_EQ(messages[1], QStringLiteral("Voulez-vous supprimer ce point de contrôle ?"));
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(Pt(0, 1).X, 108);
    EXPECT_EQ(Pt(0, 1).NumPt, 1);
    EXPECT_EQ(ListeImgs[1].NbPtsControle, 1);
    EXPECT_EQ(Pt(1, 1).X, 150);
    EXPECT_EQ(Pt(1, 1).NumPt, 1);
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
    EXPECT_EQ(LireChaineCourte(ListeImgs[0].CoteEnAttente), QString());
}

TEST_F(EditeurPoints, LePointQuiAttendPrendLaPlaceDuPoint1Supprime)
{
    Clic(G(0), 100, 100);
    Clic(D(1), 50, 50);
    Clic(G(0), 200, 200);  // point 2, attend à gauche
    Clic(G(0), 100, 100, Qt::RightButton);
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(fenetre->ImgEnAttente, 0);
    EXPECT_EQ(fenetre->PtEnAttente, 1);

    Clic(D(1), 60, 60);  // s'apparie avec lui
    EXPECT_EQ(Pt(1, 1).NumImg, 0);
    EXPECT_EQ(Pt(1, 1).NumPt, 1);
    EXPECT_EQ(Pt(0, 1).X, 200);
    EXPECT_EQ(Pt(0, 1).NumImg, 1);
    EXPECT_EQ(Pt(0, 1).NumPt, 1);
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
}

TEST_F(EditeurPoints, SupprimerLePointQuiAttend)
{
    Clic(G(0), 100, 100);
    EteindreEnregistrement();
    Clic(G(0), 100, 100, Qt::RightButton);
    AttendreEnregistrable();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Voulez-vous supprimer ce point de contrôle ?"));
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 0);
    EXPECT_EQ(ListeImgs[0].PtCourant, 0);
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
    EXPECT_EQ(LireChaineCourte(ListeImgs[0].CoteEnAttente), QString());
    EXPECT_TRUE(VuePropre(G(0), 0));
    Clic(G(0), 150, 100);  // plus de refus
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(EditeurPoints, GlisserBorneDansLImage)
{
    Clic(G(0), 100, 100);
    QTest::mousePress(G(0), Qt::LeftButton, {}, QPoint(100, 100));
    ui().Info01->show();
    fenetre->Modifie = false;
    QTest::mouseMove(G(0), QPoint(150, 120));
    EXPECT_TRUE(fenetre->Modifie);
    EXPECT_TRUE(ui().Info01->isHidden());
    EXPECT_EQ(Pt(0, 1).X, 150);
    EXPECT_EQ(Pt(0, 1).Y, 120);
    QTest::mouseMove(G(0), QPoint(-5, 500));
    QTest::mouseRelease(G(0), Qt::LeftButton, {}, QPoint(-5, 500));
    EXPECT_EQ(Pt(0, 1).X, 1);
    EXPECT_EQ(Pt(0, 1).Y, 298);
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_TRUE(CouleurPresente(G(0)->Picture(), 1, 298, Rouge));
    EXPECT_TRUE(VuePropre(G(0), 0, {QPoint(1, 298)}));
}

TEST_F(EditeurPoints, GlisserSansPointCourantNeDeplaceRien)
{
    Clic(G(0), 100, 100);
    ListeImgs[0].PtCourant = -1;
    // Appui refusé par le message : le numéro courant reste -1.
    QTest::mousePress(G(0), Qt::LeftButton, {}, QPoint(250, 250));
    QTest::mouseMove(G(0), QPoint(260, 240));
    QTest::mouseRelease(G(0), Qt::LeftButton, {}, QPoint(260, 240));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(Pt(0, 1).X, 100);
    EXPECT_EQ(Pt(0, 1).Y, 100);
    EXPECT_TRUE(VuePropre(G(0), 0, {QPoint(100, 100)}));
}

TEST_F(EditeurPoints, CoefficientAuSurvolDUnPointApparie)
{
    Clic(G(0), 100, 100);
    Clic(D(1), 120, 110);
    QTest::mouseMove(G(0), QPoint(103, 97));
    EXPECT_EQ(ui().AffCorr->text(), CoeffCorrelation(0, 1, 100, 100));
    EXPECT_FALSE(ui().AffCorr->text().isEmpty());
    QTest::mouseMove(G(0), QPoint(300, 250));
    EXPECT_TRUE(ui().AffCorr->text().isEmpty());
}

TEST_F(EditeurPoints, ReferencesDHorizontalite)
{
    ui().TypePtCHorizontalite->setChecked(true);
    Clic(G(0), 50, 60);
    Clic(G(0), 300, 70);
    Clic(G(0), 200, 200);  // une troisième est refusée sans message
    const TInfosImg& R = ListeImgs[0];
    EXPECT_EQ(R.NbPtsHoriz, 2);
    EXPECT_EQ(R.PtHorizCourant, 0);
    EXPECT_EQ(static_cast<uint32_t>(Pt(0, 1).Couleur), Rouge);
    EXPECT_EQ(static_cast<uint32_t>(Pt(0, 2).Couleur), Bleu);
    EXPECT_TRUE(CouleurPresente(G(0)->Picture(), 300, 70, Bleu));
    EXPECT_EQ(R.NbPtsControle, 0);
    EXPECT_TRUE(messages.empty());
    // Modifié sans interdire le réordonnancement.
    AttendreEnregistrable();
    EXPECT_FALSE(ui().Info01->isHidden());

    EteindreEnregistrement();
    Clic(G(0), 52, 58, Qt::RightButton);
    AttendreEnregistrable();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Voulez-vous supprimer cette référence d'horizontalité ?"));
    EXPECT_EQ(R.NbPtsHoriz, 1);
    EXPECT_EQ(R.PtsHoriz[0], (TPoint32{300, 70}));
    EXPECT_EQ(R.PtsHoriz[1], (TPoint32{0, 150}));
    EXPECT_EQ(R.PatchsHoriz[1], 0u);
    EXPECT_TRUE(VuePropre(G(0), 0, {QPoint(300, 70)}));

    // Le point d'alignement 2 créé ensuite reprend le jaune.
    ui().TypePtCAlignement->setChecked(true);
    Clic(G(0), 100, 100);
    Clic(D(1), 100, 100);
    Clic(G(0), 200, 100);
    EXPECT_EQ(static_cast<uint32_t>(Pt(0, 2).Couleur), Jaune);
}

TEST_F(EditeurPoints, ToutSupprimerAvecUnPointEnAttente)
{
    Clic(G(0), 100, 100);
    Clic(D(1), 120, 110);
    Clic(G(0), 200, 200);  // attend à gauche
    ui().TypePtCHorizontalite->setChecked(true);
    Clic(G(0), 300, 50);
    ui().Info01->hide();
    ui().ChargerUneImage->setEnabled(false);

    ui().SupprPtC->setEnabled(true);
    EteindreEnregistrement();
    QTest::mouseClick(ui().SupprPtC, Qt::LeftButton);
    AttendreEnregistrable();
    EXPECT_TRUE(messages.empty());
    for (const TInfosImg& R : ListeImgs) {
        EXPECT_EQ(R.NbPtsControle, 0);
        EXPECT_EQ(R.NbPtsHoriz, 0);
        EXPECT_EQ(R.PatchsPts[0], 0u);
    }
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
    EXPECT_FALSE(ui().Info01->isHidden());
    EXPECT_TRUE(ui().ChargerUneImage->isEnabled());
    EXPECT_TRUE(VuePropre(G(0), 0));
    EXPECT_TRUE(VuePropre(D(1), 1));

    ui().TypePtCAlignement->setChecked(true);
    Clic(D(1), 50, 50);  // attend à son tour au lieu de s'apparier
    EXPECT_EQ(Pt(1, 1).NumImg, -1);
    EXPECT_EQ(LireChaineCourte(ListeImgs[1].CoteEnAttente), QStringLiteral("D"));
    EXPECT_EQ(fenetre->ImgEnAttente, 1);
}

TEST_F(EditeurPoints, SupprimerUnCoupleDansLaMemeImage)
{
    Clic(G(0), 50, 50);  // image 1, point 1, attend à gauche
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[1]);
    MontrerADroite(0);
    Clic(D(0), 150, 50);   // image 1, point 2 : apparié au point 1 de la même image
    Clic(D(0), 250, 50);   // image 1, point 3, attend à droite
    Clic(G(1), 100, 100);  // image 2, point 1 : apparié au point 3
    ASSERT_EQ(Pt(0, 2).NumImg, 0);
    ASSERT_EQ(Pt(0, 2).NumPt, 1);
    ASSERT_EQ(Pt(1, 1).NumPt, 3);
    const HPatch tamponGarde = ListeImgs[0].PatchsPts[2];

    Clic(D(0), 50, 50, Qt::RightButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral(" dans l'image N° 1 ?")));
    // Le couple part en entier ; le point 3 devient le point 1.
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(Pt(0, 1).X, 250);
    EXPECT_EQ(ListeImgs[0].PatchsPts[0], tamponGarde);
    EXPECT_EQ(Pt(0, 1).NumImg, 1);
    EXPECT_EQ(Pt(0, 1).NumPt, 1);
    EXPECT_EQ(Pt(1, 1).NumPt, 1);
    EXPECT_TRUE(VuePropre(D(0), 0, {QPoint(250, 50)}));
}

// Le classeur redimensionné recadre le panoramique, quel que soit l'onglet montré.
TEST_F(EditeurPoints, RedimensionnerSurLOngletAssemblageRecadreLePanoramique)
{
    BmpPano->SetSize(4000, 500);
    LargeurPano = 4000;
    HauteurPano = 500;
    ui().FctPano->setCurrentWidget(ui().Assemblage);
    QCoreApplication::processEvents();
    for (const int largeur : {1300, 1100}) {
        SCOPED_TRACE(largeur);
        fenetre->resize(largeur, 700);
        QCoreApplication::processEvents();
        const int vue = ui().AffPano->viewport()->width();
        EXPECT_GT(vue, largeur - 60);
        EXPECT_EQ(ui().ImgPano->width(), vue);
    }
    LargeurPano = 0;
    HauteurPano = 0;
}

TEST(OngletPoints, UneSeuleImageLaisseLOngletVide)
{
    TSeqPano fenetre;
    AjouterImageTest(40, 30, 1);
    fenetre.NbImgs = 1;
    fenetre.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fenetre));
    fenetre.Formulaire()->FctPano->setCurrentWidget(fenetre.Formulaire()->PtsControl);
    fenetre.PtsControlShow();
    EXPECT_EQ(fenetre.Formulaire()->ControlImgG->count(), 0);
    EXPECT_EQ(fenetre.Formulaire()->ControlImgD->count(), 0);
    EXPECT_TRUE(fenetre.ImgsG.empty());
    ViderListe();
}

// Un couple dans une même image glisse en entier quand un point de devant
// part : ses deux liens le suivent, et rien ne descend sous zéro point.
TEST_F(EditeurPoints, SupprimerDevantUnCoupleDeLaMemeImage)
{
    Clic(G(0), 60, 60);    // A.1, attend à gauche
    Clic(D(1), 70, 70);    // B.1, apparié à A.1
    Clic(D(1), 210, 140);  // B.2, attend à droite
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[1]);
    Clic(G(1), 300, 250);  // B.3, apparié à B.2
    ASSERT_EQ(ListeImgs[1].NbPtsControle, 3);
    ASSERT_EQ(Pt(1, 3).NumPt, 2);
    // Numéro courant au plus bas, comme un projet relu peut le porter.
    ListeImgs[1].PtCourant = -4;
    const TInfosImg avant = ListeImgs[1];

    Clic(G(1), 70, 70, Qt::RightButton);
    EXPECT_EQ(ListeImgs[0].NbPtsControle, 0);
    ASSERT_EQ(ListeImgs[1].NbPtsControle, 2);
    EXPECT_EQ(Pt(1, 1).X, 210);
    EXPECT_EQ(Pt(1, 1).NumImg, 1);
    EXPECT_EQ(Pt(1, 1).NumPt, 2);
    EXPECT_EQ(Pt(1, 2).X, 300);
    EXPECT_EQ(Pt(1, 2).NumImg, 1);
    EXPECT_EQ(Pt(1, 2).NumPt, 1);

    Clic(G(1), 210, 140, Qt::RightButton);
    Clic(G(1), 210, 140, Qt::RightButton);
    const TInfosImg& B = ListeImgs[1];
    EXPECT_EQ(B.NbPtsControle, 0);
    for (const TPtControle& p : B.PtsControle) {
        EXPECT_EQ(p.X, 200);
        EXPECT_EQ(p.Y, 150);
        EXPECT_EQ(p.NumImg, -1);
    }
    EXPECT_EQ(B.Largeur, avant.Largeur);
    EXPECT_EQ(B.Hauteur, avant.Hauteur);
    // Coefficients de coin, facteurs de couleur et de fuite : intacts.
    const auto* b = reinterpret_cast<const char*>(&B);
    const auto* a = reinterpret_cast<const char*>(&avant);
    EXPECT_EQ(std::memcmp(b + offsetof(TInfosImg, CoefHG), a + offsetof(TInfosImg, CoefHG),
                          offsetof(TInfosImg, PatchsPts) - offsetof(TInfosImg, CoefHG)), 0);
    EXPECT_EQ(std::memcmp(b + offsetof(TInfosImg, FacteursRVB), a + offsetof(TInfosImg, FacteursRVB),
                          sizeof(TInfosImg) - offsetof(TInfosImg, FacteursRVB)), 0);
    EXPECT_GE(B.PtCourant, -4);
}

// Le quatrième point se pose à la souris, vert et lié ; un cinquième clic loin
// de tout point ne crée rien, ne montre rien et ne choisit aucun point.
TEST_F(EditeurPoints, QuatriemePointPuisCinquiemeClic)
{
    Clic(G(0), 50, 50);
    Clic(D(1), 60, 60);
    Clic(G(0), 50, 150);
    Clic(D(1), 60, 160);
    ui().ControlImgG->setCurrentWidget(fenetre->OngletsG[2]);
    MontrerADroite(1);
    Clic(G(2), 300, 50);
    Clic(D(1), 340, 60);
    Clic(G(2), 300, 150);
    Clic(D(1), 340, 160);
    const TInfosImg& B = ListeImgs[1];
    ASSERT_EQ(B.NbPtsControle, 4);
    EXPECT_EQ(B.PtCourant, 4);
    EXPECT_EQ(static_cast<uint32_t>(Pt(1, 4).Couleur), 0x008000u);
    EXPECT_EQ(Pt(1, 4).NumImg, 2);
    EXPECT_EQ(Pt(1, 4).NumPt, 2);
    EXPECT_EQ(Pt(2, 2).NumImg, 1);
    EXPECT_EQ(Pt(2, 2).NumPt, 4);
    EXPECT_EQ(static_cast<uint32_t>(Pt(2, 2).Couleur), 0x008000u);
    EXPECT_TRUE(CouleurPresente(D(1)->Picture(), 340, 160, 0x008000));

    const QPoint marqueurs[4] = {{60, 60}, {60, 160}, {340, 60}, {340, 160}};
    Clic(D(1), 200, 250);
    EXPECT_EQ(B.NbPtsControle, 4);
    EXPECT_EQ(B.PtCourant, 0);
    EXPECT_NE(B.PatchsPts[3], 0u);
    EXPECT_EQ(fenetre->ImgEnAttente, -1);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(VuePropre(D(1), 1, {marqueurs[0], marqueurs[1], marqueurs[2], marqueurs[3]}));
}
