// One offscreen application for the renderer's fonts, then every benchmark.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>

#include "ProgramName.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Named as the program names itself, so ZORBELIN_REGISTRY places the benchmarks' registry.
    SysUtils::SetProgramName("zorbelin");
    int qtArgc = 1;
    char name[] = "zb_bench";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
