#include "core/RenduPano.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <QCheckBox>

#include "core/FenetrePano.h"
#include "core/UtilsPano.h"
#include "platform/Erreur.h"
#include "platform/Image.h"

namespace {

// Division en réels étendus avec les erreurs de la bibliothèque d'exécution :
// aucun NaN ni infini ne doit atteindre un enregistrement.
long double Diviser(long double a, long double b)
{
    if (b == 0.0L) {
        if (a == 0.0L || std::isnan(a))
            throw Erreur(MsgOperationIncorrecte);
        throw Erreur(MsgDivisionParZero);
    }
    return a / b;
}

// Colonne de la jonction gauche de l'image sur la ligne y.
int64_t ColonneJonction(const TInfosImg& img, int y)
{
    const long double pente = img.PenteJonction;
    const long double ordonnee = img.OrdonneeJonction;
    const long double q = Diviser(static_cast<long double>(y) - ordonnee, pente);
    if (!std::isfinite(q) || std::fabs(q) > 9.0e18L)
        throw Erreur(MsgOperationIncorrecte);
    return Round(q);
}

bool DansTable(const TPtImg& t, int64_t x, int y)
{
    return x >= 0 && x < t.Largeur() && y >= 0 && y < t.Hauteur();
}

}  // namespace

void FiltrerRecouvrements()
{
    const int n = static_cast<int>(ImgsAssemblage.size());
    const int L = LargeurRecouvrement;
    if (!BmpPano)
        return;
    int64_t X = 0;
    Bitmap& pano = *BmpPano;
    for (int i = 1; i < n; ++i) {
        const TInfosImg& cour = ImgsAssemblage[i];
        const TInfosImg& prec = ImgsAssemblage[i - 1];
        X += cour.DecalX;
        if (static_cast<size_t>(i) >= TablesPixels.size())
            continue;
        const TPtImg& tCour = TablesPixels[i];
        const TPtImg& tPrec = TablesPixels[i - 1];
        const int decal = cour.DecalX;
        // Poids de l'image i selon le rang du pixel mélangé dans la ligne.
        std::vector<long double> poids(L > 0 ? 2 * static_cast<size_t>(L) + 1 : 0);
        for (size_t kb = 0; kb < poids.size(); ++kb)
            poids[kb] = (static_cast<long double>(kb) / 2.0L) / L;
        for (int y = 0; y < pano.Height(); ++y) {
            uint8_t* ligne = pano.Ligne(y);
            const int64_t xs = ColonneJonction(cour, y);
            // L = 0 : le poids (kb / 2) / L n'a pas de valeur, aucun pixel ne change.
            if (L <= 0)
                continue;
            int kb = 0;
            for (int64_t x = xs - L; x <= xs + L; ++x) {
                const int64_t xp = x + decal;
                const int64_t xPano = X + x;
                if (x < 0 || x >= cour.Largeur || xp < 0 || xp >= prec.Largeur ||
                    y >= cour.Hauteur || y >= prec.Hauteur || xPano < 0 ||
                    xPano >= pano.Width() || !DansTable(tCour, x, y) || !DansTable(tPrec, xp, y))
                    continue;
                const long double t = poids[kb];
                const TPixel& p = tPrec.At(static_cast<int>(xp), y);
                const TPixel& c = tCour.At(static_cast<int>(x), y);
                uint8_t* sortie = ligne + 3 * xPano;
                sortie[0] = static_cast<uint8_t>(Round(p.B * (1.0L - t) + c.B * t));
                sortie[1] = static_cast<uint8_t>(Round(p.V * (1.0L - t) + c.V * t));
                sortie[2] = static_cast<uint8_t>(Round(p.R * (1.0L - t) + c.R * t));
                ++kb;
            }
        }
    }
    SeqPano->ZoomImgMouseUp();
    if (TImage* vue = SeqPano->ImgPano())
        vue->update();
}

namespace {

constexpr int NbCanaux = 3;
using Tampons = std::array<std::vector<double>, NbCanaux>;
using Moyennes = std::array<long double, NbCanaux>;

// Seuls les tampons de l'image reprise et de ses deux voisines entrent dans
// le résultat : les autres ne sont pas alloués, mais leurs jonctions et leurs
// bandes sont vérifiées comme si elles l'étaient, pour les mêmes erreurs.
struct DonneesReprise
{
    std::vector<Tampons> G, D;  // échantillons des jonctions gauche et droite
    std::vector<bool> AvecG, AvecD;
    std::vector<int64_t> Taille;  // éléments d'un tampon de chaque image
    std::vector<Moyennes> HautG, BasG, HautD, BasD;
};

long double Somme(const Moyennes& m)
{
    return m[0] + m[1] + m[2];
}

void Moyenner(const Tampons& t, Moyennes& haut, Moyennes& bas)
{
    for (int c = 0; c < NbCanaux; ++c) {
        MoyenneSegment(t[c], haut[c], FracDebutHaut, FracFinHaut);
        MoyenneSegment(t[c], bas[c], FracDebutBas, FracFinBas);
    }
}

void VerifierBandes(int64_t taille)
{
    int64_t i1, i2;
    BornesSegment(taille, FracDebutHaut, FracFinHaut, i1, i2);
    BornesSegment(taille, FracDebutBas, FracFinBas, i1, i2);
}

void Echantillonner(DonneesReprise& d, int i, int n, int L)
{
    const int p = i == 0 ? n - 1 : i - 1;
    const TInfosImg& img = ImgsAssemblage[i];
    const TInfosImg& prec = ImgsAssemblage[p];
    const TPtImg& tImg = TablesPixels[i];
    const TPtImg& tPrec = TablesPixels[p];
    const bool utile = d.AvecG[i] || d.AvecD[p];
    const int64_t fente = 2 * (static_cast<int64_t>(L) + 1);
    for (int y = 0; y < img.Hauteur; ++y) {
        const int64_t xs = ColonneJonction(img, y);
        if (!utile)
            continue;
        int64_t m = 0;
        for (int64_t x = xs - L; x <= xs + L; ++x) {
            const int64_t xp = x + img.DecalX;
            if (x < 0 || x >= img.Largeur || xp < 0 || xp >= prec.Largeur || y >= prec.Hauteur ||
                !DansTable(tImg, x, y) || !DansTable(tPrec, xp, y))
                continue;
            const int64_t j = y * fente + m;
            if (j < 0 || j >= d.Taille[i] || j >= d.Taille[p])
                continue;
            if (d.AvecG[i]) {
                const TPixel& a = tImg.At(static_cast<int>(x), y);
                d.G[i][0][j] = a.B;
                d.G[i][1][j] = a.V;
                d.G[i][2][j] = a.R;
            }
            if (d.AvecD[p]) {
                const TPixel& b = tPrec.At(static_cast<int>(xp), y);
                d.D[p][0][j] = b.B;
                d.D[p][1][j] = b.V;
                d.D[p][2][j] = b.R;
            }
            ++m;
        }
    }
    if (d.AvecG[i])
        Moyenner(d.G[i], d.HautG[i], d.BasG[i]);
    else
        VerifierBandes(d.Taille[i]);
    if (d.AvecD[p])
        Moyenner(d.D[p], d.HautD[p], d.BasD[p]);
    else
        VerifierBandes(d.Taille[p]);
}

// Facteurs d'un coin : quotients des moyennes par canal, puis ramenés au plus
// fort des trois.
void FacteursCoin(float (&f)[3], const Moyennes& num, const Moyennes& den)
{
    for (int c = 0; c < NbCanaux; ++c)
        f[c] = static_cast<float>(Diviser(num[c], den[c]));
    const float plusFort = std::max({f[0], f[1], f[2]});
    for (int c = 0; c < NbCanaux; ++c)
        f[c] = static_cast<float>(Diviser(f[c], plusFort));
}

}  // namespace

bool ReprendreHarmonisation(int k)
{
    const int n = static_cast<int>(ImgsAssemblage.size());
    if (k < 0 || k >= n || TablesPixels.size() < static_cast<size_t>(n))
        return false;
    const int L = LargeurRecouvrement;
    const int64_t fente = 2 * (static_cast<int64_t>(L) + 1);

    const int p = k == 0 ? n - 1 : k - 1;
    const int q = k == n - 1 ? 0 : k + 1;
    DonneesReprise d;
    d.G.resize(n);
    d.D.resize(n);
    d.AvecG.assign(n, false);
    d.AvecD.assign(n, false);
    d.AvecG[k] = d.AvecG[q] = true;
    d.AvecD[p] = d.AvecD[k] = true;
    d.Taille.resize(n);
    d.HautG.assign(n, Moyennes{});
    d.BasG.assign(n, Moyennes{});
    d.HautD.assign(n, Moyennes{});
    d.BasD.assign(n, Moyennes{});
    for (int i = 0; i < n; ++i) {
        d.Taille[i] = std::max<int64_t>(0, ImgsAssemblage[i].Hauteur * fente);
        const size_t taille = static_cast<size_t>(d.Taille[i]);
        for (int c = 0; c < NbCanaux; ++c) {
            if (d.AvecG[i])
                d.G[i][c].assign(taille, i == 0 ? 128.0 : 0.0);
            if (d.AvecD[i])
                d.D[i][c].assign(taille, i == n - 1 ? 128.0 : 0.0);
        }
    }

    for (int i = 0; i < n; ++i)
        Echantillonner(d, i, n, L);

    TInfosImg& img = ImgsAssemblage[k];
    const bool chroma = SeqPano->CorrChro()->isChecked();
    const int64_t N = static_cast<int64_t>(d.G[k][0].size()) - 1;
    for (int r = 0;;) {
        const double rHG = static_cast<double>(Diviser(Somme(d.HautD[p]), Somme(d.HautG[k])));
        const double rHD = static_cast<double>(Diviser(Somme(d.HautG[q]), Somme(d.HautD[k])));
        const double rBG = static_cast<double>(Diviser(Somme(d.BasD[p]), Somme(d.BasG[k])));
        const double rBD = static_cast<double>(Diviser(Somme(d.BasG[q]), Somme(d.BasD[k])));

        img.CoefHG = img.CoefHG * InterpolerGain(rHG, 0.9L);
        img.CoefBG = img.CoefBG * InterpolerGain(rBG, 0.9L);
        img.CoefHD = img.CoefHD * InterpolerGain(rHD, 0.9L);
        img.CoefBD = img.CoefBD * InterpolerGain(rBD, 0.9L);

        for (int64_t j = 0; j <= N; ++j) {
            const long double jj = static_cast<long double>(j);
            const long double a = rHG + (static_cast<long double>(rBG) - rHG) * jj / N;
            const long double b = rHD + (static_cast<long double>(rBD) - rHD) * jj / N;
            for (int c = 0; c < NbCanaux; ++c)
                d.G[k][c][j] = static_cast<double>(d.G[k][c][j] * a);
            for (int c = 0; c < NbCanaux; ++c)
                d.D[k][c][j] = static_cast<double>(d.D[k][c][j] * b);
        }

        if (r == 0 && chroma) {
            float(&f)[4][3] = img.FacteursRVB;
            FacteursCoin(f[0], d.HautD[p], d.HautG[k]);
            FacteursCoin(f[1], d.HautG[q], d.HautD[k]);
            FacteursCoin(f[2], d.BasG[q], d.BasD[k]);
            FacteursCoin(f[3], d.BasD[p], d.BasG[k]);
            for (int64_t j = 0; j <= N; ++j) {
                const long double jj = static_cast<long double>(j);
                for (int c = 0; c < NbCanaux; ++c) {
                    const long double hg = f[0][c], bg = f[3][c];
                    d.G[k][c][j] = static_cast<double>(d.G[k][c][j] * (hg + (bg - hg) * jj / N));
                }
                for (int c = 0; c < NbCanaux; ++c) {
                    const long double hd = f[1][c], bd = f[2][c];
                    d.D[k][c][j] = static_cast<double>(d.D[k][c][j] * (hd + (bd - hd) * jj / N));
                }
            }
        }

        Moyenner(d.G[k], d.HautG[k], d.BasG[k]);
        Moyenner(d.D[k], d.HautD[k], d.BasD[k]);
        ++r;

        const auto proche = [](double rapport) { return std::fabs(1.0L - rapport) < 0.01L; };
        if (proche(rHG) && proche(rHD) && proche(rBG) && proche(rBD))
            break;
        if (r > 10)
            break;
    }

    if (static_cast<size_t>(k) < ListeImgs.size()) {
        TInfosImg& dest = ListeImgs[k];
        dest.CoefHG = img.CoefHG;
        dest.CoefBG = img.CoefBG;
        dest.CoefHD = img.CoefHD;
        dest.CoefBD = img.CoefBD;
        std::copy(&img.FacteursRVB[0][0], &img.FacteursRVB[0][0] + 12, &dest.FacteursRVB[0][0]);
    }
    return true;
}
