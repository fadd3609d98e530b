#include <cmath>
#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include "app/GrilleImages.h"
#include "core/Assemblage.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "tests/test_exif_fabrique.h"
#include "tests/test_fenetre_banc.h"
#include "tests/test_plateforme_fabrique.h"
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
    // Des images chargées font partie du projet : les perdre demande confirmation,
    // sans fermer le chargement ni le réordonnancement.
    EXPECT_TRUE(f->Modifie);
    EXPECT_TRUE(f->Formulaire()->EnregistrerPrj->isEnabled());
    EXPECT_TRUE(f->Formulaire()->ChargerUneImage->isEnabled());
    EXPECT_FALSE(f->Formulaire()->Info01->isHidden());
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

// Une série prend l'angle de son premier fichier dans l'ordre trié ; une image
// isolée chargée ensuite le remplace, même par 0.
TEST_F(Chargement, AnglePixelDuPremierFichierTriePuisDeLImageIsolee)
{
    const Octets pixels = FabriquerJpeg(8, 6, 1, std::vector<uint8_t>(48, 128), 90);
    const auto photo = [&](const char* nom, uint16_t focale) {
        FabriqueExif exif(false);
        exif.exif = {exif.Long(0xA002, 2000), exif.Court(0xA405, focale)};
        const QByteArray avecExif = exif.Fichier();
        // SOI, le bloc EXIF, puis l'image entière après son SOI.
        QByteArray octets = avecExif.left(avecExif.size() - 2);
        octets.append(reinterpret_cast<const char*>(pixels.data()) + 2, static_cast<qsizetype>(pixels.size() - 2));
        Ecrire(Chemin(nom), octets);
        return Chemin(nom);
    };
    const auto angle = [](int focale) { return 2.0L * atanl(18.0L / focale) / 2000; };
    Choisir({photo("b.jpg", 50), photo("A.jpg", 36), photo("c.jpg", 24)});
    f->ChargerSerieImgsClick();
    ASSERT_EQ(ListeImgs.size(), 3u);
    EXPECT_EQ(f->AnglePixel(), angle(36));
    Choisir({photo("d.jpg", 24)});
    f->ChargerUneImageClick();
    EXPECT_EQ(f->AnglePixel(), angle(24));
    Choisir({Image("sans.png")});
    f->ChargerUneImageClick();
    EXPECT_EQ(ListeImgs.size(), 5u);
    EXPECT_EQ(f->AnglePixel(), 0.0L);
}

TEST_F(Chargement, ImagesIsoleesAjouteesALaFin)
{
    Ui::TSeqPano& ui = *f->Formulaire();
    ui.Info01->hide();
    Choisir({Image("b.png")});
    f->ChargerUneImageClick();
    // La première image prend la ligne vide de la grille.
    EXPECT_EQ(ui.ListImgs->RowCount(), 2);
    EXPECT_TRUE(ui.Info01->isHidden());
    Choisir({Image("a.png", 5, 7), Image("ignoree.png")});
    f->ChargerUneImageClick();
    EXPECT_EQ(ui.ListImgs->RowCount(), 3);
    EXPECT_FALSE(ui.Info01->isHidden());
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

// Tout nom accepté se relit depuis le projet : Windows-1252 quand il s'y
// écrit, UTF-8 sinon ; un nom trop long pour l'enregistrement est refusé.
TEST_F(Chargement, NomsQueLeProjetPeutTenir)
{
    const auto dossierDe = [&](int longueur) {
        QString d = dossier.path() + QStringLiteral("/d");
        while (d.size() < longueur)
            d += d.size() % 100 == 99 ? QLatin1Char('/') : QLatin1Char('d');
        d.chop(d.size() - longueur);
        EXPECT_TRUE(QDir().mkpath(d));
        return d;
    };
    const QString limiteNom = QStringLiteral(
        " : nom de fichier trop long pour un projet (31 caractères au plus ; hors Windows-1252, "
        "31 octets en UTF-8).");
    const QString limiteDossier = QStringLiteral(
        " : chemin du dossier trop long pour un projet (127 caractères au plus ; hors Windows-1252, "
        "127 octets en UTF-8).");
    struct Cas
    {
        QString dossier, nom, erreur;
    };
    const QString n31 = QString(27, QLatin1Char('n')) + QStringLiteral(".png");
    const QString cyr16 = QString(16, QChar(0x0424)) + QStringLiteral(".png");  // 36 octets
    const Cas cas[] = {
        {dossierDe(127), n31, {}},
        {dossier.path(), QLatin1Char('x') + n31, QStringLiteral("« x") + n31 + QStringLiteral(" »") + limiteNom},
        {dossierDe(128), QStringLiteral("a.png"), QStringLiteral("« a.png »") + limiteDossier},
        {dossier.path(), cyr16, QStringLiteral("« ") + cyr16 + QStringLiteral(" »") + limiteNom},
        {dossier.path() + QStringLiteral("/Фото"), QStringLiteral("Фото été.png"), {}},
        {dossier.path(), QStringLiteral("été.png"), {}},
    };
    size_t nb = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom.toStdString());
        messages.clear();
        ASSERT_TRUE(QDir().mkpath(c.dossier));
        EcrireImage(c.dossier + QLatin1Char('/') + c.nom, 6, 4);
        Choisir({c.dossier + QLatin1Char('/') + c.nom});
        f->ChargerUneImageClick();
        if (!c.erreur.isEmpty()) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].texte, c.erreur);
            EXPECT_EQ(ListeImgs.size(), nb);
            continue;
        }
        EXPECT_TRUE(messages.empty());
        ASSERT_EQ(ListeImgs.size(), ++nb);
        EXPECT_EQ(Nom(nb - 1), c.nom);
        EXPECT_EQ(LireChaineCourte(ListeImgs[nb - 1].Repertoire), c.dossier);
    }
    // Un nom de Windows-1252 garde ses octets Windows-1252.
    EXPECT_EQ(QByteArray(ListeImgs[2].Nom.car, ListeImgs[2].Nom.longueur), QByteArray("\xE9t\xE9.png"));

    // Enregistré, puis rouvert : chaque image se retrouve.
    f->EtatProjet(true, true);
    Choisir({Chemin("noms.kvp")});
    f->EnregistrerPrjsousClick();
    f->NouveauPrjClick();
    ASSERT_TRUE(ListeImgs.empty());
    f->OuvrirProjet(Chemin("noms.kvp"));
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(ListeImgs.size(), nb);
    EXPECT_EQ(Nom(1), QStringLiteral("Фото été.png"));
    EXPECT_EQ(ListeImgs[1].Largeur, 6);
}

// Un fichier illisible défait tout le chargement : la liste, les poids, la
// grille et le curseur reviennent comme avant, et l'erreur du décodeur s'affiche.
TEST_F(Chargement, UnFichierIllisibleLaisseLaListeCommeAvant)
{
    Choisir({Image("premiere.png")});
    f->ChargerUneImageClick();
    ASSERT_EQ(ListeImgs.size(), 1u);
    const QByteArray avant = OctetsListe();
    Ui::TSeqPano& ui = *f->Formulaire();
    const int lignesAvant = ui.ListImgs->RowCount();
    EXPECT_EQ(lignesAvant, 2);
    const bool info01Avant = !ui.Info01->isHidden();

    Ecrire(Chemin("casse.png"), QByteArray("\x89PNG pas une image", 18));
    QString decodeur;
    try {
        Bitmap b;
        ChargerImage(Chemin("casse.png"), b);
    } catch (const Erreur& e) {
        decodeur = e.Message();
    }
    ASSERT_FALSE(decodeur.isEmpty());
    // Les données de prise de vue d'un .jpg vide ou tronqué sont lues avant l'image.
    Ecrire(Chemin("0vide.jpg"), QByteArray());
    Ecrire(Chemin("0tronque.jpg"), QByteArray("\xFF\xD8\xFF\xE1\x00\x40" "Exif", 10));

    struct Cas
    {
        const char* nom;
        bool serie;
        QStringList fichiers;
        QString attendu;  // vide : le nom du fichier suivi du texte d'une erreur
    };
    const Cas cas[] = {
        {"série", true, {Image("s1.png"), Chemin("casse.png"), Image("s3.png")},
         QStringLiteral("« casse.png » : ") + decodeur},
        {"isolée", false, {Chemin("casse.png")}, QStringLiteral("« casse.png » : ") + decodeur},
        {"jpg vide", false, {Chemin("0vide.jpg")}, {}},
        {"jpg tronqué en tête de série", true, {Image("s1.png"), Chemin("0tronque.jpg")}, {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        messages.clear();
        f->Modifie = false;
        Choisir(c.fichiers);
        if (c.serie)
            f->ChargerSerieImgsClick();
        else
            f->ChargerUneImageClick();
        ASSERT_EQ(messages.size(), 1u);
        if (!c.attendu.isEmpty()) {
            EXPECT_EQ(messages[0].texte, c.attendu);
        } else {
            const QString nom = QStringLiteral("« %1 » : ").arg(QFileInfo(c.fichiers.last()).fileName());
            EXPECT_TRUE(messages[0].texte.startsWith(nom)) << messages[0].texte.toStdString();
            EXPECT_GT(messages[0].texte.size(), nom.size() + 5);
        }
        EXPECT_EQ(OctetsListe(), avant);
        EXPECT_EQ(PoidsEtapes.size(), 1u);
        EXPECT_EQ(f->NbImgs, 1);
        EXPECT_EQ(ui.ListImgs->RowCount(), lignesAvant);
        EXPECT_EQ(!ui.Info01->isHidden(), info01Avant);
        EXPECT_FALSE(f->Modifie);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    // La liste reste utilisable après l'échec.
    Choisir({Image("suivante.png")});
    f->ChargerUneImageClick();
    ASSERT_EQ(ListeImgs.size(), 2u);
    EXPECT_EQ(Nom(1), QStringLiteral("suivante.png"));
}

// Des photos chargées, en série ou une à une, ne partent pas sans question.
TEST_F(Chargement, NouveauProjetDemandeAvantDePerdreLesImagesChargees)
{
    for (const bool serie : {true, false}) {
        SCOPED_TRACE(serie);
        f->NouveauPrjClick();
        f->Modifie = false;
        messages.clear();
        Choisir({Image("p1.png"), Image("p2.png"), Image("p3.png")});
        if (serie)
            f->ChargerSerieImgsClick();
        else
            f->ChargerUneImageClick();
        const size_t nb = serie ? 3u : 1u;
        ASSERT_EQ(ListeImgs.size(), nb);
        reponses.push_back(ReponseMessage::Annuler);
        f->NouveauPrjClick();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].boutons, BoutonsMessage::OuiNonAnnuler);
        EXPECT_EQ(ListeImgs.size(), nb);
        reponses.push_back(ReponseMessage::Non);
        f->NouveauPrjClick();
        EXPECT_TRUE(ListeImgs.empty());
        EXPECT_FALSE(f->Modifie);
    }
}
