// Provisoire, en attendant les décodeurs de la plate-forme : définition faible
// que la vraie remplace dès qu'elle est liée. Fichier à supprimer à son
// arrivée.
#include <cstring>

#include <QFileInfo>
#include <QImage>

#include "platform/Decodeurs.h"
#include "platform/Erreur.h"

__attribute__((weak)) void ChargerImage(const QString& chemin, Bitmap& dest)
{
    const QString extension = QFileInfo(chemin).suffix().toLower();
    static const QStringList connues = {"bmp", "jpg", "jpeg", "gif", "png", "tif", "tiff"};
    if (!connues.contains(extension))
        throw Erreur(QStringLiteral("Extension de fichier image inconnue (.%1)").arg(extension));
    QImage image;
    if (!image.load(chemin))
        throw Erreur("Image non valide");
    image = image.convertToFormat(QImage::Format_BGR888);
    dest.SetSize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(dest.Ligne(y), image.constScanLine(y), static_cast<size_t>(image.width()) * 3);
}
