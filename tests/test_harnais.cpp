#include <gtest/gtest.h>

#include <cstring>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "core/Assemblage.h"
#include "core/RenduPano.h"
#include "platform/Ecrivains.h"
#include "tests/GenerateurScene.h"

namespace {

// Projet sur disque : les images de la série en BMP et le fichier .kvp des
// enregistrements tels quels.
QString EcrireProjet(const QTemporaryDir& dossier, bool horizon)
{
    const TSerie serie = CreerSerie(3, 320, 240, 240, {0, 4, -3}, {0.0, 0.01, -0.008}, false);
    ChargerSerie(serie, false, horizon);
    QByteArray octets;
    for (TInfosImg& img : ListeImgs) {
        EnregistrerBmp(*BitmapDe(img), dossier.filePath(LireChaineCourte(img.Nom)));
        EcrireChaineCourte(img.Repertoire, dossier.path());
        octets.append(reinterpret_cast<const char*>(&img), sizeof img);
    }
    ListeImgs[1].CoefHG = 1.1L;
    std::memcpy(octets.data() + sizeof(TInfosImg) + offsetof(TInfosImg, CoefHG),
                &ListeImgs[1].CoefHG, sizeof(Extended));
    ViderListe();
    const QString chemin = dossier.filePath(QStringLiteral("serie.kvp"));
    QFile f(chemin);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(octets);
    return chemin;
}

struct Resultat
{
    int code = -1;
    QByteArray sortie;
    QByteArray erreurs;
};

Resultat Lancer(const QStringList& arguments)
{
    QProcess p;
    p.start(QStringLiteral(KALVINDO_ASSEMBLER), arguments);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QByteArray Lire(const QString& chemin)
{
    QFile f(chemin);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Bits(const Extended& e)
{
    return QStringLiteral("%1:%2")
        .arg(e.SigneExposant(), 4, 16, QChar('0'))
        .arg(static_cast<qulonglong>(e.Mantisse()), 16, 16, QChar('0'))
        .toUpper();
}

}  // namespace

TEST(Harnais, MemePanoramiqueQueLAssemblageDansLeProgramme)
{
    QTemporaryDir dossier;
    const QString projet = EcrireProjet(dossier, true);
    const QString sortie = dossier.filePath(QStringLiteral("pano.bmp"));
    const Resultat r = Lancer({projet, "--mode", "1", "--chroma", "--overlap", "12", "--fade",
                               "--reharmonise", "1", "--dump-json", "-o", sortie});
    ASSERT_EQ(r.code, 0) << r.erreurs.constData();
    EXPECT_TRUE(r.erreurs.contains("deformation"));

    // Le même travail dans ce processus.
    TSeqPano fenetre;
    TAssembleImg assemblage;
    TAssembleImg* precedent = AssembleImg;
    AssembleImg = &assemblage;
    fenetre.OuvrirProjet(projet);
    ASSERT_EQ(ListeImgs.size(), 3u);
    fenetre.ModeAsmbl()->setCurrentIndex(1);
    fenetre.CorrChro()->setChecked(true);
    LargeurRecouvrement = 12;
    assemblage.Assembler();
    FiltrerRecouvrements();
    ReprendreHarmonisation(1);
    ConserverImgs = true;
    assemblage.Assembler();
    FiltrerRecouvrements();
    EXPECT_EQ(Lire(sortie), QByteArray::fromStdString(
                                std::string(reinterpret_cast<const char*>(EncoderBmp(*BmpPano).data()),
                                            EncoderBmp(*BmpPano).size())));

    QJsonParseError erreur;
    const QJsonDocument doc = QJsonDocument::fromJson(r.sortie, &erreur);
    ASSERT_EQ(erreur.error, QJsonParseError::NoError) << r.sortie.constData();
    const QJsonObject racine = doc.object();
    EXPECT_EQ(racine["LargeurPano"].toInt(), LargeurPano);
    EXPECT_EQ(racine["FracFinBas"].toObject()["bits"].toString(), Bits(Extended(FracFinBas)));
    const QJsonArray images = racine["images"].toArray();
    ASSERT_EQ(images.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject img = images[i].toObject();
        const TInfosImg& attendu = ImgsAssemblage[i];
        EXPECT_EQ(img["DecalX"].toInt(), attendu.DecalX);
        EXPECT_EQ(img["PenteJonction"].toObject()["bits"].toString(), Bits(attendu.PenteJonction));
        EXPECT_EQ(img["Coefs"].toObject()["CoefHG"].toObject()["bits"].toString(),
                  Bits(attendu.CoefHG));
        EXPECT_EQ(img["Deplacements"].toArray().size(), 4);
    }
    fenetre.ReinitialiserClick();
    AssembleImg = precedent;
    LargeurRecouvrement = 20;
}

TEST(Harnais, ImageAbsenteEchoueSansFichier)
{
    QTemporaryDir dossier;
    const QString projet = EcrireProjet(dossier, false);
    QFile::remove(dossier.filePath(QStringLiteral("image1.bmp")));
    const QString sortie = dossier.filePath(QStringLiteral("pano.bmp"));
    const Resultat r = Lancer({projet, "--mode", "0", "-o", sortie});
    EXPECT_NE(r.code, 0);
    EXPECT_FALSE(r.erreurs.isEmpty());
    EXPECT_FALSE(QFile::exists(sortie));

    // Les images retrouvées dans un autre dossier.
    QTemporaryDir ailleurs;
    for (const QString& nom : {QStringLiteral("image0.bmp"), QStringLiteral("image2.bmp")})
        QFile::copy(dossier.filePath(nom), ailleurs.filePath(nom));
    const Resultat r2 = Lancer({projet, "--mode", "0", "--image-dir", ailleurs.path(), "-o", sortie});
    EXPECT_NE(r2.code, 0);
    const TSerie serie = CreerSerie(3, 320, 240, 240, {0, 4, -3}, {0.0, 0.01, -0.008}, false);
    EnregistrerBmp(DecouperImage(serie, serie.Placements[1]), ailleurs.filePath("image1.bmp"));
    const Resultat r3 = Lancer({projet, "--mode", "0", "--image-dir", ailleurs.path(), "-o", sortie});
    EXPECT_EQ(r3.code, 0) << r3.erreurs.constData();
    EXPECT_TRUE(QFile::exists(sortie));
}
