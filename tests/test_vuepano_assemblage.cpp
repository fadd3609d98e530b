// De bout en bout sur la vraie fenêtre : une série générée, ses points posés
// par le modèle, l'assemblage lancé, annulé en cours de route, puis la reprise
// d'harmonisation et le fondu.

#include <algorithm>
#include <functional>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "core/Assemblage.h"
#include "core/HarmoImgs.h"
#include "tests/GenerateurScene.h"
#include "tests/test_vuepano_commun.h"

namespace {

class AssemblageDeBoutEnBout : public BancVuePano
{
protected:
    void SetUp() override
    {
        BancVuePano::SetUp();
        precedent_ = AssembleImg;
        progression = std::make_unique<TAssembleImg>();
        AssembleImg = progression.get();
        barre = progression->findChild<QProgressBar*>("SuiviAss");
        ASSERT_NE(barre, nullptr);
        LargeurBoite(950);
        ChargerSerie(CreerSerie(3, 240, 160, 170, {0, 6, -4}, {0.0, 0.0, 0.0}, false), false);
        RemplirListeReprise(ListeImgs, nullptr);
        fenetre->NbImgs = 3;
        f->AssemblerImg->setEnabled(true);
    }

    void TearDown() override
    {
        ViderListe();
        AssembleImg = precedent_;
        progression.reset();
        BancVuePano::TearDown();
    }

    // Lance l'assemblage par son bouton ; « pendant » s'exécute à chaque pas
    // de la barre, pendant que le déroulement traite les messages.
    void Lancer(std::function<void(int)> pendant = {})
    {
        QMetaObject::Connection c;
        if (pendant)
            c = QObject::connect(barre, &QProgressBar::valueChanged, barre, pendant);
        QTest::mouseClick(f->AssemblerImg, Qt::LeftButton);
        QObject::disconnect(c);
    }

    std::unique_ptr<TAssembleImg> progression;
    QProgressBar* barre = nullptr;

private:
    TAssembleImg* precedent_ = nullptr;
};

}  // namespace

TEST_F(AssemblageDeBoutEnBout, LancementComplet)
{
    bool cafeVu = false, modale = false;
    Lancer([&](int) {
        cafeVu = f->Cafe->isVisible();
        modale = QApplication::activeModalWidget() == progression.get();
    });
    EXPECT_TRUE(cafeVu);
    EXPECT_TRUE(modale);
    EXPECT_FALSE(f->Cafe->isVisible());
    EXPECT_FALSE(progression->isVisible());
    EXPECT_EQ(progression->windowModality(), Qt::NonModal);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(f->DimPan->text().startsWith(QStringLiteral("  L = %1 px ; H = ").arg(LargeurPano)));
    EXPECT_TRUE(f->FonduImg->isEnabled());
    EXPECT_TRUE(f->PostHarmo->isEnabled());
    EXPECT_TRUE(fenetre->EnrgPano()->isEnabled());
    // La vue montre le panoramique ajusté à la boîte.
    EXPECT_EQ(f->ImgPano->width(), 950);
    EXPECT_EQ(f->InfoZoom->text(), QStringLiteral("Kr = %1 %").arg(Round(950.0L / LargeurPano * 100)));
}

TEST_F(AssemblageDeBoutEnBout, PendantLeDeroulementLaFenetreNeReagitPas)
{
    std::vector<int> valeurs;
    const QPoint caseBoucle = f->BouclerPano->mapTo(fenetre.get(), QPoint(8, 8));
    Lancer([&](int valeur) {
        valeurs.push_back(valeur);
        if (valeurs.size() != 2)
            return;
        // Un clic réel sur la fenêtre principale est arrêté par la modalité…
        QTest::mouseClick(fenetre->windowHandle(), Qt::LeftButton, {}, caseBoucle);
        EXPECT_FALSE(f->BouclerPano->isChecked());
        // …et un second lancement est ignoré tant que le déroulement n'est pas rendu.
        fenetre->AssemblerImgClick();
        EXPECT_TRUE(progression->isVisible());
        EXPECT_TRUE(f->Cafe->isVisible());
    });
    // Un second déroulement aurait remis la barre à zéro en cours de route.
    ASSERT_GT(valeurs.size(), 2u);
    EXPECT_TRUE(std::is_sorted(valeurs.begin(), valeurs.end()));
    EXPECT_TRUE(f->DimPan->text().startsWith(QStringLiteral("  L = ")));
}

TEST_F(AssemblageDeBoutEnBout, AnnulationGardeLEtatDesCommandes)
{
    for (bool etatAvant : {false, true}) {
        f->FonduImg->setEnabled(etatAvant);
        f->PostHarmo->setEnabled(etatAvant);
        fenetre->EnrgPano()->setEnabled(etatAvant);
        f->ImgPano->resize(10, 10);
        auto* fermer = progression->findChild<QPushButton*>("Fermer");
        bool clique = false;
        Lancer([&](int valeur) {
            if (!clique && valeur > 0) {
                clique = true;
                QTimer::singleShot(0, fermer, [fermer] { fermer->click(); });
            }
        });
        EXPECT_TRUE(clique);
        EXPECT_EQ(f->FonduImg->isEnabled(), etatAvant);
        EXPECT_EQ(f->PostHarmo->isEnabled(), etatAvant);
        EXPECT_EQ(fenetre->EnrgPano()->isEnabled(), etatAvant);
        EXPECT_TRUE(f->DimPan->text().startsWith(QStringLiteral("H = ")));
        EXPECT_FALSE(ConserverImgs);
        EXPECT_FALSE(f->Cafe->isVisible());
        EXPECT_FALSE(progression->isVisible());
    }
}

TEST_F(AssemblageDeBoutEnBout, RepriseHarmonisationPuisRelance)
{
    Lancer();
    ASSERT_TRUE(f->PostHarmo->isEnabled());
    ASSERT_EQ(f->PostHarmo->count(), 4);
    for (ReponseMessage r : {ReponseMessage::Non, ReponseMessage::Oui}) {
        messages.clear();
        reponse = r;
        int pas = 0;
        const QMetaObject::Connection c =
            QObject::connect(barre, &QProgressBar::valueChanged, barre, [&](int) { ++pas; });
        f->PostHarmo->setCurrentIndex(1);
        emit f->PostHarmo->activated(1);
        QObject::disconnect(c);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, TypeMessage::Information);
        EXPECT_EQ(messages[0].boutons, BoutonsMessage::OuiNon);
        EXPECT_EQ(messages[0].texte,
                  QString::fromUtf8("Pour visualiser la reprise d'harmonisation, il faut relancer "
                                    "l'assemblage.\x0A\x0D Voulez-vous relancer l'assemblage ?"));
        EXPECT_TRUE(fenetre->Modifie);
        EXPECT_FALSE(ConserverImgs);  // relance faite : l'assemblage l'a remis à faux
        if (r == ReponseMessage::Non)
            EXPECT_EQ(pas, 0);
        else
            EXPECT_GT(pas, 0);
    }
    // La relance a gardé la liste de travail : le coefficient repris y est.
    EXPECT_EQ(static_cast<long double>(ImgsAssemblage[1].CoefHG),
              static_cast<long double>(ListeImgs[1].CoefHG));
}

TEST_F(AssemblageDeBoutEnBout, FonduRedessineLaVue)
{
    Lancer();
    f->ZoomImg->setValue(100);
    fenetre->ZoomImgMouseUp();
    const Bitmap avant = f->ImgPano->Picture();
    QTest::mouseClick(f->FonduImg, Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(f->ImgPano->Picture() == *BmpPano);
    EXPECT_FALSE(f->ImgPano->Picture() == avant);
}
