// Cible de fuzz du lecteur EXIF : les octets reçus deviennent un fichier ".jpg"
// que lisent TExif puis AngleParPixel. Seule une Erreur est une fin acceptable.

#include <cmath>
#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "core/Exif.h"
#include "core/UtilsPano.h"
#include "tests/fuzz/Fuzz.h"
#include "tests/test_exif_fabrique.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    static QTemporaryDir dossier;
    const QString nom = dossier.filePath(QStringLiteral("f.jpg"));
    // Un fichier neuf à chaque entrée : tronquer l'ancien forcerait une écriture disque.
    QFile::remove(nom);
    {
        QFile f(nom);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char*>(donnees), static_cast<qint64>(taille));
    }
    try {
        TExif exif;
        exif.LireFichier(nom);
        const TListeExif& l = exif.Infos.Liste;
        if (l.Libelles.size() != l.Valeurs.size() || size_t(l.Libelles.size()) != l.Couleurs.size())
            std::abort();
        const long double angle = AngleParPixel(nom);
        if (!std::isfinite(angle) || angle < 0.0L)
            std::abort();
    } catch (const Erreur&) {
    }
    return 0;
}

std::vector<Octets> GrainesFuzz()
{
    std::vector<Octets> graines;
    for (const auto& [mm, app0] : {std::pair{false, false}, std::pair{true, true}, std::pair{false, true}}) {
        FabriqueExif f(mm, app0);
        f.ifd0 = {f.Texte(0x010F, "Marque"), f.Court(0x0112, 6), f.Rat(0x011A, 72, 1), f.Texte(0x0110, "M1")};
        f.exif = {f.Rat(0x829A, 1, 250),  f.Rat(0x829D, 28, 10), f.SRat(0x9201, 8, 1),
                  f.Rat(0x9202, 3, 1),    f.Court(0x9207, 5),    f.Texte(0x9003, "2006:01:01 00:00:00"),
                  {0x9000, 7, 4, 0, "0220", true},
                  {0x9286, 7, 16, 0, QByteArray("ASCII\0\0\0commente", 16)},
                  f.Long(0xA002, 2000),   f.Court(0xA405, 36),   f.Rat(0xA404, 0, 0)};
        const QByteArray o = f.Fichier();
        graines.emplace_back(o.begin(), o.end());
    }
    return graines;
}

// Chaque entrée est écrite dans un fichier puis lue deux fois.
int MutationsFuzz(size_t)
{
    return 1000;
}
