// Tests of the drive behind the generated GPX track.
#include "drive.h"

#include <QtTest>

class TestDrive : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsStillEndsAtTheEnd()
    {
        const auto d = simulateDrive(500.0, {});
        QVERIFY(d.size() > 10);
        QCOMPARE(d.first().t, 0.0);
        QCOMPARE(d.first().s, 0.0);
        QCOMPARE(d.last().s, 500.0);
        for (int i = 1; i < d.size(); ++i) {
            QVERIFY(d.at(i).t > d.at(i - 1).t);
            QVERIFY(d.at(i).s >= d.at(i - 1).s);
            // Never faster than the cruise speed between two samples.
            const double v = (d.at(i).s - d.at(i - 1).s) / (d.at(i).t - d.at(i - 1).t);
            QVERIFY2(v <= DriveProfile().cruise + 1e-6, qPrintable(QString::number(v)));
        }
    }

    void waitsAtARed()
    {
        const auto free = simulateDrive(600.0, {{300.0, 0.0}});
        const auto stop = simulateDrive(600.0, {{300.0, 20.0}});
        // Waiting 20 s and braking costs more than 20 s.
        QVERIFY2(stop.last().t - free.last().t > 20.0,
                 qPrintable(QStringLiteral("%1 vs %2").arg(stop.last().t).arg(free.last().t)));
        int still = 0;
        for (int i = 1; i < stop.size(); ++i)
            if (stop.at(i).s == stop.at(i - 1).s && qAbs(stop.at(i).s - 300.0) < 0.5)
                ++still;
        QVERIFY2(still >= 19, qPrintable(QString::number(still)));
    }

    void nothingForNoLength()
    {
        QVERIFY(simulateDrive(0.0, {}).isEmpty());
        QVERIFY(simulateDrive(-3.0, {}).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDrive)
#include "tst_drive.moc"
