// Marqueurs des points sur les vues de l'éditeur et coefficient de corrélation
// des voisinages de deux points appariés.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <QLocale>
#include <QRegularExpression>

#include "core/UtilsPano.h"
#include "platform/Canevas.h"
#include "platform/Erreur.h"
#include "platform/Image.h"

namespace {

constexpr int DemiPatch = 9;
constexpr int RayonMarqueur = 7;
constexpr int TailleBloc = 16;

// Carré de 19 × 19 centré sur le point, rogné au bitmap.
struct Carre
{
    int x0, x1, y0, y1;  // bornes incluses
    bool Vide() const { return x0 > x1 || y0 > y1; }
};

Carre CarreRogne(const Bitmap& bmp, int X, int Y)
{
    return {std::max(0, X - DemiPatch), std::min(bmp.Width() - 1, X + DemiPatch),
            std::max(0, Y - DemiPatch), std::min(bmp.Height() - 1, Y + DemiPatch)};
}

// "%.3f" sur la valeur étendue elle-même, avec le séparateur décimal de
// l'utilisateur.
QString FormaterReel3(long double v)
{
    char tampon[64];
    std::snprintf(tampon, sizeof tampon, "%.3Lf", v);
    QString texte = QString::fromLatin1(tampon);
    const qsizetype i = texte.indexOf(QRegularExpression(QStringLiteral("[^-0-9]")));
    if (i >= 0)
        texte.replace(i, 1, QLocale().decimalPoint());
    return texte;
}

}  // namespace

void MarquerPoint(TImage* Image, int X, int Y, uint32_t Couleur, int Forme, TPatch& Patch,
                  int Mode)
{
    if (Image == nullptr || (Mode != 0 && Mode != 1))
        return;
    Bitmap& bmp = Image->Picture();
    const Carre c = CarreRogne(bmp, X, Y);
    const size_t octets = c.Vide() ? 0 : static_cast<size_t>(c.x1 - c.x0 + 1) * 3;

    if (Mode == 1) {
        // Retour direct des pixels sauvés ; l'appelant rafraîchit la vue.
        for (int y = c.y0; y <= c.y1 && octets; ++y) {
            uint8_t* p = bmp.Ligne(y) + static_cast<size_t>(c.x0) * 3;
            for (int x = c.x0; x <= c.x1; ++x, p += 3) {
                const TPixel& s = Patch.p[x - X + DemiPatch][y - Y + DemiPatch];
                p[0] = s.B;
                p[1] = s.V;
                p[2] = s.R;
            }
        }
        return;
    }

    for (int y = c.y0; y <= c.y1 && octets; ++y) {
        const uint8_t* p = bmp.Ligne(y) + static_cast<size_t>(c.x0) * 3;
        for (int x = c.x0; x <= c.x1; ++x, p += 3)
            Patch.p[x - X + DemiPatch][y - Y + DemiPatch] = {p[0], p[1], p[2]};
    }
    if (bmp.Empty())
        return;

    // Le canevas ne vit que le temps du tracé : la plume de 2 et le pinceau
    // creux de la vue lui sont redonnés ici.
    TCanevas canevas(bmp);
    canevas.penColor = Couleur;
    canevas.penWidth = 2;
    canevas.brushClear = true;
    if (Forme == 1)
        canevas.Ellipse(X - RayonMarqueur, Y - RayonMarqueur, X + RayonMarqueur,
                        Y + RayonMarqueur);
    else if (Forme == 2)
        canevas.Rectangle(X - RayonMarqueur, Y - RayonMarqueur, X + RayonMarqueur,
                          Y + RayonMarqueur);
    Image->Actualiser();
}

void LireSommesRVB(const Bitmap& Bmp, int X0, int Y0, int NbColonnes, int NbLignes, TabInt& T)
{
    // Colonnes hors du bitmap : laissées à 0, comme les lignes manquantes.
    const int xDebut = std::max(X0, 0);
    const int xFin = std::min(X0 + NbColonnes, Bmp.Width());
    for (int y = Y0; y < Y0 + NbLignes; ++y) {
        if (y < 0 || y >= Bmp.Height())
            return;  // la lecture s'arrête à la première ligne absente
        if (xDebut >= xFin)
            continue;
        const uint8_t* p = Bmp.Ligne(y) + static_cast<size_t>(xDebut) * 3;
        int32_t* t = T.Ligne(y - Y0);
        for (int x = xDebut; x < xFin; ++x, p += 3)
            t[x - X0] = static_cast<int32_t>(p[0]) + p[1] + p[2];
    }
}

QString CoeffCorrelation(int NumImg, int NumPt, int X, int Y)
{
    const QString Indefini = QStringLiteral("NaN");
    const int nb = static_cast<int>(ListeImgs.size());
    if (NumImg < 0 || NumImg >= nb || NumPt < 1 || NumPt > 4)
        return Indefini;
    const TPtControle& P = ListeImgs[NumImg].PtsControle[NumPt - 1];
    // Un lien lu d'un projet peut viser une image ou un point absent.
    if (P.NumImg < 0 || P.NumImg >= nb || P.NumPt < 1 || P.NumPt > 4)
        return Indefini;
    const TPtControle& Q = ListeImgs[P.NumImg].PtsControle[P.NumPt - 1];

    const Bitmap vide;
    const Bitmap* bmpA = BitmapDe(ListeImgs[NumImg]);
    const Bitmap* bmpB = BitmapDe(ListeImgs[P.NumImg]);
    TabInt A, B;
    A.SetLength(TailleBloc, TailleBloc);
    B.SetLength(TailleBloc, TailleBloc);
    const int demi = TailleBloc / 2;
    LireSommesRVB(bmpA ? *bmpA : vide, X - demi, Y - demi, TailleBloc, TailleBloc, A);
    LireSommesRVB(bmpB ? *bmpB : vide, Q.X - demi, Q.Y - demi, TailleBloc, TailleBloc, B);

    int32_t SA = 0, SB = 0;
    for (int j = 0; j < TailleBloc; ++j) {
        const int32_t* a = A.Ligne(j);
        const int32_t* b = B.Ligne(j);
        for (int i = 0; i < TailleBloc; ++i) {
            SA += a[i];
            SB += b[i];
        }
    }
    const int32_t MA = SA / (TailleBloc * TailleBloc);
    const int32_t MB = SB / (TailleBloc * TailleBloc);
    int32_t Cov = 0, VA = 0, VB = 0;
    for (int j = 0; j < TailleBloc; ++j) {
        const int32_t* a = A.Ligne(j);
        const int32_t* b = B.Ligne(j);
        for (int i = 0; i < TailleBloc; ++i) {
            const int32_t da = a[i] - MA;
            const int32_t db = b[i] - MB;
            Cov += da * db;
            VA += da * da;
            VB += db * db;
        }
    }
    const long double D = sqrtl(static_cast<long double>(VA)) * sqrtl(static_cast<long double>(VB));
    if (D == 0.0L)
        return Indefini;
    const long double r = static_cast<long double>(Cov) / D;
    return FormaterReel3(r);
}

int ModPositif(int a, int b)
{
    if (b == 0)
        throw Erreur("Division par zéro");
    const int r = a % b;
    return a >= 0 ? r : r + b;
}
