#include <cstring>

#include <QDir>
#include <QGuiApplication>

#include "app/AcqImgsComposants.h"
#include "core/Assemblage.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "tests/test_fenetre_banc.h"
#include "ui_TSeqPano.h"

namespace {

QByteArray OctetsListe()
{
    QByteArray octets;
    for (const TInfosImg& img : ListeImgs)
        octets.append(reinterpret_cast<const char*>(&img), sizeof img);
    return octets;
}

}  // namespace

class Chargement : public BancFenetre
{
protected:
    void SetUp() override
    {
        BancFenetre::SetUp();
        Creer();
    }

    QString Image(const QString& nom, int largeur = 12, int hauteur = 8)
    {
        EcrireImage(Chemin(nom), largeur, hauteur);
        return Chemin(nom);
    }
};

// Qt ne lit que les masques séparés par des blancs entre les dernières parenthèses.
TEST(FiltreImages, FormatDesDialoguesQt)
{
    const QStringList entrees = FiltreDialogueImages().split(QStringLiteral(";;"));
    ASSERT_EQ(entrees.size(), 6);
    EXPECT_EQ(entrees[0], QStringLiteral("Tous (*.bmp *.gif *.png *.tif *.jpg)"));
    EXPECT_EQ(entrees[5], QStringLiteral("Portable Network Graphics (*.png)"));
}

TEST_F(Chargement, UneSerieEstTrieeSansLaCasseCaractereParCaractere)
{
    Choisir({Image("IMG_2.png"), Image("img_1.png", 21, 11), Image("IMG_10.png")});
    f->ChargerSerieImgsClick();
    ASSERT_EQ(demandes.size(), 1u);
    EXPECT_TRUE(demandes[0].plusieurs);
    EXPECT_EQ(demandes[0].sorte, SorteDialogue::OuvrirImages);
    EXPECT_EQ(demandes[0].filtre, FiltreDialogueImages());
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(ListeImgs.size(), 3u);
    EXPECT_EQ(Nom(0), QStringLiteral("img_1.png"));
    EXPECT_EQ(Nom(1), QStringLiteral("IMG_10.png"));
    EXPECT_EQ(Nom(2), QStringLiteral("IMG_2.png"));
    EXPECT_EQ(f->NbImgs, 3);
    EXPECT_EQ(PoidsEtapes.size(), 3u);
    EXPECT_EQ(f->RepImage, dossier.path());
    EXPECT_FALSE(f->Modifie);
    EXPECT_FALSE(f->Formulaire()->EnregistrerPrj->isEnabled());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Un enregistrement neuf : points au centre, corrections neutres, bourrage nul.
    const TInfosImg& img = ListeImgs[0];
    EXPECT_EQ(LireChaineCourte(img.Repertoire), dossier.path());
    EXPECT_EQ(img.Largeur, 21);
    EXPECT_EQ(img.Hauteur, 11);
    for (const TPtControle& p : img.PtsControle) {
        EXPECT_EQ(p.X, 10);
        EXPECT_EQ(p.Y, 5);
        EXPECT_EQ(p.NumImg, -1);
    }
    EXPECT_EQ(img.PtsHoriz[0], (TPoint32{0, 5}));
    EXPECT_EQ(static_cast<long double>(img.CoefBG), 1.0L);
    EXPECT_EQ(img.FacteursRVB[1][1], 1.0f);
    EXPECT_EQ(LireChaineCourte(img.Version), QStringLiteral("1.1.1"));
    EXPECT_EQ(img.CoteEnAttente.longueur, 0);
    const uint8_t zeros[4] = {};
    EXPECT_EQ(std::memcmp(img.Bourrage1, zeros, 4), 0);
    EXPECT_EQ(std::memcmp(img.Bourrage3, zeros, 4), 0);
    ASSERT_NE(BitmapDe(img), nullptr);
    EXPECT_EQ(BitmapDe(img)->Width(), 21);
}

TEST_F(Chargement, ImagesIsoleesAjouteesALaFin)
{
    Choisir({Image("b.png")});
    f->ChargerUneImageClick();
    Choisir({Image("a.png", 5, 7), Image("ignoree.png")});
    f->ChargerUneImageClick();
    ASSERT_EQ(demandes.size(), 2u);
    EXPECT_FALSE(demandes[1].plusieurs);
    EXPECT_EQ(demandes[1].repertoire, dossier.path());
    ASSERT_EQ(ListeImgs.size(), 2u);
    EXPECT_EQ(Nom(0), QStringLiteral("b.png"));
    EXPECT_EQ(Nom(1), QStringLiteral("a.png"));
    EXPECT_EQ(ListeImgs[1].Hauteur, 7);
    EXPECT_EQ(f->NbImgs, 2);
    EXPECT_EQ(f->AnglePixel(), 0.0L);

    Refuser();
    f->ChargerUneImageClick();
    EXPECT_EQ(ListeImgs.size(), 2u);
}

TEST_F(Chargement, NomsEtDossiersCoupes)
{
    QString long150 = dossier.path();
    while (long150.size() < 150)
        long150 += QStringLiteral("/dossier_assez_long");
    ASSERT_TRUE(QDir().mkpath(long150));
    const QString nom40 = QString(36, QLatin1Char('n')) + QStringLiteral(".png");
    EcrireImage(long150 + QLatin1Char('/') + nom40, 4, 4);
    Choisir({long150 + QLatin1Char('/') + nom40});
    f->ChargerUneImageClick();
    ASSERT_EQ(ListeImgs.size(), 1u);
    EXPECT_EQ(Nom(0), nom40.left(31));
    EXPECT_EQ(LireChaineCourte(ListeImgs[0].Repertoire), long150.left(127));
}

// Un fichier illisible défait tout le chargement : la liste, les poids, la
// grille et le curseur reviennent comme avant, et l'erreur du décodeur s'affiche.
TEST_F(Chargement, UnFichierIllisibleLaisseLaListeCommeAvant)
{
    Choisir({Image("premiere.png")});
    f->ChargerUneImageClick();
    ASSERT_EQ(ListeImgs.size(), 1u);
    const QByteArray avant = OctetsListe();
    const int lignesAvant = LignesGrille(f.get());
    const bool info01Avant = ComposantMontre(f.get(), "Info01");

    Ecrire(Chemin("casse.png"), QByteArray("\x89PNG pas une image", 18));
    QString attendu;
    try {
        Bitmap b;
        ChargerImage(Chemin("casse.png"), b);
    } catch (const Erreur& e) {
        attendu = e.Message();
    }
    ASSERT_FALSE(attendu.isEmpty());

    struct Cas
    {
        const char* nom;
        bool serie;
        QStringList fichiers;
    };
    const Cas cas[] = {
        {"série", true, {Image("s1.png"), Chemin("casse.png"), Image("s3.png")}},
        {"isolée", false, {Chemin("casse.png")}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        messages.clear();
        Choisir(c.fichiers);
        if (c.serie)
            f->ChargerSerieImgsClick();
        else
            f->ChargerUneImageClick();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].texte, attendu);
        EXPECT_EQ(OctetsListe(), avant);
        EXPECT_EQ(PoidsEtapes.size(), 1u);
        EXPECT_EQ(f->NbImgs, 1);
        EXPECT_EQ(LignesGrille(f.get()), lignesAvant);
        EXPECT_EQ(ComposantMontre(f.get(), "Info01"), info01Avant);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    // La liste reste utilisable après l'échec.
    Choisir({Image("suivante.png")});
    f->ChargerUneImageClick();
    ASSERT_EQ(ListeImgs.size(), 2u);
    EXPECT_EQ(Nom(1), QStringLiteral("suivante.png"));
}
