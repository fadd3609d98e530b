#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <random>

#include "core/UtilsPano.h"
#include "platform/Cp1252.h"

namespace {

// Octets bruts d'un long double : les 10 premiers seulement sont significatifs.
std::array<uint8_t, 10> Octets(long double v)
{
    std::array<uint8_t, 10> o;
    std::memcpy(o.data(), &v, 10);
    return o;
}

}  // namespace

TEST(Enregistrement, CopieDe560OctetsAllerRetour)
{
    // Des octets quelconques partout, bourrages et fins de chaînes compris.
    std::mt19937 alea(1101);
    uint8_t source[sizeof(TInfosImg)];
    for (auto& o : source)
        o = static_cast<uint8_t>(alea());
    TInfosImg img;
    std::memcpy(&img, source, sizeof img);
    TImgs liste(3);
    liste[1] = img;
    std::swap(liste[0], liste[1]);
    uint8_t relu[sizeof(TInfosImg)];
    std::memcpy(relu, &liste[0], sizeof relu);
    EXPECT_EQ(std::memcmp(source, relu, sizeof source), 0);

    // Écrire un champ ne touche ni les bourrages ni ses voisins.
    liste[0].PenteJonction = 0.5L;
    liste[0].OrdonneeJonction = -3.25L;
    std::memcpy(relu, &liste[0], sizeof relu);
    for (size_t i = 0; i < sizeof source; ++i) {
        if (i < 400 || i >= 420) {
            ASSERT_EQ(relu[i], source[i]) << "octet " << i;
        }
    }
    EXPECT_EQ(static_cast<long double>(liste[0].OrdonneeJonction), -3.25L);
}

TEST(Enregistrement, ExtendedAllerRetourExact)
{
    const long double valeurs[] = {
        1.0L, 0.1L, -0.0L, PenteVerticale(), LDBL_TRUE_MIN, LDBL_MIN / 3.0L, LDBL_MAX, -1e-4000L,
    };
    for (long double v : valeurs) {
        TInfosImg img{};
        img.CoefHG = v;
        uint8_t octets[sizeof(TInfosImg)];
        std::memcpy(octets, &img, sizeof img);
        TInfosImg relu;
        std::memcpy(&relu, octets, sizeof relu);
        const long double r = relu.CoefHG;
        EXPECT_EQ(Octets(r), Octets(v)) << static_cast<double>(v);
        EXPECT_EQ(std::memcmp(octets + offsetof(TInfosImg, CoefHG), Octets(v).data(), 10), 0);
    }
    // La pente d'une jonction verticale : 1e1000 hors de portée d'un double.
    const long double pente = PenteVerticale();
    EXPECT_TRUE(std::isfinite(pente));
    EXPECT_GT(pente, 0.9999e1000L);
    EXPECT_LT(pente, 1.0001e1000L);
    EXPECT_EQ(std::fpclassify(LDBL_MIN / 3.0L), FP_SUBNORMAL);
}

TEST(Enregistrement, ChainesCourtesCoupeesEtFinConservee)
{
    TInfosImg img;
    std::memset(&img, 0xAB, sizeof img);
    struct Cas { QString texte; int longueur; };
    const Cas cas[] = {
        {"", 0},
        {"IMG_0001.JPG", 12},
        {QString(40, QLatin1Char('x')), 31},
        {QString::fromUtf8("Répertoire €"), 12},
    };
    for (const auto& c : cas) {
        std::memset(img.Nom.car, 0xAB, sizeof img.Nom.car);
        EcrireChaineCourte(img.Nom, c.texte);
        EXPECT_EQ(img.Nom.longueur, c.longueur);
        EXPECT_EQ(LireChaineCourte(img.Nom), c.texte.left(31));
        for (int i = c.longueur; i < 31; ++i)
            EXPECT_EQ(static_cast<uint8_t>(img.Nom.car[i]), 0xAB) << i;
    }
    EXPECT_EQ(static_cast<uint8_t>(img.Repertoire.longueur), 0xAB);

    EcrireChaineCourte(img.Version, "1.1.1.0");
    EXPECT_EQ(LireChaineCourte(img.Version), "1.1.1");
    // Un octet de longueur trop grand, lu d'un fichier, reste borné.
    img.CoteEnAttente.longueur = 200;
    img.CoteEnAttente.car[0] = 'G';
    EXPECT_EQ(LireChaineCourte(img.CoteEnAttente), "G");
}

TEST(Enregistrement, Cp1252AllerRetour)
{
    struct Cas { QString texte; std::string octets; };
    const Cas cas[] = {
        {QString::fromUtf8("Répertoire"), "R\xE9pertoire"},
        {QString::fromUtf8("€"), "\x80"},
        {QString::fromUtf8("Œuvre « ÿ » — Š"), "\x8Cuvre \xAB \xFF \xBB \x97 \x8A"},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(VersCp1252(c.texte), c.octets);
        EXPECT_EQ(DepuisCp1252(c.octets), c.texte);
    }
    EXPECT_EQ(VersCp1252(QString::fromUtf8("日")), "?");
}
