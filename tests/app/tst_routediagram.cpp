// Tests of the route diagrams a user gets from the demo host with the real plugin: small
// hand-made routes (one-way, out-and-back, loop), their directions, places and bands.
#include "testnetwork.h"
#include "session.h"
#include "timelinewidget.h"

#include <QtTest>

#include <cmath>

namespace {

// A network of hand-made routes written to a file with its plans, opened like a user would.
struct Scenario
{
    TestNetwork b{QPointF(0.0, 0.0)}; // on the equator a planar unit is a metre
    QTemporaryDir dir;
    DemoSession session;

    bool open(const QByteArray &plans, QString *error)
    {
        const QString net = dir.filePath(QStringLiteral("hand.ostka"));
        if (!b.save(net)) {
            *error = b.error;
            return false;
        }
        QFile f(dir.filePath(QStringLiteral("hand.plans.json")));
        if (!plans.isEmpty() && (!f.open(QIODevice::WriteOnly) || f.write(plans) != plans.size())) {
            *error = f.errorString();
            return false;
        }
        f.close();
        return session.init(QString(), error) && session.openNetwork(net, error);
    }
};

// Plans of cycle 60 s where controller n's group g is green from start to start + length.
QByteArray plansJson(const QList<std::tuple<int, int, int, int>> &greens)
{
    QJsonObject controllers;
    for (const auto &[ctrl, group, start, length] : greens) {
        QJsonObject c = controllers.value(QString::number(ctrl)).toObject();
        c.insert(QStringLiteral("cycle"), 60);
        QJsonObject groups = c.value(QStringLiteral("groups")).toObject();
        QJsonArray phases;
        if (start > 0)
            phases.append(QJsonArray{4, start});
        phases.append(QJsonArray{1, length});
        if (start + length < 60)
            phases.append(QJsonArray{4, 60 - start - length});
        groups.insert(QString::number(group), phases);
        c.insert(QStringLiteral("groups"), groups);
        controllers.insert(QString::number(ctrl), c);
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("format"), QStringLiteral("ostrik-signal-plans")},
                                     {QStringLiteral("version"), 1},
                                     {QStringLiteral("controllers"), controllers}}).toJson();
}

// One-way street along y = 0 from x = 0 to 400, junctions "Alpha", "Beta", "Gamma" at
// x = 100, 200, 300 (controllers 1 to 3, group 1 each, stop lines 5 m before).
Ostrika::Route *oneWay(TestNetwork &b)
{
    QList<Ostrika::Node *> n;
    for (double x : {0.0, 100.0, 200.0, 300.0, 400.0})
        n << b.node({x, 0});
    QList<Ostrika::Edge *> e;
    for (int i = 1; i < n.size(); ++i)
        e << b.straight(n.at(i - 1), n.at(i));
    const char *names[] = {"Alpha", "Beta", "Gamma"};
    for (int j = 1; j <= 3; ++j) {
        Ostrika::Granule *g = b.granule(n.at(j), j);
        if (g)
            g->setObjectName(QLatin1String(names[j - 1]));
        b.connect(b.group(g, 1), e.at(j - 1), e.at(j), {100.0 * j - 5, 0});
    }
    Ostrika::Route *r = b.route(e, {{0, 0}, {400, 0}});
    if (r)
        r->setObjectName(QStringLiteral("One way"));
    return r;
}

// A block of 200 m driven anticlockwise from its south-west corner back to it; junctions
// with controllers 1 to 3 at the other three corners, stop lines 5 m before them.
Ostrika::Route *blockLoop(TestNetwork &b)
{
    const QList<QPointF> corners{{0, 0}, {200, 0}, {200, 200}, {0, 200}};
    QList<Ostrika::Node *> n;
    for (const QPointF &c : corners)
        n << b.node(c);
    QList<Ostrika::Edge *> e;
    for (int i = 0; i < 4; ++i)
        e << b.edge(n.at(i), n.at((i + 1) % 4), {corners.at(i), corners.at((i + 1) % 4)});
    const QList<QPointF> stops{{195, 0}, {200, 195}, {5, 200}};
    for (int j = 1; j <= 3; ++j)
        b.connect(b.group(b.granule(n.at(j), j), 1), e.at(j - 1), e.at(j), stops.at(j - 1));
    Ostrika::Route *r = b.route(e, {{0, 0}, {200, 0}, {200, 200}, {0, 200}, {0, 0}});
    if (r)
        r->setObjectName(QStringLiteral("Block"));
    return r;
}

QString groupsOf(const TimelineDiagram &d, bool forward)
{
    QStringList out;
    for (const auto &bar : d.bars)
        if (bar.forward == forward)
            out << QStringLiteral("%1/%2").arg(bar.controller).arg(bar.group);
    return out.join(QLatin1Char(' '));
}

} // namespace

class TestRouteDiagram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneWayRouteIsAllForward()
    {
        Scenario s;
        QVERIFY(oneWay(s.b));
        QString error;
        QVERIFY2(s.open(plansJson({{1, 1, 0, 30}, {2, 1, 15, 30}, {3, 1, 30, 20}}), &error), qPrintable(error));
        TimelineDiagram d;
        QVERIFY2(s.session.timeline(QStringLiteral("One way"), 0.0, 120.0, &d, &error), qPrintable(error));
        QCOMPARE(d.shape, RouteReading::OneWay);
        QCOMPARE(groupsOf(d, true), QStringLiteral("1/1 2/1 3/1"));
        QCOMPARE(groupsOf(d, false), QString());
        QStringList junctions;
        for (const auto &bar : d.bars) {
            junctions << bar.junction;
            QVERIFY2(std::abs(bar.distance - (100.0 * bar.controller - 5.0)) < 0.5, qPrintable(QString::number(bar.distance)));
        }
        QCOMPARE(junctions, QStringList({QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")}));
        QCOMPARE(d.bands.size(), 1);
    }

    // Stops 100 m apart driven at 10 m/s: 10 s between them. Departures that meet the
    // greens: [0, 30) at the first, [15, 45) - 10 s at the second, [30, 50) - 20 s at the
    // third; together [10, 30): a 20 s band in every 60 s cycle.
    void bandWidthByHand()
    {
        Scenario s;
        QVERIFY(oneWay(s.b));
        QString error;
        QVERIFY2(s.open(plansJson({{1, 1, 0, 30}, {2, 1, 15, 30}, {3, 1, 30, 20}}), &error), qPrintable(error));
        TimelineDiagram d;
        QVERIFY(s.session.timeline(QStringLiteral("One way"), 0.0, 120.0, &d, &error));
        d.setProgressionSpeed(10.0);
        const TimelineDiagram::Band *band = d.band(true);
        QVERIFY(band);
        QCOMPARE(band->band.cycle, 60.0);
        QCOMPARE(band->band.stops, 3);
        QVERIFY2(std::abs(band->band.width - 20.0) < 1e-6, qPrintable(QString::number(band->band.width)));
        QVERIFY(std::any_of(band->band.bands.cbegin(), band->band.bands.cend(), [](const GreenBand::Departures &b) {
            return std::abs(b.start - 10.0) < 1e-6 && std::abs(b.end - 30.0) < 1e-6;
        }));
        QCOMPARE(band->startDistance, d.bars.constFirst().distance);
        // At 20 m/s: [0, 30), [15, 45) - 5 s and [30, 50) - 10 s meet in [20, 30): 10 s.
        d.setProgressionSpeed(20.0);
        QVERIFY2(std::abs(d.band(true)->band.width - 10.0) < 1e-6, qPrintable(QString::number(d.band(true)->band.width)));
    }

    void outAndBackRouteHasBothDirections()
    {
        Scenario s;
        Ostrika::Route *r = s.b.addOutAndBack();
        QVERIFY(r);
        r->setObjectName(QStringLiteral("There and back"));
        QString error;
        QVERIFY2(s.open(QByteArray(), &error), qPrintable(error));
        TimelineDiagram d;
        QVERIFY2(s.session.timeline(QStringLiteral("There and back"), 0.0, 0.0, &d, &error), qPrintable(error));
        QCOMPARE(d.shape, RouteReading::OutAndBack);
        QCOMPARE(groupsOf(d, true), QStringLiteral("21/1 22/3"));
        // Group 5 carries both passes; the plugin keeps the later one.
        QCOMPARE(groupsOf(d, false), QStringLiteral("21/2 22/4 22/5"));
        for (const auto &bar : d.bars) {
            const double junction = bar.controller == 21 ? 100.0 : 200.0;
            QVERIFY2(std::abs(bar.distance - junction) < 7.0, qPrintable(QString::number(bar.distance)));
        }
        QVERIFY(d.length < 320.0); // one axis for both ways, not the 600 m driven
        QCOMPARE(d.bands.size(), 2);
    }

    void loopShowsItsGroupsAlongItsLength()
    {
        Scenario s;
        QVERIFY(blockLoop(s.b));
        QString error;
        QVERIFY2(s.open(QByteArray(), &error), qPrintable(error));
        const QVariantMap data = s.session.plugin().getTimelineData(s.session.plugin().findObjectByName(QStringLiteral("Block")));
        QCOMPARE(data.value(QStringLiteral("route_skel")).toList().size(), 1); // what makes loops hard
        TimelineDiagram d;
        QVERIFY2(s.session.timeline(QStringLiteral("Block"), 0.0, 0.0, &d, &error), qPrintable(error));
        QCOMPARE(d.shape, RouteReading::Loop);
        QVERIFY(d.placedByHost);
        QCOMPARE(groupsOf(d, true), QStringLiteral("1/1 2/1 3/1"));
        const double expected[] = {195.0, 395.0, 595.0};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(std::abs(d.bars.at(i).distance - expected[i]) < 0.5, qPrintable(QString::number(d.bars.at(i).distance)));
        QCOMPARE(d.length, 800.0);
        QCOMPARE(d.signalisedJunctions, 3);
    }
};

QTEST_MAIN(TestRouteDiagram)
#include "tst_routediagram.moc"
