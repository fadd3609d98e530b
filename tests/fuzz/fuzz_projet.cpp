// Cible de fuzz du lecteur de projet suivi de l'assemblage, par la fenêtre
// principale sans écran. Octet 0 : options (bit 0 fondu, bit 1 boucle, bits 2-3
// mode de déformation, bit 4 sans chromaticité, bit 5 liste longue) ; octet 1 :
// largeur de recouvrement ; ensuite le fichier de projet, dont chaque
// enregistrement désigne une des petites images du dossier par la première
// lettre de son nom ('a' + k ; au-delà, un fichier absent). Seuls l'Erreur et
// le refus du lecteur (son avertissement, puis un projet vide) sont des fins
// acceptables. En liste longue, les enregistrements de l'entrée se répètent
// jusqu'à des centaines (octet 1 : leur nombre, par centaines) et seule
// l'ouverture est jouée : son coût reste sous l'œil du fuzzer.

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "core/Assemblage.h"
#include "core/RenduPano.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "platform/Ecrivains.h"
#include "platform/Parallele.h"
#include "tests/fuzz/Fuzz.h"
#include "tests/test_exif_fabrique.h"

namespace {

struct ImageFuzz
{
    const char* nom;
    int largeur;
    int hauteur;
};

// Des côtés d'un pixel aussi : le chargeur les accepte.
constexpr ImageFuzz Images[] = {{"a.png", 8, 6},  {"b.png", 40, 30}, {"c.bmp", 23, 17}, {"d.jpg", 32, 24},
                                {"e.png", 2, 2},  {"f.png", 1, 5},   {"g.png", 9, 1}};
constexpr int NbImages = static_cast<int>(std::size(Images));
constexpr int MaxEnregistrements = 5;
constexpr uint8_t OptionListeLongue = 32;
constexpr size_t Taille = sizeof(TInfosImg);

const QString MsgIllisible =
    QStringLiteral("Un des composants du projet n'a pas pu être chargé. Le programme est réinitialisé.");

[[noreturn]] void Echec(const char* quoi, const QStringList& messages)
{
    std::fprintf(stderr, "fuzz_projet : %s\n", quoi);
    for (const QString& m : messages)
        std::fprintf(stderr, "  message : %s\n", m.toUtf8().constData());
    std::abort();
}

void EcrireImage(const ImageFuzz& i, const QString& chemin)
{
    Bitmap bmp(i.largeur, i.hauteur);
    for (int y = 0; y < i.hauteur; ++y)
        for (int x = 0; x < i.largeur; ++x) {
            uint8_t* p = bmp.Ligne(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x * 37 + y * 11);
            p[1] = static_cast<uint8_t>(x * 5 + y * 29);
            p[2] = static_cast<uint8_t>(200 - x * 3 - y * 7);
        }
    const QString suffixe = QString::fromLatin1(i.nom).section('.', 1);
    if (suffixe == "bmp") {
        EnregistrerBmp(bmp, chemin);
    } else if (suffixe == "png") {
        bmp.ImageQt().save(chemin, "PNG");
    } else {
        // Données EXIF en tête : l'angle par pixel est lu de la première image.
        FabriqueExif exif(false);
        exif.exif = {exif.Long(0xA002, static_cast<uint32_t>(i.largeur)), exif.Court(0xA405, 28)};
        QByteArray octets = exif.Fichier().chopped(2);
        const std::vector<uint8_t> jpeg = EncoderJpeg(bmp, 90);
        octets.append(reinterpret_cast<const char*>(jpeg.data()) + 2, static_cast<qsizetype>(jpeg.size() - 2));
        FabriqueExif::Ecrire(chemin, octets);
    }
}

// Fenêtre principale et fenêtre d'assemblage, faites une fois pour toutes les
// entrées, avec les dialogues répondus sans écran.
struct Banc
{
    static inline int argc = 1;
    static inline char nomProgramme[] = "fuzz_projet";
    static inline char* argv[] = {nomProgramme, nullptr};

    std::unique_ptr<QApplication> application;
    QTemporaryDir dossier;
    std::unique_ptr<TAssembleImg> assemblage;
    std::unique_ptr<TSeqPano> fenetre;
    QStringList messages;

    Banc()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
        for (const ImageFuzz& i : Images)
            EcrireImage(i, dossier.filePath(QString::fromLatin1(i.nom)));
        ImposerCheminReglages(dossier.filePath("kalvindo.ini"));
        CrochetsDialogues crochets;
        crochets.message = [this](const DemandeMessage& d) {
            messages << d.texte;
            return ReponseMessage::Ok;
        };
        crochets.fichier = [](const DemandeFichier&) { return ReponseFichier{}; };
        DefinirCrochetsDialogues(crochets);
        // Deux fils, fixes : les lignes restent partagées, mais la réserve de
        // fils n'est plus refaite à chaque étape dont l'image a moins de lignes
        // que la machine n'a de cœurs, le cas de toutes ces petites images.
        DefinirNombreFils(2);
        assemblage = std::make_unique<TAssembleImg>();
        AssembleImg = assemblage.get();
        fenetre = std::make_unique<TSeqPano>();
    }

    // Les bitmaps et les tampons des images appartiennent à leurs tables, qui
    // les libèrent ; elles peuvent être détruites avant le banc.
    ~Banc()
    {
        fenetre.reset();
        AssembleImg = nullptr;
        assemblage.reset();
        DefinirCrochetsDialogues({});
    }

    // Les enregistrements entiers désignent une image du dossier ; le reste
    // des octets vient tel quel de l'entrée. Avec repetes non nul, les
    // enregistrements entiers se suivent en boucle jusqu'à ce nombre.
    QString EcrireProjet(const uint8_t* donnees, size_t taille, size_t repetes = 0)
    {
        QByteArray octets(reinterpret_cast<const char*>(donnees), static_cast<qsizetype>(taille));
        if (repetes > 0 && taille >= Taille) {
            const QByteArray entiers = octets.left(static_cast<qsizetype>(taille / Taille * Taille));
            octets.clear();
            for (size_t k = 0; k < repetes; ++k)
                octets.append(entiers.constData() + (k % (taille / Taille)) * Taille, Taille);
        }
        for (qsizetype d = 0; d + qsizetype(Taille) <= octets.size(); d += Taille) {
            TInfosImg r;
            std::memcpy(&r, octets.constData() + d, Taille);
            const int k = static_cast<uint8_t>(r.Nom.car[0] - 'a') % (NbImages + 1);
            EcrireChaineCourte(r.Nom, k < NbImages ? QString::fromLatin1(Images[k].nom) : QStringLiteral("h.png"));
            EcrireChaineCourte(r.Repertoire, dossier.path());
            std::memcpy(octets.data() + d, &r, Taille);
        }
        const QString chemin = dossier.filePath("p.kvp");
        // Un fichier neuf à chaque entrée : tronquer l'ancien forcerait une écriture disque.
        QFile::remove(chemin);
        QFile f(chemin);
        if (!f.open(QIODevice::WriteOnly) || f.write(octets) != octets.size())
            Echec("écriture du projet impossible", {});
        return chemin;
    }
};

// Des centaines d'enregistrements : de 100 à 800.
size_t EnregistrementsListeLongue(uint8_t octet)
{
    return 100 * (1 + octet % 8);
}

Banc& LeBanc()
{
    static Banc banc;
    return banc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* donnees, size_t taille)
{
    if (taille < 2)
        return 0;
    Banc& b = LeBanc();
    const uint8_t options = donnees[0];
    const bool longue = options & OptionListeLongue;
    const size_t octetsProjet = std::min(taille - 2, MaxEnregistrements * Taille + Taille - 1);
    const size_t repetes = longue ? EnregistrementsListeLongue(donnees[1]) : 0;
    const QString chemin = b.EcrireProjet(donnees + 2, octetsProjet, repetes);
    size_t nb = std::min<size_t>(octetsProjet / Taille, MaxEnregistrements);
    if (longue && nb > 0)
        nb = repetes;

    b.messages.clear();
    TSeqPano& f = *b.fenetre;
    f.OuvrirProjet(chemin);
    if (b.messages.isEmpty()) {
        if (ListeImgs.size() != nb || f.NbImgs != static_cast<int>(nb))
            Echec("projet lu incomplet sans message", {});
    } else {
        if (b.messages != QStringList{MsgIllisible} || !ListeImgs.empty() || f.NbImgs != 0)
            Echec("fin inattendue de la lecture", b.messages);
        return 0;
    }
    if (longue)
        return 0;

    // Les réglages de l'onglet Assemblage ; la zone de saisie tient deux caractères.
    f.BouclerPano()->setChecked(options & 2);
    f.ModeAsmbl()->setCurrentIndex(std::array{0, 1, -1, 1}[(options >> 2) & 3]);
    f.CorrChro()->setChecked(!(options & 16));
    LargeurRecouvrement = donnees[1] % 109 - 9;
    // Comme le bouton : pas d'assemblage sans tous les points de contrôle.
    if (!f.PtsControleDefinis())
        return 0;
    try {
        AssembleImg->Assembler();
        if (options & 1)
            FiltrerRecouvrements();
    } catch (const Erreur&) {
    }
    if (!b.messages.isEmpty())
        Echec("message pendant l'assemblage", b.messages);
    return 0;
}

namespace {

// Image k de la liste ; points, coefficients et versions comme à la création.
TInfosImg Neuf(int k)
{
    const ImageFuzz& i = Images[k];
    TInfosImg r;
    std::memset(&r, 0, sizeof r);
    EcrireChaineCourte(r.Nom, QString::fromLatin1(i.nom));
    r.Largeur = i.largeur;
    r.Hauteur = i.hauteur;
    for (TPtControle& p : r.PtsControle)
        p = {i.largeur / 2, i.hauteur / 2, -1, 0, 0};
    for (TPoint32& p : r.PtsHoriz)
        p = {0, i.hauteur / 2};
    for (Extended* c : {&r.CoefHG, &r.CoefBG, &r.CoefHD, &r.CoefBD})
        *c = 1.0L;
    for (auto& coin : r.FacteursRVB)
        for (float& v : coin)
            v = 1.0f;
    EcrireChaineCourte(r.Version, QStringLiteral("1.1.1"));
    return r;
}

// Une suite d'images liées chacune à la suivante par deux paires de points.
std::vector<TInfosImg> Suite(std::initializer_list<int> images, bool boucle)
{
    std::vector<TInfosImg> recs;
    for (int k : images)
        recs.push_back(Neuf(k));
    const int n = static_cast<int>(recs.size());
    auto aGauche = [&](int i) { return boucle || i > 0; };
    for (int i = 0; i < n; ++i) {
        if (!boucle && i == n - 1)
            break;
        const int j = (i + 1) % n;
        TInfosImg& g = recs[i];
        TInfosImg& d = recs[j];
        const int premierDroit = aGauche(i) ? 2 : 0;
        for (int k = 0; k < 2; ++k) {
            TPtControle& pg = g.PtsControle[premierDroit + k];
            TPtControle& pd = d.PtsControle[k];
            pg = {std::max(0, g.Largeur - 3), (g.Hauteur - 1) * (1 + 2 * k) / 4, j, k + 1, 255};
            pd = {std::min(1, d.Largeur - 1), (d.Hauteur - 1) * (1 + 2 * k) / 4, i, premierDroit + k + 1, 255};
        }
    }
    for (int i = 0; i < n; ++i)
        recs[i].NbPtsControle = (aGauche(i) ? 2 : 0) + (boucle || i < n - 1 ? 2 : 0);
    return recs;
}

Octets Graine(uint8_t options, int recouvrement, const std::vector<TInfosImg>& recs)
{
    Octets o{options, static_cast<uint8_t>(recouvrement + 9)};
    for (const TInfosImg& r : recs) {
        const auto* p = reinterpret_cast<const uint8_t*>(&r);
        o.insert(o.end(), p, p + Taille);
    }
    return o;
}

}  // namespace

std::vector<Octets> GrainesFuzz()
{
    std::vector<Octets> graines;
    graines.push_back(Graine(1, 20, Suite({1, 2, 0}, false)));

    // Boucle bilinéaire : perspective, horizon, luminosité et couleurs.
    auto boucle = Suite({1, 3, 1}, true);
    boucle[0].CoefFuite = 0.15f;
    boucle[1].PtsHoriz[0] = {2, 9};
    boucle[1].PtsHoriz[1] = {29, 14};
    boucle[1].NbPtsHoriz = 2;
    boucle[1].CoefFuite = 0.05f;
    boucle[2].CoefHG = 1.3L;
    boucle[2].CoefBD = 0.7L;
    boucle[2].FacteursRVB[1][2] = 1.2f;
    graines.push_back(Graine(1 | 2 | 4, 5, boucle));

    // Image EXIF en tête, version d'avant les corrections, recouvrement nul,
    // aucun mode choisi.
    auto exif = Suite({3, 1}, false);
    exif[1].Version.car[0] = '\0';
    exif[1].CoefHD = 2.0L;
    graines.push_back(Graine(1 | 8 | 16, 0, exif));

    // Images d'un ou deux pixels de côté.
    graines.push_back(Graine(1 | 4, 3, Suite({1, 4, 5, 6, 2}, false)));

    // Liste longue : cinq images liées à leurs voisines, répétées ; l'octet 1
    // nul en fait cent enregistrements. Elle vient en dernier.
    graines.push_back(Graine(OptionListeLongue, -9, Suite({0, 1, 2, 3, 4}, false)));
    return graines;
}

// Une entrée passe par la fenêtre et souvent par un assemblage, et chaque
// ouverture d'une liste longue lit des centaines d'enregistrements : peu de
// mutations dans la suite de ctest.
int MutationsFuzz(size_t g)
{
    return g + 1 < GrainesFuzz().size() ? 150 : 10;
}
