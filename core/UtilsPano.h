#pragma once
// Modèle de données du cœur : l'enregistrement image, la liste des images,
// les tables de pixels et l'état global, plus les petites routines partagées.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Parallele.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include "platform/Bitmap.h"
#include "platform/Extended.h"

class TImage;
class TCanevas;

#pragma pack(push, 1)

struct TPixel
{
    uint8_t B;
    uint8_t V;
    uint8_t R;
    bool operator==(const TPixel&) const = default;
};
static_assert(sizeof(TPixel) == 3);

struct TPtControle
{
    int32_t X;
    int32_t Y;
    int32_t NumImg;  // image liée, -1 aucune
    int32_t NumPt;   // point lié (1..4), 0 aucun
    int32_t Couleur; // $00BBGGRR
};
static_assert(sizeof(TPtControle) == 20);

struct TPoint32
{
    int32_t X;
    int32_t Y;
    bool operator==(const TPoint32&) const = default;
};
static_assert(sizeof(TPoint32) == 8);

// Chaîne courte : un octet de longueur puis N octets (Windows-1252, ou UTF-8
// pour un texte hors de cette page).
template <int N>
struct TChaineCourte
{
    uint8_t longueur;
    char car[N];
    static constexpr int Capacite = N;
};

using HBitmap = uint32_t;  // référence d'un bitmap de la table, 0 = aucun
using HPatch = uint32_t;   // référence d'un tampon de marqueur, 0 = aucun

struct TInfosImg
{
    HBitmap Bitmap;
    TChaineCourte<31> Nom;
    TChaineCourte<127> Repertoire;
    int32_t Largeur;
    int32_t Hauteur;
    TPtControle PtsControle[4];  // points 1..4 aux indices 0..3
    int32_t PtCourant;
    int32_t NbPtsControle;
    TChaineCourte<1> CoteEnAttente;
    TChaineCourte<5> Version;
    TPoint32 PtsHoriz[2];  // points 1..2 aux indices 0..1
    int32_t PtHorizCourant;
    int32_t NbPtsHoriz;
    TPoint32 Deplacements[4];
    TPoint32 Coins[4];
    TPoint32 CoinsLies[4];
    int32_t DecalX;
    int32_t DecalY;
    uint8_t Bourrage1[4];
    Extended PenteJonction;
    Extended OrdonneeJonction;
    int32_t ReserveCorr[4];
    uint8_t Bourrage2[4];
    Extended CoefHG;
    Extended CoefBG;
    Extended CoefHD;
    Extended CoefBD;
    HPatch PatchsPts[4];    // points 1..4 aux indices 0..3
    HPatch PatchsHoriz[2];  // points 1..2 aux indices 0..1
    float FacteursRVB[4][3];  // coins HG, HD, BD, BG ; canaux B, V, R
    float CoefFuite;
    uint8_t Bourrage3[4];
};

#pragma pack(pop)

static_assert(sizeof(TInfosImg) == 560);
static_assert(offsetof(TInfosImg, Bitmap) == 0);
static_assert(offsetof(TInfosImg, Nom) == 4);
static_assert(offsetof(TInfosImg, Repertoire) == 36);
static_assert(offsetof(TInfosImg, Largeur) == 164);
static_assert(offsetof(TInfosImg, Hauteur) == 168);
static_assert(offsetof(TInfosImg, PtsControle) == 172);
static_assert(offsetof(TInfosImg, PtCourant) == 252);
static_assert(offsetof(TInfosImg, NbPtsControle) == 256);
static_assert(offsetof(TInfosImg, CoteEnAttente) == 260);
static_assert(offsetof(TInfosImg, Version) == 262);
static_assert(offsetof(TInfosImg, PtsHoriz) == 268);
static_assert(offsetof(TInfosImg, PtHorizCourant) == 284);
static_assert(offsetof(TInfosImg, NbPtsHoriz) == 288);
static_assert(offsetof(TInfosImg, Deplacements) == 292);
static_assert(offsetof(TInfosImg, Coins) == 324);
static_assert(offsetof(TInfosImg, CoinsLies) == 356);
static_assert(offsetof(TInfosImg, DecalX) == 388);
static_assert(offsetof(TInfosImg, DecalY) == 392);
static_assert(offsetof(TInfosImg, Bourrage1) == 396);
static_assert(offsetof(TInfosImg, PenteJonction) == 400);
static_assert(offsetof(TInfosImg, OrdonneeJonction) == 410);
static_assert(offsetof(TInfosImg, ReserveCorr) == 420);
static_assert(offsetof(TInfosImg, Bourrage2) == 436);
static_assert(offsetof(TInfosImg, CoefHG) == 440);
static_assert(offsetof(TInfosImg, CoefBG) == 450);
static_assert(offsetof(TInfosImg, CoefHD) == 460);
static_assert(offsetof(TInfosImg, CoefBD) == 470);
static_assert(offsetof(TInfosImg, PatchsPts) == 480);
static_assert(offsetof(TInfosImg, PatchsHoriz) == 496);
static_assert(offsetof(TInfosImg, FacteursRVB) == 504);
static_assert(offsetof(TInfosImg, CoefFuite) == 552);
static_assert(offsetof(TInfosImg, Bourrage3) == 556);

using TImgs = std::vector<TInfosImg>;

// Allocation qui laisse les cellules sans valeur : la table les remplit
// elle-même, ligne par ligne.
template <class T>
struct AllocationBrute : std::allocator<T>
{
    using value_type = T;
    AllocationBrute() = default;
    template <class U>
    AllocationBrute(const AllocationBrute<U>&) noexcept
    {
    }
    template <class U>
    struct rebind
    {
        using other = AllocationBrute<U>;
    };
    template <class U, class... A>
    void construct(U* p, A&&... a)
    {
        if constexpr (sizeof...(A) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
    }
};

// Table à deux dimensions indexée [x][y] (colonne d'abord), rangée d'un seul
// tenant ligne après ligne pour que les boucles par ligne suivent la mémoire.
template <class T>
class TTable2D
{
public:
    class Colonne
    {
    public:
        Colonne(T* base, int pas) : base_(base), pas_(pas) {}
        T& operator[](int y) const { return base_[static_cast<ptrdiff_t>(y) * pas_]; }
    private:
        T* base_;
        int pas_;
    };

    int Largeur() const { return largeur_; }
    int Hauteur() const { return hauteur_; }
    bool Vide() const { return largeur_ == 0 || hauteur_ == 0; }

    // Comme SetLength : les cellules communes sont gardées, les nouvelles à zéro.
    // La mise à zéro, qui touche chaque page pour la première fois, est
    // partagée entre les fils de travail.
    void SetLength(int largeur, int hauteur)
    {
        if (largeur < 0) largeur = 0;
        if (hauteur < 0) hauteur = 0;
        if (largeur == largeur_ && hauteur == hauteur_)
            return;
        if (largeur == largeur_) {
            d_.resize(static_cast<size_t>(largeur) * hauteur, T{});
            hauteur_ = hauteur;
            return;
        }
        Donnees n(static_cast<size_t>(largeur) * hauteur);
        const int lc = largeur < largeur_ ? largeur : largeur_;
        const int hc = hauteur < hauteur_ ? hauteur : hauteur_;
        ParallelLignes(hauteur, [&](int debut, int fin) {
            for (int y = debut; y < fin; ++y) {
                T* dest = n.data() + static_cast<size_t>(y) * largeur;
                const int communes = y < hc ? lc : 0;
                std::copy(d_.data() + static_cast<size_t>(y) * largeur_,
                          d_.data() + static_cast<size_t>(y) * largeur_ + communes, dest);
                std::fill(dest + communes, dest + largeur, T{});
            }
        });
        d_ = std::move(n);
        largeur_ = largeur;
        hauteur_ = hauteur;
    }
    void Liberer()
    {
        d_.clear();
        d_.shrink_to_fit();
        largeur_ = hauteur_ = 0;
    }

    Colonne operator[](int x) { return Colonne(d_.data() + x, largeur_); }
    const Colonne operator[](int x) const { return Colonne(const_cast<T*>(d_.data()) + x, largeur_); }
    T* Ligne(int y) { return d_.data() + static_cast<size_t>(y) * largeur_; }
    const T* Ligne(int y) const { return d_.data() + static_cast<size_t>(y) * largeur_; }
    T& At(int x, int y) { return d_[static_cast<size_t>(y) * largeur_ + x]; }
    const T& At(int x, int y) const { return d_[static_cast<size_t>(y) * largeur_ + x]; }

    bool operator==(const TTable2D&) const = default;

private:
    using Donnees = std::vector<T, AllocationBrute<T>>;

    Donnees d_;
    int largeur_ = 0;
    int hauteur_ = 0;
};

using TPtImg = TTable2D<TPixel>;
using TabInt = TTable2D<int32_t>;

// Tampon de marqueur : 19 × 19 pixels indexés [dx + 9][dy + 9].
struct TPatch
{
    TPixel p[19][19];
};
static_assert(sizeof(TPatch) == 1083);

// ---- Tables de propriétaires des références des enregistrements ----------

// Crée un bitmap vide et renvoie sa référence (jamais 0). Nom : celui que le
// chargement a trouvé sur le disque pour son fichier.
HBitmap NouveauBitmap(const QString& Nom = QString());
// nullptr pour 0 ou une référence inconnue (valeur périmée lue d'un fichier).
Bitmap* BitmapDe(HBitmap h);
Bitmap* BitmapDe(const TInfosImg& img);
void LibererBitmap(HBitmap h);
// Le nom montré d'une image : celui de son chargement, gardé avec son bitmap,
// car des octets stockés peuvent se lire de deux façons ; à défaut, la
// lecture sans disque du champ Nom.
QString NomImage(const TInfosImg& img);

// Crée un tampon rempli de zéros (et allonge Patchs d'un élément).
HPatch NouveauPatch();
TPatch* PatchDe(HPatch h);
void LibererPatch(HPatch h);

// ---- Chaînes courtes ------------------------------------------------------

// Octets d'un texte dans une chaîne courte : la règle des noms stockés
// (Windows-1252 quand cette page sait l'écrire, UTF-8 sinon), pour qu'un nom
// de fichier quelconque se retrouve. La lecture, sans le disque, rend le texte
// que l'écrivain a écrit ; le nom d'une image chargée se montre par NomImage.
std::string OctetsChaineCourte(const QString& texte);
template <int N>
void EcrireChaineCourte(TChaineCourte<N>& champ, const QString& texte);
template <int N>
QString LireChaineCourte(const TChaineCourte<N>& champ);
// Longueur bornée à la capacité, quel que soit l'octet de longueur.
template <int N>
int LongueurChaineCourte(const TChaineCourte<N>& champ)
{
    return champ.longueur > N ? N : champ.longueur;
}

// ---- État global ------------------------------------------------------------

extern TImgs ListeImgs;
extern TImgs ImgsAssemblage;
extern bool ConserverImgs;
extern std::vector<TPtImg> TablesPixels;
extern TPtImg TableTravail;
extern Bitmap* BmpPano;
extern int LargeurPano;
extern int HauteurPano;
extern int XCourant;
extern int DecalTexteY;
extern std::vector<TPatch> Patchs;
extern int LargeurRecouvrement;
extern long double FracDebutHaut;
extern long double FracFinHaut;
extern long double FracDebutBas;
extern long double FracFinBas;
extern const TPixel CouleurFond;

// ---- Initialisation des enregistrements ------------------------------------

void InitPtsImg(int Index);
void InitCorrectionsImg(int Index);
// Coefficients de luminosité et facteurs de couleur neutres, réserve à zéro.
void ReinitialiserCorrections(TInfosImg& Img);

// ---- Routines partagées ---------------------------------------------------------

// Points de contrôle et assemblage
bool HorizontaliteDefinie(int NumImg);
bool HorizonDefini(const TInfosImg& Img);
// Angle qui rend horizontale la ligne des deux points d'horizon (sens des
// pixels : SinA = dy / L) ; faux pour deux points confondus.
bool AngleHorizon(const TInfosImg& Img, long double& SinA, long double& CosA);
// Points d'un enregistrement déplacés comme ses pixels : lignes de fuite,
// puis horizon (vrai quand l'horizon a tourné les points).
void AjusterPointsLignesFuite(TInfosImg& Img);
bool AjusterPointsHorizon(TInfosImg& Img);
void TrierPoints(TInfosImg Img, char Axe, int (&Ordre)[4]);
void TournerPoint(TPoint32& P, TPoint32 C, long double SinA, long double CosA);
void DecalerVerticalement(const Bitmap& Bmp, int Largeur, int Hauteur, int Decal, TPtImg& T);

// Photométrie
long double InterpolerGain(long double Gain, long double t);
// Indices de début et de fin d'une bande donnée en fractions d'un tampon de
// Taille éléments ; lève l'erreur d'une bande vide de longueur nulle.
void BornesSegment(int64_t Taille, long double Debut, long double Fin, int64_t& i1, int64_t& i2);
void MoyenneSegment(const std::vector<double>& Tab, long double& Moy, long double Debut,
                    long double Fin);

// Cellules de la grille (police et pinceau du canevas de la grille)
void EcrireTexteCellule(TCanevas& Grille, const QRect& Rect, char Align, uint32_t Couleur,
                        const QString& Texte);
void EcrirePointsCellule(TCanevas& Grille, const QRect& Rect, char Mode, uint32_t Couleur,
                         const TInfosImg& Img);
void EcrirePointsCorrespondants(TCanevas& Grille, const QRect& Rect, uint32_t Couleur,
                                const TInfosImg& Img);
void CopierZone(const Bitmap& Source, Bitmap& Dest, TPoint32 P1, TPoint32 P2);

// Marqueurs et corrélation
void MarquerPoint(TImage* Image, int X, int Y, uint32_t Couleur, int Forme, TPatch& Patch,
                  int Mode);
void LireSommesRVB(const Bitmap& Bmp, int X0, int Y0, int NbColonnes, int NbLignes, TabInt& T);
QString CoeffCorrelation(int NumImg, int NumPt, int X, int Y);
int ModPositif(int a, int b);

// Données de prise de vue
long double AngleParPixel(const QString& NomFichier);
