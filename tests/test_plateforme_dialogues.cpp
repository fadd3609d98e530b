#include <gtest/gtest.h>

#include <span>
#include <stdexcept>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Dialogues.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"

namespace {

// Rétablit les dialogues réels à la fin de chaque test.
class DialoguesTest : public ::testing::Test
{
protected:
    void TearDown() override { DefinirCrochetsDialogues({}); }
};

// Répond à la prochaine boîte modale dès qu'elle s'ouvre.
template <class F>
void RepondreALaBoite(F reponse)
{
    QTimer::singleShot(0, [reponse]() {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        reponse(w);
    });
}

QStringList TextesBoutons(QMessageBox* boite)
{
    QStringList textes;
    for (auto* b : boite->buttons())
        textes << b->text();
    textes.sort();
    return textes;
}

}  // namespace

TEST_F(DialoguesTest, LeCrochetRecoitLaDemandeEtRepond)
{
    QList<DemandeMessage> recues;
    DefinirCrochetsDialogues({[&](const DemandeMessage& d) {
                                  recues << d;
                                  return ReponseMessage::Annuler;
                              },
                              {}});
    EXPECT_EQ(AfficherMessage(TypeMessage::Question, "Enregistrer ?", BoutonsMessage::OuiNonAnnuler),
              ReponseMessage::Annuler);
    AfficherErreur("Image non valide");
    Protege([] { throw Erreur("Division par zéro en virgule flottante"); });
    Protege([] { throw std::runtime_error("autre"); });
    ASSERT_EQ(recues.size(), 4);
    EXPECT_EQ(recues[0].type, TypeMessage::Question);
    EXPECT_EQ(recues[0].boutons, BoutonsMessage::OuiNonAnnuler);
    EXPECT_EQ(recues[1].type, TypeMessage::Erreur);
    EXPECT_EQ(recues[1].texte, "Image non valide");
    EXPECT_EQ(recues[2].texte, QString::fromUtf8("Division par zéro en virgule flottante"));
    EXPECT_EQ(recues[3].texte, "autre");

    ReponseFichier voulu;
    voulu.accepte = true;
    voulu.fichiers = {"/tmp/a.jpg", "/tmp/b.jpg"};
    voulu.indexFiltre = 2;
    DemandeFichier vue;
    DefinirCrochetsDialogues({{}, [&](const DemandeFichier& d) {
                                  vue = d;
                                  return voulu;
                              }});
    DemandeFichier d;
    d.sorte = SorteDialogue::OuvrirImages;
    d.plusieurs = true;
    d.filtre = "Images (*.jpg);;Tous (*)";
    const ReponseFichier r = DemanderFichier(d);
    EXPECT_EQ(vue.sorte, SorteDialogue::OuvrirImages);
    EXPECT_TRUE(vue.plusieurs);
    EXPECT_EQ(r.fichiers, voulu.fichiers);
    EXPECT_EQ(r.indexFiltre, 2);
}

TEST_F(DialoguesTest, BoiteReelleEnFrancais)
{
    struct Cas
    {
        BoutonsMessage boutons;
        QStringList textes;
        QString clic;  // vide : Échap
        ReponseMessage attendue;
    };
    const Cas cas[] = {
        {BoutonsMessage::Ok, {"OK"}, "OK", ReponseMessage::Ok},
        {BoutonsMessage::OuiNon, {"Non", "Oui"}, "Oui", ReponseMessage::Oui},
        {BoutonsMessage::OuiNon, {"Non", "Oui"}, "", ReponseMessage::Non},
        {BoutonsMessage::OuiNonAnnuler, {"Annuler", "Non", "Oui"}, "Non", ReponseMessage::Non},
        {BoutonsMessage::OuiNonAnnuler, {"Annuler", "Non", "Oui"}, "", ReponseMessage::Annuler},
    };
    for (const auto& c : cas) {
        QString titre;
        QStringList textes;
        RepondreALaBoite([&](QWidget* w) {
            auto* boite = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(boite, nullptr);
            titre = boite->windowTitle();
            textes = TextesBoutons(boite);
            if (c.clic.isEmpty()) {
                boite->reject();
                return;
            }
            for (auto* b : boite->buttons())
                if (b->text() == c.clic)
                    b->click();
        });
        EXPECT_EQ(AfficherMessage(TypeMessage::Question, "Question ?", c.boutons), c.attendue);
        EXPECT_EQ(titre, "Kalvindo");
        EXPECT_EQ(textes, c.textes);
    }
}

TEST_F(DialoguesTest, DialogueFichierReel)
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath("panorama.jpg");
    QString titre;
    RepondreALaBoite([&](QWidget* w) {
        auto* dialogue = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialogue, nullptr);
        titre = dialogue->windowTitle();
        EXPECT_EQ(dialogue->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialogue->selectedNameFilter(), "JPEG (*.jpg)");
        EXPECT_EQ(dialogue->findChild<QLabel*>("Apercu"), nullptr);
        static_cast<QDialog*>(dialogue)->accept();
    });
    DemandeFichier d;
    d.sorte = SorteDialogue::Enregistrer;
    d.titre = "Enregistrer sous ...";
    d.repertoire = dossier.path();
    d.nom = "panorama";
    d.filtre = "BMP (*.bmp);;JPEG (*.jpg)";
    d.indexFiltre = 1;
    d.extensionDefaut = "jpg";
    const ReponseFichier r = DemanderFichier(d);
    EXPECT_EQ(titre, "Enregistrer sous ...");
    ASSERT_TRUE(r.accepte);
    ASSERT_EQ(r.fichiers.size(), 1);
    EXPECT_EQ(QFileInfo(r.fichiers[0]).absoluteFilePath(), QFileInfo(cible).absoluteFilePath());
    EXPECT_EQ(r.indexFiltre, 1);

    RepondreALaBoite([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });
    d.sorte = SorteDialogue::Ouvrir;
    EXPECT_FALSE(DemanderFichier(d).accepte);

    // Le dialogue d'images montre l'image sous le curseur, lue par nos
    // décodeurs, réduite au volet ; vide pour ce qu'ils refusent.
    Bitmap large(400, 100);
    large.Fill(10, 20, 30);
    EnregistrerBmp(large, dossier.filePath("large.bmp"));
    Bitmap petite(50, 80);
    petite.Fill(200, 100, 0);
    EnregistrerJpeg(petite, 95, dossier.filePath("petite.jpg"));
    QImage(8, 8, QImage::Format_RGB32).save(dossier.filePath("png.bmp"), "PNG");  // Qt la lirait
    QFile abime(dossier.filePath("abime.jpg"));
    ASSERT_TRUE(abime.open(QIODevice::WriteOnly));
    abime.write("pas une image");
    abime.close();
    ASSERT_TRUE(QDir(dossier.path()).mkdir("sous-dossier"));
    struct CasApercu
    {
        const char* nom;
        QSize taille;  // 0 × 0 : aucun aperçu
    };
    const CasApercu cas[] = {{"large.bmp", {200, 50}}, {"abime.jpg", {0, 0}},
                             {"petite.jpg", {50, 80}}, {"png.bmp", {0, 0}},
                             {"large.bmp", {200, 50}}, {"sous-dossier", {0, 0}}};
    QList<QSize> tailles;
    QList<QColor> centres;
    RepondreALaBoite([&](QWidget* w) {
        auto* dialogue = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialogue, nullptr);
        auto* apercu = dialogue->findChild<QLabel*>("Apercu");
        for (const CasApercu& c : apercu ? std::span(cas) : std::span<const CasApercu>()) {
            emit dialogue->currentChanged(dossier.filePath(c.nom));
            const QImage image = apercu->pixmap().toImage();
            tailles << image.size();
            centres << (image.isNull() ? QColor() : image.pixelColor(image.rect().center()));
        }
        dialogue->reject();
    });
    d.sorte = SorteDialogue::OuvrirImages;
    EXPECT_FALSE(DemanderFichier(d).accepte);
    ASSERT_EQ(tailles.size(), std::size(cas));
    for (size_t i = 0; i < std::size(cas); ++i)
        EXPECT_EQ(tailles[i], cas[i].taille) << cas[i].nom;
    EXPECT_EQ(centres[0], QColor(30, 20, 10));
    EXPECT_NEAR(centres[2].red(), 0, 2);
    EXPECT_NEAR(centres[2].blue(), 200, 2);
}

TEST(Application, SablierImbriqueEtRestaureMemeSurErreur)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    try {
        CurseurSablier externe;
        {
            CurseurSablier interne;
            ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
        throw Erreur("échec");
    } catch (const Erreur&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Application, ProcessMessagesTraiteLesEvenementsEnAttente)
{
    bool traite = false;
    QTimer::singleShot(0, [&] { traite = true; });
    ProcessMessages();
    EXPECT_TRUE(traite);
    EXPECT_TRUE(QFileInfo(CheminExecutable()).isExecutable());
}
