// Tests of the diagrams of the sample town's routes as a user sees them: the route's shape,
// labels that never overlap, the recorded drive over its route, pictures written.
#include "session.h"
#include "timedtrack.h"
#include "timelinewidget.h"

#include <QtTest>

#include <sys/stat.h>

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/") + name;
}

QString overlapping(const TimelineLayout &l)
{
    for (int i = 0; i < l.labels.size(); ++i)
        for (int j = i + 1; j < l.labels.size(); ++j)
            if (l.labels.at(i).rect.intersects(l.labels.at(j).rect))
                return l.labels.at(i).text + QStringLiteral(" | ") + l.labels.at(j).text;
    return QString();
}

} // namespace

class TestTownDiagram : public QObject
{
    Q_OBJECT

    DemoSession m_session;
    QString m_error;

    TimelineDiagram diagram(const QString &route)
    {
        TimelineDiagram d;
        if (!m_session.timeline(route, 0.0, 0.0, &d, &m_error))
            qWarning("%s", qPrintable(m_error));
        return d;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_session.init(QString(), &m_error), qPrintable(m_error));
        QVERIFY2(m_session.openNetwork(sample(QStringLiteral("town.ostka")), &m_error), qPrintable(m_error));
        QVERIFY2(m_session.openGpx(sample(QStringLiteral("town-route.gpx")), &m_error), qPrintable(m_error));
    }

    void shapes_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<int>("shape");
        QTest::addColumn<bool>("anyReturn");
        QTest::newRow("out-and-back") << QStringLiteral("Main Street out-and-back") << int(RouteReading::OutAndBack) << true;
        QTest::newRow("bus line") << QStringLiteral("Bus 7 Station - Hospital") << int(RouteReading::OneWay) << false;
        QTest::newRow("through route") << QStringLiteral("North-south through route") << int(RouteReading::OneWay) << false;
        QTest::newRow("loop") << QStringLiteral("Block loop") << int(RouteReading::Loop) << false;
    }

    void shapes()
    {
        QFETCH(QString, route);
        QFETCH(int, shape);
        QFETCH(bool, anyReturn);
        const TimelineDiagram d = diagram(route);
        QCOMPARE(int(d.shape), shape);
        QVERIFY(!d.bars.isEmpty());
        QCOMPARE(d.returnCount() > 0, anyReturn);
        for (const auto &bar : d.bars)
            QVERIFY2(bar.junction.startsWith(QLatin1Char('G')), qPrintable(bar.junction)); // the granules' names
        QCOMPARE(d.bands.size(), anyReturn ? 2 : 1);
    }

    // Controller 5 is met twice on Main Street (out and back); all routes at the window's
    // default size and a small one.
    void labelsNeverOverlap_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<QSize>("size");
        for (const QString &r : m_session.routeNames()) {
            QTest::newRow(qPrintable(r + QStringLiteral(" 1400x900"))) << r << QSize(1400, 900);
            QTest::newRow(qPrintable(r + QStringLiteral(" 700x300"))) << r << QSize(700, 300);
        }
    }

    void labelsNeverOverlap()
    {
        QFETCH(QString, route);
        QFETCH(QSize, size);
        const TimelineDiagram d = diagram(route);
        const TimelineLayout l = TimelineWidget::layout(QRect(QPoint(0, 0), size), d);
        QCOMPARE(l.labels.size() + l.hiddenLabels, l.rows.size());
        QVERIFY2(overlapping(l).isEmpty(), qPrintable(overlapping(l)));
        for (const auto &label : l.labels)
            QVERIFY(label.rect.left() >= l.plot.right() && label.rect.right() <= size.width());
        if (route.startsWith(QLatin1String("Main Street")) && size.height() >= 900) {
            const int ctrl5 = int(std::count_if(l.labels.cbegin(), l.labels.cend(), [](const TimelineLayout::Label &x) {
                return x.text.startsWith(QStringLiteral("G5 \u00b7 ctrl 5 \u00b7 SG")) && x.text.contains(QLatin1String("C 80 s"));
            }));
            QCOMPARE(ctrl5, 2); // one row each way
            QCOMPARE(l.hiddenLabels, 0);
        }
    }

    // A crowd of junctions in a small picture: labels are thinned, never stacked onto each other.
    void crowdedLabelsAreThinned()
    {
        TimelineDiagram d = diagram(QStringLiteral("Bus 7 Station - Hospital"));
        const TimelineDiagram::Bar proto = d.bars.constFirst();
        d.bars.clear();
        for (int i = 0; i < 80; ++i) {
            TimelineDiagram::Bar b = proto;
            b.distance = i * 7.0;
            b.group = i + 1;
            b.junction = QStringLiteral("J%1").arg(i);
            d.bars.append(b);
        }
        const TimelineLayout l = TimelineWidget::layout(QRect(0, 0, 900, 400), d);
        QVERIFY(l.hiddenLabels > 0);
        QCOMPARE(l.labels.size() + l.hiddenLabels, 80);
        QVERIFY2(overlapping(l).isEmpty(), qPrintable(overlapping(l)));
    }

    void driveFollowsItsRoute()
    {
        const TimelineDiagram d = diagram(QStringLiteral("North-south through route"));
        QCOMPARE(d.trajectories.size(), 1);
        const Trajectory &t = d.trajectories.constFirst();
        QVERIFY(t.label.contains(QLatin1String("town-route.gpx")));
        QVERIFY(t.matchedPoints() > 60);
        QCOMPARE(t.points.constFirst().x(), d.from); // placed to start at the window's start
        QVERIFY2(t.points.constFirst().y() < 20.0, qPrintable(QString::number(t.points.constFirst().y())));
        QVERIFY2(t.points.constLast().y() > d.length - 30.0, qPrintable(QString::number(t.points.constLast().y())));
        QVERIFY(d.to >= t.points.constLast().x()); // the window shows the whole drive
        // Time runs on and the car never goes back along the route by more than GPS noise.
        for (int i = 1; i < t.points.size(); ++i) {
            QVERIFY(t.points.at(i).x() >= t.points.at(i - 1).x());
            QVERIFY(t.points.at(i).y() > t.points.at(i - 1).y() - 5.0);
        }
        // The other routes do not claim the drive.
        QVERIFY(diagram(QStringLiteral("Block loop")).trajectories.isEmpty());
        QVERIFY(diagram(QStringLiteral("Bus 7 Station - Hospital")).trajectories.isEmpty());
    }

    void trackReaderRefusesWhatIsNoTrack_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("ok");
        const QByteArray head = "\n  <?xml version=\"1.0\"?><gpx><trk><name>x</name><trkseg>";
        QTest::newRow("two timed points") << head + "<trkpt lat=\"1\" lon=\"2\"><time>2026-01-01T10:00:00Z</time></trkpt>"
                                                    "<trkpt lat=\"1\" lon=\"2.1\"><time>2026-01-01T10:00:05Z</time></trkpt></trkseg></trk></gpx>"
                                          << 2 << true;
        QTest::newRow("untimed and backward points left out")
            << head + "<trkpt lat=\"1\" lon=\"2\"><time>2026-01-01T10:00:05Z</time></trkpt><trkpt lat=\"1\" lon=\"2\"/>"
                      "<trkpt lat=\"91\" lon=\"2\"><time>2026-01-01T10:00:06Z</time></trkpt>"
                      "<trkpt lat=\"1\" lon=\"2\"><time>2026-01-01T10:00:01Z</time></trkpt></trkseg></trk></gpx>"
            << 1 << true;
        QTest::newRow("no track") << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>") << 0 << false;
        QTest::newRow("broken XML") << head + "<trkpt lat=\"1\"" << 0 << false;
    }

    void trackReaderRefusesWhatIsNoTrack()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, points);
        QFETCH(bool, ok);
        TimedTrack t;
        QCOMPARE(t.readData(data), ok);
        QCOMPARE(t.positions().size(), points);
        QCOMPARE(t.seconds().size(), points);
        QCOMPARE(t.errorString().isEmpty(), ok);
    }

    void trackReaderRefusesSpecialFiles()
    {
        QTemporaryDir dir;
        TimedTrack t;
        QVERIFY(!t.readFile(dir.path()));
        QVERIFY2(t.errorString().contains(QLatin1String("not a regular file")), qPrintable(t.errorString()));
        const QString fifo = dir.filePath(QStringLiteral("pipe.gpx"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!t.readFile(fifo)); // returns at once instead of waiting for a writer
        QVERIFY(!t.readFile(dir.filePath(QStringLiteral("missing.gpx"))));
    }

    void picturesAreWritten()
    {
        QTemporaryDir dir;
        const TimelineDiagram d = diagram(QStringLiteral("Main Street out-and-back"));
        QString error;
        const QString svg = dir.filePath(QStringLiteral("t.SVG")), png = dir.filePath(QStringLiteral("t.png"));
        QVERIFY2(TimelineWidget::save(d, svg, QSize(1400, 900), &error), qPrintable(error));
        QVERIFY2(TimelineWidget::save(d, png, QSize(1000, 700), &error), qPrintable(error));
        QFile f(svg);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("<svg"));
        QVERIFY(text.contains("Main Street out-and-back"));
        QVERIFY(text.contains("G5 \xc2\xb7 ctrl 5")); // labels are text, not pixels
        QCOMPARE(QImage(png).size(), QSize(1000, 700));
        QVERIFY(!TimelineWidget::save(d, dir.filePath(QStringLiteral("no/such/folder/t.svg")), QSize(800, 600), &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestTownDiagram)
#include "tst_towndiagram.moc"
