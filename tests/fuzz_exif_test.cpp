// Blocs EXIF abîmés de façon reproductible : octets changés, champs de 32 bits
// poussés aux extrêmes, fichiers coupés. Le lecteur doit rendre une liste ou
// lever Erreur, sans jamais lire hors du fichier (vérifié sous ASan).

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include <QTemporaryDir>

#include "core/Exif.h"
#include "core/UtilsPano.h"
#include "platform/Erreur.h"
#include "test_exif_fabrique.h"

namespace {

QByteArray Graine(bool mm, bool app0)
{
    FabriqueExif f(mm, app0);
    f.ifd0 = {f.Texte(0x010F, "Marque"), f.Court(0x0112, 3), f.Rat(0x011A, 72, 1), f.Texte(0x8298, "(c)")};
    f.exif = {f.Rat(0x829A, 1, 60),      f.Rat(0x829D, 28, 10), f.SRat(0x9201, 6, 1),
              f.Rat(0x9202, 3, 1),       f.Court(0x9207, 2),    f.Texte(0x9003, "2006:01:01 00:00:00"),
              {0x9286, 7, 16, 0, QByteArray("ASCII\0\0\0commente", 16)},
              f.Long(0xA002, 3000),      f.Court(0xA405, 28),   f.Rat(0xA404, 0, 0)};
    return f.Fichier();
}

const uint32_t Extremes[] = {0u, 1u, 4u, 5u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFF0u, 0x10000u};

void Examiner(const QString& nom, const QByteArray& octets)
{
    FabriqueExif::Ecrire(nom, octets);
    try {
        TExif e;
        e.LireFichier(nom);
        const TListeExif& l = e.Infos.Liste;
        ASSERT_EQ(l.Libelles.size(), l.Valeurs.size());
        ASSERT_EQ(size_t(l.Libelles.size()), l.Couleurs.size());
        const long double a = AngleParPixel(nom);
        ASSERT_TRUE(std::isfinite(a) && a >= 0.0L);
    } catch (const Erreur&) {
        // Un bloc illisible est signalé à l'appelant : c'est permis.
    }
}

}

TEST(ExifMutations, BlocsAbimesSansLectureHorsDuFichier)
{
    QTemporaryDir dossier;
    ASSERT_TRUE(dossier.isValid());
    const QString nom = dossier.filePath(QStringLiteral("f.jpg"));
    std::mt19937 alea(20061207u);
    for (bool mm : {false, true})
        for (bool app0 : {false, true}) {
            const QByteArray graine = Graine(mm, app0);
            for (int essai = 0; essai < 600; ++essai) {
                QByteArray o = graine;
                const int n = 1 + int(alea() % 4);
                for (int k = 0; k < n; ++k) {
                    // Les mutations visent surtout l'en-tête et les répertoires.
                    const int zone = int(std::min<qsizetype>(o.size(), 720));
                    const int pos = int(alea() % uint32_t(zone));
                    switch (alea() % 4) {
                    case 0:
                        o[pos] = char(alea());
                        break;
                    case 1: {
                        const uint32_t v = Extremes[alea() % std::size(Extremes)];
                        if (pos + 4 <= o.size())
                            std::memcpy(o.data() + pos, &v, 4);
                        break;
                    }
                    case 2:
                        o.truncate(pos);
                        break;
                    default:
                        o[pos] = char(o[pos] ^ (1 << (alea() % 8)));
                        break;
                    }
                }
                SCOPED_TRACE(testing::Message() << "mm " << mm << " app0 " << app0 << " essai " << essai);
                Examiner(nom, o);
                if (HasFatalFailure())
                    return;
            }
        }
}
