#include "platform/Ecrivains.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <jpeglib.h>

#include "platform/Erreur.h"

namespace {

void PoserU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PoserU32(uint8_t* p, uint32_t v)
{
    PoserU16(p, v & 0xFFFF);
    PoserU16(p + 2, v >> 16);
}

struct GestionErreur
{
    jpeg_error_mgr mgr;
    std::jmp_buf saut;
};

void ErreurFatale(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<GestionErreur*>(info->err)->saut, 1);
}

void Silence(j_common_ptr) {}

struct Compression
{
    jpeg_compress_struct info{};
    GestionErreur erreur{};
    unsigned char* tampon = nullptr;
    unsigned long taille = 0;

    Compression()
    {
        info.err = jpeg_std_error(&erreur.mgr);
        erreur.mgr.error_exit = ErreurFatale;
        erreur.mgr.output_message = Silence;
        jpeg_create_compress(&info);
    }
    ~Compression()
    {
        jpeg_destroy_compress(&info);
        std::free(tampon);
    }
    Compression(const Compression&) = delete;
    Compression& operator=(const Compression&) = delete;
};

// Aucun objet C++ entre le setjmp et la bibliothèque : des pointeurs seulement.
bool Compresser(Compression& c, const Bitmap* source, int qualite)
{
    if (setjmp(c.erreur.saut))
        return false;
    jpeg_mem_dest(&c.info, &c.tampon, &c.taille);
    c.info.image_width = static_cast<JDIMENSION>(source->Width());
    c.info.image_height = static_cast<JDIMENSION>(source->Height());
    c.info.input_components = 3;
    c.info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c.info);
    jpeg_set_quality(&c.info, qualite, TRUE);
    jpeg_start_compress(&c.info, TRUE);
    while (c.info.next_scanline < c.info.image_height) {
        JSAMPROW ligne = const_cast<uint8_t*>(source->Ligne(static_cast<int>(c.info.next_scanline)));
        jpeg_write_scanlines(&c.info, &ligne, 1);
    }
    jpeg_finish_compress(&c.info);
    return true;
}

OuvertureTemporaire OuvertureRemplacee = nullptr;

int OuvrirTemporaire(const char* chemin, int drapeaux, mode_t mode)
{
    return OuvertureRemplacee ? OuvertureRemplacee(chemin, drapeaux, mode) : ::open(chemin, drapeaux, mode);
}

// Chaque écriture est comptée : une écriture partielle (disque plein, taille
// bornée) est un échec.
bool EcrireTout(int fd, const char* octets, size_t taille)
{
    size_t ecrit = 0;
    while (ecrit < taille) {
        const ssize_t n = ::write(fd, octets + ecrit, taille - ecrit);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        ecrit += static_cast<size_t>(n);
    }
    return true;
}

// Le nom désigne-t-il encore le fichier ouvert ?
bool Nomme(int fd, const QByteArray& chemin)
{
    struct stat ouvert {}, nomme {};
    return fstat(fd, &ouvert) == 0 && lstat(chemin.constData(), &nomme) == 0 && ouvert.st_dev == nomme.st_dev &&
           ouvert.st_ino == nomme.st_ino;
}

// Efface les restes de la même racine, sauf le nôtre. N'est ouvert que ce qui
// peut en être un ; rien n'est suivi ni attendu. Un reste verrouillé est celui
// d'un enregistrement en cours : false.
bool EffacerRestes(const QByteArray& dossier, const QByteArray& racine, const QByteArray& notre)
{
    DIR* liste = opendir(dossier.isEmpty() ? "." : dossier.constData());
    if (!liste)
        return true;
    bool libre = true;
    while (const dirent* entree = readdir(liste)) {
        const QByteArray nom(entree->d_name);
        if (!nom.startsWith(racine) || !nom.endsWith(".tmp") || nom == notre)
            continue;
        const QByteArray chemin = dossier + nom;
        struct stat vu {};
        if (lstat(chemin.constData(), &vu) != 0 || !S_ISREG(vu.st_mode) || vu.st_nlink != 1 ||
            vu.st_uid != geteuid())
            continue;
        const int fd = ::open(chemin.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (Nomme(fd, chemin)) {
            if (flock(fd, LOCK_EX | LOCK_NB) != 0)
                libre = false;
            else
                ::unlink(chemin.constData());
        }
        ::close(fd);
    }
    closedir(liste);
    return libre;
}

// Copie [debut, fin) d'un descripteur à l'autre, à la même position.
bool Recopier(int source, int cible, off_t debut, off_t fin)
{
    if (lseek(cible, debut, SEEK_SET) != debut)
        return false;
    std::vector<char> tampon(static_cast<size_t>(std::min<off_t>(fin - debut, off_t(1) << 20)));
    for (off_t position = debut; position < fin;) {
        const size_t voulu = static_cast<size_t>(std::min<off_t>(fin - position, static_cast<off_t>(tampon.size())));
        const ssize_t lu = ::pread(source, tampon.data(), voulu, position);
        if (lu < 0 && errno == EINTR)
            continue;
        if (lu <= 0 || !EcrireTout(cible, tampon.data(), static_cast<size_t>(lu)))
            return false;
        position += lu;
    }
    return true;
}

// Sans réservation native, un octet nul par bloc de chaque trou que le
// système de fichiers signale lui donne son bloc sans changer le contenu.
bool RemplirTrous(int fd, off_t fin)
{
    struct stat etat {};
    if (fstat(fd, &etat) != 0)
        return false;
    const off_t bloc = etat.st_blksize > 0 ? etat.st_blksize : 4096;
    for (off_t trou = lseek(fd, 0, SEEK_HOLE); trou >= 0 && trou < fin;) {
        off_t donnees = lseek(fd, trou, SEEK_DATA);
        if (donnees < 0 || donnees > fin)
            donnees = fin;
        for (off_t position = trou; position < donnees; position += bloc - position % bloc) {
            ssize_t n;
            while ((n = ::pwrite(fd, "", 1, position)) < 0 && errno == EINTR) {
            }
            if (n != 1)
                return false;
        }
        if (donnees >= fin)
            break;
        trou = lseek(fd, donnees, SEEK_HOLE);
    }
    return true;
}

// Réserve les blocs de toute la nouvelle longueur : les trous d'un fichier
// creux en demandent eux aussi. fallocate() et non posix_fallocate(), dont le
// repli lit la cible, ouverte en écriture seule.
bool ReserverPlace(int fd, off_t commun, off_t taille)
{
    if (taille <= 0)
        return true;
    int retour;
    while ((retour = fallocate(fd, 0, 0, taille)) != 0 && errno == EINTR) {
    }
    if (retour == 0)
        return true;
    // NFSv3, FUSE : l'allongement est écrit avant tout le reste, et les trous
    // de la part commune sont remplis là où le système les signale.
    return (errno == EOPNOTSUPP || errno == ENOSYS) && RemplirTrous(fd, commun);
}

}  // namespace

QString MsgCreationImpossible(const QString& chemin)
{
    return QStringLiteral("Impossible de créer le fichier %1").arg(QDir::toNativeSeparators(chemin));
}

QString MsgEcritureImpossible(const QString& chemin)
{
    return QStringLiteral("Impossible d'écrire le fichier %1").arg(QDir::toNativeSeparators(chemin));
}

void IgnorerTailleFichierBornee()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

TailleBorneeParDefaut::TailleBorneeParDefaut() : precedent_(std::signal(SIGXFSZ, SIG_DFL)) {}

TailleBorneeParDefaut::~TailleBorneeParDefaut()
{
    std::signal(SIGXFSZ, precedent_);
}

void DefinirOuvertureTemporaire(OuvertureTemporaire ouverture)
{
    OuvertureRemplacee = ouverture;
}

std::vector<uint8_t> EncoderBmp(const Bitmap& source)
{
    // Sans pixels, l'en-tête seul ne serait pas une image relisible.
    if (source.Empty())
        throw Erreur(MsgImageVide);
    const uint32_t largeur = static_cast<uint32_t>(source.Width());
    const uint32_t hauteur = static_cast<uint32_t>(source.Height());
    const size_t pas = (static_cast<size_t>(largeur) * 3 + 3) & ~size_t(3);
    const size_t pixels = pas * hauteur;
    if (pixels > 0xFFFFFFFFu - 54)
        throw Erreur("Image trop grande pour le format BMP");
    std::vector<uint8_t> octets(54 + pixels, 0);
    uint8_t* e = octets.data();
    e[0] = 'B';
    e[1] = 'M';
    PoserU32(e + 2, static_cast<uint32_t>(octets.size()));
    PoserU32(e + 10, 54);
    PoserU32(e + 14, 40);
    PoserU32(e + 18, largeur);
    PoserU32(e + 22, hauteur);  // positive : lignes de bas en haut
    PoserU16(e + 26, 1);
    PoserU16(e + 28, 24);
    PoserU32(e + 30, 0);  // BI_RGB
    PoserU32(e + 34, static_cast<uint32_t>(pixels));
    // Bourrage de fin de ligne à zéro, pas les octets de travail du bitmap.
    for (uint32_t y = 0; y < hauteur; ++y)
        std::memcpy(e + 54 + pas * (hauteur - 1 - y), source.Ligne(static_cast<int>(y)),
                    static_cast<size_t>(largeur) * 3);
    return octets;
}

std::vector<uint8_t> EncoderJpeg(const Bitmap& source, int qualite)
{
    if (source.Empty())
        throw Erreur(MsgImageVide);
    Compression c;
    if (!Compresser(c, &source, std::clamp(qualite, 0, 100)))
        throw Erreur("Erreur lors de la compression JPEG");
    return std::vector<uint8_t>(c.tampon, c.tampon + c.taille);
}

FichierRemplacant::FichierRemplacant(const QString& chemin)
{
    QString finale = chemin;
    for (int n = 0; n < 40 && QFileInfo(finale).isSymLink(); ++n)
        finale = QFileInfo(finale).symLinkTarget();
    if (QFileInfo(finale).isSymLink())
        return;
    cible_ = QFile::encodeName(finale);

    struct stat etat {};
    const bool existe = stat(cible_.constData(), &etat) == 0;
    if (existe) {
        // Un fichier protégé en écriture le reste, même pour root.
        if (!S_ISREG(etat.st_mode) || (etat.st_mode & 0222) == 0 || access(cible_.constData(), W_OK) != 0)
            return;
        mode_ = etat.st_mode & 07777;
    } else {
        const mode_t masque = umask(0);
        umask(masque);
        mode_ = 0666 & ~masque;
    }

    // Nom court quelle que soit la longueur de celui de la cible.
    const qsizetype barre = cible_.lastIndexOf('/');
    const QByteArray dossier = cible_.left(barre + 1);
    const QByteArray racine =
        ".kalvindo-" + QCryptographicHash::hash(cible_.mid(barre + 1), QCryptographicHash::Sha1).toHex().left(16);
    // Création exclusive : un nom déjà pris, quoi qu'il désigne, fait tirer le suivant.
    for (int essai = 0; essai < 16; ++essai) {
        const QByteArray hasard = QByteArray::number(QRandomGenerator::system()->generate(), 16);
        const QByteArray nom = racine + '-' + hasard.rightJustified(8, '0') + ".tmp";
        temporaire_ = dossier + nom;
        fd_ = OuvrirTemporaire(temporaire_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            // Verrouillé puis encore sous son nom, il ne peut plus être pris pour un reste.
            if (flock(fd_, LOCK_EX | LOCK_NB) != 0 || !Nomme(fd_, temporaire_) || !EffacerRestes(dossier, racine, nom))
                Lacher();
            return;
        }
        if (errno != EEXIST)
            break;
    }
    if (existe && (errno == EACCES || errno == EPERM))
        OuvrirSurPlace();
}

// La cible est ouverte et verrouillée dès maintenant : un enregistrement
// concurrent de la même cible échoue, comme sur la voie du temporaire.
void FichierRemplacant::OuvrirSurPlace()
{
    const int cible = ::open(cible_.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (cible < 0)
        return;
    struct stat etat {};
    if (fstat(cible, &etat) != 0 || !S_ISREG(etat.st_mode) || flock(cible, LOCK_EX | LOCK_NB) != 0) {
        ::close(cible);
        return;
    }
    int fd = ::open(QFile::encodeName(QDir::tempPath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        fd = memfd_create("kalvindo", MFD_CLOEXEC);
    if (fd < 0) {
        ::close(cible);
        return;
    }
    cibleOuverte_ = cible;
    fd_ = fd;
}

// Les octets ne touchent la cible qu'une fois entièrement écrits à part et la
// place réservée : seul un échec de la recopie elle-même l'abîme.
bool FichierRemplacant::RecopierSurPlace()
{
    struct stat neuf {}, ancien {};
    if (fstat(fd_, &neuf) != 0 || fstat(cibleOuverte_, &ancien) != 0)
        return false;
    const off_t commun = std::min(neuf.st_size, ancien.st_size);
    // Ce qu'une réservation partielle ou un allongement raté a ajouté au bout
    // est retiré : l'ancien contenu reste tel quel.
    const auto retablir = [&] {
        [[maybe_unused]] const int retour = ftruncate(cibleOuverte_, ancien.st_size);
        return false;
    };
    if (!ReserverPlace(cibleOuverte_, commun, neuf.st_size))
        return retablir();
    // L'allongement d'abord : sans réservation, c'est lui qui échoue sur un
    // disque plein, avant qu'un octet de l'ancien contenu change.
    if (!Recopier(fd_, cibleOuverte_, commun, neuf.st_size))
        return retablir();
    return Recopier(fd_, cibleOuverte_, 0, commun) && ftruncate(cibleOuverte_, neuf.st_size) == 0 &&
           fsync(cibleOuverte_) == 0;
}

// Le temporaire n'est effacé que s'il porte encore notre nom.
void FichierRemplacant::Lacher()
{
    if (!valide_ && !SurPlace() && Nomme(fd_, temporaire_))
        ::unlink(temporaire_.constData());
    ::close(fd_);
    fd_ = -1;
}

FichierRemplacant::~FichierRemplacant()
{
    if (cibleOuverte_ >= 0)
        ::close(cibleOuverte_);
    if (fd_ >= 0)
        Lacher();
}

// Le verrou reste pris jusqu'après le renommage.
bool FichierRemplacant::Valider()
{
    if (SurPlace())
        valide_ = RecopierSurPlace();
    else
        valide_ = fd_ >= 0 && fchmod(fd_, mode_) == 0 && fsync(fd_) == 0 &&
                  std::rename(temporaire_.constData(), cible_.constData()) == 0;
    return valide_;
}

bool RemplacerFichier(const QString& chemin, const char* octets, size_t taille)
{
    FichierRemplacant fichier(chemin);
    return fichier.Descripteur() >= 0 && EcrireTout(fichier.Descripteur(), octets, taille) && fichier.Valider();
}

void EcrireFichierSur(const QString& chemin, const std::vector<uint8_t>& octets)
{
    FichierRemplacant fichier(chemin);
    if (fichier.Descripteur() < 0)
        throw Erreur(MsgCreationImpossible(chemin));
    if (!EcrireTout(fichier.Descripteur(), reinterpret_cast<const char*>(octets.data()), octets.size()) ||
        !fichier.Valider())
        throw Erreur(MsgEcritureImpossible(chemin));
}

void EnregistrerBmp(const Bitmap& source, const QString& chemin)
{
    EcrireFichierSur(chemin, EncoderBmp(source));
}

void EnregistrerJpeg(const Bitmap& source, int qualite, const QString& chemin)
{
    EcrireFichierSur(chemin, EncoderJpeg(source, qualite));
}
