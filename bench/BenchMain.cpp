// The benchmarks' shared main: the engine on Qt's offscreen platform, our
// log lines as they are, then Google Benchmark.

#include "platform/foundation/Log.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    Log::setUp();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
