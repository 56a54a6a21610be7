// The demo host following a real SUMO: what the map, the window and the diagram show.
#include "headless.h"
#include "livesumo.h"
#include "mainwindow.h"
#include "mapview.h"
#include "runningsumo.h"
#include "session.h"
#include "sumodock.h"
#include "vehiclelayer.h"

#include <corvel/light.h>
#include <mirel/mapscene.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>

#include <QLabel>
#include <QProcess>
#include <QAbstractButton>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

QString scenario(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/sumo/") + name;
}

struct Pixels
{
    int signal = 0; // red, green or yellow as the plugin draws states
};

Pixels classify(const QImage &img)
{
    Pixels px;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            const int r = c.red(), g = c.green(), b = c.blue();
            if ((r > 150 && r > 2.5 * g && r > 2.5 * b) || (g > 120 && g > 1.6 * r && g > 1.6 * b)
                || (r > 140 && g > 140 && std::abs(r - g) < 25 && b < 0.6 * std::min(r, g)))
                ++px.signal;
        }
    }
    return px;
}

int differing(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x)
            n += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
    return n;
}

// The plugin's look of a connection must say the group's state: green and yellow coloured,
// red hidden behind its stop-line disc.
QString shownDiffers(DemoSession &s, const Ostrika::Network &net, const QList<int> &controllers)
{
    for (const Ostrika::Granule *g : net.findChildren<Ostrika::Granule *>()) {
        if (!controllers.contains(g->tlId()))
            continue;
        const Corvel::Light *light = s.simulation().light(g->tlId());
        for (const Ostrika::SignalGroup *sg : g->signalGroups()) {
            const int state = light->groupState(sg->tlId());
            for (const Ostrika::Connection *c : sg->connections()) {
                auto *item = dynamic_cast<Ostrikga::GenericGraphicsItem *>(s.plugin().findItemByName(c->objectName()));
                if (!item)
                    return QStringLiteral("no item for %1").arg(c->objectName());
                const bool ok = state == 1 ? item->isVisible() && item->hasOverrideColor() && item->color() == QColor(Qt::green)
                    : state == 16          ? item->isVisible() && item->hasOverrideColor() && item->color() == QColor(Qt::yellow)
                    : state == 4           ? !item->isVisible()
                                           : true;
                if (!ok)
                    return QStringLiteral("%1 (controller %2, group %3, state %4) is drawn otherwise")
                        .arg(c->objectName()).arg(g->tlId()).arg(sg->tlId()).arg(state);
            }
        }
    }
    return QString();
}

} // namespace

class TestSumoSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoSession> m_s;
    QStringList m_notes;

    LiveSumo *follow(const LiveSumo::Request &request)
    {
        m_s = std::make_unique<DemoSession>();
        QString error;
        if (!m_s->init(QString(), &error))
            qWarning("%s", qPrintable(error));
        m_s->view()->resize(1280, 800);
        m_s->view()->setZoom(17);
        m_s->view()->show();
        m_notes.clear();
        LiveSumo *live = m_s->followSumo();
        connect(live, &LiveSumo::note, this, [this](const QString &n) { m_notes << n; });
        live->begin(request);
        return live;
    }

    static bool waitLive(LiveSumo *live)
    {
        const bool ok = QTest::qWaitFor([live] {
            return live->phase() == LiveSumo::Phase::Live || live->phase() == LiveSumo::Phase::Ended
                || live->phase() == LiveSumo::Phase::Failed;
        }, 60000);
        if (!ok || live->phase() != LiveSumo::Phase::Live)
            qWarning("%s", qPrintable(live->statusText()));
        return ok && live->phase() == LiveSumo::Phase::Live;
    }

    void runTo(LiveSumo *live, double seconds)
    {
        live->controllers().runTo(seconds);
        QTRY_VERIFY_WITH_TIMEOUT(live->controllers().time() >= seconds, 60000);
    }

    const Ostrika::Network *network()
    {
        auto net = std::make_unique<Ostrika::Network>();
        if (!net->load(m_s->liveSumo()->networkFile(), false))
            return nullptr;
        m_net = std::move(net);
        return m_net.get();
    }
    std::unique_ptr<Ostrika::Network> m_net;

    LiveSumo *started()
    {
        LiveSumo::Request r;
        r.config = scenario(QStringLiteral("grid.sumocfg"));
        LiveSumo *live = follow(r);
        if (waitLive(live)) {
            m_s->view()->centerOnGeo(m_s->busiestJunction());
            settleSubscriptions(*m_s);
        }
        return live;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("OstrikTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_sumosession"));
    }

    void cleanup() { m_s.reset(); }

    // The network comes from ostka-import of the configuration's net file, into the cache once.
    void networkIsImportedOnceIntoTheCache()
    {
        LiveSumo::Request r;
        r.config = scenario(QStringLiteral("grid.sumocfg"));
        LiveSumo *live = follow(r);
        QVERIFY(waitLive(live));
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QVERIFY2(live->networkFile().startsWith(cache), qPrintable(live->networkFile()));
        QVERIFY(m_notes.filter(QStringLiteral("imported grid.net.xml into")).size() == 1
                || m_notes.filter(QStringLiteral("using the import of grid.net.xml from the cache")).size() == 1);
        QCOMPARE(m_s->controllerIds().size(), 9);
        QCOMPARE(m_s->simulation().project()->boundIds().size(), 9);
        // The named corridors, and the trips of the second route file routed along the network.
        const QStringList routes = m_s->routeNames();
        for (const char *corridor : {"Avenue eastbound", "Avenue westbound", "Centre Street northbound",
                                     "Centre Street southbound"})
            QVERIFY2(routes.contains(QLatin1String(corridor)), corridor);
        QVERIFY2(routes.size() > 4, qPrintable(QString::number(routes.size())));
        const QString first = live->networkFile();
        m_s.reset();

        live = follow(r);
        QVERIFY(waitLive(live));
        QCOMPARE(live->networkFile(), first);
        QCOMPARE(m_notes.filter(QStringLiteral("using the import of grid.net.xml from the cache")).size(), 1);
    }

    // Every step: the plugin's map shows what the controllers hold, vehicles between roads and signals.
    void mapFollowsEveryStep()
    {
        LiveSumo *live = started();
        QVERIFY(live->phase() == LiveSumo::Phase::Live);
        const Ostrika::Network *net = network();
        QVERIFY(net);
        const QList<int> shown = m_s->subscribedControllers();
        QVERIFY(shown.size() >= 2);
        QStringList faults;
        int checkedSteps = 0;
        // Coming online, the plugin asks for the states (answered through the event loop);
        // from then on every change reaches it while the step is applied.
        const double online = live->controllers().time() + 1.0;
        connect(&live->controllers(), &SumoControllers::stepApplied, this, [&] {
            if (live->controllers().time() <= online)
                return;
            const QString f = shownDiffers(*m_s, *net, shown);
            if (!f.isEmpty() && faults.size() < 3)
                faults << QStringLiteral("t=%1: %2").arg(live->controllers().time()).arg(f);
            ++checkedSteps;
        });
        runTo(live, 90.0);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QVERIFY(checkedSteps >= 85);

        VehicleLayer *vehicles = live->vehicleLayer();
        QVERIFY(vehicles);
        QVERIFY(vehicles->count() > 10);
        QCOMPARE(vehicles->count(), live->controllers().vehicles().size());
        qreal lanes = -1, connections = -1;
        for (QGraphicsItem *item : m_s->scene()->items()) {
            const QGraphicsObject *o = item->parentItem() ? nullptr : item->toGraphicsObject();
            if (o && o->objectName() == QLatin1String("Lanes"))
                lanes = o->zValue();
            if (o && o->objectName() == QLatin1String("Connections"))
                connections = o->zValue();
        }
        const qreal z = vehicles->parentItem()->zValue();
        QVERIFY2(lanes < z && z < connections, qPrintable(QStringLiteral("%1 < %2 < %3").arg(lanes).arg(z).arg(connections)));

        m_s->view()->setLegendVisible(false);
        const QImage withVehicles = m_s->view()->grab().toImage();
        QVERIFY2(classify(withVehicles).signal > 50, qPrintable(QString::number(classify(withVehicles).signal)));
        vehicles->parentItem()->hide();
        QVERIFY2(differing(withVehicles, m_s->view()->grab().toImage()) > 50, "no vehicle drawn in view");
        QVERIFY(m_s->summary().filter(QStringLiteral("controllers: 9 driven by SUMO, 9 online")).size() == 1);
    }

    // SUMO killed: every controller offline, the map neutral, the window alive; reconnecting works.
    void killedSumoLeavesAWorkingWindow()
    {
        LiveSumo *live = started();
        QVERIFY(live->phase() == LiveSumo::Phase::Live);
        MainWindow window(m_s.get());
        window.show();
        runTo(live, 30.0);
        live->controllers().setRunning(true);
        QVERIFY(::kill(pid_t(live->controllers().processId()), SIGKILL) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(live->phase()), int(LiveSumo::Phase::Ended), 10000);
        for (int id : m_s->controllerIds())
            QVERIFY(!m_s->simulation().light(id)->isConnected());
        QCOMPARE(live->vehicleLayer()->count(), 0);
        QTest::qWait(300);
        m_s->view()->setLegendVisible(false);
        const QImage neutral = m_s->view()->grab().toImage();
        QCOMPARE(classify(neutral).signal, 0);
        live->vehicleLayer()->parentItem()->hide();
        QCOMPARE(differing(neutral, m_s->view()->grab().toImage()), 0);
        live->vehicleLayer()->parentItem()->show();
        auto *dock = window.findChild<SumoDock *>();
        QVERIFY(dock);
        const QList<QLabel *> labels = window.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
            return l->text().contains(QLatin1String("every SUMO controller offline"));
        }));
        QVERIFY(dock->logText().contains(QLatin1String("SUMO ended unexpectedly"))
                || dock->logText().contains(QLatin1String("connection to SUMO failed")));

        QAbstractButton *reconnect = nullptr;
        for (QAbstractButton *b : dock->findChildren<QAbstractButton *>())
            if (b->text().contains(QLatin1String("connect to SUMO")) && !b->text().contains(QLatin1String("Dis")))
                reconnect = b;
        QVERIFY(reconnect && reconnect->isEnabled());
        QTest::mouseClick(reconnect, Qt::LeftButton);
        QVERIFY(waitLive(live));
        runTo(live, 20.0);
        for (int id : m_s->controllerIds())
            QVERIFY(m_s->simulation().light(id)->isConnected());
        QTRY_VERIFY(classify(m_s->view()->grab().toImage()).signal > 50);
        m_s->plugin().release(); // the window owns the view
    }

    // The diagram of a corridor: the states SUMO showed, and the vehicles that drove it.
    void diagramShowsRecordedStatesAndVehicles()
    {
        LiveSumo *live = started();
        QVERIFY(live->phase() == LiveSumo::Phase::Live);
        runTo(live, 150.0);
        TimelineDiagram d;
        QString error;
        QVERIFY2(m_s->timeline(QStringLiteral("Avenue eastbound"), 30.0, 130.0, &d, &error), qPrintable(error));
        QCOMPARE(d.now, 150.0);
        QVERIFY(!d.bars.isEmpty());
        QCOMPARE(d.live.size(), d.controllers);
        for (const TimelineDiagram::Bar &b : d.bars) {
            QVERIFY(b.hasPlan);
            QVERIFY(!b.intervals.isEmpty());
            QCOMPARE(b.intervals.constFirst().start, 30.0);
            // The bar ends in the state the controller shows now, held until the next step.
            QCOMPARE(b.intervals.constLast().end, 151.0);
            QCOMPARE(b.intervals.constLast().state, m_s->simulation().light(b.controller)->groupState(b.group));
        }
        QVERIFY(d.trajectories.size() >= 3);
        QCOMPARE(d.trajectories.constFirst().label, QStringLiteral("SUMO vehicles"));
        for (int i = 1; i < d.trajectories.size(); ++i)
            QVERIFY(d.trajectories.at(i).label.isEmpty());
        for (const Trajectory &t : qAsConst(d.trajectories)) {
            QPointF prev(-1, -1);
            for (const QPointF &p : t.points) {
                QVERIFY(p.x() >= 30.0 && p.x() <= 160.0);
                if (std::isfinite(p.y()) && std::isfinite(prev.y()))
                    QVERIFY2(p.y() >= prev.y() - 1.0, "a vehicle drove backwards along the route");
                prev = p;
            }
        }
    }

    // --traci: a SUMO someone else started; its network is found through SUMO's own options.
    void followsARunningSumo()
    {
        RunningSumo sumo(scenario(QStringLiteral("grid.sumocfg")));
        QVERIFY(sumo.started());
        LiveSumo::Request r;
        r.port = sumo.port();
        LiveSumo *live = follow(r);
        QVERIFY(waitLive(live));
        QVERIFY(live->networkFile().endsWith(QLatin1String("grid.ostka")));
        runTo(live, 10.0);
        QCOMPARE(m_s->controllerIds().size(), 9);
        for (int id : m_s->controllerIds())
            QVERIFY(m_s->simulation().light(id)->isConnected());
        m_s->unloadAll();
        QVERIFY(!m_s->liveSumo());
        QVERIFY(m_s->scene()->items().isEmpty());
        QVERIFY(sumo.ended(10000));
    }
};

QTEST_MAIN(TestSumoSession)
#include "tst_sumosession.moc"
