#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include "core/Exif.h"
#include "core/UtilsPano.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"
#include "test_exif_fabrique.h"

namespace {

struct Ligne
{
    QString libelle, valeur;
    int32_t couleur;
    bool operator==(const Ligne&) const = default;
};

std::vector<Ligne> Lignes(const TExif& e)
{
    std::vector<Ligne> l;
    const TListeExif& x = e.Infos.Liste;
    for (int i = 0; i < x.Libelles.size(); ++i)
        l.push_back({x.Libelles[i], x.Valeurs[i], x.Couleurs[size_t(i)]});
    return l;
}

void PrintTo(const Ligne& l, std::ostream* os)
{
    *os << '(' << l.libelle.toStdString() << ", " << l.valeur.toStdString() << ", " << l.couleur << ')';
}

// Le jeu de données d'un appareil : ce que les deux ordres d'octets doivent rendre à l'identique.
FabriqueExif Appareil(bool mm, bool app0)
{
    FabriqueExif f(mm, app0);
    f.ifd0 = {f.Texte(0x010F, "Canon"), f.Texte(0x0110, "G5"), f.Court(0x0112, 6),
              f.Rat(0x011A, 877, 10), f.Texte(0x0132, "2006:07:14 10:20:30")};
    f.exif = {f.Rat(0x829A, 1, 250),   f.Rat(0x829D, 4, 1),     {0x9000, 7, 4, 0, "0220", true},
              f.SRat(0x9201, 8, 1),    f.Rat(0x9202, 3, 1),     f.SRat(0x9204, -1, 3),
              f.Court(0x9207, 5),      f.Court(0x9209, 1),      f.Rat(0x920A, 71, 10),
              {0xA000, 7, 4, 0, "0100", true}, f.Court(0xA001, 65535), f.Long(0xA002, 2000),
              f.Court(0xA003, 1500),   f.Court(0xA210, 2),      f.Court(0xA217, 6),
              f.Court(0xA405, 36),     f.Court(0xA406, 3),      f.Court(0xA40A, 2)};
    return f;
}

const std::vector<Ligne> LignesAppareil = {
    {"Infos TIFF 6.0", "", 0xFF0000},
    {"Marque", "Canon", 0x8000},
    {"Modèle", "G5", 0x8000},
    {"Orientation", "Rotation à droite de 90°", 0x8000},
    {"Résolution en X", "87.7 pixels/mm", 0x8000},
    {"Date Heure", "2006:07:14 10:20:30", 0x8000},
    {"Infos EXIF", "", 0xFF0000},
    {"Durée d'exposition", "1/250 s", 0x8000},
    {"Nombre d'ouverture", "F/4", 0x8000},
    {"Version EXIF", "0220", 0x8000},
    {"Vitesse d'obturation", "1/256 s", 0x8000},
    {"Ouverture", "F/2.8", 0x8000},
    {"Correction d'exposition", "-0.3333 IL", 0x8000},
    {"Mode d'exposition", "Motif", 0x8000},
    {"Mode du Flash", "Le flash s'est déclenché", 0x8000},
    {"Focale", "7.1 mm", 0x8000},
    {"Version FlashPix", "Format FlashPix Version 1.0", 0x8000},
    {"Espace de couleur", "Non calibré", 0x8000},
    {"Largeur Image", "2000 pixels", 0x8000},
    {"Hauteur Image", "1500 pixels", 0x8000},
    {"Unité de résolution dans le plan focal", "Inch", 0x8000},
    {"Type de capteur", "Réservé", 0x8000},
    {"Focale équivalente en 24 x 36", "36", 0x8000},
    {"Type de prise de vue", "Scène de nuit", 0x8000},
    {"Transitions", "Renforcées", 0x8000},
};

class ExifFichiers : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dossier.isValid());
        QLocale::setDefault(QLocale::c());
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QString Ecrire(const QString& nom, const QByteArray& octets)
    {
        const QString chemin = dossier.filePath(nom);
        FabriqueExif::Ecrire(chemin, octets);
        return chemin;
    }

    QTemporaryDir dossier;
};

QString Formate(void (*f)(const QString&, QString&), const char* s)
{
    QString r;
    f(QString::fromLatin1(s), r);
    return r;
}

}

TEST(Exif, OrdreDesOctets)
{
    EXPECT_EQ(Inverser32(0x11223344u), 0x44332211u);
    EXPECT_EQ(Inverser16x2(0x11223344u), 0x22114433u);
    for (uint32_t x : {0u, 1u, 0x80000000u, 0xDEADBEEFu, 0x00FF00FFu}) {
        EXPECT_EQ(Inverser32(Inverser32(x)), x);
        EXPECT_EQ(Inverser16x2(Inverser16x2(x)), x);
    }
    // Entrée SHORT grand-boutiste 0112 0003 00000001 0006 0000 : la valeur est la première moitié.
    TEntreeIFD e{0x1201, 0x0300, 0x01000000, 0x00000600};
    ConvertirEntreeMM(e);
    EXPECT_EQ(e.Tag, 0x0112);
    EXPECT_EQ(e.Type, 3);
    EXPECT_EQ(e.Nombre, 1u);
    EXPECT_EQ(e.Valeur, 6u);
    // LONG : les quatre octets retournés.
    TEntreeIFD l{0x0287, 0x0400, 0x01000000, 0x9E000000};
    ConvertirEntreeMM(l);
    EXPECT_EQ(l.Tag, 0x8702);
    EXPECT_EQ(l.Valeur, 0x9Eu);
}

TEST(Exif, Formateurs)
{
    QLocale::setDefault(QLocale::c());
    struct Cas { void (*f)(const QString&, QString&); const char* s; const char* attendu; };
    const Cas cas[] = {
        {&TExif::FormaterDureeExposition, "00000001000000FA", "1/250"},
        {&TExif::FormaterDureeExposition, "0000000200000001", "2"},
        {&TExif::FormaterDureeExposition, "0000000300000002", "1.5"},
        {&TExif::FormaterDureeExposition, "0000000100000003", "1/3"},
        {&TExif::FormaterDureeExposition, "0000000A00000000", "-"},
        {&TExif::FormaterDureeExposition, "000000000000000A", "-"},
        {&TExif::FormaterDureeExposition, "0000000200000005", "1/2"},  // 2,5 : moitié vers le pair
        {&TExif::FormaterOuverture, "0000000400000001", "4"},
        {&TExif::FormaterOuverture, "0000000300000001", "2.8"},
        {&TExif::FormaterOuverture, "0000000500000000", "-"},
        {&TExif::FormaterVitesseObturation, "0000000800000001", "1/256"},
        {&TExif::FormaterVitesseObturation, "FFFFFFFF00000001", "2"},
        {&TExif::FormaterVitesseObturation, "0000000000000001", "1/1"},
        {&TExif::FormaterVitesseObturation, "0000000800000000", "-"},
        {&TExif::FormaterRationnel, "0000036D0000000A", "87.7"},
        {&TExif::FormaterRationnel, "FFFFFFFF00000003", "-0.3333"},
        {&TExif::FormaterRationnel, "0000000100000000", "-"},
        {&TExif::FormaterRationnel, "80000000FFFFFFFF", "2.147e+09"},
        // Valeur décimale d'une entrée LONG : 8 premiers caractères et 8 suivants.
        {&TExif::FormaterRationnel, "123456789", "3.394e+07"},
        {&TExif::FormaterRationnel, "4294967295", "7.497e+06"},
        {&TExif::FormaterRationnel, "123456789012345", "2.022"},
        {&TExif::FormaterDureeExposition, "123456789", "3.394e+07"},
        {&TExif::FormaterOuverture, "000000041", "4"},
        {&TExif::FormaterVitesseObturation, "000000081", "1/256"},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(Formate(c.f, c.s), QString::fromUtf8(c.attendu)) << c.s;

    // Le séparateur décimal suit la langue de l'utilisateur, sans grouper les milliers.
    for (const QLocale& langue : {QLocale(QLocale::French, QLocale::France), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(langue);
        const bool fr = langue.language() == QLocale::French;
        EXPECT_EQ(Formate(&TExif::FormaterDureeExposition, "0000000300000002"), fr ? "1,5" : "1.5");
        EXPECT_EQ(Formate(&TExif::FormaterOuverture, "0000000300000001"), fr ? "2,8" : "2.8");
        EXPECT_EQ(Formate(&TExif::FormaterRationnel, "00000BB800000001"), "3000");
        EXPECT_EQ(Formate(&TExif::FormaterDureeExposition, "0000270F00000001"), "9999");
    }
    QLocale::setDefault(QLocale::system());
}

TEST(Exif, FormateursRefusentCeQuiNEstPasUnNombre)
{
    for (auto f : {&TExif::FormaterRationnel, &TExif::FormaterDureeExposition, &TExif::FormaterOuverture,
                   &TExif::FormaterVitesseObturation}) {
        EXPECT_THROW(Formate(f, ""), Erreur);
        EXPECT_THROW(Formate(f, "36"), Erreur);
        EXPECT_THROW(Formate(f, "0000000G00000001"), Erreur);
        EXPECT_THROW(Formate(f, "12345678"), Erreur);
        EXPECT_THROW(Formate(f, "1234567-9"), Erreur);
        EXPECT_THROW(Formate(f, "0x000001000000001"), Erreur);
    }
    // Un résultat hors des entiers n'est pas arrondi en silence.
    EXPECT_THROW(Formate(&TExif::FormaterVitesseObturation, "7FFFFFFF00000001"), Erreur);
    EXPECT_THROW(Formate(&TExif::FormaterOuverture, "7FFFFFFF00000001"), Erreur);
    // Round échoue exactement hors des entiers 64 bits : 2^63 en dehors, 2^62,99 dedans.
    EXPECT_THROW(Formate(&TExif::FormaterVitesseObturation, "0000003F00000001"), Erreur);
    EXPECT_THROW(Formate(&TExif::FormaterVitesseObturation, "FFFFFFC100000001"), Erreur);
    EXPECT_EQ(Formate(&TExif::FormaterVitesseObturation, "0000003E00000001"), "1/4611686018427387904");
    EXPECT_EQ(Formate(&TExif::FormaterVitesseObturation, "FFFFE76500000064").size(), 19);
}

TEST_F(ExifFichiers, LesDeuxOrdresAvecEtSansApp0)
{
    for (bool mm : {false, true})
        for (bool app0 : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mm " << mm << " app0 " << app0);
            const QString nom = Ecrire("photo.JPG", Appareil(mm, app0).Fichier());
            TExif e;
            ASSERT_TRUE(e.LireFichier(nom));
            EXPECT_EQ(e.OrdreOctets, mm ? 'M' : 'I');
            EXPECT_EQ(e.OffsetExif, Appareil(mm, app0).DebutExif());
            EXPECT_EQ(Lignes(e), LignesAppareil);
            EXPECT_NEAR(double(AngleParPixel(nom)), 0.000463648, 5e-10);
        }
    EXPECT_EQ(AngleParPixel(dossier.filePath("photo.JPG")), 2.0L * atanl(0.5L) / 2000);
}

// Une résolution en LONG de 9 ou 10 chiffres ne fait pas refuser la photo.
TEST_F(ExifFichiers, ResolutionEnEntierLongDeNeufOuDixChiffres)
{
    QLocale::setDefault(QLocale::c());
    const struct { uint32_t valeur; const char* texte; } cas[] = {
        {123456789u, "3.394e+07 pixels/mm"}, {4294967295u, "7.497e+06 pixels/mm"}};
    for (bool mm : {false, true})
        for (const auto& c : cas) {
            SCOPED_TRACE(testing::Message() << "mm " << mm << " " << c.valeur);
            FabriqueExif f = Appareil(mm, false);
            f.ifd0[3] = f.Long(0x011A, c.valeur);
            const QString nom = Ecrire("long.jpg", f.Fichier());
            TExif e;
            ASSERT_TRUE(e.LireFichier(nom));
            std::vector<Ligne> attendu = LignesAppareil;
            attendu[4].valeur = QString::fromLatin1(c.texte);
            EXPECT_EQ(Lignes(e), attendu);
            EXPECT_NEAR(double(AngleParPixel(nom)), 0.000463648, 5e-10);
        }
    QLocale::setDefault(QLocale::system());
}

TEST_F(ExifFichiers, ExtensionsExaminees)
{
    const QByteArray octets = Appareil(false, false).Fichier();
    for (const char* nom : {"a.jpg", "b.JPG", "c.Jpg", "d.x.jpg"})
        EXPECT_GT(AngleParPixel(Ecrire(nom, octets)), 0.0L) << nom;
    for (const char* nom : {"e.jpeg", "f.JPEG", "g.jpg.bmp", "h"}) {
        TExif e;
        EXPECT_FALSE(e.LireFichier(Ecrire(nom, octets))) << nom;
        EXPECT_EQ(e.Infos.Liste.Libelles.size(), 0) << nom;
        EXPECT_EQ(AngleParPixel(dossier.filePath(nom)), 0.0L) << nom;
    }
    EXPECT_EQ(AngleParPixel(dossier.filePath("absent.jpg")), 0.0L);
    QDir(dossier.path()).mkdir("dossier.jpg");
    EXPECT_EQ(AngleParPixel(dossier.filePath("dossier.jpg")), 0.0L);
    // Un tube n'est pas attendu : il est refusé.
    const Tube tube(dossier.filePath("tube.jpg").toStdString());
    try {
        AngleParPixel(dossier.filePath("tube.jpg"));
        ADD_FAILURE();
    } catch (const Erreur& e) {
        EXPECT_EQ(e.Message(), MsgPasFichierOrdinaire);
    }
}

TEST_F(ExifFichiers, DebutsSansDonnees)
{
    // Pas de FF D8 : examiné, liste vide.
    TExif a;
    EXPECT_TRUE(a.LireFichier(Ecrire("a.jpg", QByteArray("\x89PNG\r\n\x1A\n....", 12))));
    EXPECT_TRUE(a.Infos.Liste.Libelles.isEmpty());
    EXPECT_EQ(AngleParPixel(dossier.filePath("a.jpg")), 0.0L);

    // FF D8 suivi d'une table de quantification : pas d'information.
    TExif b;
    EXPECT_FALSE(b.LireFichier(Ecrire("b.jpg", QByteArray("\xFF\xD8\xFF\xDB\x00\x43\x00\x01\x02\x03\x04\x05", 12))));
    EXPECT_EQ(Lignes(b), (std::vector<Ligne>{{"", "Pas d'information", 0xFF}}));

    // Sans pointeur vers le répertoire EXIF : la seule section TIFF.
    FabriqueExif f(false);
    f.ifd0 = {f.Court(0x0112, 9)};
    f.avecPointeurExif = false;
    TExif c;
    EXPECT_TRUE(c.LireFichier(Ecrire("c.jpg", f.Fichier())));
    EXPECT_EQ(Lignes(c), (std::vector<Ligne>{{"Infos TIFF 6.0", "", 0xFF0000}, {"Orientation", "Non définie", 0x8000}}));
    EXPECT_EQ(AngleParPixel(dossier.filePath("c.jpg")), 0.0L);
}

TEST_F(ExifFichiers, AngleNulQuandLaFocaleOuLaLargeurManque)
{
    struct Cas { const char* nom; std::vector<EntreeFab> exif; };
    FabriqueExif f(false);
    const Cas cas[] = {
        {"focale0.jpg", {f.Long(0xA002, 2000), f.Court(0xA405, 0)}},
        {"sansfocale.jpg", {f.Long(0xA002, 2000)}},
        {"largeur0.jpg", {f.Long(0xA002, 0), f.Court(0xA405, 36)}},
        {"largeurtexte.jpg", {f.Texte(0xA002, "grand"), f.Court(0xA405, 36)}},
        {"focaletexte.jpg", {f.Long(0xA002, 2000), f.Texte(0xA405, "35mm")}},
        {"negative.jpg", {{0xA002, 9, 1, uint32_t(-2000)}, f.Court(0xA405, 36)}},
    };
    for (const Cas& c : cas) {
        FabriqueExif g(false);
        g.exif = c.exif;
        EXPECT_EQ(AngleParPixel(Ecrire(c.nom, g.Fichier())), 0.0L) << c.nom;
    }
    // La première ligne d'un libellé répété est celle qui compte.
    FabriqueExif g(true);
    g.exif = {g.Court(0xA405, 50), g.Long(0xA002, 1000), g.Court(0xA405, 36)};
    const QString nom = Ecrire("double.jpg", g.Fichier());
    EXPECT_EQ(AngleParPixel(nom), 2.0L * atanl(18.0L / 50) / 1000);
}

TEST_F(ExifFichiers, ValeursDesTypes)
{
    for (bool mm : {false, true}) {
        SCOPED_TRACE(mm);
        FabriqueExif f(mm);
        f.ifd0 = {f.Texte(0x010E, "abc"),  // 4 octets en ligne
                  {0x010F, 2, 3, 0, "XYZW", true},  // au plus "nombre" caractères
                  {0x0110, 2, 10, 0, QByteArray("Mo\0dele\0\0\0", 10)},
                  {0x8298, 8, 1, 5}};  // type inconnu : valeur vide
        f.exif = {{0x9286, 7, 12, 0, QByteArray("ASCII\0\0\0abc\0", 12)}, {0xA002, 9, 1, uint32_t(-7)},
                  {0xA003, 1, 1, 0}, {0x9000, 7, 2, 0, QByteArray("0\0" "2\0", 4), true}};  // 4 octets, nuls compris
        TExif e;
        ASSERT_TRUE(e.LireFichier(Ecrire("types.jpg", f.Fichier())));
        const std::vector<Ligne> attendu = {
            {"Infos TIFF 6.0", "", 0xFF0000}, {"Description", "abc", 0x8000}, {"Marque", "XYZ", 0x8000},
            {"Modèle", "Mo", 0x8000},         {"Copyright", "", 0x8000},      {"Infos EXIF", "", 0xFF0000},
            {"Commentaires", "ASCII", 0x8000}, {"Largeur Image", "-7 pixels", 0x8000},
            {"Hauteur Image", "0 pixels", 0x8000},    {"Version EXIF", QString::fromLatin1("0\0" "2\0", 4), 0x8000},
        };
        EXPECT_EQ(Lignes(e), attendu);
    }
}

TEST_F(ExifFichiers, EnumerationsEtRepetitions)
{
    FabriqueExif f(false);
    f.ifd0 = {f.Court(0x0112, 0), f.Court(0x0112, 1), f.Court(0x0112, 4)};
    f.exif = {f.Court(0x9207, 255), f.Court(0x9207, 9), f.Court(0xA402, 2), f.Court(0x9209, 3),
              f.Court(0xA001, 1),   f.Court(0xA210, 3), f.Court(0xA217, 8), f.Court(0xA401, 1),
              f.Court(0xA403, 0),   f.Court(0xA408, 1), f.Court(0xA409, 2), {0xA000, 7, 4, 0, "0110", true},
              {0x927C, 7, 100000, 0x7FFFFFF0}};  // note du fabricant : ignorée, jamais lue
    TExif e;
    ASSERT_TRUE(e.LireFichier(Ecrire("enum.jpg", f.Fichier())));
    const std::vector<Ligne> attendu = {
        {"Infos TIFF 6.0", "", 0xFF0000},
        {"Orientation", "Non définie", 0x8000},
        {"Orientation", "Normal", 0x8000},
        {"Orientation", "Rotation de 180) + miroir", 0x8000},
        {"Infos EXIF", "", 0xFF0000},
        {"Mode d'exposition", "Autre", 0x8000},
        {"Mode d'exposition", "Réservé", 0x8000},
        {"Mode d'exposition", "Différenciée", 0x8000},
        {"Mode du Flash", "Réservé", 0x8000},
        {"Espace de couleur", "sRVB", 0x8000},
        {"Unité de résolution dans le plan focal", "Non défini", 0x8000},
        {"Type de capteur", "Capteur linéaire couleur séquentiel", 0x8000},
        {"Rendu particulier", "Processus personnalisé", 0x8000},
        {"Balance des blancs", "Automatique", 0x8000},
        {"Contraste", "Adouci", 0x8000},
        {"Saturation", "Renforcée", 0x8000},
        {"Version FlashPix", "Réservé", 0x8000},
    };
    EXPECT_EQ(Lignes(e), attendu);
}

TEST_F(ExifFichiers, DouzeEtQuaranteEtUneEntreesQuelQueSoitLeCompte)
{
    FabriqueExif f(false);
    const EntreeFab inconnue{0xC000, 3, 1, 0};
    f.ifd0 = std::vector<EntreeFab>(10, inconnue);  // après le pointeur EXIF
    f.ifd0.push_back(f.Texte(0x010F, "Douze"));
    f.ifd0.push_back(f.Texte(0x0110, "Treize"));
    f.exif = std::vector<EntreeFab>(45, inconnue);
    f.exif[25] = f.Long(0xA002, 2000);
    f.exif[40] = f.Court(0xA405, 36);
    f.exif[41] = f.Court(0xA003, 1500);
    const std::vector<Ligne> attendu = {
        {"Infos TIFF 6.0", "", 0xFF0000}, {"Marque", "Douze", 0x8000},        {"Infos EXIF", "", 0xFF0000},
        {"Largeur Image", "2000 pixels", 0x8000}, {"Focale équivalente en 24 x 36", "36", 0x8000},
    };
    // Comptes exacts (13 et 45), puis mensongers.
    for (int compte : {-1, 3}) {
        f.compteIfd0 = f.compteExif = compte;
        TExif e;
        ASSERT_TRUE(e.LireFichier(Ecrire("compte.jpg", f.Fichier())));
        EXPECT_EQ(Lignes(e), attendu) << compte;
    }
}

TEST_F(ExifFichiers, BlocsMensongersLevantUneErreur)
{
    struct Cas { const char* nom; EntreeFab entree; QString message; };
    const QString pasEntier = QStringLiteral("'Auto' n'est pas une valeur entière correcte");
    const QString lecture = QString::fromUtf8(MsgLectureExif);
    const Cas cas[] = {
        {"offset.jpg", {0x9003, 2, 20, 0xFFFFFFF0}, lecture},
        {"compte.jpg", {0x9003, 2, 0xFFFFFFFF, 8}, lecture},
        {"rationnel.jpg", {0x829A, 5, 1, 0x7FFFFFFF}, lecture},
        {"indefini.jpg", {0x9286, 7, 0x40000000, 0}, lecture},
        {"enum.jpg", FabriqueExif::Texte(0xA403, "Auto"), pasEntier},
    };
    for (const Cas& c : cas) {
        FabriqueExif f(false);
        f.exif = {c.entree};
        const QString nom = Ecrire(c.nom, f.Fichier());
        try {
            AngleParPixel(nom);
            ADD_FAILURE() << c.nom;
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), c.message) << c.nom;
        }
    }
    // Un pointeur EXIF au-delà du fichier.
    FabriqueExif f(true);
    f.avecPointeurExif = false;
    f.ifd0 = {f.Long(0x8769, 0x10000000)};
    EXPECT_THROW(AngleParPixel(Ecrire("pointeur.jpg", f.Fichier())), Erreur);
}

TEST_F(ExifFichiers, FichierTronqueAChaqueLongueur)
{
    // Chaque coupure finit par une liste ou par Erreur, jamais par une lecture hors du fichier.
    const QByteArray complet = Appareil(true, true).Fichier();
    int erreurs = 0;
    for (int n = 0; n < complet.size(); n += 7) {
        const QString nom = Ecrire("coupe.jpg", complet.left(n));
        try {
            TExif e;
            e.LireFichier(nom);
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(MsgLectureExif)) << n;
            ++erreurs;
        }
    }
    EXPECT_GT(erreurs, 0);
}

// Des comptes de plusieurs Mo sur une même queue : chaque texte s'arrête à son
// premier nul et n'en garde que ce qu'on lit, suivi de « … ».
TEST_F(ExifFichiers, TextesLongsPlafonnesSurUneQueuePartagee)
{
    const int Max = LongueurMaxTexteExif;
    const QString Suite(QChar(0x2026));
    const auto Fois = [](int n, char c) { return QString(n, QLatin1Char(c)); };
    const uint32_t Mo = 3u << 20;
    for (bool mm : {false, true}) {
        SCOPED_TRACE(mm);
        FabriqueExif f(mm);
        // La zone de données : Max 'B', Max + 1 'C', "court", chacun fini par un nul, puis 'A' jusqu'au bout.
        QByteArray zone = QByteArray(Max, 'B') + '\0' + QByteArray(Max + 1, 'C') + '\0' + "court" + '\0';
        const uint32_t B = f.DebutDonnees(), C = B + uint32_t(Max) + 1, Court = C + uint32_t(Max) + 2;
        const uint32_t A = B + uint32_t(zone.size());
        zone += QByteArray(Mo, 'A');
        // Jusqu'à la fin du fichier : la queue et le marqueur FF D9.
        const uint32_t Reste = Mo + 2;
        f.ifd0 = {{0xC001, 7, uint32_t(zone.size()), 0, zone},  // inconnue : porte la zone
                  {0x010F, 2, Mo, A},       {0x010E, 2, uint32_t(Max) + 1, A}, {0x0110, 2, uint32_t(Max), A},
                  {0x8298, 2, Mo, B},       {0x0132, 2, Reste, A}};
        f.exif = {{0x9286, 2, Mo, A},  {0x9286, 7, Mo, A},     {0x9286, 2, Mo, C},
                  {0x9286, 7, Mo, Court}, f.Long(0xA002, 2000), f.Court(0xA405, 36)};
        ASSERT_EQ(f.DebutDonnees(), B);
        const QString nom = Ecrire("queue.jpg", f.Fichier());
        TExif e;
        ASSERT_TRUE(e.LireFichier(nom));
        const std::vector<Ligne> attendu = {
            {"Infos TIFF 6.0", "", 0xFF0000},
            {"Marque", Fois(Max, 'A') + Suite, 0x8000},
            {"Description", Fois(Max, 'A') + Suite, 0x8000},  // compte Max + 1 sans nul
            {"Modèle", Fois(Max, 'A'), 0x8000},               // compte Max tout juste
            {"Copyright", Fois(Max, 'B'), 0x8000},            // nul juste après Max
            {"Date Heure", Fois(Max, 'A') + Suite, 0x8000},   // jusqu'au dernier octet
            {"Infos EXIF", "", 0xFF0000},
            {"Commentaires", Fois(Max, 'A') + Suite, 0x8000},
            {"Commentaires", Fois(Max, 'A') + Suite, 0x8000},
            {"Commentaires", Fois(Max, 'C') + Suite, 0x8000},  // nul un cran trop loin
            {"Commentaires", "court", 0x8000},
            {"Largeur Image", "2000 pixels", 0x8000},
            {"Focale équivalente en 24 x 36", "36", 0x8000},
        };
        EXPECT_EQ(Lignes(e), attendu);
        for (const QString& v : e.Infos.Liste.Valeurs)
            EXPECT_LE(v.size(), Max + 1);
        EXPECT_NEAR(double(AngleParPixel(nom)), 0.000463648, 5e-10);

        // Un octet de plus que le fichier n'en tient : la lecture échoue toujours.
        f.ifd0[5].nombre = Reste + 1;
        const QString trop = Ecrire("queue.jpg", f.Fichier());
        try {
            AngleParPixel(trop);
            ADD_FAILURE();
        } catch (const Erreur& x) {
            EXPECT_EQ(x.Message(), QString::fromUtf8(MsgLectureExif));
        }
    }
}
