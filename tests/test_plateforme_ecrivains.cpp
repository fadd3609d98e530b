#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/Decodeurs.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"

namespace {

uint32_t U32(const Octets& o, size_t p)
{
    uint32_t v;
    std::memcpy(&v, o.data() + p, 4);
    return v;
}

int EcartMax(const Bitmap& a, const Bitmap& b)
{
    int ecart = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < 3 * a.Width(); ++x)
            ecart = std::max(ecart, std::abs(a.Ligne(y)[x] - b.Ligne(y)[x]));
    return ecart;
}

Octets LireFichier(const QString& chemin)
{
    QFile f(chemin);
    f.open(QIODevice::ReadOnly);
    const QByteArray tout = f.readAll();
    return Octets(tout.begin(), tout.end());
}

}  // namespace

TEST(EcrivainBmp, AllerRetourEtEntetes)
{
    for (int largeur : {1, 2, 3, 4, 5, 17}) {
        Bitmap source = ImageDegrade(largeur, 6);
        // Les octets de bourrage du bitmap ne doivent pas passer dans le fichier.
        for (int y = 0; y < 6; ++y)
            std::memset(source.Ligne(y) + 3 * largeur, 0xEE, source.Stride() - 3 * largeur);
        const Octets f = EncoderBmp(source);
        const size_t pas = (largeur * 3 + 3) & ~3;
        ASSERT_EQ(f.size(), 54 + pas * 6) << largeur;
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(U32(f, 2), f.size());
        EXPECT_EQ(U32(f, 10), 54u);
        EXPECT_EQ(U32(f, 14), 40u);
        EXPECT_EQ(U32(f, 18), static_cast<uint32_t>(largeur));
        EXPECT_EQ(U32(f, 22), 6u);  // de bas en haut
        EXPECT_EQ(f[26] | f[27] << 8, 1);
        EXPECT_EQ(f[28] | f[29] << 8, 24);
        EXPECT_EQ(U32(f, 30), 0u);
        EXPECT_EQ(U32(f, 34), pas * 6);
        // Ligne du bas de l'image en premier.
        EXPECT_EQ(std::memcmp(f.data() + 54, source.Ligne(5), 3 * largeur), 0);
        for (int y = 0; y < 6; ++y)
            for (size_t k = 3 * largeur; k < pas; ++k)
                EXPECT_EQ(f[54 + pas * y + k], 0) << largeur;
        Bitmap relu;
        DecoderBmp(f.data(), f.size(), relu);
        EXPECT_TRUE(relu == source) << largeur;
        EXPECT_EQ(EncoderBmp(relu), f);
    }
}

TEST(EcrivainJpeg, QualiteEtFidelite)
{
    const Bitmap source = ImageDegrade(64, 48);
    size_t precedente = 0;
    for (int qualite : {0, 10, 50, 90, 100}) {
        const Octets f = EncoderJpeg(source, qualite);
        // Ligne de base : marqueur SOF0 présent.
        bool sof0 = false;
        for (size_t i = 0; i + 1 < f.size(); ++i)
            sof0 |= f[i] == 0xFF && f[i + 1] == 0xC0;
        EXPECT_TRUE(sof0) << qualite;
        EXPECT_GT(f.size(), precedente) << qualite;
        precedente = f.size();
        Bitmap relu;
        DecoderJpeg(f.data(), f.size(), relu);
        ASSERT_EQ(relu.Width(), 64);
        ASSERT_EQ(relu.Height(), 48);
        if (qualite == 100) {
            EXPECT_LE(EcartMax(relu, source), 6);
        }
    }
    EXPECT_EQ(EncoderJpeg(source, 150), EncoderJpeg(source, 100));
    EXPECT_EQ(EncoderJpeg(source, -3), EncoderJpeg(source, 0));
    EXPECT_THROW(EncoderJpeg(Bitmap(), 90), Erreur);
}

TEST(EcrireFichierSur, RemplaceDUnCoupOuEchoueSansTrace)
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath("panorama.bmp");
    const Bitmap image = ImageDegrade(7, 5);
    EnregistrerBmp(image, cible);
    Bitmap relu;
    ChargerImage(cible, relu);
    EXPECT_TRUE(relu == image);
    EnregistrerJpeg(image, 90, dossier.filePath("panorama.jpg"));
    EXPECT_EQ(LireFichier(dossier.filePath("panorama.jpg")), EncoderJpeg(image, 90));
    // Remplacement : aucun fichier temporaire ne traîne.
    EcrireFichierSur(cible, {1, 2, 3});
    EXPECT_EQ(LireFichier(cible), (Octets{1, 2, 3}));
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    QDir(dossier.path()).mkdir("dossier.bmp");
    const QString echecs[] = {dossier.filePath("absent/p.bmp"), dossier.filePath("panorama.bmp/p.bmp"),
                              dossier.filePath("dossier.bmp")};
    for (const auto& chemin : echecs) {
        try {
            EnregistrerBmp(image, chemin);
            ADD_FAILURE() << chemin.toStdString();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), "Impossible de créer le fichier " + QDir::toNativeSeparators(chemin));
        }
        EXPECT_FALSE(QFileInfo(chemin).isFile());
    }
    EXPECT_EQ(LireFichier(cible), (Octets{1, 2, 3}));
}

TEST(RemplacerFichier, NomLongLienDroitsEtTemporaireRepris)
{
    QTemporaryDir dossier;
    QDir d(dossier.path());
    const auto tout = [&] {
        return d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const auto ecrire = [](const QString& chemin, const char* texte) {
        return RemplacerFichier(chemin, texte, std::strlen(texte));
    };

    // Un nom de 250 octets : le temporaire tient sous la limite de 255.
    const QString longNom = QString(246, QLatin1Char('n')) + QStringLiteral(".kvp");
    ASSERT_TRUE(ecrire(d.filePath(longNom), "long"));
    EXPECT_EQ(tout(), QStringList({longNom}));
    ASSERT_TRUE(QFile::remove(d.filePath(longNom)));

    // Un lien, direct ou en chaîne, relatif : sa cible est remplacée, le lien reste.
    const QString vrai = d.filePath("vrai.kvp");
    ecrire(vrai, "ancien");
    const auto lier = [&](const char* cible, const char* lien) {
        ASSERT_EQ(symlink(cible, QFile::encodeName(d.filePath(lien)).constData()), 0);
    };
    lier("vrai.kvp", "lien.kvp");
    lier("lien.kvp", "lien2.kvp");
    lier("absent.kvp", "pendant.kvp");
    lier("boucle.kvp", "boucle.kvp");
    for (const char* lien : {"lien.kvp", "lien2.kvp"}) {
        ASSERT_TRUE(ecrire(d.filePath(lien), lien));
        EXPECT_TRUE(QFileInfo(d.filePath(lien)).isSymLink());
        EXPECT_EQ(LireFichier(vrai), Octets(lien, lien + std::strlen(lien)));
    }
    ASSERT_TRUE(ecrire(d.filePath("pendant.kvp"), "neuf"));
    EXPECT_TRUE(QFileInfo(d.filePath("pendant.kvp")).isSymLink());
    EXPECT_EQ(LireFichier(d.filePath("absent.kvp")), (Octets{'n', 'e', 'u', 'f'}));
    EXPECT_FALSE(ecrire(d.filePath("boucle.kvp"), "x"));

    // Les droits sont gardés ; un fichier protégé en écriture n'est pas remplacé.
    const QByteArray vraiLocal = QFile::encodeName(vrai);
    chmod(vraiLocal.constData(), 0640);
    ASSERT_TRUE(ecrire(vrai, "droits"));
    struct stat etat {};
    ASSERT_EQ(stat(vraiLocal.constData(), &etat), 0);
    EXPECT_EQ(etat.st_mode & 07777, 0640u);
    chmod(vraiLocal.constData(), 0444);
    EXPECT_FALSE(ecrire(vrai, "refus"));
    EXPECT_FALSE(ecrire(d.filePath("lien.kvp"), "refus"));
    EXPECT_EQ(LireFichier(vrai), (Octets{'d', 'r', 'o', 'i', 't', 's'}));
    chmod(vraiLocal.constData(), 0600);
    const QStringList attendus = tout();

    // Un seul temporaire par cible, reconnaissable : un second enregistrement
    // de la même cible pendant le premier échoue sans le gêner.
    QString temporaire;
    {
        FichierRemplacant premier(vrai);
        ASSERT_GE(premier.Descripteur(), 0);
        const QStringList pendant = tout();
        ASSERT_EQ(pendant.size(), attendus.size() + 1);
        for (const QString& nom : pendant)
            if (!attendus.contains(nom))
                temporaire = nom;
        EXPECT_TRUE(temporaire.startsWith(QStringLiteral(".kalvindo-"))) << temporaire.toStdString();
        EXPECT_LT(temporaire.size(), 40);
        EXPECT_FALSE(ecrire(vrai, "concurrent"));
        ASSERT_EQ(::write(premier.Descripteur(), "premier", 7), 7);
        ASSERT_TRUE(premier.Valider());
    }
    EXPECT_EQ(LireFichier(vrai), (Octets{'p', 'r', 'e', 'm', 'i', 'e', 'r'}));
    EXPECT_EQ(tout(), attendus);

    // Le reste d'un enregistrement tué est repris par le suivant.
    QFile reste(d.filePath(temporaire));
    ASSERT_TRUE(reste.open(QIODevice::WriteOnly));
    reste.write("morceau d'un enregistrement interrompu");
    reste.close();
    ASSERT_TRUE(ecrire(vrai, "repris"));
    EXPECT_EQ(LireFichier(vrai), (Octets{'r', 'e', 'p', 'r', 'i', 's'}));
    EXPECT_EQ(tout(), attendus);
}
