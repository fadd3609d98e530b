// Noms stockés en octets (réglages, projets) : ce que le programme écrit, il
// le relit et le réécrit octet pour octet, que le chemin existe ou non, et
// montre chaque image sous le nom de son fichier.

#include <random>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>

#include "app/GrilleImages.h"
#include "core/Assemblage.h"
#include "platform/Canevas.h"
#include "platform/Cp1252.h"
#include "platform/FichierIni.h"
#include "tests/test_fenetre_banc.h"
#include "ui_TSeqPano.h"

namespace {

const QString Alphabets[] = {
    QStringLiteral("abcXYZ019 _-.'?"),
    QString::fromUtf8("éàçÉÃ©Ð¤€ŒšŸ«»"),
    QStringLiteral("\u0081\u008D\u008F\u0090\u009D"),  // les cinq octets non attribués
    QString::fromUtf8("Фотосессия"),
    QString::fromUtf8("ŁódźŚżę"),
    QString::fromUtf8("あ日本写真"),
};

// Un nom de un à six caractères tirés d'un ou deux alphabets.
QString NomAuHasard(std::mt19937& alea)
{
    std::uniform_int_distribution<int> alphabet(0, std::size(Alphabets) - 1), longueur(1, 6);
    const QString& a = Alphabets[alphabet(alea)];
    const QString& b = Alphabets[alphabet(alea)];
    QString nom;
    for (int n = longueur(alea); n > 0; --n) {
        const QString& dans = alea() % 2 ? a : b;
        nom += dans[std::uniform_int_distribution<int>(0, dans.size() - 1)(alea)];
    }
    return nom;
}

bool TientEnCp1252(const QString& texte)
{
    return DepuisCp1252(VersCp1252(texte)) == texte;
}

// La cellule « Nom » que la grille peindrait pour ce texte.
QImage CelluleNom(const TGrilleImages& grille, QSize taille, bool choisie, const QString& nom)
{
    QImage image(taille, QImage::Format_RGB32);
    {
        QPainter peintre(&image);
        TCanevas c(peintre);
        c.font = grille.font();
        c.brushColor = choisie ? 0xFFFFCC : 0xFFFFFF;
        const int decal = DecalTexteY;
        DecalTexteY = (taille.height() - c.TextHeight(QStringLiteral("H"))) / 2;
        EcrireTexteCellule(c, QRect(QPoint(), taille), 'C', 0xFF0000, nom);
        DecalTexteY = decal;
    }
    return image;
}

std::string Textes(const QComboBox& liste)
{
    QStringList textes;
    for (int i = 0; i < liste.count(); ++i)
        textes << liste.itemText(i);
    return textes.join(QLatin1Char('|')).toStdString();
}

}  // namespace

class Noms : public BancFenetre
{
protected:
    std::mt19937 alea{2024};

    std::string Reglage(const char* cle)
    {
        return TFichierIni(QFile::encodeName(Chemin("kalvindo.ini")).toStdString())
            .ReadString("R\xE9pertoire", cle, "\x01");
    }

    // Fermeture (écriture des réglages), démarrage (lecture), fermeture : les
    // octets des trois dossiers restent ceux de la première écriture.
    void AllerRetourReglages(const QString (&dossiers)[3], const bool (&presents)[3])
    {
        const char* cles[] = {"Projet", "Image", "Panoramique"};
        messages.clear();
        Creer();
        f->RepProjet = dossiers[0];
        f->RepImage = dossiers[1];
        f->RepPano = dossiers[2];
        ASSERT_TRUE(f->close());
        f.reset();
        std::string ecrits[3];
        for (int k = 0; k < 3; ++k)
            ecrits[k] = Reglage(cles[k]);
        for (int tour = 0; tour < 2; ++tour) {
            Creer();
            const QString lus[] = {f->RepProjet, f->RepImage, f->RepPano};
            // Un dossier présent, ou hors de Windows-1252, se relit tel quel.
            for (int k = 0; k < 3; ++k) {
                if (presents[k] || !TientEnCp1252(dossiers[k])) {
                    EXPECT_EQ(lus[k].toStdString(), dossiers[k].toStdString()) << cles[k];
                }
            }
            ASSERT_TRUE(f->close());
            f.reset();
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(Reglage(cles[k]), ecrits[k]) << cles[k] << " tour " << tour;
        }
        EXPECT_TRUE(messages.empty());
    }

    // Chaque image se montre sous le nom de son fichier : grille, listes des
    // prétraitements et de la reprise, messages de l'assemblage.
    void VerifierNomsMontres(const QStringList& images)
    {
        QStringList noms;
        for (const QString& image : images)
            noms << QFileInfo(image).fileName();
        TGrilleImages& grille = *f->Formulaire()->ListImgs;
        // La première peinture fixe la hauteur des lignes.
        grille.grab();
        const QImage capture = grille.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < noms.size(); ++i) {
            const QRect cellule = grille.CellRect(2, i + 1);
            EXPECT_TRUE(capture.copy(cellule) == CelluleNom(grille, cellule.size(), grille.Row() == i + 1, noms[i]))
                << "grille, " << noms[i].toStdString();
        }
        if (noms.size() < 2)
            return;
        const QStringList reprise = noms + QStringList{QStringLiteral("Pas d'image sélectionnée")};
        EXPECT_EQ(Textes(*f->PostHarmo()), reprise.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(Textes(*f->ChoixImg()), noms.join(QLatin1Char('|')).toStdString());
        EXPECT_EQ(f->NomImg1()->text().toStdString(), noms[0].toStdString());
        EXPECT_EQ(f->NomImg2()->text().toStdString(), noms[1].toStdString());
        // Des points posés sans associés : le refus nomme la première image.
        for (TInfosImg& img : ListeImgs)
            img.NbPtsControle = 4;
        QString motif;
        EXPECT_FALSE(f->PtsControleDefinis(&motif));
        EXPECT_TRUE(motif.contains(QStringLiteral("N° 1 (") + noms[0] + QLatin1Char(')'))) << motif.toStdString();
        for (TInfosImg& img : ListeImgs)
            img.NbPtsControle = 0;
        ImgsAssemblage = ListeImgs;
        TAssembleImg suivi;
        for (int i = 0; i < noms.size(); ++i) {
            suivi.EtapeSuivante(i, 4, QStringLiteral("x"));
            EXPECT_EQ(suivi.findChild<QLabel*>("ImgCour")->text().toStdString(),
                      (QStringLiteral("Image : ") + noms[i]).toStdString());
        }
        ImgsAssemblage.clear();
    }

    // Chargement des images une à une, enregistrer sous, nouveau, ouvrir :
    // chaque image revient sous son nom, et l'enregistrement suivant écrit les
    // mêmes octets.
    void AllerRetourProjet(const QStringList& images, const QString& projet)
    {
        messages.clear();
        Creer();
        for (int i = 0; i < images.size(); ++i) {
            EcrireImage(images[i], 10 + i, 30 - i);
            Choisir({images[i]});
            f->ChargerUneImageClick();
        }
        ASSERT_TRUE(messages.empty()) << messages[0].texte.toStdString();
        ASSERT_EQ(ListeImgs.size(), static_cast<size_t>(images.size()));
        VerifierNomsMontres(images);
        Choisir({projet});
        f->EnregistrerPrjsousClick();
        const QByteArray ecrit = Lire(projet);
        ASSERT_EQ(ecrit.size(), images.size() * 560);
        f->NouveauPrjClick();
        f->OuvrirProjet(projet);
        ASSERT_TRUE(messages.empty()) << messages[0].texte.toStdString();
        ASSERT_EQ(ListeImgs.size(), static_cast<size_t>(images.size()));
        for (int i = 0; i < images.size(); ++i) {
            EXPECT_EQ(ListeImgs[i].Largeur, 10 + i);
            EXPECT_EQ(ListeImgs[i].Hauteur, 30 - i);
        }
        VerifierNomsMontres(images);
        f->EtatProjet(true, true);
        f->EnregistrerPrjClick();
        const QByteArray reecrit = Lire(projet);
        ASSERT_EQ(reecrit.size(), ecrit.size());
        // Seules les références changent d'une exécution à l'autre.
        for (qsizetype o = 0; o < ecrit.size(); ++o) {
            if (o % 560 >= 4 && (o % 560 < 480 || o % 560 >= 504)) {
                ASSERT_EQ(ecrit[o], reecrit[o]) << "octet " << o;
            }
        }
        f.reset();
    }
};

// Les 256 octets et leurs caractères se répondent un à un ; tout nom écrit
// relit un texte qui se réécrit en ses octets, et un texte hors de
// Windows-1252 se relit tel quel, disque ou pas.
TEST_F(Noms, LaLectureSeReecritEnSesOctets)
{
    QString tous;
    for (int o = 0; o < 256; ++o) {
        const std::string octet(1, static_cast<char>(o));
        const QString c = DepuisCp1252(octet);
        ASSERT_EQ(VersCp1252(c), octet) << o;
        ASSERT_FALSE(tous.contains(c)) << o;
        tous += c;
    }
    for (int essai = 0; essai < 2000; ++essai) {
        const QString texte = NomAuHasard(alea);
        const std::string octets = OctetsNom(texte);
        for (const QString& lu : {TexteNom(octets), NomStocke(octets), NomStocke(octets, dossier.path())})
            ASSERT_EQ(OctetsNom(lu), octets) << texte.toStdString();
        if (!TientEnCp1252(texte)) {
            ASSERT_EQ(NomStocke(octets).toStdString(), texte.toStdString());
        }
        // Des octets quelconques aussi.
        std::string brut(static_cast<size_t>(alea() % 12), '\0');
        for (char& o : brut)
            o = static_cast<char>(alea());
        for (const QString& lu : {TexteNom(brut), NomStocke(brut)})
            ASSERT_EQ(OctetsNom(lu), brut);
    }
}

// Des dossiers tirés au hasard, présents ou absents (disque débranché).
TEST_F(Noms, ReglagesAuHasardRelusOctetPourOctet)
{
    for (int essai = 0; essai < 30; ++essai) {
        SCOPED_TRACE(essai);
        const QString base = Chemin(QStringLiteral("r%1").arg(essai));
        QString dossiers[3];
        bool presents[3];
        for (int k = 0; k < 3; ++k) {
            dossiers[k] = base + QLatin1Char('/') + NomAuHasard(alea);
            presents[k] = alea() % 2;
            if (presents[k]) {
                ASSERT_TRUE(QDir().mkpath(dossiers[k]));
            }
        }
        dossiers[2] += QLatin1Char('/');
        AllerRetourReglages(dossiers, presents);
    }
}

// Un dossier hors de Windows-1252 absent au démarrage ne grandit pas d'une
// fermeture à l'autre ; ni un nom de Windows-1252 qui se lit aussi en UTF-8.
TEST_F(Noms, UnDossierAbsentNeGranditPas)
{
    for (const char* nom : {"Фотосессия", "Łódź", "あ", "Ð¤"}) {
        SCOPED_TRACE(nom);
        const QString absent = Chemin(QString::fromUtf8(nom));
        AllerRetourReglages({absent, absent, absent + QLatin1Char('/')}, {false, false, false});
    }
}

// Dossier et nom de chaque image tirés au hasard, l'un en Windows-1252 et
// l'autre en UTF-8 au besoin, plusieurs dossiers dans un projet.
TEST_F(Noms, ProjetsAuHasardRouvertsAvecLeursImages)
{
    for (int essai = 0; essai < 8; ++essai) {
        SCOPED_TRACE(essai);
        const QString base = Chemin(QStringLiteral("p%1").arg(essai));
        QStringList images;
        for (int i = 0; i < 3; ++i) {
            const QString sous = base + QLatin1Char('/') + NomAuHasard(alea);
            ASSERT_TRUE(QDir().mkpath(sous));
            images << sous + QLatin1Char('/') + NomAuHasard(alea) + QStringLiteral("%1.png").arg(i);
        }
        AllerRetourProjet(images, base + QStringLiteral("/projet.kvp"));
    }
}

// Un dossier ou un nom Windows-1252 dont les octets se lisent aussi en UTF-8
// (D0 A4 : « Ð¤ » ou « Ф ») est celui du disque, et se montre ainsi.
TEST_F(Noms, DossierEtNomDansDeuxCodages)
{
    const struct
    {
        const char* dossier;
        std::vector<const char*> noms;
    } cas[] = {{"Łódź", {"été0.png"}},
               {"été", {"Łódź0.png"}},
               {"Ð¤", {"a0.png"}},
               {"d", {"Ð¤0.png", "b1.png"}},
               {"u", {"Ф0.png", "b1.png"}}};
    for (const auto& c : cas) {
        SCOPED_TRACE(c.dossier);
        const QString sous = Chemin(QString::fromUtf8(c.dossier));
        ASSERT_TRUE(QDir().mkpath(sous));
        QStringList images;
        for (const char* nom : c.noms)
            images << sous + QLatin1Char('/') + QString::fromUtf8(nom);
        AllerRetourProjet(images, Chemin("deux.kvp"));
    }
}
