// Ouverture d'un projet de N enregistrements d'une même image de 1 × 1 pixel,
// fenêtre affichée : la création des onglets des points de contrôle compte.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include "app/AcqImgs.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "ui_TSeqPano.h"

namespace {

struct BancProjet
{
    QTemporaryDir dossier;
    TSeqPano* fenetre = nullptr;
    int messages = 0;

    BancProjet()
    {
        ImposerCheminReglages(dossier.filePath(QStringLiteral("kalvindo.ini")));
        DefinirCrochetsDialogues({[this](const DemandeMessage&) {
                                      ++messages;
                                      return ReponseMessage::Non;
                                  },
                                  {}});
        QImage point(1, 1, QImage::Format_RGB32);
        point.fill(0xFF808080);
        point.save(dossier.filePath(QStringLiteral("p.png")), "PNG");
        // Jamais détruite : rien à rendre avant la fin du processus.
        fenetre = new TSeqPano();
        fenetre->resize(1000, 680);
        fenetre->show();
        QApplication::processEvents();
    }

    QString Projet(int nb)
    {
        const QString chemin = dossier.filePath(QStringLiteral("n%1.kvp").arg(nb));
        if (QFile::exists(chemin))
            return chemin;
        TInfosImg r{};
        EcrireChaineCourte(r.Nom, QStringLiteral("p.png"));
        EcrireChaineCourte(r.Repertoire, dossier.path());
        QFile fichier(chemin);
        fichier.open(QIODevice::WriteOnly);
        for (int i = 0; i < nb; ++i)
            fichier.write(reinterpret_cast<const char*>(&r), sizeof r);
        return chemin;
    }
};

BancProjet& Banc()
{
    static BancProjet* banc = new BancProjet();
    return *banc;
}

void BM_OuvrirProjet(benchmark::State& state)
{
    BancProjet& banc = Banc();
    const int nb = static_cast<int>(state.range(0));
    const QString chemin = banc.Projet(nb);
    for (auto _ : state) {
        banc.fenetre->OuvrirProjet(chemin);
        QApplication::processEvents();
    }
    if (banc.messages != 0 || static_cast<int>(ListeImgs.size()) != nb ||
        static_cast<int>(banc.fenetre->OngletsG.size()) != nb)
        state.SkipWithError("projet non ouvert en entier");
}

// Remise à zéro d'un projet ouvert : ses onglets sont tous détruits.
void BM_NouveauProjet(benchmark::State& state)
{
    BancProjet& banc = Banc();
    const int nb = static_cast<int>(state.range(0));
    const QString chemin = banc.Projet(nb);
    for (auto _ : state) {
        state.PauseTiming();
        banc.fenetre->OuvrirProjet(chemin);
        QApplication::processEvents();
        state.ResumeTiming();
        banc.fenetre->NouveauPrjClick();
        QApplication::processEvents();
    }
    if (banc.messages != 0 || !ListeImgs.empty() || !banc.fenetre->OngletsG.empty())
        state.SkipWithError("projet non remis à zéro");
}

// Première visite de l'onglet des points après l'ouverture : sa barre
// d'onglets est disposée et dessinée, puis l'image suivante est choisie.
void BM_MontrerPoints(benchmark::State& state)
{
    BancProjet& banc = Banc();
    const int nb = static_cast<int>(state.range(0));
    const QString chemin = banc.Projet(nb);
    Ui::TSeqPano& ui = *banc.fenetre->Formulaire();
    for (auto _ : state) {
        state.PauseTiming();
        banc.fenetre->OuvrirProjet(chemin);
        QApplication::processEvents();
        state.ResumeTiming();
        ui.FctPano->setCurrentWidget(ui.PtsControl);
        QApplication::processEvents();
        ui.ControlImgG->setCurrentWidget(banc.fenetre->OngletsG[1]);
        QApplication::processEvents();
        state.PauseTiming();
        ui.FctPano->setCurrentIndex(0);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    if (banc.messages != 0 || banc.fenetre->NumImgDroite != 2 % nb)
        state.SkipWithError("onglet des points non montré");
}

}  // namespace

BENCHMARK(BM_NouveauProjet)->Arg(1000)->Arg(5000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OuvrirProjet)->Arg(500)->Arg(1000)->Arg(2000)->Arg(5000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MontrerPoints)->Arg(1000)->Arg(5000)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);
