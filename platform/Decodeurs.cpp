#include "platform/Decodeurs.h"

#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/DecodeursCommun.h"

namespace {

[[noreturn]] void ImpossibleDOuvrir(const QString& chemin)
{
    throw Erreur(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(QDir::toNativeSeparators(chemin)));
}

}  // namespace

int64_t OctetsBitmap(int64_t largeur, int64_t hauteur)
{
    return (largeur * 3 + 3) / 4 * 4 * hauteur;
}

void VerifierDimensions(int64_t largeur, int64_t hauteur, int64_t autresParPixel, int64_t autresOctets)
{
    if (largeur <= 0 || hauteur <= 0)
        ImageNonValide();
    // Le bitmap borné d'abord : les produits suivants ne débordent pas.
    if (!Bitmap::TailleAcceptable(largeur, hauteur) || autresOctets > MemoireDecodageMax)
        ImageTropGrande();
    if (OctetsBitmap(largeur, hauteur) + largeur * hauteur * autresParPixel > MemoireDecodageMax - autresOctets)
        ImageTropGrande();
}

void OuvrirFichierOrdinaire(QFile& f, const QString& chemin)
{
    // Ouvert sans attendre (un tube attendrait son écrivain) puis examiné par
    // son descripteur : le fichier vérifié est bien celui qu'on lit. Sur un
    // fichier ordinaire, O_NONBLOCK ne change rien aux lectures.
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        ImpossibleDOuvrir(chemin);
    struct stat etat;
    if (::fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode)) {
        ::close(fd);
        throw Erreur(MsgPasFichierOrdinaire);
    }
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ImpossibleDOuvrir(chemin);
    }
}

void ChargerImage(const QString& chemin, Bitmap& dest)
{
    const QString nom = QFileInfo(chemin).fileName();
    const int point = nom.lastIndexOf(QLatin1Char('.'));
    const QString extension = point >= 0 ? nom.mid(point + 1) : QString();
    using Decodeur = void (*)(const uint8_t*, size_t, Bitmap&);
    Decodeur decodeur = nullptr;
    const QString e = extension.toLower();
    if (e == QLatin1String("bmp"))
        decodeur = DecoderBmp;
    else if (e == QLatin1String("jpg") || e == QLatin1String("jpeg"))
        decodeur = DecoderJpeg;
    else if (e == QLatin1String("gif"))
        decodeur = DecoderGif;
    else if (e == QLatin1String("png"))
        decodeur = DecoderPng;
    else if (e == QLatin1String("tif") || e == QLatin1String("tiff"))
        decodeur = DecoderTiff;
    else
        throw Erreur(QStringLiteral("Extension de fichier image inconnue (.%1)").arg(extension));

    QFile f;
    OuvrirFichierOrdinaire(f, chemin);
    if (f.size() > MemoireDecodageMax)
        ImageTropGrande();
    const QByteArray octets = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw Erreur(QStringLiteral("Impossible de lire le fichier %1").arg(QDir::toNativeSeparators(chemin)));
    decodeur(reinterpret_cast<const uint8_t*>(octets.constData()), static_cast<size_t>(octets.size()), dest);
}
