#include <gtest/gtest.h>

#include <stdexcept>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "platform/Application.h"
#include "platform/Dialogues.h"
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
