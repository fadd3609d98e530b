// Modèle de l'éditeur de points : des suites de gestes tirées au hasard, à
// graine fixe, sur la vraie fenêtre. Après chaque geste les enregistrements
// restent cohérents ; un projet enregistré se relit octet pour octet.

#include <cstddef>
#include <random>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "platform/Image.h"
#include "platform/TabSheet.h"
#include "tests/test_fenetre_banc.h"
#include "ui_TSeqPano.h"

namespace {

const QString MsgIllisible =
    QStringLiteral("Un des composants du projet n'a pas pu être chargé. Le programme est réinitialisé.");

// Octets qu'aucune édition de point ne touche : coefficients de coin, puis
// facteurs de couleur et coefficient de fuite.
constexpr size_t DebutCoefs = offsetof(TInfosImg, CoefHG);
constexpr size_t FinCoefs = offsetof(TInfosImg, PatchsPts);
constexpr size_t DebutFacteurs = offsetof(TInfosImg, FacteursRVB);

bool Reference(size_t octet)
{
    return octet < 4 || (octet >= offsetof(TInfosImg, PatchsPts) && octet < DebutFacteurs);
}

QByteArray OctetsDe(const TInfosImg& r)
{
    return QByteArray(reinterpret_cast<const char*>(&r), static_cast<qsizetype>(sizeof r));
}

}  // namespace

class ModeleEditeur : public BancFenetre
{
protected:
    std::mt19937 alea;
    QStringList journal;
    std::vector<QByteArray> fixes;

    Ui::TSeqPano& ui() { return *f->Formulaire(); }
    int Tirer(int a, int b) { return std::uniform_int_distribution<int>(a, b)(alea); }
    int NbImages() const { return static_cast<int>(ListeImgs.size()); }

    void Charger(int n)
    {
        // Des images d'un pixel de large ou de haut parmi des petites : les
        // clics tombent souvent sur un point existant.
        const QSize tailles[] = {{1, 1}, {1, 9}, {11, 1}, {80, 60}, {100, 50}, {60, 90}, {90, 90}, {120, 40}};
        QStringList fichiers;
        for (int i = 0; i < n; ++i) {
            fichiers << Chemin(QStringLiteral("m%1.png").arg(i));
            const QSize t = tailles[Tirer(0, std::size(tailles) - 1)];
            EcrireImage(fichiers.last(), t.width(), t.height(), 0xFF102030 + 0x203010 * static_cast<QRgb>(i));
        }
        Choisir(fichiers);
        f->ChargerSerieImgsClick();
        ASSERT_EQ(NbImages(), n);
        fixes.clear();
        for (const TInfosImg& R : ListeImgs)
            fixes.push_back(OctetsDe(R));
        MontrerPoints();
    }

    void MontrerPoints()
    {
        ui().FctPano->setCurrentWidget(ui().PtsControl);
        QCoreApplication::processEvents();
        ASSERT_EQ(static_cast<int>(f->ImgsG.size()), NbImages());
    }

    int ImageGauche() { return static_cast<TTabSheet*>(ui().ControlImgG->currentWidget())->Tag(); }

    // Une position près d'un point de l'image, ou n'importe où dans la vue.
    QPoint Position(int i, int marge, bool presDUnPoint)
    {
        const TInfosImg& R = ListeImgs[i];
        const int nb = R.NbPtsControle + R.NbPtsHoriz;
        if (nb > 0 && presDUnPoint) {
            const int k = Tirer(0, nb - 1);
            const TPoint32 p = k < R.NbPtsControle ? TPoint32{R.PtsControle[k].X, R.PtsControle[k].Y}
                                                   : R.PtsHoriz[k - R.NbPtsControle];
            return {p.X + Tirer(-4, 4), p.Y + Tirer(-4, 4)};
        }
        return {Tirer(-marge, R.Largeur - 1 + marge), Tirer(-marge, R.Hauteur - 1 + marge)};
    }

    enum Sorte { OngletG, OngletD, Type, Clic, Glisser, ClicDroit, Survol, ToutSupprimer, Enregistrer };

    void Geste()
    {
        // Poids des gestes : surtout poser, glisser et supprimer des points.
        static const double poids[] = {2, 2, 1, 7, 2, 4, 1, 0.2, 0.6};
        std::discrete_distribution<int> sorte(std::begin(poids), std::end(poids));
        const int gauche = ImageGauche();
        const bool aGauche = Tirer(0, 1) == 0;
        const int i = aGauche ? gauche : f->NumImgDroite;
        TImage* vue = aGauche ? f->ImgsG[i] : f->ImgsD[i];
        const QString cote = aGauche ? QStringLiteral("G") : QStringLiteral("D");
        const int n = NbImages();
        // Souvent l'image dont un point attend : un couple dans une même image
        // naît ainsi.
        const bool versAttente = f->ImgEnAttente >= 0 && Tirer(0, 1) == 0;
        switch (sorte(alea)) {
        case OngletG: {
            const int j = versAttente ? f->ImgEnAttente : Tirer(0, n - 1);
            journal << QStringLiteral("onglet gauche %1").arg(j);
            ui().ControlImgG->setCurrentWidget(f->OngletsG[j]);
            break;
        }
        case OngletD: {
            const int voisine = Tirer(0, 1) == 0 ? (gauche + 1) % n : (gauche + n - 1) % n;
            const bool attenteVoisine = versAttente && (f->ImgEnAttente == (gauche + 1) % n ||
                                                        f->ImgEnAttente == (gauche + n - 1) % n);
            const int j = attenteVoisine ? f->ImgEnAttente : voisine;
            journal << QStringLiteral("onglet droit %1").arg(j);
            ui().ControlImgD->setCurrentWidget(f->OngletsD[j]);
            break;
        }
        case Type: {
            const bool horizon = Tirer(0, 1) == 0;
            journal << QStringLiteral("type %1").arg(horizon ? "horizon" : "alignement");
            (horizon ? ui().TypePtCHorizontalite : ui().TypePtCAlignement)->setChecked(true);
            break;
        }
        case Clic: {
            const QPoint p = Position(i, 0, Tirer(0, 3) == 0);
            journal << QStringLiteral("clic %1%2 (%3, %4)").arg(cote).arg(i).arg(p.x()).arg(p.y());
            QTest::mouseClick(vue, Qt::LeftButton, {}, p);
            break;
        }
        case Glisser: {
            QPoint p = Position(i, 0, Tirer(0, 1) == 0);
            journal << QStringLiteral("glisser %1%2 depuis (%3, %4)").arg(cote).arg(i).arg(p.x()).arg(p.y());
            QTest::mousePress(vue, Qt::LeftButton, {}, p);
            for (int m = Tirer(1, 3); m > 0; --m) {
                p = Position(i, 15, false);
                journal << QStringLiteral("  vers (%1, %2)").arg(p.x()).arg(p.y());
                QTest::mouseMove(vue, p);
            }
            QTest::mouseRelease(vue, Qt::LeftButton, {}, p);
            break;
        }
        case ClicDroit: {
            // De préférence un point devant d'autres : ceux de derrière
            // glissent alors avec leurs liens.
            const QPoint p = ListeImgs[i].NbPtsControle > 1 && Tirer(0, 1) == 0
                                 ? QPoint(ListeImgs[i].PtsControle[0].X, ListeImgs[i].PtsControle[0].Y)
                                 : Position(i, 0, true);
            QString reponsesTexte;
            for (int k = 0; k < 4; ++k) {
                const bool oui = Tirer(0, 3) != 0;
                reponses.push_back(oui ? ReponseMessage::Oui : ReponseMessage::Non);
                reponsesTexte += oui ? QStringLiteral("O") : QStringLiteral("N");
            }
            journal << QStringLiteral("clic droit %1%2 (%3, %4) %5")
                           .arg(cote).arg(i).arg(p.x()).arg(p.y()).arg(reponsesTexte);
            QTest::mouseClick(vue, Qt::RightButton, {}, p);
            reponses.clear();
            break;
        }
        case Survol: {
            const QPoint p = Position(i, 0, true);
            journal << QStringLiteral("survol %1%2 (%3, %4)").arg(cote).arg(i).arg(p.x()).arg(p.y());
            QTest::mouseMove(vue, p);
            break;
        }
        case ToutSupprimer:
            journal << QStringLiteral("tout supprimer");
            if (ui().SupprPtC->isEnabled())
                ui().SupprPtC->click();
            break;
        default:
            journal << QStringLiteral("enregistrer et rouvrir");
            EnregistrerEtRouvrir();
            break;
        }
    }

    void EnregistrerEtRouvrir()
    {
        const QString chemin = Chemin(QStringLiteral("modele.kvp"));
        Choisir({chemin});
        f->EnregistrerPrjsousClick();
        ASSERT_FALSE(f->Modifie);
        QByteArray memoire;
        for (const TInfosImg& R : ListeImgs)
            memoire += OctetsDe(R);
        const QByteArray ecrit = Lire(chemin);
        ASSERT_EQ(ecrit, memoire);
        const size_t messagesAvant = messages.size();
        f->OuvrirProjet(chemin);
        for (size_t m = messagesAvant; m < messages.size(); ++m)
            ASSERT_FALSE(messages[m].texte == MsgIllisible) << "le projet enregistré est refusé";
        ASSERT_EQ(static_cast<qsizetype>(ListeImgs.size() * sizeof(TInfosImg)), ecrit.size());
        for (int i = 0; i < NbImages(); ++i) {
            const QByteArray lu = OctetsDe(ListeImgs[i]);
            for (size_t o = 0; o < sizeof(TInfosImg); ++o) {
                if (!Reference(o)) {
                    ASSERT_EQ(lu[static_cast<qsizetype>(o)], ecrit[static_cast<qsizetype>(i * sizeof(TInfosImg) + o)])
                        << "image " << i << " octet " << o;
                }
            }
        }
        MontrerPoints();
    }

    void Verifier()
    {
        const int n = NbImages();
        for (int i = 0; i < n; ++i) {
            SCOPED_TRACE(i);
            const TInfosImg& R = ListeImgs[i];
            ASSERT_GE(R.NbPtsControle, 0);
            ASSERT_LE(R.NbPtsControle, 4);
            ASSERT_GE(R.NbPtsHoriz, 0);
            ASSERT_LE(R.NbPtsHoriz, 2);
            EXPECT_GE(R.PtCourant, -4);
            EXPECT_LE(R.PtCourant, R.NbPtsControle);
            EXPECT_GE(R.PtHorizCourant, -2);
            EXPECT_LE(R.PtHorizCourant, R.NbPtsHoriz);
            ASSERT_EQ(R.Largeur, BitmapDe(R)->Width());
            ASSERT_EQ(R.Hauteur, BitmapDe(R)->Height());
            for (int k = 0; k < 4; ++k) {
                const TPtControle& p = R.PtsControle[k];
                if (k >= R.NbPtsControle) {
                    EXPECT_EQ(p.X, R.Largeur / 2) << k;
                    EXPECT_EQ(p.Y, R.Hauteur / 2) << k;
                    EXPECT_EQ(p.NumImg, -1) << k;
                    EXPECT_EQ(p.NumPt, 0) << k;
                    EXPECT_EQ(R.PatchsPts[k], 0u) << k;
                    continue;
                }
                EXPECT_NE(R.PatchsPts[k], 0u) << k;
                if (p.NumImg == -1) {
                    EXPECT_EQ(p.NumPt, 0) << k;
                    continue;
                }
                ASSERT_GE(p.NumImg, 0) << k;
                ASSERT_LT(p.NumImg, n) << k;
                ASSERT_GE(p.NumPt, 1) << k;
                ASSERT_LE(p.NumPt, ListeImgs[p.NumImg].NbPtsControle) << k;
                const TPtControle& q = ListeImgs[p.NumImg].PtsControle[p.NumPt - 1];
                EXPECT_EQ(q.NumImg, i) << k;
                EXPECT_EQ(q.NumPt, k + 1) << k;
            }
            for (int k = 0; k < 2; ++k)
                if (k >= R.NbPtsHoriz) {
                    EXPECT_EQ(R.PtsHoriz[k].X, 0) << k;
                    EXPECT_EQ(R.PtsHoriz[k].Y, R.Hauteur / 2) << k;
                    EXPECT_EQ(R.PatchsHoriz[k], 0u) << k;
                } else {
                    EXPECT_NE(R.PatchsHoriz[k], 0u) << k;
                }
            const QByteArray octets = OctetsDe(R);
            EXPECT_EQ(octets.mid(DebutCoefs, FinCoefs - DebutCoefs), fixes[i].mid(DebutCoefs, FinCoefs - DebutCoefs));
            EXPECT_EQ(octets.mid(DebutFacteurs), fixes[i].mid(DebutFacteurs));
        }
        if (f->ImgEnAttente != -1) {
            ASSERT_GE(f->ImgEnAttente, 0);
            ASSERT_LT(f->ImgEnAttente, n);
            ASSERT_GE(f->PtEnAttente, 1);
            ASSERT_LE(f->PtEnAttente, ListeImgs[f->ImgEnAttente].NbPtsControle);
            EXPECT_EQ(ListeImgs[f->ImgEnAttente].PtsControle[f->PtEnAttente - 1].NumImg, -1);
        }
    }
};

// Vingt suites de 150 gestes : quelques secondes, même sous les sanitizers.
TEST_F(ModeleEditeur, LesGestesGardentLesEnregistrementsCoherents)
{
    Creer();
    f->resize(1000, 680);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    for (uint32_t graine = 1; graine <= 20; ++graine) {
        alea.seed(graine);
        journal.clear();
        f->EtatProjet(false, false);
        f->ReinitialiserClick();
        ASSERT_NO_FATAL_FAILURE(Charger(Tirer(0, 2) == 0 ? Tirer(3, 4) : 2));
        for (int g = 0; g < 150; ++g) {
            Geste();
            if (!HasFailure())
                Verifier();
            if (HasFailure())
                FAIL() << "graine " << graine << ", geste " << g << " :\n"
                       << journal.join('\n').toStdString();
        }
    }
}
