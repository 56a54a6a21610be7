// What the demo host keeps of a live source for its diagram: signal states and vehicle tracks.
#include "signalhistory.h"
#include "vehicletracks.h"

#include <QtTest>

namespace {

using Intervals = QVector<ControllerPlan::Interval>;

QString text(const Intervals &in)
{
    QStringList out;
    for (const auto &i : in)
        out << QStringLiteral("%1-%2:%3").arg(i.start).arg(i.end).arg(i.state);
    return out.join(QLatin1Char(' '));
}

// A straight route 400 m due east from 16.60 E, 49.20 N, and a way to walk along it.
struct Corridor
{
    Ostrika::GeoUtil geo{QPointF(16.60, 49.20)};
    double perMetre = Ostrika::GeoUtil::unitsPerMetre(49.20);
    RouteProjector projector{Ostrika::GeoPolyline{QPointF(0, 0), QPointF(400 * perMetre, 0)}, geo, perMetre};

    // The point \a along metres east and \a aside metres north of the route's start.
    QPointF at(double along, double aside) const { return geo.xyToGeo(QPointF(along, aside) * perMetre); }
};

} // namespace

class TestLiveTracks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void historyIntervals_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<QString>("expected");
        // Red from 10, green from 20, red from 50; known until 60; offline from 40 to 45 in the second row set.
        QTest::newRow("whole, up to what is known") << 0.0 << 100.0 << QStringLiteral("10-20:4 20-50:1 50-60:4");
        QTest::newRow("clipped to the window") << 15.0 << 55.0 << QStringLiteral("15-20:4 20-50:1 50-55:4");
        QTest::newRow("a change at the window's end is outside") << 0.0 << 20.0 << QStringLiteral("10-20:4");
    }
    void historyIntervals()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(QString, expected);
        SignalHistory h;
        h.record(3, 2, 10.0, SignalState::Red);
        h.record(3, 2, 15.0, SignalState::Red); // unchanged: nothing new
        h.record(3, 2, 20.0, SignalState::Green);
        h.record(3, 2, 18.0, SignalState::Yellow); // before the last change: ignored
        h.record(3, 2, 50.0, SignalState::Red);
        h.setKnownUntil(60.0);
        QCOMPARE(text(h.intervals(3, 2, from, to)), expected);
        QVERIFY(h.intervals(3, 1, from, to).isEmpty());
        QVERIFY(h.intervals(4, 2, from, to).isEmpty());
    }

    void historyGapWhileOffline()
    {
        SignalHistory h;
        h.record(1, 1, 0.0, SignalState::Green);
        h.setKnownUntil(30.0);
        h.interrupt(30.0);
        h.record(1, 1, 45.0, SignalState::Red);
        h.setKnownUntil(50.0);
        QCOMPARE(text(h.intervals(1, 1, 0.0, 100.0)), QStringLiteral("0-30:1 45-50:4"));
    }

    void historyKeepsTheRecentPast()
    {
        SignalHistory h(100.0);
        for (int t = 0; t < 2000; ++t) {
            h.record(1, 1, t, t % 2 ? SignalState::Green : SignalState::Red);
            h.setKnownUntil(t + 1.0);
        }
        QCOMPARE(h.intervals(1, 1, 1900.0, 2000.0).size(), 100);
        QVERIFY(h.intervals(1, 1, 0.0, 1500.0).isEmpty());
    }

    void vehiclesAlongTheRoute_data()
    {
        QTest::addColumn<QVector<QPointF>>("path"); // (along, aside) metres, one per second from t = 100
        QTest::addColumn<int>("trajectories");
        QVector<QPointF> forward, back, crossing, parallel, creeping, queued, shuffling;
        for (int s = 0; s <= 30; ++s) {
            forward << QPointF(10.0 * s, 1.5);
            back << QPointF(380.0 - 10.0 * s, -4.0);
            crossing << QPointF(200.0, -150.0 + 10.0 * s);
            parallel << QPointF(10.0 * s, 60.0);
            creeping << QPointF(5.0 + 1.5 * s, 3.0);
            shuffling << QPointF(150.0 + 0.6 * s, 1.5);
        }
        // Arrives at 150 m before the window (which starts at 100 s), then moves up 18 m in it.
        for (int s = 0; s < 15; ++s)
            queued << QPointF(10.0 * s, 1.5);
        queued << shuffling;
        QTest::newRow("drives along it") << forward << 1;
        QTest::newRow("the other way, other carriageway") << back << 0;
        QTest::newRow("crosses it at a junction") << crossing << 0;
        QTest::newRow("a parallel street 60 m away") << parallel << 0;
        QTest::newRow("creeps 45 m along it") << creeping << 1;
        QTest::newRow("only ever moves 18 m along it") << shuffling << 0;
        QTest::newRow("queued through the window, came along it before") << queued << 1;
    }
    void vehiclesAlongTheRoute()
    {
        QFETCH(QVector<QPointF>, path);
        QFETCH(int, trajectories);
        const Corridor c;
        VehicleTracks tracks;
        const int start = 100 + 31 - path.size(); // the last point is at 130 s
        for (int s = 0; s < path.size(); ++s) {
            SumoVehicle v;
            v.key = 7;
            v.geo = c.at(path[s].x(), path[s].y());
            tracks.add(start + s, {v});
        }
        const QVector<Trajectory> found = tracks.along(c.projector, 100.0, 200.0, QStringLiteral("SUMO"), Qt::blue);
        QCOMPARE(found.size(), trajectories);
        for (const Trajectory &t : found) {
            QCOMPARE(t.label, QStringLiteral("SUMO"));
            // The window's part only, at the vehicle's distance along the route.
            QCOMPARE(t.points.constFirst().x(), 100.0);
            QVERIFY(std::abs(t.points.constFirst().y() - path.at(100 - start).x()) < 0.5);
        }
    }

    void tracksKeepTheRecentPast()
    {
        const Corridor c;
        VehicleTracks tracks(60.0);
        SumoVehicle early, late;
        early.key = 1;
        late.key = 2;
        for (int s = 0; s < 100; ++s) {
            early.geo = c.at(s, 0.0);
            late.geo = c.at(s, 0.0);
            tracks.add(s, s < 20 ? QVector<SumoVehicle>{early, late} : QVector<SumoVehicle>{late});
        }
        // The vehicle gone for over a minute is forgotten; the other one stays.
        QCOMPARE(tracks.vehicleCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLiveTracks)
#include "tst_livetracks.moc"
