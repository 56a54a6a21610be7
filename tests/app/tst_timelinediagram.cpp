// Tests of the time-distance diagram: bars from timeline data and what the picture shows.
#include "timelinediagram.h"
#include "timelinewidget.h"

#include <QtTest>

#include <cmath>

namespace {

QVariantMap group(double dist, double rdist, bool fwd)
{
    return {{QStringLiteral("dist"), dist}, {QStringLiteral("rdist"), rdist}, {QStringLiteral("fwd"), fwd}};
}

// Route of 400 planar units (straight), controller 5 with a forward group at 100 and a
// return group at 120, controller 9 with a group at 300, and controller 11 without groups.
QVariantMap sample()
{
    QVariantMap sg;
    sg.insert(QStringLiteral("5"), QVariantMap{{QStringLiteral("3"), group(100.0, 100.0, true)},
                                               {QStringLiteral("4"), group(120.0, 700.0, false)}});
    sg.insert(QStringLiteral("9"), QVariantMap{{QStringLiteral("1"), group(300.0, 300.0, true)},
                                               {QStringLiteral("2"), group(qQNaN(), 310.0, true)}});
    sg.insert(QStringLiteral("11"), QVariantMap());
    return {{QStringLiteral("sg_data"), sg},
            {QStringLiteral("med"), 400.0},
            {QStringLiteral("route_skel"), QVariantList{QPointF(0, 0), QPointF(400, 0)}}};
}

QMap<int, ControllerPlan> plans()
{
    ControllerPlan p;
    p.controllerId = 5;
    p.cycle = 60.0;
    p.groups.insert(3, {{SignalState::Green, 30}, {SignalState::Yellow, 3}, {SignalState::Red, 27}});
    p.groups.insert(4, {{SignalState::Red, 30}, {SignalState::RedYellow, 1}, {SignalState::Green, 29}});
    return {{5, p}};
}

} // namespace

class TestTimelineDiagram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void barsFromData()
    {
        const TimelineDiagram d = TimelineDiagram::build(sample(), plans(), 2.0, 0.0, 120.0, QStringLiteral("R"));
        QCOMPARE(d.controllers, 3);
        QCOMPARE(d.bars.size(), 3); // the NaN distance is left out
        QCOMPARE(d.length, 200.0);  // 400 units at 2 units per metre
        QCOMPARE(d.bars.at(0).distance, 50.0);
        QVERIFY(d.bars.at(0).forward);
        QCOMPARE(d.bars.at(1).group, 4);
        QVERIFY(!d.bars.at(1).forward);
        QCOMPARE(d.bars.at(2).controller, 9);
        QVERIFY(!d.bars.at(2).hasPlan);
        QVERIFY(d.bars.at(2).intervals.isEmpty());
        QVERIFY(d.bars.at(0).hasPlan);
        QCOMPARE(d.bars.at(0).intervals.size(), 6); // two cycles of green, yellow, red
    }

    void emptyForNonRoute()
    {
        const TimelineDiagram d = TimelineDiagram::build(QVariantMap(), plans(), 1.0, 0.0, 60.0, QStringLiteral("x"));
        QVERIFY(d.bars.isEmpty());
        QCOMPARE(d.controllers, 0);
        // Rendering an empty diagram must still work and say so.
        const QImage img = TimelineWidget::render(d, QSize(600, 400));
        QCOMPARE(img.size(), QSize(600, 400));
    }

    void defaultSpanIsTwoCycles()
    {
        QCOMPARE(TimelineDiagram::defaultSpan(sample(), plans()), 120.0);
        QCOMPARE(TimelineDiagram::defaultSpan(QVariantMap(), plans()), 60.0);
    }

    void pictureShowsStatesAtTheirTimes()
    {
        const TimelineDiagram d = TimelineDiagram::build(sample(), plans(), 1.0, 0.0, 60.0, QStringLiteral("R"));
        const QImage img = TimelineWidget::render(d, QSize(1400, 900));
        // Scan the row through the middle of the first bar (forward, controller 5 group 3)
        // and collect the colours met from left to right.
        int greenX = -1, redX = -1, yellowX = -1;
        // Below the title and the legend row (which shows the same colours).
        for (int y = 100; y < img.height() && greenX < 0; ++y) {
            greenX = redX = yellowX = -1;
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c == TimelineWidget::stateColor(SignalState::Green) && greenX < 0)
                    greenX = x;
                if (c == TimelineWidget::stateColor(SignalState::Yellow) && yellowX < 0 && greenX >= 0)
                    yellowX = x;
                if (c == TimelineWidget::stateColor(SignalState::Red) && redX < 0 && yellowX >= 0)
                    redX = x;
            }
            if (redX < 0)
                greenX = -1;
        }
        QVERIFY2(greenX >= 0 && yellowX > greenX && redX > yellowX, "green, yellow, red in time order");
        // Green lasts 30 s of 60: it ends near the middle of the plot.
        const double greenFraction = double(yellowX - greenX) / double(redX - greenX);
        QVERIFY2(std::abs(greenFraction - 30.0 / 33.0) < 0.05, qPrintable(QString::number(greenFraction)));
    }

    void colourPerState()
    {
        QCOMPARE(TimelineWidget::stateColor(SignalState::Green), TimelineWidget::stateColor(SignalState::GreenFlashing));
        QVERIFY(TimelineWidget::stateColor(SignalState::Red) != TimelineWidget::stateColor(SignalState::Yellow));
        QCOMPARE(TimelineWidget::stateColor(SignalState::Off), TimelineWidget::stateColor(17));
    }
};

QTEST_MAIN(TestTimelineDiagram)
#include "tst_timelinediagram.moc"
