// The host's overview on a real network: reading it, painting a full view, picking under the cursor.
//
// bench_overview --network=FILE.ostka [benchmark options]
// Compare painting with and without the overview in one run:
//   --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
#include "controllerstate.h"
#include "networkpicker.h"
#include "overviewlayer.h"

#include <corvel/light.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cstring>
#include <memory>

namespace {

QString networkFile;
std::unique_ptr<Ostrika::Network> network;
std::unique_ptr<Corvel::Project> project;
QRectF bounds;

QRectF geoBounds(const Ostrika::Network &net)
{
    QRectF r;
    for (const Ostrika::Node *n : net.findChildren<Ostrika::Node *>()) {
        const QPointF g = net.geoUtil()->xyToGeo(n->position());
        r = r.isNull() ? QRectF(g, QSizeF(1e-9, 1e-9)) : r.united(QRectF(g, QSizeF(1e-9, 1e-9)));
    }
    return r;
}

void BM_ReadNetwork(benchmark::State &state)
{
    for (auto _ : state) {
        OverviewLayer layer([](int id) -> const Corvel::Light * { return project->object(id); });
        layer.setNetworks({network.get()});
        benchmark::DoNotOptimize(layer.roadCount());
    }
}

// Arguments: overview shown (1) or not (0, background only); zoom (0: the whole network fitted).
void BM_PaintView(benchmark::State &state)
{
    Mirel::MapScene scene;
    auto *layer = new OverviewLayer([](int id) -> const Corvel::Light * { return project->object(id); });
    layer->setNetworks({network.get()});
    scene.addItem(layer);
    layer->setVisible(state.range(0) != 0);
    OsmView view(&scene);
    view.resize(1280, 800);
    view.setRenderHint(QPainter::Antialiasing);
    if (state.range(1) > 0) {
        view.setZoom(int(state.range(1)));
        view.centerOnGeo(bounds.center());
    } else {
        view.fitGeo(bounds);
    }
    layer->setZoom(view.zoom());
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        view.render(&painter, QRectF(), view.viewport()->rect());
    }
    state.counters["zoom"] = view.zoom();
    state.counters["junctions"] = layer->junctionCount();
}

void BM_Pick(benchmark::State &state)
{
    NetworkPicker picker;
    picker.setNetworks({{networkFile, network.get()}});
    QRandomGenerator random(7);
    QVector<QPointF> points;
    for (int i = 0; i < 1000; ++i)
        points << QPointF(bounds.left() + random.generateDouble() * bounds.width(),
                          bounds.top() + random.generateDouble() * bounds.height());
    const double metresPerPixel = state.range(0) / 100.0;
    int i = 0, found = 0;
    for (auto _ : state) {
        found += picker.pick(points.at(i++ % points.size()), metresPerPixel).kind != MapHit::None;
    }
    state.counters["found"] = benchmark::Counter(found, benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_ReadNetwork)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintView)->ArgsProduct({{0, 1}, {0, 15}})->ArgNames({"overview", "zoom"})->Unit(benchmark::kMillisecond);
// 0.3 m per pixel (zoom 19) and 20 m (zoom 13).
BENCHMARK(BM_Pick)->Arg(30)->Arg(2000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--network=", 10) == 0)
            networkFile = QString::fromLocal8Bit(argv[i] + 10);
    if (networkFile.isEmpty()) {
        fprintf(stderr, "usage: bench_overview --network=FILE.ostka [benchmark options]\n");
        return 1;
    }
    network = std::make_unique<Ostrika::Network>();
    if (!network->load(networkFile)) {
        fprintf(stderr, "cannot read %s: %s\n", qPrintable(networkFile), qPrintable(network->errorString()));
        return 1;
    }
    project = std::make_unique<Corvel::Project>();
    for (const Ostrika::Granule *g : network->findChildren<Ostrika::Granule *>())
        if (g->tlId() > 0)
            project->addLight(g->tlId());
    bounds = geoBounds(*network);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
