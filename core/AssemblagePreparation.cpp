// Placement de chaque image (décalages, largeur du panoramique) et
// construction de sa table de pixels corrigée.

#include <algorithm>
#include <cstring>

#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"
#include "core/CorrectionsGeometriques.h"
#include "core/HarmoImgs.h"
#include "platform/Parallele.h"

namespace {

// Table décalée de Decal lignes, lue dans la copie laissée par la correction
// des lignes de fuite.
void DecalerTable(const TPtImg& Source, int Decal, TPtImg& T)
{
    const int largeur = std::min(Source.Largeur(), T.Largeur());
    const int hauteur = T.Hauteur();
    ParallelLignes(hauteur, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y) {
            TPixel* dest = T.Ligne(y);
            const int64_t s = static_cast<int64_t>(y) + Decal;
            if (s >= 0 && s < hauteur && s < Source.Hauteur())
                std::memcpy(dest, Source.Ligne(static_cast<int>(s)), static_cast<size_t>(largeur) * 3);
            else
                std::fill(dest, dest + largeur, CouleurFond);
        }
    });
}

// Part de l'image i à droite de sa jonction gauche, moins celle de l'image
// précédente à droite de la même jonction.
int64_t PasLargeur(int i)
{
    const int n = NbImagesAssemblage();
    const TInfosImg& img = ImgsAssemblage[i];
    const TInfosImg& precedente = ImgsAssemblage[i == 0 ? n - 1 : i - 1];
    const TPoint32* P = img.Coins;
    const TPoint32* Q = img.CoinsLies;
    return (LargeurBitmap(img) - (int64_t{P[0].X} + P[3].X) / 2) -
           (LargeurBitmap(precedente) - (int64_t{Q[0].X} + Q[3].X) / 2);
}

}  // namespace

// Des photos qui se recouvrent ont chaque jonction dans leur image, colonnes
// 0 à W ; le redressement de l'horizon, quart de tour au plus autour du
// centre, l'en écarte d'au plus une demi-hauteur. Lignes de fuite (vers la
// ligne du milieu), dénivelés et déformation des coins ne touchent pas la
// largeur, et la hauteur est celle de la plus haute image. Chaque image ajoute
// donc au plus W + H + 2 colonnes ; le double laisse place aux points d'une
// photo réduite depuis leur pose.
// La surface est bornée aussi : des bandes d'un pixel (1 × 20 000 et
// 20 000 × 1) tiennent dans ces largeurs et feraient pourtant des Go. Les
// photos d'une série ont des hauteurs voisines, et 2 (W + H + 2) H ne passe
// 8 W H que pour une photo debout plus étroite que 1:3 ; sous le plancher,
// une centaine de Mo, tout petit projet reste permis.
void VerifierTaillePano()
{
    constexpr int64_t FacteurSurface = 8;
    constexpr int64_t PlancherSurface = int64_t(1) << 25;
    int64_t largeur = 0, limite = 0, pixels = 0;
    for (int i = 0; i < NbImagesAssemblage(); ++i) {
        const TInfosImg& img = ImgsAssemblage[i];
        largeur += PasLargeur(i);
        limite += 2 * (int64_t{LargeurBitmap(img)} + HauteurBitmap(img) + 1);
        pixels += int64_t{LargeurBitmap(img)} * HauteurBitmap(img);
    }
    if (largeur > limite || largeur * HauteurPano > FacteurSurface * pixels + PlancherSurface)
        throw Erreur(MsgPanoTropGrand);
}

void TAssembleImg::PreparerImage(int i)
{
    const int n = NbImagesAssemblage();
    if (i < 0 || i >= n || static_cast<size_t>(i) >= TablesPixels.size())
        return;
    const int m = (i + 1) % n;
    TInfosImg& img = ImgsAssemblage[i];
    TInfosImg& suivante = ImgsAssemblage[m];
    const int W = LargeurBitmap(img);
    const int H = HauteurBitmap(img);
    TPoint32* P = img.Coins;
    TPoint32* Q = img.CoinsLies;

    using I64 = int64_t;
    LargeurPano = Position32(LargeurPano + PasLargeur(i));

    suivante.DecalX = Position32(((I64{suivante.CoinsLies[0].X} + suivante.CoinsLies[3].X) -
                                  (I64{suivante.Coins[0].X} + suivante.Coins[3].X)) / 2);
    if (i == 0)
        img.DecalX = 0;

    const int dy = Position32(((I64{Q[1].Y} + Q[2].Y) - (I64{P[1].Y} + P[2].Y)) / 2);
    const int h = img.Hauteur;
    if (h > 0) {
        if (-dy > FracDebutHaut * h)
            FracDebutHaut = static_cast<long double>(-dy) / h;
        if (dy > h - FracFinBas * h)
            FracFinBas = 1.0L - static_cast<long double>(dy) / h;
    }

    Q[1].Y = Position32(I64{Q[1].Y} - dy);
    Q[2].Y = Position32(I64{Q[2].Y} - dy);
    suivante.DecalY = dy;
    // Les coins de l'image 0 restent dans le repère où sa table a été
    // construite : l'appel de la dernière image ne les déplace pas.
    if (m != 0)
        for (TPoint32& coin : suivante.Coins)
            coin.Y = Position32(I64{coin.Y} - dy);
    if (i == 0)
        img.DecalY = 0;

    img.Deplacements[0].Y = 0;
    img.Deplacements[1].Y = Position32(I64{P[1].Y} - Q[1].Y);
    img.Deplacements[2].Y = Position32(I64{P[2].Y} - Q[2].Y);
    img.Deplacements[3].Y = 0;

    TablesPixels[i].SetLength(W, H);
    TableTravail.SetLength(W, H);
    const Bitmap* bmp = BitmapDe(img);
    if (!bmp || W <= 0 || H <= 0)
        return;

    const long double f = img.CoefFuite;
    const bool horizon = HorizontaliteDefinie(i);
    const int decal = img.DecalY;
    if (!horizon && f == 0.0L) {
        if (!EtapeSuivante(i, 4, QStringLiteral("Construction de la table de pixels")))
            return;
        DecalerVerticalement(*bmp, W, H, decal, TablesPixels[i]);
    } else {
        if (f != 0.0L) {
            if (!EtapeSuivante(i, 3, QStringLiteral("Correction de perspective")))
                return;
            CorrigerLignesFuite(i, f);
        }
        if (horizon) {
            if (!EtapeSuivante(i, 0, QStringLiteral("Correction de l'horizontalité")))
                return;
            if (f == 0.0L)
                CorrigerHorizontalite(i, decal);
            else
                CorrigerHorizontaliteLignesFuite(i, decal, TableTravail);
        } else {
            DecalerTable(TableTravail, decal, TablesPixels[i]);
        }
    }

    if (img.CoefHG == 1.0L && img.CoefHD == 1.0L && img.CoefBD == 1.0L && img.CoefBG == 1.0L)
        return;
    if (OptionCorrChro()) {
        if (!EtapeSuivante(i, 2, QStringLiteral("Correction de la chromaticité")))
            return;
        CorrigerChromaticite(i);
    }
    if (!EtapeSuivante(i, 1, QStringLiteral("Correction des luminosités")))
        return;
    CorrigerLuminosite(i);
}
