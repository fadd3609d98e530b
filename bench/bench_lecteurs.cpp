// Entrées fabriquées pour coûter cher à lire : un JPEG progressif aux passes
// répétées, un fichier de réglages immense et des données de prise de vue aux
// comptes démesurés. Le temps doit suivre le travail utile, pas le nombre de
// passes, la taille du fichier refusé ni les comptes annoncés.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <QTemporaryDir>

#include "core/UtilsPano.h"
#include "platform/Decodeurs.h"
#include "platform/Erreur.h"
#include "platform/FichierIni.h"
#include "tests/test_exif_fabrique.h"

namespace {

// Gris uni de côté × côté : une passe DC puis des passes AC, toutes de fins
// de bande, répétées jusqu'à passes.
std::vector<uint8_t> JpegPasses(int cote, int passes)
{
    jpeg_compress_struct info;
    jpeg_error_mgr erreur;
    info.err = jpeg_std_error(&erreur);
    jpeg_create_compress(&info);
    unsigned char* tampon = nullptr;
    unsigned long taille = 0;
    jpeg_mem_dest(&info, &tampon, &taille);
    info.image_width = static_cast<JDIMENSION>(cote);
    info.image_height = static_cast<JDIMENSION>(cote);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    static jpeg_scan_info script[2] = {{1, {0}, 0, 0, 0, 0}, {1, {0}, 1, 63, 0, 0}};
    info.scan_info = script;
    info.num_scans = 2;
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> ligne(static_cast<size_t>(cote), 128);
    while (info.next_scanline < info.image_height) {
        JSAMPROW l = ligne.data();
        jpeg_write_scanlines(&info, &l, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const std::vector<uint8_t> f(tampon, tampon + taille);
    std::free(tampon);
    size_t derniere = 0;
    for (size_t k = 0; k + 1 < f.size(); ++k)
        if (f[k] == 0xFF && f[k + 1] == 0xDA)
            derniere = k;
    std::vector<uint8_t> sortie(f.begin(), f.end() - 2);
    for (int n = 2; n < passes; ++n)
        sortie.insert(sortie.end(), f.begin() + static_cast<ptrdiff_t>(derniere), f.end() - 2);
    sortie.insert(sortie.end(), {0xFF, 0xD9});
    return sortie;
}

void BM_JpegPassesRepetees(benchmark::State& state)
{
    const std::vector<uint8_t> f = JpegPasses(8192, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Bitmap image;
        try {
            DecoderJpeg(f.data(), f.size(), image);
        } catch (const Erreur&) {
        }
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_JpegPassesRepetees)->Arg(10)->Arg(100)->Arg(3000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Les neuf clés du démarrage, dans un fichier de range(0) Kio de fins de ligne.
void BM_ReglagesImmenses(benchmark::State& state)
{
    QTemporaryDir dossier;
    const std::string chemin = dossier.filePath("kalvindo.ini").toStdString();
    {
        std::ofstream f(chemin, std::ios::binary);
        const std::string lignes(static_cast<size_t>(state.range(0)) * 1024, '\n');
        f << "[MainWindow]\r\nStatut=Normal\r\n" << lignes;
    }
    const char* cles[] = {"Statut", "Width", "Height", "Left", "Top", "Projet", "Image", "Panoramique", "QualJpg"};
    for (auto _ : state) {
        TFichierIni ini(chemin);
        for (const char* cle : cles)
            benchmark::DoNotOptimize(ini.ReadString("MainWindow", cle, ""));
    }
}
BENCHMARK(BM_ReglagesImmenses)->Arg(1)->Arg(1000)->Arg(51200)->Unit(benchmark::kMillisecond);

// 11 « Marque » et 41 « Commentaires » comptant chacun range(0) Mio sur la
// même queue de 'A', sans nul.
void BM_ExifQueuePartagee(benchmark::State& state)
{
    QTemporaryDir dossier;
    const uint32_t n = static_cast<uint32_t>(state.range(0)) << 20;
    FabriqueExif f(false);
    const uint32_t queue = f.DebutDonnees();
    f.ifd0.assign(11, EntreeFab{0x010F, 2, n, queue});
    f.ifd0.front().donnees = QByteArray(n, 'A');
    f.exif.assign(41, EntreeFab{0x9286, 2, n, queue});
    const QString nom = dossier.filePath("queue.jpg");
    FabriqueExif::Ecrire(nom, f.Fichier());
    for (auto _ : state)
        benchmark::DoNotOptimize(AngleParPixel(nom));
}
BENCHMARK(BM_ExifQueuePartagee)->Arg(1)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
