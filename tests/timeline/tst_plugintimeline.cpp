// Route timeline data requested from the plugin object by method name, as the host does.
#include "testnetwork.h"
#include "timelinecheck.h"
#include "plugin/ostrikgplugin.h"
#include "timeline/routetimeline.h"

#include <ostrikga/networkg.h>

#include <QGraphicsScene>

#include <QtTest>

class TestPluginTimeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void callByName();
    void nonRouteByName();
    void sampleRouteByName();

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

QTEST_MAIN(TestPluginTimeline)
#include "tst_plugintimeline.moc"
