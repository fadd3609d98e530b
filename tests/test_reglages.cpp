#include <QDir>
#include <QFileInfo>

#include "platform/FichierIni.h"
#include "tests/test_fenetre_banc.h"
#include "tests/test_plateforme_fabrique.h"

using Reglages = BancFenetre;

// Un fichier de réglages refusé : la fenêtre part des défauts et le dit en
// nommant le fichier ; la fermeture ne le remplace pas.
TEST_F(Reglages, FichierRefuseDemarreAvecLesDefautsEtUnMessage)
{
    const QByteArray entete = "[MainWindow]\r\nStatut=Maximized\r\n[JPEG]\r\nQualJpg=40\r\n";
    struct Cas { const char* nom; const char* raison; };
    const Cas cas[] = {{"grand.ini", "dépasse 1 Mio"}, {"tube.ini", "n'est pas un fichier ordinaire"}};
    Ecrire(Chemin("grand.ini"), entete + QByteArray(TailleIniMax + 1 - entete.size(), '\n'));
    const Tube tube(Chemin("tube.ini").toStdString());
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        messages.clear();
        ImposerCheminReglages(Chemin(c.nom));
        Creer();
        EXPECT_FALSE(f->isMaximized());
        EXPECT_EQ(f->size(), QSize(1000, 680));
        EXPECT_EQ(f->QualJpg, 90);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].type, TypeMessage::Avertissement);
        EXPECT_EQ(messages[0].texte, QStringLiteral("Le fichier de réglages « %1 » %2 : le programme démarre avec "
                                                    "les réglages par défaut.")
                                         .arg(QDir::toNativeSeparators(Chemin(c.nom)), QString::fromUtf8(c.raison)));
        EXPECT_TRUE(f->close());
        f.reset();
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_TRUE(messages[1].texte.contains(Chemin(c.nom))) << messages[1].texte.toStdString();
    }
    EXPECT_EQ(QFileInfo(Chemin("grand.ini")).size(), TailleIniMax + 1);
    EXPECT_FALSE(QFileInfo(Chemin("tube.ini")).isFile());
}

// Des octets qui se lisent en Windows-1252 et en UTF-8. C3 A9 74 : « Ã©t »,
// ou « ét », que le programme écrirait E9 74 : toujours Windows-1252.
// D0 A4 : « Ð¤ » ou « Ф », que le programme écrit tous deux ainsi : celui
// qui existe, Windows-1252 quand tous deux existent, et l'UTF-8 de
// l'écrivain quand aucun n'existe.
TEST_F(Reglages, DossierLuEnWindows1252AvantLUtf8)
{
    struct Cas
    {
        const char *octets, *cp1252, *utf8;
        bool avecCp1252, avecUtf8, attenduUtf8;
    };
    const Cas cas[] = {
        {"\xC3\xA9t", "Ã©t", "ét", true, false, false},  {"\xC3\xA9t", "Ã©t", "ét", false, true, false},
        {"\xC3\xA9t", "Ã©t", "ét", true, true, false},   {"\xC3\xA9t", "Ã©t", "ét", false, false, false},
        {"\xD0\xA4", "Ð¤", "Ф", true, false, false},      {"\xD0\xA4", "Ð¤", "Ф", false, true, true},
        {"\xD0\xA4", "Ð¤", "Ф", true, true, false},       {"\xD0\xA4", "Ð¤", "Ф", false, false, true},
    };
    int n = 0;
    for (const Cas& c : cas) {
        SCOPED_TRACE(n);
        const QString base = Chemin(QString::number(n++));
        QDir().mkpath(base);
        const QString cp1252 = QString::fromUtf8(c.cp1252), utf8 = QString::fromUtf8(c.utf8);
        if (c.avecCp1252)
            QDir(base).mkdir(cp1252);
        if (c.avecUtf8)
            QDir(base).mkdir(utf8);
        const QByteArray octets = QFile::encodeName(base) + "/" + c.octets;
        Ecrire(Chemin("kalvindo.ini"), "[R\xE9pertoire]\r\nProjet=" + octets + "\r\nImage=" + octets + "\r\n");
        Creer();
        const QString attendu = base + QLatin1Char('/') + (c.attenduUtf8 ? utf8 : cp1252);
        EXPECT_EQ(f->RepProjet, attendu);
        EXPECT_EQ(f->RepImage, attendu);
        // Relu tel qu'il a été écrit, octet pour octet.
        EXPECT_TRUE(f->close());
        f.reset();
        const TFichierIni ini(QFile::encodeName(Chemin("kalvindo.ini")).toStdString());
        EXPECT_EQ(ini.ReadString("R\xE9pertoire", "Projet", ""), octets.toStdString());
        Creer();
        EXPECT_EQ(f->RepProjet, attendu);
        f.reset();
    }
    EXPECT_TRUE(messages.empty());
}

// Un fichier de réglages aux fins LF, près de la limite : la fermeture le
// réécrit sans le doubler et le démarrage suivant le lit. Juste à la limite,
// l'écriture qui la passerait est refusée et dite ; le fichier reste lisible.
TEST_F(Reglages, UnFichierPresDeLaLimiteResteLisible)
{
    const QByteArray entete = "[JPEG]\nQualJpg=40\n";
    struct Cas { const char* nom; qint64 taille; bool ecrit; };
    const Cas cas[] = {{"proche.ini", TailleIniMax - 1024, true}, {"limite.ini", TailleIniMax, false}};
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        messages.clear();
        QByteArray contenu = entete;
        while (contenu.size() < c.taille - 40)
            contenu += "; ligne de remplissage\n";
        contenu += "; " + QByteArray(c.taille - contenu.size() - 3, 'x') + "\n";
        ASSERT_EQ(contenu.size(), c.taille);
        Ecrire(Chemin(c.nom), contenu);
        ImposerCheminReglages(Chemin(c.nom));
        QByteArray precedent;
        for (int tour = 0; tour < 3; ++tour) {
            SCOPED_TRACE(tour);
            messages.clear();
            Creer();
            EXPECT_EQ(f->QualJpg, c.ecrit && tour > 0 ? 41 : 40);
            f->QualJpg = 41;
            EXPECT_TRUE(f->close());
            f.reset();
            const QByteArray lu = Lire(Chemin(c.nom));
            if (c.ecrit) {
                EXPECT_TRUE(messages.empty());
                EXPECT_LE(lu.size(), TailleIniMax);
                EXPECT_FALSE(lu.contains('\r'));
                EXPECT_TRUE(lu.startsWith("[JPEG]\nQualJpg=41\n"));
                if (tour > 0) {
                    EXPECT_TRUE(lu == precedent);
                }
            } else {
                ASSERT_EQ(messages.size(), 1u);
                EXPECT_EQ(messages[0].texte,
                          QStringLiteral("Les réglages n'ont pas pu être enregistrés dans le fichier « %1 ».")
                              .arg(Chemin(c.nom)));
                EXPECT_TRUE(lu == contenu);
            }
            precedent = lu;
        }
    }
}
