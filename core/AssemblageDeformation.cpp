// Déformation bilinéaire de chaque image et dessin dans le panoramique.

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/Assemblage.h"
#include "core/ArrondiOctet.h"
#include "core/AssemblageInterne.h"
#include "core/Matrix.h"
#include "platform/Image.h"

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
        U[k][0] = P.X + D.X;
        V[k][0] = P.Y + D.Y;
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
    long double ordonnee;
    long double pente;
    int W;
    int H;
};

template <int Mode>
void Deformer(const TContexte& c)
{
    const long double a0 = c.t.a[0], a1 = c.t.a[1], a2 = c.t.a[2], a3 = c.t.a[3];
    const long double b0 = c.t.b[0], b1 = c.t.b[1], b2 = c.t.b[2], b3 = c.t.b[3];
    const int W = c.W;
    const int H = c.H;
    const long double limiteU = W - 1;
    const long double limiteV = H - 1;
    const long double limiteW = W;
    const long double limiteH = H;
    const int lignesPano = c.pano ? c.pano->Height() : 0;
    for (int y = 0; y < H; ++y) {
        const long double ly = y;
        const long double a1y = a1 * ly;
        const long double b1y = b1 * ly;
        const int64_t s = ColonneJonction(y, c.ordonnee, c.pente) - LargeurRecouvrement;
        TPixel* dest = c.dest.Ligne(y);
        std::fill(dest, dest + W, CouleurFond);
        uint8_t* pano = y < lignesPano ? c.pano->Ligne(y) : nullptr;
        for (int x = 0; x < W; ++x) {
            const long double lx = x;
            const long double fu = ((a0 * lx + a1y) + (a2 * lx) * ly) + a3;
            const long double fv = ((b0 * lx + b1y) + (b2 * lx) * ly) + b3;
            int64_t u;
            TPixel px;
            if constexpr (Mode == 0) {
                // Round(fu) est dans 0..W-1 seulement si -0,5 <= fu < W.
                if (!(fu >= -0.5L && fu < limiteW && fv >= -0.5L && fv < limiteH))
                    continue;
                u = ArrondiPositif(fu);
                const int64_t v = ArrondiPositif(fv);
                if (u >= W || v >= H || u <= s)
                    continue;
                px = c.source.Ligne(static_cast<int>(v))[u];
            } else {
                if (!(fu >= 0.0L && fv >= 0.0L && fu < limiteU && fv < limiteV))
                    continue;
                u = Trunc(fu);
                if (u <= s)
                    continue;
                const int64_t v = Trunc(fv);
                const long double fx = fu - u;
                const long double fy = fv - v;
                const long double gx = 1.0L - fx;
                const long double gy = 1.0L - fy;
                const TPixel* l0 = c.source.Ligne(static_cast<int>(v)) + u;
                const TPixel* l1 = c.source.Ligne(static_cast<int>(v) + 1) + u;
                const uint8_t* p00 = &l0[0].B;
                const uint8_t* p10 = &l0[1].B;
                const uint8_t* p11 = &l1[1].B;
                const uint8_t* p01 = &l1[0].B;
                uint8_t* o = &px.B;
                for (int k = 0; k < 3; ++k)
                    o[k] = OctetArrondi(((static_cast<long double>(p00[k]) * gx * gy +
                                   static_cast<long double>(p10[k]) * fx * gy) +
                                  static_cast<long double>(p11[k]) * fx * fy) +
                                 static_cast<long double>(p01[k]) * gx * fy);
            }
            dest[x] = px;
            if (u > s + 2 && pano) {
                const int X = c.colonnePano[x];
                if (X >= 0) {
                    uint8_t* q = pano + static_cast<size_t>(X) * 3;
                    q[0] = px.B;
                    q[1] = px.V;
                    q[2] = px.R;
                }
            }
        }
    }
}

}  // namespace

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
        img.PenteJonction = static_cast<long double>(P0.Y - P3.Y) / (P0.X - P3.X);
        img.OrdonneeJonction = P0.Y - P0.X * static_cast<long double>(img.PenteJonction);
    } else {
        // Jonction verticale : elle passe par la colonne de jonction que la
        // largeur du panoramique a retenue pour cette image.
        const int colonne = (P0.X + P3.X) / 2;
        img.PenteJonction = PenteVerticale();
        img.OrdonneeJonction = colonne == 0 ? 0.0L : -colonne * PenteVerticale();
    }

    if (i > 0)
        XCourant += img.DecalX;

    TPtImg& source = TablesPixels[i];
    const int mode = ModeDeformation();
    if ((mode == 0 || mode == 1) && source.Largeur() == W && source.Hauteur() == H && W > 0 &&
        H > 0) {
        // Colonnes du panoramique : rien n'est écrit hors de 0..LargeurPano-1 ;
        // un panoramique bouclé reprend à gauche ce qui dépasse à droite.
        const int largeurPano = BmpPano ? BmpPano->Width() : 0;
        const bool boucler = OptionBoucler();
        std::vector<int> colonnes(static_cast<size_t>(W));
        for (int x = 0; x < W; ++x) {
            int64_t X = static_cast<int64_t>(XCourant) + x;
            if (boucler && X >= largeurPano)
                X -= largeurPano;
            colonnes[x] = X >= 0 && X < largeurPano ? static_cast<int>(X) : -1;
        }
        const TContexte c = {t,        source, TableTravail, BmpPano, colonnes.data(),
                             img.OrdonneeJonction, img.PenteJonction, W, H};
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
