// The fuzz seeds and every input the fuzzers found, replayed as ordinary tests.
#include "gpx/gpxtrackreader.h"

#include <ostrika/ostrika.h>
#include <ostrikga/networkg.h>

#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QtTest>

class tst_FuzzCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ostkaSeedsLoadAndRoundTrip_data();
    void ostkaSeedsLoadAndRoundTrip();
    void ostkaFindingsFailCleanly_data();
    void ostkaFindingsFailCleanly();
    void gpxSeedsGiveTracks_data();
    void gpxSeedsGiveTracks();
    void gpxFindings_data();
    void gpxFindings();
    void gpxLoneLaterPointDrawsNoCircle();
    void deepNestingIsRefused();

private:
    static void addFiles(const QString &folder, const QString &filter);
};

static QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void tst_FuzzCorpus::addFiles(const QString &folder, const QString &filter)
{
    QTest::addColumn<QString>("path");
    const QString dir = QFINDTESTDATA("../../" + folder);
    if (dir.isEmpty())
        QFAIL(qPrintable("missing folder " + folder));
    const QFileInfoList files = QDir(dir).entryInfoList({filter}, QDir::Files, QDir::Name);
    for (const QFileInfo &f : files)
        QTest::newRow(qPrintable(f.fileName())) << f.absoluteFilePath();
}

void tst_FuzzCorpus::ostkaSeedsLoadAndRoundTrip_data()
{
    addFiles(QStringLiteral("fuzz/corpus/fuzz_ostka"), QStringLiteral("*.ostka"));
}

// Seeds that do not load would only teach the fuzzer the error paths.
void tst_FuzzCorpus::ostkaSeedsLoadAndRoundTrip()
{
    QFETCH(QString, path);
    const QByteArray bytes = readAll(path);
    Ostrika::Network net;
    QVERIFY2(net.loadFromData(bytes), qPrintable(net.errorString()));
    QVERIFY(net.objectCount() > 0);
    const QByteArray written = net.toData();
    QVERIFY2(!written.isEmpty(), qPrintable(net.errorString()));
    Ostrika::Network again;
    QVERIFY2(again.loadFromData(written), qPrintable(again.errorString()));
    QCOMPARE(again.objectCount(), net.objectCount());
    QCOMPARE(again.toData(), written);

    QGraphicsScene scene;
    Ostrikga::Networkg drawn(&scene);
    QVERIFY2(drawn.loadFromData(bytes), qPrintable(drawn.errorString()));
    QVERIFY(!scene.items().isEmpty());
}

void tst_FuzzCorpus::ostkaFindingsFailCleanly_data()
{
    addFiles(QStringLiteral("tests/reliability/data/ostka"), QStringLiteral("*"));
}

void tst_FuzzCorpus::ostkaFindingsFailCleanly()
{
    QFETCH(QString, path);
    const QByteArray bytes = readAll(path);
    QGraphicsScene scene;
    Ostrikga::Networkg drawn(&scene);
    if (drawn.loadFromData(bytes)) {
        const QByteArray written = drawn.toData();
        if (!written.isEmpty()) {
            Ostrika::Network again;
            QVERIFY2(again.loadFromData(written), qPrintable(again.errorString()));
        }
    } else {
        QCOMPARE(drawn.objectCount(), 0);
        QVERIFY(!drawn.errorString().isEmpty());
    }
}

void tst_FuzzCorpus::gpxSeedsGiveTracks_data()
{
    addFiles(QStringLiteral("fuzz/corpus/fuzz_gpx"), QStringLiteral("*.gpx"));
}

void tst_FuzzCorpus::gpxSeedsGiveTracks()
{
    QFETCH(QString, path);
    GpxTrackReader reader;
    QVERIFY2(reader.readData(readAll(path)), qPrintable(reader.errorString()));
    QVERIFY(reader.pointCount() >= 2);
    QVERIFY(!reader.path().isEmpty());
}

void tst_FuzzCorpus::gpxFindings_data()
{
    addFiles(QStringLiteral("tests/reliability/data/gpx"), QStringLiteral("*"));
}

void tst_FuzzCorpus::gpxFindings()
{
    QFETCH(QString, path);
    GpxTrackReader reader;
    if (!reader.readData(readAll(path))) {
        QVERIFY(reader.path().isEmpty());
        QVERIFY(!reader.errorString().isEmpty());
        return;
    }
    const QPainterPath &p = reader.path();
    for (int i = 0; i < p.elementCount(); ++i) {
        QVERIFY(qIsFinite(p.elementAt(i).x));
        QVERIFY(qIsFinite(p.elementAt(i).y));
    }
}

// Found by fuzz_gpx: the first listed point unusable and a single usable one after it. The
// point is counted; the path holds only the move to it (no circle, no line), so it draws nothing.
void tst_FuzzCorpus::gpxLoneLaterPointDrawsNoCircle()
{
    GpxTrackReader reader;
    QVERIFY(reader.readData("<gpx><trk><trkseg><trkpt lat=\"47.3667\" lor=\"8.5410\"/>"
                            "<trkpt lat=\"47.3620\" lon=\"8.5445\"/></trkseg></trk></gpx>"));
    QCOMPARE(reader.pointCount(), 1);
    QCOMPARE(reader.path().elementCount(), 1);
    QVERIFY(reader.path().elementAt(0).isMoveTo());
    QCOMPARE(reader.path().currentPosition(), QPointF(8.5445, 47.3620));
}

// Nesting far beyond any real file must be refused, not recursed into until the stack ends.
void tst_FuzzCorpus::deepNestingIsRefused()
{
    const int depth = 200000;
    const QByteArray json = "{\"format\":\"ostka\",\"version\":1,\"nodes\":" + QByteArray(depth, '[')
        + QByteArray(depth, ']') + "}";
    Ostrika::Network net;
    QVERIFY(!net.loadFromData(json));
    QVERIFY(!net.errorString().isEmpty());
    QCOMPARE(net.objectCount(), 0);

    QByteArray xml = "<gpx><trk><trkseg>";
    for (int i = 0; i < depth / 10; ++i)
        xml += "<x>";
    xml += "<trkpt lat=\"1\" lon=\"2\"/>";
    GpxTrackReader reader;
    // Unclosed elements: not well-formed, whatever the depth.
    QVERIFY(!reader.readData(xml));
    QVERIFY(!reader.errorString().isEmpty());
}

QTEST_MAIN(tst_FuzzCorpus)
#include "tst_fuzzcorpus.moc"
