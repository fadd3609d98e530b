#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/Ecrivains.h"
#include "platform/FichierIni.h"
#include "tests/test_plateforme_fabrique.h"

namespace {

std::string Lire(const std::string& chemin)
{
    std::ifstream f(chemin, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void Ecrire(const std::string& chemin, const std::string& texte)
{
    std::ofstream f(chemin, std::ios::binary);
    f << texte;
}

class FichierIniTest : public ::testing::Test
{
protected:
    QTemporaryDir dossier;
    std::string chemin = QFile::encodeName(dossier.filePath("kalvindo.ini")).toStdString();
};

}  // namespace

TEST_F(FichierIniTest, LectureSelonLesReglesDeWindows)
{
    // Fins de ligne mélangées, blancs, guillemets, casse ASCII et Windows-1252.
    Ecrire(chemin,
           "[MainWindow]\r\n"
           "Statut=Maximized\r\n"
           "  Left =  12  \n"
           "Top=0x1F\r\n"
           "Width=$20\n"
           "Height=abc\n"
           "Vide=\n"
           "SansEgal\n"
           "Guill=\"  entre guillemets  \"\n"
           "Simples='x'\n"
           "Bancal=\"x'\n"
           "Negatif=-42\n"
           "Hex32=0xFFFFFFFF\n"
           "Trop=4294967296\n"
           "\n"
           "[R\xC9PERTOIRE]\r\n"
           "Projet=C:\\Donn\xE9" "es\\\x80\r\n"
           "[JPEG]\n"
           "QualJpg=75");
    TFichierIni ini(chemin);
    struct Cas { const char* section; const char* cle; const char* attendu; };
    const Cas chaines[] = {
        {"MainWindow", "Statut", "Maximized"},
        {"mainwindow", "STATUT", "Maximized"},
        {"MainWindow", "left", "12"},
        {"MainWindow", "Vide", ""},
        {"MainWindow", "SansEgal", ""},
        {"MainWindow", "Guill", "  entre guillemets  "},
        {"MainWindow", "Simples", "x"},
        {"MainWindow", "Bancal", "\"x'"},
        {"MainWindow", "Absente", "defaut"},
        {"Manque", "Statut", "defaut"},
        {"R\xE9pertoire", "Projet", "C:\\Donn\xE9" "es\\\x80"},
        {"JPEG", "QualJpg", "75"},
    };
    for (const auto& c : chaines)
        EXPECT_EQ(ini.ReadString(c.section, c.cle, "defaut"), c.attendu) << c.section << "/" << c.cle;

    struct CasEntier { const char* cle; int attendu; };
    const CasEntier entiers[] = {
        {"Left", 12}, {"Top", 31}, {"Width", 32}, {"Height", 7}, {"Vide", 7},
        {"Negatif", -42}, {"Hex32", -1}, {"Trop", 7}, {"Absente", 7},
    };
    for (const auto& c : entiers)
        EXPECT_EQ(ini.ReadInteger("MainWindow", c.cle, 7), c.attendu) << c.cle;
    EXPECT_EQ(ini.ReadInteger("JPEG", "QualJpg", 90), 75);
}

TEST_F(FichierIniTest, FichierAbsentDonneLesDefauts)
{
    TFichierIni ini(chemin);
    EXPECT_EQ(ini.ReadString("MainWindow", "Statut", "Normal"), "Normal");
    EXPECT_EQ(ini.ReadInteger("MainWindow", "Width", 1000), 1000);
    EXPECT_FALSE(QFile::exists(QFile::decodeName(chemin.c_str())));
}

TEST_F(FichierIniTest, EcritureGardeLeResteEtSonOrdre)
{
    Ecrire(chemin,
           "; commentaire\n"
           "[MainWindow]\n"
           "Statut=Normal\n"
           "Left=1\n"
           "\n"
           "[Autre]\n"
           "Cle=garde\n");
    TFichierIni ini(chemin);
    EXPECT_TRUE(ini.WriteString("mainwindow", "LEFT", "250"));
    EXPECT_TRUE(ini.WriteInteger("MainWindow", "Top", -5));
    EXPECT_TRUE(ini.WriteString("JPEG", "QualJpg", "90"));
    EXPECT_TRUE(ini.WriteString("R\xE9pertoire", "Image", "/home/\xE9t\xE9"));
    EXPECT_TRUE(ini.UpdateFile());
    // Les fins LF du fichier restent, les lignes ajoutées les prennent aussi.
    EXPECT_EQ(Lire(chemin),
              "; commentaire\n"
              "[MainWindow]\n"
              "Statut=Normal\n"
              "Left=250\n"
              "Top=-5\n"
              "\n"
              "[Autre]\n"
              "Cle=garde\n"
              "[JPEG]\n"
              "QualJpg=90\n"
              "[R\xE9pertoire]\n"
              "Image=/home/\xE9t\xE9\n");
    EXPECT_EQ(ini.ReadInteger("MainWindow", "Top", 0), -5);
    EXPECT_EQ(ini.ReadString("R\xC9PERTOIRE", "image", ""), "/home/\xE9t\xE9");
}

TEST_F(FichierIniTest, PremiereEcritureCreeLeFichier)
{
    EXPECT_TRUE(WritePrivateProfileString("MainWindow", "Statut", "Maximized", chemin));
    EXPECT_EQ(Lire(chemin), "[MainWindow]\r\nStatut=Maximized\r\n");
    EXPECT_EQ(GetPrivateProfileString("MAINWINDOW", "statut", "", chemin), "Maximized");
}

TEST_F(FichierIniTest, CheminNonInscriptibleRefuse)
{
    // Refusés même pour le super-utilisateur.
    Ecrire(chemin, "[A]\nB=ancien\n");
    QDir(dossier.path()).mkdir("dossier.ini");
    const QString chemins[] = {
        dossier.filePath("absent/sous/k.ini"),
        dossier.filePath("kalvindo.ini/k.ini"),
        dossier.filePath("dossier.ini"),
    };
    for (const auto& c : chemins)
        EXPECT_FALSE(WritePrivateProfileString("A", "B", "C", QFile::encodeName(c).toStdString()))
            << c.toStdString();
    // Une fin de ligne dans un texte ajouterait des lignes au fichier.
    EXPECT_FALSE(WritePrivateProfileString("A", "B", "x\r\n[A]\r\nB=y", chemin));
    EXPECT_FALSE(WritePrivateProfileString("A", "B", "x\ry", chemin));
    EXPECT_FALSE(WritePrivateProfileString("A\n[C]", "B", "C", chemin));
    EXPECT_FALSE(WritePrivateProfileString("A", "\nB", "C", chemin));
    EXPECT_EQ(Lire(chemin), "[A]\nB=ancien\n");
}

TEST_F(FichierIniTest, DossierEnLectureSeule)
{
    Ecrire(chemin, "[A]\nB=ancien\n");
    QFile::setPermissions(dossier.path(), QFile::ReadOwner | QFile::ExeOwner);
    // Root passe outre les droits : le refus du dossier lui vient du crochet.
    DefinirOuvertureTemporaire([](const char*, int, mode_t) {
        errno = EACCES;
        return -1;
    });
    // Le fichier lui-même reste modifiable : il est réécrit sur place.
    const bool ecrit = WritePrivateProfileString("A", "B", "nouveau", chemin);
    DefinirOuvertureTemporaire(nullptr);
    QFile::setPermissions(dossier.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(ecrit);
    EXPECT_EQ(Lire(chemin), "[A]\nB=nouveau\n");
}

// Lu une fois à la création, relu une fois à l'écriture : ce qu'un autre a
// changé entre-temps reste, sauf les clés écrites.
TEST_F(FichierIniTest, LuUneFoisEtReluAvantDEcrire)
{
    Ecrire(chemin, "[A]\nB=1\nC=1\n");
    TFichierIni ini(chemin);
    EXPECT_EQ(ini.Lecture(), LectureIni::Lu);
    Ecrire(chemin, "[A]\nB=2\nC=2\n[Autre]\nD=3\n");
    EXPECT_EQ(ini.ReadString("A", "B", ""), "1");
    EXPECT_TRUE(ini.WriteString("A", "C", "4"));
    EXPECT_EQ(ini.ReadString("A", "C", ""), "4");
    EXPECT_EQ(Lire(chemin), "[A]\nB=2\nC=2\n[Autre]\nD=3\n");
    EXPECT_FALSE(ini.WriteString("A", "C", "5\r\n[A]"));
    EXPECT_TRUE(ini.UpdateFile());
    EXPECT_EQ(Lire(chemin), "[A]\nB=2\nC=4\n[Autre]\nD=3\n");
    EXPECT_EQ(ini.ReadString("Autre", "D", ""), "3");
}

// Ni tube, ni périphérique, ni fichier immense : les défauts, sans attendre
// ni remplir la mémoire, et le fichier n'est pas remplacé.
TEST_F(FichierIniTest, SeulUnFichierOrdinaireDeTailleRaisonnableEstLu)
{
    const std::string entete = "[MainWindow]\r\nStatut=Maximized\r\n";
    const std::string dossierIni = QFile::encodeName(dossier.filePath("dossier.ini")).toStdString();
    QDir(dossier.path()).mkdir("dossier.ini");
    const std::string tube = QFile::encodeName(dossier.filePath("tube.ini")).toStdString();
    const Tube t(tube);
    const std::string limite = QFile::encodeName(dossier.filePath("limite.ini")).toStdString();
    Ecrire(limite, entete + std::string(TailleIniMax - entete.size(), '\n'));
    Ecrire(chemin, entete + std::string(TailleIniMax + 1 - entete.size(), '\n'));
    struct Cas { std::string fichier; LectureIni lecture; };
    const Cas cas[] = {
        {limite, LectureIni::Lu},
        {chemin, LectureIni::TropGrand},
        {tube, LectureIni::PasOrdinaire},
        {"/dev/zero", LectureIni::PasOrdinaire},
        {dossierIni, LectureIni::PasOrdinaire},
        {QFile::encodeName(dossier.filePath("absent.ini")).toStdString(), LectureIni::Absent},
    };
    for (const Cas& c : cas) {
        TFichierIni ini(c.fichier);
        EXPECT_EQ(ini.Lecture(), c.lecture) << c.fichier;
        const bool lu = c.lecture == LectureIni::Lu;
        EXPECT_EQ(ini.ReadString("MainWindow", "Statut", "Normal"), lu ? "Maximized" : "Normal") << c.fichier;
        EXPECT_EQ(GetPrivateProfileString("MainWindow", "Statut", "Normal", c.fichier),
                  lu ? "Maximized" : "Normal") << c.fichier;
        if (c.fichier == "/dev/zero")
            continue;
        EXPECT_TRUE(ini.WriteString("JPEG", "QualJpg", "90"));
        // Le fichier à la limite dépasserait : il n'est pas remplacé non plus.
        EXPECT_EQ(ini.UpdateFile(), c.lecture == LectureIni::Absent) << c.fichier;
    }
    EXPECT_EQ(QFileInfo(QFile::decodeName(limite.c_str())).size(), TailleIniMax);
    EXPECT_EQ(QFileInfo(QFile::decodeName(chemin.c_str())).size(), TailleIniMax + 1);
    EXPECT_FALSE(WritePrivateProfileString("JPEG", "QualJpg", "90", chemin));
    EXPECT_EQ(QFileInfo(QFile::decodeName(chemin.c_str())).size(), TailleIniMax + 1);
    EXPECT_FALSE(QFileInfo(QFile::decodeName(tube.c_str())).isFile());
    EXPECT_TRUE(QFileInfo(QFile::decodeName(dossierIni.c_str())).isDir());
}

// Un fichier de près de 1 Mio, de fins LF, CRLF ou mêlées : réécrit, il garde
// ses fins, atteint la limite sans la passer et se relit ; l'écriture qui la
// passerait est refusée et laisse le fichier lisible.
TEST_F(FichierIniTest, CeQuiEstEcritSeRelitJusquALaLimite)
{
    struct Cas
    {
        const char* nom;
        const char* fins[2];  // lignes paires, impaires
        bool finFinale;
        const char* qualite = "";  // QualJpg en dernière ligne avant l'écriture
    };
    const Cas cas[] = {
        {"LF", {"\n", "\n"}, true},
        {"CRLF", {"\r\n", "\r\n"}, true},
        {"mêlées", {"\n", "\r\n"}, true},
        {"LF sans fin finale", {"\n", "\n"}, false},
        {"CRLF, clé changée en dernière ligne sans fin", {"\r\n", "\r\n"}, false, "7"},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        const std::string fa = c.fins[0];  // fin de la première ligne : celle des lignes ajoutées
        const bool existante = *c.qualite != '\0';
        std::string corps;
        for (int i = 2; corps.size() < TailleIniMax - 4096; ++i)
            corps += "; ligne de remplissage " + std::to_string(i) + c.fins[i % 2];
        // Une ligne déjà là garde sa fin, même absente ; une ligne ajoutée prend fa.
        const auto contenu = [&](const std::string& statut, const std::string& dernier,
                                 const std::string& qualite) {
            std::string t = "[MainWindow]" + fa + "Statut=" + statut + c.fins[1] + corps + dernier;
            if (!qualite.empty())
                t += (c.finFinale ? "" : fa) + "[JPEG]" + fa + "QualJpg=" + qualite + (existante ? "" : fa);
            return t;
        };
        // La dernière ligne ajustée pour que le fichier écrit fasse juste la limite.
        const std::string fin = c.finFinale ? c.fins[0] : "";
        const size_t bourrage = TailleIniMax - contenu("Normal", "; " + fin, "90").size();
        const std::string dernier = "; " + std::string(bourrage, 'x') + fin;
        const std::string ecrit = contenu("Normal", dernier, "90");
        ASSERT_EQ(ecrit.size(), static_cast<size_t>(TailleIniMax));
        // La clé changée grandit seule : le fichier d'avant reste sous la limite.
        Ecrire(chemin, contenu(existante ? "Normal" : "Maximized", dernier, c.qualite));

        TFichierIni ini(chemin);
        ASSERT_EQ(ini.Lecture(), LectureIni::Lu);
        EXPECT_TRUE(ini.WriteString("MainWindow", "Statut", "Normal"));
        EXPECT_TRUE(ini.WriteInteger("JPEG", "QualJpg", 90));
        EXPECT_TRUE(ini.UpdateFile());
        EXPECT_TRUE(Lire(chemin) == ecrit);

        const TFichierIni relu(chemin);
        EXPECT_EQ(relu.Lecture(), LectureIni::Lu);
        EXPECT_EQ(relu.ReadString("MainWindow", "Statut", ""), "Normal");
        EXPECT_EQ(relu.ReadInteger("JPEG", "QualJpg", 0), 90);

        // Un octet de plus dépasserait : rien n'est écrit, le fichier se relit.
        EXPECT_TRUE(ini.WriteInteger("JPEG", "QualJpg", 100));
        EXPECT_FALSE(ini.UpdateFile());
        EXPECT_FALSE(WritePrivateProfileString("JPEG", "QualJpg", "100", chemin));
        EXPECT_TRUE(Lire(chemin) == ecrit);
        EXPECT_EQ(TFichierIni(chemin).ReadInteger("JPEG", "QualJpg", 0), 90);
    }
}
