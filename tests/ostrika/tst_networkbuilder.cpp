// Tests of the Ostrika builder API, object links, derived values and vehicle classes.
#include "networkdump.h"

#include <ostrika/ostrika.h>

#include <QPointer>
#include <QtTest>

using namespace Ostrika;

Q_DECLARE_METATYPE(GeoPolyline)

namespace {

// Two nodes joined by one edge with one lane, in both directions, plus a junction.
struct Fixture {
    Network net;
    Node *a, *b, *c;
    Edge *ab, *bc, *ba;
    Lane *abLane, *bcLane, *baLane;

    Fixture()
    {
        a = net.addNode(1, QStringLiteral("a"), QPointF(0, 0));
        b = net.addNode(2, QStringLiteral("b"), QPointF(100, 0));
        c = net.addNode(3, QStringLiteral("c"), QPointF(100, 100));
        ab = net.addEdge(10, QStringLiteral("ab"), a, b, {});
        bc = net.addEdge(11, QString(), b, c, {});
        ba = net.addEdge(12, QString(), b, a, {});
        abLane = net.addLane(20, QString(), ab, 3.5, Lane::AllClasses, {QPointF(0, -2), QPointF(100, -2)});
        bcLane = net.addLane(21, QString(), bc, 3.5, Lane::AllClasses, {QPointF(102, 0), QPointF(102, 100)});
        baLane = net.addLane(22, QString(), ba, 3.5, Lane::AllClasses, {QPointF(100, 2), QPointF(0, 2)});
    }
};

} // namespace

class TestNetworkBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildsTheHierarchy();
    void rejectsBadCalls_data();
    void rejectsBadCalls();
    void rejectsObjectsOfAnotherNetwork();
    void lanesAngle_data();
    void lanesAngle();
    void routePolylineJoinsEdges();
    void granuleCentreFollowsItsNodes();
    void signalGroupLinksBothSides();
    void deletedObjectLeavesTheIndex();
    void clearThenReuseIds();
    void vehicleClasses();
};

void TestNetworkBuilder::buildsTheHierarchy()
{
    Fixture f;
    Stopline *stop = f.net.addStopline(30, QString(), f.abLane, QLineF(100, 0, 100, -4));
    Granule *g = f.net.addGranule(40, QStringLiteral("J"), 5, QPointF(qQNaN(), qQNaN()));
    SignalGroup *sg = f.net.addSignalGroup(41, QStringLiteral("K1"), g, 1);
    Connection *conn = f.net.addConnection(50, QString(), f.abLane, f.bcLane, stop, {}, g, qQNaN());
    CrossWalk *walk = f.net.addCrossWalk(60, QString(), g, 1, {QPointF(90, -5), QPointF(90, 5)}, 4);
    Route *route = f.net.addRoute(70, QStringLiteral("r"), {f.ab, f.bc}, Lane::GeneralTraffic);
    QVERIFY(stop && g && sg && conn && walk && route);
    sg->addConnection(conn);

    QCOMPARE(f.net.objectCount(), 15);
    QCOMPARE(f.abLane->parent(), f.ab);
    QCOMPARE(sg->parent(), g);
    for (QObject *o : QList<QObject *>{f.a, f.ab, stop, g, conn, walk, route})
        QCOMPARE(o->parent(), &f.net);
    QCOMPARE(f.net.findChildren<NetObject *>().size(), 15);
    QCOMPARE(f.net.findObject(41), sg);
    QCOMPARE(sg->network(), &f.net);
    QCOMPARE(f.abLane->network(), &f.net);
    QCOMPARE(f.abLane->stopline(), stop);
    QCOMPARE(stop->lane(), f.abLane);
    QCOMPARE(stop->position(), QPointF(100, -2));
    QCOMPARE(NetworkDump::refs(f.b->edges()), QStringLiteral("10,11,12"));
    QCOMPARE(f.ab->polyline(), GeoPolyline({QPointF(0, 0), QPointF(100, 0)}));
    QCOMPARE(conn->polyline(), GeoPolyline({QPointF(100, -2), QPointF(102, 0)}));
    QCOMPARE(conn->lanesAngle(), 270.0);
    QCOMPARE(conn->granule(), g);
    QCOMPARE(NetworkDump::refs(g->connections()), QStringLiteral("50"));
    QCOMPARE(NetworkDump::refs(g->crosswalks()), QStringLiteral("60"));
    QCOMPARE(walk->granule(), g);
    QCOMPARE(route->allowedVehicles(), Lane::VehicleClasses(Lane::GeneralTraffic));
    QCOMPARE(f.abLane->endNode(), f.b);
    QCOMPARE(f.abLane->index(), 0);
    QCOMPARE(f.net.addLane(23, QString(), f.ab, 3, Lane::Bus, {})->index(), 1);

    QPointer<Lane> lane = f.abLane;
    QPointer<SignalGroup> group = sg;
    { Network gone; gone.addNode(1, QString(), QPointF()); }
    f.net.clear();
    QVERIFY(lane.isNull() && group.isNull());
}

void TestNetworkBuilder::rejectsBadCalls_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<QString>("message");
    QTest::newRow("duplicate id, same kind") << 0 << "addNode: id 1 is already in use";
    QTest::newRow("duplicate id, other kind") << 1 << "addGranule: id 20 is already in use";
    QTest::newRow("non-finite node") << 2 << "addNode 99: position is not finite or out of range";
    QTest::newRow("unknown node type") << 3 << "addNode 99: unknown node type 7";
    QTest::newRow("edge without end") << 4 << "addEdge 99: start or end node is null or of another network";
    QTest::newRow("edge shape not finite") << 5 << "addEdge 99: shape has a non-finite or out-of-range point";
    QTest::newRow("lane width zero") << 6 << "addLane 99: width 0 is not in the range (0, 1e8]";
    QTest::newRow("lane width NaN") << 7 << "addLane 99: width nan is not in the range (0, 1e8]";
    QTest::newRow("lane without edge") << 8 << "addLane 99: edge is null or of another network";
    QTest::newRow("second stop line") << 9 << "addStopline 99: lane 20 already has stop line 30";
    QTest::newRow("stop line not finite") << 10 << "addStopline 99: line has a non-finite or out-of-range point";
    QTest::newRow("granule half NaN") << 11 << "addGranule 99: position is not finite or out of range";
    QTest::newRow("signal group without granule") << 12 << "addSignalGroup 99: granule is null or of another network";
    QTest::newRow("connection lanes apart") << 13 << "addConnection 99: lane 21 does not end where lane 20 starts";
    QTest::newRow("connection stop line elsewhere") << 14 << "addConnection 99: stop line 30 is not on the start lane";
    QTest::newRow("crosswalk width negative") << 15 << "addCrossWalk 99: width -1 is not in the range (0, 1e8]";
    QTest::newRow("route without edges") << 16 << "addRoute 99: no edges";
    QTest::newRow("route not consecutive") << 17 << "addRoute 99: edge 10 does not start where edge 11 ends";
    QTest::newRow("route with a null edge") << 18 << "addRoute 99: edge 1 of the list is null or of another network";
    QTest::newRow("coordinate beyond any map") << 19 << "addNode 99: position is not finite or out of range";
    QTest::newRow("edge shape of one point") << 20 << "addEdge 99: shape has a single point";
    QTest::newRow("crosswalk shape of one point") << 21 << "addCrossWalk 99: shape has fewer than 2 points";
    QTest::newRow("lane width beyond any map") << 22 << "addLane 99: width 2e+08 is not in the range (0, 1e8]";
}

void TestNetworkBuilder::rejectsBadCalls()
{
    QFETCH(int, call);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(f.net.addStopline(30, QString(), f.abLane, QLineF(100, 0, 100, -4)));
    const QStringList before = NetworkDump::dump(f.net);
    const double nan = qQNaN();
    QObject *made = nullptr;
    switch (call) {
    case 0: made = f.net.addNode(1, QString(), QPointF(5, 5)); break;
    case 1: made = f.net.addGranule(20, QString(), 1, QPointF()); break;
    case 2: made = f.net.addNode(99, QString(), QPointF(qInf(), 0)); break;
    case 3: made = f.net.addNode(99, QString(), QPointF(0, 0), 7); break;
    case 4: made = f.net.addEdge(99, QString(), f.a, nullptr, {}); break;
    case 5: made = f.net.addEdge(99, QString(), f.a, f.b, {QPointF(0, 0), QPointF(nan, 1)}); break;
    case 6: made = f.net.addLane(99, QString(), f.ab, 0, Lane::AllClasses, {}); break;
    case 7: made = f.net.addLane(99, QString(), f.ab, nan, Lane::AllClasses, {}); break;
    case 8: made = f.net.addLane(99, QString(), nullptr, 3, Lane::AllClasses, {}); break;
    case 9: made = f.net.addStopline(99, QString(), f.abLane, QLineF(0, 0, 1, 1)); break;
    case 10: made = f.net.addStopline(99, QString(), f.bcLane, QLineF(0, 0, nan, 1)); break;
    case 11: made = f.net.addGranule(99, QString(), 1, QPointF(nan, 3)); break;
    case 12: made = f.net.addSignalGroup(99, QString(), nullptr, 1); break;
    case 13: made = f.net.addConnection(99, QString(), f.bcLane, f.abLane, nullptr, {}, nullptr, nan); break;
    case 14: made = f.net.addConnection(99, QString(), f.baLane, f.abLane, f.abLane->stopline(), {}, nullptr, nan); break;
    case 15: made = f.net.addCrossWalk(99, QString(), nullptr, 0, {QPointF(), QPointF(1, 1)}, -1); break;
    case 16: made = f.net.addRoute(99, QString(), {}, Lane::AllClasses); break;
    case 17: made = f.net.addRoute(99, QString(), {f.bc, f.ab}, Lane::AllClasses); break;
    case 18: made = f.net.addRoute(99, QString(), {f.ab, nullptr}, Lane::AllClasses); break;
    case 19: made = f.net.addNode(99, QString(), QPointF(0, 1e9)); break;
    case 20: made = f.net.addEdge(99, QString(), f.a, f.b, {QPointF(1, 1)}); break;
    case 21: made = f.net.addCrossWalk(99, QString(), nullptr, 0, {QPointF(1, 1)}, 3); break;
    case 22: made = f.net.addLane(99, QString(), f.ab, 2e8, Lane::AllClasses, {}); break;
    }
    QCOMPARE(made, nullptr);
    QCOMPARE(f.net.errorString(), message);
    QCOMPARE(NetworkDump::dump(f.net), before);
    QCOMPARE(f.net.findObject(99), nullptr);
}

void TestNetworkBuilder::rejectsObjectsOfAnotherNetwork()
{
    Fixture f, other;
    QCOMPARE(f.net.addEdge(99, QString(), f.a, other.b, {}), nullptr);
    QCOMPARE(f.net.addRoute(99, QString(), {other.ab}, Lane::AllClasses), nullptr);
    QCOMPARE(f.net.addConnection(99, QString(), f.abLane, other.bcLane, nullptr, {}, nullptr, 0), nullptr);
    QCOMPARE(f.net.errorString(), QStringLiteral("addConnection 99: a referenced object is of another network"));
    QCOMPARE(f.net.objectCount(), 9);
}

void TestNetworkBuilder::lanesAngle_data()
{
    QTest::addColumn<GeoPolyline>("in");
    QTest::addColumn<GeoPolyline>("out");
    QTest::addColumn<double>("given");
    QTest::addColumn<double>("expected");
    const GeoPolyline north{{0, -10}, {0, 0}};
    QTest::newRow("straight") << north << GeoPolyline{{0, 0}, {0, 10}} << qQNaN() << 0.0;
    QTest::newRow("right") << north << GeoPolyline{{0, 0}, {10, 0}} << qQNaN() << 90.0;
    QTest::newRow("left") << north << GeoPolyline{{0, 0}, {-10, 0}} << qQNaN() << 270.0;
    QTest::newRow("U-turn") << north << GeoPolyline{{0, 0}, {0, -10}} << qQNaN() << 180.0;
    QTest::newRow("slight right") << north << GeoPolyline{{0, 0}, {10, 10}} << qQNaN() << 45.0;
    QTest::newRow("uses the end and start segments")
        << GeoPolyline{{-50, -50}, {0, -10}, {0, 0}, {0, 0}} << GeoPolyline{{0, 0}, {0, 0}, {10, 0}, {10, 10}}
        << qQNaN() << 90.0;
    QTest::newRow("no geometry") << GeoPolyline() << GeoPolyline{{0, 0}, {10, 0}} << qQNaN() << 0.0;
    QTest::newRow("one point") << GeoPolyline{{0, 0}} << GeoPolyline{{0, 0}, {10, 0}} << qQNaN() << 0.0;
    QTest::newRow("given wins") << north << GeoPolyline{{0, 0}, {10, 0}} << 12.5 << 12.5;
    QTest::newRow("given negative") << north << GeoPolyline{{0, 0}, {10, 0}} << -90.0 << 270.0;
    QTest::newRow("given beyond a turn") << north << GeoPolyline{{0, 0}, {10, 0}} << 725.0 << 5.0;
}

void TestNetworkBuilder::lanesAngle()
{
    QFETCH(GeoPolyline, in);
    QFETCH(GeoPolyline, out);
    QFETCH(double, given);
    QFETCH(double, expected);
    Network net;
    Node *s = net.addNode(1, QString(), QPointF(0, -10));
    Node *m = net.addNode(2, QString(), QPointF(0, 0));
    Node *e = net.addNode(3, QString(), QPointF(0, 10));
    Lane *a = net.addLane(6, QString(), net.addEdge(4, QString(), s, m, {}), 3, Lane::AllClasses, in);
    Lane *b = net.addLane(7, QString(), net.addEdge(5, QString(), m, e, {}), 3, Lane::AllClasses, out);
    Connection *c = net.addConnection(8, QString(), a, b, nullptr, {}, nullptr, given);
    QVERIFY2(c, qPrintable(net.errorString()));
    QVERIFY2(std::abs(c->lanesAngle() - expected) < 1e-9, qPrintable(QString::number(c->lanesAngle(), 'g', 17)));
    // Without lanes there is nothing to derive from.
    Connection *bare = net.addConnection(9, QString(), nullptr, nullptr, nullptr, {}, nullptr, qQNaN());
    QVERIFY(bare);
    QCOMPARE(bare->lanesAngle(), 0.0);
    QVERIFY(bare->polyline().isEmpty());
}

void TestNetworkBuilder::routePolylineJoinsEdges()
{
    Fixture f;
    Route *joined = f.net.addRoute(80, QString(), {f.ab, f.bc}, Lane::AllClasses);
    QCOMPARE(joined->polyline(), GeoPolyline({QPointF(0, 0), QPointF(100, 0), QPointF(100, 100)}));
    Route *back = f.net.addRoute(81, QString(), {f.ab, f.ba}, Lane::AllClasses);
    QCOMPARE(back->polyline(), GeoPolyline({QPointF(0, 0), QPointF(100, 0), QPointF(0, 0)}));
    const GeoPolyline own{QPointF(0, -2), QPointF(100, -2)};
    QCOMPARE(f.net.addRoute(82, QString(), {f.ab}, Lane::AllClasses, own)->polyline(), own);
    QCOMPARE(back->routeEdgeCount(), 2);
    QCOMPARE(back->routeEdges().constLast(), f.ba);
}

void TestNetworkBuilder::granuleCentreFollowsItsNodes()
{
    Fixture f;
    Granule *g = f.net.addGranule(40, QString(), 1, QPointF(qQNaN(), qQNaN()));
    QCOMPARE(g->position(), QPointF(0, 0));
    g->addNode(f.a);
    g->addNode(f.b);
    g->addNode(f.b);
    QCOMPARE(g->position(), QPointF(50, 0));
    QCOMPARE(g->nodes().size(), 2);
    Granule *fixed = f.net.addGranule(41, QString(), 2, QPointF(7, 8));
    fixed->addNode(f.b);   // moves b out of g
    QCOMPARE(fixed->position(), QPointF(7, 8));
    QCOMPARE(f.b->granule(), fixed);
    QCOMPARE(NetworkDump::refs(g->nodes()), QStringLiteral("1"));
    QCOMPARE(g->position(), QPointF(0, 0));
    g->addNode(nullptr);
    QCOMPARE(g->nodes().size(), 1);
}

void TestNetworkBuilder::signalGroupLinksBothSides()
{
    Fixture f;
    Granule *g = f.net.addGranule(40, QString(), 1, QPointF());
    SignalGroup *k1 = f.net.addSignalGroup(41, QString(), g, 1);
    SignalGroup *k2 = f.net.addSignalGroup(42, QString(), g, 2);
    Connection *c = f.net.addConnection(50, QString(), f.abLane, f.bcLane, nullptr, {}, nullptr, qQNaN());
    k2->addConnection(c);
    k1->addConnection(c);
    k1->addConnection(c);
    k1->addConnection(nullptr);
    QCOMPARE(NetworkDump::refs(c->signalGroups()), QStringLiteral("42,41"));
    QCOMPARE(k1->connections().size(), 1);
    QCOMPARE(k1->granule(), g);
    QCOMPARE(NetworkDump::refs(g->signalGroups()), QStringLiteral("41,42"));
    QCOMPARE(c->granule(), nullptr);
    g->addConnection(c);
    g->addConnection(c);
    QCOMPARE(c->granule(), g);
    QCOMPARE(g->connections().size(), 1);
}

void TestNetworkBuilder::deletedObjectLeavesTheIndex()
{
    Fixture f;
    delete f.c;
    QCOMPARE(f.net.findObject(3), nullptr);
    QCOMPARE(f.net.objectCount(), 8);
    // The id is free again.
    QVERIFY(f.net.addNode(3, QString(), QPointF(1, 1)));
}

void TestNetworkBuilder::clearThenReuseIds()
{
    Fixture f;
    f.net.geoUtil()->setOrigin(QPointF(10, 20));
    f.net.clear();
    QCOMPARE(f.net.objectCount(), 0);
    QCOMPARE(f.net.geoUtil()->origin(), QPointF(10, 20));
    QVERIFY(f.net.addNode(1, QString(), QPointF()));
    QCOMPARE(f.net.objectCount(), 1);
}

void TestNetworkBuilder::vehicleClasses()
{
    QCOMPARE(int(Lane::GeneralTraffic), 0x9a2923);
    QCOMPARE(int(Lane::CarSignalTraffic), 0x2100);
    QStringList general;
    for (int bit = 1; bit <= Lane::AllClasses; bit <<= 1) {
        const auto vc = Lane::VehicleClass(bit);
        const QString name = Lane::className(vc);
        QVERIFY2(!name.isEmpty(), qPrintable(QString::number(bit, 16)));
        QCOMPARE(name, name.toLower());
        QCOMPARE(Lane::classFromName(name), vc);
        if (Lane::GeneralTraffic & bit)
            general << name;
    }
    QCOMPARE(general.join(QLatin1Char(',')),
             QStringLiteral("private,emergency,taxi,passenger,delivery,motorcycle,truck,trailer,moped,evehicle"));
    QCOMPARE(Lane::className(Lane::GeneralTraffic), QString());
    QCOMPARE(int(Lane::classFromName(QStringLiteral("Passenger"))), 0);
    QCOMPARE(int(Lane::classFromName(QStringLiteral("hovercraft"))), 0);
}

QTEST_GUILESS_MAIN(TestNetworkBuilder)
#include "tst_networkbuilder.moc"
