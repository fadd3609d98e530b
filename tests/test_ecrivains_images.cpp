#include <gtest/gtest.h>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <functional>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/Bmp2Tiff.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"

namespace {

// Les trois écrivains du panoramique, appelés comme l'enregistrement le fait.
struct Format
{
    const char* extension;
    std::function<void(const Bitmap&, const QString&)> ecrire;
};

const Format Formats[] = {
    {"bmp", [](const Bitmap& b, const QString& c) { EnregistrerBmp(b, c); }},
    {"jpg", [](const Bitmap& b, const QString& c) { EnregistrerJpeg(b, 90, c); }},
    {"tif", [](const Bitmap& b, const QString& c) { EnregistrerTiff(c, b); }},
};

// Message de l'erreur levée ; vide quand tout a réussi.
QString MessageDe(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Erreur& e) {
        return e.Message();
    }
    return {};
}

QByteArray Contenu(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ino_t Inode(const QString& chemin)
{
    struct stat etat {};
    stat(QFile::encodeName(chemin).constData(), &etat);
    return etat.st_ino;
}

// Fichiers bornés en taille le temps d'un bloc, comme un disque plein.
class DisquePlein
{
public:
    explicit DisquePlein(rlim_t taille)
    {
        getrlimit(RLIMIT_FSIZE, &ancienne_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit bornee = ancienne_;
        bornee.rlim_cur = taille;
        setrlimit(RLIMIT_FSIZE, &bornee);
    }
    ~DisquePlein()
    {
        setrlimit(RLIMIT_FSIZE, &ancienne_);
        std::signal(SIGXFSZ, signal_);
    }

private:
    rlimit ancienne_{};
    void (*signal_)(int) = nullptr;
};

QByteArray DossierRefuse;

int RefusDuDossier(const char* chemin, int drapeaux, mode_t mode)
{
    if (!QByteArray(chemin).startsWith(DossierRefuse))
        return ::open(chemin, drapeaux, mode);
    errno = EACCES;
    return -1;
}

// Dossier en lecture seule. Root y crée quand même des fichiers : le refus
// qu'un autre utilisateur recevrait lui est alors donné par le crochet
// d'ouverture du temporaire, la seule création que l'enregistrement y tente.
class DossierProtege
{
public:
    explicit DossierProtege(const QString& chemin) : chemin_(QFile::encodeName(chemin))
    {
        chmod(chemin_.constData(), 0555);
        DossierRefuse = chemin_ + '/';
        if (geteuid() == 0)
            DefinirOuvertureTemporaire(RefusDuDossier);
    }
    ~DossierProtege()
    {
        DefinirOuvertureTemporaire(nullptr);
        chmod(chemin_.constData(), 0755);
    }

private:
    QByteArray chemin_;
};

}  // namespace

TEST(EcrivainsImages, ImageVideRefuseeParChaqueFormat)
{
    QTemporaryDir d;
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.extension);
        const QString neuf = d.filePath(QStringLiteral("vide.") + f.extension);
        const QString garde = d.filePath(QStringLiteral("garde.") + f.extension);
        f.ecrire(ImageDegrade(5, 4), garde);
        const QByteArray avant = Contenu(garde);
        for (const Bitmap& vide : {Bitmap(), Bitmap(0, 5), Bitmap(7, 0)}) {
            EXPECT_EQ(MessageDe([&] { f.ecrire(vide, neuf); }), QString::fromUtf8(MsgImageVide));
            EXPECT_EQ(MessageDe([&] { f.ecrire(vide, garde); }), QString::fromUtf8(MsgImageVide));
        }
        EXPECT_FALSE(QFileInfo::exists(neuf));
        EXPECT_EQ(Contenu(garde), avant);
    }
    // Ni en mémoire : un en-tête BMP sans pixels ne se relirait pas.
    EXPECT_THROW(EncoderBmp(Bitmap(0, 5)), Erreur);
    EXPECT_THROW(EncoderJpeg(Bitmap(3, 0), 90), Erreur);
}

TEST(EcrivainsImages, UnEchecUnTexte)
{
    EXPECT_EQ(MsgCreationImpossible(QStringLiteral("/p/vue.tif")),
              QStringLiteral("Impossible de créer le fichier /p/vue.tif"));
    EXPECT_EQ(MsgEcritureImpossible(QStringLiteral("/p/vue.tif")),
              QStringLiteral("Impossible d'écrire le fichier /p/vue.tif"));
    QTemporaryDir d;
    ASSERT_TRUE(QDir(d.path()).mkdir(QStringLiteral("dossier.x")));
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.extension);
        const QString ext = QString::fromLatin1(f.extension);
        // Fichier impossible à créer : dossier absent, ou nom d'un dossier.
        for (const QString& chemin : {d.filePath(QStringLiteral("absent/pano.") + ext),
                                      d.filePath(QStringLiteral("dossier.x"))})
            EXPECT_EQ(MessageDe([&] { f.ecrire(ImageDegrade(8, 8), chemin); }), MsgCreationImpossible(chemin));
        // Disque plein pendant l'écriture : rien ne reste sous ce nom.
        const QString plein = d.filePath(QStringLiteral("plein.") + ext);
        {
            const DisquePlein borne(100);
            EXPECT_EQ(MessageDe([&] { f.ecrire(ImageDegrade(64, 48), plein); }), MsgEcritureImpossible(plein));
        }
        EXPECT_FALSE(QFileInfo::exists(plein));
    }
}

TEST(EcrivainsImages, FichierModifiableDansUnDossierProtege)
{
    QTemporaryDir d;
    const QString ferme = d.filePath(QStringLiteral("ferme"));
    const QString libre = d.filePath(QStringLiteral("libre"));
    ASSERT_TRUE(QDir().mkdir(ferme));
    ASSERT_TRUE(QDir().mkdir(libre));
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.extension);
        const QString nom = QStringLiteral("pano.") + f.extension;
        const QString cible = ferme + QLatin1Char('/') + nom;
        const QString temoin = libre + QLatin1Char('/') + nom;
        f.ecrire(ImageDegrade(40, 30), cible);
        chmod(QFile::encodeName(cible).constData(), 0640);
        const ino_t inode = Inode(cible);
        {
            const DossierProtege protege(ferme);
            // Plus petite puis plus grande que l'ancienne : la fin est coupée ou ajoutée.
            for (const Bitmap& image : {ImageDegrade(9, 7), ImageDegrade(80, 60)}) {
                f.ecrire(image, temoin);
                EXPECT_EQ(MessageDe([&] { f.ecrire(image, cible); }), QString());
                EXPECT_EQ(Contenu(cible), Contenu(temoin));
            }
            const QByteArray avant = Contenu(cible);
            // Plus grand que ce que le disque accepte : l'échec nomme le fichier, l'ancien reste.
            {
                const DisquePlein borne(static_cast<rlim_t>(avant.size()));
                EXPECT_EQ(MessageDe([&] { f.ecrire(ImageDegrade(200, 150), cible); }),
                          MsgEcritureImpossible(cible));
            }
            EXPECT_EQ(Contenu(cible), avant);
            // Un fichier nouveau ne peut pas y naître.
            const QString neuf = ferme + QStringLiteral("/neuf.") + f.extension;
            EXPECT_EQ(MessageDe([&] { f.ecrire(ImageDegrade(4, 4), neuf); }), MsgCreationImpossible(neuf));
            // Deux enregistrements de la même cible ne se mêlent pas.
            FichierRemplacant premier(cible);
            ASSERT_GE(premier.Descripteur(), 0);
            EXPECT_TRUE(premier.SurPlace());
            EXPECT_FALSE(RemplacerFichier(cible, "x", 1));
        }
        // Réécrit sur place : même fichier, mêmes droits, rien à côté.
        EXPECT_EQ(Inode(cible), inode);
        struct stat etat {};
        ASSERT_EQ(stat(QFile::encodeName(cible).constData(), &etat), 0);
        EXPECT_EQ(etat.st_mode & 07777, 0640u);
        // Ailleurs, le temporaire renommé reste la voie suivie.
        const ino_t avantTemoin = Inode(temoin);
        f.ecrire(ImageDegrade(9, 7), temoin);
        EXPECT_NE(Inode(temoin), avantTemoin);
    }
    EXPECT_EQ(QDir(ferme).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              QStringList({"pano.bmp", "pano.jpg", "pano.tif"}));
    // Le projet et les réglages passent par la même écriture.
    const QString projet = ferme + QStringLiteral("/vue.kvp");
    ASSERT_TRUE(RemplacerFichier(projet, "ancien projet", 13));
    {
        const DossierProtege protege(ferme);
        EXPECT_TRUE(RemplacerFichier(projet, "neuf", 4));
        // Écrit à part, plus long que ce que le disque laisse à la cible : rien n'y est recopié.
        FichierRemplacant remplacant(projet);
        ASSERT_TRUE(remplacant.SurPlace());
        ASSERT_EQ(::write(remplacant.Descripteur(), "bien plus long", 14), 14);
        const DisquePlein borne(4);
        EXPECT_FALSE(remplacant.Valider());
    }
    EXPECT_EQ(Contenu(projet), QByteArray("neuf"));
}
