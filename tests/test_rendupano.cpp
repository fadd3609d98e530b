#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "core/RenduPano.h"
#include "core/UtilsPano.h"
#include "platform/Erreur.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"

namespace {

TPixel Gris(uint8_t v)
{
    return {v, v, v};
}

// Série de n images unies déjà « assemblées » : chaque image commence
// DecalX colonnes dans la précédente et sa jonction est verticale en colonne 0.
class Rendu : public ::testing::Test
{
protected:
    TFausseFenetre fenetre;
    Bitmap pano;

    void SetUp() override
    {
        fenetre.corrChro.setChecked(false);
        BmpPano = &pano;
        ListeImgs.clear();
        ImgsAssemblage.clear();
        TablesPixels.clear();
        LargeurRecouvrement = 20;
        FracDebutHaut = 0.1L;
        FracFinHaut = 0.4L;
        FracDebutBas = 0.5L;
        FracFinBas = 0.8L;
    }
    void TearDown() override
    {
        BmpPano = nullptr;
        ListeImgs.clear();
        ImgsAssemblage.clear();
        TablesPixels.clear();
        LargeurRecouvrement = 20;
    }

    void Serie(const std::vector<int>& gris, int largeur, int hauteur, int decal,
               bool ouvert = true)
    {
        const int n = static_cast<int>(gris.size());
        ImgsAssemblage.clear();
        TablesPixels.clear();
        for (int i = 0; i < n; ++i) {
            TInfosImg img{};
            img.Largeur = largeur;
            img.Hauteur = hauteur;
            img.CoefHG = img.CoefBG = img.CoefHD = img.CoefBD = 1.0L;
            for (auto& coin : img.FacteursRVB)
                for (float& f : coin)
                    f = 1.0f;
            img.DecalX = i == 0 ? (ouvert ? largeur : decal) : decal;
            img.PenteJonction = PenteVerticale();
            img.OrdonneeJonction = 0.0L;
            ImgsAssemblage.push_back(img);
            TPtImg t;
            t.SetLength(largeur, hauteur);
            for (int y = 0; y < hauteur; ++y)
                for (int x = 0; x < largeur; ++x)
                    t[x][y] = Gris(static_cast<uint8_t>(gris[i]));
            TablesPixels.push_back(t);
        }
        ListeImgs = ImgsAssemblage;
        pano.SetSize(largeur + (n - 1) * decal, hauteur);
        pano.Fill(7, 7, 7);
    }

    // Lignes y0..y1 - 1 de la table de l'image i, d'un seul pixel.
    void RemplirLignes(int i, int y0, int y1, TPixel p)
    {
        TPtImg& t = TablesPixels[i];
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < t.Largeur(); ++x)
                t[x][y] = p;
    }

    // Place la jonction de l'image i en colonne xs sur toutes les lignes.
    void JonctionEn(int i, int xs)
    {
        ImgsAssemblage[i].PenteJonction = 1.0e9L;
        ImgsAssemblage[i].OrdonneeJonction = -1.0e9L * xs;
    }
};

TEST(MoyenneSegment, BandesEtFractions)
{
    std::vector<double> tab(42000);
    for (size_t j = 0; j < tab.size(); ++j)
        tab[j] = static_cast<double>(j);
    struct Cas { long double debut, fin; long double moyenne; };
    const Cas cas[] = {
        {0.1L, 0.4L, (4200.0L + 16800.0L) / 2},   // lignes 100 à 400
        {0.5L, 0.8L, (21000.0L + 33599.0L) / 2},  // 20999,5 arrondi au pair
        {1.1L, 1.4L, (4200.0L + 16800.0L) / 2},   // seule la partie fractionnaire compte
        {0.0L, 0.0L, 0.0L},
    };
    for (const Cas& c : cas) {
        long double moy = -1;
        MoyenneSegment(tab, moy, c.debut, c.fin);
        EXPECT_EQ(moy, c.moyenne) << static_cast<double>(c.debut);
    }
}

TEST(MoyenneSegment, BandeVideLeveErreur)
{
    std::vector<double> tab(11, 5.0);
    long double moy = 0;
    // Fin juste avant le début : 0 / 0.
    EXPECT_THROW(MoyenneSegment(tab, moy, 0.5L, 0.4L), Erreur);
    // Fin bien avant : moyenne nulle, c'est le rapport qui échouera.
    MoyenneSegment(tab, moy, 0.9L, 0.1L);
    EXPECT_EQ(moy, 0.0L);
}

TEST_F(Rendu, FonduRampeDepuisLePremierPixelMelange)
{
    LargeurRecouvrement = 4;
    for (int fils : {1, 2, 8}) {
        DefinirNombreFils(fils);
        Serie({0, 200}, 40, 50, 20);
        JonctionEn(1, 10);
        FiltrerRecouvrements();
        // Jonction en colonne 10 de l'image 1 = colonne 30 du panorama.
        const int attendus[] = {0, 25, 50, 75, 100, 125, 150, 175, 200};
        for (int y = 0; y < 50; ++y) {
            const uint8_t* l = pano.Ligne(y);
            for (int k = 0; k < 9; ++k)
                ASSERT_EQ(l[3 * (26 + k)], attendus[k]) << k << " fils " << fils;
            ASSERT_EQ(l[3 * 25], 7);
            ASSERT_EQ(l[3 * 35], 7);
        }
    }
    DefinirNombreFils(0);
    EXPECT_EQ(fenetre.nbZoom, 3);

    const Bitmap une = pano;
    FiltrerRecouvrements();
    EXPECT_TRUE(pano == une) << "le fondu ne lit que les tables";
}

TEST_F(Rendu, FonduArrondiCoupeADroiteChevauchementEtImageSeule)
{
    const TPixel f = Gris(7);  // fond laissé par la déformation
    struct Cas
    {
        const char* nom;
        std::function<void()> preparer;
        int colonne;  // première colonne vérifiée du panorama
        std::vector<TPixel> attendus;
    };
    const Cas cas[] = {
        // t = kb / 8 : 4t, 4(1 - t) et 1 + 2t tombent sur des demis, arrondis au pair.
        {"demis",
         [&] {
             Serie({0, 0}, 40, 6, 20);
             JonctionEn(1, 10);
             RemplirLignes(0, 0, 6, {0, 4, 1});
             RemplirLignes(1, 0, 6, {4, 0, 3});
         },
         25,
         {f, {0, 4, 1}, {0, 4, 1}, {1, 3, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {3, 1, 2}, {4, 0, 3},
          {4, 0, 3}, f}},
        // Bande x = 4..12 de l'image 1 ; la précédente s'arrête en x = 9.
        {"coupee a droite",
         [&] {
             Serie({0, 200}, 40, 6, 30);
             JonctionEn(1, 8);
         },
         33,
         {f, Gris(0), Gris(25), Gris(50), Gris(75), Gris(100), Gris(125), f, f, f, f}},
        // Image 1 visible sur 4 colonnes : la jonction 2 (colonnes 34 à 40)
        // écrit après la jonction 1 (colonnes 30 à 36).
        {"bandes chevauchantes",
         [&] {
             Serie({0, 100, 200}, 40, 6, 30);
             ImgsAssemblage[2].DecalX = 4;
             JonctionEn(1, 2);
             JonctionEn(2, 2);
         },
         29,
         {f, Gris(0), Gris(12), Gris(25), Gris(38), Gris(100), Gris(112), Gris(125), Gris(138),
          Gris(150), Gris(162), Gris(175), f}},
        {"image seule", [&] { Serie({50}, 40, 6, 0); }, 0, std::vector<TPixel>(40, f)},
    };
    LargeurRecouvrement = 4;
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ImgsAssemblage.clear();
        TablesPixels.clear();
        c.preparer();
        const int zooms = fenetre.nbZoom;
        FiltrerRecouvrements();
        EXPECT_EQ(fenetre.nbZoom, zooms + 1);
        for (int y = 0; y < 6; ++y)
            for (size_t k = 0; k < c.attendus.size(); ++k) {
                const uint8_t* p = pano.Ligne(y) + 3 * (c.colonne + k);
                EXPECT_EQ((TPixel{p[0], p[1], p[2]}), c.attendus[k]) << c.colonne + k << "," << y;
            }
    }
}

TEST_F(Rendu, FonduCoupeAuBordGaucheEtSousLaPlusCourte)
{
    LargeurRecouvrement = 4;
    Serie({0, 200}, 40, 6, 30);
    JonctionEn(1, 2);
    TablesPixels[1].SetLength(40, 4);
    ImgsAssemblage[1].Hauteur = 4;
    FiltrerRecouvrements();
    // La bande commence en x = -2 : la rampe part de la colonne 0 de l'image 1.
    const uint8_t* l = pano.Ligne(0);
    EXPECT_EQ(l[3 * 30], 0);
    EXPECT_EQ(l[3 * 31], 25);
    EXPECT_EQ(l[3 * 36], 150);
    EXPECT_EQ(l[3 * 37], 7);
    // Les lignes que l'image 1 n'a pas restent intactes.
    EXPECT_EQ(pano.Ligne(4)[3 * 31], 7);
}

TEST_F(Rendu, FonduSansLargeurNeChangeRien)
{
    Serie({0, 200, 100}, 40, 6, 30);
    const Bitmap avant = pano;
    for (int L : {0, -3}) {
        LargeurRecouvrement = L;
        FiltrerRecouvrements();
        EXPECT_TRUE(pano == avant) << L;
    }
}

TEST_F(Rendu, FonduJonctionNonCalculeeLeveErreur)
{
    // La jonction 1 est mélangée sur toutes les lignes avant que la 2 échoue.
    LargeurRecouvrement = 4;
    for (int fils : {1, 2, 8}) {
        DefinirNombreFils(fils);
        Serie({0, 200, 100}, 40, 60, 20);
        JonctionEn(1, 10);
        ImgsAssemblage[2].PenteJonction = 0.0L;
        try {
            FiltrerRecouvrements();
            FAIL();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), QString(MsgOperationIncorrecte));  // ligne 0 : 0 / 0
        }
        for (int y = 0; y < 60; ++y) {
            ASSERT_EQ(pano.Ligne(y)[3 * 30], 100) << y << " fils " << fils;
            ASSERT_EQ(pano.Ligne(y)[3 * 42], 7) << y << " fils " << fils;
        }
    }
    DefinirNombreFils(0);
    EXPECT_EQ(fenetre.nbZoom, 0);
}

TEST_F(Rendu, ColonneDeJonctionDansLesEntiers64Bits)
{
    // Jonction de pente ±1 : seule la ligne 0 touche la limite.
    struct Cas {
        long double pente, ordonnee;
        bool erreur;
    };
    for (const Cas& c : {Cas{-1.0L, 0x1p63L - 1.0L, false}, Cas{-1.0L, 0x1p63L - 0.5L, true},
                         Cas{1.0L, 0x1p63L, false}, Cas{1.0L, 0x1p63L + 1.0L, true}}) {
        Serie({0, 200}, 40, 6, 30);
        ImgsAssemblage[1].PenteJonction = c.pente;
        ImgsAssemblage[1].OrdonneeJonction = c.ordonnee;
        const Bitmap avant = pano;
        if (c.erreur) {
            EXPECT_THROW(FiltrerRecouvrements(), Erreur) << static_cast<double>(c.ordonnee);
        } else {
            FiltrerRecouvrements();
            EXPECT_TRUE(pano == avant) << "bande loin de l'image";
        }
    }
}

TEST_F(Rendu, RepriseEclaircitLImageSombre)
{
    // Rapport 1,25 : une itération à 1 + 0,9 × 0,25, puis une à 1.
    const long double attendu = 1.0L * (0.25L * 0.9L + 1.0L);
    for (int fils : {1, 2, 8}) {
        DefinirNombreFils(fils);
        Serie({125, 100, 125}, 100, 50, 60);
        const std::vector<TPtImg> tables = TablesPixels;
        ASSERT_TRUE(ReprendreHarmonisation(1));
        for (const TImgs* liste : {&ImgsAssemblage, &ListeImgs}) {
            const TInfosImg& img = (*liste)[1];
            EXPECT_EQ(static_cast<long double>(img.CoefHG), attendu) << fils;
            EXPECT_EQ(static_cast<long double>(img.CoefBG), attendu) << fils;
            EXPECT_EQ(static_cast<long double>(img.CoefHD), attendu) << fils;
            EXPECT_EQ(static_cast<long double>(img.CoefBD), attendu) << fils;
        }
        EXPECT_TRUE(TablesPixels == tables);
    }
    DefinirNombreFils(0);
    Serie({125, 100, 125}, 100, 50, 60);
    ASSERT_TRUE(ReprendreHarmonisation(1));

    ASSERT_TRUE(ReprendreHarmonisation(1));
    EXPECT_EQ(static_cast<long double>(ListeImgs[1].CoefHG), attendu * attendu);
}

TEST_F(Rendu, RepriseBoutsOuvertsNeutres)
{
    fenetre.corrChro.setChecked(true);
    Serie({125, 100, 90}, 100, 50, 60);
    ASSERT_TRUE(ReprendreHarmonisation(0));
    const TInfosImg& premiere = ListeImgs[0];
    EXPECT_EQ(static_cast<long double>(premiere.CoefHG), 1.0L);
    EXPECT_EQ(static_cast<long double>(premiere.CoefBG), 1.0L);
    EXPECT_GT(static_cast<long double>(premiere.CoefHD), 0.0L);
    EXPECT_LT(static_cast<long double>(premiere.CoefHD), 1.0L);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(premiere.FacteursRVB[0][c], 1.0f);
        EXPECT_EQ(premiere.FacteursRVB[3][c], 1.0f);
    }
    ASSERT_TRUE(ReprendreHarmonisation(2));
    EXPECT_EQ(static_cast<long double>(ListeImgs[2].CoefHD), 1.0L);
    EXPECT_EQ(static_cast<long double>(ListeImgs[2].CoefBD), 1.0L);
}

TEST_F(Rendu, RepriseFacteursNormalisesParCoin)
{
    fenetre.corrChro.setChecked(true);
    Serie({100, 100, 100}, 100, 50, 60);
    // Le voisin de gauche est plus bleu : le coin gauche de l'image 1 suit.
    RemplirLignes(0, 0, 50, {150, 100, 75});
    ASSERT_TRUE(ReprendreHarmonisation(1));
    const TInfosImg& img = ListeImgs[1];
    EXPECT_EQ(img.FacteursRVB[0][0], 1.0f);
    EXPECT_EQ(img.FacteursRVB[0][1], static_cast<float>(1.0f / 1.5f));
    EXPECT_EQ(img.FacteursRVB[0][2], 0.5f);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(img.FacteursRVB[1][c], 1.0f);
}

TEST_F(Rendu, RepriseCoefficientsSelonLaScene)
{
    // L = 0 et 50 lignes : un échantillon par ligne, à l'indice 2y ; bandes
    // 10..40 (31 éléments) et 50..79 (30 éléments) d'un tampon de 100.
    // Une seule ligne claire par bande (20 et 25) : chaque itération multiplie
    // leur moyenne par a(40/99) et a(50/99), et les rapports s'approchent de 1
    // trop lentement pour les 11 itérations permises.
    long double u = 1.5L, v = 100.0L / 150, plafondHG = 1.0L, plafondBG = 1.0L;
    for (int r = 0; r < 11; ++r) {
        plafondHG *= 1.0L + (u - 1.0L) * 0.9L;
        plafondBG *= 1.0L + (v - 1.0L) * 0.9L;
        const long double aH = u + (v - u) * 40 / 99, aB = u + (v - u) * 50 / 99;
        u /= aH;
        v /= aB;
    }
    ASSERT_GT(std::fabs(1.0L - u), 0.01L);
    // Facteurs de couleur (1 ; 1 / 1,5 ; 0,5) appliqués aux échantillons :
    // la deuxième itération mesure 3,25 / (13/12 × somme des facteurs).
    const long double sommeFacteurs = 1.0L + static_cast<float>(1.0f / 1.5f) + 0.5L;
    const long double couleur =
        (1.0L + 0.9L / 12) * (1.0L + 0.9L * (3.25L * 12 / (13 * sommeFacteurs) - 1.0L));
    struct Cas
    {
        const char* nom;
        bool chro;
        std::function<void()> preparer;
        int k;
        long double hg, bg, hd, bd;
    };
    const Cas cas[] = {
        {"plafond de 11 iterations", false,
         [&] {
             LargeurRecouvrement = 0;
             Serie({0, 0}, 40, 50, 30);
             RemplirLignes(0, 20, 21, Gris(150));
             RemplirLignes(0, 25, 26, Gris(100));
             RemplirLignes(1, 20, 21, Gris(100));
             RemplirLignes(1, 25, 26, Gris(150));
         },
         1, plafondHG, plafondBG, 1.0L, 1.0L},
        {"echantillons recolores", true,
         [&] {
             Serie({100, 100, 100}, 100, 50, 60);
             RemplirLignes(0, 0, 50, {150, 100, 75});
         },
         1, couleur, couleur, 1.0L, 1.0L},
        // Boucle, image 0 : à gauche, ses tampons G et ceux D de la dernière
        // gardent 128 aux éléments impairs (16 échantillons et 15 × 128 en
        // haut, 15 et 15 en bas) ; à droite rien n'est prérempli. Une itération.
        {"boucle et prereglages", false,
         [&] {
             LargeurRecouvrement = 0;
             Serie({200, 201}, 40, 50, 30, false);
         },
         0, 1.0L + 0.9L * (5136.0L / 5120 - 1), 1.0L + 0.9L * (329.0L / 328 - 1),
         1.0L + 0.9L * (201.0L / 200 - 1), 1.0L + 0.9L * (201.0L / 200 - 1)},
        // Image 0 de 40 lignes, image 1 de 50 : tampons de 80 et 100. En haut,
        // 13 échantillons sur 25 (8..32) contre 16 sur 31 (10..40) ; en bas
        // 12 sur 24 contre 15 sur 30.
        {"hauteurs differentes", false,
         [&] {
             LargeurRecouvrement = 0;
             Serie({100, 100}, 40, 50, 30);
             ImgsAssemblage[0].Hauteur = 40;
             TablesPixels[0].SetLength(40, 40);
             RemplirLignes(0, 0, 40, Gris(100));
         },
         1, 1.0L + 0.9L * (52.0L * 31 / 1600 - 1), 1.0L, 1.0L, 1.0L},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ImgsAssemblage.clear();
        TablesPixels.clear();
        LargeurRecouvrement = 20;
        fenetre.corrChro.setChecked(c.chro);
        c.preparer();
        ASSERT_TRUE(ReprendreHarmonisation(c.k));
        const TInfosImg& img = ListeImgs[c.k];
        const long double obtenus[4] = {img.CoefHG, img.CoefBG, img.CoefHD, img.CoefBD};
        const long double attendus[4] = {c.hg, c.bg, c.hd, c.bd};
        for (int coin = 0; coin < 4; ++coin)
            EXPECT_NEAR(static_cast<double>(obtenus[coin]), static_cast<double>(attendus[coin]), 1e-12)
                << coin;
    }
}

TEST_F(Rendu, RepriseEnEchecLaisseLaListe)
{
    struct Cas
    {
        const char* nom;
        bool chro;
        std::function<void()> preparer;
        int k;
        const char* message;
        long double coef;  // des quatre coefficients de la liste de travail
    };
    const Cas cas[] = {
        {"bande noire", false, [&] { Serie({125, 0, 125}, 100, 50, 60); }, 1, MsgDivisionParZero,
         1.0L},
        // Toutes les images sont échantillonnées, même loin de l'image reprise.
        {"jonction jamais calculee", false,
         [&] {
             Serie({125, 100, 125, 100}, 100, 50, 60);
             ImgsAssemblage[2].PenteJonction = 0.0L;
         },
         0, MsgOperationIncorrecte, 1.0L},
        // Bleu nul : les coefficients (rapport 300 / 250) sont déjà multipliés
        // quand le facteur bleu divise par 0.
        {"canal nul", true,
         [&] {
             Serie({100, 100, 100}, 100, 50, 60);
             RemplirLignes(1, 0, 50, {0, 100, 150});
         },
         1, MsgDivisionParZero, 1.0L + 0.9L * 0.2L},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ImgsAssemblage.clear();
        TablesPixels.clear();
        fenetre.corrChro.setChecked(c.chro);
        c.preparer();
        const TImgs avant = ListeImgs;
        try {
            ReprendreHarmonisation(c.k);
            ADD_FAILURE();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), QString(c.message));
        }
        EXPECT_EQ(std::memcmp(avant.data(), ListeImgs.data(), avant.size() * sizeof(TInfosImg)), 0);
        const TInfosImg& img = ImgsAssemblage[c.k];
        for (const long double coef : {img.CoefHG, img.CoefBG, img.CoefHD, img.CoefBD})
            EXPECT_NEAR(static_cast<double>(coef), static_cast<double>(c.coef), 1e-12);
        EXPECT_EQ(std::memcmp(img.FacteursRVB, avant[c.k].FacteursRVB, sizeof img.FacteursRVB), 0);
    }
}

}  // namespace
