#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"
#include "platform/Parallele.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

struct Bilan
{
    int egaux = 0, noirs = 0, blancs = 0, autres = 0;
};

// Chaque pixel du panoramique comparé au pixel de la scène attendu à sa place.
Bilan Comparer(const TSerie& s, const Bitmap& pano)
{
    const TAttendu r = RepereAttendu(s);
    Bilan b;
    for (int Y = 0; Y < pano.Height(); ++Y) {
        const uint8_t* l = pano.Ligne(Y);
        for (int X = 0; X < pano.Width(); ++X) {
            const uint8_t* p = l + 3 * X;
            int sx = X + r.DecalX;
            if (s.Periodique)
                sx %= s.Scene.Width();
            const int sy = Y + r.DecalY;
            const bool dedans = sx >= 0 && sx < s.Scene.Width() && sy >= 0 && sy < s.Scene.Height();
            const uint8_t* q = dedans ? s.Scene.Ligne(sy) + 3 * sx : nullptr;
            if (q && p[0] == q[0] && p[1] == q[1] && p[2] == q[2])
                ++b.egaux;
            else if (p[0] == 0 && p[1] == 0 && p[2] == 0)
                ++b.noirs;
            else if (p[0] == 255 && p[1] == 255 && p[2] == 255)
                ++b.blancs;
            else
                ++b.autres;
        }
    }
    return b;
}

// Écart du plus proche amer trouvé pour chaque amer attendu loin des bords et
// des zones noires ; renvoie le plus grand écart et compte les amers vérifiés.
double EcartAmers(const TSerie& s, const Bitmap& pano, int& nbVerifies)
{
    const TAttendu r = RepereAttendu(s);
    const std::vector<QPointF> trouves = TrouverAmers(pano);
    double pire = 0.0;
    nbVerifies = 0;
    for (const QPoint& a : s.Amers) {
        int X = a.x() - r.DecalX;
        if (s.Periodique)
            X = (X % pano.Width() + pano.Width()) % pano.Width();
        const int Y = a.y() - r.DecalY;
        if (X < 8 || Y < 8 || X >= pano.Width() - 8 || Y >= pano.Height() - 8)
            continue;
        bool noir = false;
        for (int dy = -6; dy <= 6; ++dy)
            for (int dx = -6; dx <= 6; ++dx) {
                const uint8_t* p = pano.Ligne(Y + dy) + 3 * (X + dx);
                noir = noir || (p[0] == 0 && p[1] == 0 && p[2] == 0);
            }
        if (noir)
            continue;
        double meilleur = 1e9;
        for (const QPointF& t : trouves)
            meilleur = std::min(meilleur, std::hypot(t.x() - X, t.y() - Y));
        pire = std::max(pire, meilleur);
        ++nbVerifies;
    }
    return pire;
}

// Amers contrôlés dans le repère de l'image qui les dessine en dernier : sa
// colonne de départ (somme des DecalX) et son dénivelé (DecalY) calculés par
// l'assemblage. Les arrondis de ces décalages s'accumulent d'une image à
// l'autre ; à l'intérieur d'une image, l'amer doit être à sa place.
double EcartAmersParImage(const TSerie& s, const Bitmap& pano, int& nbVerifies)
{
    const int n = static_cast<int>(s.Placements.size());
    std::vector<int> xCourant(n, 0);
    for (int i = 1; i < n; ++i)
        xCourant[i] = xCourant[i - 1] + ImgsAssemblage[i].DecalX;
    const std::vector<QPointF> trouves = TrouverAmers(pano);
    const int L = LargeurRecouvrement;
    double pire = 0.0;
    nbVerifies = 0;
    for (const QPoint& a : s.Amers)
        for (int i = n - 1; i >= 0; --i) {
            const TInfosImg& img = ImgsAssemblage[i];
            int x = a.x() - s.Placements[i].X;
            if (s.Periodique && x < 0)
                x += s.Scene.Width();
            // La table de l'image 0 est faite avant que la dernière image ne
            // lui donne son DecalY.
            const int y = a.y() - s.Placements[i].Y - (i == 0 ? 0 : img.DecalY);
            const int jonction = (img.Coins[0].X + img.Coins[3].X) / 2;
            if (x - 6 < jonction - L + 3 || x + 6 >= s.Largeur || y < 8 || y >= s.Hauteur - 8)
                continue;
            int X = xCourant[i] + x;
            if (s.Periodique && X >= pano.Width())
                X -= pano.Width();
            if (X < 8 || X >= pano.Width() - 8 || y >= pano.Height() - 8)
                break;
            double meilleur = 1e9;
            for (const QPointF& t : trouves)
                meilleur = std::min(meilleur, std::hypot(t.x() - X, t.y() - y));
            pire = std::max(pire, meilleur);
            ++nbVerifies;
            break;
        }
    return pire;
}

struct CasSerie
{
    const char* nom;
    int nb;
    bool boucle;
    int mode;
    std::vector<int> deniveles;
};

}  // namespace

TEST(AssemblageBoutEnBout, TranslationsExactes)
{
    const CasSerie cas[] = {
        {"3 ouvert proche", 3, false, 0, {0, 0, 0}},
        {"3 ouvert bilineaire", 3, false, 1, {0, 4, -3}},
        {"5 ouvert proche", 5, false, 0, {0, 6, 2, -5, 1}},
        {"5 boucle proche", 5, true, 0, {0, 3, -2, 5, 1}},
        {"5 boucle bilineaire", 5, true, 1, {0, 3, -2, 5, 1}},
    };
    const int W = 160, H = 120, pas = 110;
    for (const CasSerie& c : cas) {
        SCOPED_TRACE(c.nom);
        TFausseFenetre fenetre;
        PanoramaTest pano;
        fenetre.boucler.setChecked(c.boucle);
        fenetre.mode.setCurrentIndex(c.mode);
        const TSerie s = CreerSerie(c.nb, W, H, pas, c.deniveles, {}, c.boucle, 7);
        ChargerSerie(s, c.boucle);
        TAssembleImg dlg;
        dlg.Assembler();

        const int largeur = c.boucle ? c.nb * pas : (c.nb - 1) * pas + W;
        EXPECT_EQ(LargeurPano, largeur);
        EXPECT_EQ(HauteurPano, H);
        ASSERT_EQ(pano.bmp.Width(), largeur);
        ASSERT_EQ(pano.bmp.Height(), H);
        EXPECT_EQ(fenetre.dimPan.text(), QStringLiteral("  L = %1 px ; H = %2 px").arg(largeur).arg(H));
        for (int i = 1; i < c.nb; ++i) {
            EXPECT_EQ(ImgsAssemblage[i].DecalX, pas);
            EXPECT_EQ(ImgsAssemblage[i].DecalY, c.deniveles[i] == 0 ? 0 : -c.deniveles[i]);
        }

        // Déformations identité : chaque pixel est celui de la scène, ou noir
        // (lignes sans source d'une image décalée), ou blanc (jamais dessiné).
        const Bilan b = Comparer(s, pano.bmp);
        EXPECT_EQ(b.autres, 0);
        int lignesNoires = 0;
        for (int d : c.deniveles)
            lignesNoires = std::max(lignesNoires, std::abs(d));
        EXPECT_LE(b.noirs, (2 * lignesNoires + 1) * largeur);
        // Tout est couvert au plus proche, tour complet compris ; en bilinéaire,
        // fu et fv à peine hors de la table sur les bords laissent ceux-ci blancs.
        EXPECT_LE(b.blancs, c.mode == 0 ? 0 : 2 * largeur + 2 * c.nb * H);
        // La dernière image donne son dénivelé à l'image 0 : le sien en
        // ouvert, celui qui referme le tour (nul ici) en boucle.
        EXPECT_EQ(ImgsAssemblage[0].DecalY, c.boucle ? 0 : ImgsAssemblage[c.nb - 1].DecalY);
        int verifies = 0;
        EXPECT_LE(EcartAmers(s, pano.bmp, verifies), 0.01);
        EXPECT_GE(verifies, 3 * largeur / 29 - 6);
    }
    ViderListe();
}

TEST(AssemblageBoutEnBout, RotationsRedresseesParLHorizon)
{
    const CasSerie cas[] = {
        {"3 ouvert proche", 3, false, 0, {0, 5, -4}},
        {"5 ouvert bilineaire", 5, false, 1, {0, 3, -2, 6, 0}},
        {"5 boucle bilineaire", 5, true, 1, {0, 2, -3, 4, 1}},
    };
    const std::vector<double> angles = {0.012, -0.015, 0.009, -0.011, 0.014};
    const int W = 200, H = 150, pas = 140;
    for (const CasSerie& c : cas) {
        SCOPED_TRACE(c.nom);
        TFausseFenetre fenetre;
        PanoramaTest pano;
        fenetre.boucler.setChecked(c.boucle);
        fenetre.mode.setCurrentIndex(c.mode);
        const TSerie s = CreerSerie(c.nb, W, H, pas, c.deniveles, angles, c.boucle, 11);
        ChargerSerie(s, c.boucle, true);
        TAssembleImg dlg;
        dlg.Assembler();
        // Les points tournés sont tronqués vers le centre et les demi-sommes de
        // colonnes aussi : jusqu'à deux pixels d'écart par image sur les décalages.
        const int largeur = c.boucle ? c.nb * pas : (c.nb - 1) * pas + W;
        EXPECT_NEAR(LargeurPano, largeur, 2 * c.nb);
        for (int i = 0; i < c.nb; ++i) {
            EXPECT_EQ(PoidsEtapes[i][0], 70);
            if (i > 0) {
                EXPECT_NEAR(ImgsAssemblage[i].DecalX, pas, 2);
                EXPECT_NEAR(ImgsAssemblage[i].DecalY, -c.deniveles[i], 1);
            }
        }
        int verifies = 0;
        EXPECT_LE(EcartAmersParImage(s, pano.bmp, verifies), 2.5);
        EXPECT_GE(verifies, largeur / 29);

        // Le même panoramique par chaque voie de calcul, sur 1, 2 et 8 fils.
        const Bitmap obtenu = pano.bmp;
        const std::pair<TVoie, int> voies[] = {{TVoie::Scalaire, 1}, {TVoie::SSE41, 2}, {TVoie::AVX2, 8}};
        for (const auto& [voie, fils] : voies) {
            DefinirVoieDeformation(voie);
            DefinirNombreFils(fils);
            TAssembleImg autre;
            autre.Assembler();
            EXPECT_TRUE(pano.bmp == obtenu) << static_cast<int>(voie) << ", " << fils << " fils";
        }
        DefinirVoieDeformation(TVoie::AVX2);
        DefinirNombreFils(0);
    }
    ViderListe();
}

// Deux points d'horizon à 65 536 pixels l'un de l'autre : sur 32 bits la somme
// des carrés retombait à 4 et les points étaient agrandis 32 768 fois. Les
// points tournent maintenant du même petit angle que les pixels.
TEST(AssemblageBoutEnBout, HorizonTresLargeSansDebordement)
{
    TFausseFenetre fenetre;
    PanoramaTest pano;
    ViderListe();
    const int W = 70000, H = 4;
    for (int i = 0; i < 2; ++i) {
        Bitmap b(W, H);
        b.Fill(40, 80, static_cast<uint8_t>(120 + 60 * i));
        AjouterImage(b, QStringLiteral("large%1").arg(i));
    }
    ListeImgs[0].NbPtsHoriz = 2;
    ListeImgs[0].PtsHoriz[0] = {10, 1};
    ListeImgs[0].PtsHoriz[1] = {65546, 3};
    RelierPoints(0, AjouterPoint(0, W - 10, 0), 1, AjouterPoint(1, 10, 0));
    RelierPoints(0, AjouterPoint(0, W - 10, 3), 1, AjouterPoint(1, 10, 3));
    const long double debutHaut = FracDebutHaut, finBas = FracFinBas;
    TAssembleImg dlg;
    dlg.Assembler();
    for (const TPtControle& p : ImgsAssemblage[0].PtsControle)
        EXPECT_LT(std::abs(p.X - W / 2), W / 2 + 2);
    EXPECT_GE(LargeurPano, 2 * W - 30);
    EXPECT_LE(LargeurPano, 2 * W - 10);
    EXPECT_EQ(pano.bmp.Width(), LargeurPano);
    // Les bandes de reprise resserrées ne passent pas aux tests suivants.
    FracDebutHaut = debutHaut;
    FracFinBas = finBas;
    ViderListe();
}
