#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "app/AcqImgs.h"
#include "app/BarCoul.h"
#include "app/BarreCurseur.h"
#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "platform/Image.h"
#include "platform/TabSheet.h"
#include "ui_TSeqPano.h"

namespace {

constexpr long double Pi = 3.14159265358979323846264338327950288L;

class PreTraits : public ::testing::Test
{
protected:
    QLocale localeAvant;
    std::unique_ptr<TSeqPano> fenetre;

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        fenetre = std::make_unique<TSeqPano>();
    }
    void TearDown() override
    {
        fenetre.reset();
        for (const TInfosImg& img : ListeImgs)
            LibererBitmap(img.Bitmap);
        ListeImgs.clear();
        PoidsEtapes.clear();
        TableVignette.Liberer();
        QLocale::setDefault(localeAvant);
    }

    template <class T>
    T* Controle(const char* nom)
    {
        T* c = fenetre->findChild<T*>(nom);
        EXPECT_NE(c, nullptr) << nom;
        return c;
    }
    TBarreCurseur* Curseur(const char* nom) { return Controle<TBarreCurseur>(nom); }
    QString Texte(const char* nom) { return Controle<QLabel>(nom)->text(); }

    // n images de 40 × 30, chacune d'une teinte à elle, puis la liste du jeu.
    void Charger(int n)
    {
        for (int i = 0; i < n; ++i) {
            TInfosImg img{};
            img.Bitmap = NouveauBitmap();
            Bitmap& b = *BitmapDe(img.Bitmap);
            b.SetSize(40, 30);
            b.Fill(uint8_t(10 * i + 5), 100, 200);
            img.Largeur = 40;
            img.Hauteur = 30;
            EcrireChaineCourte(img.Nom, QString("p%1.jpg").arg(i));
            ListeImgs.push_back(img);
            PoidsEtapes.push_back({0, 0, 0, 0, 15, 100});
            fenetre->InitPtsImg(i);
            fenetre->InitCorrectionsImg(i);
        }
        fenetre->NbImgs = n;
        InitialiserHarmonisation(ListeImgs, fenetre->ChoixImg());
    }
};

TEST_F(PreTraits, CurseursDeCoinVersCoefficient)
{
    Charger(2);
    struct Coin
    {
        const char* curseur;
        long double TSeqPano::*coef;
        const char* valeur;
    };
    const Coin coins[] = {
        {"CurseurCHG", &TSeqPano::CoefCourantHG, "ValCHG"},
        {"CurseurCBG", &TSeqPano::CoefCourantBG, "ValCBG"},
        {"CurseurCHD", &TSeqPano::CoefCourantHD, "ValCHD"},
        {"CurseurCBD", &TSeqPano::CoefCourantBD, "ValCBD"},
    };
    for (const Coin& c : coins) {
        SCOPED_TRACE(c.curseur);
        TBarreCurseur* curseur = Curseur(c.curseur);
        EXPECT_EQ(curseur->minimum(), 0);
        EXPECT_EQ(curseur->maximum(), 200);
        EXPECT_EQ(curseur->tickInterval(), 10);
        curseur->setValue(0);
        EXPECT_NEAR(double((*fenetre).*c.coef), 0.501187, 1e-6);
        EXPECT_EQ(Texte(c.valeur), "0,50");
        curseur->setValue(200);
        EXPECT_NEAR(double((*fenetre).*c.coef), 1.995262, 1e-6);
        EXPECT_EQ(Texte(c.valeur), "2,00");
        curseur->setValue(100);
        EXPECT_EQ((*fenetre).*c.coef, 1.0L);
        EXPECT_EQ(Texte(c.valeur), "1,00");
    }
}

TEST_F(PreTraits, AngleDeChampVersK)
{
    Charger(2);
    TBarreCurseur* hyb = Curseur("CurseurHyB");
    EXPECT_EQ(hyb->maximum(), 90);
    EXPECT_EQ(hyb->tickInterval(), 5);
    hyb->setValue(90);
    EXPECT_EQ(fenetre->CoefCourantFuite, 1.0L - cosl(90 * Pi / 180));
    EXPECT_EQ(Texte("ChObjo"), "Champ de l'objectif : 90°");
    hyb->setValue(0);
    EXPECT_EQ(fenetre->CoefCourantFuite, 0.0L);
}

// Un K enregistré de 0,1 place le curseur à 26° ; le gestionnaire ne recalcule
// K que si le curseur a bougé.
TEST_F(PreTraits, KEnregistreEtRegleDuGestionnaire)
{
    Charger(2);
    TBarreCurseur* hyb = Curseur("CurseurHyB");
    for (int depart : {0, 26}) {
        SCOPED_TRACE(depart);
        ListeImgs[1].CoefFuite = 0.1f;
        {
            const QSignalBlocker b(hyb);
            hyb->setValue(depart);
        }
        fenetre->ChargerCoefsImage();
        fenetre->AfficherCurseursPreTraits();
        EXPECT_EQ(hyb->value(), 26);
        EXPECT_EQ(Texte("ChObjo"), "Champ de l'objectif : 26°");
        if (depart == 26) {
            EXPECT_EQ(fenetre->CoefCourantFuite, static_cast<long double>(0.1f));
        } else {
            EXPECT_EQ(fenetre->CoefCourantFuite, 1.0L - cosl(26 * Pi / 180));
            fenetre->AppliquerHyBClick();
            EXPECT_EQ(ListeImgs[1].CoefFuite, static_cast<float>(1.0L - cosl(26 * Pi / 180)));
            EXPECT_NEAR(ListeImgs[1].CoefFuite, 0.10121, 1e-5);
        }
    }
}

// Un coefficient hors de la course du curseur : la butée ne change la valeur
// courante que si le curseur a dû bouger.
TEST_F(PreTraits, CoefficientHorsCourse)
{
    Charger(2);
    ListeImgs[1].CoefHD = 3.0L;
    ListeImgs[1].CoefBG = 0.25L;
    TBarreCurseur* hd = Curseur("CurseurCHD");
    TBarreCurseur* bg = Curseur("CurseurCBG");
    for (bool dejaEnButee : {false, true}) {
        SCOPED_TRACE(dejaEnButee);
        {
            const QSignalBlocker b1(hd), b2(bg);
            hd->setValue(dejaEnButee ? 200 : 100);
            bg->setValue(dejaEnButee ? 0 : 100);
        }
        fenetre->ChargerCoefsImage();
        fenetre->AfficherCurseursPreTraits();
        EXPECT_EQ(hd->value(), 200);
        EXPECT_EQ(bg->value(), 0);
        if (dejaEnButee) {
            EXPECT_EQ(fenetre->CoefCourantHD, 3.0L);
            EXPECT_EQ(Texte("ValCHD"), "3,00");
            EXPECT_EQ(fenetre->CoefCourantBG, 0.25L);
            EXPECT_EQ(Texte("ValCBG"), "0,25");
        } else {
            EXPECT_EQ(fenetre->CoefCourantHD, powl(10.0L, 0.3L));
            EXPECT_EQ(Texte("ValCHD"), "2,00");
            EXPECT_EQ(Texte("ValCBG"), "0,50");
        }
    }
}

TEST_F(PreTraits, AppliquerCopieExactementLesValeursCourantes)
{
    Charger(3);
    const TInfosImg avant = ListeImgs[1];
    fenetre->CoefCourantHG = 0.7000000000000000001L;
    fenetre->CoefCourantBG = 1.3L;
    fenetre->CoefCourantHD = 1.0L / 3;
    fenetre->CoefCourantBD = 1.9L;
    fenetre->CoefCourantFuite = 0.2L;
    fenetre->AppliquerCorrTonClick();
    const TInfosImg& img = ListeImgs[1];
    EXPECT_EQ(static_cast<long double>(img.CoefHG), 0.7000000000000000001L);
    EXPECT_EQ(static_cast<long double>(img.CoefBG), 1.3L);
    EXPECT_EQ(static_cast<long double>(img.CoefHD), 1.0L / 3);
    EXPECT_EQ(static_cast<long double>(img.CoefBD), 1.9L);
    // Le reste de l'enregistrement ne bouge pas, K compris.
    EXPECT_EQ(std::memcmp(&avant, &img, offsetof(TInfosImg, CoefHG)), 0);
    EXPECT_EQ(std::memcmp(&avant.PatchsPts, &img.PatchsPts,
                          sizeof(TInfosImg) - offsetof(TInfosImg, PatchsPts)),
              0);

    fenetre->AppliquerHyBClick();
    EXPECT_EQ(ListeImgs[1].CoefFuite, 0.2f);
    EXPECT_EQ(PoidsEtapes[1][3], 100);
}

TEST_F(PreTraits, ReinitialisationsLaissentLAutreGroupe)
{
    Charger(3);
    // Les images corrigées varient : une remise qui ne regarderait qu'une
    // image de la liste se verrait.
    const auto corriger = [](unsigned masque) {
        for (int i = 0; i < 3; ++i) {
            TInfosImg& img = ListeImgs[i];
            const bool c = masque & (1u << i);
            img.CoefHG = c ? 1.5L : 1.0L;
            img.CoefBD = c ? 0.6L : 1.0L;
            img.ReserveCorr[2] = c ? 7 : 0;
            img.FacteursRVB[3][1] = c ? 0.9f : 1.0f;
            img.CoefFuite = c ? 0.25f : 0.0f;
        }
    };
    const auto lumNeutre = [](const TInfosImg& img) {
        bool n = img.CoefHG == 1.0L && img.CoefBG == 1.0L && img.CoefHD == 1.0L &&
                 img.CoefBD == 1.0L;
        for (int r : img.ReserveCorr)
            n = n && r == 0;
        for (auto& coin : img.FacteursRVB)
            for (float f : coin)
                n = n && f == 1.0f;
        return n;
    };
    const auto lumCorrigee = [](const TInfosImg& img) {
        return img.CoefHG == 1.5L && img.CoefBD == 0.6L && img.ReserveCorr[2] == 7 &&
               img.FacteursRVB[3][1] == 0.9f;
    };
    struct Cas
    {
        void (TSeqPano::*bouton)();
        bool lumToutes, lumChoisie, fuiteToutes, fuiteChoisie;
    };
    const Cas cas[] = {
        {&TSeqPano::ReInitClick, false, true, false, false},
        {&TSeqPano::ReInitToutClick, true, true, false, false},
        {&TSeqPano::ReInitHyBClick, false, false, false, true},
        {&TSeqPano::ReInitToutHyBClick, false, false, true, true},
    };
    for (size_t k = 0; k < std::size(cas); ++k)
        for (unsigned masque : {7u, 1u, 2u, 4u, 5u}) {
            SCOPED_TRACE(testing::Message() << k << " masque " << masque);
            const Cas& c = cas[k];
            corriger(masque);
            fenetre->Modifie = false;
            (fenetre.get()->*c.bouton)();
            bool touche = false;
            for (int i = 0; i < 3; ++i) {
                const TInfosImg& img = ListeImgs[i];
                const bool corrigee = masque & (1u << i);
                const bool lum = c.lumToutes || (i == 1 && c.lumChoisie);
                const bool fuite = c.fuiteToutes || (i == 1 && c.fuiteChoisie);
                touche |= corrigee && (lum || fuite);
                EXPECT_TRUE(lum || !corrigee ? lumNeutre(img) : lumCorrigee(img)) << i;
                EXPECT_EQ(img.CoefFuite, fuite || !corrigee ? 0.0f : 0.25f) << i;
            }
            EXPECT_EQ(fenetre->Modifie, touche);
            if (touche) {
                EXPECT_TRUE(fenetre->Formulaire()->EnregistrerPrj->isEnabled());
            }
            // Une seconde remise ne change plus rien au projet.
            fenetre->Modifie = false;
            (fenetre.get()->*c.bouton)();
            EXPECT_FALSE(fenetre->Modifie);
            // Les valeurs courantes sont relues de l'image choisie (puis alignées
            // sur la position des curseurs).
            if (lumNeutre(ListeImgs[1]))
                EXPECT_EQ(fenetre->CoefCourantHG, 1.0L);
            else
                EXPECT_NEAR(double(fenetre->CoefCourantHG), 1.5, 0.01);
            if (ListeImgs[1].CoefFuite == 0.0f)
                EXPECT_EQ(fenetre->CoefCourantFuite, 0.0L);
            else
                EXPECT_NEAR(double(fenetre->CoefCourantFuite), 0.25, 0.01);
        }
}

TEST_F(PreTraits, PoidsDesEtapesSuiventLesValeursCourantes)
{
    Charger(2);
    EXPECT_EQ(PoidsEtapes[1][1], 0);
    EXPECT_EQ(PoidsEtapes[1][3], 0);
    Curseur("CurseurCBD")->setValue(120);
    EXPECT_EQ(PoidsEtapes[1][1], 100);
    Curseur("CurseurHyB")->setValue(30);
    EXPECT_EQ(PoidsEtapes[1][3], 100);
    Curseur("CurseurCBD")->setValue(100);
    Curseur("CurseurHyB")->setValue(0);
    EXPECT_EQ(PoidsEtapes[1][1], 0);
    EXPECT_EQ(PoidsEtapes[1][3], 0);
    // Seule l'image choisie est touchée.
    EXPECT_EQ(PoidsEtapes[0], (TPoidsEtapes{0, 0, 0, 0, 15, 100}));
}

TEST_F(PreTraits, ApercuSuitLesCurseurs)
{
    Charger(2);
    const Bitmap& apercu = fenetre->Image2()->Picture();
    const Bitmap vignette = *BitmapDe(ListeImgs[1]);
    EXPECT_TRUE(apercu == vignette);
    Curseur("CurseurHyB")->setValue(40);
    const uint8_t* derniere = apercu.Ligne(apercu.Height() - 1);
    EXPECT_EQ(derniere[0] + derniere[1] + derniere[2], 0);
    Curseur("CurseurCHG")->setValue(150);
    EXPECT_FALSE(apercu == vignette);
    Curseur("CurseurCHG")->setValue(100);
    Curseur("CurseurHyB")->setValue(0);
    EXPECT_TRUE(apercu == vignette);
}

TEST_F(PreTraits, ChoixDImageEtTexteSaisi)
{
    Charger(3);
    ListeImgs[2].CoefHG = 1.2L;
    ListeImgs[2].FacteursRVB[1][2] = 0.8f;
    QComboBox* choix = fenetre->ChoixImg();
    EXPECT_TRUE(choix->isEditable());
    choix->setCurrentIndex(2);
    EXPECT_EQ(fenetre->NomImg2()->text(), "p2.jpg");
    // 1,2 place le curseur à 126, dont le coefficient devient la valeur courante.
    EXPECT_EQ(Curseur("CurseurCHG")->value(), 126);
    EXPECT_EQ(fenetre->CoefCourantHG, powl(10.0L, 78 / 1000.0L));
    EXPECT_EQ(Controle<TBarRVB>("RVB_HD")->NiveauR(), static_cast<long double>(0.8f));
    EXPECT_EQ(Controle<TBarRVB>("RVB_HG")->NiveauR(), 1.0L);

    // Texte saisi : la liste n'a plus d'élément choisi, l'onglet n'en tient pas compte.
    choix->setEditText("texte libre");
    choix->setCurrentIndex(-1);
    fenetre->AppliquerCorrTonClick();
    fenetre->ReInitClick();
    EXPECT_EQ(fenetre->NomImg2()->text(), "p2.jpg");
    EXPECT_EQ(ListeImgs[2].CoefHG, 1.2L);
}

TEST_F(PreTraits, PageCacheeAvecMoinsDeDeuxImages)
{
    auto* onglets = Controle<QTabWidget>("FctPano");
    auto* page = Controle<TTabSheet>("PreTraits");
    onglets->setCurrentWidget(page);
    fenetre->PreTraitsShow();
    EXPECT_TRUE(page->isHidden());
    Charger(2);
    fenetre->PreTraitsShow();
    EXPECT_FALSE(page->isHidden());
    EXPECT_EQ(fenetre->NomImg1()->text(), "p0.jpg");

    // Montrer l'onglet recharge les valeurs ; rendre la fenêtre réduite, non.
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    onglets->setCurrentIndex(0);
    onglets->setCurrentWidget(page);
    Curseur("CurseurCHG")->setValue(150);
    const long double courant = fenetre->CoefCourantHG;
    fenetre->showMinimized();
    QCoreApplication::processEvents();
    fenetre->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(Curseur("CurseurCHG")->value(), 150);
    EXPECT_EQ(fenetre->CoefCourantHG, courant);
    onglets->setCurrentIndex(0);
    onglets->setCurrentWidget(page);
    EXPECT_EQ(Curseur("CurseurCHG")->value(), 100);
}

TEST_F(PreTraits, DispositionCentree)
{
    Charger(2);
    auto* page = Controle<TTabSheet>("PreTraits");
    page->resize(1200, 600);
    fenetre->PreTraitsResize();
    EXPECT_EQ(fenetre->ChoixImg()->x(), (1200 - 145) / 2);
    EXPECT_EQ(Controle<QLabel>("TitreHarmo")->x(), (1200 - 145) / 2);
    EXPECT_EQ(Controle<QWidget>("CtrlHarmo")->x(), (1200 - 601 - 326 - 25) / 2);
    EXPECT_EQ(Controle<QWidget>("CtrlObjo")->x(), (1200 - 601 - 326 - 25) / 2 + 601 + 25);
    EXPECT_EQ(fenetre->Image1()->x(), 120);
    EXPECT_EQ(fenetre->Image2()->x(), 440);
    EXPECT_EQ(fenetre->Image3()->x(), 760);
    EXPECT_EQ(fenetre->NomImg3()->x(), 760);
    EXPECT_EQ(Controle<TBarRVB>("RVB_BG")->x(), 440);
    // La vignette de 40 pixels donne sa largeur à l'image du milieu.
    EXPECT_EQ(fenetre->Image2()->width(), 40);
    EXPECT_EQ(Controle<TBarRVB>("RVB_HD")->x(), 440 + 40 - 45);
    EXPECT_EQ(Controle<TBarRVB>("RVB_BD")->y(), 400);
}

}  // namespace
