#include <gtest/gtest.h>

#include <memory>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QFile>
#include <QFileSystemModel>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "app/DlgBoxEnrg.h"
#include "app/DlgEnrg.h"
#include "app/DlgEnrgNavigation.h"
#include "app/XPTheme.h"
#include "platform/Dialogues.h"
#include "ui_TDialogEnrg.h"

namespace {

// Le modèle des dossiers se remplit dans un fil à part.
template <class F>
bool Attendre(F condition)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

const QString FiltresPano = QStringLiteral("Image BitMap (*.bmp)|Image JPEG (*.jpg)|Image Tiff (*.tif)");

// Questions posées par le dialogue, réponses données d'avance.
struct Questions
{
    Questions(ReponseMessage reponse = ReponseMessage::Oui)
    {
        CrochetsDialogues c;
        c.message = [this, reponse](const DemandeMessage& d) {
            textes << d.texte;
            parents << d.parent;
            return reponse;
        };
        DefinirCrochetsDialogues(c);
    }
    ~Questions() { DefinirCrochetsDialogues({}); }
    QStringList textes;
    QList<QWidget*> parents;
};

class DialogueEnrg : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        rep = QDir(tmp.path()).canonicalPath();
        dlg.Filtres = FiltresPano;
        dlg.IndXFiltre = 2;
        dlg.JpgQual = 90;
    }

    Ui::TDialogEnrg& ui() { return *dlg.Formulaire(); }
    TShellListView& liste() { return *ui().ShellListView; }

    // Le choix d'un type dans la liste déroulante, comme l'utilisateur le fait.
    void ChoisirType(int index)
    {
        ui().TypeFch->setCurrentIndex(index);
        dlg.TypeFchChange();
    }

    // Un dialogue neuf montré sur ce nom, proposé en JPEG.
    static void Ouvrir(TDialogEnrg& d, const QString& nom, TOptionsEnrg options = {})
    {
        d.Filtres = FiltresPano;
        d.IndXFiltre = 2;
        d.Options = options;
        d.NomEnrg = nom;
        d.FormShow();
    }

    void Creer(const QString& nom)
    {
        QFile f(rep + QLatin1Char('/') + nom);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }

    QTemporaryDir tmp;
    QString rep;
    TDialogEnrg dlg;
};

}

TEST_F(DialogueEnrg, FormeEtConnexions)
{
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Enregistrer sous ..."));
    EXPECT_EQ(dlg.width(), 418);
    EXPECT_EQ(dlg.height(), 309);
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
    struct Cas { QWidget* w; QRect r; };
    const Cas cas[] = {
        {ui().ShellComboBox, {47, 8, 209, 22}}, {ui().RepPrec, {268, 9, 23, 22}},
        {ui().Bureau, {300, 9, 23, 22}},         {ui().NouvRep, {332, 9, 23, 22}},
        {ui().AffListe, {364, 9, 25, 22}},       {ui().AffDetails, {389, 9, 23, 22}},
        {ui().ShellListView, {4, 38, 410, 144}}, {ui().NomFch, {65, 188, 233, 21}},
        {ui().TypeFch, {65, 219, 233, 21}},      {ui().Enregistrer, {323, 188, 75, 23}},
        {ui().Annuler, {323, 217, 75, 23}},      {ui().CursQJpg, {25, 275, 371, 26}},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(c.w->geometry(), c.r) << c.w->objectName().toStdString();
    EXPECT_EQ(ui().LQualite->pos(), QPoint(10, 255));
    EXPECT_EQ(ui().FQJpg->y(), 255);
    EXPECT_GE(ui().FQJpg->x(), 135);
    EXPECT_GT(ui().FQJpg->x(), 10 + ui().LQualite->fontMetrics().horizontalAdvance(ui().LQualite->text()));
    EXPECT_EQ(ui().LQualite->text(), QStringLiteral("Facteur de qualité JPEG :"));
    EXPECT_EQ(ui().Enregistrer->text(), QStringLiteral("&Enregistrer"));
    EXPECT_TRUE(ui().Enregistrer->isDefault());
    EXPECT_EQ(ui().Annuler->text(), QStringLiteral("Annuler"));
    EXPECT_TRUE(ui().AffListe->isChecked());
    EXPECT_EQ(ui().CursQJpg->minimum(), 0);
    EXPECT_EQ(ui().CursQJpg->maximum(), 100);
    EXPECT_EQ(ui().CursQJpg->tickInterval(), 5);

    // Chaque connexion du formulaire doit trouver son signal et son gestionnaire.
    static QStringList avertissements;
    avertissements.clear();
    const QtMessageHandler ancien = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
        avertissements << m;
    });
    { TDialogEnrg autre; }
    qInstallMessageHandler(ancien);
    EXPECT_TRUE(avertissements.filter(QStringLiteral("connect")).isEmpty()) << avertissements.join('\n').toStdString();
}

TEST_F(DialogueEnrg, PremierEnregistrementEnJpeg)
{
    TBoiteEnrg boite;
    boite.Filtres = FiltresPano;
    boite.IndXFiltre = 2;
    boite.JpgQual = 75;
    boite.NomEnrg = rep + QLatin1Char('/');
    DefinirCrochetDialogueEnrg([&](TDialogEnrg& d) {
        d.FormShow();
        Ui::TDialogEnrg& u = *d.Formulaire();
        EXPECT_EQ(u.TypeFch->count(), 3);
        EXPECT_EQ(u.TypeFch->currentText(), QStringLiteral("Image JPEG (*.jpg)"));
        EXPECT_EQ(d.Hauteur(), 336);
        EXPECT_EQ(u.CursQJpg->value(), 75);
        EXPECT_EQ(u.FQJpg->text(), QStringLiteral("75"));
        EXPECT_TRUE(u.NomFch->text().isEmpty());
        EXPECT_EQ(u.ShellListView->Chemin(), rep);
        EXPECT_EQ(u.ShellListView->Masque(), QStringLiteral("*.jpg"));
        // L'utilisateur choisit BMP puis renonce : le type revient la fois suivante.
        u.TypeFch->setCurrentIndex(0);
        d.TypeFchChange();
        d.AnnulerClick();
        return d.result();
    });
    EXPECT_FALSE(boite.Execute());
    DefinirCrochetDialogueEnrg({});
    EXPECT_EQ(boite.IndXFiltre, 1);
    EXPECT_EQ(boite.JpgQual, 75);
}

TEST_F(DialogueEnrg, NomsObtenusALaConfirmation)
{
    Creer(QStringLiteral("existe.png"));
    Creer(QStringLiteral("image.bmp"));
    QDir(rep).mkdir(QStringLiteral("sous"));
    Creer(QStringLiteral("sous/vue.png"));
    // %1 : le dossier affiché ; un nom tapé avec son dossier vaut ce chemin.
    struct Cas { int type; const char* tape; const char* attendu; };
    const Cas cas[] = {
        {0, "pano", "pano.bmp"},
        {2, "pano.png", "pano.tif"},
        {1, "vue.tif", "vue.jpg"},
        {2, "a.b.c", "a.b.tif"},
        {1, "existe.png", "existe.png"},  // un fichier existant garde son nom
        {2, "image.bmp", "image.bmp"},
        {1, "%1/sous/pano", "sous/pano.jpg"},
        {0, "%1/sous/vue.png", "sous/vue.png"},
        {2, "sous/../sous/pano.png", "sous/pano.tif"},
        {0, "sous/vue.png", "sous/vue.png"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape);
        Questions q;
        TDialogEnrg d;
        Ouvrir(d, rep + QLatin1Char('/'));
        d.Formulaire()->TypeFch->setCurrentIndex(c.type);
        d.TypeFchChange();
        d.Formulaire()->NomFch->setText(QString::fromUtf8(c.tape).replace(QStringLiteral("%1"), rep));
        d.EnregistrerClick();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.NomEnrg, rep + QLatin1Char('/') + QString::fromUtf8(c.attendu));
        EXPECT_EQ(d.IndXFiltre, c.type + 1);
    }
}

TEST_F(DialogueEnrg, RemplacementDUnFichierExistant)
{
    Creer(QStringLiteral("vue.jpg"));
    // Par le bouton comme par un double-clic sur le fichier.
    for (const bool doubleClic : {false, true})
        for (ReponseMessage r : {ReponseMessage::Non, ReponseMessage::Oui}) {
            Questions q(r);
            TDialogEnrg d;
            Ouvrir(d, rep + QStringLiteral("/vue"), ofOverwritePrompt);
            EXPECT_EQ(d.Formulaire()->NomFch->text(), QStringLiteral("vue.jpg"));
            if (doubleClic) {
                d.Formulaire()->ShellListView->Selectionner(QStringLiteral("vue.jpg"));
                d.ShellListViewDblClick();
            } else {
                d.EnregistrerClick();
            }
            ASSERT_EQ(q.textes.size(), 1) << doubleClic;
            EXPECT_TRUE(q.textes[0].contains(rep + QStringLiteral("/vue.jpg")));
            EXPECT_EQ(q.parents[0], &d) << doubleClic;
            EXPECT_EQ(d.result() == QDialog::Accepted, r == ReponseMessage::Oui) << doubleClic;
        }
    // Sans l'option, rien n'est demandé.
    Questions q;
    dlg.NomEnrg = rep + QStringLiteral("/vue.jpg");
    dlg.FormShow();
    dlg.EnregistrerClick();
    EXPECT_TRUE(q.textes.isEmpty());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(DialogueEnrg, DossierTapeOuvertPuisNomVide)
{
    QDir(rep).mkpath(QStringLiteral("photos/2024"));
    Creer(QStringLiteral("photos/vue.jpg"));
    // %1 : le dossier affiché au départ.
    struct Cas { const char* tape; const char* ouvert; };
    const Cas cas[] = {
        {"photos", "/photos"},
        {"%1/photos", "/photos"},
        {"photos/", "/photos"},
        {"photos/2024/../2024", "/photos/2024"},
        {"..", ""},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.tape);
        Questions q;
        TDialogEnrg d;
        Ouvrir(d, rep + QStringLiteral("/photos/vue.jpg"), ofOverwritePrompt);
        d.Formulaire()->ShellListView->DefinirChemin(rep);
        d.Formulaire()->NomFch->setText(QString::fromUtf8(c.tape).replace(QStringLiteral("%1"), rep));
        d.EnregistrerClick();
        EXPECT_NE(d.result(), QDialog::Accepted);
        const QString ouvert = QString::fromUtf8(c.ouvert);
        EXPECT_EQ(d.Formulaire()->ShellListView->Chemin(),
                  ouvert.isEmpty() ? QFileInfo(rep).path() : rep + ouvert);
        EXPECT_TRUE(d.Formulaire()->NomFch->text().isEmpty());
        EXPECT_TRUE(q.textes.isEmpty());
        // Le nom tapé ensuite y est enregistré.
        d.Formulaire()->NomFch->setText(QStringLiteral("pano"));
        d.EnregistrerClick();
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_EQ(d.NomEnrg, d.Formulaire()->ShellListView->Chemin() + QStringLiteral("/pano.jpg"));
    }
    EXPECT_FALSE(QFileInfo::exists(rep + QStringLiteral("/photos.jpg")));
}

TEST_F(DialogueEnrg, QuestionDeRemplacementFilleDuDialogue)
{
    // Sans crochet : la vraie boîte de question s'ouvre, posée sur le dialogue.
    Creer(QStringLiteral("vue.jpg"));
    QWidget principale;
    DefinirFenetreParente(&principale);
    TBoiteEnrg boite;
    boite.Filtres = FiltresPano;
    boite.IndXFiltre = 2;
    boite.Options = ofOverwritePrompt;
    boite.NomEnrg = rep + QStringLiteral("/vue.jpg");
    QWidget* dialogue = nullptr;
    QWidget* parentQuestion = nullptr;
    QString texte;
    QTimer::singleShot(0, [&] {
        dialogue = QApplication::activeModalWidget();
        ASSERT_NE(qobject_cast<TDialogEnrg*>(dialogue), nullptr);
        QTimer::singleShot(0, [&] {
            auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(question, nullptr);
            parentQuestion = question->parentWidget();
            texte = question->text();
            for (QAbstractButton* b : question->buttons())
                if (b->text() == QStringLiteral("Non"))
                    b->click();
        });
        qobject_cast<TDialogEnrg*>(dialogue)->Formulaire()->Enregistrer->click();
        // Le remplacement refusé laisse le dialogue ouvert ; Annuler le ferme.
        ASSERT_TRUE(dialogue->isVisible());
        qobject_cast<TDialogEnrg*>(dialogue)->Formulaire()->Annuler->click();
    });
    EXPECT_FALSE(boite.Execute());
    DefinirFenetreParente(nullptr);
    EXPECT_EQ(parentQuestion, dialogue);
    EXPECT_EQ(texte, rep + QStringLiteral("/vue.jpg existe déjà.\nVoulez-vous le remplacer ?"));
}

TEST_F(DialogueEnrg, ChangementDeTypeEtHauteur)
{
    dlg.NomEnrg = rep + QStringLiteral("/vue.jpg");
    dlg.FormShow();
    EXPECT_EQ(dlg.Hauteur(), 336);
    EXPECT_TRUE(dlg.rect().contains(ui().CursQJpg->geometry()));
    ChoisirType(0);
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("vue.bmp"));
    EXPECT_EQ(dlg.Hauteur(), 278);
    EXPECT_EQ(dlg.IndXFiltre, 1);
    // Le réglage de qualité est coupé par le bas de la fenêtre.
    EXPECT_GE(ui().LQualite->y(), dlg.height());
    EXPECT_GE(ui().CursQJpg->y(), dlg.height());
    ChoisirType(2);
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("vue.tif"));
    EXPECT_EQ(dlg.Hauteur(), 278);
    ChoisirType(1);
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("vue.jpg"));
    EXPECT_EQ(dlg.Hauteur(), 336);
    // Un nom vide le reste.
    ui().NomFch->clear();
    ChoisirType(0);
    EXPECT_TRUE(ui().NomFch->text().isEmpty());
}

TEST_F(DialogueEnrg, NomVideOuDossierDisparuGardentLeDialogue)
{
    dlg.NomEnrg = rep + QLatin1Char('/');
    dlg.FormShow();
    dlg.EnregistrerClick();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ui().NomFch->setText(rep + QStringLiteral("/sous/"));  // un dossier sans nom de fichier
    dlg.EnregistrerClick();
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    QDir(rep).mkdir(QStringLiteral("sous"));
    TDialogEnrg d;
    d.Filtres = FiltresPano;
    d.NomEnrg = rep + QStringLiteral("/sous/pano");
    d.FormShow();
    EXPECT_EQ(d.Formulaire()->ShellListView->Chemin(), rep + QStringLiteral("/sous"));
    QDir(rep).rmdir(QStringLiteral("sous"));
    d.EnregistrerClick();
    EXPECT_NE(d.result(), QDialog::Accepted);
}

TEST_F(DialogueEnrg, RemplirTypes)
{
    struct Cas { const char* filtres; QStringList entrees; };
    const Cas cas[] = {
        {"", {""}},
        {"A (*.a)", {"A (*.a)"}},
        {"a|b|c", {"a", "b", "c"}},
        {"a|", {"a", ""}},
        {"|", {"", ""}},
    };
    for (const Cas& c : cas) {
        dlg.RemplirTypes(QString::fromUtf8(c.filtres));
        QStringList lues;
        for (int i = 0; i < ui().TypeFch->count(); ++i)
            lues << ui().TypeFch->itemText(i);
        EXPECT_EQ(lues, c.entrees) << c.filtres;
    }
}

TEST_F(DialogueEnrg, OuvertureSelonNomEtType)
{
    struct Cas { QString nom; int ind; QString dossier; QString champ; int type; };
    const Cas cas[] = {
        {rep + "/vue.jpg", 2, rep, "vue.jpg", 1},
        {rep + "/", 3, rep, "", 2},
        {rep + "/absent/loin/x.bmp", 1, rep, "x.bmp", 0},
        {"", 0, QDir::homePath(), "", 0},
        {rep + "/a", 4, rep, "a.bmp", 0},
        // Un dossier sans "/" final montre son parent et propose son nom.
        {rep, 2, QFileInfo(rep).path(), QFileInfo(rep).fileName() + ".jpg", 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom.toStdString());
        TDialogEnrg d;
        d.Filtres = FiltresPano;
        d.NomEnrg = c.nom;
        d.IndXFiltre = c.ind;
        d.FormShow();
        EXPECT_EQ(d.Formulaire()->ShellListView->Chemin(), c.dossier);
        EXPECT_EQ(d.Formulaire()->NomFch->text(), c.champ);
        EXPECT_EQ(d.Formulaire()->TypeFch->currentIndex(), c.type);
        EXPECT_EQ(d.IndXFiltre, c.type + 1);
    }
}

TEST_F(DialogueEnrg, Navigation)
{
    QDir(rep).mkpath(QStringLiteral("a/b"));
    dlg.NomEnrg = rep + QStringLiteral("/a/b/");
    dlg.FormShow();
    dlg.RepPrecClick();
    EXPECT_EQ(liste().Chemin(), rep + QStringLiteral("/a"));
    // La liste des ancêtres suit, de la racine au dossier montré.
    QComboBox& anc = *ui().ShellComboBox;
    EXPECT_EQ(anc.itemData(0).toString(), QStringLiteral("/"));
    EXPECT_EQ(anc.itemData(anc.count() - 1).toString(), rep + QStringLiteral("/a"));
    EXPECT_EQ(anc.currentIndex(), anc.count() - 1);
    emit anc.activated(anc.count() - 2);
    EXPECT_EQ(liste().Chemin(), rep);

    dlg.NouvRepClick();
    dlg.NouvRepClick();
    EXPECT_TRUE(QFileInfo(rep + QStringLiteral("/Nouveau dossier")).isDir());
    EXPECT_TRUE(QFileInfo(rep + QStringLiteral("/Nouveau dossier (2)")).isDir());

    dlg.AffDetailsClick();
    EXPECT_TRUE(liste().EnDetails());
    dlg.AffListeClick();
    EXPECT_FALSE(liste().EnDetails());

    dlg.BureauClick();
    EXPECT_TRUE(liste().EstBureau());
    EXPECT_EQ(liste().Chemin(), QStringLiteral("/"));
    dlg.RepPrecClick();
    EXPECT_EQ(liste().Chemin(), QStringLiteral("/"));
    // Pas de nouveau dossier sur le bureau.
    const bool existait = QFileInfo::exists(QStringLiteral("/Nouveau dossier"));
    dlg.NouvRepClick();
    EXPECT_EQ(QFileInfo::exists(QStringLiteral("/Nouveau dossier")), existait);
}

TEST_F(DialogueEnrg, ElementsChoisisEtDoubleClic)
{
    Creer(QStringLiteral("photo.jpg"));
    QDir(rep).mkdir(QStringLiteral("dossier.jpg"));
    dlg.NomEnrg = rep + QStringLiteral("/pano");
    dlg.FormShow();
    QFileSystemModel& m = *liste().Modele();

    dlg.ShellListViewItemSelected(m.index(rep + QStringLiteral("/dossier.jpg")));
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("pano.jpg"));
    dlg.ShellListViewItemSelected(m.index(rep + QStringLiteral("/photo.jpg")));
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("photo.jpg"));

    // Double-clic sur un dossier : la liste l'ouvre, le dialogue reste.
    liste().Selectionner(QStringLiteral("dossier.jpg"));
    emit liste().VueActive()->doubleClicked(m.index(rep + QStringLiteral("/dossier.jpg")));
    EXPECT_EQ(liste().Chemin(), rep + QStringLiteral("/dossier.jpg"));
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    // Double-clic sur un fichier : il est choisi tel quel.
    dlg.RepPrecClick();
    liste().Selectionner(QStringLiteral("photo.jpg"));
    EXPECT_EQ(ui().NomFch->text(), QStringLiteral("photo.jpg"));
    dlg.ShellListViewDblClick();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.NomEnrg, rep + QStringLiteral("/photo.jpg"));
}

TEST_F(DialogueEnrg, MasqueDeLaListe)
{
    Creer(QStringLiteral("a.jpg"));
    Creer(QStringLiteral("B.JPG"));
    Creer(QStringLiteral("c.bmp"));
    QDir(rep).mkdir(QStringLiteral("sous"));
    dlg.NomEnrg = rep + QLatin1Char('/');
    dlg.FormShow();
    QFileSystemModel& m = *liste().Modele();
    const QModelIndex racine = m.index(rep);
    auto Noms = [&] {
        QStringList n;
        for (int i = 0; i < m.rowCount(racine); ++i)
            n << m.fileName(m.index(i, 0, racine));
        n.sort();
        return n;
    };
    const QStringList jpeg{"B.JPG", "a.jpg", "sous"};
    EXPECT_TRUE(Attendre([&] { return Noms() == jpeg; })) << Noms().join(' ').toStdString();
    ChoisirType(0);
    const QStringList bmp{"c.bmp", "sous"};
    EXPECT_TRUE(Attendre([&] { return Noms() == bmp; })) << Noms().join(' ').toStdString();
}

TEST_F(DialogueEnrg, ExecuteModalReel)
{
    // Sans crochet, le dialogue s'ouvre vraiment ; son affichage le remplit.
    TBoiteEnrg boite;
    boite.Filtres = FiltresPano;
    boite.IndXFiltre = 3;
    boite.JpgQual = 40;
    boite.NomEnrg = rep + QStringLiteral("/nuit.jpg");
    QString vu;
    int hauteur = 0;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<TDialogEnrg*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        vu = d->Formulaire()->NomFch->text();
        hauteur = d->Hauteur();
        d->Formulaire()->NomFch->setText(QStringLiteral("jour"));
        d->Formulaire()->Enregistrer->click();
    });
    EXPECT_TRUE(boite.Execute());
    EXPECT_EQ(vu, QStringLiteral("nuit.tif"));
    EXPECT_EQ(hauteur, 278);
    EXPECT_EQ(boite.NomEnrg, rep + QStringLiteral("/jour.tif"));
    EXPECT_EQ(boite.IndXFiltre, 3);
    EXPECT_EQ(boite.JpgQual, 40);
}

TEST_F(DialogueEnrg, MenuContextuel)
{
    Creer(QStringLiteral("garde.jpg"));
    dlg.NomEnrg = rep + QLatin1Char('/');
    dlg.show();
    QAbstractItemView* vue = liste().VueActive();
    QFileSystemModel& m = *liste().Modele();
    const QModelIndex index = m.index(rep + QStringLiteral("/garde.jpg"));
    ASSERT_TRUE(Attendre([&] { return vue->visualRect(index).isValid(); }));

    // Le menu d'un fichier : renommer, supprimer, nouveau dossier ; refuser la suppression garde le fichier.
    Questions q(ReponseMessage::Non);
    QStringList actions;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                actions << a->text();
        for (QAction* a : menu->actions())
            if (a->text() == QStringLiteral("Supprimer"))
                a->trigger();
        menu->close();
    });
    emit vue->customContextMenuRequested(vue->visualRect(index).center());
    EXPECT_EQ(actions, (QStringList{"Renommer", "Supprimer", "Nouveau dossier"}));
    ASSERT_EQ(q.textes.size(), 1);
    EXPECT_TRUE(q.textes[0].contains(QStringLiteral("garde.jpg")));
    EXPECT_TRUE(QFile::exists(rep + QStringLiteral("/garde.jpg")));
    dlg.hide();
}

TEST_F(DialogueEnrg, TextesDeQtEnFrancaisEtIconesSansTheme)
{
    ASSERT_TRUE(ChargerTraductionsQt());
    ASSERT_TRUE(QDir(rep).mkdir(QStringLiteral("sous")));
    dlg.NomEnrg = rep + QLatin1Char('/');
    dlg.show();
    QFileSystemModel& m = *liste().Modele();
    const QModelIndex dossier = m.index(rep + QStringLiteral("/sous"));
    ASSERT_TRUE(Attendre([&] { return !m.data(dossier.siblingAtColumn(2)).toString().isEmpty(); }));
    EXPECT_EQ(m.data(dossier.siblingAtColumn(2)).toString(), QStringLiteral("Dossier"));
    QStringList entetes;
    for (int c = 0; c < 4; ++c)
        entetes << m.headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(entetes, (QStringList{"Nom", "Taille", "Type", "Dernière modification"}));
    EXPECT_FALSE(m.data(dossier, Qt::DecorationRole).value<QIcon>().isNull());

    QLineEdit champ;
    const std::unique_ptr<QMenu> menu(champ.createStandardContextMenu());
    EXPECT_TRUE(menu->actions().constLast()->text().startsWith(QStringLiteral("Tout sélectionner")));
    dlg.hide();
}
