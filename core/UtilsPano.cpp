#include "core/UtilsPano.h"

#include <algorithm>
#include <cstring>

#include "platform/Cp1252.h"
#include "platform/Systeme.h"

TImgs ListeImgs;
TImgs ImgsAssemblage;
bool ConserverImgs = false;
std::vector<TPtImg> TablesPixels;
TPtImg TableTravail;
Bitmap* BmpPano = nullptr;
int LargeurPano = 0;
int HauteurPano = 0;
int XCourant = 0;
int DecalTexteY = 0;
std::vector<TPatch> Patchs;
int LargeurRecouvrement = 20;
long double FracDebutHaut = 0.1L;
long double FracFinHaut = 0.4L;
long double FracDebutBas = 0.5L;
long double FracFinBas = 0.8L;
const TPixel CouleurFond = {0, 0, 0};

namespace {

// Les enregistrements restent des octets bruts : ils ne tiennent que des
// numéros dans ces tables, qui possèdent les objets.
template <class T>
class TableProprietaire
{
public:
    uint32_t Ajouter(std::unique_ptr<T> objet)
    {
        for (size_t i = 0; i < objets_.size(); ++i)
            if (!objets_[i]) {
                objets_[i] = std::move(objet);
                return static_cast<uint32_t>(i + 1);
            }
        objets_.push_back(std::move(objet));
        return static_cast<uint32_t>(objets_.size());
    }
    T* Trouver(uint32_t h) const
    {
        if (h == 0 || h > objets_.size())
            return nullptr;
        return objets_[h - 1].get();
    }
    void Retirer(uint32_t h)
    {
        if (h != 0 && h <= objets_.size())
            objets_[h - 1].reset();
    }

private:
    std::vector<std::unique_ptr<T>> objets_;
};

struct BitmapCharge
{
    Bitmap bitmap;
    QString nom;
};

TableProprietaire<BitmapCharge>& TableBitmaps()
{
    static TableProprietaire<BitmapCharge> table;
    return table;
}

TableProprietaire<TPatch>& TablePatchs()
{
    static TableProprietaire<TPatch> table;
    return table;
}

}  // namespace

HBitmap NouveauBitmap(const QString& Nom)
{
    auto charge = std::make_unique<BitmapCharge>();
    charge->nom = Nom;
    return TableBitmaps().Ajouter(std::move(charge));
}

Bitmap* BitmapDe(HBitmap h)
{
    BitmapCharge* charge = TableBitmaps().Trouver(h);
    return charge ? &charge->bitmap : nullptr;
}

Bitmap* BitmapDe(const TInfosImg& img)
{
    return BitmapDe(img.Bitmap);
}

void LibererBitmap(HBitmap h)
{
    TableBitmaps().Retirer(h);
}

QString NomImage(const TInfosImg& img)
{
    const BitmapCharge* charge = TableBitmaps().Trouver(img.Bitmap);
    if (charge && !charge->nom.isEmpty())
        return charge->nom;
    return LireChaineCourte(img.Nom);
}

HPatch NouveauPatch()
{
    Patchs.push_back(TPatch{});
    auto tampon = std::make_unique<TPatch>(Patchs.back());
    return TablePatchs().Ajouter(std::move(tampon));
}

TPatch* PatchDe(HPatch h)
{
    return TablePatchs().Trouver(h);
}

void LibererPatch(HPatch h)
{
    TablePatchs().Retirer(h);
}

std::string OctetsChaineCourte(const QString& texte)
{
    return OctetsNom(texte);
}

template <int N>
void EcrireChaineCourte(TChaineCourte<N>& champ, const QString& texte)
{
    const std::string octets = OctetsChaineCourte(texte);
    const size_t n = std::min<size_t>(octets.size(), N);
    champ.longueur = static_cast<uint8_t>(n);
    // Les octets au-delà de la longueur gardent ce que le champ tenait.
    std::memcpy(champ.car, octets.data(), n);
}

template <int N>
QString LireChaineCourte(const TChaineCourte<N>& champ)
{
    return TexteNom(std::string_view(champ.car, static_cast<size_t>(LongueurChaineCourte(champ))));
}

template void EcrireChaineCourte<1>(TChaineCourte<1>&, const QString&);
template void EcrireChaineCourte<5>(TChaineCourte<5>&, const QString&);
template void EcrireChaineCourte<31>(TChaineCourte<31>&, const QString&);
template void EcrireChaineCourte<127>(TChaineCourte<127>&, const QString&);
template QString LireChaineCourte<1>(const TChaineCourte<1>&);
template QString LireChaineCourte<5>(const TChaineCourte<5>&);
template QString LireChaineCourte<31>(const TChaineCourte<31>&);
template QString LireChaineCourte<127>(const TChaineCourte<127>&);

void InitPtsImg(int Index)
{
    TInfosImg& img = ListeImgs[Index];
    const Bitmap* bmp = BitmapDe(img);
    const int w = bmp ? bmp->Width() : img.Largeur;
    const int h = bmp ? bmp->Height() : img.Hauteur;
    EcrireChaineCourte(img.Version, VersionPgm().left(5));
    for (int k = 0; k < 4; ++k) {
        img.Deplacements[k] = {0, 0};
        img.Coins[k] = {0, 0};
        img.CoinsLies[k] = {0, 0};
    }
    img.PenteJonction = 0.0L;
    img.OrdonneeJonction = 0.0L;
    img.DecalX = 0;
    img.DecalY = 0;
    EcrireChaineCourte(img.CoteEnAttente, QString());
    img.PtCourant = 0;
    img.NbPtsControle = 0;
    for (int k = 0; k < 4; ++k) {
        img.PtsControle[k] = {w / 2, h / 2, -1, 0, 0};
        LibererPatch(img.PatchsPts[k]);
        img.PatchsPts[k] = 0;
    }
    img.PtHorizCourant = 0;
    img.NbPtsHoriz = 0;
    for (int k = 0; k < 2; ++k) {
        img.PtsHoriz[k] = {0, h / 2};
        LibererPatch(img.PatchsHoriz[k]);
        img.PatchsHoriz[k] = 0;
    }
}

void ReinitialiserCorrections(TInfosImg& Img)
{
    for (int32_t& r : Img.ReserveCorr)
        r = 0;
    Img.CoefHG = 1.0L;
    Img.CoefBG = 1.0L;
    Img.CoefHD = 1.0L;
    Img.CoefBD = 1.0L;
    for (auto& coin : Img.FacteursRVB)
        for (float& f : coin)
            f = 1.0f;
}

void InitCorrectionsImg(int Index)
{
    TInfosImg& img = ListeImgs[Index];
    img.PtHorizCourant = 0;
    img.NbPtsHoriz = 0;
    for (int k = 0; k < 2; ++k)
        img.PtsHoriz[k] = {0, img.Hauteur / 2};
    ReinitialiserCorrections(img);
    img.CoefFuite = 0.0f;
}
