// Programme des mesures : une application Qt sans écran pour toutes, puis
// Google Benchmark. Chaque mesure tourne sur un fil, sauf celles qui fixent
// elles-mêmes leur nombre de fils.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "platform/Parallele.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    DefinirNombreFils(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
