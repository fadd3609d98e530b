#include <gtest/gtest.h>

#include <cmath>

#include "core/Assemblage.h"
#include "core/RenduPano.h"
#include "tests/FausseFenetre.h"
#include "tests/GenerateurScene.h"

namespace {

// Écart de luminosité moyen entre les colonnes juste à gauche et juste à
// droite de la jonction de l'image i, sur toute la hauteur.
double MarcheJonction(const Bitmap& pano, int i)
{
    int64_t x0 = 0;
    for (int k = 1; k <= i; ++k)
        x0 += ImgsAssemblage[k].DecalX;
    const TInfosImg& img = ImgsAssemblage[i];
    const int y = img.Hauteur / 2;
    const int64_t xs = x0 + Round((y - static_cast<long double>(img.OrdonneeJonction)) /
                                  static_cast<long double>(img.PenteJonction));
    double gauche = 0, droite = 0;
    for (int yy = 0; yy < pano.Height(); ++yy) {
        const uint8_t* l = pano.Ligne(yy);
        for (int d = 2; d < 12; ++d)
            for (int c = 0; c < 3; ++c) {
                gauche += l[3 * (xs - LargeurRecouvrement - d) + c];
                droite += l[3 * (xs + LargeurRecouvrement + d) + c];
            }
    }
    return std::fabs(droite - gauche) / (pano.Height() * 10.0 * 3.0);
}

}  // namespace

TEST(RepriseHarmonisation, ImageSombreRecaleeALAssemblageSuivant)
{
    TFausseFenetre fenetre;
    fenetre.corrChro.setChecked(false);
    PanoramaTest panorama;
    Bitmap& pano = panorama.bmp;
    const TSerie serie = CreerSerie(3, 400, 300, 300, {0, 0, 0}, {0.0, 0.0, 0.0}, false);
    ChargerSerie(serie, false);
    Bitmap& sombre = *BitmapDe(ListeImgs[1]);
    for (int y = 0; y < sombre.Height(); ++y) {
        uint8_t* l = sombre.Ligne(y);
        for (int x = 0; x < sombre.Width() * 3; ++x)
            l[x] = static_cast<uint8_t>(Round(l[x] * 0.8L));
    }

    TAssembleImg dlg;
    dlg.Assembler();
    const double avant = MarcheJonction(pano, 1) + MarcheJonction(pano, 2);
    ASSERT_GT(avant, 10.0);

    ASSERT_TRUE(ReprendreHarmonisation(1));
    EXPECT_GT(static_cast<long double>(ListeImgs[1].CoefHG), 1.15L);
    EXPECT_GT(static_cast<long double>(ListeImgs[1].CoefBD), 1.15L);
    ConserverImgs = true;
    dlg.Assembler();
    EXPECT_FALSE(ConserverImgs);
    const double apres = MarcheJonction(pano, 1) + MarcheJonction(pano, 2);
    EXPECT_LT(apres, avant / 4) << avant << " -> " << apres;

    ViderListe();
}
