// Controller binding, marker painting, the visible-granule check, notifications, switching
// every controller on and blink ticks on a 10,000-junction network with 2,000 signalised ones.
//
// bench_trafficlight [--network=FILE.ostka] [benchmark options]; without --network the SUMO
// grid of 100 x 100 junctions, every fifth signalised (lib/citygrid), made once per build
// tree. Each benchmark reports the median of 5 repetitions.
#include "plugin/ostrikgplugin.h"
#include "trafficlight/sgredyellowitem.h"

#include <citygrid.h>

#include <corvel/response.h>
#include <corvel/light.h>
#include <corvel/notification.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cstring>
#include <memory>

class PluginProbe
{
public:
    static void bind(OstrikgPlugin *p, Ostrikga::Networkg *net, QObject *project,
                     Ostrikga::Layer *markers)
    {
        p->bindControllers(net, project, markers);
    }
    static const QMap<int, LightEntry *> &lights(const OstrikgPlugin *p) { return p->lights; }
    static void dropAll(OstrikgPlugin *p)
    {
        const QList<int> ids = p->lights.keys();
        for (int id : ids) {
            LightEntry *e = p->lights.take(id);
            p->setLightProcessing(e, false);
            p->destroyLightEntry(e);
        }
    }
    static void setProcessing(OstrikgPlugin *p, LightEntry *e, bool on) { p->setLightProcessing(e, on); }
    static void check(OstrikgPlugin *p) { p->checkVisibleGranules(); }
    static void setView(OstrikgPlugin *p, QGraphicsView *v, int zoom)
    {
        p->view = v;
        p->zoom = zoom;
    }
    static void setBlinking(OstrikgPlugin *p, QGraphicsItem *item, bool on) { p->setItemBlinking(item, on); }
    static void blinkTick(OstrikgPlugin *p) { p->blinkTick(); }
    static void flipPhase(OstrikgPlugin *p) { p->blinkOn = !p->blinkOn; }
    static int blinkCount(const OstrikgPlugin *p) { return p->blinkItems.size(); }
};

namespace {

QString networkFile;

// The network drawn on a map scene under a 1920 x 1080 view, and the controllers of its
// signalised granules. Built once.
struct World
{
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    std::unique_ptr<Ostrikga::Networkg> net;
    Ostrikga::Layer *markers = nullptr;
    Corvel::Project project;
    QString error;

    bool build()
    {
        net.reset(new Ostrikga::Networkg(&scene));
        if (!net->load(networkFile)) {
            error = net->errorString();
            return false;
        }
        markers = net->insertLayer(QStringLiteral("redSignals"), QStringLiteral("Markers"));
        const QList<Ostrika::Granule *> granules = net->findChildren<Ostrika::Granule *>();
        for (Ostrika::Granule *g : granules) {
            if (g->tlId() > 0)
                project.addLight(g->tlId())->setResponseLifetime(0);
        }
        view.reset(new OsmView(&scene));
        view->resize(1920, 1080);
        view->show();
        QCoreApplication::processEvents();
        return true;
    }
};

World &world()
{
    static World *w = nullptr;
    if (!w) {
        w = new World;
        if (!w->build())
            qFatal("cannot load %s: %s", qPrintable(networkFile), qPrintable(w->error));
    }
    return *w;
}

void settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void BM_BindControllers(benchmark::State &state)
{
    World &w = world();
    OstrikgPlugin plugin;
    int bound = 0;
    double dropMs = 0;
    for (auto _ : state) {
        PluginProbe::bind(&plugin, w.net.get(), &w.project, w.markers);
        state.PauseTiming();
        bound = PluginProbe::lights(&plugin).size();
        settle(); // the host's event loop runs between loading and unloading
        QElapsedTimer t;
        t.start();
        PluginProbe::dropAll(&plugin);
        dropMs = t.nsecsElapsed() / 1e6;
        settle();
        state.ResumeTiming();
    }
    state.counters["controllers"] = bound;
    state.counters["destroy_all_ms"] = dropMs;
}

void BM_PaintMarkers(benchmark::State &state)
{
    constexpr int cols = 100, rows = 50;
    Mirel::MapScene scene;
    OsmView view(&scene);
    view.resize(1920, 1080);
    view.show();
    const QPointF centre(16.6, 49.2);
    view.setZoom(19);
    view.centerOnGeo(centre);
    QCoreApplication::processEvents();
    const QRectF shown = view.mapToScene(view.viewport()->rect()).boundingRect();
    QGraphicsObject *layer = scene.addLayer(QStringLiteral("redSignals"));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const QPointF at(shown.left() + shown.width() * (c + 0.5) / cols,
                             shown.top() + shown.height() * (r + 0.5) / rows);
            const int k = r * cols + c;
            auto *m = new SgRedYellowItem(at, 3.5, k % 3, (k * 37) % 360, layer);
            m->setState(1 + k % 2);
        }
    }
    int visible = 0;
    for (QGraphicsItem *m : layer->childItems())
        visible += m->isVisible() && shown.intersects(m->sceneBoundingRect()) ? 1 : 0;
    QImage frame(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        frame.fill(Qt::white);
        QPainter p(&frame);
        view.render(&p);
    }
    state.counters["visible_markers"] = visible;
    delete layer;
}

// Switches processing on for what is in view once, then measures checks that change nothing.
void BM_VisibleCheckNoSwitch(benchmark::State &state)
{
    World &w = world();
    OstrikgPlugin plugin;
    PluginProbe::bind(&plugin, w.net.get(), &w.project, w.markers);
    const QRectF all = w.net->layer(QStringLiteral("Nodes"))->childrenBoundingRect();
    w.view->setZoom(17);
    w.view->centerOnGeo(all.center());
    PluginProbe::setView(&plugin, w.view.get(), 17);
    PluginProbe::check(&plugin);
    settle();
    int on = 0;
    for (LightEntry *e : PluginProbe::lights(&plugin))
        on += e->processing ? 1 : 0;
    for (auto _ : state)
        PluginProbe::check(&plugin);
    state.counters["controllers"] = PluginProbe::lights(&plugin).size();
    state.counters["processing"] = on;
    PluginProbe::dropAll(&plugin);
    settle();
}

// 2,000 controllers bound, range(0) of them subscribed (spread over the ids); 100,000 random
// kind-5 notifications pushed by the subscribed controllers. Each notification reaches the
// plugin through the controller's signal and the relay of its record.
void BM_ApplyNotification(benchmark::State &state)
{
    constexpr int count = 100000;
    World &w = world();
    OstrikgPlugin plugin;
    PluginProbe::bind(&plugin, w.net.get(), &w.project, w.markers);
    const QList<LightEntry *> bound = PluginProbe::lights(&plugin).values();
    const int subscribed = qMin(int(state.range(0)), bound.size());
    QVector<LightEntry *> entries;
    for (int i = 0; i < subscribed; ++i) {
        LightEntry *e = bound.at(i * bound.size() / subscribed);
        PluginProbe::setProcessing(&plugin, e, true);
        entries.append(e);
    }
    settle();

    QRandomGenerator rng(7);
    static const int codes[] = {0, 1, 2, 3, 4, 16, 20, 32};
    QVector<Corvel::Light *> senders(count);
    QVector<QVariant> data(count);
    for (int i = 0; i < count; ++i) {
        LightEntry *e = entries.at(rng.bounded(entries.size()));
        const QList<int> groups = e->groupItems.uniqueKeys();
        senders[i] = static_cast<Corvel::Light *>(e->light);
        data[i] = QVariantList{groups.at(rng.bounded(groups.size())), codes[rng.bounded(8)]};
    }
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            senders.at(i)->pushNotification(Notification::SignalGroupState, data.at(i));
    }
    state.counters["per_notification"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["blinking_items"] = PluginProbe::blinkCount(&plugin);
    state.counters["bound"] = bound.size();
    PluginProbe::dropAll(&plugin);
    settle();
}

// The stand-in controllers' own share of the above: the same notifications made and emitted
// by controllers nobody listens to.
void BM_NotificationAlone(benchmark::State &state)
{
    constexpr int count = 100000;
    World &w = world();
    const QList<Ostrika::Granule *> granules = w.net->findChildren<Ostrika::Granule *>();
    QVector<Corvel::Light *> lights;
    for (Ostrika::Granule *g : granules) {
        if (Corvel::Light *l = g->tlId() > 0 ? w.project.object(g->tlId()) : nullptr)
            lights.append(l);
    }
    if (lights.isEmpty()) {
        state.SkipWithError("no controllers");
        return;
    }
    QRandomGenerator rng(7);
    QVector<Corvel::Light *> senders(count);
    QVector<QVariant> data(count);
    for (int i = 0; i < count; ++i) {
        senders[i] = lights.at(rng.bounded(lights.size()));
        data[i] = QVariantList{1 + rng.bounded(16), int(rng.bounded(40))};
    }
    for (auto _ : state) {
        for (int i = 0; i < count; ++i)
            senders.at(i)->pushNotification(Notification::SignalGroupState, data.at(i));
    }
    state.counters["per_notification"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Runs the event loop until every controller has answered every request.
void awaitAnswers(const QVector<Corvel::Light *> &lights)
{
    for (;;) {
        QCoreApplication::processEvents();
        bool open = false;
        for (const Corvel::Light *l : lights) {
            for (const Response *r : l->findChildren<Response *>(QString(), Qt::FindDirectChildrenOnly))
                open = open || !r->isFinished();
        }
        if (!open)
            return;
    }
}

// Every bound controller switched on at once, as lowering the minimum zoom over a city does:
// the subscriptions, one "GET_GROUP" request per signal group, and every reply shown. The
// controllers' groups show a mix of states, so the replies change what is drawn.
void BM_SwitchOnWithReplies(benchmark::State &state)
{
    World &w = world();
    OstrikgPlugin plugin;
    PluginProbe::bind(&plugin, w.net.get(), &w.project, w.markers);
    const QList<LightEntry *> entries = PluginProbe::lights(&plugin).values();
    static const int codes[] = {1, 4, 16, 20, 2, 32, 4, 1};
    QRandomGenerator rng(11);
    int requests = 0;
    QVector<Corvel::Light *> lights;
    for (LightEntry *e : entries) {
        auto *light = static_cast<Corvel::Light *>(e->light);
        lights.append(light);
        for (int g : e->groupItems.uniqueKeys()) {
            light->setGroupState(g, codes[rng.bounded(8)]);
            ++requests;
        }
    }
    int unanswered = 0;
    for (auto _ : state) {
        for (LightEntry *e : entries)
            PluginProbe::setProcessing(&plugin, e, true);
        awaitAnswers(lights);
        state.PauseTiming();
        unanswered = 0;
        for (LightEntry *e : entries) {
            for (Response *r : e->light->findChildren<Response *>())
                unanswered += r->isFinished() ? 0 : 1;
        }
        for (LightEntry *e : entries)
            PluginProbe::setProcessing(&plugin, e, false);
        settle();
        state.ResumeTiming();
    }
    if (unanswered)
        state.SkipWithError("replies left unanswered");
    state.counters["controllers"] = entries.size();
    state.counters["requests"] = requests;
    PluginProbe::dropAll(&plugin);
    settle();
}

// The stand-in controllers' own share of the above: the same requests sent straight to them,
// their replies made, delivered to no one and deleted.
void BM_ControllerRepliesAlone(benchmark::State &state)
{
    World &w = world();
    OstrikgPlugin plugin;
    PluginProbe::bind(&plugin, w.net.get(), &w.project, w.markers);
    QVector<QPair<Corvel::Light *, int>> requests;
    QVector<Corvel::Light *> lights;
    for (LightEntry *e : PluginProbe::lights(&plugin)) {
        lights.append(static_cast<Corvel::Light *>(e->light));
        for (int g : e->groupItems.uniqueKeys())
            requests.append(qMakePair(lights.last(), g));
    }
    for (auto _ : state) {
        for (const auto &r : qAsConst(requests))
            r.first->sendCommand(QStringLiteral("GET_GROUP"), r.second);
        awaitAnswers(lights);
        state.PauseTiming();
        settle();
        state.ResumeTiming();
    }
    state.counters["requests"] = requests.size();
    PluginProbe::dropAll(&plugin);
    settle();
}

// 2,000 blinking connection items; with range(0) = 1 every tick changes the phase.
void BM_BlinkTick(benchmark::State &state)
{
    World &w = world();
    OstrikgPlugin plugin;
    const QList<Ostrika::Connection *> conns = w.net->findChildren<Ostrika::Connection *>();
    QList<QGraphicsItem *> items;
    for (Ostrika::Connection *c : conns) {
        if (items.size() == 2000)
            break;
        if (QGraphicsItem *item = w.net->object2item(c))
            items.append(item);
    }
    for (QGraphicsItem *item : qAsConst(items))
        PluginProbe::setBlinking(&plugin, item, true);
    const bool flip = state.range(0) != 0;
    // range(0) = 2: what the tick costs the event loop as well (the scene's own processing and
    // the repaint of the map).
    const bool events = state.range(0) == 2;
    for (auto _ : state) {
        if (flip)
            PluginProbe::flipPhase(&plugin);
        PluginProbe::blinkTick(&plugin);
        if (events)
            QCoreApplication::processEvents();
    }
    state.counters["blinking_items"] = PluginProbe::blinkCount(&plugin);
    for (QGraphicsItem *item : qAsConst(items)) {
        PluginProbe::setBlinking(&plugin, item, false);
        item->setVisible(true);
    }
    settle();
}

void median(benchmark::internal::Benchmark *b)
{
    // The aggregates include the median of the repetitions. Every repetition binds the 2,000
    // controllers again: five of at least 0.2 s keep the whole run near a minute.
    b->Repetitions(5)->MinTime(0.2)->ReportAggregatesOnly(true);
}

} // namespace

BENCHMARK(BM_BindControllers)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_PaintMarkers)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_VisibleCheckNoSwitch)->Unit(benchmark::kMicrosecond)->Apply(median);
BENCHMARK(BM_ApplyNotification)->Arg(50)->Arg(2000)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_NotificationAlone)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_SwitchOnWithReplies)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_ControllerRepliesAlone)->Unit(benchmark::kMillisecond)->Apply(median);
BENCHMARK(BM_BlinkTick)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->Apply(median);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikBench"));
    QCoreApplication::setApplicationName(QStringLiteral("bench_trafficlight"));

    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--network=", 10) == 0)
            networkFile = QString::fromLocal8Bit(argv[i] + 10);
        else
            args.push_back(argv[i]);
    }
    QString error;
    if (networkFile.isEmpty() && (networkFile = cityGridNetwork(100, &error)).isEmpty())
        qFatal("cannot make the grid network: %s", qPrintable(error));
    int n = int(args.size());
    benchmark::Initialize(&n, args.data());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
