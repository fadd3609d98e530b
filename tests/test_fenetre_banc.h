#pragma once
// Banc d'essai de la fenêtre principale : dossier temporaire, réglages
// détournés, dialogues répondus par le test.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <vector>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"

class BancFenetre : public ::testing::Test
{
protected:
    QTemporaryDir dossier;
    std::vector<DemandeMessage> messages;
    std::deque<ReponseMessage> reponses;
    std::vector<DemandeFichier> demandes;
    std::deque<ReponseFichier> choix;
    std::unique_ptr<TSeqPano> f;

    void SetUp() override
    {
        ASSERT_TRUE(dossier.isValid());
        ImposerCheminReglages(Chemin("kalvindo.ini"));
        CrochetsDialogues crochets;
        crochets.message = [this](const DemandeMessage& d) {
            messages.push_back(d);
            if (reponses.empty())
                return ReponseMessage::Ok;
            const ReponseMessage r = reponses.front();
            reponses.pop_front();
            return r;
        };
        crochets.fichier = [this](const DemandeFichier& d) {
            demandes.push_back(d);
            if (choix.empty())
                return ReponseFichier{};
            ReponseFichier r = choix.front();
            choix.pop_front();
            return r;
        };
        DefinirCrochetsDialogues(crochets);
    }

    void TearDown() override
    {
        if (f) {
            f->ReinitialiserClick();
            f.reset();
        }
        DefinirCrochetsDialogues({});
        ImposerCheminReglages(QString());
    }

    QString Chemin(const QString& nom) const { return dossier.filePath(nom); }

    void Creer() { f = std::make_unique<TSeqPano>(); }

    // Le dialogue de fichiers répondra par ces chemins.
    void Choisir(const QStringList& fichiers)
    {
        ReponseFichier r;
        r.accepte = true;
        r.fichiers = fichiers;
        choix.push_back(r);
    }
    void Refuser() { choix.push_back(ReponseFichier{}); }

    // Une image PNG unie de la taille voulue.
    static void EcrireImage(const QString& chemin, int largeur, int hauteur, QRgb couleur = 0xFF336699)
    {
        QImage image(largeur, hauteur, QImage::Format_RGB32);
        image.fill(couleur);
        ASSERT_TRUE(image.save(chemin, "PNG"));
    }

    static QByteArray Lire(const QString& chemin)
    {
        QFile fichier(chemin);
        if (!fichier.open(QIODevice::ReadOnly))
            return {};
        return fichier.readAll();
    }

    static void Ecrire(const QString& chemin, const QByteArray& octets)
    {
        QFile fichier(chemin);
        ASSERT_TRUE(fichier.open(QIODevice::WriteOnly));
        ASSERT_EQ(fichier.write(octets), octets.size());
    }

    static QString Nom(int i) { return LireChaineCourte(ListeImgs[i].Nom); }
};
