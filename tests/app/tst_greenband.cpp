// Tests of the through-band: widths known by hand for shared and differing cycles.
#include "greenband.h"

#include <QtTest>

namespace {

// A plan of one group: green from start for length seconds, red otherwise.
ControllerPlan plan(double cycle, double start, double length, double offset = 0.0)
{
    ControllerPlan p;
    p.cycle = cycle;
    p.offset = offset;
    QVector<PlanPhase> phases;
    if (start > 0.0)
        phases.append({SignalState::Red, start});
    if (length > 0.0)
        phases.append({SignalState::Green, length});
    if (start + length < cycle)
        phases.append({SignalState::Red, cycle - start - length});
    p.groups.insert(1, phases);
    return p;
}

struct Case
{
    QVector<ControllerPlan> plans;
    QVector<double> travel;
};

} // namespace

Q_DECLARE_METATYPE(Case)

class TestGreenBand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void width_data()
    {
        QTest::addColumn<Case>("input");
        QTest::addColumn<double>("speed");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("cycle");

        // Departures [0,30) ∩ [15,45)-10 ∩ [30,50)-20 = [10,30).
        QTest::newRow("three stops, shared cycle")
            << Case{{plan(60, 0, 30), plan(60, 15, 30), plan(60, 30, 20)}, {0, 100, 200}} << 10.0 << 20.0 << 60.0;
        // Arrivals cross the cycle start: [50,60) ∩ ([0,25)+60k)-10 = [50,60).
        QTest::newRow("arrivals across the cycle start")
            << Case{{plan(60, 50, 10, 0), plan(60, 0, 25)}, {0, 100}} << 10.0 << 10.0 << 60.0;
        QTest::newRow("offset shifts the green")
            << Case{{plan(60, 0, 30), plan(60, 0, 30, 10.0)}, {0, 100}} << 10.0 << 30.0 << 60.0;
        QTest::newRow("greens never line up")
            << Case{{plan(60, 0, 20), plan(60, 40, 20)}, {0, 100}} << 10.0 << 0.0 << 60.0;
        QTest::newRow("always green") << Case{{plan(60, 0, 60), plan(60, 0, 60)}, {0, 300}} << 10.0 << 60.0 << 60.0;
        QTest::newRow("one stop: its green") << Case{{plan(90, 20, 35)}, {0}} << 10.0 << 35.0 << 90.0;
        // Cycles 60 and 90 over the window [0, 180]: greens [0,30)+60k and [0,45)+90k;
        // departures good at both: [0,30) and [120,135): widest 30.
        QTest::newRow("different cycles, widest in the window")
            << Case{{plan(60, 0, 30), plan(90, 0, 45)}, {0, 0}} << 10.0 << 30.0 << 0.0;
        QTest::newRow("no speed") << Case{{plan(60, 0, 30)}, {0}} << 0.0 << 0.0 << 0.0;
    }

    void width()
    {
        QFETCH(Case, input);
        QFETCH(double, speed);
        QFETCH(double, width);
        QFETCH(double, cycle);
        QVector<GreenBand::Stop> stops;
        for (int i = 0; i < input.plans.size(); ++i)
            stops.append({input.travel.at(i), &input.plans.at(i), 1});
        const GreenBand b = GreenBand::compute(stops, speed, 0.0, 180.0);
        QVERIFY2(std::abs(b.width - width) < 1e-6, qPrintable(QString::number(b.width)));
        if (speed > 0.0)
            QCOMPARE(b.cycle, cycle);
        for (const auto &dep : b.bands)
            QVERIFY(dep.end > dep.start);
    }

    void stopsWithoutPlanAreNotCounted()
    {
        const ControllerPlan p = plan(60, 0, 30);
        const GreenBand b = GreenBand::compute({{0, &p, 1}, {100, nullptr, 1}, {150, &p, 7}}, 10.0, 0.0, 120.0);
        QCOMPARE(b.stops, 1);
        QCOMPARE(b.withoutPlan, 2);
        QCOMPARE(b.width, 30.0);
    }

    void flashingGreenCountsAsGreen()
    {
        ControllerPlan p = plan(60, 0, 20);
        p.groups[1] = {{SignalState::Green, 20}, {SignalState::GreenFlashing, 6}, {SignalState::Red, 34}};
        const GreenBand b = GreenBand::compute({{0, &p, 1}}, 10.0, 0.0, 120.0);
        QCOMPARE(b.width, 26.0);
    }

    // A corridor of 400 stops with greens staggered for 15 m/s: the band stays as wide as
    // the narrowest green, and the computation stays linear.
    void longCorridor()
    {
        QVector<ControllerPlan> plans;
        plans.reserve(400);
        for (int i = 0; i < 400; ++i)
            plans.append(plan(90, 0, 40 + (i % 3) * 5, std::fmod(i * 150.0 / 15.0, 90.0)));
        QVector<GreenBand::Stop> stops;
        for (int i = 0; i < 400; ++i)
            stops.append({i * 150.0, &plans.at(i), 1});
        const GreenBand b = GreenBand::compute(stops, 15.0, 0.0, 180.0);
        QCOMPARE(b.stops, 400);
        QVERIFY2(std::abs(b.width - 40.0) < 1e-6, qPrintable(QString::number(b.width)));
    }
};

QTEST_MAIN(TestGreenBand)
#include "tst_greenband.moc"
