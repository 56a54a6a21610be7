// Tests of the demo's signal plans: evaluation over time and the plan file.
#include "hostilefiles.h"
#include "signalplan.h"

#include <QTemporaryDir>
#include <QtTest>

class TestSignalPlan : public QObject
{
    Q_OBJECT

private:
    static ControllerPlan simple()
    {
        ControllerPlan p;
        p.controllerId = 7;
        p.cycle = 60.0;
        p.offset = 10.0;
        p.groups.insert(1, {{SignalState::Green, 20}, {SignalState::Yellow, 3}, {SignalState::Red, 36},
                            {SignalState::RedYellow, 1}});
        return p;
    }

private Q_SLOTS:
    void stateAt_data()
    {
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("state");
        QTest::newRow("before offset wraps to the cycle end") << 9.5 << int(SignalState::RedYellow);
        QTest::newRow("green starts at the offset") << 10.0 << int(SignalState::Green);
        QTest::newRow("last green instant") << 29.99 << int(SignalState::Green);
        QTest::newRow("yellow") << 31.0 << int(SignalState::Yellow);
        QTest::newRow("red") << 40.0 << int(SignalState::Red);
        QTest::newRow("next cycle green") << 75.0 << int(SignalState::Green);
        QTest::newRow("negative time") << -45.0 << int(SignalState::Green);
    }
    void stateAt()
    {
        QFETCH(double, t);
        QFETCH(int, state);
        QCOMPARE(simple().stateAt(1, t), state);
    }

    void unknownGroupIsOff()
    {
        QCOMPARE(simple().stateAt(99, 12.0), int(SignalState::Off));
    }

    void intervalsClipAndMerge()
    {
        const ControllerPlan p = simple();
        const auto iv = p.intervals(1, 0.0, 70.0);
        // 0..9 red (tail of the previous cycle), 9..10 red-yellow, 10..30 green, 30..33 yellow,
        // 33..69 red, 69..70 red-yellow.
        QCOMPARE(iv.size(), 6);
        QCOMPARE(iv.at(0).state, int(SignalState::Red));
        QCOMPARE(iv.at(0).start, 0.0);
        QVERIFY(qAbs(iv.at(0).end - 9.0) < 1e-9);
        QCOMPARE(iv.at(2).state, int(SignalState::Green));
        QVERIFY(qAbs(iv.at(2).start - 10.0) < 1e-9);
        QVERIFY(qAbs(iv.at(2).end - 30.0) < 1e-9);
        QCOMPARE(iv.last().end, 70.0);
        for (int i = 1; i < iv.size(); ++i) {
            QVERIFY2(qAbs(iv.at(i).start - iv.at(i - 1).end) < 1e-9, "intervals must be contiguous");
            QVERIFY2(iv.at(i).state != iv.at(i - 1).state, "equal neighbours must be merged");
        }
    }

    void parseErrors_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("expected");
        const QByteArray head = R"({"format":"ostrik-signal-plans","version":1,"controllers":)";
        QTest::newRow("not json") << QByteArray("{oops") << "not valid JSON";
        QTest::newRow("wrong format") << QByteArray(R"({"format":"x","version":1,"controllers":{}})") << "not a signal plan file";
        QTest::newRow("wrong version") << QByteArray(R"({"format":"ostrik-signal-plans","version":2,"controllers":{}})") << "unsupported version";
        QTest::newRow("controller key") << head + R"({"abc":{"cycle":10,"groups":{}}}})" << "controller key \"abc\"";
        QTest::newRow("missing cycle") << head + R"({"3":{"groups":{}}}})" << "controller 3: \"cycle\"";
        QTest::newRow("sum differs") << head + R"({"3":{"cycle":10,"groups":{"1":[[1,4],[4,5]]}}}})"
                                     << "controller 3, group 1: phases add up to 9";
        QTest::newRow("unknown code") << head + R"({"3":{"cycle":10,"groups":{"1":[[7,10]]}}}})"
                                      << "unknown state code 7";
        QTest::newRow("bad phase") << head + R"({"3":{"cycle":10,"groups":{"1":[[1]]}}}})" << "[state code, seconds]";
        QTest::newRow("zero duration") << head + R"({"3":{"cycle":10,"groups":{"1":[[1,10],[4,0]]}}}})"
                                       << "durations must be positive";
        QTest::newRow("negative cycle") << head + R"({"3":{"cycle":-5,"groups":{}}}})" << "positive number";
    }
    void parseErrors()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, expected);
        SignalPlanSet set;
        set.plans.insert(1, simple());
        QString error;
        QVERIFY(!set.fromJson(json, &error));
        QVERIFY2(error.contains(expected), qPrintable(error));
        QCOMPARE(set.plans.size(), 1); // untouched on failure
    }

    void roundTrip()
    {
        SignalPlanSet set;
        ControllerPlan a = simple();
        ControllerPlan b = simple();
        b.controllerId = 12;
        b.offset = 2.5;
        b.groups.insert(10, {{SignalState::Red, 30.25}, {SignalState::Green, 29.75}});
        b.notes.insert(QStringLiteral("sumoId"), QStringLiteral("cluster_1_2"));
        set.plans.insert(a.controllerId, a);
        set.plans.insert(b.controllerId, b);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("x.plans.json"));
        QString error;
        QVERIFY2(set.save(file, &error), qPrintable(error));
        SignalPlanSet back;
        QVERIFY2(back.load(file, &error), qPrintable(error));
        QCOMPARE(back.plans.keys(), QList<int>({7, 12}));
        QCOMPARE(back.plans.value(12).offset, 2.5);
        QCOMPARE(back.plans.value(12).groups.value(10).size(), 2);
        QCOMPARE(back.plans.value(12).groups.value(10).at(0).duration, 30.25);
        // Where a plan came from survives reading and writing (the SUMO id maps SUMO's lights).
        QCOMPARE(back.plans.value(12).notes, b.notes);
        QVERIFY(back.plans.value(7).notes.isEmpty());
        for (double t = 0; t < 130; t += 0.7)
            QCOMPARE(back.plans.value(7).stateAt(1, t), a.stateAt(1, t));
    }

    void missingFileNamesIt()
    {
        SignalPlanSet set;
        QString error;
        QVERIFY(!set.load(QStringLiteral("/nonexistent/x.plans.json"), &error));
        QVERIFY2(error.contains(QLatin1String("/nonexistent/x.plans.json")), qPrintable(error));
    }

    void hostileFiles_data()
    {
        HostileFiles::refusalRows(41943040, QStringLiteral("32 MiB a signal-plan file"));
    }

    void hostileFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.plans.json"));
        QVERIFY(HostileFiles::make(path, file));
        HostileFiles::FifoRelease release(path);
        SignalPlanSet set;
        set.plans.insert(7, simple());
        QString error;
        QVERIFY(!set.load(path, &error));
        QCOMPARE(error, QStringLiteral("Cannot open \"%1\": %2").arg(path, reason));
        QCOMPARE(set.plans.keys(), QList<int>{7});
        QVERIFY(!release.released());
    }

    void planFileBesideNetwork()
    {
        QCOMPARE(SignalPlanSet::planFileFor(QStringLiteral("/data/town.ostka")), QStringLiteral("/data/town.plans.json"));
    }
};

QTEST_GUILESS_MAIN(TestSignalPlan)
#include "tst_signalplan.moc"
