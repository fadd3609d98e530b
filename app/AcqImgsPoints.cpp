// Onglet « Points de contrôle » : les deux vues d'images, leurs onglets créés
// à l'exécution, et la pose, le déplacement et la suppression des points.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScrollArea>

#include "app/AcqImgs.h"
#include "app/GrilleImages.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "platform/Erreur.h"
#include "platform/Image.h"
#include "platform/PageControl.h"
#include "platform/TabSheet.h"
#include "ui_TSeqPano.h"

namespace {

constexpr int Ellipse = 1;
constexpr int Rectangle = 2;
constexpr int Tracer = 0;
constexpr int Effacer = 1;
constexpr int Portee = 7;
constexpr int MargeBasTypePtC = 62;
constexpr int MargeBasAffCorr = 47;
constexpr int EcartVuesCommandes = 4;
constexpr size_t TailleLotOnglets = 64;

// Couleurs des marqueurs par numéro de point ($00BBGGRR).
constexpr uint32_t CouleursAlignement[4] = {0x0000FF, 0x00FFFF, 0xFF0000, 0x008000};
constexpr uint32_t CouleursHorizontalite[2] = {0x0000FF, 0xFF0000};

int TypePoint(Ui::TSeqPano& ui)
{
    return ui.TypePtCHorizontalite->isChecked() ? 1 : 0;
}

bool Touche(int X, int Y, int px, int py)
{
    return std::abs(X - px) < Portee && std::abs(Y - py) < Portee;
}

int NbAlignement(const TInfosImg& R)
{
    return std::clamp(static_cast<int>(R.NbPtsControle), 0, 4);
}

int NbHorizontalite(const TInfosImg& R)
{
    return std::clamp(static_cast<int>(R.NbPtsHoriz), 0, 2);
}

bool IndexImage(int i)
{
    return i >= 0 && i < static_cast<int>(ListeImgs.size());
}

// Un lien lu d'un projet peut viser une image ou un point absent : il ne
// compte alors pas comme appariement.
bool Apparie(const TPtControle& p)
{
    return IndexImage(p.NumImg) && p.NumPt >= 1 && p.NumPt <= NbAlignement(ListeImgs[p.NumImg]);
}

// Appariement réciproque : seul un tel partenaire est supprimé avec le point.
bool ApparieReciproque(int i, int k)
{
    const TPtControle& p = ListeImgs[i].PtsControle[k - 1];
    if (!Apparie(p))
        return false;
    const TPtControle& q = ListeImgs[p.NumImg].PtsControle[p.NumPt - 1];
    return q.NumImg == i && q.NumPt == k;
}

TImage* Vue(const std::vector<TImage*>& vues, int i)
{
    return i >= 0 && i < static_cast<int>(vues.size()) ? vues[i] : nullptr;
}

void Marquer(TImage* vue, int X, int Y, uint32_t couleur, int forme, HPatch tampon, int mode)
{
    if (TPatch* patch = PatchDe(tampon))
        MarquerPoint(vue, X, Y, couleur, forme, *patch, mode);
}

TTabSheet* OngletEmetteur(QObject* emetteur)
{
    return qobject_cast<TTabSheet*>(emetteur);
}

// Les onglets sont ajoutés dans l'ordre des images : la recherche linéaire
// ne sert que si cet ordre venait à changer.
int IndexOnglet(const TClasseurOnglets* Classeur, const QWidget* Onglet, int j)
{
    return Classeur->widget(j) == Onglet ? j : Classeur->indexOf(Onglet);
}

}  // namespace

// ---- Vues --------------------------------------------------------------------

void TSeqPano::PtsControlShow()
{
    Protege([&] {
        if (NbImgs > 1 && static_cast<int>(OngletsG.size()) != NbImgs)
            CreerOngletsPtsC();
    });
}

void TSeqPano::CreerOngletsPtsC()
{
    const size_t debut = OngletsG.size();
    const size_t nb = static_cast<size_t>(std::max(NbImgs, 0));
    if (nb < debut)
        return;
    OngletsG.resize(nb, nullptr);
    OngletsD.resize(nb, nullptr);
    DefilG.resize(nb, nullptr);
    DefilD.resize(nb, nullptr);
    ImgsG.resize(nb, nullptr);
    ImgsD.resize(nb, nullptr);

    for (size_t j = debut; j < nb; ++j) {
        // Chaque demande de disposition postée parcourt la file des événements
        // en attente : elle est vidée par lots pour ne pas croître avec N.
        if ((j - debut) % TailleLotOnglets == TailleLotOnglets - 1)
            QCoreApplication::sendPostedEvents();
        for (const bool gauche : {true, false}) {
            TClasseurOnglets* classeur = gauche ? ui->ControlImgG : ui->ControlImgD;
            auto* onglet = new TTabSheet();
            onglet->SetTag(static_cast<int>(j));
            auto* defil = new QScrollArea(onglet);
            defil->setGeometry(1, 1, std::max(onglet->width() - 2, 0),
                               std::max(onglet->height() - 2, 0));
            auto* vue = new TImage();
            vue->SetTag(static_cast<int>(j));
            vue->SetHint(gauche ? QStringLiteral("G") : QStringLiteral("D"));
            defil->setWidget(vue);
            // La boîte de défilement suit la taille de son onglet.
            connect(onglet, &TTabSheet::Resize, defil, [onglet, defil] {
                defil->setGeometry(1, 1, std::max(onglet->width() - 2, 0),
                                   std::max(onglet->height() - 2, 0));
            });
            connect(vue, &TImage::MouseDown, this, &TSeqPano::ImgPtCMouseDown);
            connect(vue, &TImage::MouseMove, this, &TSeqPano::ImgPtCMouseMove);
            connect(vue, &TImage::MouseUp, this, &TSeqPano::ImgPtCMouseUp);
            // Ajoutés cachés : ceux de gauche sont montrés ensemble ensuite, ceux
            // de droite par l'affichage d'un onglet de gauche.
            const int index = classeur->addTab(onglet, QStringLiteral("Img %1").arg(j + 1));
            classeur->setTabVisible(index, false);
            if (gauche) {
                connect(onglet, &TTabSheet::Show, this, &TSeqPano::OngletGShow);
                OngletsG[j] = onglet;
                DefilG[j] = defil;
                ImgsG[j] = vue;
            } else {
                OngletsD[j] = onglet;
                DefilD[j] = defil;
                ImgsD[j] = vue;
            }
        }
    }
    for (size_t j = debut; j < nb; ++j)
        ui->ControlImgG->setTabVisible(IndexOnglet(ui->ControlImgG, OngletsG[j], static_cast<int>(j)), true);
    ImgEnAttente = -1;
    if (OngletsG.empty())
        return;
    {
        const QSignalBlocker bloqueur(OngletsG[0]);
        ui->ControlImgG->setCurrentWidget(OngletsG[0]);
    }
    AfficherOngletG(OngletsG[0]);
}

void TSeqPano::OngletGShow()
{
    Protege([&] { AfficherOngletG(OngletEmetteur(sender())); });
}

void TSeqPano::AfficherOngletG(TTabSheet* onglet)
{
    const int N = static_cast<int>(ImgsG.size());
    if (!onglet || N == 0)
        return;
    for (int j = 0; j < N; ++j)
        if (!OngletsD[j] || !ImgsG[j] || !ImgsD[j])
            return;  // onglets encore en construction
    const int i = onglet->Tag();
    if (i < 0 || i >= N || !IndexImage(i))
        return;

    // Les gestionnaires partent avant qu'un onglet ne soit caché : cacher
    // l'onglet courant en montre un autre.
    for (int j = 0; j < N; ++j)
        disconnect(OngletsD[j], &TTabSheet::Show, this, &TSeqPano::OngletDShow);
    // Seuls les onglets et les vues encore montrés sont touchés : le coût ne
    // croît pas avec le carré du nombre d'images.
    TClasseurOnglets* droite = ui->ControlImgD;
    for (int j = 0; j < N; ++j) {
        const int index = IndexOnglet(droite, OngletsD[j], j);
        if (droite->isTabVisible(index))
            droite->setTabVisible(index, false);
        for (TImage* vue : {ImgsG[j], ImgsD[j]})
            if (!vue->Picture().Empty()) {
                vue->Picture() = Bitmap();
                vue->Actualiser();
            }
    }

    AfficherVue(ImgsG[i], i);
    const int gauche = ModPositif(i - 1, N);
    droite->setTabVisible(IndexOnglet(droite, OngletsD[gauche], gauche), true);
    NumImgDroite = (i + 1) % N;
    droite->setTabVisible(IndexOnglet(droite, OngletsD[NumImgDroite], NumImgDroite), true);
    AfficherVue(ImgsD[NumImgDroite], NumImgDroite);
    ui->ControlImgD->setCurrentWidget(OngletsD[NumImgDroite]);
    for (const int j : {NumImgDroite, gauche})
        connect(OngletsD[j], &TTabSheet::Show, this, &TSeqPano::OngletDShow, Qt::UniqueConnection);
}

void TSeqPano::OngletDShow()
{
    Protege([&] {
        TTabSheet* onglet = OngletEmetteur(sender());
        const int N = static_cast<int>(ImgsD.size());
        if (!onglet || onglet->Tag() < 0 || onglet->Tag() >= N || !IndexImage(onglet->Tag()))
            return;
        const int j = onglet->Tag();
        if (TImage* precedente = Vue(ImgsD, NumImgDroite)) {
            precedente->Picture() = Bitmap();
            precedente->Actualiser();
        }
        AfficherVue(ImgsD[j], j);
        NumImgDroite = j;
    });
}

void TSeqPano::AfficherVue(TImage* vue, int Index)
{
    if (!vue || !IndexImage(Index))
        return;
    const Bitmap* bmp = BitmapDe(ListeImgs[Index]);
    vue->Picture() = bmp ? *bmp : Bitmap();
    vue->resize(vue->Picture().Width(), vue->Picture().Height());
    DessinerPtsImg(vue, Index);
    vue->Actualiser();
}

void TSeqPano::DessinerPtsImg(TImage* Image, int NumImg)
{
    if (!Image || !IndexImage(NumImg))
        return;
    const TInfosImg& R = ListeImgs[NumImg];
    for (int k = 0; k < NbAlignement(R); ++k)
        Marquer(Image, R.PtsControle[k].X, R.PtsControle[k].Y, R.PtsControle[k].Couleur, Ellipse,
                R.PatchsPts[k], Tracer);
    for (int k = 0; k < NbHorizontalite(R); ++k)
        Marquer(Image, R.PtsHoriz[k].X, R.PtsHoriz[k].Y, R.PtsControle[k].Couleur, Rectangle,
                R.PatchsHoriz[k], Tracer);
}

void TSeqPano::FctPanoResize()
{
    Protege([&] { ZoomImgMouseUp(); });
}

// Suit la page elle-même : cachée, elle ne reçoit sa taille qu'à son
// affichage, après celle du classeur.
void TSeqPano::DisposerPtsControl()
{
    const int CW = ui->FctPano->contentsRect().width();
    const int CH = ui->FctPano->contentsRect().height();
    const int W = ui->FctPano->width();
    // Les commandes du bas restent ancrées au bas de la page, les vues finissent
    // au-dessus d'elles quelle que soit la hauteur des onglets.
    const int bas = ui->PtsControl->height();
    const int hautCommandes = std::min(bas - MargeBasTypePtC, bas - MargeBasAffCorr);
    const int hauteurVues = std::max(std::min(CH - 110, hautCommandes - EcartVuesCommandes - 7), 0);
    ui->ControlImgG->setGeometry(7, 7, std::max(CW / 2 - 15, 0), hauteurVues);
    ui->ControlImgD->setGeometry(W / 2, 7, std::max(CW / 2 - 15, 0), hauteurVues);
    for (const auto* defils : {&DefilG, &DefilD})
        for (QScrollArea* defil : *defils)
            if (defil && defil->parentWidget()) {
                const QWidget* onglet = defil->parentWidget();
                defil->setGeometry(1, 1, std::max(onglet->width() - 2, 0), std::max(onglet->height() - 2, 0));
            }
    ui->TypePtC->move(ui->TypePtC->x(), bas - MargeBasTypePtC);
    ui->AffCorrLibelle->move(ui->AffCorrLibelle->x(), bas - MargeBasAffCorr);
    ui->AffCorr->move(ui->AffCorr->x(), bas - MargeBasAffCorr);
}

// ---- Points ------------------------------------------------------------------

void TSeqPano::ImgPtCMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, int X, int Y)
{
    Protege([&] {
        const auto* vue = qobject_cast<TImage*>(sender());
        if (!vue || !IndexImage(vue->Tag()))
            return;
        if (Button == Qt::LeftButton)
            PoserPoint(vue->Tag(), vue->Hint(), X, Y);
        else if (Button == Qt::RightButton)
            SupprimerPointsSous(vue->Tag(), X, Y);
    });
}

void TSeqPano::PoserPoint(int i, const QString& cote, int X, int Y)
{
    TInfosImg& R = ListeImgs[i];
    PtTrouve = false;
    if (TypePoint(*ui) == 1) {
        for (int k = 1; k <= NbHorizontalite(R); ++k)
            if (Touche(X, Y, R.PtsHoriz[k - 1].X, R.PtsHoriz[k - 1].Y)) {
                R.PtHorizCourant = k;
                PtTrouve = true;
                return;
            }
        if (R.NbPtsHoriz >= 2) {
            R.PtHorizCourant = 0;
            return;
        }
        const int k = NbHorizontalite(R) + 1;
        R.NbPtsHoriz = k;
        R.PtHorizCourant = k;
        R.PatchsHoriz[k - 1] = NouveauPatch();
        R.PtsControle[k - 1].Couleur = static_cast<int32_t>(CouleursHorizontalite[k - 1]);
        R.PtsHoriz[k - 1] = {X, Y};
        for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)})
            Marquer(v, X, Y, CouleursHorizontalite[k - 1], Rectangle, R.PatchsHoriz[k - 1], Tracer);
        MarquerModifie();
        return;
    }

    for (int k = 1; k <= NbAlignement(R); ++k)
        if (Touche(X, Y, R.PtsControle[k - 1].X, R.PtsControle[k - 1].Y)) {
            R.PtCourant = k;
            PtTrouve = true;
            return;
        }
    if (R.NbPtsControle >= 4) {
        R.PtCourant = 0;
        return;
    }
    if (LireChaineCourte(R.CoteEnAttente) == cote) {
        AfficherMessage(TypeMessage::Information,
                        QStringLiteral("Avant de créer un nouveau point de contrôle, vous devez "
                                       "définir la correspondance du point actuel dans l'autre "
                                       "fenêtre."));
        return;
    }

    EtatProjet(true, true);
    const int k = NbAlignement(R) + 1;
    R.NbPtsControle = k;
    R.PtCourant = k;
    R.PatchsPts[k - 1] = NouveauPatch();
    const uint32_t couleur = CouleursAlignement[k - 1];
    R.PtsControle[k - 1].Couleur = static_cast<int32_t>(couleur);
    const bool attente = IndexImage(ImgEnAttente) && PtEnAttente >= 1 &&
                         PtEnAttente <= NbAlignement(ListeImgs[ImgEnAttente]);
    if (!attente) {
        EcrireChaineCourte(R.CoteEnAttente, cote);
        ImgEnAttente = i;
        PtEnAttente = k;
    } else {
        TInfosImg& A = ListeImgs[ImgEnAttente];
        TPtControle& Q = A.PtsControle[PtEnAttente - 1];
        R.PtsControle[k - 1].NumImg = ImgEnAttente;
        R.PtsControle[k - 1].NumPt = PtEnAttente;
        Q.NumImg = i;
        Q.NumPt = k;
        // Le tampon du nouveau point sert de brouillon : celui de Q garde
        // les pixels propres.
        TImage* autreVue = cote == QStringLiteral("G") ? Vue(ImgsD, ImgEnAttente)
                                                        : Vue(ImgsG, ImgEnAttente);
        Marquer(autreVue, Q.X, Q.Y, couleur, Ellipse, R.PatchsPts[k - 1], Tracer);
        Q.Couleur = static_cast<int32_t>(couleur);
        EcrireChaineCourte(A.CoteEnAttente, QString());
        ImgEnAttente = -1;
    }
    R.PtsControle[k - 1].X = X;
    R.PtsControle[k - 1].Y = Y;
    for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)})
        Marquer(v, X, Y, couleur, Ellipse, R.PatchsPts[k - 1], Tracer);
}

void TSeqPano::EffacerMarqueur(int i, int k, bool horizontal)
{
    const TInfosImg& R = ListeImgs[i];
    const int X = horizontal ? R.PtsHoriz[k - 1].X : R.PtsControle[k - 1].X;
    const int Y = horizontal ? R.PtsHoriz[k - 1].Y : R.PtsControle[k - 1].Y;
    const HPatch tampon = horizontal ? R.PatchsHoriz[k - 1] : R.PatchsPts[k - 1];
    for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)}) {
        Marquer(v, X, Y, 0, horizontal ? Rectangle : Ellipse, tampon, Effacer);
        if (v)
            v->Actualiser();
    }
}

void TSeqPano::CompacterPoints(int i, int k)
{
    // Tout se décide sur les liens d'avant la suppression : un couple dans une
    // même image glisse en entier, et ses deux liens avec lui.
    const bool apparie = ApparieReciproque(i, k);
    const TPtControle supprime = ListeImgs[i].PtsControle[k - 1];
    const int j = apparie ? supprime.NumImg : i;
    const int m = apparie ? supprime.NumPt : k;
    const int nbTouchees = j == i ? 1 : 2;
    const int touchees[2] = {i, j};
    // Rang de l'image parmi les touchées, −1 pour les autres.
    const auto rang = [&](int x) { return x == i ? 0 : (x == j ? 1 : -1); };

    // Ancienne case → nouvelle case (0 : supprimée), et points d'avant.
    std::array<std::array<int, 5>, 2> nouvelles{};
    std::array<std::array<TPtControle, 4>, 2> anciens{};
    for (int u = 0; u < nbTouchees; ++u) {
        const int x = touchees[u];
        anciens[u] = std::to_array(ListeImgs[x].PtsControle);
        int t = 0;
        for (int s = 1; s <= NbAlignement(ListeImgs[x]); ++s) {
            const bool part = (x == i && s == k) || (x == j && s == m);
            nouvelles[u][s] = part ? 0 : ++t;
        }
    }

    for (int u = 0; u < nbTouchees; ++u) {
        TInfosImg& R = ListeImgs[touchees[u]];
        const int nb = NbAlignement(R);
        int restants = 0;
        for (int s = 1; s <= nb; ++s) {
            const int t = nouvelles[u][s];
            if (t == 0) {
                LibererPatch(R.PatchsPts[s - 1]);
                continue;
            }
            R.PtsControle[t - 1] = anciens[u][s - 1];
            R.PatchsPts[t - 1] = R.PatchsPts[s - 1];
            restants = t;
        }
        for (int t = restants + 1; t <= nb; ++t) {
            R.PtsControle[t - 1] = {R.Largeur / 2, R.Hauteur / 2, -1, 0, 0};
            R.PatchsPts[t - 1] = 0;
        }
        // Sous −4 le numéro courant ne désignerait pas moins de points, et le
        // lecteur refuserait le projet.
        R.PtCourant = std::max(R.PtCourant - (nb - restants), -4);
        R.NbPtsControle = restants;
    }

    // Les partenaires des points qui ont glissé suivent leur nouveau numéro.
    for (int u = 0; u < nbTouchees; ++u)
        for (int s = 1; s <= 4; ++s) {
            const int t = nouvelles[u][s];
            if (t == 0 || t == s)
                continue;
            const TPtControle& p = anciens[u][s - 1];
            if (!IndexImage(p.NumImg) || p.NumPt < 1 || p.NumPt > 4)
                continue;
            const int v = rang(p.NumImg);
            const int r = v >= 0 ? nouvelles[v][p.NumPt] : p.NumPt;
            const TPtControle& q =
                v >= 0 ? anciens[v][p.NumPt - 1] : ListeImgs[p.NumImg].PtsControle[p.NumPt - 1];
            if (r >= 1 && r <= NbAlignement(ListeImgs[p.NumImg]) && q.NumImg == touchees[u] && q.NumPt == s)
                ListeImgs[p.NumImg].PtsControle[r - 1].NumPt = t;
        }
    // Seul le point qui attend vraiment libère l'attente ; sinon elle suit sa case.
    if (const int v = rang(ImgEnAttente); v >= 0 && PtEnAttente >= 1 && PtEnAttente <= 4) {
        PtEnAttente = nouvelles[v][PtEnAttente];
        if (PtEnAttente == 0)
            ImgEnAttente = -1;
    }
}

void TSeqPano::SupprimerPointsSous(int i, int X, int Y)
{
    const int type = TypePoint(*ui);
    for (int k = 1; k <= 4; ++k) {
        TInfosImg& R = ListeImgs[i];
        if (type == 0 && k <= NbAlignement(R) &&
            Touche(X, Y, R.PtsControle[k - 1].X, R.PtsControle[k - 1].Y)) {
            const TPtControle p = R.PtsControle[k - 1];
            const bool apparie = ApparieReciproque(i, k);
            QString question = QStringLiteral("Voulez-vous supprimer ce point de contrôle");
            if (apparie)
                question += QStringLiteral(" ainsi que son associé dans l'image N° %1").arg(p.NumImg + 1);
            question += QStringLiteral(" ?");
            if (AfficherMessage(TypeMessage::Information, question, BoutonsMessage::OuiNon) !=
                ReponseMessage::Oui)
                continue;
            EffacerMarqueur(i, k, false);
            if (apparie)
                EffacerMarqueur(p.NumImg, p.NumPt, false);
            else
                EcrireChaineCourte(R.CoteEnAttente, QString());
            CompacterPoints(i, k);
            MarquerModifie();
        } else if (type == 1 && k <= NbHorizontalite(R) &&
                   Touche(X, Y, R.PtsHoriz[k - 1].X, R.PtsHoriz[k - 1].Y)) {
            if (AfficherMessage(TypeMessage::Information,
                                QStringLiteral("Voulez-vous supprimer cette référence d'horizontalité ?"),
                                BoutonsMessage::OuiNon) != ReponseMessage::Oui)
                continue;
            EffacerMarqueur(i, k, true);
            const HPatch tampon = R.PatchsHoriz[k - 1];
            if (k == 1) {
                R.PtsHoriz[0] = R.PtsHoriz[1];
                R.PatchsHoriz[0] = R.PatchsHoriz[1];
            }
            LibererPatch(tampon);
            const int nb = NbHorizontalite(R);
            R.PtsHoriz[nb - 1] = {0, R.Hauteur / 2};
            R.PatchsHoriz[nb - 1] = 0;
            R.PtHorizCourant = std::max(R.PtHorizCourant - 1, -2);
            R.NbPtsHoriz = nb - 1;
            MarquerModifie();
        }
    }
}

void TSeqPano::ImgPtCMouseMove(Qt::KeyboardModifiers Shift, int X, int Y)
{
    Protege([&] {
        auto* vue = qobject_cast<TImage*>(sender());
        if (!vue || !IndexImage(vue->Tag()))
            return;
        const int i = vue->Tag();
        TInfosImg& R = ListeImgs[i];
        const Qt::KeyboardModifiers touches =
            Shift & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        const Qt::MouseButtons boutons = QGuiApplication::mouseButtons();
        const int type = TypePoint(*ui);

        if (boutons == Qt::NoButton && touches == Qt::NoModifier && type == 0) {
            for (int k = 1; k <= 4; ++k) {
                const TPtControle& p = R.PtsControle[k - 1];
                if (k <= NbAlignement(R) && Touche(X, Y, p.X, p.Y) && Apparie(p)) {
                    ui->AffCorr->setText(CoeffCorrelation(i, k, p.X, p.Y));
                    break;
                }
                ui->AffCorr->clear();
            }
            return;
        }
        if (boutons != Qt::LeftButton || touches != Qt::NoModifier)
            return;

        X = std::clamp(X, 1, std::max(vue->width() - 2, 1));
        Y = std::clamp(Y, 1, std::max(vue->height() - 2, 1));
        const bool horizontal = type == 1;
        const int k = horizontal ? R.PtHorizCourant : R.PtCourant;
        // Les numéros négatifs ou au-delà des points définis ne désignent rien.
        if (k >= 1 && k <= (horizontal ? NbHorizontalite(R) : NbAlignement(R))) {
            EffacerMarqueur(i, k, horizontal);
            const HPatch tampon = horizontal ? R.PatchsHoriz[k - 1] : R.PatchsPts[k - 1];
            const uint32_t couleur = static_cast<uint32_t>(R.PtsControle[k - 1].Couleur);
            for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)})
                Marquer(v, X, Y, couleur, horizontal ? Rectangle : Ellipse, tampon, Tracer);
            if (horizontal) {
                R.PtsHoriz[k - 1] = {X, Y};
            } else {
                R.PtsControle[k - 1].X = X;
                R.PtsControle[k - 1].Y = Y;
                if (Apparie(R.PtsControle[k - 1]))
                    ui->AffCorr->setText(CoeffCorrelation(i, k, X, Y));
            }
        }
        EtatProjet(true, true);
    });
}

void TSeqPano::ImgPtCMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {}

void TSeqPano::SupprPtCClick()
{
    Protege([&] {
        bool points = false;
        for (int i = 0; i < static_cast<int>(ListeImgs.size()); ++i) {
            const TInfosImg& R = ListeImgs[i];
            for (int k = 1; k <= 4; ++k)
                if (R.PatchsPts[k - 1]) {
                    points = true;
                    for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)})
                        Marquer(v, R.PtsControle[k - 1].X, R.PtsControle[k - 1].Y, 0, Ellipse,
                                R.PatchsPts[k - 1], Effacer);
                }
            for (int k = 1; k <= NbHorizontalite(R); ++k) {
                points = true;
                for (TImage* v : {Vue(ImgsD, i), Vue(ImgsG, i)})
                    Marquer(v, R.PtsHoriz[k - 1].X, R.PtsHoriz[k - 1].Y, 0, Rectangle,
                            R.PatchsHoriz[k - 1], Effacer);
            }
        }
        for (int i = 0; i < static_cast<int>(ListeImgs.size()); ++i)
            InitPtsImg(i);
        ImgEnAttente = -1;
        PtEnAttente = 0;
        ui->Info01->show();
        ui->ChargerUneImage->setEnabled(true);
        ui->ChargerSerieImgs->setEnabled(true);
        ui->ListImgs->Repaint();
        if (points)
            MarquerModifie();
    });
}
