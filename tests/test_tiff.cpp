#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <tiffio.h>

#include "app/Bmp2Tiff.h"
#include "platform/Erreur.h"

namespace {

uint16_t Lire16(const QByteArray& o, int pos)
{
    return static_cast<uint16_t>(uint8_t(o[pos]) | uint8_t(o[pos + 1]) << 8);
}

uint32_t Lire32(const QByteArray& o, int pos)
{
    return uint32_t(Lire16(o, pos)) | uint32_t(Lire16(o, pos + 2)) << 16;
}

// Pixels différents partout pour repérer une inversion de ligne ou de canal.
Bitmap Motif(int l, int h)
{
    Bitmap b(l, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* p = b.Ligne(y);
        for (int x = 0; x < l; ++x, p += 3) {
            p[0] = static_cast<uint8_t>(x * 7 + y * 13);
            p[1] = static_cast<uint8_t>(x * 31 + y * 3 + 1);
            p[2] = static_cast<uint8_t>(x * 5 + y * 29 + 2);
        }
    }
    return b;
}

QByteArray EnMemoire(const Bitmap& b)
{
    QBuffer tampon;
    tampon.open(QIODevice::ReadWrite);
    EcrireTiffFlux(tampon, b);
    return tampon.data();
}

// Flux qui refuse d'écrire au-delà d'une taille, comme un disque plein.
class FluxPlein : public QIODevice
{
public:
    explicit FluxPlein(qint64 limite) : limite_(limite) { open(QIODevice::WriteOnly); }
    bool isSequential() const override { return false; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 n) override
    {
        if (ecrits_ + n > limite_)
            return -1;
        ecrits_ += n;
        return n;
    }

private:
    qint64 limite_;
    qint64 ecrits_ = 0;
};

}

TEST(Tiff, UnPixelRepertoireImpair)
{
    Bitmap b(1, 1);
    uint8_t* p = b.Ligne(0);
    p[0] = 30;  // B
    p[1] = 20;  // V
    p[2] = 10;  // R
    const QByteArray o = EnMemoire(b);
    ASSERT_EQ(o.size(), 229);
    EXPECT_EQ(uint8_t(o[40]), 10);
    EXPECT_EQ(uint8_t(o[41]), 20);
    EXPECT_EQ(uint8_t(o[42]), 30);
    EXPECT_EQ(Lire32(o, 4), 43u);
    EXPECT_EQ(Lire16(o, 43), 15);
}

TEST(Tiff, EnTeteEtRepertoireOctetParOctet)
{
    // Largeur et hauteur en SHORT jusqu'à 65535, en LONG au-delà.
    struct Cas { int l, h; uint32_t typeL = 3, typeH = 3; };
    for (const Cas c : {Cas{1, 1}, Cas{3, 2}, Cas{4, 3}, Cas{7, 5}, Cas{2, 9}, Cas{65535, 1}, Cas{1, 65535},
                        Cas{65536, 1, 4, 3}, Cas{1, 70000, 3, 4}}) {
        SCOPED_TRACE(testing::Message() << c.l << " x " << c.h);
        const uint32_t n = 3u * c.l * c.h;
        const QByteArray o = EnMemoire(Motif(c.l, c.h));
        ASSERT_EQ(o.size(), static_cast<int>(226 + n));
        EXPECT_EQ(o.left(4), QByteArray("II\x2A\x00", 4));
        EXPECT_EQ(Lire32(o, 4), 40 + n);
        EXPECT_EQ(Lire32(o, 8), 877u);
        EXPECT_EQ(Lire32(o, 12), 10u);
        EXPECT_EQ(Lire32(o, 16), 877u);
        EXPECT_EQ(Lire32(o, 20), 10u);
        EXPECT_EQ(Lire16(o, 24), 8);
        EXPECT_EQ(Lire16(o, 26), 8);
        EXPECT_EQ(Lire16(o, 28), 8);
        EXPECT_EQ(o.mid(30, 10), QByteArray("Quendarith"));

        const int rep = static_cast<int>(40 + n);
        EXPECT_EQ(Lire16(o, rep), 15);
        const uint32_t attendu[15][4] = {
            {254, 4, 1, 0},   {256, c.typeL, 1, uint32_t(c.l)}, {257, c.typeH, 1, uint32_t(c.h)},
            {258, 3, 3, 24},  {259, 3, 1, 1},             {262, 3, 1, 2},
            {273, 4, 1, 40},  {277, 3, 1, 3},             {278, 4, 1, uint32_t(c.h)},
            {279, 4, 1, n},   {282, 5, 1, 8},             {283, 5, 1, 16},
            {284, 3, 1, 1},   {296, 3, 1, 2},             {305, 2, 10, 30},
        };
        for (int i = 0; i < 15; ++i) {
            const int e = rep + 2 + i * 12;
            EXPECT_EQ(Lire16(o, e), attendu[i][0]) << i;
            EXPECT_EQ(Lire16(o, e + 2), attendu[i][1]) << i;
            EXPECT_EQ(Lire32(o, e + 4), attendu[i][2]) << i;
            EXPECT_EQ(Lire32(o, e + 8), attendu[i][3]) << i;
        }
        EXPECT_EQ(Lire32(o, rep + 182), 0u);
    }
}

TEST(Tiff, PixelsDeHautEnBasEnRVB)
{
    const Bitmap b = Motif(3, 2);
    const QByteArray o = EnMemoire(b);
    ASSERT_EQ(o.size(), 244);
    EXPECT_EQ(Lire32(o, 4), 58u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = b.Ligne(y) + x * 3;
            const int pos = 40 + (y * 3 + x) * 3;
            EXPECT_EQ(uint8_t(o[pos]), p[2]);
            EXPECT_EQ(uint8_t(o[pos + 1]), p[1]);
            EXPECT_EQ(uint8_t(o[pos + 2]), p[0]);
        }
}

TEST(Tiff, LibtiffRelitLesMemesPixels)
{
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    for (const auto& [l, h] : {std::pair{5, 3}, std::pair{1, 1}, std::pair{6, 4}, std::pair{70000, 4},
                               std::pair{4, 70000}}) {
        SCOPED_TRACE(testing::Message() << l << " x " << h);
        const Bitmap b = Motif(l, h);
        const QString nom = dossier.filePath(QStringLiteral("pano.tif"));
        EnregistrerTiff(nom, b);

        TIFF* t = TIFFOpen(QFile::encodeName(nom).constData(), "r");
        ASSERT_NE(t, nullptr);
        uint32_t lt = 0, ht = 0;
        TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &lt);
        TIFFGetField(t, TIFFTAG_IMAGELENGTH, &ht);
        ASSERT_EQ(lt, uint32_t(l));
        ASSERT_EQ(ht, uint32_t(h));
        std::vector<uint8_t> ligne(TIFFScanlineSize(t));
        for (int y = 0; y < h; ++y) {
            ASSERT_EQ(TIFFReadScanline(t, ligne.data(), y, 0), 1);
            const uint8_t* p = b.Ligne(y);
            for (int x = 0; x < l; ++x) {
                EXPECT_EQ(ligne[x * 3], p[x * 3 + 2]);
                EXPECT_EQ(ligne[x * 3 + 1], p[x * 3 + 1]);
                EXPECT_EQ(ligne[x * 3 + 2], p[x * 3]);
            }
        }
        TIFFClose(t);
    }
}

TEST(Tiff, DeuxEnregistrementsDeTaillesDifferentes)
{
    // Un nom de 250 octets s'enregistre aussi.
    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QString(246, QLatin1Char('v')) + QStringLiteral(".tif"));
    EnregistrerTiff(nom, Motif(9, 7));
    EnregistrerTiff(nom, Motif(3, 2));
    QFile f(nom);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray o = f.readAll();
    EXPECT_EQ(o, EnMemoire(Motif(3, 2)));
}

TEST(Tiff, BitmapVideNiFluxNiFichier)
{
    QBuffer tampon;
    tampon.open(QIODevice::ReadWrite);
    EXPECT_THROW(EcrireTiffFlux(tampon, Bitmap(3, 0)), Erreur);
    EXPECT_TRUE(tampon.data().isEmpty());
    QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("vide.tif"));
    EXPECT_THROW(EnregistrerTiff(nom, Bitmap(0, 5)), Erreur);
    EXPECT_FALSE(QFile::exists(nom));
}

TEST(Tiff, EchecsDEcriture)
{
    // Disque plein : l'écriture s'arrête sur une erreur au lieu de se taire.
    for (qint64 limite : {0, 8, 100, 250}) {
        FluxPlein flux(limite);
        EXPECT_THROW(EcrireTiffFlux(flux, Motif(4, 4)), Erreur) << limite;
    }
    // Chaque échec nomme le fichier, garde l'ancien et ne laisse rien à côté.
    QTemporaryDir dossier;
    const QString garde = dossier.filePath(QStringLiteral("garde.tif"));
    const QString protege = dossier.filePath(QStringLiteral("protege.tif"));
    EnregistrerTiff(garde, Motif(2, 2));
    EnregistrerTiff(protege, Motif(2, 2));
    chmod(QFile::encodeName(protege).constData(), 0444);
    const QByteArray avant = EnMemoire(Motif(2, 2));
    struct Cas
    {
        QString nom;
        rlim_t tailleMax;  // disque plein au-delà
        QString message;
    };
    const QString refus = QStringLiteral("Impossible de créer le fichier %1");
    const Cas cas[] = {
        {dossier.filePath(QStringLiteral("absent/pano.tif")), RLIM_INFINITY, refus},
        {protege, RLIM_INFINITY, refus},
        {garde, 100, QStringLiteral("Impossible d'écrire le fichier %1")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom.toStdString());
        rlimit ancienne{};
        getrlimit(RLIMIT_FSIZE, &ancienne);
        const auto signalPrecedent = std::signal(SIGXFSZ, SIG_IGN);
        rlimit bornee = ancienne;
        bornee.rlim_cur = c.tailleMax;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &bornee), 0);
        try {
            EnregistrerTiff(c.nom, Motif(8, 8));
            ADD_FAILURE();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), c.message.arg(c.nom));
        }
        setrlimit(RLIMIT_FSIZE, &ancienne);
        std::signal(SIGXFSZ, signalPrecedent);
    }
    EXPECT_THROW(EnregistrerTiff(garde, Bitmap()), Erreur);
    for (const QString& nom : {garde, protege}) {
        QFile f(nom);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), avant);
    }
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"garde.tif", "protege.tif"}));
}
