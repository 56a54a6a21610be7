// The network generator: grid sizes, lights, reproducibility, and every lane leads on.
#include "layouts.h"

#include <ostrika/ostrika.h>

#include <QtTest>

class TestGenerator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void gridHasWhatWasAskedFor_data();
    void gridHasWhatWasAskedFor();
    void sameSeedSameNetwork();
    void badRequestsAreRefused_data();
    void badRequestsAreRefused();
    void townMatchesTheBundledSample();
};

void TestGenerator::gridHasWhatWasAskedFor_data()
{
    QTest::addColumn<int>("junctions");
    QTest::addColumn<int>("signalised");
    QTest::newRow("single junction") << 1 << 1;
    QTest::newRow("two in a row") << 2 << 0;
    QTest::newRow("ragged last row with a corner") << 7 << 3;
    QTest::newRow("all lit") << 9 << 9;
    QTest::newRow("fifty") << 50 << 10;
}

void TestGenerator::gridHasWhatWasAskedFor()
{
    QFETCH(int, junctions);
    QFETCH(int, signalised);
    Ostrika::Network built;
    QString error;
    QVERIFY2(buildGrid(built, junctions, signalised, 3, &error), qPrintable(error));
    // What the generator writes must be what the loader accepts.
    Ostrika::Network net;
    QVERIFY2(net.loadFromData(built.toData()), qPrintable(net.errorString()));

    QCOMPARE(net.findChildren<Ostrika::Node *>().size(), junctions);
    const auto granules = net.findChildren<Ostrika::Granule *>();
    QCOMPARE(granules.size(), junctions);
    const int lit = int(std::count_if(granules.begin(), granules.end(),
                                      [](Ostrika::Granule *g) { return g->tlId() > 0; }));
    QCOMPARE(lit, signalised);

    // Every lane that arrives at a junction with another road leads on through a connection.
    QSet<Ostrika::Lane *> served;
    for (Ostrika::Connection *c : net.findChildren<Ostrika::Connection *>())
        served.insert(c->startLane());
    for (Ostrika::Lane *lane : net.findChildren<Ostrika::Lane *>()) {
        const Ostrika::Node *end = lane->endNode();
        const bool lit = end->granule() && end->granule()->tlId() > 0;
        if (end->edges().size() > 2)
            QVERIFY2(served.contains(lane), qPrintable(lane->objectName()));
        QCOMPARE(lane->stopline() != nullptr, lit);
        QVERIFY(lane->width() > 0);
    }
}

void TestGenerator::sameSeedSameNetwork()
{
    Ostrika::Network a, b, c;
    QVERIFY(buildGrid(a, 30, 6, 11, nullptr));
    QVERIFY(buildGrid(b, 30, 6, 11, nullptr));
    QVERIFY(buildGrid(c, 30, 6, 12, nullptr));
    QCOMPARE(a.toData(), b.toData());
    QVERIFY(a.toData() != c.toData());
}

void TestGenerator::badRequestsAreRefused_data()
{
    QTest::addColumn<int>("junctions");
    QTest::addColumn<int>("signalised");
    QTest::newRow("no junctions") << 0 << 0;
    QTest::newRow("negative lights") << 5 << -1;
    QTest::newRow("more lights than junctions") << 5 << 6;
}

void TestGenerator::badRequestsAreRefused()
{
    QFETCH(int, junctions);
    QFETCH(int, signalised);
    Ostrika::Network net;
    QString error;
    QVERIFY(!buildGrid(net, junctions, signalised, 1, &error));
    QVERIFY(error.contains("signalised"));
    QCOMPARE(net.objectCount(), 0);
}

void TestGenerator::townMatchesTheBundledSample()
{
    const QString root = qEnvironmentVariable("OSTRIK_SOURCE_DIR");
    const QString file = root.isEmpty() ? QFINDTESTDATA("../../samples/town.ostka")
                                        : root + QStringLiteral("/samples/town.ostka");
    QFile sample(file);
    QVERIFY2(sample.open(QIODevice::ReadOnly), qPrintable(file));
    Ostrika::Network town;
    QString error;
    QVERIFY2(buildTown(town, &error), qPrintable(error));
    // The committed sample is exactly what the generator writes (the `sample` target).
    QCOMPARE(town.toData(), sample.readAll());
}

QTEST_MAIN(TestGenerator)
#include "tst_generator.moc"
