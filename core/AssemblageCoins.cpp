// Ajustement des points de contrôle de la liste de travail et choix des coins
// de chaque image.

#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"

void TAssembleImg::CorrigerPointsLignesFuite(int i)
{
    if (i >= 0 && i < NbImagesAssemblage())
        AjusterPointsLignesFuite(ImgsAssemblage[i]);
}

void TAssembleImg::RedresserPointsControle(int i)
{
    if (!HorizontaliteDefinie(i))
        return;
    ActiverEtape(i, 0);
    AjusterPointsHorizon(ImgsAssemblage[i]);
}

namespace {

// Position du point lié au point k ; un point sans lien valide reste associé
// à lui-même, ce qui ne déplace rien et ne lit jamais hors de la liste.
TPoint32 PointLie(const TInfosImg& img, int k)
{
    const TPtControle& p = img.PtsControle[k];
    if (p.NumImg >= 0 && p.NumImg < NbImagesAssemblage() && p.NumPt >= 1 && p.NumPt <= 4) {
        const TPtControle& lie = ImgsAssemblage[p.NumImg].PtsControle[p.NumPt - 1];
        return {lie.X, lie.Y};
    }
    return {p.X, p.Y};
}

TPoint32 Position(const TInfosImg& img, int k)
{
    return {img.PtsControle[k].X, img.PtsControle[k].Y};
}

}  // namespace

void TAssembleImg::CalculerCoins(int i)
{
    const int n = NbImagesAssemblage();
    if (i < 0 || i >= n)
        return;
    TInfosImg& r = ImgsAssemblage[i];
    int ordre[4];
    TrierPoints(r, 'X', ordre);
    const bool boucler = OptionBoucler();
    const TInfosImg& premiere = ImgsAssemblage[0];
    const TInfosImg& derniere = ImgsAssemblage[n - 1];

    auto paire = [&](int a, int b, int haut, int bas) {
        // Le point le plus haut de la paire devient le coin du haut.
        const int kHaut = r.PtsControle[a - 1].Y < r.PtsControle[b - 1].Y ? a - 1 : b - 1;
        const int kBas = kHaut == a - 1 ? b - 1 : a - 1;
        r.Coins[haut] = Position(r, kHaut);
        r.Coins[bas] = Position(r, kBas);
        r.CoinsLies[haut] = PointLie(r, kHaut);
        r.CoinsLies[bas] = PointLie(r, kBas);
    };

    if (!boucler && i == 0) {
        r.Coins[0] = {0, 0};
        r.Coins[3] = {0, HauteurBitmap(premiere)};
        r.CoinsLies[0] = {LargeurBitmap(derniere), 0};
        r.CoinsLies[3] = {LargeurBitmap(derniere), HauteurBitmap(derniere)};
    } else {
        paire(ordre[2], ordre[3], 0, 3);
    }
    if (!boucler && i == n - 1) {
        r.Coins[1] = {LargeurBitmap(derniere), 0};
        r.Coins[2] = {LargeurBitmap(derniere), HauteurBitmap(derniere)};
        r.CoinsLies[1] = {0, 0};
        r.CoinsLies[2] = {0, HauteurBitmap(premiere)};
    } else {
        paire(ordre[0], ordre[1], 1, 2);
    }

    const TPoint32* P = r.Coins;
    const TPoint32* Q = r.CoinsLies;
    r.Deplacements[0].X = 0;
    r.Deplacements[1].X = Position32(((int64_t{P[1].X} - P[2].X) - (int64_t{Q[1].X} - Q[2].X)) / 2);
    r.Deplacements[2].X = -r.Deplacements[1].X;
    r.Deplacements[3].X = 0;
}
