// Déformation bilinéaire de chaque image et dessin dans le panoramique.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include <immintrin.h>

#include "core/ArrondiOctet.h"
#include "core/Assemblage.h"
#include "core/AssemblageInterne.h"
#include "core/CibleAvx2.h"
#include "core/Matrix.h"
#include "platform/Image.h"
#include "platform/Parallele.h"

std::vector<int> GaucheDessinee;

namespace {

struct TTransformation
{
    long double a[4];
    long double b[4];
};

// Coefficients de la déformation qui envoie chaque coin P sur P + D. Un
// quadrilatère dégénéré (matrice singulière) laisse l'image telle quelle.
TTransformation CalculerTransformation(const TInfosImg& img)
{
    TMatrice M = {}, MInv = {}, U = {}, V = {}, CA = {}, CB = {};
    for (int k = 0; k < 4; ++k) {
        const TPoint32 P = img.Coins[k];
        const TPoint32 D = img.Deplacements[k];
        M[k][0] = P.X;
        M[k][1] = P.Y;
        M[k][2] = static_cast<int32_t>(static_cast<int64_t>(P.X) * P.Y);
        M[k][3] = 1.0L;
        U[k][0] = static_cast<long double>(int64_t{P.X} + D.X);
        V[k][0] = static_cast<long double>(int64_t{P.Y} + D.Y);
    }
    TTransformation t = {{1.0L, 0.0L, 0.0L, 0.0L}, {0.0L, 1.0L, 0.0L, 0.0L}};
    long double det;
    if (!InverserMatrice(M, 4, det, MInv))
        return t;
    ProduitMatrices(MInv, U, 4, 4, 1, CA);
    ProduitMatrices(MInv, V, 4, 4, 1, CB);
    for (int k = 0; k < 4; ++k)
        if (!std::isfinite(CA[k][0]) || !std::isfinite(CB[k][0]))
            return t;
    for (int k = 0; k < 4; ++k) {
        t.a[k] = CA[k][0];
        t.b[k] = CB[k][0];
    }
    return t;
}

// Colonne de jonction d'une ligne, bornée pour que l'arrondi reste défini
// quelle que soit la pente.
int64_t ColonneJonction(int y, long double ordonnee, long double pente)
{
    long double c = (y - ordonnee) / pente;
    const long double borne = 1e15L;
    if (!(c > -borne))
        c = -borne;
    else if (c > borne)
        c = borne;
    return Round(c);
}

struct TContexte
{
    const TTransformation& t;
    const TPtImg& source;
    TPtImg& dest;
    Bitmap* pano;
    const int* colonnePano;  // colonne du panoramique de chaque x, -1 hors limites
    int xReport;             // premier x reporté à gauche d'un panoramique bouclé
    int* gaucheDessinee;     // par ligne du panoramique
    // Colonnes x, xDebut <= x < xFin, dessinées à XCourant + x sans report :
    // la voie vectorielle les traite par blocs.
    int xDebut, xFin;
    int xPano;  // XCourant
    // Produits a0·x, a2·x, b0·x, b2·x de chaque colonne, arrondis comme dans
    // la forme complète : calculés une fois par image au lieu d'une fois par pixel.
    const long double* a0x;
    const long double* a2x;
    const long double* b0x;
    const long double* b2x;
    // Les mêmes en double, pour les deux voies rapides.
    const double* a0xD;
    const double* a2xD;
    const double* b0xD;
    const double* b2xD;
    // Plus grands |a0·x|, |a2·x|, |b0·x|, |b2·x| : bornent l'écart double/étendu.
    long double maxA0, maxA2, maxB0, maxB2;
    long double ordonnee;
    long double pente;
    int W;
    int H;
};

// Valeurs communes à une ligne de la table déformée.
struct TLigne
{
    long double ly, a1y, b1y;
    double lyD, a1yD, b1yD, a3D, b3D;
    double margeU, margeV, limite;
    int64_t s;
    TPixel* dest;
    uint8_t* pano;
    int gauche;
};

TLigne PreparerLigne(const TContexte& c, int y)
{
    const long double a1 = c.t.a[1], a3 = c.t.a[3];
    const long double b1 = c.t.b[1], b3 = c.t.b[3];
    TLigne l;
    l.ly = y;
    l.a1y = a1 * l.ly;
    l.b1y = b1 * l.ly;
    l.lyD = y;
    l.a1yD = static_cast<double>(l.a1y);
    l.b1yD = static_cast<double>(l.b1y);
    l.a3D = static_cast<double>(a3);
    l.b3D = static_cast<double>(b3);
    // Quelques ulp double de la somme des valeurs absolues des termes, plus
    // l'ajout de la moitié : 1e-13 en laisse plus de cent fois la place.
    l.margeU = static_cast<double>(
        1e-13L * (c.maxA0 + std::fabs(l.a1y) + c.maxA2 * l.ly + std::fabs(a3) + 1.0L));
    l.margeV = static_cast<double>(
        1e-13L * (c.maxB0 + std::fabs(l.b1y) + c.maxB2 * l.ly + std::fabs(b3) + 1.0L));
    // Chaque poids s'écarte d'au plus deux marges, chaque canal pèse au plus
    // 255 sur quatre poids ; 1e-9 couvre les arrondis double des canaux.
    l.limite = 0.5 - (1e-9 + 2040.0 * std::max(l.margeU, l.margeV));
    l.s = ColonneJonction(y, c.ordonnee, c.pente) - LargeurRecouvrement;
    l.dest = c.dest.Ligne(y);
    const bool dansPano = c.pano && y < c.pano->Height();
    l.pano = dansPano ? c.pano->Ligne(y) : nullptr;
    l.gauche = dansPano ? c.gaucheDessinee[y] : 0;
    return l;
}

// Un pixel calculé entièrement en étendu : la référence, et le recours des
// voies en double quand celles-ci ne peuvent garantir le même résultat. Faux
// si le pixel reste à la couleur de fond.
template <int Mode>
bool PixelEtendu(const TContexte& c, int x, const TLigne& l, int64_t& u, TPixel& px)
{
    const long double a3 = c.t.a[3], b3 = c.t.b[3];
    const int W = c.W;
    const int H = c.H;
    const int64_t s = l.s;
    // ((a0·x + a1·y) + (a2·x)·y) + a3, dans cet ordre.
    const long double fu = ((c.a0x[x] + l.a1y) + c.a2x[x] * l.ly) + a3;
    if constexpr (Mode == 0) {
        // Round(fu) n'est dans 0..W-1 que si fu >= -0,5 ; la borne haute
        // se vérifie sur l'entier.
        if (!(fu >= -0.5L && fu < 0x1p62L))
            return false;
        u = ArrondiPositif(fu);
        if (u >= W || u <= s)
            return false;
        const long double fv = ((c.b0x[x] + l.b1y) + c.b2x[x] * l.ly) + b3;
        if (!(fv >= -0.5L && fv < 0x1p62L))
            return false;
        const int64_t v = ArrondiPositif(fv);
        if (v >= H)
            return false;
        px = c.source.Ligne(static_cast<int>(v))[u];
    } else {
        if (!(fu >= 0.0L && fu < 0x1p62L))
            return false;
        u = Trunc(fu);
        if (u >= W - 1 || u <= s)
            return false;
        const long double fv = ((c.b0x[x] + l.b1y) + c.b2x[x] * l.ly) + b3;
        if (!(fv >= 0.0L && fv < 0x1p62L))
            return false;
        const int64_t v = Trunc(fv);
        if (v >= H - 1)
            return false;
        const long double fx = fu - u;
        const long double fy = fv - v;
        const long double gx = 1.0L - fx;
        const long double gy = 1.0L - fy;
        const TPixel* l0 = c.source.Ligne(static_cast<int>(v)) + u;
        const TPixel* l1 = c.source.Ligne(static_cast<int>(v) + 1) + u;
        // Octets élargis en entiers 32 bits d'un coup : chaque conversion
        // en réel lit alors sa propre case mémoire.
        alignas(16) int32_t q[12];
        for (int k = 0; k < 3; ++k) {
            q[k] = (&l0[0].B)[k];
            q[3 + k] = (&l0[1].B)[k];
            q[6 + k] = (&l1[1].B)[k];
            q[9 + k] = (&l1[0].B)[k];
        }
        // Les poids sont positifs et de somme 1 : la valeur reste dans
        // 0..255 à l'arrondi près, sans borne à tester.
        uint8_t* o = &px.B;
        for (int k = 0; k < 3; ++k)
            o[k] = static_cast<uint8_t>(
                ArrondiPositif(((static_cast<long double>(q[k]) * gx * gy +
                                 static_cast<long double>(q[3 + k]) * fx * gy) +
                                static_cast<long double>(q[6 + k]) * fx * fy) +
                               static_cast<long double>(q[9 + k]) * gx * fy));
    }
    return true;
}

// Pixel déformé écrit dans la table, et dans le panoramique quand sa source
// est à droite de la jonction (u > s + 2).
inline void Ecrire(const TContexte& c, TLigne& l, int x, bool ecrit, int64_t u, TPixel px)
{
    if (!ecrit) {
        l.dest[x] = CouleurFond;
        return;
    }
    l.dest[x] = px;
    if (u > l.s + 2 && l.pano) {
        const int X = c.colonnePano[x];
        if (X >= 0 && (x < c.xReport || X < l.gauche)) {
            std::memcpy(l.pano + static_cast<size_t>(X) * 3, &px, 3);
            if (x < c.xReport)
                l.gauche = std::min(l.gauche, X);
        }
    }
}

// La voie scalaire calcule fu, fv et les canaux en double. Une position sert
// dès qu'elle est à plus de sa marge d'une frontière d'arrondi (une moitié au
// plus proche, un entier en bilinéaire), ce qui tranche aussi les tests de
// bornes ; un canal sert dès qu'il est assez loin d'une moitié. Sinon le pixel
// est refait en étendu : le résultat est toujours celui du calcul étendu.
template <int Mode>
void PixelScalaire(const TContexte& c, TLigne& l, int x)
{
    // Décalage qui ramène l'arrondi au plus proche à une partie entière.
    const double demi = Mode == 0 ? 0.5 : 0.0;
    const int W = c.W;
    const int H = c.H;
    const int64_t s = l.s;
    const double fu = ((c.a0xD[x] + l.a1yD) + c.a2xD[x] * l.lyD) + l.a3D;
    const double fv = ((c.b0xD[x] + l.b1yD) + c.b2xD[x] * l.lyD) + l.b3D;
    double eu = 0.0, ev = 0.0;
    const bool loin = std::fabs(fu) < 1e9 && std::fabs(fv) < 1e9;
    const bool presU = !EntierSur(fu + demi, l.margeU, eu);
    const bool presV = !EntierSur(fv + demi, l.margeV, ev);
    if constexpr (Mode == 1) {
        // Près d'un entier n, la cellule n-1 (poids presque 1) et la
        // cellule n (poids presque 0) donnent la même valeur, l'interpolation
        // étant continue ; seuls les tests de bornes en n peuvent différer.
        if (presU)
            eu = std::rint(fu);
        if (presV)
            ev = std::rint(fv);
    }
    const bool douteux =
        Mode == 0 ? presU || presV
                  : (presU && (eu == 0.0 || eu == W - 1 || eu == s + 1 || eu == s + 3)) ||
                        (presV && (ev == 0.0 || ev == H - 1));
    int64_t u;
    TPixel px;
    bool ecrit;
    if (!loin || douteux) {
        ecrit = PixelEtendu<Mode>(c, x, l, u, px);
    } else {
        u = static_cast<int64_t>(eu);
        const int64_t v = static_cast<int64_t>(ev);
        if constexpr (Mode == 0) {
            ecrit = u >= 0 && u < W && u > s && v >= 0 && v < H;
            if (ecrit)
                px = c.source.Ligne(static_cast<int>(v))[u];
        } else {
            ecrit = u >= 0 && u < W - 1 && u > s && v >= 0 && v < H - 1;
            if (ecrit) {
                const double fx = fu - eu;
                const double fy = fv - ev;
                const double gx = 1.0 - fx;
                const double gy = 1.0 - fy;
                const double w00 = gx * gy, w10 = fx * gy, w11 = fx * fy, w01 = gx * fy;
                const uint8_t* p0 = &c.source.Ligne(static_cast<int>(v))[u].B;
                const uint8_t* p1 = &c.source.Ligne(static_cast<int>(v) + 1)[u].B;
                const auto canal = [&](int n) {
                    return ((OctetD[p0[n]] * w00 + OctetD[p0[3 + n]] * w10) + OctetD[p1[3 + n]] * w11) +
                           OctetD[p1[n]] * w01;
                };
                if (!OctetsApproches(canal(0), canal(1), canal(2), l.limite, &px.B))
                    ecrit = PixelEtendu<Mode>(c, x, l, u, px);
            }
        }
    }
    Ecrire(c, l, x, ecrit, u, px);
}

template <int Mode>
void LigneScalaire(const TContexte& c, int y)
{
    TLigne l = PreparerLigne(c, y);
    for (int x = 0; x < c.W; ++x)
        PixelScalaire<Mode>(c, l, x);
    if (l.pano)
        c.gaucheDessinee[y] = l.gauche;
}

// Au plus proche, moitiés paires, pour |x| < 2^51 : l'ajout de 1,5·2^52 fait
// tomber les décimales dans le mode d'arrondi courant.
constexpr double Magique = 0x1.8p52;
constexpr int64_t SansSigne = 0x7FFFFFFFFFFFFFFFLL;

// Voie vectorielle : N positions à la fois (2 en SSE4.1, 4 en AVX2), mêmes
// marges et même recours que la voie scalaire. Écrite une fois avec les
// vecteurs de GCC, compilée une fois par jeu d'instructions.
namespace voieSSE {
#include "core/AssemblageDeformationVoie.h"
}  // namespace voieSSE

DEBUT_AVX2
namespace voieAVX2 {
#include "core/AssemblageDeformationVoie.h"
}  // namespace voieAVX2
FIN_AVX2

template <int Mode>
void LigneSSE(const TContexte& c, int y)
{
    voieSSE::LigneVecteur<Mode, 2>(c, y);
}

template <int Mode>
__attribute__((target("avx2"))) void LigneAVX2(const TContexte& c, int y)
{
    voieAVX2::LigneVecteur<Mode, 4>(c, y);
}

TVoie VoieMachine()
{
    return __builtin_cpu_supports("avx2") ? TVoie::AVX2 : TVoie::SSE41;
}

TVoie& VoieChoisie()
{
    static TVoie voie = VoieMachine();
    return voie;
}

template <int Mode>
void Deformer(const TContexte& c)
{
    void (*ligne)(const TContexte&, int) = LigneScalaire<Mode>;
    // Les voies vectorielles adressent la source en 32 bits.
    const bool adressable = 3 * static_cast<int64_t>(c.W) * c.H < (int64_t{1} << 31);
    if (adressable && VoieChoisie() == TVoie::SSE41)
        ligne = LigneSSE<Mode>;
    else if (adressable && VoieChoisie() == TVoie::AVX2)
        ligne = LigneAVX2<Mode>;
    ParallelLignes(c.H, [&](int debut, int fin) {
        for (int y = debut; y < fin; ++y)
            ligne(c, y);
    });
}

}  // namespace

void DefinirVoieDeformation(TVoie voie)
{
    VoieChoisie() = std::min(voie, VoieMachine());
}

void TAssembleImg::AppliquerModifications(int i)
{
    const int n = NbImagesAssemblage();
    if (i < 0 || i >= n || static_cast<size_t>(i) >= TablesPixels.size())
        return;
    TInfosImg& img = ImgsAssemblage[i];
    const int W = LargeurBitmap(img);
    const int H = HauteurBitmap(img);
    const TTransformation t = CalculerTransformation(img);

    if (TImage* vue = SeqPano ? SeqPano->ImgPano() : nullptr)
        vue->resize(LargeurPano, vue->height());
    if (BmpPano)
        BmpPano->SetWidth(LargeurPano);

    if (!EtapeSuivante(i, 5, QStringLiteral("Application des modifications")))
        return;

    if (TableTravail.Largeur() != W || TableTravail.Hauteur() != H)
        TableTravail.Liberer();
    TableTravail.SetLength(W, H);

    const TPoint32 P0 = img.Coins[0];
    const TPoint32 P3 = img.Coins[3];
    if (P0.X != P3.X && P0.Y != P3.Y) {
        img.PenteJonction = static_cast<long double>(int64_t{P0.Y} - P3.Y) /
                            static_cast<long double>(int64_t{P0.X} - P3.X);
        img.OrdonneeJonction = P0.Y - P0.X * static_cast<long double>(img.PenteJonction);
    } else {
        // Jonction verticale : elle passe par la colonne de jonction que la
        // largeur du panoramique a retenue pour cette image.
        const int colonne = static_cast<int>((int64_t{P0.X} + P3.X) / 2);
        img.PenteJonction = PenteVerticale();
        img.OrdonneeJonction = colonne == 0 ? 0.0L : -colonne * PenteVerticale();
    }

    if (i > 0)
        XCourant = Position32(int64_t{XCourant} + img.DecalX);

    TPtImg& source = TablesPixels[i];
    const int mode = ModeDeformation();
    if ((mode == 0 || mode == 1) && source.Largeur() == W && source.Hauteur() == H && W > 0 &&
        H > 0) {
        // Colonnes du panoramique : rien n'est écrit hors de 0..LargeurPano-1 ;
        // un panoramique bouclé reprend à gauche ce qui dépasse à droite, mais
        // seulement là où aucune image n'a encore dessiné.
        const int largeurPano = BmpPano ? BmpPano->Width() : 0;
        const bool boucler = OptionBoucler();
        const int64_t report = static_cast<int64_t>(largeurPano) - XCourant;
        const int xReport = boucler ? static_cast<int>(std::clamp<int64_t>(report, 0, W)) : W;
        std::vector<int> colonnes(static_cast<size_t>(W));
        for (int x = 0; x < W; ++x) {
            int64_t X = static_cast<int64_t>(XCourant) + x;
            if (x >= xReport)
                X -= largeurPano;
            colonnes[x] = X >= 0 && X < largeurPano ? static_cast<int>(X) : -1;
        }
        const int xDebut = static_cast<int>(std::clamp<int64_t>(-static_cast<int64_t>(XCourant), 0, W));
        const int xFin = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(report, xReport), xDebut, W));
        const int lignesPano = BmpPano ? BmpPano->Height() : 0;
        if (GaucheDessinee.size() != static_cast<size_t>(lignesPano))
            GaucheDessinee.assign(static_cast<size_t>(lignesPano), std::numeric_limits<int>::max());
        std::vector<long double> produits(static_cast<size_t>(W) * 4);
        long double* a0x = produits.data();
        long double* a2x = a0x + W;
        long double* b0x = a2x + W;
        long double* b2x = b0x + W;
        std::vector<double> produitsD(static_cast<size_t>(W) * 4);
        double* a0xD = produitsD.data();
        double* a2xD = a0xD + W;
        double* b0xD = a2xD + W;
        double* b2xD = b0xD + W;
        long double maxA0 = 0.0L, maxA2 = 0.0L, maxB0 = 0.0L, maxB2 = 0.0L;
        for (int x = 0; x < W; ++x) {
            const long double lx = x;
            a0x[x] = t.a[0] * lx;
            a2x[x] = t.a[2] * lx;
            b0x[x] = t.b[0] * lx;
            b2x[x] = t.b[2] * lx;
            a0xD[x] = static_cast<double>(a0x[x]);
            a2xD[x] = static_cast<double>(a2x[x]);
            b0xD[x] = static_cast<double>(b0x[x]);
            b2xD[x] = static_cast<double>(b2x[x]);
            maxA0 = std::max(maxA0, std::fabs(a0x[x]));
            maxA2 = std::max(maxA2, std::fabs(a2x[x]));
            maxB0 = std::max(maxB0, std::fabs(b0x[x]));
            maxB2 = std::max(maxB2, std::fabs(b2x[x]));
        }
        const TContexte c = {t,     source, TableTravail, BmpPano, colonnes.data(), xReport,
                             GaucheDessinee.data(), xDebut, xFin, XCourant,
                             a0x,   a2x,    b0x,          b2x,     a0xD, a2xD, b0xD, b2xD,
                             maxA0, maxA2,  maxB0,        maxB2,   img.OrdonneeJonction,
                             img.PenteJonction, W, H};
        if (mode == 0)
            Deformer<0>(c);
        else
            Deformer<1>(c);
    } else {
        for (int y = 0; y < TableTravail.Hauteur(); ++y)
            std::fill(TableTravail.Ligne(y), TableTravail.Ligne(y) + TableTravail.Largeur(),
                      CouleurFond);
    }
    std::swap(TablesPixels[i], TableTravail);
}
