// Route timeline data on hand-made networks whose answers are worked out by hand.
#include "testnetwork.h"
#include "timelinecheck.h"
#include "timeline/routetimeline.h"

#include <QtTest>

#include <cmath>

using Ostrika::GeoPolyline;
using Ostrika::Lane;

Q_DECLARE_METATYPE(GeoPolyline)

namespace {

// Positions along a route worked out from its vertices: the route's path is its edges'
// centre lines joined, so each edge starts and ends at a known vertex.
struct SampleRoute
{
    explicit SampleRoute(const Ostrika::Route *route)
    {
        QVector<QPointF> joined;
        QList<int> firstIndex, lastIndex;
        for (const Ostrika::Edge *e : route->routeEdges()) {
            const QVector<QPointF> &pts = e->polyline().points();
            for (int i = 0; i < pts.size(); ++i) {
                const bool shared = !joined.isEmpty() && joined.constLast() == pts.at(i);
                if (!shared)
                    joined.append(pts.at(i));
                if (i == 0)
                    firstIndex << joined.size() - 1;
            }
            lastIndex << joined.size() - 1;
        }
        ok = joined == route->polyline().points();
        QVector<double> along{0.0};
        for (int i = 1; i < joined.size(); ++i)
            along << along.constLast() + QLineF(joined.at(i - 1), joined.at(i)).length();
        length = along.constLast();
        for (int i : firstIndex)
            edgeStart << along.at(i);
        for (int i : lastIndex)
            edgeEnd << along.at(i);
    }

    // Distance of \a p from the polygon; \a along gets the position of its foot on it.
    static double distanceToPolygon(const QVector<QPointF> &poly, const QPointF &p, double *along)
    {
        double best = qInf(), run = 0;
        for (int i = 1; i < poly.size(); ++i) {
            const QLineF seg(poly.at(i - 1), poly.at(i));
            const QPointF d = seg.p2() - seg.p1();
            const double len2 = d.x() * d.x() + d.y() * d.y();
            const QPointF v = p - seg.p1();
            const double t = qBound(0.0, (v.x() * d.x() + v.y() * d.y()) / len2, 1.0);
            const double dist = QLineF(p, seg.pointAt(t)).length();
            if (dist < best) {
                best = dist;
                *along = run + t * seg.length();
            }
            run += seg.length();
        }
        return best;
    }

    bool ok = false;
    double length = 0;
    QList<double> edgeStart, edgeEnd;
};

} // namespace

class TestRouteTimeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void nonRouteGivesEmptyMap();
    void openRouteThroughThreeJunctions();
    void outAndBackRoute();
    void skeleton_data();
    void skeleton();
    void onePointRoutePolyline();
    void median_data();
    void median();
    void forwardFlagAtMedian();
    void noGranuleNearRoute();
    void controllerWithoutMatchingGroup();
    void connectionMatching_data();
    void connectionMatching();
    void excludeFromRoute_data();
    void excludeFromRoute();
    void vehicleMask_data();
    void vehicleMask();
    void firstMatchWithoutSkeletonDistance();
    void firstPlaceOnSkeleton();
    void granulePassedTwice();
    void decimalKeys();
    void sampleOutAndBack();
    void sampleEveryRoute();

private:
    bool loadSample(Ostrika::Network *net);
};

void TestRouteTimeline::nonRouteGivesEmptyMap()
{
    QVERIFY(RouteTimeline::routeTimelineData(nullptr).isEmpty());
    QObject plain;
    QVERIFY(RouteTimeline::routeTimelineData(&plain).isEmpty());
    TestNetwork b;
    Ostrika::Node *n = b.node({0, 0});
    QVERIFY2(b.ok(), qPrintable(b.error));
    QVERIFY(RouteTimeline::routeTimelineData(n).isEmpty());
    QVERIFY(RouteTimeline::routeTimelineData(&b.net).isEmpty());
}

// Straight road x = 0..400, junctions at 100, 200, 300 (controllers 11, 12, 13), a
// controller-less granule at 350 and a stop line 5 before each junction.
void TestRouteTimeline::openRouteThroughThreeJunctions()
{
    TestNetwork b;
    QList<Ostrika::Node *> n;
    for (double x : {0.0, 100.0, 200.0, 300.0, 350.0, 400.0})
        n << b.node({x, 0});
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    Ostrika::Node *side = b.node({200, 100});
    Ostrika::Edge *sideEdge = b.straight(n.at(2), side);

    QList<Ostrika::Granule *> g;
    for (int k = 1; k <= 3; ++k) {
        g << b.granule(n.at(k), 10 + k);
        b.connect(b.group(g.last(), 1), e.at(k - 1), e.at(k), {100.0 * k - 5, 0});
    }
    b.connect(b.group(g.at(1), 2), e.at(1), sideEdge, {195, 0});   // turns off the route
    b.connect(b.group(b.granule(n.at(4), 0), 1), e.at(3), e.at(4), {345, 0});
    Ostrika::Route *route = b.route(e, {{0, 0}, {100, 0}, {200, 0}, {300, 0}, {350, 0}, {400, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QCOMPARE(r.keys(), QStringList({"med", "route_skel", "sg_data"}));
    // Ends 400 apart: the skeleton is the route itself.
    QCOMPARE(TimelineCheck::skeleton(r),
             QList<QPointF>({{0, 0}, {100, 0}, {200, 0}, {300, 0}, {350, 0}, {400, 0}}));
    // Granule points at 100, 200, 300 along the route.
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 200.0);
    const QVariantMap sg = r.value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"11", "12", "13"}));
    QCOMPARE(sg.value("12").toMap().keys(), QStringList({"1"}));
    TIMELINE_VERIFY_ENTRY(r, "11", "1", 95, 95, true);
    TIMELINE_VERIFY_ENTRY(r, "12", "1", 195, 195, true);
    TIMELINE_VERIFY_ENTRY(r, "13", "1", 295, 295, false);
}

// A two-way road on the axis y = 0 (forward half at y = -5, return half at y = +5) driven
// out to x = 300 and back. Controllers 21 at x = 100 and 22 at x = 200.
void TestRouteTimeline::outAndBackRoute()
{
    TestNetwork b;
    Ostrika::Route *route = b.addOutAndBack();
    QVERIFY2(b.ok(), qPrintable(b.error));
    TIMELINE_COMPARE_NEAR(route->polyline().length(), 610.0);

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    // Centre line: the ends' midpoint, then one point per node before the half (305); the
    // corner at (300, -5) bisects the left turn and meets the return half at (290, 5).
    TIMELINE_VERIFY_SKELETON(r, {{0, 0}, {100, 0}, {200, 0}, {295, 0}});
    // Granule distances 100, 510 (x = 100) and 200, 410 (x = 200).
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 305.0);
    const QVariantMap sg = r.value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"21", "22"}));
    QCOMPARE(sg.value("21").toMap().keys(), QStringList({"1", "2"}));
    QCOMPARE(sg.value("22").toMap().keys(), QStringList({"3", "4", "5"}));
    TIMELINE_VERIFY_ENTRY(r, "21", "1", 95, 95, true);
    TIMELINE_VERIFY_ENTRY(r, "21", "2", 105, 505, false);
    TIMELINE_VERIFY_ENTRY(r, "22", "3", 195, 195, true);
    TIMELINE_VERIFY_ENTRY(r, "22", "4", 205, 405, false);
    // Met on both passes: the return pass comes later and replaces the forward one.
    TIMELINE_VERIFY_ENTRY(r, "22", "5", 205, 405, false);
}

void TestRouteTimeline::skeleton_data()
{
    QTest::addColumn<GeoPolyline>("path");
    QTest::addColumn<QList<QPointF>>("expected");

    const GeoPolyline fifty{{0, 0}, {100, 0}, {100, 50}, {0, 50}};
    QTest::newRow("ends exactly 50 apart: open") << fifty << fifty.points().toList();
    QTest::newRow("ends 49.9 apart: loop")
        << GeoPolyline{{0, 0}, {100, 0}, {100, 49.9}, {0, 49.9}} << QList<QPointF>{{0, 24.95}};
    QTest::newRow("node exactly at half length unused")
        << GeoPolyline{{0, -5}, {40, -5}, {90, -5}, {100, -5}, {100, 5}, {30, 5}}
        << QList<QPointF>{{15, 0}, {40, 0}};
    QTest::newRow("node just before half length used")
        << GeoPolyline{{0, -5}, {40, -5}, {89, -5}, {100, -5}, {100, 5}, {30, 5}}
        << QList<QPointF>{{15, 0}, {40, 0}, {89, 0}};
    // Straight node at x = 100 meets the return at 1.0; the corner at x = 200 at sqrt(2).
    QTest::newRow("crossing at 1.0 ignored")
        << GeoPolyline{{0, -5}, {100, -5}, {200, -5}, {200, -4}, {0, -4}, {0, -3}}
        << QList<QPointF>{{0, -4}, {199.5, -4.5}};
    QTest::newRow("crossing at 1.1 used")
        << GeoPolyline{{0, -5}, {100, -5}, {200, -5}, {200, -3.9}, {0, -3.9}, {0, -3}}
        << QList<QPointF>{{0, -4}, {100, -4.45}, {199.45, -4.45}};
    QTest::newRow("crossing at 50.0 ignored")
        << GeoPolyline{{0, -5}, {100, -5}, {200, -5}, {200, 45}, {0, 45}, {0, 0}}
        << QList<QPointF>{{0, -2.5}};
    QTest::newRow("crossing at 49.9 used")
        << GeoPolyline{{0, -5}, {100, -5}, {200, -5}, {200, 44.9}, {0, 44.9}, {0, 0}}
        << QList<QPointF>{{0, -2.5}, {100, 19.95}};
    // The bisector at x = 100 meets the route first at y = 20, later at y = 5.
    QTest::newRow("two crossings at one node, in route order")
        << GeoPolyline{{0, -5}, {100, -5}, {200, -5}, {200, 20}, {60, 20},
                       {60, 5}, {150, 5}, {150, -10}, {0, -10}}
        << QList<QPointF>{{0, -7.5}, {100, 7.5}, {100, 0}, {187.5, 7.5}, {187.5, 7.5}};
}

// Each path is the shape of a one-edge route: no junction, so only the skeleton is filled.
void TestRouteTimeline::skeleton()
{
    QFETCH(GeoPolyline, path);
    QFETCH(QList<QPointF>, expected);

    TestNetwork b;
    Ostrika::Edge *e = b.edge(b.node(path.constFirst()), b.node(path.constLast()), path);
    Ostrika::Route *route = b.route({e}, path);
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QCOMPARE(r.keys(), QStringList({"route_skel", "sg_data"}));
    QVERIFY(r.value("sg_data").toMap().isEmpty());
    QCOMPARE(r.value("sg_data").userType(), int(QMetaType::QVariantMap));
    TIMELINE_VERIFY_SKELETON(r, expected);
    // The plain function agrees with what the host gets.
    QCOMPARE(RouteTimeline::routeSkeleton(path).points().toList(), TimelineCheck::skeleton(r));
}

// A route without a path still lists the controllers it passes, nothing more.
void TestRouteTimeline::onePointRoutePolyline()
{
    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({200, 0});
    Ostrika::Edge *e1 = b.straight(a, m);
    Ostrika::Edge *e2 = b.straight(m, z);
    b.connect(b.group(b.granule(m, 4), 1), e1, e2, {100, 0});
    Ostrika::Route *route = b.route({e1, e2}, {{100, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));
    QCOMPARE(route->polyline().count(), 1);

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QVERIFY(!r.contains("med"));
    QVERIFY(r.contains("route_skel"));
    QVERIFY(TimelineCheck::skeleton(r).isEmpty());
    const QVariantMap sg = r.value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"4"}));
    QVERIFY(sg.value("4").toMap().isEmpty());
    QVERIFY(RouteTimeline::routeSkeleton(route->polyline()).isEmpty());
    // The library gives every route a path, but an empty one must not be read either.
    QVERIFY(RouteTimeline::routeSkeleton(Ostrika::GeoPolyline()).isEmpty());
}

void TestRouteTimeline::median_data()
{
    QTest::addColumn<QList<double>>("granuleXs");
    QTest::addColumn<double>("med");
    // The route runs x = 0..200 with nodes at 10, 30, 50, 70.
    QTest::newRow("one distance: half the route") << QList<double>{70} << 100.0;
    QTest::newRow("two: their mean") << QList<double>{30, 70} << 50.0;
    QTest::newRow("three: the middle one") << QList<double>{10, 30, 70} << 30.0;
    QTest::newRow("four: mean of the middle two") << QList<double>{10, 30, 50, 70} << 40.0;
}

void TestRouteTimeline::median()
{
    QFETCH(QList<double>, granuleXs);
    QFETCH(double, med);

    TestNetwork b;
    QList<Ostrika::Node *> n;
    const QList<double> xs{0, 10, 30, 50, 70, 200};
    for (double x : xs)
        n << b.node({x, 0});
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    // Visited from the far end first: the distances are sorted, not taken in walk order.
    for (int i = granuleXs.size() - 1; i >= 0; --i)
        b.granule(n.at(xs.indexOf(granuleXs.at(i))), 100 + i);
    GeoPolyline shape;
    for (double x : xs)
        shape.append({x, 0});
    Ostrika::Route *route = b.route(e, shape);
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QVERIFY(r.contains("med"));
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), med);
    QCOMPARE(r.value("sg_data").toMap().size(), granuleXs.size());

    bool ok = false;
    TIMELINE_COMPARE_NEAR(RouteTimeline::timelineMedian({70, 10, 50, 30}, 200, &ok), 40.0);
    QVERIFY(ok);
    RouteTimeline::timelineMedian({}, 200, &ok);
    QVERIFY(!ok);
}

// Granules at 10, 30, 50, 70 give "med" 40: a group exactly there stays forward.
void TestRouteTimeline::forwardFlagAtMedian()
{
    TestNetwork b;
    QList<Ostrika::Node *> n;
    for (double x : {0.0, 10.0, 30.0, 50.0, 70.0, 200.0})
        n << b.node({x, 0});
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    b.granule(n.at(1), 1);
    b.connect(b.group(b.granule(n.at(2), 2), 1), e.at(1), e.at(2), {25, 0});
    Ostrika::Granule *g3 = b.granule(n.at(3), 3);
    b.connect(b.group(g3, 1), e.at(2), e.at(3), {40, 0});
    b.connect(b.group(g3, 2), e.at(2), e.at(3), {40.5, 0});
    b.connect(b.group(b.granule(n.at(4), 4), 1), e.at(3), e.at(4), {65, 0});
    Ostrika::Route *route = b.route(e, {{0, 0}, {10, 0}, {30, 0}, {50, 0}, {70, 0}, {200, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 40.0);
    TIMELINE_VERIFY_ENTRY(r, "2", "1", 25, 25, true);
    TIMELINE_VERIFY_ENTRY(r, "3", "1", 40, 40, true);
    TIMELINE_VERIFY_ENTRY(r, "3", "2", 40.5, 40.5, false);
    TIMELINE_VERIFY_ENTRY(r, "4", "1", 65, 65, false);
    QVERIFY(r.value("sg_data").toMap().value("1").toMap().isEmpty());
}

void TestRouteTimeline::noGranuleNearRoute()
{
    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({400, 0});
    Ostrika::Edge *e1 = b.straight(a, m);
    Ostrika::Edge *e2 = b.straight(m, z);
    // The reference point lies 40.5 off the route, just out of reach.
    Ostrika::Granule *g = b.granule(m, 9, {100, 40.5});
    b.connect(b.group(g, 1), e1, e2, {95, 0});
    Ostrika::Route *route = b.route({e1, e2}, {{0, 0}, {100, 0}, {400, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QVERIFY(!r.contains("med"));
    TIMELINE_VERIFY_ENTRY(r, "9", "1", 95, 95, true);
}

void TestRouteTimeline::controllerWithoutMatchingGroup()
{
    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m1 = b.node({100, 0});
    Ostrika::Node *m2 = b.node({200, 0});
    Ostrika::Node *z = b.node({300, 0});
    Ostrika::Node *side = b.node({100, 100});
    Ostrika::Edge *e1 = b.straight(a, m1);
    Ostrika::Edge *e2 = b.straight(m1, m2);
    Ostrika::Edge *e3 = b.straight(m2, z);
    Ostrika::Edge *toSide = b.straight(m1, side);
    Ostrika::Granule *g7 = b.granule(m1, 7);
    b.connect(b.group(g7, 1), e1, toSide, {95, 0});
    b.connect(b.group(g7, 0), e1, e2, {95, 0});     // no group number: skipped
    b.connect(b.group(g7, -3), e1, e2, {95, 0});
    // No controller: the junction is not listed even though its group matches.
    b.connect(b.group(b.granule(m2, 0), 1), e2, e3, {195, 0});
    Ostrika::Route *route = b.route({e1, e2, e3}, {{0, 0}, {100, 0}, {200, 0}, {300, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    const QVariantMap sg = r.value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"7"}));
    QCOMPARE(sg.value("7").userType(), int(QMetaType::QVariantMap));
    QVERIFY(sg.value("7").toMap().isEmpty());
    // Only the granule with a controller counts towards the median: one distance.
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 150.0);
}

enum class Variant { Matches, StartOnOtherEdge, EndOnOtherEdge, NoEndLane, NoStartLane };
Q_DECLARE_METATYPE(Variant)

void TestRouteTimeline::connectionMatching_data()
{
    QTest::addColumn<Variant>("variant");
    QTest::addColumn<bool>("listed");
    QTest::newRow("through the junction") << Variant::Matches << true;
    QTest::newRow("starts on another edge") << Variant::StartOnOtherEdge << false;
    QTest::newRow("ends on another edge") << Variant::EndOnOtherEdge << false;
    QTest::newRow("no end lane") << Variant::NoEndLane << false;
    QTest::newRow("no start lane") << Variant::NoStartLane << false;
}

void TestRouteTimeline::connectionMatching()
{
    QFETCH(Variant, variant);
    QFETCH(bool, listed);

    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({200, 0});
    Ostrika::Node *side = b.node({100, -100});
    Ostrika::Edge *e1 = b.straight(a, m);
    Ostrika::Edge *e2 = b.straight(m, z);
    Ostrika::Edge *fromSide = b.straight(side, m);
    Ostrika::Edge *back = b.straight(m, a, 5);
    Ostrika::Granule *g = b.granule(m, 5);
    Ostrika::SignalGroup *sg = b.group(g, 1);
    Ostrika::Lane *start = TestNetwork::lane(variant == Variant::StartOnOtherEdge ? fromSide : e1);
    Ostrika::Lane *end = TestNetwork::lane(variant == Variant::EndOnOtherEdge ? back : e2);
    if (variant == Variant::NoStartLane)
        start = nullptr;
    if (variant == Variant::NoEndLane)
        end = nullptr;
    Ostrika::Connection *c = b.net.addConnection(b.nextId++, "c", start, end, nullptr,
                                                 {{95, 0}, {105, 0}}, g, 0.0);
    QVERIFY2(c, qPrintable(b.net.errorString()));
    sg->addConnection(c);
    Ostrika::Route *route = b.route({e1, e2}, {{0, 0}, {100, 0}, {200, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    const QVariantMap groups = r.value("sg_data").toMap().value("5").toMap();
    QCOMPARE(groups.contains("1"), listed);
    if (listed)
        TIMELINE_VERIFY_ENTRY(r, "5", "1", 95, 95, true);
}

void TestRouteTimeline::excludeFromRoute_data()
{
    QTest::addColumn<QVariant>("firstExclude");   // property on the connection starting at 95
    QTest::addColumn<bool>("withSecond");         // a second matching connection at 90
    QTest::addColumn<double>("expectedDist");     // NaN: no entry
    const double none = std::nan("");
    QTest::newRow("absent") << QVariant() << false << 95.0;
    QTest::newRow("zero") << QVariant(0) << false << 95.0;
    QTest::newRow("this route") << QVariant(-1) << false << none;
    QTest::newRow("this route as text") << QVariant(QStringLiteral("=")) << false << none;
    QTest::newRow("another route") << QVariant(-2) << false << 95.0;
    QTest::newRow("this route, later connection used") << QVariant(-1) << true << 90.0;
}

// -1 stands for the route's id, -2 for another route's id, "=" for the route's id as text.
void TestRouteTimeline::excludeFromRoute()
{
    QFETCH(QVariant, firstExclude);
    QFETCH(bool, withSecond);
    QFETCH(double, expectedDist);

    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({200, 0});
    Ostrika::Edge *e1 = b.straight(a, m);
    Ostrika::Edge *e2 = b.straight(m, z);
    Ostrika::SignalGroup *sg = b.group(b.granule(m, 3), 8);
    Ostrika::Connection *first = b.connect(sg, e1, e2, {95, 0});
    if (withSecond)
        b.connect(sg, e1, e2, {90, 0});
    Ostrika::Route *other = b.route({e1, e2}, {});
    Ostrika::Route *route = b.route({e1, e2}, {{0, 0}, {100, 0}, {200, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));
    QVERIFY(other->id() != route->id());

    QVariant value = firstExclude;
    if (value == QVariant(-1))
        value = route->id();
    else if (value == QVariant(-2))
        value = other->id();
    else if (value == QVariant(QStringLiteral("=")))
        value = QString::number(route->id());
    if (value.isValid())
        first->setProperty("exclude_from_route", value);

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    const QVariantMap groups = r.value("sg_data").toMap().value("3").toMap();
    if (std::isnan(expectedDist)) {
        QVERIFY(groups.isEmpty());
        return;
    }
    TIMELINE_VERIFY_ENTRY(r, "3", "8", expectedDist, expectedDist, true);
}

void TestRouteTimeline::vehicleMask_data()
{
    QTest::addColumn<int>("routeMask");
    QTest::addColumn<int>("laneMask");
    QTest::addColumn<bool>("listed");
    const int general = 0x9a2923;
    QTest::newRow("general traffic, passenger lane") << general << int(Lane::Passenger) << true;
    QTest::newRow("general traffic, motorcycle lane") << general << int(Lane::Motorcycle) << true;
    QTest::newRow("general traffic, truck lane") << general << int(Lane::Truck) << false;
    QTest::newRow("general traffic, private lane") << general << int(Lane::Private) << false;
    QTest::newRow("general minus private, truck lane")
        << (general & ~int(Lane::Private)) << int(Lane::Truck) << true;
    QTest::newRow("bus route, passenger lane") << int(Lane::Bus) << int(Lane::Passenger) << false;
    QTest::newRow("bus route, bus lane") << int(Lane::Bus) << int(Lane::Bus | Lane::Taxi) << true;
    QTest::newRow("no classes") << 0 << int(Lane::AllClasses) << false;
}

void TestRouteTimeline::vehicleMask()
{
    QFETCH(int, routeMask);
    QFETCH(int, laneMask);
    QFETCH(bool, listed);

    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({200, 0});
    const auto lanes = Lane::VehicleClasses(laneMask);
    Ostrika::Edge *e1 = b.edge(a, m, {{0, 0}, {100, 0}}, lanes);
    Ostrika::Edge *e2 = b.edge(m, z, {{100, 0}, {200, 0}}, lanes);
    b.connect(b.group(b.granule(m, 3), 1), e1, e2, {95, 0});
    Ostrika::Route *route =
        b.route({e1, e2}, {{0, 0}, {100, 0}, {200, 0}}, Lane::VehicleClasses(routeMask));
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QCOMPARE(r.value("sg_data").toMap().value("3").toMap().contains("1"), listed);
    QCOMPARE(RouteTimeline::timelineVehicleMask(routeMask),
             routeMask == 0x9a2923 ? 0x2100 : routeMask);
}

void TestRouteTimeline::firstMatchWithoutSkeletonDistance()
{
    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *z = b.node({200, 0});
    Ostrika::Edge *e1 = b.straight(a, m);
    Ostrika::Edge *e2 = b.straight(m, z);
    Ostrika::Granule *g = b.granule(m, 3);
    Ostrika::SignalGroup *hidden = b.group(g, 1);
    b.connect(hidden, e1, e2, {95, 40.5});   // 40.5 off the skeleton
    b.connect(hidden, e1, e2, {95, 0});
    Ostrika::SignalGroup *near = b.group(g, 2);
    b.connect(near, e1, e2, {95, 40});       // exactly at the tolerance
    Ostrika::Route *route = b.route({e1, e2}, {{0, 0}, {100, 0}, {200, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QCOMPARE(r.value("sg_data").toMap().value("3").toMap().keys(), QStringList({"2"}));
    TIMELINE_VERIFY_ENTRY(r, "3", "2", 95, 95, true);
}

// A hairpin whose ends lie far apart: open, so the skeleton is the route itself and a
// stop line on the way back lies within reach of both passes.
void TestRouteTimeline::firstPlaceOnSkeleton()
{
    TestNetwork b;
    Ostrika::Node *a = b.node({0, 0});
    Ostrika::Node *m = b.node({100, 0});
    Ostrika::Node *t = b.node({200, 0});
    Ostrika::Node *z = b.node({-100, 0});
    Ostrika::Edge *out1 = b.straight(a, m, -5);
    Ostrika::Edge *out2 = b.straight(m, t, -5);
    Ostrika::Edge *back1 = b.straight(t, m, 5);
    Ostrika::Edge *back2 = b.straight(m, a, 5);
    Ostrika::Edge *beyond = b.straight(a, z, 5);
    b.connect(b.group(b.granule(m, 6), 2), back1, back2, {105, 5});
    Ostrika::Route *route = b.route({out1, out2, back1, back2, beyond},
                                    {{0, -5}, {100, -5}, {200, -5}, {200, 5}, {100, 5}, {0, 5}, {-100, 5}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    QCOMPARE(TimelineCheck::skeleton(r), route->polyline().points().toList());
    // Skeleton places 105 (outward, 10 away) and 305 (on it): the first is taken.
    TIMELINE_VERIFY_ENTRY(r, "6", "2", 105, 305, false);
    // Granule distances 100 and 310, so "med" 205.
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 205.0);
}

// A route that enters a square block at B, drives round it and leaves at B again, then
// passes controllers 2 and 3 further on. B's two passes count once: 100, 500, 800, 1000.
void TestRouteTimeline::granulePassedTwice()
{
    TestNetwork b;
    const QList<QPointF> at{{0, 0}, {100, 0}, {200, 0}, {200, 100}, {100, 100}, {100, 0},
                            {100, -100}, {100, -300}, {100, -500}, {100, -700}};
    QList<Ostrika::Node *> n;
    for (int i = 0; i < at.size(); ++i)
        n << (i == 5 ? n.at(1) : b.node(at.at(i)));
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    Ostrika::Granule *gb = b.granule(n.at(1), 1);
    b.connect(b.group(gb, 1), e.at(0), e.at(1), {95, 0});
    b.connect(b.group(gb, 2), e.at(4), e.at(5), {100, 5});
    b.granule(n.at(7), 2);
    b.granule(n.at(8), 3);
    GeoPolyline shape;
    for (const QPointF &p : at)
        shape.append(p);
    Ostrika::Route *route = b.route(e, shape);
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    TIMELINE_COMPARE_NEAR(r.value("med").toDouble(), 650.0);
    QCOMPARE(r.value("sg_data").toMap().keys(), QStringList({"1", "2", "3"}));
    TIMELINE_VERIFY_ENTRY(r, "1", "1", 95, 95, true);
    // Open route: the skeleton is the route, whose first place near (100, 5) is 100.
    TIMELINE_VERIFY_ENTRY(r, "1", "2", 100, 495, true);
}

void TestRouteTimeline::decimalKeys()
{
    TestNetwork b;
    QList<Ostrika::Node *> n;
    for (double x : {0.0, 100.0, 200.0, 300.0})
        n << b.node({x, 0});
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    Ostrika::Granule *g12 = b.granule(n.at(1), 12);
    b.connect(b.group(g12, 3), e.at(0), e.at(1), {95, 0});
    b.connect(b.group(g12, 45), e.at(0), e.at(1), {96, 0});
    b.connect(b.group(b.granule(n.at(2), 1000), 10), e.at(1), e.at(2), {195, 0});
    Ostrika::Route *route = b.route(e, {{0, 0}, {100, 0}, {200, 0}, {300, 0}});
    QVERIFY2(b.ok(), qPrintable(b.error));

    const QVariantMap sg = RouteTimeline::routeTimelineData(route).value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"1000", "12"}));
    QCOMPARE(sg.value("12").toMap().keys(), QStringList({"3", "45"}));
    QCOMPARE(sg.value("1000").toMap().keys(), QStringList({"10"}));
    const QVariantMap entry = sg.value("12").toMap().value("45").toMap();
    QCOMPARE(entry.keys(), QStringList({"dist", "fwd", "rdist"}));
    QCOMPARE(entry.value("dist").userType(), int(QMetaType::Double));
    QCOMPARE(entry.value("rdist").userType(), int(QMetaType::Double));
    QCOMPARE(entry.value("fwd").userType(), int(QMetaType::Bool));
}

// The bundled sample town (written by tools/ostka-generate).
bool TestRouteTimeline::loadSample(Ostrika::Network *net)
{
    QString path = qEnvironmentVariable("OSTRIK_SOURCE_DIR") + QStringLiteral("/samples/town.ostka");
    if (!QFileInfo::exists(path))
        path = QFINDTESTDATA("../../samples/town.ostka");
    if (path.isEmpty() || !QFileInfo::exists(path))
        return false;
    if (!net->load(path))
        qWarning("%s: %s", qPrintable(path), qPrintable(net->errorString()));
    return net->objectCount() > 0;
}

// Main Street: D5W - J5 - J6 - J7 - J8 - S1 - D8E and back, controllers 5 to 8. Expected
// positions come from the route's own vertices and the junction nodes, not from the
// polyline geometry that the computation uses.
void TestRouteTimeline::sampleOutAndBack()
{
    Ostrika::Network net;
    if (!loadSample(&net))
        QSKIP("samples/town.ostka is not there yet (make target \"sample\")");
    auto *route = net.findChild<Ostrika::Route *>(QStringLiteral("Main Street out-and-back"));
    QVERIFY(route);
    const SampleRoute path(route);
    QVERIFY2(path.ok, "route polyline is not its edges joined");

    const QVariantMap r = RouteTimeline::routeTimelineData(route);
    // Every junction is passed once each way at mirrored places: the median is the middle.
    TIMELINE_COMPARE_NEAR_TOL(r.value("med").toDouble(), path.length / 2, 2.0);

    // The skeleton follows the road axis through the nodes, outwards from D5W to D8E.
    QVector<QPointF> axis;
    for (const char *name : {"D5W", "J5", "J6", "J7", "J8", "S1", "D8E"}) {
        auto *node = net.findChild<Ostrika::Node *>(QString::fromLatin1(name));
        QVERIFY(node);
        axis.append(node->position());
    }
    const QList<QPointF> skel = TimelineCheck::skeleton(r);
    QVERIFY(skel.size() >= 10);
    double lastAlong = -1;
    for (const QPointF &p : skel) {
        double along = 0;
        const double off = SampleRoute::distanceToPolygon(axis, p, &along);
        QVERIFY2(off < 1.5, qPrintable(QStringLiteral("skeleton point %1 off axis by %2")
                                           .arg(TimelineCheck::num(p.x())).arg(off)));
        QVERIFY(along > lastAlong);
        lastAlong = along;
    }
    QVERIFY(QLineF(skel.constFirst(), axis.constFirst()).length() < 10);
    QVERIFY(QLineF(skel.constLast(), axis.constLast()).length() < 40);

    const QVariantMap sg = r.value("sg_data").toMap();
    QCOMPARE(sg.keys(), QStringList({"5", "6", "7", "8"}));
    const int n = route->routeEdgeCount();
    for (int k = 5; k <= 8; ++k) {
        // Junction k is passed at the end of edge k - 5 going out and of edge n - k + 3 back.
        const int outPass = k - 4, backPass = n - (k - 4);
        const QVariantMap groups = sg.value(QString::number(k)).toMap();
        QCOMPARE(groups.size(), 2);
        int forward = 0;
        for (auto g = groups.cbegin(); g != groups.cend(); ++g) {
            const QVariantMap e = g.value().toMap();
            const bool fwd = e.value("fwd").toBool();
            forward += fwd ? 1 : 0;
            const double rdist = e.value("rdist").toDouble();
            const double dist = e.value("dist").toDouble();
            if (fwd) {
                // Stop line at the end of the incoming edge; the centre line runs alongside.
                TIMELINE_COMPARE_NEAR_TOL(rdist, path.edgeEnd.at(outPass - 1), 0.5);
                TIMELINE_COMPARE_NEAR_TOL(dist, path.edgeEnd.at(outPass - 1), 3.0);
            } else {
                // On the way back the stop line faces the outward exit of the junction.
                TIMELINE_COMPARE_NEAR_TOL(rdist, path.edgeEnd.at(backPass - 1), 0.5);
                TIMELINE_COMPARE_NEAR_TOL(dist, path.edgeStart.at(outPass), 3.0);
            }
        }
        QCOMPARE(forward, 1);
    }
}

// Every route: every signalised junction it passes is listed, every group sits at the end
// of an edge that enters its junction, and along an open route the positions grow.
void TestRouteTimeline::sampleEveryRoute()
{
    Ostrika::Network net;
    if (!loadSample(&net))
        QSKIP("samples/town.ostka is not there yet (make target \"sample\")");
    const QList<Ostrika::Route *> routes = net.findChildren<Ostrika::Route *>();
    QVERIFY(routes.size() >= 4);
    int groupsSeen = 0;
    for (Ostrika::Route *route : routes) {
        const QString name = route->objectName();
        const SampleRoute path(route);
        QVERIFY2(path.ok, qPrintable(name));
        const QVariantMap r = RouteTimeline::routeTimelineData(route);

        QStringList expectedKeys;
        QMultiMap<QString, int> passes;   // controller -> junction pass index
        const QList<Ostrika::Edge *> edges = route->routeEdges();
        for (int i = 1; i < edges.size(); ++i) {
            const Ostrika::Granule *g = edges.at(i - 1)->end()->granule();
            if (!g || g->tlId() <= 0)
                continue;
            const QString key = QString::number(g->tlId());
            if (!expectedKeys.contains(key))
                expectedKeys << key;
            passes.insert(key, i);
        }
        std::sort(expectedKeys.begin(), expectedKeys.end());
        const QVariantMap sg = r.value("sg_data").toMap();
        QVERIFY2(sg.keys() == expectedKeys, qPrintable(name + ": " + sg.keys().join(',')));

        const bool open = QLineF(route->polyline().constFirst(), route->polyline().constLast()).length() >= 50;
        const double med = r.value("med").toDouble();
        QList<QPair<int, double>> byPass;
        for (auto c = sg.cbegin(); c != sg.cend(); ++c) {
            const QVariantMap groups = c.value().toMap();
            for (auto g = groups.cbegin(); g != groups.cend(); ++g) {
                ++groupsSeen;
                const QVariantMap e = g.value().toMap();
                const double rdist = e.value("rdist").toDouble();
                int pass = 0;
                // The stop line crosses the incoming edge's end; a lane left of the centre
                // line projects onto the cut across the junction, within half a carriageway.
                for (int i : passes.values(c.key())) {
                    const double end = path.edgeEnd.at(i - 1);
                    if (rdist > end - 0.5 && rdist < end + 6.0)
                        pass = i;
                }
                QVERIFY2(pass > 0, qPrintable(QStringLiteral("%1: %2/%3 at %4 is at no junction")
                                                   .arg(name, c.key(), g.key()).arg(rdist)));
                QCOMPARE(e.value("fwd").toBool(), !(r.contains("med") && rdist > med));
                byPass.append({pass, e.value("dist").toDouble()});
            }
        }
        // Along an open route the skeleton is the route: later junctions lie further on.
        if (open) {
            std::sort(byPass.begin(), byPass.end());
            for (int i = 1; i < byPass.size(); ++i) {
                if (byPass.at(i).first != byPass.at(i - 1).first)
                    QVERIFY2(byPass.at(i).second > byPass.at(i - 1).second, qPrintable(name));
            }
        }
    }
    QVERIFY(groupsSeen > 10);
}

QTEST_GUILESS_MAIN(TestRouteTimeline)
#include "tst_routetimeline.moc"
