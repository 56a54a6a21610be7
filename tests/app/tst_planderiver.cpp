// Tests of the plans the demo derives from junction geometry.
#include "planderiver.h"

#include <ostrika/ostrika.h>

#include <QtTest>

namespace {

// A four-arm junction at the origin: West-East is the busier road.
struct Junction
{
    Ostrika::Network net;
    Ostrika::Granule *granule = nullptr;
    int nextId = 1;

    Ostrika::Lane *approach(Ostrika::Node *from, Ostrika::Node *centre)
    {
        Ostrika::Edge *e = net.addEdge(nextId++, QString(), from, centre, {from->position(), centre->position()});
        return net.addLane(nextId++, QString(), e, 3.5, Ostrika::Lane::Passenger, {from->position(), centre->position()});
    }
    Ostrika::Lane *exit(Ostrika::Node *centre, Ostrika::Node *to)
    {
        Ostrika::Edge *e = net.addEdge(nextId++, QString(), centre, to, {centre->position(), to->position()});
        return net.addLane(nextId++, QString(), e, 3.5, Ostrika::Lane::Passenger, {centre->position(), to->position()});
    }
    void connect(Ostrika::SignalGroup *sg, Ostrika::Lane *in, Ostrika::Lane *out, double angle)
    {
        auto *c = net.addConnection(nextId++, QString(), in, out, nullptr,
                                    {in->polyline().constLast(), out->polyline().constFirst()}, granule, angle);
        QVERIFY(c);
        sg->addConnection(c);
    }

    Junction()
    {
        auto *c = net.addNode(nextId++, QStringLiteral("C"), QPointF(0, 0));
        auto *w = net.addNode(nextId++, QStringLiteral("W"), QPointF(-100, 0));
        auto *e = net.addNode(nextId++, QStringLiteral("E"), QPointF(100, 0));
        auto *n = net.addNode(nextId++, QStringLiteral("N"), QPointF(0, 100));
        auto *s = net.addNode(nextId++, QStringLiteral("S"), QPointF(0, -100));
        granule = net.addGranule(nextId++, QStringLiteral("J"), 42, QPointF(qQNaN(), qQNaN()));
        granule->addNode(c);
        auto *fromW = approach(w, c), *fromE = approach(e, c), *fromN = approach(n, c), *fromS = approach(s, c);
        auto *toW = exit(c, w), *toE = exit(c, e), *toN = exit(c, n), *toS = exit(c, s);
        auto *g1 = net.addSignalGroup(nextId++, QStringLiteral("WE straight"), granule, 1);
        connect(g1, fromW, toE, 0.0);
        connect(g1, fromE, toW, 0.0);
        connect(g1, fromW, toS, 90.0);
        auto *g2 = net.addSignalGroup(nextId++, QStringLiteral("WE left"), granule, 2);
        connect(g2, fromW, toN, 270.0);
        connect(g2, fromE, toS, 270.0);
        auto *g3 = net.addSignalGroup(nextId++, QStringLiteral("NS all"), granule, 3);
        connect(g3, fromN, toS, 0.0);
        connect(g3, fromS, toN, 0.0);
        // Pedestrians crossing the north arm walk east-west, parallel to group 1.
        QVERIFY(net.addCrossWalk(nextId++, QStringLiteral("north crossing"), granule, 21,
                                 {QPointF(-8, 12), QPointF(8, 12)}, 3.0));
        // And across the west arm, parallel to group 3.
        QVERIFY(net.addCrossWalk(nextId++, QStringLiteral("west crossing"), granule, 22,
                                 {QPointF(-12, -8), QPointF(-12, 8)}, 3.0));
    }
};

bool isGreen(int s)
{
    return s == SignalState::Green || s == SignalState::GreenFlashing || s == SignalState::GreenFlashingAlt;
}

} // namespace

class TestPlanDeriver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stagesFollowTheJunction()
    {
        Junction j;
        const auto stages = PlanDeriver::stages(*j.granule);
        QCOMPARE(stages.size(), 3);
        QCOMPARE(stages.at(0).vehicleGroups, QVector<int>({1}));
        QCOMPARE(stages.at(0).pedestrianGroups, QVector<int>({21}));
        QVERIFY(!stages.at(0).leftTurns);
        QCOMPARE(stages.at(1).vehicleGroups, QVector<int>({2}));
        QVERIFY(stages.at(1).leftTurns);
        QCOMPARE(stages.at(2).vehicleGroups, QVector<int>({3}));
        QCOMPARE(stages.at(2).pedestrianGroups, QVector<int>({22}));
    }

    void planIsConsistentAndConflictFree()
    {
        Junction j;
        const SignalPlanSet set = PlanDeriver::derive(j.net);
        QCOMPARE(set.plans.keys(), QList<int>({42}));
        const ControllerPlan p = set.plans.value(42);
        QCOMPARE(p.validate(), QString());
        QCOMPARE(p.cycle, PlanDeriver::Cycle);
        QCOMPARE(p.groups.keys(), QList<int>({1, 2, 3, 21, 22}));
        // Conflicting groups are never green together.
        const QList<QPair<int, int>> conflicts = {{1, 2}, {1, 3}, {2, 3}, {21, 3}, {22, 1}, {22, 2}, {21, 2}};
        for (double t = 0.0; t < p.cycle; t += 0.25) {
            for (const auto &c : conflicts) {
                const bool both = isGreen(p.stateAt(c.first, t)) && isGreen(p.stateAt(c.second, t));
                QVERIFY2(!both, qPrintable(QStringLiteral("groups %1 and %2 green at %3 s").arg(c.first).arg(c.second).arg(t)));
            }
            // Pedestrians walk only while their parallel traffic has green.
            if (isGreen(p.stateAt(21, t)))
                QCOMPARE(p.stateAt(1, t), int(SignalState::Green));
        }
    }

    void vehicleSequenceIsRedYellowGreenYellowRed()
    {
        Junction j;
        const ControllerPlan p = PlanDeriver::derive(j.net).plans.value(42);
        for (int g : {1, 2, 3}) {
            const auto iv = p.intervals(g, 0.0, 2 * p.cycle);
            for (int i = 1; i + 1 < iv.size(); ++i) {
                if (iv.at(i).state != SignalState::Green)
                    continue;
                QCOMPARE(iv.at(i - 1).state, int(SignalState::RedYellow));
                QCOMPARE(iv.at(i + 1).state, int(SignalState::Yellow));
                QVERIFY(qAbs(iv.at(i + 1).end - iv.at(i + 1).start - PlanDeriver::Yellow) < 1e-6);
            }
        }
        // Pedestrian greens end with a flashing clearance, never with yellow.
        const auto ped = p.intervals(21, 0.0, 2 * p.cycle);
        for (int i = 0; i + 1 < ped.size(); ++i) {
            QVERIFY(ped.at(i).state != SignalState::Yellow);
            if (ped.at(i).state == SignalState::Green)
                QCOMPARE(ped.at(i + 1).state, int(SignalState::GreenFlashing));
        }
    }

    void offsetPutsMainStageStartAtArrival()
    {
        Junction j;
        const auto stages = PlanDeriver::stages(*j.granule);
        const ControllerPlan p = PlanDeriver::plan(42, stages, 33.0, 2);
        const double start = PlanDeriver::stageStarts(stages).at(2);
        QVERIFY(qAbs(p.cycleTime(33.0) - start) < 1e-9);
        QCOMPARE(p.stateAt(3, 33.0 + 0.5), int(SignalState::Green));
        QCOMPARE(p.stateAt(3, 33.0 - 0.5), int(SignalState::RedYellow));
    }

    void granuleWithoutControllerIsSkipped()
    {
        Ostrika::Network net;
        auto *g = net.addGranule(1, QStringLiteral("plain"), 0, QPointF(0, 0));
        QVERIFY(g);
        QVERIFY(PlanDeriver::derive(net).plans.isEmpty());
        QVERIFY(PlanDeriver::stages(*g).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlanDeriver)
#include "tst_planderiver.moc"
