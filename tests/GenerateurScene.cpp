#include "tests/GenerateurScene.h"

#include <algorithm>
#include <cmath>

#include "core/Assemblage.h"

namespace {

uint32_t Hacher(uint32_t x, uint32_t y, uint32_t c, uint32_t graine)
{
    uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + graine) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

int Modulo(int a, int b)
{
    const int r = a % b;
    return r < 0 ? r + b : r;
}

}  // namespace

Bitmap CreerScene(int Largeur, int Hauteur, uint32_t Graine, const std::vector<QPoint>& Amers)
{
    Bitmap b(Largeur, Hauteur);
    for (int y = 0; y < Hauteur; ++y) {
        uint8_t* l = b.Ligne(y);
        for (int x = 0; x < Largeur; ++x)
            for (int c = 0; c < 3; ++c) {
                // Dégradé lent plus bruit fin : chaque pixel se distingue de
                // ses voisins, sans jamais atteindre le noir, le blanc ni le rouge pur.
                const int lent = (x * (3 + c) + y * (5 - c)) % 97;
                const int bruit = static_cast<int>(Hacher(x, y, c, Graine) % 94);
                l[3 * x + c] = static_cast<uint8_t>(TexteMin + lent + bruit);
            }
    }
    for (const QPoint& a : Amers)
        for (int dy = -DemiAmer; dy <= DemiAmer; ++dy)
            for (int dx = -DemiAmer; dx <= DemiAmer; ++dx) {
                const int y = a.y() + dy;
                if (y < 0 || y >= Hauteur)
                    continue;
                uint8_t* p = b.Ligne(y) + 3 * Modulo(a.x() + dx, Largeur);
                p[0] = 0;
                p[1] = 0;
                p[2] = 255;
            }
    return b;
}

QPointF ImageVersScene(const TSerie& S, const TPlacement& P, QPointF Point)
{
    const double cx = S.Largeur / 2, cy = S.Hauteur / 2;
    const double dx = Point.x() - cx, dy = Point.y() - cy;
    const double c = std::cos(P.Angle), s = std::sin(P.Angle);
    return {dx * c - dy * s + cx + P.X, dx * s + dy * c + cy + P.Y};
}

QPointF SceneVersImage(const TSerie& S, const TPlacement& P, QPointF Point)
{
    const double cx = S.Largeur / 2, cy = S.Hauteur / 2;
    const double dx = Point.x() - P.X - cx, dy = Point.y() - P.Y - cy;
    const double c = std::cos(P.Angle), s = std::sin(P.Angle);
    return {dx * c + dy * s + cx, -dx * s + dy * c + cy};
}

Bitmap DecouperImage(const TSerie& S, const TPlacement& P)
{
    Bitmap b(S.Largeur, S.Hauteur);
    const int ls = S.Scene.Width(), hs = S.Scene.Height();
    for (int y = 0; y < S.Hauteur; ++y) {
        uint8_t* l = b.Ligne(y);
        for (int x = 0; x < S.Largeur; ++x) {
            const QPointF q = ImageVersScene(S, P, QPointF(x, y));
            int sx = static_cast<int>(std::lround(q.x()));
            const int sy = std::clamp(static_cast<int>(std::lround(q.y())), 0, hs - 1);
            sx = S.Periodique ? Modulo(sx, ls) : std::clamp(sx, 0, ls - 1);
            const uint8_t* p = S.Scene.Ligne(sy) + 3 * sx;
            std::copy(p, p + 3, l + 3 * x);
        }
    }
    return b;
}

TSerie CreerSerie(int NbImages, int Largeur, int Hauteur, int Pas, const std::vector<int>& Denivele,
                  const std::vector<double>& Angles, bool Periodique, uint32_t Graine)
{
    TSerie s;
    s.Periodique = Periodique;
    s.Largeur = Largeur;
    s.Hauteur = Hauteur;
    int bas = 0, haut = 0;
    for (int d : Denivele) {
        bas = std::min(bas, d);
        haut = std::max(haut, d);
    }
    const int marge = Periodique ? 0 : 16;
    const int margeY = 16 - bas;
    const int largeurScene = Periodique ? NbImages * Pas : (NbImages - 1) * Pas + Largeur + 2 * marge;
    const int hauteurScene = Hauteur + margeY + haut + 16;
    for (int i = 0; i < NbImages; ++i) {
        TPlacement p;
        p.X = marge + i * Pas;
        p.Y = margeY + (i < static_cast<int>(Denivele.size()) ? Denivele[i] : 0);
        p.Angle = i < static_cast<int>(Angles.size()) ? Angles[i] : 0.0;
        s.Placements.push_back(p);
    }
    // Amers en quinconce sur toute la scène, à l'écart des bords haut et bas.
    for (int x = 11, k = 0; x < largeurScene - 4; x += 29, ++k)
        for (int f = 1; f <= 3; ++f)
            s.Amers.push_back({x, margeY + haut + (Hauteur - haut + bas) * f / 4 + (k % 2) * 7 - 14});
    s.Scene = CreerScene(largeurScene, hauteurScene, Graine, s.Amers);
    return s;
}

void ViderListe()
{
    for (TInfosImg& img : ListeImgs) {
        LibererBitmap(img.Bitmap);
        for (HPatch h : img.PatchsPts)
            LibererPatch(h);
        for (HPatch h : img.PatchsHoriz)
            LibererPatch(h);
    }
    ListeImgs.clear();
    ImgsAssemblage.clear();
    PoidsEtapes.clear();
    Patchs.clear();
    TablesPixels.clear();
    TableTravail.Liberer();
    ConserverImgs = false;
}

int AjouterImage(const Bitmap& Image, const QString& Nom)
{
    ListeImgs.push_back(TInfosImg{});
    const int i = static_cast<int>(ListeImgs.size()) - 1;
    TInfosImg& img = ListeImgs[i];
    img.Bitmap = NouveauBitmap();
    *BitmapDe(img.Bitmap) = Image;
    EcrireChaineCourte(img.Nom, Nom);
    EcrireChaineCourte(img.Repertoire, QStringLiteral("/tmp"));
    img.Largeur = Image.Width();
    img.Hauteur = Image.Height();
    InitPtsImg(i);
    InitCorrectionsImg(i);
    AjouterEtapes(1);
    return i;
}

int AjouterPoint(int NumImg, int X, int Y)
{
    TInfosImg& img = ListeImgs[NumImg];
    const int k = img.NbPtsControle++;
    img.PtsControle[k] = {X, Y, -1, 0, 0xFF};
    img.PatchsPts[k] = NouveauPatch();
    return k + 1;
}

void RelierPoints(int ImgA, int PtA, int ImgB, int PtB)
{
    ListeImgs[ImgA].PtsControle[PtA - 1].NumImg = ImgB;
    ListeImgs[ImgA].PtsControle[PtA - 1].NumPt = PtB;
    ListeImgs[ImgB].PtsControle[PtB - 1].NumImg = ImgA;
    ListeImgs[ImgB].PtsControle[PtB - 1].NumPt = PtA;
}

void ChargerSerie(const TSerie& S, bool Boucle, bool Horizon)
{
    ViderListe();
    const int n = static_cast<int>(S.Placements.size());
    for (int i = 0; i < n; ++i)
        AjouterImage(DecouperImage(S, S.Placements[i]), QStringLiteral("image%1.bmp").arg(i));
    const int periode = S.Scene.Width();
    const int paires = Boucle ? n : n - 1;
    for (int i = 0; i < paires; ++i) {
        const int j = (i + 1) % n;
        const TPlacement& a = S.Placements[i];
        TPlacement b = S.Placements[j];
        // La dernière image d'un tour complet retrouve la première une période plus loin.
        if (j == 0)
            b.X += periode;
        const double xm = (b.X + a.X + S.Largeur) / 2.0;
        const int y0 = std::max(a.Y, b.Y), y1 = std::min(a.Y, b.Y) + S.Hauteur;
        const QPointF scene[2] = {{xm - 2, y0 + (y1 - y0) * 0.2}, {xm + 2, y0 + (y1 - y0) * 0.8}};
        for (const QPointF& q : scene) {
            const QPointF pa = SceneVersImage(S, a, q);
            const QPointF pb = SceneVersImage(S, b, q);
            const int ka = AjouterPoint(i, static_cast<int>(std::lround(pa.x())),
                                        static_cast<int>(std::lround(pa.y())));
            const int kb = AjouterPoint(j, static_cast<int>(std::lround(pb.x())),
                                        static_cast<int>(std::lround(pb.y())));
            RelierPoints(i, ka, j, kb);
        }
    }
    if (!Horizon)
        return;
    for (int i = 0; i < n; ++i) {
        const TPlacement& p = S.Placements[i];
        const double ys = p.Y + S.Hauteur * 0.3;
        const QPointF h1 = SceneVersImage(S, p, {p.X + S.Largeur * 0.15, ys});
        const QPointF h2 = SceneVersImage(S, p, {p.X + S.Largeur * 0.85, ys});
        TInfosImg& img = ListeImgs[i];
        img.PtsHoriz[0] = {static_cast<int32_t>(std::lround(h1.x())),
                           static_cast<int32_t>(std::lround(h1.y()))};
        img.PtsHoriz[1] = {static_cast<int32_t>(std::lround(h2.x())),
                           static_cast<int32_t>(std::lround(h2.y()))};
        img.NbPtsHoriz = 2;
        img.PatchsHoriz[0] = NouveauPatch();
        img.PatchsHoriz[1] = NouveauPatch();
    }
}

TAttendu RepereAttendu(const TSerie& S)
{
    return {S.Placements[0].X, S.Placements[0].Y};
}

std::vector<QPointF> TrouverAmers(const Bitmap& B)
{
    const int w = B.Width(), h = B.Height();
    auto rouge = [&](int x, int y) {
        const uint8_t* p = B.Ligne(y) + 3 * x;
        return p[2] >= 200 && p[1] <= 60 && p[0] <= 60;
    };
    std::vector<uint8_t> vu(static_cast<size_t>(w) * h, 0);
    std::vector<QPointF> centres;
    std::vector<QPoint> pile;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (vu[static_cast<size_t>(y) * w + x] || !rouge(x, y))
                continue;
            double sx = 0, sy = 0;
            int nb = 0;
            pile.push_back({x, y});
            vu[static_cast<size_t>(y) * w + x] = 1;
            while (!pile.empty()) {
                const QPoint q = pile.back();
                pile.pop_back();
                sx += q.x();
                sy += q.y();
                ++nb;
                const QPoint voisins[4] = {{q.x() + 1, q.y()}, {q.x() - 1, q.y()},
                                           {q.x(), q.y() + 1}, {q.x(), q.y() - 1}};
                for (const QPoint& v : voisins) {
                    if (v.x() < 0 || v.y() < 0 || v.x() >= w || v.y() >= h)
                        continue;
                    uint8_t& marque = vu[static_cast<size_t>(v.y()) * w + v.x()];
                    if (!marque && rouge(v.x(), v.y())) {
                        marque = 1;
                        pile.push_back(v);
                    }
                }
            }
            centres.push_back({sx / nb, sy / nb});
        }
    return centres;
}
