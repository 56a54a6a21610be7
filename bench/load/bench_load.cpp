// Loading a generated 10,000-junction network: model only, and drawn into a scene.
#include <ostrika/ostrika.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>

namespace {

QString g_file;

// The machine is shared: process CPU time shows the work, wall time what a user waits.
double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

void BM_LoadModel(benchmark::State &state)
{
    for (auto _ : state) {
        Ostrika::Network network;
        if (!network.load(g_file)) {
            state.SkipWithError(qPrintable(network.errorString()));
            break;
        }
        benchmark::DoNotOptimize(network.objectCount());
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// What the host sees: construction and load (timed), then the scene's deferred work
// (polish and index) and the tear-down, each reported on its own.
void BM_LoadNetworkg(benchmark::State &state)
{
    double indexMs = 0, destroyMs = 0, indexCpu = 0, destroyCpu = 0;
    int items = 0;
    for (auto _ : state) {
        QGraphicsScene scene;
        auto *network = new Ostrikga::Networkg(&scene);
        if (!network->load(g_file)) {
            state.SkipWithError(qPrintable(network->errorString()));
            delete network;
            break;
        }
        state.PauseTiming();
        QElapsedTimer clock;
        clock.start();
        double cpu = cpuMs();
        QCoreApplication::processEvents();
        // What a view does first: look up the items of a zoom-17 window (builds the index).
        const QPointF centre = network->geoUtil()->xyToGeo(QPointF(5000, -5000));
        scene.items(QRectF(centre - QPointF(0.005, 0.003), QSizeF(0.01, 0.006)));
        indexMs += clock.nsecsElapsed() / 1e6;
        indexCpu += cpuMs() - cpu;
        items = 0;
        for (const Ostrikga::Layer *layer : network->layers())
            items += layer->childItems().size();
        clock.restart();
        cpu = cpuMs();
        delete network;
        destroyMs += clock.nsecsElapsed() / 1e6;
        destroyCpu += cpuMs() - cpu;
        state.ResumeTiming();
    }
    state.counters["items"] = items;
    state.counters["index_ms"] = benchmark::Counter(indexMs, benchmark::Counter::kAvgIterations);
    state.counters["destroy_ms"] = benchmark::Counter(destroyMs, benchmark::Counter::kAvgIterations);
    state.counters["index_cpu_ms"] = benchmark::Counter(indexCpu, benchmark::Counter::kAvgIterations);
    state.counters["destroy_cpu_ms"] =
        benchmark::Counter(destroyCpu, benchmark::Counter::kAvgIterations);
    state.counters["peak_MB"] = peakMegabytes();
}

} // namespace

BENCHMARK(BM_LoadNetworkg)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);
BENCHMARK(BM_LoadModel)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    QTemporaryDir dir;
    g_file = dir.filePath(QStringLiteral("grid.ostka"));
    QProcess generator;
    generator.start(QStringLiteral(OSTKA_GENERATE),
                    { "--grid", "10000", "--signalised", "2000", "--seed", "7", g_file });
    if (!generator.waitForFinished(300000) || generator.exitCode() != 0) {
        std::fprintf(stderr, "generating the network failed: %s\n",
                     generator.readAllStandardError().constData());
        return 1;
    }
    std::fprintf(stderr, "network: %s, %.1f MB, generated in a separate process\n",
                 qPrintable(g_file), QFileInfo(g_file).size() / 1e6);
    std::fprintf(stderr, "peak memory before loading: %.1f MB\n", peakMegabytes());
    benchmark::RunSpecifiedBenchmarks();
    std::fprintf(stderr, "peak memory (ru_maxrss): %.1f MB\n", peakMegabytes());
    return 0;
}
