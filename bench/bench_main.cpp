// Main of every benchmark program. The engine's message windows, timers and
// event loops want the application object the program has, so one is made
// before the first benchmark runs: a core one, a GUI one (offscreen) for the
// benchmarks that draw, built with STAFFWRIGHT_BENCH_GUI, or a widget one
// (offscreen) for the benchmarks that open the program's windows, built with
// STAFFWRIGHT_BENCH_WIDGETS. The profile points at
// a folder of this run's own, so no benchmark reads or writes the user's settings.
#if defined(STAFFWRIGHT_BENCH_WIDGETS)
#define STAFFWRIGHT_BENCH_GUI
#include <QApplication>

#include "platform/ui/dialog_script.h"
using BenchApplication = QApplication;
#elif defined(STAFFWRIGHT_BENCH_GUI)
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
#ifdef STAFFWRIGHT_BENCH_WIDGETS
    // A dialog or popup menu no benchmark scripts ends at once (Cancel, no
    // choice), so no run waits on a window.
    CDialogScript unscripted;
#endif
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
