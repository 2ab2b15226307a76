// Main of every benchmark program. The engine's message windows, timers and
// event loops want the application object the program has, so one is made
// before the first benchmark runs (a core one: no benchmark draws). The
// profile points at a folder of this run's own, so no benchmark reads or
// writes the user's settings.
#include <QCoreApplication>
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
    QCoreApplication app(argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    return 0;
}
