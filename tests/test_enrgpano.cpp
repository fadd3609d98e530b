#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include <jpeglib.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "app/Bmp2Tiff.h"
#include "app/DlgBoxEnrg.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "ui_TDialogEnrg.h"

namespace {

using TableQuantif = std::array<unsigned, DCTSIZE2>;

// Table de luminance écrite dans le fichier, lue par libjpeg.
TableQuantif QuantifLue(const QString& chemin)
{
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray octets = f.readAll();
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, reinterpret_cast<const unsigned char*>(octets.constData()), octets.size());
    jpeg_read_header(&d, TRUE);
    TableQuantif t{};
    for (int i = 0; i < DCTSIZE2; ++i)
        t[i] = d.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_decompress(&d);
    return t;
}

// Table de luminance que libjpeg tire d'une qualité.
TableQuantif QuantifDeQualite(int qualite)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, qualite, TRUE);
    TableQuantif t{};
    for (int i = 0; i < DCTSIZE2; ++i)
        t[i] = c.quant_tbl_ptrs[0]->quantval[i];
    jpeg_destroy_compress(&c);
    return t;
}

// Ce que l'utilisateur fait dans le dialogue : un nom, un type, une qualité.
struct Saisie
{
    QString nom;
    int type = -1;  // -1 : le type proposé
    int qualite = -1;
    bool confirmer = true;
};

class EnrgPano : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        rep = QDir(tmp.path()).canonicalPath();
        ancienPano = BmpPano;
        pano = Bitmap(1000, 700);
        for (int y = 0; y < pano.Height(); ++y) {
            uint8_t* p = pano.Ligne(y);
            for (int x = 0; x < pano.Width(); ++x, p += 3) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x / 256 + y / 256 * 4);
            }
        }
        BmpPano = &pano;
        CrochetsDialogues c;
        c.message = [this](const DemandeMessage& d) {
            messages << d.texte;
            return ReponseMessage::Oui;
        };
        DefinirCrochetsDialogues(c);
        DefinirCrochetDialogueEnrg([this](TDialogEnrg& d) {
            d.FormShow();
            Ui::TDialogEnrg& u = *d.Formulaire();
            ouvertures << u.ShellListView->Chemin() + QLatin1Char('|') + u.TypeFch->currentText();
            if (saisie.type >= 0) {
                u.TypeFch->setCurrentIndex(saisie.type);
                d.TypeFchChange();
            }
            if (saisie.qualite >= 0)
                u.CursQJpg->setValue(saisie.qualite);
            u.NomFch->setText(saisie.nom);
            if (saisie.confirmer)
                d.EnregistrerClick();
            else
                d.AnnulerClick();
            return d.result();
        });
        fen.FonduImg()->setEnabled(true);
        fen.PostHarmo()->setEnabled(true);
        fen.RepPano = rep + QLatin1Char('/');
    }

    void TearDown() override
    {
        BmpPano = ancienPano;
        DefinirCrochetDialogueEnrg({});
        DefinirCrochetsDialogues({});
    }

    void Enregistrer(Saisie s)
    {
        saisie = std::move(s);
        fen.EnrgPanoClick();
    }

    Bitmap pano;
    Bitmap* ancienPano = nullptr;
    QTemporaryDir tmp;
    QString rep;
    TSeqPano fen;
    Saisie saisie;
    QStringList messages;
    QStringList ouvertures;
};

}

TEST_F(EnrgPano, SelectionRameneeParLeZoom)
{
    fen.Kr = 0.5L;
    fen.Selection.Active = true;
    fen.Selection.Gauche = 100;
    fen.Selection.Haut = 50;
    fen.Selection.Droite = 300;
    fen.Selection.Bas = 200;
    Enregistrer({QStringLiteral("zone"), 0});
    ASSERT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    const QImage lue(rep + QStringLiteral("/zone.bmp"));
    ASSERT_EQ(lue.size(), QSize(400, 300));
    for (int y = 0; y < 300; y += 7)
        for (int x = 0; x < 400; x += 5) {
            const uint8_t* p = pano.Ligne(100 + y) + (200 + x) * 3;
            ASSERT_EQ(lue.pixel(x, y), qRgb(p[2], p[1], p[0])) << x << ',' << y;
        }
    // Le recadrage enregistré ne correspond plus au fondu ni à la reprise.
    EXPECT_FALSE(fen.FonduImg()->isEnabled());
    EXPECT_FALSE(fen.PostHarmo()->isEnabled());
    EXPECT_EQ(fen.RepPano, rep + QLatin1Char('/'));
}

TEST_F(EnrgPano, PanoramiqueEntierDansLesTroisFormats)
{
    fen.QualJpg = 90;
    Enregistrer({QStringLiteral("vue"), 1, 80});
    EXPECT_EQ(fen.QualJpg, 80);
    EXPECT_EQ(QImage(rep + QStringLiteral("/vue.jpg")).size(), QSize(1000, 700));
    // La qualité du curseur est celle du fichier.
    EXPECT_EQ(QuantifLue(rep + QStringLiteral("/vue.jpg")), QuantifDeQualite(80));
    EXPECT_NE(QuantifDeQualite(80), QuantifDeQualite(79));
    // La qualité n'est retenue qu'avec le type JPEG.
    Enregistrer({QStringLiteral("vue"), 0, 30});
    EXPECT_EQ(fen.QualJpg, 80);
    const QImage bmp(rep + QStringLiteral("/vue.bmp"));
    ASSERT_EQ(bmp.size(), QSize(1000, 700));
    EXPECT_EQ(bmp.pixel(999, 699), qRgb(pano.Ligne(699)[999 * 3 + 2], 699 % 256, 999 % 256));
    Enregistrer({QStringLiteral("vue"), 2});
    QFile tif(rep + QStringLiteral("/vue.tif"));
    ASSERT_TRUE(tif.open(QIODevice::ReadOnly));
    EXPECT_EQ(tif.size(), 226 + 3 * 1000 * 700);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(fen.FonduImg()->isEnabled());
    EXPECT_TRUE(fen.PostHarmo()->isEnabled());
    // Le dernier type choisi est proposé la fois suivante.
    Enregistrer({QString(), -1, -1, false});
    EXPECT_TRUE(ouvertures.last().endsWith(QStringLiteral("Image Tiff (*.tif)")));
}

TEST_F(EnrgPano, DossierRetenuEtAnnulation)
{
    QDir(rep).mkdir(QStringLiteral("Panos"));
    fen.RepPano = QStringLiteral("/dossier/qui/n/existe/pas/");
    fen.RepImage = rep + QStringLiteral("/Panos");
    fen.QualJpg = 70;
    Enregistrer({QStringLiteral("essai"), -1, 20, false});
    EXPECT_EQ(ouvertures.last(), rep + QStringLiteral("/Panos|Image JPEG (*.jpg)"));
    EXPECT_EQ(fen.QualJpg, 70);
    EXPECT_EQ(fen.RepPano, QStringLiteral("/dossier/qui/n/existe/pas/"));
    EXPECT_TRUE(QDir(rep + QStringLiteral("/Panos")).isEmpty());

    Enregistrer({QStringLiteral("vue.jpg")});
    EXPECT_TRUE(QFile::exists(rep + QStringLiteral("/Panos/vue.jpg")));
    EXPECT_EQ(fen.RepPano, rep + QStringLiteral("/Panos/"));
    // La fois suivante s'ouvre dans ce dossier, sans nom.
    Enregistrer({QString(), -1, -1, false});
    EXPECT_EQ(ouvertures.last(), rep + QStringLiteral("/Panos|Image JPEG (*.jpg)"));
}

TEST_F(EnrgPano, EchecsSignalesSansFichier)
{
    // Une sélection plus étroite que Kr pixels donne une image vide : rien n'est écrit.
    fen.Kr = 4.0L;
    fen.Selection.Active = true;
    fen.Selection.Gauche = 10;
    fen.Selection.Haut = 10;
    fen.Selection.Droite = 11;
    fen.Selection.Bas = 100;
    for (int type = 0; type < 3; ++type) {
        messages.clear();
        Enregistrer({QStringLiteral("etroite"), type});
        ASSERT_EQ(messages.size(), 1) << type;
        EXPECT_EQ(messages[0], QStringLiteral("L'image à enregistrer est vide"));
    }
    EXPECT_TRUE(QDir(rep).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Un dossier disparu entre le choix et l'écriture.
    fen.Selection.Active = false;
    DefinirCrochetDialogueEnrg([&](TDialogEnrg& d) {
        d.NomEnrg = rep + QStringLiteral("/disparu/pano.bmp");
        d.IndXFiltre = 1;
        return int(QDialog::Accepted);
    });
    messages.clear();
    fen.EnrgPanoClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Impossible de créer le fichier ") + rep + QStringLiteral("/disparu/pano.bmp"));
    EXPECT_FALSE(QFileInfo::exists(rep + QStringLiteral("/disparu")));
}
