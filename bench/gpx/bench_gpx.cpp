// Loading a 100,000-point GPX track (GPX 1.1 with elevation, time and extensions per point).
#include "gpx/gpxtrackreader.h"
#include "plugin/ostrikgplugin.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDateTime>
#include <QGraphicsScene>
#include <QTemporaryDir>

#include <cstdio>

class PluginProbe
{
public:
    static void setMapScene(OstrikgPlugin &plugin, QGraphicsScene *scene) { plugin.mapScene = scene; }
};

namespace {

constexpr int Points = 100000;

QString trackFile()
{
    static QTemporaryDir dir;
    static QString path;
    if (!path.isEmpty())
        return path;
    QByteArray data = "\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"bench\">\n"
                      "<trk><name>long ride</name><trkseg>\n";
    data.reserve(Points * 220);
    const QDateTime start(QDate(2024, 6, 1), QTime(6, 0), Qt::UTC);
    for (int i = 0; i < Points; ++i) {
        const double lat = 48.0 + i * 1e-5;
        const double lon = 11.0 + (i % 2000) * 2e-5;
        data += "  <trkpt lat=\"" + QByteArray::number(lat, 'f', 7) + "\" lon=\""
                + QByteArray::number(lon, 'f', 7) + "\"><ele>" + QByteArray::number(500 + i % 97)
                + "</ele><time>" + start.addSecs(i).toString(Qt::ISODate).toLatin1()
                + "</time><extensions><gpxtpx:TrackPointExtension><gpxtpx:hr>"
                + QByteArray::number(100 + i % 60)
                + "</gpxtpx:hr></gpxtpx:TrackPointExtension></extensions></trkpt>\n";
    }
    data += "</trkseg></trk></gpx>\n";
    path = dir.filePath(QStringLiteral("long.gpx"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    std::printf("track file: %d points, %.1f MB\n", Points, data.size() / 1e6);
    return path;
}

void BM_ReadTrack(benchmark::State &state)
{
    const QString path = trackFile();
    for (auto _ : state) {
        GpxTrackReader reader;
        if (!reader.readFile(path) || reader.pointCount() != Points)
            state.SkipWithError("track not read");
        benchmark::DoNotOptimize(reader.path().elementCount());
    }
}

void BM_LoadGpxTrack(benchmark::State &state)
{
    const QString path = trackFile();
    OstrikgPlugin plugin;
    for (auto _ : state) {
        state.PauseTiming();
        auto *scene = new QGraphicsScene;
        PluginProbe::setMapScene(plugin, scene);
        state.ResumeTiming();
        bool ok = false;
        QMetaObject::invokeMethod(&plugin, "loadGpxTrack", Qt::DirectConnection,
                                  Q_RETURN_ARG(bool, ok), Q_ARG(QString, path));
        if (!ok || scene->items().size() != 1)
            state.SkipWithError("track not loaded");
        state.PauseTiming();
        delete scene;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_ReadTrack)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadGpxTrack)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
