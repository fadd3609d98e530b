#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "core/UtilsPano.h"
#include "platform/Ecrivains.h"
#include "tests/GenerateurScene.h"
#include "tests/test_plateforme_fabrique.h"

TEST(PanoramiqueVide, ProjetDUneImageBoucleeSansFichierEcrit)
{
    // Une seule image bouclée sur elle-même, chaque point lié à un autre placé
    // au même endroit : le panoramique n'a aucune colonne. L'outil sans écran
    // écrivait alors un BMP de 54 octets que le programme ne relit pas.
    QTemporaryDir dossier;
    ViderListe();
    AjouterImage(ImageDegrade(60, 40), QStringLiteral("seule.bmp"));
    RelierPoints(0, AjouterPoint(0, 30, 10), 0, AjouterPoint(0, 30, 10));
    RelierPoints(0, AjouterPoint(0, 30, 30), 0, AjouterPoint(0, 30, 30));
    TInfosImg& img = ListeImgs[0];
    EnregistrerBmp(*BitmapDe(img), dossier.filePath(QStringLiteral("seule.bmp")));
    EcrireChaineCourte(img.Repertoire, dossier.path());
    const QByteArray octets(reinterpret_cast<const char*>(&img), sizeof img);
    ViderListe();
    const QString projet = dossier.filePath(QStringLiteral("seule.kvp"));
    ASSERT_TRUE(RemplacerFichier(projet, octets.constData(), static_cast<size_t>(octets.size())));

    const QString sortie = dossier.filePath(QStringLiteral("pano.bmp"));
    QProcess p;
    p.start(QStringLiteral(KALVINDO_ASSEMBLER), {projet, "--mode", "0", "--loop", "-o", sortie});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_NE(p.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains(QString::fromUtf8(MsgImageVide)));
    EXPECT_FALSE(QFile::exists(sortie));
}
