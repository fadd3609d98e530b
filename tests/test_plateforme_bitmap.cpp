#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include <QFile>
#include <QTemporaryDir>

#include "platform/Bitmap.h"
#include "platform/Erreur.h"
#include "platform/Systeme.h"

namespace {

// Motif propre à chaque pixel pour suivre les recopies.
void Motif(Bitmap& b)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            uint8_t* p = b.Ligne(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x * 7 + y);
        }
}

}  // namespace

TEST(Bitmap, SetSizeGardeLaPartieCommune)
{
    struct Cas { int l0, h0, l1, h1; };
    const Cas cas[] = {{5, 4, 9, 6}, {9, 6, 3, 2}, {7, 7, 7, 11}, {4, 4, 0, 0}, {0, 0, 3, 3}, {6, 3, 2, 8},
                        {0, 5, 4, 5}, {3, 5, 0, 9}, {0, 4, 0, 8}};
    for (const auto& c : cas) {
        Bitmap b(c.l0, c.h0);
        Motif(b);
        b.SetSize(c.l1, c.h1);
        ASSERT_EQ(b.Width(), c.l1);
        ASSERT_EQ(b.Height(), c.h1);
        EXPECT_EQ(b.Stride() % 4, 0);
        for (int y = 0; y < c.h1; ++y)
            for (int x = 0; x < c.l1; ++x) {
                const uint8_t* p = b.Ligne(y) + 3 * x;
                if (x < c.l0 && y < c.h0) {
                    EXPECT_EQ(p[0], x);
                    EXPECT_EQ(p[1], y);
                    EXPECT_EQ(p[2], static_cast<uint8_t>(x * 7 + y));
                } else {
                    EXPECT_EQ(p[0] & p[1] & p[2], 0xFF) << x << "," << y;
                }
            }
    }
}

TEST(Bitmap, ScanLineBornee)
{
    Bitmap b(3, 2);
    EXPECT_NO_THROW(b.ScanLine(0));
    EXPECT_NO_THROW(b.ScanLine(1));
    EXPECT_THROW(b.ScanLine(-1), Erreur);
    EXPECT_THROW(b.ScanLine(2), Erreur);
    const Bitmap vide;
    EXPECT_TRUE(vide.Empty());
    EXPECT_THROW(vide.ScanLine(0), Erreur);
}

TEST(Bitmap, VueQtSansCopieEtCopieIndependante)
{
    Bitmap b(4, 3);
    Motif(b);
    QImage vue = b.ImageQt();
    EXPECT_EQ(vue.constBits(), b.Bits());
    EXPECT_EQ(vue.pixelColor(2, 1), QColor(static_cast<uint8_t>(2 * 7 + 1), 1, 2));
    Bitmap copie = b;
    EXPECT_TRUE(copie == b);
    copie.Ligne(2)[0] ^= 1;
    EXPECT_FALSE(copie == b);
}

TEST(Bitmap, TailleAcceptableSansDebordement)
{
    struct Cas { int64_t l, h; bool accepte; };
    const Cas cas[] = {
        {0, 0, true}, {0, 2000000000, true}, {65536, 65536, false}, {2080374813, 1632632836, false},
        {INT32_MAX, INT32_MAX, false}, {INT64_MAX / 2, 3, false}, {-1, 5, false},
        {715827881, 1, true}, {715827882, 1, false}, {26754, 26754, true}, {26755, 26755, false},
    };
    for (const auto& c : cas)
        EXPECT_EQ(Bitmap::TailleAcceptable(c.l, c.h), c.accepte) << c.l << " x " << c.h;
}

TEST(Systeme, ChargeMemoireDUnMeminfo)
{
    QTemporaryDir dossier;
    struct Cas { const char* contenu; int charge; };
    const Cas cas[] = {
        {"MemTotal:       1000 kB\nMemFree:   100 kB\nMemAvailable:    250 kB\n", 75},
        // Une ligne sans unité avant MemAvailable ne doit rien décaler.
        {"MemTotal: 2000 kB\nHugePages_Total:       0\nHugePages_Free: 0\nMemAvailable: 1999 kB\n", 0},
        {"HugePages_Total: 0\nMemAvailable: 500 kB\nMemTotal: 2000 kB", 75},
        {"MemTotal: 1000 kB\n", 0},
        {"MemAvailable: 10 kB\n", 0},
        {"MemTotal: 1000 kB\nMemAvailable: 5000 kB\n", 0},
        {"", 0},
    };
    for (const auto& c : cas) {
        const std::string chemin = QFile::encodeName(dossier.filePath("meminfo")).toStdString();
        std::ofstream(chemin) << c.contenu;
        EXPECT_EQ(ChargeMemoire(chemin), c.charge) << c.contenu;
    }
    EXPECT_EQ(ChargeMemoire(QFile::encodeName(dossier.filePath("absent")).toStdString()), 0);
}

TEST(Systeme, ChargeMemoireEtVersion)
{
    const int charge = ChargeMemoire();
    EXPECT_GE(charge, 0);
    EXPECT_LE(charge, 100);
    EXPECT_EQ(VersionPgm(), "1.1.1.0");
}
