#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <utility>

#include <QCryptographicHash>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/Decodeurs.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "tests/test_plateforme_fabrique.h"

namespace {

uint32_t U32(const Octets& o, size_t p)
{
    uint32_t v;
    std::memcpy(&v, o.data() + p, 4);
    return v;
}

int EcartMax(const Bitmap& a, const Bitmap& b)
{
    int ecart = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < 3 * a.Width(); ++x)
            ecart = std::max(ecart, std::abs(a.Ligne(y)[x] - b.Ligne(y)[x]));
    return ecart;
}

Octets LireFichier(const QString& chemin)
{
    QFile f(chemin);
    f.open(QIODevice::ReadOnly);
    const QByteArray tout = f.readAll();
    return Octets(tout.begin(), tout.end());
}

QByteArray Local(const QString& chemin)
{
    return QFile::encodeName(chemin);
}

QString Entrees(const QString& dossier)
{
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' ');
}

// Début du nom des temporaires d'une cible.
QString RacineTemporaire(const char* nom)
{
    return QStringLiteral(".kalvindo-") + QCryptographicHash::hash(nom, QCryptographicHash::Sha1).toHex().left(16);
}

// Verdict d'un essai mené dans un fils : la liste de ses fautes.
struct Fautes
{
    std::string texte;
    void operator()(bool juste, const std::string& faute)
    {
        if (!juste)
            texte += faute + " ; ";
    }
    // L'enregistrement doit lever ce message ; vide : réussir.
    void Message(const std::function<void()>& enregistrer, const QString& attendu)
    {
        QString message;
        try {
            enregistrer();
        } catch (const Erreur& e) {
            message = e.Message();
        }
        (*this)(message == attendu, "message « " + message.toStdString() + " »");
    }
};

// Lance l'essai dans un processus fils et rend son verdict (vide : réussi).
// Un fils bloqué est tué au bout de deux minutes : une régression échoue au
// lieu de geler la suite.
std::string DansUnFils(const std::function<std::string()>& essai)
{
    int tube[2];
    if (pipe(tube) != 0)
        return "tube impossible";
    const pid_t fils = fork();
    if (fils < 0)
        return "fork impossible";
    if (fils == 0) {
        ::close(tube[0]);
        alarm(120);
        std::string verdict;
        try {
            verdict = essai();
        } catch (const Erreur& e) {
            verdict = "Erreur levée : " + e.Message().toStdString();
        }
        [[maybe_unused]] const ssize_t n = ::write(tube[1], verdict.data(), verdict.size());
        _exit(0);
    }
    ::close(tube[1]);
    std::string verdict;
    char bloc[256];
    for (ssize_t n; (n = ::read(tube[0], bloc, sizeof bloc)) > 0;)
        verdict.append(bloc, static_cast<size_t>(n));
    ::close(tube[0]);
    int etat = 0;
    waitpid(fils, &etat, 0);
    if (WIFSIGNALED(etat))
        return "fils tué par le signal " + std::to_string(WTERMSIG(etat));
    return verdict;
}

// Pose un objet au premier nom de temporaire que l'enregistrement essaie.
std::function<void(const char*)> PiegeAuPremierNom;

int OuvrirApresPiege(const char* chemin, int drapeaux, mode_t mode)
{
    if (PiegeAuPremierNom)
        std::exchange(PiegeAuPremierNom, nullptr)(chemin);
    return ::open(chemin, drapeaux, mode);
}

// Dossier protégé, même pour root : tout temporaire y est refusé.
int RefusDuDossier(const char*, int, mode_t)
{
    errno = EACCES;
    return -1;
}

}  // namespace

TEST(EcrivainBmp, AllerRetourEtEntetes)
{
    for (int largeur : {1, 2, 3, 4, 5, 17}) {
        Bitmap source = ImageDegrade(largeur, 6);
        // Les octets de bourrage du bitmap ne doivent pas passer dans le fichier.
        for (int y = 0; y < 6; ++y)
            std::memset(source.Ligne(y) + 3 * largeur, 0xEE, source.Stride() - 3 * largeur);
        const Octets f = EncoderBmp(source);
        const size_t pas = (largeur * 3 + 3) & ~3;
        ASSERT_EQ(f.size(), 54 + pas * 6) << largeur;
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(U32(f, 2), f.size());
        EXPECT_EQ(U32(f, 10), 54u);
        EXPECT_EQ(U32(f, 14), 40u);
        EXPECT_EQ(U32(f, 18), static_cast<uint32_t>(largeur));
        EXPECT_EQ(U32(f, 22), 6u);  // de bas en haut
        EXPECT_EQ(f[26] | f[27] << 8, 1);
        EXPECT_EQ(f[28] | f[29] << 8, 24);
        EXPECT_EQ(U32(f, 30), 0u);
        EXPECT_EQ(U32(f, 34), pas * 6);
        // Ligne du bas de l'image en premier.
        EXPECT_EQ(std::memcmp(f.data() + 54, source.Ligne(5), 3 * largeur), 0);
        for (int y = 0; y < 6; ++y)
            for (size_t k = 3 * largeur; k < pas; ++k)
                EXPECT_EQ(f[54 + pas * y + k], 0) << largeur;
        Bitmap relu;
        DecoderBmp(f.data(), f.size(), relu);
        EXPECT_TRUE(relu == source) << largeur;
        EXPECT_EQ(EncoderBmp(relu), f);
    }
}

TEST(EcrivainJpeg, QualiteEtFidelite)
{
    const Bitmap source = ImageDegrade(64, 48);
    size_t precedente = 0;
    for (int qualite : {0, 10, 50, 90, 100}) {
        const Octets f = EncoderJpeg(source, qualite);
        // Ligne de base : marqueur SOF0 présent.
        bool sof0 = false;
        for (size_t i = 0; i + 1 < f.size(); ++i)
            sof0 |= f[i] == 0xFF && f[i + 1] == 0xC0;
        EXPECT_TRUE(sof0) << qualite;
        EXPECT_GT(f.size(), precedente) << qualite;
        precedente = f.size();
        Bitmap relu;
        DecoderJpeg(f.data(), f.size(), relu);
        ASSERT_EQ(relu.Width(), 64);
        ASSERT_EQ(relu.Height(), 48);
        if (qualite == 100) {
            EXPECT_LE(EcartMax(relu, source), 6);
        }
    }
    EXPECT_EQ(EncoderJpeg(source, 150), EncoderJpeg(source, 100));
    EXPECT_EQ(EncoderJpeg(source, -3), EncoderJpeg(source, 0));
    EXPECT_THROW(EncoderJpeg(Bitmap(), 90), Erreur);
}

TEST(EcrireFichierSur, RemplaceDUnCoupOuEchoueSansTrace)
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath("panorama.bmp");
    const Bitmap image = ImageDegrade(7, 5);
    EnregistrerBmp(image, cible);
    Bitmap relu;
    ChargerImage(cible, relu);
    EXPECT_TRUE(relu == image);
    EnregistrerJpeg(image, 90, dossier.filePath("panorama.jpg"));
    EXPECT_EQ(LireFichier(dossier.filePath("panorama.jpg")), EncoderJpeg(image, 90));
    // Remplacement : aucun fichier temporaire ne traîne.
    EcrireFichierSur(cible, {1, 2, 3});
    EXPECT_EQ(LireFichier(cible), (Octets{1, 2, 3}));
    EXPECT_EQ(QDir(dossier.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    QDir(dossier.path()).mkdir("dossier.bmp");
    const QString echecs[] = {dossier.filePath("absent/p.bmp"), dossier.filePath("panorama.bmp/p.bmp"),
                              dossier.filePath("dossier.bmp")};
    for (const auto& chemin : echecs) {
        try {
            EnregistrerBmp(image, chemin);
            ADD_FAILURE() << chemin.toStdString();
        } catch (const Erreur& e) {
            EXPECT_EQ(e.Message(), "Impossible de créer le fichier " + QDir::toNativeSeparators(chemin));
        }
        EXPECT_FALSE(QFileInfo(chemin).isFile());
    }
    EXPECT_EQ(LireFichier(cible), (Octets{1, 2, 3}));
}

TEST(RemplacerFichier, NomLongLienDroitsEtTemporaireRepris)
{
    QTemporaryDir dossier;
    QDir d(dossier.path());
    const auto tout = [&] {
        return d.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    };
    const auto ecrire = [](const QString& chemin, const char* texte) {
        return RemplacerFichier(chemin, texte, std::strlen(texte));
    };

    // Un nom de 250 octets : le temporaire tient sous la limite de 255.
    const QString longNom = QString(246, QLatin1Char('n')) + QStringLiteral(".kvp");
    ASSERT_TRUE(ecrire(d.filePath(longNom), "long"));
    EXPECT_EQ(tout(), QStringList({longNom}));
    ASSERT_TRUE(QFile::remove(d.filePath(longNom)));

    // Un lien, direct ou en chaîne, relatif : sa cible est remplacée, le lien reste.
    const QString vrai = d.filePath("vrai.kvp");
    ecrire(vrai, "ancien");
    const auto lier = [&](const char* cible, const char* lien) {
        ASSERT_EQ(symlink(cible, QFile::encodeName(d.filePath(lien)).constData()), 0);
    };
    lier("vrai.kvp", "lien.kvp");
    lier("lien.kvp", "lien2.kvp");
    lier("absent.kvp", "pendant.kvp");
    lier("boucle.kvp", "boucle.kvp");
    for (const char* lien : {"lien.kvp", "lien2.kvp"}) {
        ASSERT_TRUE(ecrire(d.filePath(lien), lien));
        EXPECT_TRUE(QFileInfo(d.filePath(lien)).isSymLink());
        EXPECT_EQ(LireFichier(vrai), Octets(lien, lien + std::strlen(lien)));
    }
    ASSERT_TRUE(ecrire(d.filePath("pendant.kvp"), "neuf"));
    EXPECT_TRUE(QFileInfo(d.filePath("pendant.kvp")).isSymLink());
    EXPECT_EQ(LireFichier(d.filePath("absent.kvp")), (Octets{'n', 'e', 'u', 'f'}));
    EXPECT_FALSE(ecrire(d.filePath("boucle.kvp"), "x"));

    // Les droits sont gardés ; un fichier protégé en écriture n'est pas remplacé.
    const QByteArray vraiLocal = QFile::encodeName(vrai);
    chmod(vraiLocal.constData(), 0640);
    ASSERT_TRUE(ecrire(vrai, "droits"));
    struct stat etat {};
    ASSERT_EQ(stat(vraiLocal.constData(), &etat), 0);
    EXPECT_EQ(etat.st_mode & 07777, 0640u);
    chmod(vraiLocal.constData(), 0444);
    EXPECT_FALSE(ecrire(vrai, "refus"));
    EXPECT_FALSE(ecrire(d.filePath("lien.kvp"), "refus"));
    EXPECT_EQ(LireFichier(vrai), (Octets{'d', 'r', 'o', 'i', 't', 's'}));
    chmod(vraiLocal.constData(), 0600);
    const QStringList attendus = tout();

    // Un seul temporaire par cible, reconnaissable : un second enregistrement
    // de la même cible pendant le premier échoue sans le gêner.
    QString temporaire;
    {
        FichierRemplacant premier(vrai);
        ASSERT_GE(premier.Descripteur(), 0);
        const QStringList pendant = tout();
        ASSERT_EQ(pendant.size(), attendus.size() + 1);
        for (const QString& nom : pendant)
            if (!attendus.contains(nom))
                temporaire = nom;
        EXPECT_TRUE(temporaire.startsWith(QStringLiteral(".kalvindo-"))) << temporaire.toStdString();
        EXPECT_LT(temporaire.size(), 40);
        EXPECT_FALSE(ecrire(vrai, "concurrent"));
        ASSERT_EQ(::write(premier.Descripteur(), "premier", 7), 7);
        ASSERT_TRUE(premier.Valider());
    }
    EXPECT_EQ(LireFichier(vrai), (Octets{'p', 'r', 'e', 'm', 'i', 'e', 'r'}));
    EXPECT_EQ(tout(), attendus);

    // Le reste d'un enregistrement tué est repris par le suivant.
    QFile reste(d.filePath(temporaire));
    ASSERT_TRUE(reste.open(QIODevice::WriteOnly));
    reste.write("morceau d'un enregistrement interrompu");
    reste.close();
    ASSERT_TRUE(ecrire(vrai, "repris"));
    EXPECT_EQ(LireFichier(vrai), (Octets{'r', 'e', 'p', 'r', 'i', 's'}));
    EXPECT_EQ(tout(), attendus);
}

// Ce qu'un autre a posé à un nom de temporaire n'est ni ouvert ni attendu ni
// effacé : au nom que l'enregistrement essaie d'abord, à l'ancien nom fixe et
// à un nom de la forme des temporaires.
TEST(RemplacerFichier, ObjetPoseAuNomDuTemporaireIntouche)
{
    using Pose = int (*)(const char* chemin, const char* voisin);
    struct Objet
    {
        const char* nom;
        Pose poser;
        bool sousRoot = false;
    };
    const Objet objets[] = {
        {"tube", [](const char* c, const char*) { return mkfifo(c, 0600); }},
        {"lien dur", [](const char* c, const char* v) { return link(v, c); }},
        {"lien symbolique", [](const char* c, const char* v) { return symlink(v, c); }},
        {"dossier", [](const char* c, const char*) { return mkdir(c, 0700); }},
        {"fichier d'un autre",
         [](const char* c, const char*) {
             const int fd = ::open(c, O_WRONLY | O_CREAT | O_EXCL, 0600);
             const bool ecrit = fd >= 0 && ::write(fd, "autre", 5) == 5;
             return ::close(fd) == 0 && ecrit ? chown(c, 4242, 4242) : -1;
         },
         true},
    };
    const QString racine = RacineTemporaire("vue.kvp");
    const QString places[] = {QString(), racine + QStringLiteral(".tmp"), racine + QStringLiteral("-0badcafe.tmp")};
    for (const Objet& objet : objets) {
        if (objet.sousRoot && geteuid() != 0)
            continue;
        for (const QString& place : places) {
            SCOPED_TRACE(std::string(objet.nom) + " " + (place.isEmpty() ? "au premier nom" : place.toStdString()));
            QTemporaryDir dossier;
            const QString cible = dossier.filePath("vue.kvp");
            const QString voisin = dossier.filePath("voisin.txt");
            const std::string verdict = DansUnFils([&]() -> std::string {
                if (!RemplacerFichier(cible, "ancien", 6) || !RemplacerFichier(voisin, "intact", 6))
                    return "préparation";
                QByteArray pose;
                struct stat avant {};
                const auto poser = [&](const char* chemin) {
                    if (objet.poser(chemin, Local(voisin).constData()) == 0 && lstat(chemin, &avant) == 0)
                        pose = chemin;
                };
                if (place.isEmpty()) {
                    PiegeAuPremierNom = poser;
                    DefinirOuvertureTemporaire(OuvrirApresPiege);
                } else {
                    poser(Local(dossier.filePath(place)).constData());
                }
                const bool ecrit = RemplacerFichier(cible, "neuf", 4);
                if (pose.isEmpty())
                    return "objet non posé";
                Fautes verifier;
                verifier(ecrit, "enregistrement refusé");
                verifier(LireFichier(cible) == Octets{'n', 'e', 'u', 'f'}, "cible sans les octets neufs");
                struct stat etat {};
                verifier(lstat(Local(cible).constData(), &etat) == 0 && S_ISREG(etat.st_mode) && etat.st_nlink == 1,
                         "cible qui n'est pas un fichier à un seul lien");
                verifier(LireFichier(voisin) == Octets{'i', 'n', 't', 'a', 'c', 't'}, "fichier voisin réécrit");
                verifier(lstat(pose.constData(), &etat) == 0 && etat.st_ino == avant.st_ino &&
                             etat.st_mode == avant.st_mode && etat.st_nlink == avant.st_nlink &&
                             etat.st_size == avant.st_size,
                         "objet posé changé");
                verifier(Entrees(dossier.path()).count(' ') == 2, "temporaire laissé");
                return verifier.texte;
            });
            EXPECT_EQ(verdict, "");
        }
    }
}

// Les restes d'arrêts brutaux d'une cible, fichiers ordinaires à nous et sans
// verrou, sont effacés par son enregistrement suivant ; celui d'un
// enregistrement en cours le fait échouer et reste, comme ceux d'autres cibles.
TEST(RemplacerFichier, RestesEffacesSaufVerrouilles)
{
    QTemporaryDir dossier;
    const QString cible = dossier.filePath("vue.kvp");
    const QString racine = RacineTemporaire("vue.kvp");
    const QString restes[] = {racine + ".tmp", racine + "-0000cafe.tmp", racine + "-ffffffff.tmp"};
    const QString autreCible = RacineTemporaire("autre.kvp") + "-0000cafe.tmp";
    ASSERT_TRUE(RemplacerFichier(cible, "ancien", 6));
    for (const QString& nom : {restes[0], restes[1], restes[2], autreCible}) {
        QFile reste(dossier.filePath(nom));
        ASSERT_TRUE(reste.open(QIODevice::WriteOnly));
        reste.write("morceau");
    }

    {
        // Un enregistrement tué garde son verrou tant que son processus vit.
        const int vivant = ::open(Local(dossier.filePath(restes[1])).constData(), O_RDONLY | O_CLOEXEC);
        ASSERT_EQ(flock(vivant, LOCK_EX | LOCK_NB), 0);
        EXPECT_FALSE(RemplacerFichier(cible, "neuf", 4));
        EXPECT_EQ(LireFichier(cible), (Octets{'a', 'n', 'c', 'i', 'e', 'n'}));
        EXPECT_TRUE(QFileInfo::exists(dossier.filePath(restes[1])));
        ::close(vivant);
    }
    ASSERT_TRUE(RemplacerFichier(cible, "neuf", 4));
    EXPECT_EQ(LireFichier(cible), (Octets{'n', 'e', 'u', 'f'}));
    EXPECT_EQ(Entrees(dossier.path()), autreCible + " vue.kvp");
}

// Système de fichiers sans fallocate (NFSv3, FUSE) : l'appel répond
// EOPNOTSUPP pour tout ce processus.
bool SansFallocate()
{
    sock_filter filtre[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fallocate, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog programme = {static_cast<unsigned short>(std::size(filtre)), filtre};
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &programme) == 0;
}

// Réécriture sur place dans un dossier protégé. Disque plein : la place
// manque pour les trous d'une cible creuse ou pour son allongement ; l'échec
// nomme le fichier et laisse l'ancien contenu octet pour octet. Sans
// fallocate, la réécriture passe comme avec, et un disque plein ne perd rien
// de ce que le système de fichiers laisse voir.
TEST(EcrireFichierSur, SurPlaceAvecOuSansReserveNative)
{
    struct Cas
    {
        size_t ecrits, taille, nouvelle;
        bool plein, sansFallocate, reussit;
    };
    const Cas cas[] = {
        {50000, 200000, 150000, true, false, false}, {50000, 50000, 40000, true, false, true},
        {50000, 200000, 150000, true, true, false},  {50000, 50000, 40000, true, true, true},
        {40000, 40000, 150000, true, true, false},   {40000, 40000, 60000, false, true, true},
        {5000000, 5000000, 40000, false, true, true},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(testing::Message() << c.taille << " -> " << c.nouvelle << (c.plein ? ", plein" : "")
                                        << (c.sansFallocate ? ", sans fallocate" : ""));
        QTemporaryDir dossier;
        const QString cible = dossier.filePath("vue.kvp");
        const std::string verdict = DansUnFils([&]() -> std::string {
            // Un tmpfs de 256 Kio, monté pour ce seul processus.
            if (c.plein &&
                (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                 mount("kalvindo", Local(dossier.path()).constData(), "tmpfs", 0, "size=256k") != 0))
                return "sans tmpfs";
            Octets ancien(c.taille, 0);
            for (size_t i = 0; i < c.ecrits; ++i)
                ancien[i] = static_cast<uint8_t>(1 + i % 251);
            const int fd = ::open(Local(cible).constData(), O_WRONLY | O_CREAT | O_EXCL, 0640);
            if (::write(fd, ancien.data(), c.ecrits) != static_cast<ssize_t>(c.ecrits) ||
                ftruncate(fd, static_cast<off_t>(c.taille)) != 0 || ::close(fd) != 0)
                return "préparation";
            QString attendues = QStringLiteral("vue.kvp");
            if (c.plein) {
                const int plein = ::open(Local(dossier.filePath("plein")).constData(), O_WRONLY | O_CREAT, 0600);
                const Octets bloc(4096, 7);
                while (::write(plein, bloc.data(), bloc.size()) > 0) {
                }
                ::close(plein);
                attendues.prepend(QStringLiteral("plein "));
            }
            if (c.sansFallocate && !SansFallocate())
                return "sans seccomp";
            DefinirOuvertureTemporaire(RefusDuDossier);
            Octets nouveau(c.nouvelle);
            for (size_t i = 0; i < c.nouvelle; ++i)
                nouveau[i] = static_cast<uint8_t>(0x5A ^ (i % 253));
            Fautes verifier;
            verifier.Message([&] { EcrireFichierSur(cible, nouveau); },
                             c.reussit ? QString() : MsgEcritureImpossible(cible));
            verifier(LireFichier(cible) == (c.reussit ? nouveau : ancien), "contenu de la cible");
            verifier(Entrees(dossier.path()) == attendues, "fichier laissé à côté");
            return verifier.texte;
        });
        if (verdict == "sans tmpfs" || verdict == "sans seccomp") {
            std::cout << "[ SAUTÉ    ] " << verdict << std::endl;
            continue;
        }
        EXPECT_EQ(verdict, "");
    }
}

// Taille de fichier bornée (ulimit -f) : l'écriture échoue comme sur un disque
// plein, sans tuer le programme, par le temporaire comme sur place.
TEST(EcrireFichierSur, TailleDeFichierBornee)
{
    for (const bool protege : {false, true}) {
        SCOPED_TRACE(protege ? "sur place" : "par le temporaire");
        QTemporaryDir dossier;
        const QString cible = dossier.filePath("vue.bmp");
        const std::string verdict = DansUnFils([&]() -> std::string {
            const Octets ancien(100, 9);
            EcrireFichierSur(cible, ancien);
            rlimit borne {};
            getrlimit(RLIMIT_FSIZE, &borne);
            borne.rlim_cur = 1000;
            if (setrlimit(RLIMIT_FSIZE, &borne) != 0)
                return "limite refusée";
            if (protege)
                DefinirOuvertureTemporaire(RefusDuDossier);
            Fautes verifier;
            verifier.Message([&] { EnregistrerBmp(ImageDegrade(64, 48), cible); }, MsgEcritureImpossible(cible));
            verifier(LireFichier(cible) == ancien, "ancien contenu perdu");
            verifier(Entrees(dossier.path()) == "vue.bmp", "temporaire laissé");
            return verifier.texte;
        });
        EXPECT_EQ(verdict, "");
    }
}

// Le programme ignore le signal d'une taille bornée ; un programme qu'il lance
// (la visionneuse d'aide) retrouve le comportement par défaut.
TEST(EcrireFichierSur, UnProgrammeLanceNHeritePasDuSignalIgnore)
{
    const auto ignore = [] {
        QProcess sh;
        sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("grep SigIgn /proc/$$/status")});
        sh.waitForFinished();
        const QByteArray masque = sh.readAllStandardOutput().split(':').value(1).trimmed();
        return (masque.toULongLong(nullptr, 16) >> (SIGXFSZ - 1) & 1) != 0;
    };
    EXPECT_TRUE(ignore());
    {
        const TailleBorneeParDefaut lancement;
        EXPECT_FALSE(ignore());
    }
    EXPECT_TRUE(ignore());
}
