#include <gtest/gtest.h>

#include <cmath>

#include "core/Assemblage.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

// Facteur de raccourcissement de la colonne x, comme la correction le calcule.
double Raccourci(int x, int W, double K)
{
    const double d = static_cast<double>(x - W / 2) / (W / 2);
    return (1 + K) - K * std::sqrt(d * d + 1);
}

// Déforme l'image i comme une prise de vue aux verticales convergentes que la
// correction de coefficient K redresse, et déplace ses points de contrôle.
void Deformer(int i, float K)
{
    TInfosImg& img = ListeImgs[i];
    Bitmap& B = *BitmapDe(img);
    const Bitmap droite = B;
    const int W = B.Width(), H = B.Height(), cy = H / 2;
    for (int x = 0; x < W; ++x) {
        const double s = Raccourci(x, W, K);
        for (int v = 0; v < H; ++v) {
            const int y = std::clamp(static_cast<int>(std::lround(cy - (cy - v) * s)), 0, H - 1);
            std::copy_n(droite.Ligne(y) + 3 * x, 3, B.Ligne(v) + 3 * x);
        }
    }
    for (int k = 0; k < img.NbPtsControle; ++k) {
        TPtControle& p = img.PtsControle[k];
        p.Y = static_cast<int32_t>(std::lround(cy - (cy - p.Y) / Raccourci(p.X, W, K)));
    }
    img.CoefFuite = K;
}

void SansHorizon(int i)
{
    TInfosImg& img = ListeImgs[i];
    img.PtsHoriz[0] = img.PtsHoriz[1] = {0, img.Hauteur / 2};
    img.NbPtsHoriz = 0;
}

// Plus grand écart entre chaque amer de la scène que l'image i dessine loin de
// ses bords et de sa jonction, et l'amer trouvé le plus proche dans le panoramique.
double EcartAmersImage(const TSerie& S, const Bitmap& Pano, int i, int& NbVerifies)
{
    int xCourant = 0;
    for (int j = 1; j <= i; ++j)
        xCourant += ImgsAssemblage[j].DecalX;
    const TInfosImg& img = ImgsAssemblage[i];
    const int jonction = (img.Coins[0].X + img.Coins[3].X) / 2;
    const std::vector<QPointF> trouves = TrouverAmers(Pano);
    double pire = 0.0;
    NbVerifies = 0;
    for (const QPoint& a : S.Amers) {
        const int x = a.x() - S.Placements[i].X;
        const int y = a.y() - S.Placements[i].Y - img.DecalY;
        const int X = xCourant + x;
        if (x - 8 < jonction || x + 8 >= S.Largeur || y < 10 || y >= S.Hauteur - 10 || X + 8 >= Pano.Width())
            continue;
        double meilleur = 1e9;
        for (const QPointF& t : trouves)
            meilleur = std::min(meilleur, std::hypot(t.x() - X, t.y() - y));
        pire = std::max(pire, meilleur);
        ++NbVerifies;
    }
    return pire;
}

}  // namespace

TEST(CorrectionsBoutEnBout, ImageTourneeEtImageEnPerspectiveAlignees)
{
    // Image 1 tournée, redressée par ses points d'horizontalité ; image 2 aux
    // verticales convergentes, redressée par son coefficient de fuite.
    const float K = static_cast<float>(1.0 - std::cos(40.0 * 3.14159265358979323846 / 180.0));
    const int W = 200, H = 150, pas = 140;
    for (int mode : {0, 1})
        for (bool corriger : {true, false}) {
            SCOPED_TRACE(mode);
            SCOPED_TRACE(corriger);
            TFausseFenetre fenetre;
            PanoramaTest pano;
            fenetre.mode.setCurrentIndex(mode);
            const TSerie S = CreerSerie(3, W, H, pas, {0, 3, -2}, {0.0, 0.03, 0.0}, false, 5);
            ChargerSerie(S, false, true);
            SansHorizon(0);
            SansHorizon(2);
            if (!corriger)
                SansHorizon(1);
            Deformer(2, K);
            if (!corriger)
                ListeImgs[2].CoefFuite = 0.0f;
            TAssembleImg dlg;
            dlg.Assembler();

            int n1 = 0, n2 = 0;
            const double e1 = EcartAmersImage(S, pano.bmp, 1, n1);
            const double e2 = EcartAmersImage(S, pano.bmp, 2, n2);
            EXPECT_GE(n1, 8);
            EXPECT_GE(n2, 8);
            if (corriger) {
                EXPECT_LE(e1, 2.0);
                EXPECT_LE(e2, 1.5);
            } else {
                // Sans correction, les mêmes amers s'écartent nettement.
                EXPECT_GT(e1, 3.0);
                EXPECT_GT(e2, 2.5);
            }
        }
    ViderListe();
}
