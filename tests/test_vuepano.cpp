// Onglet Assemblage : contrôle des points, zoom de la vue, largeur des
// recouvrements et formulaire.

#include <array>
#include <cmath>

#include "tests/test_vuepano_commun.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

namespace {

struct CasPoints
{
    std::vector<int> points;
    bool boucler;
    bool attendu;
    void (*retouche)() = nullptr;  // appliquée une fois les points liés
};

// Pose les points de chaque image de 40 × 30, ceux de droite liés à ceux de
// gauche de l'image suivante (la première après la dernière) ; deux points
// seuls sont à droite sur la première image, à gauche sur les autres.
void PoserPointsLies()
{
    const int n = static_cast<int>(ListeImgs.size());
    std::vector<std::array<int, 2>> droite(n), gauche(n);
    for (int i = 0; i < n; ++i) {
        TInfosImg& img = ListeImgs[i];
        int k = 0;
        const auto poser = [&](int x, int y) {
            img.PtsControle[k] = {x, y, -1, 0, 0};
            return ++k;
        };
        if (img.NbPtsControle >= 4 || (img.NbPtsControle >= 2 && i == 0))
            droite[i] = {poser(35, 5), poser(35, 25)};
        if (img.NbPtsControle >= 4 || (img.NbPtsControle >= 2 && i > 0))
            gauche[i] = {poser(5, 5), poser(5, 25)};
    }
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 2; ++k) {
            const int j = (i + 1) % n;
            if (droite[i][k] == 0 || gauche[j][k] == 0)
                continue;
            TPtControle& d = ListeImgs[i].PtsControle[droite[i][k] - 1];
            TPtControle& g = ListeImgs[j].PtsControle[gauche[j][k] - 1];
            d.NumImg = j;
            d.NumPt = gauche[j][k];
            g.NumImg = i;
            g.NumPt = droite[i][k];
        }
}

// Un troisième point sans partenaire sur la première image.
void PointSeulEn(int x)
{
    ListeImgs[0].PtsControle[2] = {x, 15, -1, 0, 0};
    ListeImgs[0].NbPtsControle = 3;
}

}  // namespace

using VuePano = BancVuePano;

TEST_F(VuePano, ControleDesPoints)
{
    const CasPoints cas[] = {
        {{}, false, false},
        {{4}, false, false},            // une seule image
        {{2, 4, 2}, false, true},
        {{2, 4, 2}, true, false},       // la boucle demande 4 points aux extrémités
        {{4, 4, 4}, true, true},
        {{2, 3, 2}, false, false},      // image intérieure incomplète
        {{1, 4, 2}, false, false},
        {{2, 2}, false, true},
        {{4, 2}, true, false},
        // Un coin sans partenaire manque comme un point absent.
        {{2, 4, 2}, false, false, [] { ListeImgs[1].PtsControle[3].NumImg = -1; }},
        {{4, 4, 4}, true, false, [] { ListeImgs[0].PtsControle[2].NumPt = 0; }},
        {{4, 4, 4}, true, false, [] { ListeImgs[2].PtsControle[0].NumImg = -1; }},
        {{2, 2}, false, false, [] { PointSeulEn(38); }},
        {{2, 2}, false, true, [] { PointSeulEn(2); }},  // à gauche : pas un coin
        {{2, 2}, false, false, [] { ListeImgs[0].PtsControle[1].X = 5; }},  // un point du centre devient coin
        {{2, 2}, false, false, [] { ListeImgs[0].PtsControle[0].NumImg = 2; }},  // image absente
        {{2, 2}, false, false, [] { ListeImgs[0].PtsControle[0].NumPt = 3; }},   // point non posé
    };
    for (const CasPoints& c : cas) {
        for (TInfosImg& img : ListeImgs)
            LibererBitmap(img.Bitmap);
        ListeImgs.clear();
        for (int n : c.points)
            AjouterImage(n);
        PoserPointsLies();
        if (c.retouche)
            c.retouche();
        f->BouclerPano->setChecked(c.boucler);
        EXPECT_EQ(fenetre->PtsControleDefinis(), c.attendu)
            << c.points.size() << " images, boucle " << c.boucler << ", retouche " << (c.retouche != nullptr);
    }
}

TEST_F(VuePano, LancementRefuseSansLesPoints)
{
    AjouterImage(2);
    AjouterImage(3);
    AjouterImage(2);
    f->AssemblerImg->setEnabled(true);
    QTest::mouseClick(f->AssemblerImg, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, TypeMessage::Avertissement);
    EXPECT_EQ(messages[0].boutons, BoutonsMessage::Ok);
    EXPECT_EQ(messages[0].texte, QStringLiteral("Tous les points de contrôle n'ont pas été définis"));
    EXPECT_FALSE(f->Cafe->isVisible());
}

TEST_F(VuePano, ZoomEntreAjusteEtTailleReelle)
{
    LargeurBoite(950);
    struct Cas
    {
        int largeurPano, hauteurPano, position, W, H;
        const char* texte;
    };
    // À mi-course la hauteur 197,5 s'arrondit au pair ; un panoramique plus
    // étroit que la boîte est agrandi.
    const Cas cas[] = {{3000, 300, 0, 950, 95, "Kr = 32 %"},
                       {3000, 300, 100, 3000, 300, "Kr = 100 %"},
                       {3000, 300, 50, 1975, 198, "Kr = 66 %"},
                       {500, 100, 0, 950, 190, "Kr = 190 %"}};
    for (const Cas& c : cas) {
        DefinirPanorama(c.largeurPano, c.hauteurPano);
        Zoomer(c.position);
        EXPECT_EQ(f->ImgPano->width(), c.W) << c.position;
        EXPECT_EQ(f->ImgPano->height(), c.H) << c.position;
        EXPECT_EQ(f->ImgPano->Picture().Width(), c.W);
        EXPECT_EQ(f->ImgPano->Picture().Height(), c.H);
        EXPECT_EQ(f->InfoZoom->text(), QString::fromUtf8(c.texte));
        EXPECT_EQ(fenetre->Kr, static_cast<long double>(c.W) / c.largeurPano);
        EXPECT_EQ(fenetre->KrPrecedent, fenetre->Kr);
    }
}

// Ajustée, la vue tient dans la largeur laissée à côté de la barre verticale
// quand sa hauteur en demande une, quelles que soient les barres d'avant.
TEST_F(VuePano, AjusteeSansDefilementEnLargeur)
{
    LargeurBoite(950);
    const int barre = f->AffPano->verticalScrollBar()->sizeHint().width();
    struct Cas
    {
        int hauteurAvant, hauteurPano, W;
    };
    const Cas cas[] = {{100, 1500, 950 - barre}, {3000, 1500, 950 - barre}, {3000, 300, 950}};
    for (const Cas& c : cas) {
        DefinirPanorama(3000, c.hauteurAvant);
        Zoomer(0);
        QCoreApplication::processEvents();
        DefinirPanorama(3000, c.hauteurPano);
        Zoomer(0);
        QCoreApplication::processEvents();
        EXPECT_EQ(f->ImgPano->width(), c.W) << c.hauteurAvant << " " << c.hauteurPano;
        EXPECT_EQ(f->ImgPano->height(), static_cast<int>(Round(c.W * c.hauteurPano / 3000.0L)));
        EXPECT_EQ(f->AffPano->viewport()->width(), c.W);
        EXPECT_FALSE(f->AffPano->horizontalScrollBar()->isVisible());
    }
}

TEST_F(VuePano, ContenuDeLaVue)
{
    LargeurBoite(950);
    DefinirPanorama(1200, 200);
    Zoomer(100);
    EXPECT_TRUE(f->ImgPano->Picture() == *BmpPano);
    // Réduit et lissé, un panoramique uni reste uni.
    DefinirPanorama(3000, 300);
    BmpPano->Fill(10, 120, 230);
    Zoomer(0);
    EXPECT_TRUE(f->ImgPano->Picture() == [] {
        Bitmap uni(950, 95);
        uni.Fill(10, 120, 230);
        return uni;
    }());
}

TEST_F(VuePano, SansPanoramiqueRienNeChange)
{
    LargeurBoite(950);
    BmpPano->SetSize(0, 0);
    f->ImgPano->resize(20, 10);
    Zoomer(40);
    EXPECT_EQ(f->InfoZoom->text(), QStringLiteral("Kr = .. %"));
    EXPECT_EQ(f->ImgPano->width(), 20);
    EXPECT_EQ(fenetre->Kr, 1.0L);
    EXPECT_TRUE(messages.empty());
}

TEST_F(VuePano, RelachementDuCurseurRedessine)
{
    LargeurBoite(950);
    DefinirPanorama(3000, 300);
    f->ZoomImg->setValue(100);
    EXPECT_NE(f->ImgPano->width(), 3000);  // déplacer ne suffit pas
    QTest::mouseRelease(f->ZoomImg, Qt::LeftButton);
    EXPECT_EQ(f->ImgPano->width(), 3000);
}

TEST_F(VuePano, LaSelectionSuitLeZoom)
{
    LargeurBoite(950);
    DefinirPanorama(3000, 300);
    Zoomer(0);
    const Bitmap nue = f->ImgPano->Picture();
    TSelection& s = fenetre->Selection;
    s.Active = true;
    s.Coin1 = QPoint(123, 17);
    s.Coin2 = QPoint(611, 81);
    s.Gauche = 123, s.Haut = 17, s.Droite = 611, s.Bas = 81;
    s.LargeurSel = 488, s.HauteurSel = 64;
    for (int position : {50, 100, 37, 0, 73}) {
        const long double krAvant = fenetre->Kr;
        const TSelection avant = s;
        Zoomer(position);
        const long double kr = fenetre->Kr;
        for (auto [ancien, nouveau] : {std::pair{avant.Gauche, s.Gauche}, {avant.Haut, s.Haut},
                                       {avant.Droite, s.Droite}, {avant.Bas, s.Bas}})
            EXPECT_LE(std::fabs(static_cast<double>(nouveau / kr - ancien / krAvant)),
                      1.0 / static_cast<double>(kr) + 1e-9)
                << position;
        EXPECT_EQ(s.Coin1, QPoint(s.Gauche, s.Haut));
        EXPECT_EQ(s.Coin2, QPoint(s.Droite, s.Bas));
    }
    // Le rectangle est redessiné sur la nouvelle vue : un second tracé rend la vue nue.
    Zoomer(0);
    s.Tracer(f->ImgPano);
    EXPECT_TRUE(f->ImgPano->Picture() == nue);
}

TEST_F(VuePano, LargeurDesRecouvrements)
{
    struct Cas
    {
        const char* texte;
        int attendu;  // 99 : la largeur précédente reste
        bool erreur;
    };
    const Cas cas[] = {{"12", 12, false}, {"ab", 99, true}, {"", 99, true},
                       {"-5", -5, false}, {"7", 7, false},  {"1x", 99, true}};
    fenetre->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(fenetre.get()));
    // Ni Entrée, ni une autre fenêtre, ni le menu contextuel ne valident :
    // seule la sortie du champ lit la largeur, à chaque sortie, même au même texte.
    for (const Cas& c : cas) {
        f->LRecouvr->setText(QString::fromUtf8(c.texte));
        for (int fois = 0; fois < 2; ++fois) {
            messages.clear();
            LargeurRecouvrement = 99;
            f->LRecouvr->setFocus(Qt::MouseFocusReason);
            QTest::keyClick(f->LRecouvr, Qt::Key_Return);
            for (const Qt::FocusReason raison : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
                QFocusEvent horsDuChamp(QEvent::FocusOut, raison);
                QApplication::sendEvent(f->LRecouvr, &horsDuChamp);
            }
            EXPECT_EQ(LargeurRecouvrement, 99) << c.texte;
            EXPECT_TRUE(messages.empty()) << c.texte;
            f->BouclerPano->setFocus(Qt::TabFocusReason);
            EXPECT_EQ(LargeurRecouvrement, c.attendu) << c.texte;
            if (c.erreur) {
                ASSERT_EQ(messages.size(), 1u) << c.texte;
                EXPECT_EQ(messages[0].texte,
                          QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(c.texte));
            } else {
                EXPECT_TRUE(messages.empty()) << c.texte;
            }
        }
    }
}

TEST_F(VuePano, ModifierLaLargeurDesactiveFonduEtReprise)
{
    f->FonduImg->setEnabled(true);
    f->PostHarmo->setEnabled(true);
    f->LRecouvr->setFocus();
    QTest::keyClick(f->LRecouvr, Qt::Key_5);  // champ plein : rien ne change
    EXPECT_TRUE(f->FonduImg->isEnabled());
    QTest::keyClick(f->LRecouvr, Qt::Key_Backspace);
    EXPECT_FALSE(f->FonduImg->isEnabled());
    EXPECT_FALSE(f->PostHarmo->isEnabled());
    QTest::keyClicks(f->LRecouvr, QStringLiteral("345"));
    EXPECT_EQ(f->LRecouvr->text(), QStringLiteral("23"));  // deux caractères au plus
}

TEST_F(VuePano, PasDImageSelectionneeNeDemandeRien)
{
    f->PostHarmo->setEnabled(true);
    f->PostHarmo->addItem(QStringLiteral("a.jpg"));
    f->PostHarmo->addItem(QStringLiteral("b.jpg"));
    f->PostHarmo->addItem(QStringLiteral("Pas d'image sélectionnée"));
    f->PostHarmo->setCurrentIndex(2);
    emit f->PostHarmo->activated(2);
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(ConserverImgs);
}

TEST_F(VuePano, TextesExactsEtImageDAttente)
{
    EXPECT_EQ(f->BtePrm->title(), QStringLiteral(" Paramètres d'assemblage "));
    EXPECT_EQ(f->ConstructPano->title(), QStringLiteral(" Construction du panoramique "));
    ASSERT_EQ(f->ModeAsmbl->count(), 2);
    EXPECT_EQ(f->ModeAsmbl->itemText(0), QStringLiteral(" Le plus proche voisin"));
    EXPECT_EQ(f->ModeAsmbl->itemText(1), QStringLiteral(" Interpolation bilinéaire"));
    // L'image vient d'une ressource de bibliothèque statique : elle doit être liée.
    EXPECT_FALSE(f->Cafe->isVisible());
    EXPECT_EQ(f->Cafe->pixmap().size(), QSize(69, 102));
}

TEST_F(VuePano, DispositionDeLOnglet)
{
    for (const QSize taille : {QSize(1000, 680), QSize(1401, 901), QSize(1400, 900)}) {
        fenetre->resize(taille);
        QCoreApplication::processEvents();
        const QRect page = f->Assemblage->rect();
        EXPECT_EQ(f->AffPano->width(), page.width() - 10);
        EXPECT_EQ(f->AffPano->height(), page.height() / 2);
        EXPECT_EQ(f->TailleImg->pos(),
                  QPoint((page.width() - f->TailleImg->width()) / 2, page.height() / 2 + 20));
        for (QWidget* w : {static_cast<QWidget*>(f->AffPano), static_cast<QWidget*>(f->TailleImg),
                           static_cast<QWidget*>(f->BtePrm),
                           static_cast<QWidget*>(f->ConstructPano),
                           static_cast<QWidget*>(f->Cafe)})
            EXPECT_TRUE(page.contains(w->geometry())) << w->objectName().toStdString();
        EXPECT_FALSE(f->TailleImg->geometry().intersects(f->BtePrm->geometry()));
        EXPECT_FALSE(f->TailleImg->geometry().intersects(f->ConstructPano->geometry()));
        EXPECT_FALSE(f->AffPano->geometry().intersects(f->TailleImg->geometry()));
    }
}

// Un redimensionnement fait sur un autre onglet : la page Assemblage reçoit sa
// taille à son retour, et la vue ajustée la suit, en réduction comme en
// agrandissement.
TEST_F(VuePano, AjustementApresUnRedimensionnementSurUnAutreOnglet)
{
    const struct
    {
        int hauteurPano;
        QSize avant, apres;
    } cas[] = {{1000, {1250, 900}, {1000, 680}},
               {1000, {1000, 680}, {1250, 900}},
               {200, {1250, 900}, {1000, 680}},
               {200, {1000, 680}, {1250, 900}}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.hauteurPano);
        f->FctPano->setCurrentWidget(f->Assemblage);
        fenetre->resize(c.avant);
        QCoreApplication::processEvents();
        DefinirPanorama(3000, c.hauteurPano);
        Zoomer(0);
        QCoreApplication::processEvents();
        f->FctPano->setCurrentWidget(f->PreTraits);
        fenetre->resize(c.apres);
        QCoreApplication::processEvents();
        f->FctPano->setCurrentWidget(f->Assemblage);
        QCoreApplication::processEvents();
        const int W = f->AffPano->viewport()->width();
        EXPECT_EQ(f->ImgPano->width(), W);
        EXPECT_FALSE(f->AffPano->horizontalScrollBar()->isVisible());
        EXPECT_EQ(f->InfoZoom->text(), QStringLiteral("Kr = %1 %").arg(Round(W * 100 / 3000.0L)));
    }
}

// Un panoramique très étroit ajusté à la largeur de la boîte : l'image de la
// vue reste bornée, l'étiquette et Kr disent le zoom retenu, et un
// panoramique plus grand que la borne se montre encore à sa taille réelle.
TEST_F(VuePano, ImageDeLaVueBornee)
{
    constexpr int64_t borne = int64_t(32) * 1024 * 1024;
    LargeurBoite(950);
    const struct
    {
        int largeurPano, hauteurPano, position;
        bool reduite;
    } cas[] = {{1, 800, 0, true}, {1, 600, 100, false}, {3, 40000, 50, true}, {12000, 3000, 100, false}};
    for (const auto& c : cas) {
        SCOPED_TRACE(testing::Message() << c.largeurPano << " × " << c.hauteurPano << " à " << c.position);
        DefinirPanorama(c.largeurPano, c.hauteurPano);
        messages.clear();
        Zoomer(c.position);
        EXPECT_TRUE(messages.empty());
        const int W = f->ImgPano->width();
        const int H = f->ImgPano->height();
        EXPECT_EQ(f->ImgPano->Picture().Width(), W);
        EXPECT_EQ(f->ImgPano->Picture().Height(), H);
        const int64_t pixels = int64_t{W} * H;
        EXPECT_LE(pixels, std::max(borne, int64_t{c.largeurPano} * c.hauteurPano));
        EXPECT_EQ(fenetre->Kr, static_cast<long double>(W) / c.largeurPano);
        EXPECT_EQ(f->InfoZoom->text(), QStringLiteral("Kr = %1 %").arg(Round(fenetre->Kr * 100)));
        if (c.reduite) {
            // Réduite au plus juste, sans déformer le panoramique.
            EXPECT_GT(pixels, borne * 9 / 10);
            EXPECT_NEAR(H, c.hauteurPano * fenetre->Kr, 1.0 + c.hauteurPano * fenetre->Kr * 0.01);
        } else if (c.position == 100) {
            EXPECT_EQ(W, c.largeurPano);
            EXPECT_EQ(H, c.hauteurPano);
        }
    }
}
