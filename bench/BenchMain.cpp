// One offscreen application for the renderer's fonts, then every benchmark.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>

#include "ProgramName.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Named as the program names itself, so ZORBELIN_REGISTRY places the benchmarks' registry.
    SysUtils::SetProgramName("zorbelin");
    // The flags are read before the application takes the user's locale, in which "0.01" is no number.
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    int qtArgc = 1;
    char name[] = "zb_bench";
    char* qtArgv[] = {name, nullptr};
    QGuiApplication app(qtArgc, qtArgv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
