// Benchmarks of the Ostrika model: loading, saving and clearing a 10,000-junction town.
#include "gridnetwork.h"

#include <ostrika/ostrika.h>

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct BigFile {
    QTemporaryDir dir;
    QString path;
    QByteArray data;
    int objects = 0;

    BigFile()
    {
        Ostrika::Network net;
        const GridNetwork::Counts c = GridNetwork::build(net, 100);
        path = dir.filePath(QStringLiteral("town.ostka"));
        if (!net.save(path))
            qFatal("cannot save the benchmark network: %s", qPrintable(net.errorString()));
        data = net.toData();
        objects = net.objectCount();
        std::printf("network: %d nodes, %d edges, %d lanes, %d connections, %d granules, %d groups, "
                    "%d objects, %.1f MB\n", c.nodes, c.edges, c.lanes, c.connections, c.granules,
                    c.groups, objects, data.size() / 1e6);
    }
};

const BigFile &bigFile()
{
    static const BigFile file;
    return file;
}

void BM_LoadFile(benchmark::State &state)
{
    const BigFile &f = bigFile();
    for (auto _ : state) {
        auto net = std::make_unique<Ostrika::Network>();
        if (!net->load(f.path))
            state.SkipWithError(qPrintable(net->errorString()));
        state.PauseTiming();
        net.reset();
        state.ResumeTiming();
    }
    state.counters["objects"] = f.objects;
}
BENCHMARK(BM_LoadFile)->Unit(benchmark::kMillisecond);

void BM_ParseJsonOnly(benchmark::State &state)
{
    const BigFile &f = bigFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(QJsonDocument::fromJson(f.data));
}
BENCHMARK(BM_ParseJsonOnly)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State &state)
{
    const BigFile &f = bigFile();
    Ostrika::Network net;
    net.load(f.path);
    for (auto _ : state)
        benchmark::DoNotOptimize(net.toData());
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

void BM_Clear(benchmark::State &state)
{
    const BigFile &f = bigFile();
    Ostrika::Network net;
    for (auto _ : state) {
        state.PauseTiming();
        net.loadFromData(f.data);
        state.ResumeTiming();
        net.clear();
    }
}
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
