// Importing a real SUMO network, loading the result, and SUMO loading the original.
#include "importer.h"

#include <ostrika/network.h>
#include <ostrikga/networkg.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <string>

namespace {

QString g_net;    // SUMO network
QString g_ostka;  // its import
QString g_sumo;   // the sumo binary, if installed

void BM_Import(benchmark::State &state)
{
    QTemporaryDir dir;
    for (auto _ : state) {
        ImportOptions o;
        o.netFile = g_net;
        ImportSummary summary;
        QString error;
        if (!importToFiles(o, dir.filePath(QStringLiteral("net")), &summary, &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
}

void BM_LoadModel(benchmark::State &state)
{
    for (auto _ : state) {
        Ostrika::Network network;
        if (!network.load(g_ostka)) {
            state.SkipWithError(qPrintable(network.errorString()));
            break;
        }
        benchmark::DoNotOptimize(network.objectCount());
    }
}

// What loadOstrik does for the host: the model plus its graphics items in a scene.
void BM_LoadNetworkg(benchmark::State &state)
{
    for (auto _ : state) {
        QGraphicsScene scene;
        Ostrikga::Networkg network(&scene);
        if (!network.load(g_ostka)) {
            state.SkipWithError(qPrintable(network.errorString()));
            break;
        }
        benchmark::DoNotOptimize(scene.items().size());
    }
}

// SUMO reading and building the same network (no simulation step), process start included.
void BM_SumoLoad(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess p;
        p.start(g_sumo, {QStringLiteral("--net-file"), g_net, QStringLiteral("--end"), QStringLiteral("0"),
                         QStringLiteral("--no-step-log"), QStringLiteral("--no-warnings")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            state.SkipWithError("sumo failed");
            break;
        }
    }
}

// Keeps the median of each benchmark to print the ratio at the end.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> medians; // milliseconds
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs) {
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    g_net = qEnvironmentVariable("SUMO_NET", QStringLiteral("/usr/share/sumo/tools/game/DRT/osm.net.xml"));
    if (!QFileInfo::exists(g_net)) {
        std::printf("skipped: %s not found (install sumo-tools or set SUMO_NET)\n", qPrintable(g_net));
        return 0;
    }
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("berlin"));
    ImportOptions o;
    o.netFile = g_net;
    ImportSummary summary;
    QString error;
    if (!importToFiles(o, base, &summary, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    g_ostka = base + QStringLiteral(".ostka");
    std::printf("%s: %d nodes, %d edges, %d lanes, %d connections, %d controllers, %d crosswalks\n",
                qPrintable(g_net), summary.nodes, summary.edges, summary.lanes, summary.connections,
                summary.granules, summary.crosswalks);
    g_sumo = QStandardPaths::findExecutable(QStringLiteral("sumo"));

    benchmark::RegisterBenchmark("BM_Import", BM_Import)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
    benchmark::RegisterBenchmark("BM_LoadModel", BM_LoadModel)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
    benchmark::RegisterBenchmark("BM_LoadNetworkg", BM_LoadNetworkg)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
    if (!g_sumo.isEmpty())
        benchmark::RegisterBenchmark("BM_SumoLoad", BM_SumoLoad)->Unit(benchmark::kMillisecond)->Repetitions(5)->Iterations(1);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto &m = reporter.medians;
    if (m.count("BM_SumoLoad") && m.count("BM_LoadNetworkg"))
        std::printf("median: import %.0f ms, load model %.0f ms, load with graphics %.0f ms, sumo load %.0f ms; "
                    "sumo / graphics load = %.2f\n",
                    m.at("BM_Import"), m.at("BM_LoadModel"), m.at("BM_LoadNetworkg"), m.at("BM_SumoLoad"),
                    m.at("BM_SumoLoad") / m.at("BM_LoadNetworkg"));
    else if (g_sumo.isEmpty())
        std::printf("sumo is not installed: no load-time comparison\n");
    benchmark::Shutdown();
    return 0;
}
