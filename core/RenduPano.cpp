#include "core/RenduPano.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <vector>

#include <QCheckBox>

#include "core/FenetrePano.h"
#include "core/UtilsPano.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "platform/Parallele.h"

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

// Colonne de la jonction gauche de l'image sur la ligne y. Round échoue dès
// que l'entier arrondi sort des entiers 64 bits : de −2^63 à 2^63 − 1, la
// moitié 2^63 − 0,5 allant au pair 2^63.
int64_t ColonneJonction(const TInfosImg& img, int y)
{
    const long double pente = img.PenteJonction;
    const long double ordonnee = img.OrdonneeJonction;
    const long double q = Diviser(static_cast<long double>(y) - ordonnee, pente);
    if (!(q >= -0x1p63L && q < 0x1p63L - 0.5L))
        throw Erreur(MsgOperationIncorrecte);
    return Round(q);
}

// Colonnes de la bande [xs − L, xs + L] comprises dans [bas, haut], calculées
// sans débordement quand la jonction est loin de l'image. Vide si debut > fin.
struct TBande
{
    int64_t debut, fin;
};

TBande Bande(int64_t xs, int L, int64_t bas, int64_t haut)
{
    const __int128 debut = std::max<__int128>(static_cast<__int128>(xs) - L, bas);
    const __int128 fin = std::min<__int128>(static_cast<__int128>(xs) + L, haut);
    if (debut > fin)
        return {1, 0};
    return {static_cast<int64_t>(debut), static_cast<int64_t>(fin)};
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
    std::vector<int64_t> colonnes(static_cast<size_t>(std::max(pano.Height(), 0)));
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
        // Un pixel n'est mélangé que si ses deux sources et sa cible existent :
        // ces colonnes forment un intervalle, et kb part de son début.
        const int64_t decal64 = decal;
        const int64_t largeur = std::min<int64_t>({cour.Largeur, tCour.Largeur(), prec.Largeur - decal64,
                                                   tPrec.Largeur() - decal64, pano.Width() - X});
        const int64_t gauche = std::max<int64_t>({0, -decal64, -X});
        const int hauteur =
            std::max(0, std::min({cour.Hauteur, tCour.Hauteur(), prec.Hauteur, tPrec.Hauteur()}));
        // Les colonnes de jonction d'abord, dans l'ordre des lignes : une erreur
        // laisse mélangées les seules lignes qui la précèdent.
        int lignes = pano.Height();
        std::exception_ptr erreur;
        for (int y = 0; y < pano.Height(); ++y) {
            try {
                colonnes[y] = ColonneJonction(cour, y);
            } catch (...) {
                erreur = std::current_exception();
                lignes = y;
                break;
            }
        }
        // L = 0 : le poids (kb / 2) / L n'a pas de valeur, aucun pixel ne change.
        if (L > 0)
            ParallelLignes(std::min(lignes, hauteur), [&](int debut, int fin) {
                for (int y = debut; y < fin; ++y) {
                    uint8_t* ligne = pano.Ligne(y);
                    const TBande b = Bande(colonnes[y], L, gauche, largeur - 1);
                    for (int64_t x = b.debut; x <= b.fin; ++x) {
                        const long double t = poids[x - b.debut];
                        const TPixel& p = tPrec.At(static_cast<int>(x + decal), y);
                        const TPixel& c = tCour.At(static_cast<int>(x), y);
                        uint8_t* sortie = ligne + 3 * (X + x);
                        sortie[0] = static_cast<uint8_t>(Round(p.B * (1.0L - t) + c.B * t));
                        sortie[1] = static_cast<uint8_t>(Round(p.V * (1.0L - t) + c.V * t));
                        sortie[2] = static_cast<uint8_t>(Round(p.R * (1.0L - t) + c.R * t));
                    }
                }
            });
        if (erreur)
            std::rethrow_exception(erreur);
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
    std::vector<Tampons> EchJonctionG, EchJonctionD;
    std::vector<bool> AvecG, AvecD;
    std::vector<int64_t> Taille;    // éléments d'un tampon de chaque image
    std::vector<int64_t> Colonnes;  // jonction de chaque ligne de l'image échantillonnée
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
    // Un échantillon n'est pris que si ses deux pixels existent : ces colonnes
    // forment un intervalle, et m part de son début.
    const int64_t decal = img.DecalX;
    const int64_t largeur =
        std::min<int64_t>({img.Largeur, tImg.Largeur(), prec.Largeur - decal, tPrec.Largeur() - decal});
    const int64_t gauche = std::max<int64_t>(0, -decal);
    const int hauteur = std::min({prec.Hauteur, tImg.Hauteur(), tPrec.Hauteur()});
    for (int y = 0; y < img.Hauteur; ++y)
        d.Colonnes[y] = ColonneJonction(img, y);
    if (utile)
        ParallelLignes(std::min(img.Hauteur, hauteur), [&](int debut, int fin) {
            for (int y = debut; y < fin; ++y) {
                const TBande b = Bande(d.Colonnes[y], L, gauche, largeur - 1);
                for (int64_t x = b.debut; x <= b.fin; ++x) {
                    const int64_t j = y * fente + (x - b.debut);
                    if (j >= d.Taille[i] || j >= d.Taille[p])
                        break;
                    if (d.AvecG[i]) {
                        const TPixel& a = tImg.At(static_cast<int>(x), y);
                        d.EchJonctionG[i][0][j] = a.B;
                        d.EchJonctionG[i][1][j] = a.V;
                        d.EchJonctionG[i][2][j] = a.R;
                    }
                    if (d.AvecD[p]) {
                        const TPixel& c = tPrec.At(static_cast<int>(x + decal), y);
                        d.EchJonctionD[p][0][j] = c.B;
                        d.EchJonctionD[p][1][j] = c.V;
                        d.EchJonctionD[p][2][j] = c.R;
                    }
                }
            }
        });
    if (d.AvecG[i])
        Moyenner(d.EchJonctionG[i], d.HautG[i], d.BasG[i]);
    else
        VerifierBandes(d.Taille[i]);
    if (d.AvecD[p])
        Moyenner(d.EchJonctionD[p], d.HautD[p], d.BasD[p]);
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
    d.EchJonctionG.resize(n);
    d.EchJonctionD.resize(n);
    d.AvecG.assign(n, false);
    d.AvecD.assign(n, false);
    d.AvecG[k] = d.AvecG[q] = true;
    d.AvecD[p] = d.AvecD[k] = true;
    d.Taille.resize(n);
    int plusHaute = 0;
    for (const TInfosImg& img : ImgsAssemblage)
        plusHaute = std::max(plusHaute, img.Hauteur);
    d.Colonnes.resize(static_cast<size_t>(plusHaute));
    d.HautG.assign(n, Moyennes{});
    d.BasG.assign(n, Moyennes{});
    d.HautD.assign(n, Moyennes{});
    d.BasD.assign(n, Moyennes{});
    for (int i = 0; i < n; ++i) {
        d.Taille[i] = std::max<int64_t>(0, ImgsAssemblage[i].Hauteur * fente);
        const size_t taille = static_cast<size_t>(d.Taille[i]);
        for (int c = 0; c < NbCanaux; ++c) {
            if (d.AvecG[i])
                d.EchJonctionG[i][c].assign(taille, i == 0 ? 128.0 : 0.0);
            if (d.AvecD[i])
                d.EchJonctionD[i][c].assign(taille, i == n - 1 ? 128.0 : 0.0);
        }
    }

    for (int i = 0; i < n; ++i)
        Echantillonner(d, i, n, L);

    TInfosImg& img = ImgsAssemblage[k];
    const bool chroma = SeqPano->CorrChro()->isChecked();
    const int64_t N = static_cast<int64_t>(d.EchJonctionG[k][0].size()) - 1;
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
                d.EchJonctionG[k][c][j] = static_cast<double>(d.EchJonctionG[k][c][j] * a);
            for (int c = 0; c < NbCanaux; ++c)
                d.EchJonctionD[k][c][j] = static_cast<double>(d.EchJonctionD[k][c][j] * b);
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
                    double& e = d.EchJonctionG[k][c][j];
                    e = static_cast<double>(e * (hg + (bg - hg) * jj / N));
                }
                for (int c = 0; c < NbCanaux; ++c) {
                    const long double hd = f[1][c], bd = f[2][c];
                    double& e = d.EchJonctionD[k][c][j];
                    e = static_cast<double>(e * (hd + (bd - hd) * jj / N));
                }
            }
        }

        Moyenner(d.EchJonctionG[k], d.HautG[k], d.BasG[k]);
        Moyenner(d.EchJonctionD[k], d.HautD[k], d.BasD[k]);
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
