// Main of every benchmark program. The engine's message windows, timers and
// event loops want the application object the program has, so one is made
// before the first benchmark runs: a core one, or a GUI one (offscreen) for the
// benchmarks that draw, built with STAFFWRIGHT_BENCH_GUI. The profile points at
// a folder of this run's own, so no benchmark reads or writes the user's settings.
#ifdef STAFFWRIGHT_BENCH_GUI
#include <QGuiApplication>
using BenchApplication = QGuiApplication;
#else
#include <QCoreApplication>
using BenchApplication = QCoreApplication;
#endif
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>

int main(int argc, char** argv) {
    ::benchmark::Initialize(&argc, argv);
    if (::benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QTemporaryDir configDir;
    if (!std::getenv("STAFFWRIGHT_CONFIG_DIR"))
        setenv("STAFFWRIGHT_CONFIG_DIR", configDir.path().toLocal8Bit().constData(), 1);
#ifdef STAFFWRIGHT_BENCH_GUI
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
    BenchApplication app(argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
