// Outil de développement : assemble un projet sans écran, par le code même du
// programme (fenêtre principale, lecteur de projet, assemblage, fondu,
// reprise), et écrit le panoramique en BMP 24 bits.

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "core/Assemblage.h"
#include "core/RenduPano.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"

namespace {

struct Options
{
    QString projet;
    QString sortie;
    int mode = 0;
    bool boucle = false;
    bool chroma = false;
    std::optional<int> recouvrement;
    bool fondu = false;
    std::vector<int> reprises;
    QString dossierImages;
    bool json = false;
};

[[noreturn]] void Usage()
{
    std::fputs("usage : kalvindo-assembler PROJET.kvp --mode 0|1 [--loop] [--chroma] [--overlap L]\n"
               "                           [--fade] [--reharmonise K ...] [--image-dir DOSSIER]\n"
               "                           [--dump-json] -o SORTIE.bmp\n",
               stderr);
    std::exit(2);
}

int Entier(const char* texte)
{
    char* fin = nullptr;
    const long v = std::strtol(texte, &fin, 10);
    if (!fin || *fin != '\0' || fin == texte)
        Usage();
    return static_cast<int>(v);
}

Options LireOptions(int argc, char** argv)
{
    Options o;
    bool modeVu = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const auto suivant = [&]() -> const char* {
            if (i + 1 >= argc)
                Usage();
            return argv[++i];
        };
        if (a == "--mode") {
            o.mode = Entier(suivant());
            modeVu = true;
        } else if (a == "--loop") {
            o.boucle = true;
        } else if (a == "--chroma") {
            o.chroma = true;
        } else if (a == "--overlap") {
            o.recouvrement = Entier(suivant());
        } else if (a == "--fade") {
            o.fondu = true;
        } else if (a == "--reharmonise") {
            o.reprises.push_back(Entier(suivant()));
            while (i + 1 < argc && argv[i + 1][0] != '-')
                o.reprises.push_back(Entier(argv[++i]));
        } else if (a == "--image-dir") {
            o.dossierImages = QString::fromLocal8Bit(suivant());
        } else if (a == "--dump-json") {
            o.json = true;
        } else if (a == "-o") {
            o.sortie = QString::fromLocal8Bit(suivant());
        } else if (!a.startsWith('-') && o.projet.isEmpty()) {
            o.projet = a;
        } else {
            Usage();
        }
    }
    if (o.projet.isEmpty() || o.sortie.isEmpty() || !modeVu)
        Usage();
    return o;
}

// Copie du projet dont chaque enregistrement désigne le dossier donné : le
// lecteur réel va y chercher les images.
QString ProjetRedirige(const QString& projet, const QString& dossier, const QTemporaryDir& temp)
{
    QFile source(projet);
    if (!source.open(QIODevice::ReadOnly))
        throw Erreur(QStringLiteral("Projet illisible : ") + projet);
    QByteArray octets = source.readAll();
    const QString absolu = QDir(dossier).absolutePath();
    for (qsizetype d = 0; d + qsizetype(sizeof(TInfosImg)) <= octets.size(); d += sizeof(TInfosImg)) {
        TInfosImg img;
        std::memcpy(&img, octets.constData() + d, sizeof img);
        if (OctetsChaineCourte(absolu).size() > static_cast<size_t>(TChaineCourte<127>::Capacite))
            throw Erreur(QStringLiteral("Dossier d'images trop long : ") + absolu);
        EcrireChaineCourte(img.Repertoire, absolu);
        std::memcpy(octets.data() + d, &img, sizeof img);
    }
    const QString copie = temp.filePath(QFileInfo(projet).fileName());
    QFile cible(copie);
    if (!cible.open(QIODevice::WriteOnly) || cible.write(octets) != octets.size())
        throw Erreur(QStringLiteral("Copie du projet impossible"));
    return copie;
}

QString Etendu(long double v)
{
    const Extended e = v;
    char valeur[64];
    std::snprintf(valeur, sizeof valeur, "%.18Le", v);
    char bits[32];
    std::snprintf(bits, sizeof bits, "%04X:%016llX", e.SigneExposant(),
                  static_cast<unsigned long long>(e.Mantisse()));
    return QStringLiteral("{\"value\": \"%1\", \"bits\": \"%2\"}")
        .arg(QString::fromLatin1(valeur), QString::fromLatin1(bits));
}

QString Reel(double v)
{
    char t[64];
    std::snprintf(t, sizeof t, "%.9g", v);
    return QString::fromLatin1(t);
}

QString Chaine(const QString& s)
{
    QString r = "\"";
    for (QChar c : s) {
        if (c == '"' || c == '\\')
            r += '\\';
        if (c.unicode() < 0x20)
            r += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        else
            r += c;
    }
    return r + '"';
}

template <class T, class F>
QString Liste(const T* debut, int n, F f)
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << f(debut[i]);
    return '[' + l.join(", ") + ']';
}

QString Point(const TPoint32& p)
{
    return QStringLiteral("[%1, %2]").arg(p.X).arg(p.Y);
}

QString Json()
{
    QStringList images;
    for (size_t i = 0; i < ImgsAssemblage.size(); ++i) {
        const TInfosImg& img = ImgsAssemblage[i];
        QStringList c;
        c << QStringLiteral("\"index\": %1").arg(i)
          << "\"Nom\": " + Chaine(LireChaineCourte(img.Nom))
          << QStringLiteral("\"Largeur\": %1").arg(img.Largeur)
          << QStringLiteral("\"Hauteur\": %1").arg(img.Hauteur)
          << "\"PtsControle\": " + Liste(img.PtsControle, 4, [](const TPtControle& p) {
                 return QStringLiteral("[%1, %2, %3, %4]").arg(p.X).arg(p.Y).arg(p.NumImg).arg(p.NumPt);
             })
          << "\"PtsHoriz\": " + Liste(img.PtsHoriz, 2, Point)
          << QStringLiteral("\"DecalX\": %1").arg(img.DecalX)
          << QStringLiteral("\"DecalY\": %1").arg(img.DecalY)
          << "\"Coins\": " + Liste(img.Coins, 4, Point)
          << "\"CoinsLies\": " + Liste(img.CoinsLies, 4, Point)
          << "\"Deplacements\": " + Liste(img.Deplacements, 4, Point)
          << "\"PenteJonction\": " + Etendu(img.PenteJonction)
          << "\"OrdonneeJonction\": " + Etendu(img.OrdonneeJonction)
          << QStringLiteral("\"Coefs\": {\"CoefHG\": %1, \"CoefBG\": %2, \"CoefHD\": %3, \"CoefBD\": %4}")
                 .arg(Etendu(img.CoefHG), Etendu(img.CoefBG), Etendu(img.CoefHD), Etendu(img.CoefBD))
          << "\"FacteursRVB\": " + Liste(img.FacteursRVB, 4, [](const float (&coin)[3]) {
                 return QStringLiteral("[%1, %2, %3]").arg(Reel(coin[0]), Reel(coin[1]), Reel(coin[2]));
             })
          << "\"CoefFuite\": " + Reel(img.CoefFuite);
        images << "    {" + c.join(", ") + "}";
    }
    return QStringLiteral("{\n  \"LargeurPano\": %1,\n  \"HauteurPano\": %2,\n  \"XCourant\": %3,\n"
                          "  \"FracDebutHaut\": %4,\n  \"FracFinBas\": %5,\n  \"images\": [\n%6\n  ]\n}\n")
        .arg(LargeurPano)
        .arg(HauteurPano)
        .arg(XCourant)
        .arg(Etendu(FracDebutHaut), Etendu(FracFinBas), images.join(",\n"));
}

void Chrono(const char* phase, QElapsedTimer& t)
{
    std::fprintf(stderr, "%-22s %8.1f ms\n", phase, t.nsecsElapsed() / 1e6);
    t.restart();
}

int Executer(const Options& o)
{
    QStringList messages;
    CrochetsDialogues crochets;
    crochets.message = [&messages](const DemandeMessage& d) {
        messages << d.texte;
        return d.boutons == BoutonsMessage::Ok ? ReponseMessage::Ok : ReponseMessage::Non;
    };
    crochets.fichier = [](const DemandeFichier&) { return ReponseFichier{}; };
    DefinirCrochetsDialogues(crochets);

    QTemporaryDir temp;
    QString projet = QFileInfo(o.projet).absoluteFilePath();
    if (!QFileInfo::exists(projet))
        throw Erreur(QStringLiteral("Projet introuvable : ") + projet);
    if (!o.dossierImages.isEmpty())
        projet = ProjetRedirige(projet, o.dossierImages, temp);

    TSeqPano fenetre;
    fenetre.LigneCommande = projet;
    fenetre.OuvrirProjet(projet);
    if (!messages.isEmpty() || ListeImgs.empty())
        throw Erreur(messages.isEmpty() ? QStringLiteral("Projet vide") : messages.join('\n'));

    fenetre.ModeAsmbl()->setCurrentIndex(o.mode);
    fenetre.BouclerPano()->setChecked(o.boucle);
    fenetre.CorrChro()->setChecked(o.chroma);
    if (o.recouvrement)
        LargeurRecouvrement = *o.recouvrement;

    TAssembleImg& assemblage = *AssembleImg;
    QElapsedTimer t;
    assemblage.SurPhase = [&t](const char* phase) { Chrono(phase, t); };
    t.start();
    assemblage.Assembler();
    assemblage.SurPhase = nullptr;

    if (o.fondu) {
        t.restart();
        FiltrerRecouvrements();
        Chrono("fondu", t);
    }
    for (int k : o.reprises) {
        if (k < 0 || k >= static_cast<int>(ImgsAssemblage.size()))
            throw Erreur(QStringLiteral("Image %1 absente du projet").arg(k));
        t.restart();
        ReprendreHarmonisation(k);
        Chrono("reprise", t);
        ConserverImgs = true;
        assemblage.SurPhase = [&t](const char* phase) { Chrono(phase, t); };
        t.restart();
        assemblage.Assembler();
        assemblage.SurPhase = nullptr;
        if (o.fondu)
            FiltrerRecouvrements();
    }
    if (!messages.isEmpty())
        throw Erreur(messages.join('\n'));

    EnregistrerBmp(*BmpPano, o.sortie);
    if (o.json)
        std::fputs(Json().toUtf8().constData(), stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    IgnorerTailleFichierBornee();
    const Options o = LireOptions(argc, argv);
    try {
        TAssembleImg fenetreAssemblage;
        AssembleImg = &fenetreAssemblage;
        const int code = Executer(o);
        AssembleImg = nullptr;
        return code;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kalvindo-assembler : %s\n", e.what());
        return 1;
    }
}
