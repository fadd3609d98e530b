#pragma once
// Banc commun des tests de l'onglet Assemblage : la vraie fenêtre principale,
// affichée hors écran sur l'onglet Assemblage, et les boîtes de message
// capturées.

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "app/AcqImgs.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Dialogues.h"
#include "platform/Image.h"
#include "ui_TSeqPano.h"

class BancVuePano : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dossier_.isValid());
        ImposerCheminReglages(dossier_.filePath(QStringLiteral("kalvindo.ini")));
        DefinirCrochetsDialogues({[this](const DemandeMessage& d) {
                                      messages.push_back(d);
                                      return reponse;
                                  },
                                  {}});
        fenetre = std::make_unique<TSeqPano>();
        f = fenetre->Formulaire();
        ASSERT_NE(BmpPano, nullptr);  // créé par la fenêtre à son ouverture
        fenetre->resize(1100, 700);
        f->FctPano->setCurrentWidget(f->Assemblage);
        fenetre->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(fenetre.get()));
    }

    void TearDown() override
    {
        CurseurEcran(Qt::ArrowCursor);
        if (fenetre)
            fenetre->ReinitialiserClick();
        fenetre.reset();
        LargeurPano = 0;
        HauteurPano = 0;
        LargeurRecouvrement = 20;
        DefinirCrochetsDialogues({});
        ImposerCheminReglages(QString());
    }

    // Boîte de défilement dont la zone cliente fait exactement « largeur » pixels.
    void LargeurBoite(int largeur)
    {
        f->AffPano->resize(largeur + 2 * f->AffPano->frameWidth(), 356);
        ASSERT_EQ(f->AffPano->viewport()->width(), largeur);
    }

    // Panoramique en dégradé, assez varié pour que tout décalage se voie.
    static void DefinirPanorama(int largeur, int hauteur)
    {
        BmpPano->SetSize(largeur, hauteur);
        for (int y = 0; y < hauteur; ++y) {
            uint8_t* p = BmpPano->Ligne(y);
            for (int x = 0; x < largeur; ++x, p += 3) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x / 7 + y / 3);
            }
        }
        LargeurPano = largeur;
        HauteurPano = hauteur;
    }

    void Zoomer(int position)
    {
        f->ZoomImg->setValue(position);
        fenetre->ZoomImgMouseUp();
    }

    // Une image de la liste avec son bitmap et ses points réinitialisés.
    void AjouterImage(int nbPoints, int largeur = 40, int hauteur = 30)
    {
        ListeImgs.push_back(TInfosImg{});
        TInfosImg& img = ListeImgs.back();
        img.Bitmap = NouveauBitmap();
        BitmapDe(img.Bitmap)->SetSize(largeur, hauteur);
        img.Largeur = largeur;
        img.Hauteur = hauteur;
        const int i = static_cast<int>(ListeImgs.size()) - 1;
        fenetre->InitPtsImg(i);
        fenetre->InitCorrectionsImg(i);
        ListeImgs[i].NbPtsControle = nbPoints;
        fenetre->NbImgs = i + 1;
    }

    std::unique_ptr<TSeqPano> fenetre;
    Ui::TSeqPano* f = nullptr;
    std::vector<DemandeMessage> messages;
    ReponseMessage reponse = ReponseMessage::Ok;

private:
    QTemporaryDir dossier_;
};
