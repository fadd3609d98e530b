#include <algorithm>
#include <cstdio>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>

#include "app/APropos.h"
#include "app/DlgEnrg.h"
#include "app/Preferences.h"
#include "app/XPTheme.h"
#include "core/Assemblage.h"
#include "platform/Systeme.h"
#include "tests/test_fenetre_banc.h"
#include "ui_TInfosPgm.h"
#include "ui_TPrefers.h"
#include "ui_TSeqPano.h"

namespace {

QRect Ecran()
{
    return QGuiApplication::primaryScreen()->geometry();
}

// Taille d'une fenêtre bornée au bureau, jamais sous la taille minimale.
QSize AuPlusLeBureau(int largeur, int hauteur)
{
    const QRect b = QGuiApplication::primaryScreen()->virtualGeometry();
    return {std::min(largeur, std::max(1000, b.width())), std::min(hauteur, std::max(680, b.height()))};
}

QPoint Centre(QSize taille)
{
    return {(Ecran().width() - taille.width()) / 2, (Ecran().height() - taille.height()) / 2};
}

}  // namespace

using Fenetre = BancFenetre;

TEST_F(Fenetre, SansFichierDeReglagesLaFenetreEstCentreeAvecLesValeursParDefaut)
{
    Creer();
    EXPECT_EQ(f->size(), QSize(1000, 680));
    EXPECT_EQ(f->pos(), QPoint((Ecran().width() - 1000) / 2, (Ecran().height() - 680) / 2));
    EXPECT_FALSE(f->isMaximized());
    EXPECT_TRUE(f->RepProjet.isEmpty());
    EXPECT_TRUE(f->RepImage.isEmpty());
    EXPECT_TRUE(f->RepPano.isEmpty());
    EXPECT_EQ(f->QualJpg, 90);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo"));
    EXPECT_FALSE(f->Modifie);
    EXPECT_EQ(f->NbImgs, 0);
    EXPECT_EQ(f->Formulaire()->FctPano->currentIndex(), 0);
    EXPECT_TRUE(f->Formulaire()->ChargerSerieImgs->isEnabled());
    EXPECT_FALSE(f->Formulaire()->EnregistrerPrj->isEnabled());
    EXPECT_FALSE(f->Formulaire()->EnrgPano->isEnabled());
    ASSERT_NE(BmpPano, nullptr);
    EXPECT_TRUE(BmpPano->Empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(Fenetre, LectureDesReglagesDeLaFenetre)
{
    struct Cas
    {
        const char* contenu;
        bool agrandie;
        QSize taille;
        QPoint position;
    };
    const Cas cas[] = {
        // La casse compte : "maximized" vaut "Normal".
        {"[MainWindow]\r\nStatut=maximized\r\nLeft=10\r\nTop=20\r\nWidth=1100\r\nHeight=700\r\n", false,
         AuPlusLeBureau(1100, 700), {10, 20}},
        {"[MainWindow]\r\nStatut=Normal\r\nLeft=5\r\nTop=6\r\nWidth=800\r\nHeight=600\r\n", false,
         {1000, 680}, {5, 6}},
        {"[MainWindow]\r\nStatut=Maximized\r\nLeft=10\r\nTop=20\r\nWidth=1200\r\nHeight=900\r\n", true,
         {1000, 680}, {(Ecran().width() - 1000) / 2, (Ecran().height() - 680) / 2}},
        {"[MainWindow]\r\nWidth=abc\r\nHeight=0x2BC\r\nLeft=0x10\r\nTop=3\r\n", false, {1000, 700}, {16, 3}},
        {"[MainWindow]\r\nWidth=1200\r\n", false, AuPlusLeBureau(1200, 680), Centre(AuPlusLeBureau(1200, 680))},
        // Des valeurs hors de toute mesure : bornées au bureau, puis la fenêtre invisible revient au centre.
        {"[MainWindow]\r\nLeft=0\r\nTop=2147483647\r\nWidth=60000\r\nHeight=60000\r\n", false,
         AuPlusLeBureau(60000, 60000), Centre(AuPlusLeBureau(60000, 60000))},
        {"[MainWindow]\r\nLeft=-2147483648\r\nTop=-2147483648\r\n", false, {1000, 680}, Centre({1000, 680})},
        {"[MainWindow]\r\nLeft=2147483647\r\nTop=5\r\nWidth=-2147483648\r\n", false, {1000, 680},
         Centre({1000, 680})},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.contenu);
        Ecrire(Chemin("kalvindo.ini"), c.contenu);
        Creer();
        EXPECT_EQ(f->isMaximized(), c.agrandie);
        EXPECT_EQ(f->size(), c.taille);
        EXPECT_EQ(f->pos(), c.position);
        f.reset();
    }
}

TEST_F(Fenetre, DossiersEtQualiteLusEnWindows1252)
{
    Ecrire(Chemin("kalvindo.ini"),
           "[R\xE9pertoire]\r\nProjet=/tmp/\xE9t\xE9\r\nImage=/img\r\nPanoramique=/pano/\r\n"
           "[JPEG]\r\nQualJpg=75\r\n");
    Creer();
    EXPECT_EQ(f->RepProjet, QStringLiteral("/tmp/été"));
    EXPECT_EQ(f->RepImage, QStringLiteral("/img"));
    EXPECT_EQ(f->RepPano, QStringLiteral("/pano/"));
    EXPECT_EQ(f->QualJpg, 75);
    // La qualité reste dans l'échelle du curseur.
    for (const auto& [texte, qualite] : {std::pair{"5000", 100}, {"-3", 0}}) {
        f.reset();
        Ecrire(Chemin("kalvindo.ini"), QByteArray("[JPEG]\r\nQualJpg=") + texte + "\r\n");
        Creer();
        EXPECT_EQ(f->QualJpg, qualite) << texte;
    }
}

TEST_F(Fenetre, LaFermetureEcritLesClesDansLOrdreEtLaRelectureRendLaFenetre)
{
    Creer();
    f->move(12, 34);
    f->resize(1111, 777);
    f->RepProjet = QStringLiteral("/projets/été");
    f->RepImage = QStringLiteral("/photos");
    f->RepPano = QStringLiteral("/panos/");
    f->QualJpg = 77;
    EXPECT_TRUE(f->close());
    EXPECT_EQ(BmpPano, nullptr);

    const QByteArray ini = Lire(Chemin("kalvindo.ini"));
    EXPECT_TRUE(ini.contains("[R\xE9pertoire]"));
    EXPECT_TRUE(ini.contains("Projet=/projets/\xE9t\xE9"));
    QStringList cles;
    for (const QByteArray& ligne : ini.split('\n')) {
        const QByteArray l = ligne.trimmed();
        if (l.startsWith('['))
            cles << QString::fromLatin1(l);
        else if (l.contains('='))
            cles << QString::fromLatin1(l.left(l.indexOf('=')));
    }
    EXPECT_EQ(cles, QStringList({"[MainWindow]", "Statut", "Left", "Top", "Width", "Height",
                                 QString::fromLatin1("[R\xE9pertoire]"), "Projet", "Image", "Panoramique",
                                 "[JPEG]", "QualJpg"}));
    f.reset();

    Creer();
    EXPECT_FALSE(f->isMaximized());
    EXPECT_EQ(f->pos(), QPoint(12, 34));
    EXPECT_EQ(f->size(), AuPlusLeBureau(1111, 777));
    EXPECT_EQ(f->RepProjet, QStringLiteral("/projets/été"));
    EXPECT_EQ(f->RepImage, QStringLiteral("/photos"));
    EXPECT_EQ(f->RepPano, QStringLiteral("/panos/"));
    EXPECT_EQ(f->QualJpg, 77);
}

TEST_F(Fenetre, UnDossierHorsDuFormatDeLigneEstReluEntier)
{
    const QString noms[] = {
        QStringLiteral("/photos\n[MainWindow]\nStatut=Maximized"),
        QStringLiteral("/a\r\nb/été"),
        QStringLiteral(" /blancs\t"),
        QStringLiteral("\"/guillemets\""),
        QStringLiteral("?/question"),
        QStringLiteral("/nul") + QChar(0) + QStringLiteral("x"),
    };
    for (const QString& nom : noms) {
        SCOPED_TRACE(nom.toStdString());
        QFile::remove(Chemin("kalvindo.ini"));
        Creer();
        f->RepProjet = nom;
        f->RepImage = nom;
        f->RepPano = QStringLiteral("/panos/");
        EXPECT_TRUE(f->close());
        f.reset();
        // Trois sections et neuf clés, une par ligne ; un nom ordinaire reste tel quel.
        const QByteArray ini = Lire(Chemin("kalvindo.ini"));
        EXPECT_EQ(ini.count("\r\n"), 12);
        EXPECT_EQ(ini.count("\n"), 12);
        EXPECT_TRUE(ini.contains("\r\nPanoramique=/panos/\r\n"));
        Creer();
        EXPECT_FALSE(f->isMaximized());
        EXPECT_EQ(f->RepProjet, nom);
        EXPECT_EQ(f->RepImage, nom);
        EXPECT_EQ(f->RepPano, QStringLiteral("/panos/"));
        f.reset();
    }
}

TEST_F(Fenetre, UneFenetreAgrandieEcritMaximized)
{
    Ecrire(Chemin("kalvindo.ini"), "[MainWindow]\r\nStatut=Maximized\r\n");
    Creer();
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    ASSERT_TRUE(f->isMaximized());
    // Les bornes de la fenêtre agrandie, pas celles du retour à l'état normal.
    const QRect bornes(f->pos(), f->size());
    ASSERT_NE(bornes.size(), QSize(1000, 680));
    EXPECT_TRUE(f->close());
    EXPECT_TRUE(Lire(Chemin("kalvindo.ini"))
                    .contains(QStringLiteral("[MainWindow]\r\nStatut=Maximized\r\nLeft=%1\r\nTop=%2\r\n"
                                             "Width=%3\r\nHeight=%4\r\n")
                                  .arg(bornes.x())
                                  .arg(bornes.y())
                                  .arg(bornes.width())
                                  .arg(bornes.height())
                                  .toLatin1()));
}

// Le programme de test se relance avec un chemin à blancs coupé en morceaux,
// qui deviennent ses paramètres.
TEST_F(Fenetre, ProjetNommeSurLaLigneDeCommande)
{
    if (QCoreApplication::arguments().size() > 1) {
        Creer();
        std::printf("<%s|%zu|%zu>\n", qPrintable(f->NomProjet), ListeImgs.size(), messages.size());
        std::fflush(stdout);
        return;
    }
    ASSERT_TRUE(QDir(dossier.path()).mkdir(QStringLiteral("mes projets")));
    const QString projet = Chemin("mes projets/vue du lac.kvp");
    EcrireImage(Chemin("a.png"), 8, 6);
    Creer();
    Choisir({Chemin("a.png")});
    f->ChargerUneImageClick();
    Choisir({projet});
    f->EnregistrerPrjsousClick();
    ASSERT_TRUE(QFileInfo(projet).isFile());

    struct Cas
    {
        QString chemin;
        const char* ouvert;  // projet, images, messages
    };
    const Cas cas[] = {
        {projet, "<vue du lac.kvp|1|0>"},
        {Chemin("mes projets/vue du"), "<|0|0>"},  // absent
        {Chemin("mes projets"), "<|0|0>"},         // un dossier
    };
    const QString filtre = QStringLiteral("--gtest_filter=Fenetre.%1")
                               .arg(::testing::UnitTest::GetInstance()->current_test_info()->name());
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.chemin.toStdString());
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(), QStringList{filtre} + c.chemin.split(QLatin1Char(' ')));
        ASSERT_TRUE(p.waitForFinished(60000));
        const QByteArray sortie = p.readAllStandardOutput();
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_TRUE(sortie.contains(c.ouvert)) << sortie.toStdString();
    }
}

TEST_F(Fenetre, UnDossierDeReglagesInaccessibleNEmpechePasDeFermer)
{
    ImposerCheminReglages(Chemin("absent/kalvindo.ini"));
    Creer();
    EXPECT_TRUE(f->close());
    EXPECT_FALSE(QFile::exists(Chemin("absent/kalvindo.ini")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, TypeMessage::Avertissement);
    EXPECT_EQ(messages[0].texte, QStringLiteral("Les réglages n'ont pas pu être enregistrés dans le fichier « %1 ».")
                                     .arg(Chemin("absent/kalvindo.ini")));
}

TEST_F(Fenetre, QuestionALaFermetureDUnProjetModifie)
{
    struct Cas
    {
        const char* nom;
        ReponseMessage reponse;
        bool nomme;           // le projet a déjà un nom
        bool choixNom;        // le dialogue « enregistrer sous » donne un nom
        bool ferme;
        bool projetEcrit;
    };
    const Cas cas[] = {
        {"Annuler", ReponseMessage::Annuler, true, false, false, false},
        {"Non", ReponseMessage::Non, true, false, true, false},
        {"Oui avec nom", ReponseMessage::Oui, true, false, true, true},
        {"Oui, enregistrer sous annulé", ReponseMessage::Oui, false, false, false, false},
        {"Oui, enregistrer sous", ReponseMessage::Oui, false, true, true, true},
    };
    EcrireImage(Chemin("a.png"), 8, 6);
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        QFile::remove(Chemin("kalvindo.ini"));
        QFile::remove(Chemin("projet.kvp"));
        messages.clear();
        Creer();
        Choisir({Chemin("a.png")});
        f->ChargerUneImageClick();
        f->EtatProjet(true, true);
        if (c.nomme) {
            f->RepProjet = dossier.path();
            f->NomProjet = QStringLiteral("projet.kvp");
        }
        reponses = {c.reponse};
        if (c.choixNom)
            Choisir({Chemin("projet")});
        else
            Refuser();
        EXPECT_EQ(f->close(), c.ferme);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].texte,
                  QStringLiteral("Des modifications ont été apportées au projet en cours, les enregistrer ?"));
        EXPECT_EQ(messages[0].boutons, BoutonsMessage::OuiNonAnnuler);
        EXPECT_EQ(QFile::exists(Chemin("kalvindo.ini")), c.ferme);
        EXPECT_EQ(QFile::exists(Chemin("projet.kvp")), c.projetEcrit);
        if (!c.ferme) {
            EXPECT_TRUE(f->Modifie);
            EXPECT_EQ(ListeImgs.size(), 1u);
        } else {
            EXPECT_TRUE(ListeImgs.empty());
        }
        choix.clear();
        f->Modifie = false;
        f.reset();
    }
}

TEST_F(Fenetre, MemoireUtiliseeDansLeSecondPanneau)
{
    Creer();
    // Affiché par la boucle d'événements elle-même, quand elle se met en attente.
    QEventLoop boucle;
    QTimer::singleShot(20, &boucle, &QEventLoop::quit);
    boucle.exec();
    const auto panneaux = f->Formulaire()->InfosStatut->findChildren<QLabel*>(QStringLiteral("PanneauStatut1"));
    ASSERT_EQ(panneaux.size(), 1);
    const QRegularExpression forme(QStringLiteral("^Mémoire utilisée : (\\d{1,3}) %     $"));
    const auto m = forme.match(panneaux[0]->text());
    ASSERT_TRUE(m.hasMatch()) << panneaux[0]->text().toStdString();
    EXPECT_LE(m.captured(1).toInt(), 100);
    EXPECT_EQ(panneaux[0]->width(), 150);
}

TEST_F(Fenetre, FichierDAideAbsentSignale)
{
    Creer();
    f->FichierAideClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].texte.contains(QStringLiteral("Kalvindo.hlp")));
}

// Toute connexion du formulaire que Qt ne sait pas résoudre fait échouer le test.
TEST_F(Fenetre, ToutesLesConnexionsDesFormulairesSontResolues)
{
    static QStringList avertissements;
    avertissements.clear();
    const QtMessageHandler precedent = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& texte) {
            if (texte.contains(QStringLiteral("QObject::connect")))
                avertissements << texte;
        });
    {
        Creer();
        TAssembleImg assemble;
        TInfosPgm infos;
        TPrefers prefs;
        TDialogEnrg enrg;
    }
    qInstallMessageHandler(precedent);
    EXPECT_TRUE(avertissements.isEmpty()) << avertissements.join(QLatin1Char('\n')).toStdString();
}

// Un texte est entier quand il tient dans son contrôle et qu'aucun voisin ne le
// couvre ; les libellés qui changent portent leur texte le plus large.
TEST_F(Fenetre, LibellesEntiersALaTailleMinimale)
{
    const QFont policeAvant = QApplication::font();
    InitialisationXPTheme();
    Creer();
    f->show();
    const struct {
        const char* nom;
        const char* texte;
    } plusLarges[] = {
        {"ChObjo", "Champ de l'objectif : 90°"},
        {"InfoZoom", "Kr = 100 %"},
        {"ValCHG", "0,50"},
    };
    for (const auto& l : plusLarges)
        f->findChild<QLabel*>(l.nom)->setText(QString::fromUtf8(l.texte));

    QStringList coupes;
    QTabWidget* onglets = f->Formulaire()->FctPano;
    for (int i = 0; i < onglets->count(); ++i) {
        onglets->setCurrentIndex(i);
        QCoreApplication::processEvents();
        QWidget* page = onglets->widget(i);
        for (QWidget* w : page->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(page))
                continue;
            const QFontMetrics fm = w->fontMetrics();
            if (auto* l = qobject_cast<QLabel*>(w)) {
                const QString texte = l->text();
                const QRect r = w->style()->itemTextRect(fm, l->contentsRect(), l->alignment(), true, texte);
                const QRect place(l->mapToParent(r.topLeft()), r.size());
                // Les voisins venus après lui se dessinent par-dessus.
                const QObjectList& freres = w->parentWidget()->children();
                const bool couvert = std::any_of(freres.begin() + freres.indexOf(w) + 1, freres.end(), [&](QObject* o) {
                    auto* voisin = qobject_cast<QWidget*>(o);
                    return voisin && voisin->isVisibleTo(page) && voisin->geometry().intersects(place);
                });
                if (!texte.isEmpty() && (couvert || !l->contentsRect().contains(r)))
                    coupes << l->objectName() + " : " + texte;
            } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(b);
                opt.text = b->text();
                const QStyle::SubElement contenu = qobject_cast<QCheckBox*>(b)      ? QStyle::SE_CheckBoxContents
                                                   : qobject_cast<QRadioButton*>(b) ? QStyle::SE_RadioButtonContents
                                                                                    : QStyle::SE_PushButtonContents;
                const int largeur = b->style()->subElementRect(contenu, &opt, b).width() -
                                    (b->icon().isNull() ? 0 : b->iconSize().width() + 4);
                if (!b->text().isEmpty() && fm.horizontalAdvance(b->text().remove(QLatin1Char('&'))) > largeur)
                    coupes << b->objectName() + " : " + b->text();
            } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
                // Le titre garde une marge de chaque côté du cadre.
                if (fm.horizontalAdvance(g->title()) > g->width() - 16)
                    coupes << g->objectName() + " : " + g->title();
            }
        }
    }
    QApplication::setFont(policeAvant);
    EXPECT_TRUE(coupes.isEmpty()) << coupes.join(QLatin1Char('\n')).toStdString();
    // Le glyphe des boutons « Appliquer » vient avec le programme, sans thème du bureau.
    EXPECT_FALSE(f->Formulaire()->AppliquerCorrTon->icon().isNull());
    EXPECT_FALSE(f->Formulaire()->AppliquerHyB->icon().isNull());
}

TEST(APropos, LigneDeVersion)
{
    EXPECT_EQ(LigneVersion(QStringLiteral("1.1.1.0")), QStringLiteral("Kalvindo   Version 1.1"));
    EXPECT_EQ(LigneVersion(QString()), QStringLiteral("Kalvindo   Version ."));
    EXPECT_EQ(LigneVersion(VersionPgm()), QStringLiteral("Kalvindo   Version 1.1"));
}

TEST(APropos, FenetreMontreeAvecSaVersion)
{
    TInfosPgm infos;
    infos.show();
    EXPECT_EQ(infos.Formulaire()->VerPgm->text(), QStringLiteral("Kalvindo   Version 1.1"));
    EXPECT_FALSE(infos.Formulaire()->Logo->pixmap().isNull());
    infos.Formulaire()->OK->click();
    EXPECT_EQ(infos.result(), QDialog::Accepted);
    EXPECT_FALSE(infos.isVisible());
}

TEST(Preferences, LeChoixDuSucreResteDUneOuvertureALAutre)
{
    TPrefers prefs;
    const auto boutons = prefs.Formulaire()->Sucre->findChildren<QRadioButton*>();
    ASSERT_EQ(boutons.size(), 4);
    for (auto* b : boutons)
        EXPECT_FALSE(b->isChecked());
    for (int fois = 0; fois < 3; ++fois) {
        prefs.show();
        if (fois == 0)
            boutons[2]->setChecked(true);
        prefs.close();
        EXPECT_TRUE(boutons[2]->isChecked());
        EXPECT_FALSE(boutons[0]->isChecked());
    }
}

// Les chiffres du panoramique précédent ne restent pas sous un autre projet.
TEST_F(Fenetre, NouveauProjetEtOuvertureEffacentTailleEtAngle)
{
    Creer();
    EcrireImage(Chemin("a.png"), 12, 8);
    Choisir({Chemin("a.png")});
    f->ChargerUneImageClick();
    Choisir({Chemin("p.kvp")});
    f->EnregistrerPrjsousClick();
    ASSERT_FALSE(f->Modifie);
    Ui::TSeqPano& ui = *f->Formulaire();
    const std::function<void()> actions[] = {
        [&] { f->OuvrirProjet(Chemin("p.kvp")); },
        [&] { f->NouveauPrjClick(); },
    };
    for (const auto& action : actions) {
        ui.DimPan->setText(QStringLiteral("  L = 1400 px ; H = 640 px"));
        ui.AnglePan->setText(QStringLiteral("  L = 80 ° ; H = 37 °"));
        action();
        EXPECT_TRUE(messages.empty());
        EXPECT_TRUE(ui.DimPan->text().isEmpty());
        EXPECT_TRUE(ui.AnglePan->text().isEmpty());
    }
}

// Les commandes du bas de l'onglet des points restent au bas de la page sans
// jamais couvrir les vues, que l'onglet soit montré la première fois, après un
// redimensionnement fait sur un autre onglet ou après le chargement d'une
// nouvelle série.
TEST_F(Fenetre, LesCommandesDesPointsNeCouvrentPasLesVues)
{
    Creer();
    Ui::TSeqPano& ui = *f->Formulaire();
    QStringList images;
    for (const char* nom : {"a.png", "b.png", "c.png"}) {
        EcrireImage(Chemin(nom), 300, 200);
        images << Chemin(nom);
    }
    Choisir(images.mid(0, 2));
    f->ChargerSerieImgsClick();
    f->resize(1000, 680);
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));

    const auto verifier = [&](const QString& quand) {
        QCoreApplication::processEvents();
        ASSERT_TRUE(ui.PtsControl->isVisible()) << quand.toStdString();
        const QRect page = ui.PtsControl->rect();
        for (const QWidget* c : {static_cast<QWidget*>(ui.TypePtC), static_cast<QWidget*>(ui.AffCorrLibelle),
                                 static_cast<QWidget*>(ui.AffCorr)}) {
            const std::string qui = quand.toStdString() + " : " + c->objectName().toStdString();
            EXPECT_TRUE(page.contains(c->geometry())) << qui;
            // Ancrées au bas de la page, quelle que soit sa hauteur.
            EXPECT_LT(page.bottom() - c->geometry().bottom(), 30) << qui;
            for (const QWidget* vue : {ui.ControlImgG, ui.ControlImgD})
                EXPECT_FALSE(c->geometry().intersects(vue->geometry())) << qui << " sur " << vue->objectName().toStdString();
        }
    };
    verifier(QStringLiteral("premier affichage"));
    const QSize tailles[] = {{1400, 950}, {1000, 680}, {1600, 1000}, {1000, 680}};
    for (const QSize& t : tailles) {
        const QString nom = QStringLiteral("%1 × %2").arg(t.width()).arg(t.height());
        ui.FctPano->setCurrentWidget(ui.Images);
        f->resize(t);
        QCoreApplication::processEvents();
        ui.FctPano->setCurrentWidget(ui.PtsControl);
        verifier(nom + QStringLiteral(" faite sur un autre onglet"));
        f->resize(t + QSize(37, 23));
        verifier(nom + QStringLiteral(" agrandie sur l'onglet"));
        f->resize(t);
        verifier(nom + QStringLiteral(" rendue sur l'onglet"));
    }
    f->resize(1400, 950);
    reponses.push_back(ReponseMessage::Non);
    f->NouveauPrjClick();
    Choisir(images);
    f->ChargerSerieImgsClick();
    ASSERT_EQ(ListeImgs.size(), 3u);
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    verifier(QStringLiteral("nouvelle série"));
    // Des onglets hauts raccourcissent la page : les vues finissent plus haut.
    ui.FctPano->setStyleSheet(QStringLiteral("QTabBar::tab { height: 80px; }"));
    verifier(QStringLiteral("onglets hauts"));
}
