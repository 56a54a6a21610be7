// Loading, lookups and zoom changes on a 10,000-junction network, through the host interface.
//
// bench_network [--network=FILE.ostka] [benchmark options]; without --network the SUMO grid of
// 100 x 100 junctions, every fifth signalised (lib/citygrid), made once per build tree.
#include "plugin/ostrikgplugin.h"

#include <citygrid.h>

#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/networkg.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

// The order in which QObject::findChild meets the descendants of \a parent.
void findChildOrder(const QObject *parent, QList<QObject *> &out)
{
    const QObjectList &children = parent->children();
    out += children;
    for (QObject *child : children)
        findChildOrder(child, out);
}

// The name of the network object a name search reaches last.
QString lastSearchedName(const Ostrika::Network &net)
{
    QList<QObject *> order;
    findChildOrder(&net, order);
    for (int i = order.size() - 1; i >= 0; --i) {
        if (qobject_cast<Ostrika::NetObject *>(order.at(i)))
            return order.at(i)->objectName();
    }
    return QString();
}

QString networkFile;
QString lastObjectName;

// The host around one plugin: kernel with item model, map scene and map view at zoom 17.
struct Host
{
    Host()
    {
        kernel.setItemModel(&model);
        plugin = new OstrikgPlugin;
        plugin->setParent(&kernel);
        view.reset(new OsmView(&scene));
    }
    ~Host()
    {
        delete plugin;
        view.reset();
    }
    bool load()
    {
        bool ok = false;
        QMetaObject::invokeMethod(plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, networkFile),
                                  Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr));
        return ok;
    }
    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    OstrikgPlugin *plugin = nullptr;
};

// The same file into the same kind of host scene, straight through the graphics library.
void BM_BareNetworkLoad(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<Host>();
        auto net = std::make_unique<Ostrikga::Networkg>(&host->scene);
        state.ResumeTiming();
        if (!net->load(networkFile, false))
            state.SkipWithError("load failed");
        state.PauseTiming();
        net.reset();
        host.reset();
        state.ResumeTiming();
    }
}

void BM_PluginLoad(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<Host>();
        state.ResumeTiming();
        if (!host->load())
            state.SkipWithError("loadOstrik failed");
        state.PauseTiming();
        host.reset();
        state.ResumeTiming();
    }
}

std::unique_ptr<Host> loadedHost;

Host *loaded()
{
    if (!loadedHost) {
        loadedHost.reset(new Host);
        loadedHost->load();
        // The first name search of a network builds its name index: report that once.
        QElapsedTimer first;
        first.start();
        QObject *obj = nullptr;
        QMetaObject::invokeMethod(loadedHost->plugin, "findObjectByName", Q_RETURN_ARG(QObject *, obj),
                                  Q_ARG(QString, lastObjectName));
        fprintf(stderr, "first findObjectByName (builds the index): %lld ms\n", static_cast<long long>(first.elapsed()));
    }
    return loadedHost.get();
}

void BM_FindObjectByNameLast(benchmark::State &state)
{
    Host *host = loaded();
    for (auto _ : state) {
        QObject *obj = nullptr;
        QMetaObject::invokeMethod(host->plugin, "findObjectByName", Q_RETURN_ARG(QObject *, obj),
                                  Q_ARG(QString, lastObjectName));
        if (!obj)
            state.SkipWithError("last object not found");
        benchmark::DoNotOptimize(obj);
    }
}

// For comparison: Qt's own child search for the same object.
void BM_QtFindChildLast(benchmark::State &state)
{
    Host *host = loaded();
    QObject *first = nullptr;
    QMetaObject::invokeMethod(host->plugin, "findObjectByName", Q_RETURN_ARG(QObject *, first),
                              Q_ARG(QString, QString()));
    auto *netObj = qobject_cast<Ostrika::NetObject *>(first);
    Ostrika::Network *net = netObj ? netObj->network() : nullptr;
    for (auto _ : state) {
        QObject *obj = net ? net->findChild<Ostrika::NetObject *>(lastObjectName) : nullptr;
        if (!obj)
            state.SkipWithError("last object not found");
        benchmark::DoNotOptimize(obj);
    }
}

void BM_Object2Item(benchmark::State &state)
{
    Host *host = loaded();
    // The last object of the network that has an item.
    QObject *first = nullptr;
    QMetaObject::invokeMethod(host->plugin, "findObjectByName", Q_RETURN_ARG(QObject *, first),
                              Q_ARG(QString, QString()));
    auto *netObj = qobject_cast<Ostrika::NetObject *>(first);
    QObject *obj = nullptr;
    if (netObj && netObj->network()) {
        const QList<Ostrika::NetObject *> all = netObj->network()->findChildren<Ostrika::NetObject *>();
        for (int i = all.size() - 1; i >= 0 && !obj; --i) {
            QGraphicsItem *item = nullptr;
            QMetaObject::invokeMethod(host->plugin, "object2item", Q_RETURN_ARG(QGraphicsItem *, item),
                                      Q_ARG(QObject *, all.at(i)));
            if (item)
                obj = all.at(i);
        }
    }
    for (auto _ : state) {
        QGraphicsItem *item = nullptr;
        QMetaObject::invokeMethod(host->plugin, "object2item", Q_RETURN_ARG(QGraphicsItem *, item),
                                  Q_ARG(QObject *, obj));
        if (!item)
            state.SkipWithError("no item");
        benchmark::DoNotOptimize(item);
    }
}

// Each change crosses the minimum zoom, so every listed layer of the network flips.
void BM_ZoomToggleAllLayers(benchmark::State &state)
{
    Host *host = loaded();
    bool in = host->view->zoom() >= 17;
    for (auto _ : state) {
        in = !in;
        host->view->setZoom(in ? 17 : 16);
    }
}

// The centre of the 1920 x 1080 window at zoom 17 that holds the most nodes.
QPointF densestCentre(Host *host)
{
    host->view->resize(1920, 1080);
    host->view->setZoom(17);
    const QRectF probe = host->view->mapToScene(host->view->viewport()->rect()).boundingRect();
    QHash<QPair<int, int>, int> cells;
    QList<Ostrika::Node *> nodes;
    QObject *first = nullptr;
    QMetaObject::invokeMethod(host->plugin, "findObjectByName", Q_RETURN_ARG(QObject *, first),
                              Q_ARG(QString, QString()));
    auto *netObj = qobject_cast<Ostrika::NetObject *>(first);
    if (!netObj || !netObj->network())
        return QPointF();
    const Ostrika::Network *net = netObj->network();
    QPair<int, int> best;
    int most = -1;
    for (Ostrika::Node *node : net->findChildren<Ostrika::Node *>()) {
        const QPointF geo = net->geoUtil()->xyToGeo(node->position());
        const QPair<int, int> cell(int(std::floor(geo.x() / probe.width())),
                                   int(std::floor(geo.y() / probe.height())));
        const int n = ++cells[cell];
        if (n > most) {
            most = n;
            best = cell;
        }
    }
    return QPointF((best.first + 0.5) * probe.width(), (best.second + 0.5) * probe.height());
}

// One 1920 x 1080 frame of the map at zoom 17 over the densest part of the network.
void BM_Frame1080Zoom17(benchmark::State &state)
{
    Host *host = loaded();
    const QPointF centre = densestCentre(host);
    host->view->setZoom(17);
    host->view->centerOnGeo(centre);
    host->view->show();
    QCoreApplication::processEvents();
    // Antialiased, as the demo host's map draws; through the view's own paint event.
    host->view->setRenderHint(QPainter::Antialiasing);
    QWidget *viewport = host->view->viewport();
    QImage frame(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer first;
    first.start();
    viewport->render(&frame);
    state.counters["first_frame_ms"] = first.nsecsElapsed() / 1e6;
    for (auto _ : state) {
        frame.fill(Qt::white);
        viewport->render(&frame);
    }
    host->view->hide();
}

} // namespace

BENCHMARK(BM_BareNetworkLoad)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_PluginLoad)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_FindObjectByNameLast)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_QtFindChildLast)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Object2Item)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_ZoomToggleAllLayers)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Frame1080Zoom17)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikBench"));
    QCoreApplication::setApplicationName(QStringLiteral("network"));
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--network=", 10) == 0)
            networkFile = QString::fromLocal8Bit(argv[i] + 10);
    }
    QString error;
    if (networkFile.isEmpty() && (networkFile = cityGridNetwork(100, &error)).isEmpty()) {
        fprintf(stderr, "cannot make the grid network: %s\n", qPrintable(error));
        return 1;
    }
    {
        Ostrika::Network probe;
        if (!probe.load(networkFile)) {
            fprintf(stderr, "cannot read %s\n", qPrintable(networkFile));
            return 1;
        }
        lastObjectName = lastSearchedName(probe);
        fprintf(stderr, "%d objects; last searched name %s\n", probe.objectCount(), qPrintable(lastObjectName));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    loadedHost.reset();
    return 0;
}
