// Panoramique hors de proportion avec ses images : refusé avant d'être alloué.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"
#include "platform/Erreur.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"
#include "tests/test_assemblage_bandes.h"
#include "tests/test_vuepano_commun.h"

namespace {

const std::string MsgTropGrand = "Le panoramique serait trop grand : revoyez les points de contrôle.";

// Étendues des deux images (côtés agrandis jusqu'au point le plus loin)
// exactement au budget du lecteur de projets.
constexpr int BudgetLecteur = INT32_MAX / 8;
constexpr int DroitAuBudget = (BudgetLecteur - 4) / 2;
constexpr int GaucheAuBudget = -(BudgetLecteur - 4 - DroitAuBudget);

struct CasDemesure
{
    const char* nom;
    // Taille de chaque image.
    std::vector<QSize> tailles;
    // Colonne des points droits de l'image i et des points gauches de i + 1.
    std::vector<int> droits, gauches;
};

const CasDemesure Demesures[] = {
    {"deux 8 x 2 au budget du lecteur", {{8, 2}, {8, 2}}, {DroitAuBudget}, {GaucheAuBudget}},
    {"points gauches à 20 M px", {{40, 30}, {40, 30}, {40, 30}}, {35, 35}, {5, -20'000'000}},
    {"points gauches à 60 M px", {{40, 30}, {40, 30}, {40, 30}}, {35, 35}, {5, -60'000'000}},
    // Dans la borne des largeurs, mais 20 000 lignes sur 40 000 colonnes
    // pour 40 000 pixels d'images.
    {"bandes d'un pixel", {{20'000, 1}, {1, 20'000}}, {20'000}, {-20'000}},
};

// Grandes séries ordinaires, au-dessus du plancher de surface.
const CasDemesure GrandesSeries[] = {
    {"quatre 4000 x 3000, 13 000 x 3000", std::vector<QSize>(4, {4000, 3000}), std::vector<int>(3, 3500),
     std::vector<int>(3, 500)},
    {"six 6000 x 4000, 27 000 x 4000", std::vector<QSize>(6, {6000, 4000}), std::vector<int>(5, 5100),
     std::vector<int>(5, 900)},
    // Points posés sur des photos de 6000 x 4000 réduites depuis de moitié :
    // chaque jonction avance de 5600 colonnes, plus que W + H.
    {"huit réduites de moitié, 42 200 x 2000", std::vector<QSize>(8, {3000, 2000}),
     std::vector<int>(7, 5800), std::vector<int>(7, 200)},
};

// Chaque paire voisine reliée par deux points, sur la première et la dernière
// ligne. Sans bitmap, l'enregistrement seul porte la taille.
void Construire(const CasDemesure& c, bool bitmaps = true)
{
    ViderListe();
    const int n = static_cast<int>(c.tailles.size());
    for (int i = 0; i < n; ++i) {
        Bitmap b(bitmaps ? c.tailles[i].width() : 0, bitmaps ? c.tailles[i].height() : 0);
        b.Fill(static_cast<uint8_t>(60 * i), 100, 200);
        AjouterImage(b, QStringLiteral("d%1.bmp").arg(i));
        if (!bitmaps) {
            TInfosImg& img = ListeImgs[i];
            LibererBitmap(img.Bitmap);
            img.Bitmap = 0;
            img.Largeur = c.tailles[i].width();
            img.Hauteur = c.tailles[i].height();
            InitPtsImg(i);
            InitCorrectionsImg(i);
        }
    }
    for (int i = 0; i + 1 < n; ++i)
        for (bool bas : {false, true})
            RelierPoints(i, AjouterPoint(i, c.droits[i], bas ? c.tailles[i].height() - 1 : 0), i + 1,
                         AjouterPoint(i + 1, c.gauches[i], bas ? c.tailles[i + 1].height() - 1 : 0));
}

enum class Lancement { Direct, Annule, Reprise };

// Message de l'erreur levée, vide sans erreur.
std::string Assembler(TAssembleImg& dlg)
{
    try {
        dlg.Assembler();
    } catch (const Erreur& e) {
        return e.what();
    }
    return {};
}

}  // namespace

TEST(PanoramiqueDemesure, RefuseAvantToutAllocation)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    for (const CasDemesure& c : Demesures)
        for (Lancement l : {Lancement::Direct, Lancement::Annule, Lancement::Reprise}) {
            SCOPED_TRACE(testing::Message() << c.nom << " / " << static_cast<int>(l));
            Construire(c);
            // Panoramique précédent large et peu coûteux, ses commandes actives.
            pano.bmp.SetSize(20'000, 1);
            pano.bmp.Fill(10, 20, 30);
            const Bitmap precedent = pano.bmp;
            fenetre.fonduImg.setEnabled(true);
            fenetre.postHarmo.setEnabled(true);
            fenetre.enrgPano.setEnabled(true);
            TAssembleImg dlg;
            // Annuler, vu dès l'initialisation : le déroulement annulé
            // dimensionnerait encore le panoramique.
            if (l == Lancement::Annule)
                QMetaObject::invokeMethod(&dlg, "FermerClick", Qt::QueuedConnection);
            // Relance après une reprise : la liste de travail est reprise telle quelle.
            if (l == Lancement::Reprise) {
                ImgsAssemblage = ListeImgs;
                ConserverImgs = true;
            }
            EXPECT_EQ(Assembler(dlg), MsgTropGrand);
            EXPECT_EQ(dlg.EstAnnule(), l == Lancement::Annule);
            // Ni panoramique, ni vue, ni table : rien n'a pris la taille refusée.
            // Le précédent reste intact mais n'offre plus ses commandes.
            ASSERT_EQ(pano.bmp.Width(), precedent.Width());
            ASSERT_EQ(pano.bmp.Height(), precedent.Height());
            EXPECT_EQ(std::memcmp(pano.bmp.Ligne(0), precedent.Ligne(0), 3 * size_t(precedent.Width())), 0);
            EXPECT_EQ(fenetre.imgPano.width(), 0);
            EXPECT_EQ(LargeurPano, 0);
            for (const TPtImg& t : TablesPixels)
                EXPECT_TRUE(t.Vide());
            EXPECT_TRUE(TableTravail.Vide());
            EXPECT_FALSE(ConserverImgs);
            int hauteur = 0;
            for (const QSize& t : c.tailles)
                hauteur = std::max(hauteur, t.height());
            EXPECT_EQ(fenetre.dimPan.text(), QStringLiteral("H = %1 px").arg(hauteur));
            EXPECT_EQ(fenetre.nbZoom, 0);
            EXPECT_FALSE(fenetre.fonduImg.isEnabled());
            EXPECT_FALSE(fenetre.postHarmo.isEnabled());
            EXPECT_FALSE(fenetre.enrgPano.isEnabled());
        }
    ViderListe();
}

// Quart de tour de trois images hautes, en boucle : chaque jonction sort de
// son image de la moitié de sa hauteur, le panoramique est bien plus large
// que la somme des largeurs, et reste accepté.
TEST(PanoramiqueDemesure, QuartsDeTourEnBoucleAcceptes)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    BandesSauvees bandes;
    ViderListe();
    const int W = 40, H = 300, n = 3;
    for (int i = 0; i < n; ++i) {
        Bitmap b(W, H);
        b.Fill(static_cast<uint8_t>(70 * i), 90, 160);
        AjouterImage(b, QStringLiteral("q%1.bmp").arg(i));
        ListeImgs[i].PtsHoriz[0] = {20, 10};
        ListeImgs[i].PtsHoriz[1] = {20, 290};
    }
    // Tournés, les points de la ligne 0 passent à la colonne -130, ceux de
    // la ligne 300 à la colonne 170.
    for (int i = 0; i < n; ++i)
        for (int x : {5, 35})
            RelierPoints(i, AjouterPoint(i, x, H), (i + 1) % n, AjouterPoint((i + 1) % n, x, 0));
    fenetre.boucler.setChecked(true);
    for (int mode : {0, 1}) {
        fenetre.mode.setCurrentIndex(mode);
        TAssembleImg dlg;
        EXPECT_EQ(Assembler(dlg), "");
        EXPECT_EQ(ImgsAssemblage[1].Coins[0].X, -130);
        EXPECT_EQ(LargeurPano, n * (170 + 130));
        EXPECT_EQ(pano.bmp.Width(), LargeurPano);
        EXPECT_TRUE(fenetre.enrgPano.isEnabled());
    }
    ViderListe();
}

// Tous points dans leur image, horizon d'angle quelconque, lignes de fuite,
// boucle ou non, tailles disparates : jamais refusé, et jamais plus large que
// la somme des largeurs et hauteurs (deux pixels d'arrondi par image).
TEST(PanoramiqueDemesure, PointsDansLeursImagesToujoursAcceptes)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    BandesSauvees bandes;
    std::mt19937 alea(20261207);
    const auto entre = [&alea](int a, int b) { return std::uniform_int_distribution<int>(a, b)(alea); };
    // Les bords de l'image, qu'un quart de tour mène le plus loin, tirés souvent.
    const auto bordOuPas = [&entre](int a, int b) {
        const int t = entre(0, 2);
        return t == 0 ? a : t == 1 ? b : entre(a, b);
    };
    for (int essai = 0; essai < 150; ++essai) {
        SCOPED_TRACE(essai);
        ViderListe();
        const int n = 2 + essai % 3;
        const bool boucle = essai % 2 == 1;
        int64_t maximum = 0;
        for (int i = 0; i < n; ++i) {
            // Une image sur deux haute et étroite : le tour compte alors le plus.
            const bool etroite = entre(0, 1) == 1;
            const int W = etroite ? entre(2, 6) : entre(2, 60), H = etroite ? entre(40, 80) : entre(2, 60);
            AjouterImage(Bitmap(W, H), QStringLiteral("a%1").arg(i));
            maximum += W + H + 2;
            TInfosImg& img = ListeImgs[i];
            if (entre(0, 2) > 0) {
                for (TPoint32& h : img.PtsHoriz) {
                    do {
                        h = {entre(1, W), entre(0, H)};
                    } while (h.Y == H / 2);
                }
                if (entre(0, 1) == 1)
                    img.PtsHoriz[1].X = img.PtsHoriz[0].X;  // quart de tour
            }
            if (entre(0, 1) == 1)
                img.CoefFuite = static_cast<float>(entre(0, 100)) / 100.0f;
        }
        for (int i = 0; i < (boucle ? n : n - 1); ++i) {
            const int j = (i + 1) % n;
            const TInfosImg& a = ListeImgs[i];
            const TInfosImg& b = ListeImgs[j];
            for (int k = 0; k < 2; ++k)
                RelierPoints(i, AjouterPoint(i, bordOuPas(a.Largeur / 2, a.Largeur), bordOuPas(0, a.Hauteur)),
                             j, AjouterPoint(j, bordOuPas(0, b.Largeur / 2), bordOuPas(0, b.Hauteur)));
        }
        fenetre.boucler.setChecked(boucle);
        fenetre.mode.setCurrentIndex(essai % 4 == 0 ? 1 : 0);
        TAssembleImg dlg;
        ASSERT_EQ(Assembler(dlg), "");
        EXPECT_LE(LargeurPano, maximum);
        EXPECT_EQ(pano.bmp.Width(), std::max(LargeurPano, 0));
    }
    ViderListe();
}

// Vérifiées sur les seuls enregistrements : rien d'aussi grand n'est alloué.
TEST(PanoramiqueDemesure, GrandesSeriesAcceptees)
{
    TFausseFenetre fenetre;
    for (const CasDemesure& c : GrandesSeries) {
        SCOPED_TRACE(c.nom);
        Construire(c, false);
        TAssembleImg dlg;
        dlg.InitialiserTraitements();
        for (int i = 0; i < NbImagesAssemblage(); ++i)
            dlg.CalculerCoins(i);
        EXPECT_NO_THROW(VerifierTaillePano());
    }
    ViderListe();
}

// Par le bouton de la vraie fenêtre : le message du refus, pas « Mémoire
// insuffisante », et la fenêtre rendue comme après tout refus.
class PanoramiqueDemesureFenetre : public BancVuePano
{
protected:
    void SetUp() override
    {
        BancVuePano::SetUp();
        precedent_ = AssembleImg;
        AssembleImg = &progression;
    }

    void TearDown() override
    {
        ViderListe();
        AssembleImg = precedent_;
        BancVuePano::TearDown();
    }

    TAssembleImg progression;

private:
    TAssembleImg* precedent_ = nullptr;
};

TEST_F(PanoramiqueDemesureFenetre, RefuseParLeBouton)
{
    Construire(Demesures[2]);
    fenetre->NbImgs = 3;
    f->AssemblerImg->setEnabled(true);
    const int largeurAvant = BmpPano->Width();
    for (int lancement = 0; lancement < 2; ++lancement) {
        messages.clear();
        QTest::mouseClick(f->AssemblerImg, Qt::LeftButton);
        // Le second lancement a lieu : le premier a bien été rendu.
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].texte.toStdString(), MsgTropGrand);
        EXPECT_EQ(BmpPano->Width(), largeurAvant);
        EXPECT_FALSE(progression.isVisible());
        EXPECT_FALSE(f->Cafe->isVisible());
        EXPECT_FALSE(f->FonduImg->isEnabled());
        EXPECT_EQ(f->DimPan->text(), QStringLiteral("H = 30 px"));
    }
}
