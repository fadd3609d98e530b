// Classeurs d'onglets des images : onglet courant après un masquage ou un
// retrait, défilement de la barre, et barre non redisposée à chaque ajout.

#include <gtest/gtest.h>

#include <memory>
#include <type_traits>
#include <vector>

#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>

#include "app/AcqImgs.h"
#include "platform/Dialogues.h"
#include "test_points_outils.h"
#include "ui_TSeqPano.h"

namespace {

using Classeur = std::remove_pointer_t<decltype(Ui::TSeqPano::ControlImgG)>;

// Compte les onglets mesurés et les dispositions complètes de la barre de Qt,
// qui demandent chacune l'alignement de la barre.
class StyleCompteur : public QProxyStyle
{
public:
    StyleCompteur() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    QSize sizeFromContents(ContentsType t, const QStyleOption* o, const QSize& s, const QWidget* w) const override
    {
        if (t == CT_TabBarTab)
            ++mesures;
        return QProxyStyle::sizeFromContents(t, o, s, w);
    }
    int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override
    {
        if (h == SH_TabBar_Alignment)
            ++dispositions;
        return QProxyStyle::styleHint(h, o, w, r);
    }
    mutable int mesures = 0;
    mutable int dispositions = 0;
};

struct ClasseurPeuple
{
    Classeur classeur;
    std::vector<QWidget*> pages;

    explicit ClasseurPeuple(int nb)
    {
        for (int i = 0; i < nb; ++i) {
            pages.push_back(new QWidget());
            classeur.addTab(pages.back(), QStringLiteral("Img %1").arg(i + 1));
        }
    }
    void Montrer(const std::vector<int>& visibles)
    {
        for (int i = 0; i < classeur.count(); ++i)
            classeur.setTabVisible(i, false);
        for (int i : visibles)
            classeur.setTabVisible(i, true);
    }
};

TEST(ClasseurOnglets, OngletCourantCacheCedeSaPlace)
{
    struct Cas
    {
        std::vector<int> visibles;
        int courant;
        int attendu;
    };
    const Cas cas[] = {
        {{0, 1, 2, 3}, 1, 2},  // le suivant montré
        {{0, 2}, 2, 0},        // sinon le précédent montré
        {{1, 3}, 1, 3},        // en sautant les cachés
        {{2}, 2, 2},           // seul montré : il reste courant
    };
    for (const Cas& c : cas) {
        ClasseurPeuple p(4);
        p.Montrer(c.visibles);
        p.classeur.setCurrentIndex(c.courant);
        p.classeur.setTabVisible(c.courant, false);
        EXPECT_EQ(p.classeur.currentIndex(), c.attendu) << "courant " << c.courant;
        EXPECT_EQ(p.classeur.currentWidget(), p.pages[c.attendu]);
        EXPECT_FALSE(p.classeur.isTabVisible(c.courant));
    }
}

TEST(ClasseurOnglets, PageRetireeQuitteLeClasseur)
{
    struct Cas
    {
        int courant;
        int retiree;
        int attendu;  // indice du nouvel onglet courant
    };
    const Cas cas[] = {
        {1, 1, 1},  // le suivant prend la place du courant
        {3, 3, 2},  // le dernier cède au précédent
        {2, 0, 1},  // un retrait avant le courant le décale
        {1, 3, 1},  // un retrait après ne change rien
    };
    for (const Cas& c : cas) {
        ClasseurPeuple p(4);
        p.classeur.setCurrentIndex(c.courant);
        QWidget* courante = p.classeur.currentWidget();
        delete p.pages[c.retiree];
        ASSERT_EQ(p.classeur.count(), 3);
        EXPECT_EQ(p.classeur.currentIndex(), c.attendu) << "retrait " << c.retiree;
        EXPECT_EQ(p.classeur.indexOf(p.pages[c.retiree == 3 ? 0 : 3]), c.retiree == 3 ? 0 : 2);
        if (c.retiree != c.courant) {
            EXPECT_EQ(p.classeur.currentWidget(), courante);
        }
        EXPECT_EQ(p.classeur.tabText(2), c.retiree == 3 ? QStringLiteral("Img 3") : QStringLiteral("Img 4"));
    }
}

TEST(ClasseurOnglets, ViderLaisseLesPagesCachees)
{
    ClasseurPeuple p(5);
    p.classeur.resize(300, 200);
    p.classeur.show();
    p.classeur.setCurrentIndex(2);
    const QPointer<QWidget> page = p.pages[2];
    p.classeur.clear();
    EXPECT_EQ(p.classeur.count(), 0);
    EXPECT_EQ(p.classeur.currentIndex(), -1);
    ASSERT_FALSE(page.isNull());
    EXPECT_FALSE(page->isVisible());
    for (QWidget* w : p.pages)
        delete w;
    EXPECT_EQ(p.classeur.count(), 0);
}

// La barre défile jusqu'à l'onglet choisi : un clic au début de la barre
// désigne alors un onglet proche de lui, pas le premier.
TEST(ClasseurOnglets, ClicSurLaBarreDefilee)
{
    ClasseurPeuple p(40);
    p.classeur.resize(300, 200);
    p.classeur.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&p.classeur));
    p.classeur.setCurrentWidget(p.pages[30]);
    QCoreApplication::processEvents();
    QTest::mouseClick(&p.classeur, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_GT(p.classeur.currentIndex(), 20);
    EXPECT_LT(p.classeur.currentIndex(), 30);
    EXPECT_TRUE(p.pages[p.classeur.currentIndex()]->isVisible());
    EXPECT_FALSE(p.pages[30]->isVisible());
}

// Des centaines d'images : créer leurs onglets, en choisir un puis élargir la
// fenêtre ne mesure chaque onglet qu'une fois et ne redispose pas la barre à
// chaque ajout.
TEST(ClasseurOnglets, OngletsCreesSansRedispositionParAjout)
{
    constexpr int Nb = 300;
    StyleCompteur style;
    DefinirCrochetsDialogues({});
    auto fenetre = std::make_unique<TSeqPano>();
    for (int i = 0; i < Nb; ++i)
        AjouterImageTest(4, 3, static_cast<uint32_t>(i + 1));
    fenetre->NbImgs = Nb;
    fenetre->resize(1000, 680);
    fenetre->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    Ui::TSeqPano& ui = *fenetre->Formulaire();
    for (QWidget* classeur : {static_cast<QWidget*>(ui.ControlImgG), static_cast<QWidget*>(ui.ControlImgD)}) {
        classeur->setStyle(&style);
        for (QWidget* enfant : classeur->findChildren<QWidget*>())
            enfant->setStyle(&style);
    }
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    QCoreApplication::processEvents();
    ASSERT_EQ(ui.ControlImgG->count(), Nb);
    ui.ControlImgG->setCurrentWidget(fenetre->OngletsG[Nb / 2]);
    QCoreApplication::processEvents();
    EXPECT_EQ(fenetre->NumImgDroite, Nb / 2 + 1);
    // Redisposée à une autre largeur, la barre garde ses mesures.
    const int largeurAvant = ui.ControlImgG->width();
    fenetre->resize(1200, 680);
    QCoreApplication::processEvents();
    ASSERT_NE(ui.ControlImgG->width(), largeurAvant);
    // Une mesure par onglet montré : tous à gauche, quatre au plus à droite.
    EXPECT_LE(style.mesures, Nb + 4 + 2);
    EXPECT_LT(style.dispositions, 10);
    fenetre.reset();
    ViderListe();
}

}  // namespace
