// Tests of GpxTrackReader: which points of a GPX document make up the track path.
#include "gpx/gpxtrackreader.h"
#include "hostilefiles.h"

#include <ostrika/geoutil.h>

#include <QtMath>
#include <QtTest>

namespace {

// Elements a start circle adds: its move-to plus four cubic curves of three elements each.
constexpr int CircleElements = 13;

QByteArray gpx(const QByteArray &trackContent, const QByteArray &root = "gpx")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root
            + " version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">" + trackContent
            + "</" + root + ">";
}

QByteArray point(const QByteArray &lat, const QByteArray &lon)
{
    return "<trkpt lat=\"" + lat + "\" lon=\"" + lon + "\"/>";
}

bool hasCircle(const QPainterPath &path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        if (path.elementAt(i).isCurveTo())
            return true;
    }
    return false;
}

//! The points of the track line: after the start circle, one move-to and then line-tos only.
QVector<QPointF> linePoints(const QPainterPath &path)
{
    QVector<QPointF> points;
    for (int i = hasCircle(path) ? CircleElements : 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const bool expectedType = points.isEmpty() ? e.isMoveTo() : e.isLineTo();
        if (!expectedType)
            return {};
        points << QPointF(e.x, e.y);
    }
    return points;
}

void comparePoints(const QVector<QPointF> &actual, const QVector<QPointF> &expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i) {
        if (qAbs(actual[i].x() - expected[i].x()) > 1e-9 || qAbs(actual[i].y() - expected[i].y()) > 1e-9)
            QFAIL(qPrintable(QStringLiteral("point %1 is (%2, %3), expected (%4, %5)")
                                     .arg(i)
                                     .arg(actual[i].x(), 0, 'g', 12).arg(actual[i].y(), 0, 'g', 12)
                                     .arg(expected[i].x(), 0, 'g', 12).arg(expected[i].y(), 0, 'g', 12)));
    }
}

} // namespace

class TestGpxTrackReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realFiles_data();
    void realFiles();
    void leadingSpace_data();
    void leadingSpace();
    void firstTrackAndSegmentOnly_data();
    void firstTrackAndSegmentOnly();
    void coordinates_data();
    void coordinates();
    void startCircle();
    void emptyTrack_data();
    void emptyTrack();
    void failures_data();
    void failures();
    void missingFile();
    void hostileFiles_data();
    void hostileFiles();
    void fileReadInPieces_data();
    void fileReadInPieces();
    void localName_data();
    void localName();
};

void TestGpxTrackReader::realFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QVector<QPointF>>("points");

    QTest::newRow("GPX 1.1, default namespace")
            << "data/gpx11_default_namespace.gpx"
            << QVector<QPointF>{{14.418, 50.0751}, {14.42014, 50.07632}, {14.423388, 50.078015},
                                {14.4262, 50.0799}};
    QTest::newRow("GPX 1.0, Latin-1")
            << "data/gpx10.gpx"
            << QVector<QPointF>{{16.3721, 48.2081}, {16.3739, 48.2092}, {16.3758, 48.2103}};
    QTest::newRow("gpx: prefix")
            << "data/gpx11_prefixed.gpx"
            << QVector<QPointF>{{9.9661, 53.5461}, {9.9702, 53.5448}, {9.9755, 53.544}};
    QTest::newRow("undeclared extension prefixes")
            << "data/garmin_undeclared_extensions.gpx"
            << QVector<QPointF>{{9.189982, 45.464194}, {9.191201, 45.464902}, {9.192587, 45.465553}};
    QTest::newRow("blank lines before the declaration")
            << "data/blank_lines_before_declaration.gpx"
            << QVector<QPointF>{{8.541, 47.3667}, {8.5445, 47.362}};
}

void TestGpxTrackReader::realFiles()
{
    QFETCH(QString, file);
    QFETCH(QVector<QPointF>, points);

    const QString path = QFINDTESTDATA(file);
    QVERIFY2(!path.isEmpty(), qPrintable(file));
    GpxTrackReader reader;
    QVERIFY2(reader.readFile(path), qPrintable(reader.errorString()));
    QCOMPARE(reader.errorString(), QString());
    QCOMPARE(reader.pointCount(), points.size());
    QVERIFY(hasCircle(reader.path()));
    QCOMPARE(reader.path().elementCount(), CircleElements + points.size());
    comparePoints(linePoints(reader.path()), points);
}

void TestGpxTrackReader::leadingSpace_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::newRow("none") << QByteArray();
    QTest::newRow("blank lines") << QByteArray("\n\n\n");
    QTest::newRow("CR LF, tabs and spaces") << QByteArray("\r\n\t  \r\n");
    QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBF");
    QTest::newRow("UTF-8 BOM and blank lines") << QByteArray("\xEF\xBB\xBF\n\n");
}

void TestGpxTrackReader::leadingSpace()
{
    QFETCH(QByteArray, prefix);
    GpxTrackReader reader;
    QVERIFY2(reader.readData(prefix + gpx("<trk><trkseg>" + point("1.5", "2.5") + point("1.6", "2.6")
                                          + "</trkseg></trk>")),
             qPrintable(reader.errorString()));
    comparePoints(linePoints(reader.path()), {{2.5, 1.5}, {2.6, 1.6}});
}

void TestGpxTrackReader::firstTrackAndSegmentOnly_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QVector<QPointF>>("points");

    QTest::newRow("two tracks")
            << gpx("<trk><trkseg>" + point("1", "2") + point("3", "4") + "</trkseg></trk>"
                   "<trk><trkseg>" + point("5", "6") + "</trkseg></trk>")
            << QVector<QPointF>{{2, 1}, {4, 3}};
    QTest::newRow("two segments")
            << gpx("<trk><trkseg>" + point("1", "2") + "</trkseg><trkseg>" + point("5", "6")
                   + "</trkseg></trk>")
            << QVector<QPointF>{{2, 1}};
    QTest::newRow("points nested deeper, in document order")
            << gpx("<trk><name>x</name><trkseg>" + point("1", "2")
                   + "<group><sub>" + point("3", "4") + "</sub>" + point("5", "6") + "</group>"
                   + "<trkpt lat=\"7\" lon=\"8\"><inner>" + point("9", "10") + "</inner></trkpt>"
                   + point("11", "12") + "</trkseg></trk>")
            << QVector<QPointF>{{2, 1}, {4, 3}, {6, 5}, {8, 7}, {10, 9}, {12, 11}};
    QTest::newRow("points outside the segment ignored")
            << gpx(point("50", "50") + "<trk>" + point("51", "51") + "<trkseg>" + point("1", "2")
                   + "</trkseg>" + point("52", "52") + "</trk>")
            << QVector<QPointF>{{2, 1}};
    QTest::newRow("unusual root element name")
            << gpx("<trk><trkseg>" + point("1", "2") + point("3", "4") + "</trkseg></trk>",
                   "exportedTrack")
            << QVector<QPointF>{{2, 1}, {4, 3}};
    QTest::newRow("undeclared prefixes on the track elements")
            << gpx("<t:trk><t:trkseg><t:trkpt lat=\"1\" lon=\"2\"/><u:trkpt lat=\"3\" lon=\"4\"/>"
                   "</t:trkseg></t:trk>", "x:gpx")
            << QVector<QPointF>{{2, 1}, {4, 3}};
    QTest::newRow("other elements before the track")
            << gpx("<metadata><trk>" + point("9", "9") + "</trk></metadata>"
                   "<rte><rtept lat=\"8\" lon=\"8\"/></rte><trk><trkseg>" + point("1", "2")
                   + "</trkseg></trk>")
            << QVector<QPointF>{{2, 1}};
}

void TestGpxTrackReader::firstTrackAndSegmentOnly()
{
    QFETCH(QByteArray, document);
    QFETCH(QVector<QPointF>, points);
    GpxTrackReader reader;
    QVERIFY2(reader.readData(document), qPrintable(reader.errorString()));
    QCOMPARE(reader.pointCount(), points.size());
    comparePoints(linePoints(reader.path()), points);
}

void TestGpxTrackReader::coordinates_data()
{
    QTest::addColumn<QByteArray>("segment");
    QTest::addColumn<QVector<QPointF>>("points");
    QTest::addColumn<bool>("circle");

    QTest::newRow("lon abc left out, line goes on")
            << QByteArray(point("1", "2") + point("3", "abc") + point("5", "6"))
            << QVector<QPointF>{{2, 1}, {6, 5}} << true;
    QTest::newRow("missing lat left out")
            << QByteArray(point("1", "2") + "<trkpt lon=\"4\"/>" + point("5", "6"))
            << QVector<QPointF>{{2, 1}, {6, 5}} << true;
    QTest::newRow("single usable point: circle, no line")
            << QByteArray(point("1", "2") + point("x", "4") + point("5", ""))
            << QVector<QPointF>{{2, 1}} << true;
    QTest::newRow("unusable first point: no circle, line from the first usable")
            << QByteArray(point("1", "abc") + point("3", "4") + point("5", "6"))
            << QVector<QPointF>{{4, 3}, {6, 5}} << false;
    QTest::newRow("blanks around numbers, exponent")
            << QByteArray(point(" 1.25 ", "\t2.5") + point("3e1", "-4.75"))
            << QVector<QPointF>{{2.5, 1.25}, {-4.75, 30}} << true;
    QTest::newRow("decimal comma is not a number")
            << QByteArray(point("1", "2") + point("3,5", "4"))
            << QVector<QPointF>{{2, 1}} << true;
    QTest::newRow("nan and inf left out")
            << QByteArray(point("1", "2") + point("nan", "4") + point("5", "inf") + point("7", "8"))
            << QVector<QPointF>{{2, 1}, {8, 7}} << true;
}

void TestGpxTrackReader::coordinates()
{
    QFETCH(QByteArray, segment);
    QFETCH(QVector<QPointF>, points);
    QFETCH(bool, circle);
    GpxTrackReader reader;
    QVERIFY2(reader.readData(gpx("<trk><trkseg>" + segment + "</trkseg></trk>")),
             qPrintable(reader.errorString()));
    QCOMPARE(hasCircle(reader.path()), circle);
    QCOMPARE(reader.pointCount(), points.size());
    QCOMPARE(reader.path().elementCount(), points.size() + (circle ? CircleElements : 0));
    comparePoints(linePoints(reader.path()), points);
    for (int i = 0; i < reader.path().elementCount(); ++i) {
        const QPainterPath::Element e = reader.path().elementAt(i);
        QVERIFY2(qIsFinite(e.x) && qIsFinite(e.y), qPrintable(QString::number(i)));
    }
}

void TestGpxTrackReader::startCircle()
{
    GpxTrackReader reader;
    QVERIFY(reader.readData(gpx("<trk><trkseg>" + point("50.0", "14.4") + point("50.1", "14.5")
                                + "</trkseg></trk>")));
    QPainterPath circle;
    for (int i = 0; i < CircleElements; ++i) {
        const QPainterPath::Element e = reader.path().elementAt(i);
        if (i == 0)
            circle.moveTo(e.x, e.y);
        else
            circle.lineTo(e.x, e.y);
    }
    const QRectF box = circle.boundingRect();
    // A square of 10 Web Mercator metres is 10 / R radians of longitude wide, and narrower
    // in latitude by the cosine of the latitude.
    const double width = qRadiansToDegrees(10.0 / 6378137.0);
    const double height = width * qCos(qDegreesToRadians(50.0));
    QVERIFY2(qAbs(box.width() - width) < width * 1e-3,
             qPrintable(QStringLiteral("width %1, expected %2").arg(box.width()).arg(width)));
    QVERIFY2(qAbs(box.height() - height) < height * 1e-2,
             qPrintable(QStringLiteral("height %1, expected %2").arg(box.height()).arg(height)));
    QVERIFY2(qAbs(box.center().x() - 14.4) < 1e-7 && qAbs(box.center().y() - 50.0) < 1e-7,
             qPrintable(QStringLiteral("centre (%1, %2)").arg(box.center().x(), 0, 'g', 12)
                                .arg(box.center().y(), 0, 'g', 12)));

    // The same construction through the converter the plugin uses.
    const Ostrika::GeoUtil geo;
    const QPointF q = geo.geoToXY(QPointF(14.4, 50.0));
    const QRectF expected = geo.xyToGeo(QRectF(q.x() - 5.0, q.y() - 5.0, 10.0, 10.0));
    QVERIFY(qAbs(box.left() - expected.left()) < 1e-12);
    QVERIFY(qAbs(box.bottom() - expected.bottom()) < 1e-12);

    // The line starts at the point itself, not on the circle.
    const QPainterPath::Element start = reader.path().elementAt(CircleElements);
    QVERIFY(start.isMoveTo());
    QCOMPARE(QPointF(start.x, start.y), QPointF(14.4, 50.0));
    QVERIFY(reader.path().elementAt(CircleElements + 1).isLineTo());
}

void TestGpxTrackReader::emptyTrack_data()
{
    QTest::addColumn<QByteArray>("track");
    QTest::newRow("track without segment") << QByteArray("<trk><name>x</name></trk>");
    QTest::newRow("segment without points") << QByteArray("<trk><trkseg></trkseg></trk>");
    QTest::newRow("no usable point") << QByteArray("<trk><trkseg>" + point("a", "b") + "</trkseg></trk>");
}

void TestGpxTrackReader::emptyTrack()
{
    QFETCH(QByteArray, track);
    GpxTrackReader reader;
    QVERIFY(reader.readData(gpx(track)));
    QVERIFY(reader.path().isEmpty());
    QCOMPARE(reader.pointCount(), 0);
}

void TestGpxTrackReader::failures_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray valid = gpx("<trk><trkseg>" + point("1", "2") + "</trkseg></trk>");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("only white space") << QByteArray("\n \n");
    QTest::newRow("truncated") << valid.left(valid.size() - 12);
    QTest::newRow("not XML") << QByteArray("lat,lon\n50.1,14.2\n50.2,14.3\n");
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    QTest::newRow("no track") << gpx("<rte><rtept lat=\"1\" lon=\"2\"/></rte>");
    QTest::newRow("track not a child of the root")
            << gpx("<extensions><trk><trkseg>" + point("1", "2") + "</trkseg></trk></extensions>");
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY l0 \"ha\">";
    for (int level = 1; level < 10; ++level) {
        laughs += "<!ENTITY l" + QByteArray::number(level) + " \"";
        for (int i = 0; i < 10; ++i)
            laughs += "&l" + QByteArray::number(level - 1) + ";";
        laughs += "\">";
    }
    laughs += "]><gpx><trk><name>&l9;</name><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx>";
    QTest::newRow("entity expansion bomb") << laughs;
}

void TestGpxTrackReader::failures()
{
    QFETCH(QByteArray, data);
    GpxTrackReader reader;
    QVERIFY(reader.readData(gpx("<trk><trkseg>" + point("1", "2") + "</trkseg></trk>")));
    QVERIFY(!reader.readData(data));
    QVERIFY(!reader.errorString().isEmpty());
    QVERIFY(reader.path().isEmpty());
    QCOMPARE(reader.pointCount(), 0);
}

void TestGpxTrackReader::missingFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    GpxTrackReader reader;
    QVERIFY(!reader.readFile(dir.filePath(QStringLiteral("missing.gpx"))));
    QVERIFY(reader.errorString().contains(QLatin1String("missing.gpx")));
    QVERIFY(!reader.readFile(dir.path()));
    QVERIFY(!reader.readFile(QString()));
}

void TestGpxTrackReader::hostileFiles_data()
{
    HostileFiles::refusalRows(1073741824, QStringLiteral("64 MiB a GPX file"));
    QTest::newRow("a byte over 64 MiB") << "sparse 67108865"
                                        << "it has 67108865 bytes, more than the 64 MiB a GPX file may have";
}

void TestGpxTrackReader::hostileFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.gpx"));
    QVERIFY(HostileFiles::make(path, file));
    HostileFiles::FifoRelease release(path);
    GpxTrackReader reader;
    QVERIFY(!reader.readFile(path));
    QCOMPARE(reader.errorString(), QStringLiteral("Cannot open \"%1\": %2").arg(path, reason));
    QVERIFY(reader.path().isEmpty());
    QVERIFY(!release.released());
}

void TestGpxTrackReader::fileReadInPieces_data()
{
    QTest::addColumn<QByteArray>("document");
    QByteArray points;
    for (int i = 0; i < 20000; ++i)
        points += point(QByteArray::number(50 + i * 1e-5, 'f', 6), QByteArray::number(14 + i * 1e-5, 'f', 6));
    const QByteArray track = gpx("<trk><trkseg>" + points + "</trkseg></trk>");
    QTest::newRow("20000 points") << track;
    QTest::newRow("blank lines longer than a piece") << QByteArray(200000, '\n') + track;
    QTest::newRow("broken far in") << track.left(track.size() - 20) + "<";
    // A zero-filled file of the largest size read: refused at its first byte, not after 64 MiB.
    QTest::newRow("64 MiB of zeros") << QByteArray();
}

// The file is read piece by piece; what comes out is what the whole document gives.
void TestGpxTrackReader::fileReadInPieces()
{
    QFETCH(QByteArray, document);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("track.gpx"));
    if (document.isEmpty()) {
        QVERIFY(HostileFiles::sparse(path, 64 * 1024 * 1024));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(document) == document.size());
    }
    GpxTrackReader whole;
    const bool ok = whole.readData(document.isEmpty() ? QByteArray(16, '\0') : document);
    GpxTrackReader streamed;
    QCOMPARE(streamed.readFile(path), ok);
    QCOMPARE(streamed.errorString(), whole.errorString());
    QCOMPARE(streamed.pointCount(), whole.pointCount());
    QCOMPARE(streamed.path(), whole.path());
}

void TestGpxTrackReader::localName_data()
{
    QTest::addColumn<QString>("qualified");
    QTest::addColumn<QString>("local");
    QTest::newRow("plain") << "trk" << "trk";
    QTest::newRow("prefixed") << "gpx:trk" << "trk";
    QTest::newRow("several colons") << "a:b:trkpt" << "trkpt";
    QTest::newRow("trailing colon") << "trk:" << "";
    QTest::newRow("empty") << "" << "";
}

void TestGpxTrackReader::localName()
{
    QFETCH(QString, qualified);
    QFETCH(QString, local);
    QCOMPARE(GpxTrackReader::localName(qualified).toString(), local);
}

QTEST_GUILESS_MAIN(TestGpxTrackReader)
#include "tst_gpxtrackreader.moc"
