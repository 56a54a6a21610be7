// Route timeline data requested from the plugin object by method name, as the host does.
#include "testnetwork.h"
#include "timelinecheck.h"
#include "plugin/ostrikgplugin.h"
#include "timeline/routetimeline.h"

#include <ostrikga/networkg.h>

#include <QGraphicsScene>

#include <QtTest>

namespace {
QStringList *logLines = nullptr;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (logLines)
        logLines->append(text);
}
} // namespace

class TestPluginTimeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void callByName();
    void nonRouteByName();
    void sampleRouteByName();
    void routeRoundARing_data();
    void routeRoundARing();

private:
    static QVariantMap call(QObject *plugin, QObject *route, bool *invoked);
};

void TestPluginTimeline::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_plugintimeline"));
}

QVariantMap TestPluginTimeline::call(QObject *plugin, QObject *route, bool *invoked)
{
    QVariantMap r;
    *invoked = QMetaObject::invokeMethod(plugin, "getTimelineData", Q_RETURN_ARG(QVariantMap, r),
                                         Q_ARG(QObject *, route));
    return r;
}

void TestPluginTimeline::callByName()
{
    OstrikgPlugin plugin;
    TestNetwork b;
    Ostrika::Route *route = b.addOutAndBack();
    QVERIFY2(b.ok(), qPrintable(b.error));

    bool invoked = false;
    const QVariantMap r = call(&plugin, route, &invoked);
    QVERIFY(invoked);
    TIMELINE_VERIFY_SKELETON(r, {{0, 0}, {100, 0}, {200, 0}, {295, 0}});
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 305.0);
    TIMELINE_VERIFY_ENTRY(r, "21", "1", 95, 95, true);
    TIMELINE_VERIFY_ENTRY(r, "21", "2", 105, 505, false);
    TIMELINE_VERIFY_ENTRY(r, "22", "5", 205, 405, false);

    // Stateless: a second call gives the same answer.
    QCOMPARE(call(&plugin, route, &invoked), r);
}

void TestPluginTimeline::nonRouteByName()
{
    OstrikgPlugin plugin;
    TestNetwork b;
    Ostrika::Node *node = b.node({0, 0});
    QVERIFY2(b.ok(), qPrintable(b.error));

    bool invoked = false;
    QVERIFY(call(&plugin, nullptr, &invoked).isEmpty());
    QVERIFY(invoked);
    QVERIFY(call(&plugin, node, &invoked).isEmpty());
    QVERIFY(call(&plugin, &plugin, &invoked).isEmpty());
    QVERIFY(invoked);
}

// A route of the bundled sample drawn by a graphics network, as the plugin loads it.
void TestPluginTimeline::sampleRouteByName()
{
    QString path = qEnvironmentVariable("OSTRIK_SOURCE_DIR") + QStringLiteral("/samples/town.ostka");
    if (!QFileInfo::exists(path))
        path = QFINDTESTDATA("../../samples/town.ostka");
    if (path.isEmpty() || !QFileInfo::exists(path))
        QSKIP("samples/town.ostka is not there yet (make target \"sample\")");
    QGraphicsScene scene;
    Ostrikga::Networkg net(&scene);
    QVERIFY2(net.load(path), qPrintable(net.errorString()));
    auto *route = net.findChild<Ostrika::Route *>(QStringLiteral("Main Street out-and-back"));
    QVERIFY(route);

    OstrikgPlugin plugin;
    bool invoked = false;
    const QVariantMap r = call(&plugin, route, &invoked);
    QVERIFY(invoked);
    QCOMPARE(r.value("sg_data").toMap().keys(), QStringList({"5", "6", "7", "8"}));
    TIMELINE_COMPARE_NEAR_TOL(r.value("med").toDouble(), route->polyline().length() / 2, 2.0);
    QCOMPARE(r, RouteTimeline::routeTimelineData(route));
}

void TestPluginTimeline::routeRoundARing_data()
{
    QTest::addColumn<double>("side");
    QTest::addColumn<bool>("drawn");
    // Across a 100 m ring a 50 m bisector meets nothing: one skeleton point however many laps.
    QTest::newRow("100 m ring") << 100.0 << true;
    // Across a 30 m one it meets every lap: the skeleton would grow with laps squared.
    QTest::newRow("30 m ring") << 30.0 << false;
}

// 300 laps of a four-junction ring with one controller.
void TestPluginTimeline::routeRoundARing()
{
    QFETCH(double, side);
    QFETCH(bool, drawn);
    TestNetwork b;
    QList<Ostrika::Node *> n;
    n << b.node({0, 0}) << b.node({side, 0}) << b.node({side, side}) << b.node({0, side});
    QList<Ostrika::Edge *> ring;
    for (int i = 0; i < 4; ++i)
        ring << b.straight(n.at(i), n.at((i + 1) % 4));
    b.connect(b.group(b.granule(n.at(1), 5), 1), ring.at(0), ring.at(1), {side - 5, 0});
    QList<Ostrika::Edge *> edges;
    for (int lap = 0; lap < 300; ++lap)
        edges += ring;
    Ostrika::Route *route = b.route(edges, {});
    QVERIFY2(b.ok(), qPrintable(b.error));

    OstrikgPlugin plugin;
    QStringList lines;
    logLines = &lines;
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    bool invoked = false;
    const QVariantMap r = call(&plugin, route, &invoked);
    qInstallMessageHandler(previous);
    logLines = nullptr;
    QVERIFY(invoked);
    QCOMPARE(RouteTimeline::routeSkeleton(route->polyline()).isEmpty(), !drawn);
    if (drawn) {
        TIMELINE_VERIFY_SKELETON(r, {{0, 0}});
        QCOMPARE(r.value("sg_data").toMap().keys(), QStringList{"5"});
        QVERIFY(lines.isEmpty());
    } else {
        QVERIFY(r.isEmpty());
        QCOMPARE(lines, QStringList{QStringLiteral("OstrikgPlugin: Route %1 is too tangled for a timeline")
                                        .arg(route->objectName())});
    }
}

QTEST_MAIN(TestPluginTimeline)
#include "tst_plugintimeline.moc"
