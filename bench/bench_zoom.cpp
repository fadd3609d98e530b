// Redessin de la vue d'un panoramique de 30000 × 3000 pixels selon le zoom.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollArea>
#include <QTabWidget>

#include "app/AcqImgs.h"
#include "core/UtilsPano.h"
#include "platform/Dialogues.h"
#include "ui_TSeqPano.h"

namespace {

TSeqPano& FenetreBanc()
{
    // Jamais détruite : rien à rendre avant la fin du processus.
    static TSeqPano* fenetre = nullptr;
    if (fenetre == nullptr) {
        // La fenêtre crée le panoramique à son ouverture.
        fenetre = new TSeqPano();
        BmpPano->SetSize(30000, 3000);
        for (int y = 0; y < 3000; ++y) {
            uint8_t* p = BmpPano->Ligne(y);
            for (int x = 0; x < 30000; ++x, p += 3) {
                p[0] = static_cast<uint8_t>(x);
                p[1] = static_cast<uint8_t>(y);
                p[2] = static_cast<uint8_t>(x ^ y);
            }
        }
        LargeurPano = 30000;
        HauteurPano = 3000;
        fenetre->resize(1000, 680);
        fenetre->Formulaire()->FctPano->setCurrentWidget(fenetre->Formulaire()->Assemblage);
        fenetre->show();
        QApplication::processEvents();
    }
    return *fenetre;
}

void BM_ZoomVue(benchmark::State& state)
{
    TSeqPano& fenetre = FenetreBanc();
    fenetre.Formulaire()->ZoomImg->setValue(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        // Chaque changement de zoom réalloue l'image de la vue : on la compte.
        state.PauseTiming();
        fenetre.ImgPano()->Picture().SetSize(1, 1);
        state.ResumeTiming();
        fenetre.ZoomImgMouseUp();
    }
    state.counters["largeur"] = fenetre.ImgPano()->width();
}

// Panoramique d'un pixel de large ajusté à la largeur de la boîte : l'image
// de la vue grandirait avec le rapport de la hauteur à la largeur.
void BM_ZoomVueEtroite(benchmark::State& state)
{
    static int messages = 0;
    static TSeqPano* fenetre = nullptr;
    if (fenetre == nullptr) {
        DefinirCrochetsDialogues({[](const DemandeMessage&) {
                                      ++messages;
                                      return ReponseMessage::Ok;
                                  },
                                  {}});
        fenetre = new TSeqPano();
        fenetre->resize(1000, 680);
        fenetre->Formulaire()->FctPano->setCurrentWidget(fenetre->Formulaire()->Assemblage);
        fenetre->show();
        QApplication::processEvents();
    }
    const int hauteur = static_cast<int>(state.range(0));
    BmpPano->SetSize(1, hauteur);
    BmpPano->Fill(0x80, 0x40, 0x20);
    LargeurPano = 1;
    HauteurPano = hauteur;
    fenetre->Formulaire()->ZoomImg->setValue(0);
    for (auto _ : state) {
        state.PauseTiming();
        fenetre->ImgPano()->Picture().SetSize(1, 1);
        state.ResumeTiming();
        fenetre->ZoomImgMouseUp();
    }
    if (messages != 0)
        state.SkipWithError("message affiché");
    state.counters["largeur"] = fenetre->ImgPano()->width();
    state.counters["hauteur"] = fenetre->ImgPano()->height();
}

}  // namespace

BENCHMARK(BM_ZoomVue)->Arg(0)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomVueEtroite)->Arg(500)->Arg(600)->Arg(800)->Iterations(1)->Unit(benchmark::kMillisecond);
