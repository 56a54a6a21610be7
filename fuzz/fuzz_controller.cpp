// libFuzzer target: controller notifications and replies with arbitrary data, on a loaded network.
#include "variantdecoder.h"
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"
#include "testhost.h"
#include "testnetwork.h"

#include <corvel/response.h>
#include <corvel/light.h>
#include <corvel/notification.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/networkg.h>

#include <QApplication>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QPointF kOrigin(16.6, 49.19);
QString networkFile;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_controller: invariant broken: %s\n", what);
    std::abort();
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// The shared test host without an item model, with two controllers whose replies come from the input.
struct Host : TestHost
{
    Host() : TestHost(WithoutItemModel)
    {
        for (int id : {11, 12}) {
            Corvel::Light *l = addController(id);
            l->setResponseDelay(0); // the event loop never runs during an input: replies come from the fuzzer
            lights.append(l);
        }
        plugin->setLoggingLevel(3);
    }
    Corvel::Light *light(uint8_t b) const { return lights.value(b % lights.size()).data(); }

    QList<QPointer<Corvel::Light>> lights;
};

void checkInvariants(Host &h, const QSet<QGraphicsItem *> &networkItems)
{
    PluginProbe probe(h.plugin);
    if ((probe.blinkTimerId() != 0) != !probe.blinkItems().isEmpty())
        fail("blink timer runs exactly while something blinks");
    for (QGraphicsItem *item : probe.blinkItems()) {
        if (!networkItems.contains(item))
            fail("blinking item outside every loaded network");
    }
    QMap<QObject *, int> subscribed;
    for (const LightEntry *e : probe.lights()) {
        if (!e->light)
            fail("entry without controller");
        bool live = false;
        for (const QPointer<Corvel::Light> &l : h.lights)
            live = live || l.data() == e->light;
        if (!live)
            fail("entry points at a destroyed controller");
        if (e->subscribed)
            ++subscribed[e->light];
    }
    for (const QPointer<Corvel::Light> &l : h.lights) {
        if (!l)
            continue;
        const int count = l->property("tlo_use_sg_cnt").toInt();
        if (count != subscribed.value(l.data(), 0))
            fail("usage counter differs from the plugin's subscriptions");
        if (bool(l->eventMask() & 0x20) != (count > 0))
            fail("bit 0x20 differs from the usage counter");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QTemporaryDir dir;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
    qInstallMessageHandler(quiet);
    new QApplication(*argc, *argv);
    networkFile = dir.filePath(QStringLiteral("fuzz.ostka"));
    QString error;
    if (!writeJunctions(networkFile, kOrigin, twoJunctions(11, 12), 0, &error)) {
        std::fprintf(stderr, "cannot write the network: %s\n", qPrintable(error));
        std::abort();
    }
    return 0;
}

static int runOne(const uint8_t *data, size_t size);
static void flushEvents();

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    runOne(data, size);
    flushEvents();
    return 0;
}

static int runOne(const uint8_t *data, size_t size)
{
    Host h;
    if (!h.load(networkFile, &h.project))
        fail("the fixed network does not load");
    h.lookAt(kOrigin, QPointF(100, 0), 18);
    PluginProbe probe(h.plugin);
    probe.check();

    QSet<QGraphicsItem *> networkItems;
    for (Ostrikga::Networkg *net : probe.networks()) {
        for (Ostrika::NetObject *o : net->findChildren<Ostrika::NetObject *>()) {
            if (QGraphicsItem *item = net->object2item(o))
                networkItems.insert(item);
        }
    }

    VariantDecoder in(data, size);
    QList<QPointer<Response>> ownResponses;
    for (int step = 0; step < 64 && !in.atEnd(); ++step) {
        const uint8_t op = in.byte();
        Corvel::Light *light = h.light(in.byte());
        switch (op % 10) {
        case 0:
        case 1:
            if (light)
                light->pushNotification(op % 2 ? 5 : in.interestingInt(), in.variant());
            break;
        case 2:
            if (light)
                light->setGroupState(in.interestingInt(), in.interestingInt());
            break;
        case 3: {
            // The oldest unanswered request of the controller gets an arbitrary answer.
            const QVariant answer = in.variant();
            if (!light)
                break;
            for (Response *r : light->findChildren<Response *>()) {
                if (!r->isFinished()) {
                    r->finish(answer);
                    break;
                }
            }
            break;
        }
        case 4: {
            // A reply the plugin never asked for, tagged with any id (or none).
            auto *r = new Response;
            ownResponses.append(r);
            if (in.byte() % 4)
                r->setProperty("granule_id", in.variant());
            QObject::connect(r, SIGNAL(finished()), h.plugin, SLOT(on_objectResponseFinished()));
            r->finish(in.variant());
            break;
        }
        case 5:
            if (light)
                light->setConnected(in.byte() & 1);
            break;
        case 6:
            h.plugin->setAllowProcessTlEvents(in.byte() & 1);
            break;
        case 7:
            if (in.byte() % 8 == 0)
                delete light; // the controller vanishes mid-stream
            else
                probe.check();
            break;
        case 8:
            probe.blinkTick();
            break;
        default:
            probe.apply(probe.lights().value(in.interestingInt(), nullptr), in.variant());
            break;
        }
        checkInvariants(h, networkItems);
    }

    h.unload();
    for (const QPointer<Corvel::Light> &l : h.lights) {
        if (l && (l->eventMask() != 0 || l->property("tlo_use_sg_cnt").isValid()))
            fail("controller not restored after unloadAll");
    }
    if (!h.scene.items().isEmpty())
        fail("plugin items left in the scene after unloadAll");
    qDeleteAll(ownResponses.begin(), ownResponses.end());
    return 0;
}

// After the host is gone: the controllers' pending reply timers fire into nothing and go.
static void flushEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
