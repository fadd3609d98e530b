#include <climits>

#include <QFileInfo>

#include "app/AcqImgs.h"
#include "app/Bmp2Tiff.h"
#include "app/DlgBoxEnrg.h"
#include "core/UtilsPano.h"
#include "platform/Application.h"
#include "platform/Ecrivains.h"
#include "platform/Erreur.h"
#include "ui_TSeqPano.h"

namespace {

// Le composant d'enregistrement de la fenêtre, créé au premier usage : il garde
// le type choisi d'un enregistrement à l'autre tant que le programme tourne.
TBoiteEnrg& EnrgImgPano(TSeqPano& Fenetre)
{
    const QString Nom = QStringLiteral("EnrgImgPano");
    TBoiteEnrg* Boite = Fenetre.findChild<TBoiteEnrg*>(Nom, Qt::FindDirectChildrenOnly);
    if (!Boite) {
        Boite = new TBoiteEnrg(&Fenetre);
        Boite->setObjectName(Nom);
        Boite->Filtres = QStringLiteral("Image BitMap (*.bmp)|Image JPEG (*.jpg)|Image Tiff (*.tif)");
        Boite->IndXFiltre = 2;
        Boite->JpgQual = 90;
        Boite->Options = ofOverwritePrompt;
    }
    return *Boite;
}

// Trunc d'une coordonnée de la vue ramenée au panoramique ; CopierZone borne ensuite.
int32_t VersPano(int Valeur, long double Kr)
{
    const long double v = Valeur / Kr;
    if (v >= static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<long double>(INT_MIN))
        return INT_MIN;
    return static_cast<int32_t>(Trunc(v));
}

}

QAction* TSeqPano::EnrgPano() { return ui->EnrgPano; }

void TSeqPano::EnrgPanoClick()
{
    Protege([this] {
        TBoiteEnrg& Boite = EnrgImgPano(*this);
        Boite.JpgQual = QualJpg;
        // Le dossier des images reçoit son "/" : le dialogue l'ouvre au lieu de son parent.
        QString Depart = RepImage;
        if (!Depart.isEmpty() && !Depart.endsWith(QLatin1Char('/')))
            Depart += QLatin1Char('/');
        Boite.NomEnrg = !RepPano.isEmpty() && QFileInfo(RepPano).isDir() ? RepPano : Depart;
        if (!Boite.Execute())
            return;

        Bitmap Copie;
        if (Selection.Active) {
            if (Kr == 0.0L)
                throw Erreur(MsgDivisionParZero);
            const TPoint32 P1{VersPano(Selection.Gauche, Kr), VersPano(Selection.Haut, Kr)};
            const TPoint32 P2{VersPano(Selection.Droite, Kr), VersPano(Selection.Bas, Kr)};
            if (BmpPano)
                CopierZone(*BmpPano, Copie, P1, P2);
            FonduImg()->setEnabled(false);
            PostHarmo()->setEnabled(false);
        } else if (BmpPano) {
            Copie = *BmpPano;
        }
        if (Boite.IndXFiltre == 2)
            QualJpg = Boite.JpgQual;

        const CurseurSablier Sablier;
        const QString Nom = Boite.NomEnrg;
        QString Dossier = Nom.left(Nom.lastIndexOf(QLatin1Char('/')));
        while (Dossier.endsWith(QLatin1Char('/')))
            Dossier.chop(1);
        RepPano = Dossier + QLatin1Char('/');
        ProcessMessages();

        // Une zone plus étroite que Kr pixels ne donne pas d'image : chaque
        // format la refuse.
        switch (Boite.IndXFiltre) {
        case 1: EnregistrerBmp(Copie, Nom); break;
        case 2: EnregistrerJpeg(Copie, Boite.JpgQual, Nom); break;
        case 3: EnregistrerTiff(Nom, Copie); break;
        default: break;
        }
    });
}
