#include <csignal>
#include <cstring>
#include <random>

#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QTest>

#include "app/BarreCurseur.h"
#include "app/GrilleImages.h"
#include "core/Assemblage.h"
#include "tests/test_fenetre_banc.h"
#include "ui_TSeqPano.h"

namespace {

const QString MsgIllisible =
    QStringLiteral("Un des composants du projet n'a pas pu être chargé. Le programme est réinitialisé.");

using Octets = std::vector<uint8_t>;

Octets OctetsDe(const TInfosImg& img)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&img);
    return Octets(p, p + sizeof img);
}

// Champs que le lecteur refait : Bitmap, Largeur, Hauteur, Version, tampons.
bool ChampRefait(size_t octet)
{
    return octet < 4 || (octet >= 164 && octet < 172) || (octet >= 262 && octet < 268) ||
           (octet >= 480 && octet < 504);
}

}  // namespace

class Projet : public BancFenetre
{
protected:
    std::mt19937 alea{1234};

    void SetUp() override
    {
        BancFenetre::SetUp();
        EcrireImage(Chemin("a.png"), 40, 30);
        EcrireImage(Chemin("b.png"), 50, 20);
        Creer();
    }

    // Un enregistrement plein d'octets quelconques mais cohérents, qui désigne
    // un fichier image du dossier.
    TInfosImg Enregistrement(const QString& nom, int nbImages)
    {
        TInfosImg r;
        auto* p = reinterpret_cast<uint8_t*>(&r);
        for (size_t i = 0; i < sizeof r; ++i)
            p[i] = static_cast<uint8_t>(alea());
        EcrireChaineCourte(r.Nom, nom);
        EcrireChaineCourte(r.Repertoire, dossier.path());
        std::uniform_int_distribution<int> lien(-1, nbImages - 1), pt(0, 4), nbC(0, 4), nbH(0, 2),
            courant(-4, 4), courantH(-2, 2), x(0, 39), y(0, 19);
        for (TPtControle& c : r.PtsControle) {
            c.NumImg = lien(alea);
            c.NumPt = pt(alea);
            c.X = x(alea);
            c.Y = y(alea);
        }
        for (TPoint32& h : r.PtsHoriz)
            h = {x(alea), y(alea)};
        r.NbPtsControle = nbC(alea);
        r.PtCourant = courant(alea);
        r.NbPtsHoriz = nbH(alea);
        r.PtHorizCourant = courantH(alea);
        std::uniform_real_distribution<double> reel(-1000.0, 1000.0);
        for (Extended* e : {&r.PenteJonction, &r.OrdonneeJonction, &r.CoefHG, &r.CoefBG, &r.CoefHD, &r.CoefBD})
            *e = static_cast<long double>(reel(alea)) / 3.0L;
        for (auto& coin : r.FacteursRVB)
            for (float& v : coin)
                v = static_cast<float>(reel(alea));
        r.CoefFuite = static_cast<float>(std::abs(reel(alea)) / 1000.0);
        r.Version.longueur = 5;
        std::memcpy(r.Version.car, "0.9.9", 5);
        return r;
    }

    QByteArray Fichier(const std::vector<TInfosImg>& recs)
    {
        QByteArray octets;
        for (const TInfosImg& r : recs)
            octets.append(reinterpret_cast<const char*>(&r), sizeof r);
        return octets;
    }

    void OuvrirOctets(const QByteArray& octets, const QString& nom = QStringLiteral("p.kvp"))
    {
        Ecrire(Chemin(nom), octets);
        f->OuvrirProjet(Chemin(nom));
    }

    void AttendreProjetVide()
    {
        EXPECT_EQ(Messages(), QStringList({MsgIllisible}));
        EXPECT_TRUE(ListeImgs.empty());
        EXPECT_TRUE(PoidsEtapes.empty());
        EXPECT_EQ(f->NbImgs, 0);
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo"));
        EXPECT_TRUE(f->NomProjet.isEmpty());
        EXPECT_FALSE(f->Modifie);
        EXPECT_TRUE(f->Formulaire()->ChargerUneImage->isEnabled());
        EXPECT_FALSE(f->Formulaire()->EnregistrerPrj->isEnabled());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }

    QStringList Messages() const
    {
        QStringList textes;
        for (const auto& m : messages)
            textes << m.texte;
        return textes;
    }
};

TEST_F(Projet, LeNombreDImagesEstLaTailleDivisePar560)
{
    for (int reste : {0, 80, 559}) {
        SCOPED_TRACE(reste);
        QByteArray octets = Fichier({Enregistrement("a.png", 2), Enregistrement("b.png", 2)});
        octets.append(QByteArray(reste, '\x5A'));
        OuvrirOctets(octets);
        EXPECT_TRUE(messages.empty());
        ASSERT_EQ(ListeImgs.size(), 2u);
        EXPECT_EQ(f->NbImgs, 2);
        EXPECT_EQ(PoidsEtapes.size(), 2u);
        EXPECT_EQ(Nom(1), QStringLiteral("b.png"));
        EXPECT_EQ(ListeImgs[1].Largeur, 50);
        EXPECT_EQ(ListeImgs[1].Hauteur, 20);
    }
}

TEST_F(Projet, UnFichierSansEnregistrementEntierDonneUnProjetVide)
{
    const QByteArray plein = Fichier({Enregistrement("a.png", 1)});
    for (int taille : {0, 1, 559}) {
        SCOPED_TRACE(taille);
        messages.clear();
        OuvrirOctets(plein.left(taille));
        AttendreProjetVide();
    }
}

// Ni un fichier absent, ni un dossier, ni un tube (qui bloquerait la lecture).
TEST_F(Projet, UnFichierAbsentOuPasOrdinaireDonneUnProjetVide)
{
    ASSERT_EQ(mkfifo(Chemin("tube.kvp").toLocal8Bit().constData(), 0600), 0);
    ASSERT_TRUE(QDir(dossier.path()).mkdir(QStringLiteral("dossier.kvp")));
    for (const char* nom : {"absent.kvp", "tube.kvp", "dossier.kvp"}) {
        SCOPED_TRACE(nom);
        messages.clear();
        f->OuvrirProjet(Chemin(nom));
        AttendreProjetVide();
    }
}

TEST_F(Projet, UneImageDeplaceeDonneUnSeulAvertissement)
{
    OuvrirOctets(Fichier({Enregistrement("a.png", 2), Enregistrement("partie.png", 2)}));
    AttendreProjetVide();
}

TEST_F(Projet, LesEnregistrementsHorsBornesPrennentLeCheminDEchec)
{
    using Modif = void (*)(TInfosImg&);
    const Modif cas[] = {
        [](TInfosImg& r) { r.NbPtsControle = 5; },
        [](TInfosImg& r) { r.NbPtsControle = -1; },
        [](TInfosImg& r) { r.NbPtsHoriz = 3; },
        [](TInfosImg& r) { r.NbPtsHoriz = -1; },
        [](TInfosImg& r) { r.PtCourant = 5; },
        [](TInfosImg& r) { r.PtCourant = -5; },
        [](TInfosImg& r) { r.PtHorizCourant = -3; },
        [](TInfosImg& r) { r.PtHorizCourant = 3; },
        [](TInfosImg& r) { r.PtsControle[3].NumImg = 2; },
        [](TInfosImg& r) { r.PtsControle[0].NumImg = -2; },
        [](TInfosImg& r) { r.PtsControle[1].NumPt = 5; },
        [](TInfosImg& r) { r.CoefBD = std::numeric_limits<long double>::quiet_NaN(); },
        [](TInfosImg& r) { r.FacteursRVB[2][1] = std::numeric_limits<float>::infinity(); },
        // Points au-delà de la limite, défini ou non, ou si loin que les
        // étendues des images dépassent ensemble ce que l'assemblage tient.
        [](TInfosImg& r) { r.PtsControle[0].X = INT32_MAX / 8 + 1; },
        [](TInfosImg& r) { r.PtsControle[3].Y = -(INT32_MAX / 8) - 1; },
        [](TInfosImg& r) { r.PtsControle[2].X = INT32_MIN; },
        [](TInfosImg& r) { r.PtsHoriz[1].Y = INT32_MAX; },
        [](TInfosImg& r) { r.PtsHoriz[0].X = INT32_MAX / 8; },
        [](TInfosImg& r) { r.CoefFuite = -0.01f; },
        [](TInfosImg& r) { r.CoefFuite = 1.01f; },
        // Longueur au-delà de la capacité : le nom lu garde 31 caractères.
        [](TInfosImg& r) { r.Nom.longueur = 255; },
    };
    int n = 0;
    for (Modif m : cas) {
        SCOPED_TRACE(n++);
        messages.clear();
        std::vector<TInfosImg> recs{Enregistrement("a.png", 2), Enregistrement("b.png", 2)};
        m(recs[1]);
        OuvrirOctets(Fichier(recs));
        AttendreProjetVide();
    }
}

// Des octets Windows-1252 qui se lisent aussi en UTF-8 désignent d'abord le
// fichier de leur lecture Windows-1252.
TEST_F(Projet, UnNomEcritEnWindows1252SeRelitAinsi)
{
    const QString nom = QStringLiteral("\u00D0\u00A4.png");  // octets D0 A4 : « Ф » en UTF-8
    EcrireImage(Chemin(nom), 41, 30);
    const TInfosImg r = Enregistrement(nom, 1);
    ASSERT_EQ(QByteArray(r.Nom.car, 2), QByteArray("\xD0\xA4"));
    OuvrirOctets(Fichier({r}));
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(ListeImgs.size(), 1u);
    EXPECT_EQ(ListeImgs[0].Largeur, 41);
}

TEST_F(Projet, LeTitrePerdSeuleLaDerniereExtension)
{
    OuvrirOctets(Fichier({Enregistrement("a.png", 1)}), QStringLiteral("pano.final.kvp"));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo : pano.final"));
    EXPECT_EQ(f->NomProjet, QStringLiteral("pano.final.kvp"));
    EXPECT_EQ(f->RepProjet, dossier.path());
}

TEST_F(Projet, OuvertureEtatDesCommandes)
{
    OuvrirOctets(Fichier({Enregistrement("a.png", 2), Enregistrement("b.png", 2)}));
    EXPECT_FALSE(f->Modifie);
    EXPECT_EQ(f->Formulaire()->ListImgs->RowCount(), 3);
    EXPECT_TRUE(f->Formulaire()->Info01->isHidden());
    EXPECT_FALSE(f->Formulaire()->ChargerUneImage->isEnabled());
    EXPECT_FALSE(f->Formulaire()->ChargerSerieImgs->isEnabled());
    EXPECT_TRUE(f->Formulaire()->EnregistrerPrj->isEnabled());
    EXPECT_TRUE(f->Formulaire()->EnregistrerPrjsous->isEnabled());
    EXPECT_EQ(f->Formulaire()->FctPano->currentIndex(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // Le nouveau projet remet le type de point, le mode de déformation et la
    // liste de travail gardée.
    f->Formulaire()->TypePtCHorizontalite->setChecked(true);
    f->Formulaire()->ModeAsmbl->setCurrentIndex(1);
    ConserverImgs = true;
    f->NouveauPrjClick();
    EXPECT_TRUE(f->Formulaire()->TypePtCAlignement->isChecked());
    EXPECT_EQ(f->Formulaire()->ModeAsmbl->currentIndex(), 0);
    EXPECT_FALSE(ConserverImgs);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(ListeImgs.empty());
    EXPECT_TRUE(f->NomProjet.isEmpty());
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo"));
    EXPECT_TRUE(f->Formulaire()->ChargerUneImage->isEnabled());
    EXPECT_FALSE(f->Formulaire()->EnregistrerPrjsous->isEnabled());
    EXPECT_EQ(f->Formulaire()->ListImgs->RowCount(), 2);
    EXPECT_FALSE(f->Formulaire()->Info01->isHidden());
}

TEST_F(Projet, UneVersionQuiNeCommencePasParUnChiffreRemetLesCorrections)
{
    struct Cas
    {
        char premier;
        bool remis;
    };
    for (const Cas c : {Cas{'\0', true}, Cas{'a', true}, Cas{'1', false}, Cas{'9', false}}) {
        SCOPED_TRACE(int(c.premier));
        TInfosImg r = Enregistrement("a.png", 1);
        r.Version.longueur = 0;
        r.Version.car[0] = c.premier;
        if (c.remis) {
            // Remis avant d'être jugés : rien de cela ne refuse l'enregistrement.
            r.NbPtsHoriz = 7;
            r.PtHorizCourant = 9;
            r.PtsHoriz[0] = {1000, -1000};
            r.CoefHG = std::numeric_limits<long double>::quiet_NaN();
            r.FacteursRVB[0][0] = std::numeric_limits<float>::infinity();
            r.CoefFuite = 5.0f;
        }
        OuvrirOctets(Fichier({r}));
        ASSERT_EQ(ListeImgs.size(), 1u);
        const TInfosImg& lu = ListeImgs[0];
        EXPECT_EQ(LireChaineCourte(lu.Version), QStringLiteral("1.1.1"));
        if (c.remis) {
            EXPECT_EQ(static_cast<long double>(lu.CoefHG), 1.0L);
            EXPECT_EQ(static_cast<long double>(lu.CoefBD), 1.0L);
            EXPECT_EQ(lu.FacteursRVB[3][2], 1.0f);
            EXPECT_EQ(lu.CoefFuite, 0.0f);
            EXPECT_EQ(lu.NbPtsHoriz, 0);
            EXPECT_EQ(lu.PtHorizCourant, 0);
            EXPECT_EQ(lu.PtsHoriz[0], (TPoint32{0, 15}));
            EXPECT_EQ(lu.FacteursRVB[0][0], 1.0f);
            EXPECT_EQ(lu.PtsHoriz[1], (TPoint32{0, 15}));
            EXPECT_EQ(lu.ReserveCorr[2], 0);
            EXPECT_EQ(lu.PatchsHoriz[0], 0u);
        } else {
            EXPECT_EQ(static_cast<long double>(lu.CoefHG), static_cast<long double>(r.CoefHG));
            EXPECT_EQ(lu.CoefFuite, r.CoefFuite);
            EXPECT_EQ(lu.NbPtsHoriz, r.NbPtsHoriz);
        }
    }
}

// Lire puis enregistrer rend chaque octet que le lecteur ne refait pas, et
// l'enregistrement écrit la mémoire telle quelle.
TEST_F(Projet, AllerRetourOctetParOctet)
{
    for (int essai = 0; essai < 5; ++essai) {
        SCOPED_TRACE(essai);
        std::vector<TInfosImg> recs{Enregistrement("a.png", 3), Enregistrement("b.png", 3),
                                    Enregistrement("a.png", 3)};
        for (TInfosImg& r : recs)
            r.Version.car[0] = '1';
        OuvrirOctets(Fichier(recs));
        ASSERT_TRUE(messages.empty());
        ASSERT_EQ(ListeImgs.size(), recs.size());
        for (size_t i = 0; i < recs.size(); ++i) {
            const Octets avant = OctetsDe(recs[i]);
            const Octets apres = OctetsDe(ListeImgs[i]);
            for (size_t o = 0; o < avant.size(); ++o) {
                if (!ChampRefait(o)) {
                    ASSERT_EQ(avant[o], apres[o]) << "image " << i << " octet " << o;
                }
            }
            const TInfosImg& img = ListeImgs[i];
            EXPECT_EQ(LireChaineCourte(img.Version), QStringLiteral("1.1.1"));
            ASSERT_NE(BitmapDe(img), nullptr);
            EXPECT_EQ(img.Largeur, BitmapDe(img)->Width());
            EXPECT_EQ(img.Hauteur, BitmapDe(img)->Height());
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(img.PatchsPts[k] != 0, k < img.NbPtsControle);
            for (int k = 0; k < 2; ++k)
                EXPECT_EQ(img.PatchsHoriz[k] != 0, k < img.NbPtsHoriz);
        }

        f->EtatProjet(true, true);
        Choisir({Chemin("copie.kvp")});
        f->EnregistrerPrjsousClick();
        EXPECT_FALSE(f->Modifie);
        EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo : copie"));
        const QByteArray ecrit = Lire(Chemin("copie.kvp"));
        QByteArray memoire;
        for (const TInfosImg& img : ListeImgs)
            memoire.append(reinterpret_cast<const char*>(&img), sizeof img);
        EXPECT_EQ(ecrit, memoire);
    }
}

TEST_F(Projet, EnregistrerUnProjetSansNomPasseParEnregistrerSous)
{
    Choisir({Chemin("a.png")});
    f->ChargerUneImageClick();
    f->EtatProjet(true, true);
    Refuser();
    f->EnregistrerPrjClick();
    ASSERT_EQ(demandes.size(), 2u);
    EXPECT_EQ(demandes[1].sorte, SorteDialogue::Enregistrer);
    EXPECT_EQ(demandes[1].filtre, QStringLiteral("Projet \"Kalvindo\" (*.kvp)"));
    EXPECT_EQ(demandes[1].extensionDefaut, QStringLiteral("kvp"));
    EXPECT_TRUE(f->Modifie);

    Choisir({Chemin("sansext")});
    f->EnregistrerPrjClick();
    EXPECT_FALSE(f->Modifie);
    EXPECT_EQ(f->NomProjet, QStringLiteral("sansext.kvp"));
    EXPECT_EQ(Lire(Chemin("sansext.kvp")).size(), 560);

    // Le nom reste pour les enregistrements suivants.
    f->EtatProjet(true, true);
    f->EnregistrerPrjClick();
    EXPECT_EQ(demandes.size(), 3u);
    EXPECT_FALSE(f->Modifie);
}

TEST_F(Projet, OuvrirAvecLeDialogue)
{
    Ecrire(Chemin("d.kvp"), Fichier({Enregistrement("b.png", 1)}));
    f->RepProjet = dossier.path();
    Refuser();
    f->OuvrirPrjClick();
    ASSERT_EQ(demandes.size(), 1u);
    EXPECT_EQ(demandes[0].filtre, QStringLiteral("Projet Kalvindo (*.kvp)"));
    EXPECT_EQ(demandes[0].repertoire, dossier.path());
    EXPECT_TRUE(ListeImgs.empty());

    Choisir({Chemin("d.kvp")});
    f->OuvrirPrjClick();
    ASSERT_EQ(ListeImgs.size(), 1u);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Kalvindo : d"));
}

TEST_F(Projet, UnEnregistrementRateLaisseModifieEtLAncienFichier)
{
    OuvrirOctets(Fichier({Enregistrement("a.png", 2), Enregistrement("b.png", 2)}), QStringLiteral("v.kvp"));
    const QByteArray ancien = Lire(Chemin("v.kvp"));
    ASSERT_EQ(ancien.size(), 1120);
    f->EtatProjet(true, true);

    // Taille de fichier bornée : l'écriture casse au milieu du second enregistrement.
    rlimit ancienne{};
    getrlimit(RLIMIT_FSIZE, &ancienne);
    const auto signalPrecedent = std::signal(SIGXFSZ, SIG_IGN);
    rlimit bornee = ancienne;
    bornee.rlim_cur = 600;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &bornee), 0);
    f->EnregistrerPrjClick();
    setrlimit(RLIMIT_FSIZE, &ancienne);
    std::signal(SIGXFSZ, signalPrecedent);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].type, TypeMessage::Erreur);
    EXPECT_TRUE(messages[0].texte.contains(QStringLiteral("v.kvp")));
    EXPECT_TRUE(f->Modifie);
    EXPECT_EQ(Lire(Chemin("v.kvp")), ancien);
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.png", "b.png", "v.kvp"}));

    // Un projet protégé en écriture n'est pas remplacé, même par root.
    messages.clear();
    chmod(QFile::encodeName(Chemin("v.kvp")).constData(), 0444);
    f->EnregistrerPrjClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].texte, QStringLiteral("Le projet n'a pas pu être enregistré dans le fichier « %1 ».")
                                     .arg(Chemin("v.kvp")));
    EXPECT_TRUE(f->Modifie);
    EXPECT_EQ(Lire(Chemin("v.kvp")), ancien);

    // Un dossier qui n'existe pas.
    messages.clear();
    f->RepProjet = Chemin("a.png");
    f->EnregistrerPrjClick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(f->Modifie);

    // La question de « Nouveau projet » : l'échec de l'enregistrement annule.
    messages.clear();
    reponses = {ReponseMessage::Oui};
    f->NouveauPrjClick();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(ListeImgs.size(), 2u);
    EXPECT_TRUE(f->Modifie);
}

TEST_F(Projet, QuestionAvantNouveauEtOuvrir)
{
    Choisir({Chemin("a.png")});
    f->ChargerUneImageClick();
    f->EtatProjet(true, true);

    reponses = {ReponseMessage::Annuler};
    f->NouveauPrjClick();
    EXPECT_EQ(ListeImgs.size(), 1u);
    EXPECT_TRUE(f->Modifie);

    reponses = {ReponseMessage::Annuler};
    f->OuvrirPrjClick();
    EXPECT_EQ(demandes.size(), 1u);  // pas de dialogue d'ouverture
    EXPECT_EQ(ListeImgs.size(), 1u);

    reponses = {ReponseMessage::Non};
    f->NouveauPrjClick();
    EXPECT_TRUE(ListeImgs.empty());
    EXPECT_FALSE(f->Modifie);
    EXPECT_EQ(messages.size(), 3u);
}

// Ce que l'éditeur écrit se rouvre tel quel : points posés, glissés et
// supprimés (point courant négatif compris), références d'horizontalité,
// corrections appliquées ; enregistré, nouveau projet, rouvert.
TEST_F(Projet, AllerRetourParLaFenetre)
{
    QStringList fichiers;
    for (int i = 0; i < 3; ++i) {
        fichiers << Chemin(QStringLiteral("r%1.png").arg(i));
        EcrireImage(fichiers.last(), 200, 150, 0xFF203040 + 0x102030 * i);
    }
    Choisir(fichiers);
    f->ChargerSerieImgsClick();
    f->resize(1000, 680);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    Ui::TSeqPano& ui = *f->Formulaire();
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    ASSERT_EQ(f->ImgsG.size(), 3u);
    TImage* g0 = f->ImgsG[0];
    TImage* d1 = f->ImgsD[1];
    const auto clic = [](TImage* vue, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(vue, b, {}, QPoint(x, y));
    };
    reponses = std::deque<ReponseMessage>(3, ReponseMessage::Oui);

    clic(g0, 100, 100);
    clic(d1, 110, 100);
    clic(g0, 20, 20);
    clic(d1, 30, 30);
    clic(g0, 60, 60);
    clic(d1, 70, 70);
    // Le point 1 choisi et glissé, les deux suivants supprimés.
    QTest::mousePress(g0, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseMove(g0, QPoint(120, 90));
    QTest::mouseRelease(g0, Qt::LeftButton, {}, QPoint(120, 90));
    clic(g0, 20, 20, Qt::RightButton);
    clic(g0, 60, 60, Qt::RightButton);
    EXPECT_EQ(ListeImgs[0].PtCourant, -1);

    ui.TypePtCHorizontalite->setChecked(true);
    clic(g0, 10, 140);
    clic(g0, 190, 130);
    clic(g0, 100, 40);  // une troisième : aucune choisie
    clic(g0, 10, 140, Qt::RightButton);
    EXPECT_EQ(ListeImgs[0].PtHorizCourant, -1);

    ui.FctPano->setCurrentWidget(ui.PreTraits);
    ui.CurseurCHG->setValue(150);
    ui.CurseurCBD->setValue(20);
    f->AppliquerCorrTonClick();
    ui.CurseurHyB->setValue(30);
    f->AppliquerHyBClick();
    ASSERT_EQ(messages.size(), 3u);

    Choisir({Chemin("fenetre.kvp")});
    f->EnregistrerPrjsousClick();
    const QByteArray ecrit = Lire(Chemin("fenetre.kvp"));
    ASSERT_EQ(ecrit.size(), 3 * 560);
    f->NouveauPrjClick();
    ASSERT_TRUE(ListeImgs.empty());
    f->OuvrirProjet(Chemin("fenetre.kvp"));
    EXPECT_EQ(messages.size(), 3u);
    ASSERT_EQ(ListeImgs.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const Octets lu = OctetsDe(ListeImgs[i]);
        for (size_t o = 0; o < lu.size(); ++o) {
            // Seules les références changent d'une exécution à l'autre.
            if (o >= 4 && (o < 480 || o >= 504)) {
                ASSERT_EQ(lu[o], static_cast<uint8_t>(ecrit[static_cast<qsizetype>(i * 560 + o)]))
                    << "image " << i << " octet " << o;
            }
        }
    }
}

// Une photo réduite depuis l'enregistrement garde ses points tels qu'écrits,
// et tout ce qui les lit reste sûr : grille, marqueurs, vérification, assemblage.
TEST_F(Projet, UneImageReduiteGardeSesPoints)
{
    EcrireImage(Chemin("c.png"), 160, 120);
    EcrireImage(Chemin("d.png"), 160, 120, 0xFF996633);
    std::vector<TInfosImg> recs{Enregistrement("c.png", 2), Enregistrement("d.png", 2)};
    // Points posés sur les photos de 200 × 150 : à droite de la première,
    // à gauche de la seconde, et une référence d'horizon hors de l'image.
    const TPoint32 pos[2][2] = {{{190, 10}, {195, 140}}, {{5, 12}, {8, 145}}};
    for (int i = 0; i < 2; ++i) {
        TInfosImg& r = recs[i];
        r.Version.car[0] = '1';
        r.NbPtsControle = 2;
        r.PtCourant = 2;
        r.NbPtsHoriz = 2;
        r.PtHorizCourant = 0;
        r.CoefFuite = 0.1f;
        for (int k = 0; k < 4; ++k)
            r.PtsControle[k] = k < 2 ? TPtControle{pos[i][k].X, pos[i][k].Y, 1 - i, k + 1, 0xFF}
                                     : TPtControle{100, 75, -1, 0, 0};
        r.PtsHoriz[0] = {-30, 40};
        r.PtsHoriz[1] = {199, 149};
    }
    // Une référence très loin de l'image : ni le marqueur ni le redressement
    // ne débordent.
    recs[1].PtsHoriz[1] = {100000000, -100000000};
    OuvrirOctets(Fichier(recs));
    ASSERT_TRUE(messages.empty());
    ASSERT_EQ(ListeImgs.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(ListeImgs[i].Largeur, 160);
        const Octets avant = OctetsDe(recs[i]);
        const Octets apres = OctetsDe(ListeImgs[i]);
        for (size_t o = 0; o < avant.size(); ++o) {
            if (!ChampRefait(o)) {
                ASSERT_EQ(avant[o], apres[o]) << "image " << i << " octet " << o;
            }
        }
    }

    f->resize(1000, 680);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    Ui::TSeqPano& ui = *f->Formulaire();
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    QTest::mouseMove(f->ImgsG[0], QPoint(155, 15));
    ui.FctPano->setCurrentWidget(ui.Images);
    ui.ListImgs->grab();
    ui.FctPano->setCurrentWidget(ui.Assemblage);
    TAssembleImg progression;
    AssembleImg = &progression;
    const long double debutHaut = FracDebutHaut, finBas = FracFinBas;
    ui.AssemblerImg->click();
    AssembleImg = nullptr;
    EXPECT_TRUE(messages.empty());
    EXPECT_GT(LargeurPano, 0);
    // Les bandes de reprise resserrées par l'assemblage ne passent pas aux tests suivants.
    FracDebutHaut = debutHaut;
    FracFinBas = finBas;
    LargeurPano = 0;
    HauteurPano = 0;
}

// Une image d'un pixel de large ou de haut : le point glissé au bord se
// relit tel quel.
TEST_F(Projet, UnPointGlisseDansUneImageDUnPixelSeRelit)
{
    EcrireImage(Chemin("fil.png"), 1, 9);
    EcrireImage(Chemin("point.png"), 1, 1);
    std::vector<TInfosImg> recs{Enregistrement("fil.png", 2), Enregistrement("point.png", 2)};
    for (TInfosImg& r : recs) {
        r.Version.car[0] = '1';
        r.NbPtsControle = 0;
        r.NbPtsHoriz = 0;
    }
    OuvrirOctets(Fichier(recs));
    ASSERT_TRUE(messages.empty());
    for (int i = 0; i < 2; ++i) {
        InitPtsImg(i);
        f->Formulaire()->ChargerUneImage->setEnabled(false);
    }
    f->resize(1000, 680);
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.get()));
    Ui::TSeqPano& ui = *f->Formulaire();
    ui.FctPano->setCurrentWidget(ui.PtsControl);
    for (TImage* vue : {f->ImgsG[0], f->ImgsD[1]}) {
        QTest::mousePress(vue, Qt::LeftButton, {}, QPoint(0, 0));
        QTest::mouseMove(vue, QPoint(30, 30));
        QTest::mouseRelease(vue, Qt::LeftButton, {}, QPoint(30, 30));
    }
    ASSERT_EQ(ListeImgs[0].NbPtsControle, 1);
    EXPECT_EQ(ListeImgs[0].PtsControle[0].X, 1);
    EXPECT_EQ(ListeImgs[1].PtsControle[0].Y, 1);

    Choisir({Chemin("fil.kvp")});
    f->EnregistrerPrjsousClick();
    const QByteArray ecrit = Lire(Chemin("fil.kvp"));
    f->NouveauPrjClick();
    f->OuvrirProjet(Chemin("fil.kvp"));
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(ListeImgs.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const Octets lu = OctetsDe(ListeImgs[i]);
        for (size_t o = 4; o < 480; ++o)
            ASSERT_EQ(lu[o], static_cast<uint8_t>(ecrit[static_cast<qsizetype>(i * 560 + o)]))
                << "image " << i << " octet " << o;
    }
}
