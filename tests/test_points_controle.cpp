// Vérification des points avant l'assemblage : les coins jugés sont ceux que
// l'assemblage prendra, et le refus dit ce qui ne va pas.

#include "tests/test_points_outils.h"
#include "tests/test_vuepano_commun.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

const QString MsgManquants = QStringLiteral("Tous les points de contrôle n'ont pas été définis");

void Poser(int i, std::initializer_list<TPoint32> points)
{
    TInfosImg& img = ListeImgs[i];
    int k = 0;
    for (const TPoint32& p : points) {
        img.PtsControle[k].X = p.X;
        img.PtsControle[k].Y = p.Y;
        ++k;
    }
    img.NbPtsControle = k;
}

// Deux images de 200 × 200 : points (110, 10) et (110, 190) de la première
// liés à (10, 10) et (10, 190) de la seconde.
void DeuxImagesLiees()
{
    for (uint32_t g = 1; g <= 2; ++g) {
        const int i = AjouterImageTest(200, 200, g);
        EcrireChaineCourte(ListeImgs[i].Nom, QStringLiteral("photo%1.jpg").arg(g));
    }
    Poser(0, {{110, 10}, {110, 190}});
    Poser(1, {{10, 10}, {10, 190}});
    RelierPoints(0, 1, 1, 1);
    RelierPoints(0, 2, 1, 2);
}

}  // namespace

using ControlePoints = BancVuePano;

TEST_F(ControlePoints, LeRefusDitCeQuiNeVaPas)
{
    struct Cas
    {
        const char* nom;
        void (*retouche)();
        QString attendu;  // vide : accepté
    };
    const Cas cas[] = {
        {"liées", [] {}, QString()},
        {"point manquant", [] { Poser(1, {{10, 10}}); }, MsgManquants},
        // Un redressement fort amène un point non posé du centre parmi les
        // coins de droite.
        {"horizon penché",
         [] {
             ListeImgs[0].PtsHoriz[0] = {20, 80};
             ListeImgs[0].PtsHoriz[1] = {180, 120};
         },
         QStringLiteral("Une fois l'image N° 1 (photo1.jpg) redressée selon sa référence "
                        "d'horizontalité, ses points de contrôle ne sont plus à droite de son "
                        "milieu : placez-les plus à droite ou corrigez cette référence.")},
        {"à gauche du milieu",
         [] {
             ListeImgs[0].PtsControle[0].X = 40;
             ListeImgs[0].PtsControle[1].X = 60;
         },
         QStringLiteral("Les points de contrôle de l'image N° 1 (photo1.jpg) doivent se trouver à "
                        "droite de son milieu : placez-les plus à droite.")},
        {"dernière à droite du milieu",
         [] { ListeImgs[1].PtsControle[1].X = 150; },
         QStringLiteral("Les points de contrôle de l'image N° 2 (photo2.jpg) doivent se trouver à "
                        "gauche de son milieu : placez-les plus à gauche.")},
        {"associé attendu",
         [] {
             Poser(1, {{10, 10}, {10, 190}, {5, 100}});
             ListeImgs[1].PtsControle[2].NumImg = -1;
         },
         QStringLiteral("Le point de contrôle 3 de l'image N° 2 (photo2.jpg) n'a pas d'associé : "
                        "placez son associé dans une image voisine ou supprimez ce point.")},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.nom);
        ViderListe();
        DeuxImagesLiees();
        c.retouche();
        messages.clear();
        QString motif;
        EXPECT_EQ(fenetre->PtsControleDefinis(&motif), c.attendu.isEmpty());
        if (c.attendu.isEmpty())
            continue;
        EXPECT_EQ(motif, c.attendu);
        f->AssemblerImg->setEnabled(true);
        f->AssemblerImg->click();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].texte, c.attendu);
    }
    ViderListe();
}
