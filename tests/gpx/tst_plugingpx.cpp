// Tests of OstrikgPlugin::loadGpxTrack as the host calls it: what lands in the map scene.
#include "gpx/gpxtrackreader.h"
#include "hostilefiles.h"
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"

#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

namespace {

bool loadGpx(OstrikgPlugin &plugin, const QString &fileName)
{
    bool result = false;
    if (!QMetaObject::invokeMethod(&plugin, "loadGpxTrack", Qt::DirectConnection,
                                   Q_RETURN_ARG(bool, result), Q_ARG(QString, fileName)))
        qFatal("loadGpxTrack(QString) is not invokable");
    return result;
}

QList<QGraphicsPathItem *> pathItems(const QGraphicsScene &scene)
{
    QList<QGraphicsPathItem *> items;
    const QList<QGraphicsItem *> all = scene.items(Qt::AscendingOrder);
    for (QGraphicsItem *item : all) {
        if (auto *path = qgraphicsitem_cast<QGraphicsPathItem *>(item))
            items << path;
    }
    return items;
}

QStringList *logLines = nullptr;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (logLines)
        logLines->append(text);
}

QByteArray trackDocument(const QByteArray &points)
{
    return "<?xml version=\"1.0\"?>\n<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">"
           "<trk><trkseg>" + points + "</trkseg></trk></gpx>\n";
}

} // namespace

class TestPluginGpx : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void noScene();
    void deletedScene();
    void realFile_data();
    void realFile();
    void drawsLineAndStartCircle();
    void twiceAddsTwoItems();
    void emptyTrackAddsEmptyItem();
    void failureLeavesSceneUnchanged_data();
    void failureLeavesSceneUnchanged();
    void hostileFileRefusedWithMessage_data();
    void hostileFileRefusedWithMessage();

private:
    QString writeFile(const QString &name, const QByteArray &data);

    QTemporaryDir *dir = nullptr;
    OstrikgPlugin *plugin = nullptr;
    QGraphicsScene *scene = nullptr;
};

QString TestPluginGpx::writeFile(const QString &name, const QByteArray &data)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestPluginGpx::init()
{
    dir = new QTemporaryDir;
    QVERIFY(dir->isValid());
    plugin = new OstrikgPlugin;
    scene = new QGraphicsScene;
    PluginProbe(*plugin).setMapScene(scene);
}

void TestPluginGpx::cleanup()
{
    delete plugin;
    delete scene;
    delete dir;
    plugin = nullptr;
    scene = nullptr;
    dir = nullptr;
}

void TestPluginGpx::noScene()
{
    PluginProbe(*plugin).setMapScene(nullptr);
    const QString file = QFINDTESTDATA("data/gpx11_default_namespace.gpx");
    QVERIFY(!file.isEmpty());
    QVERIFY(!loadGpx(*plugin, file));
    QVERIFY(scene->items().isEmpty());
}

void TestPluginGpx::deletedScene()
{
    const QString file = QFINDTESTDATA("data/gpx11_default_namespace.gpx");
    delete scene;
    scene = nullptr;
    QVERIFY(!loadGpx(*plugin, file));

    // The next scene handed over receives tracks again.
    scene = new QGraphicsScene;
    PluginProbe(*plugin).setMapScene(scene);
    QVERIFY(loadGpx(*plugin, file));
    QCOMPARE(pathItems(*scene).size(), 1);
}

void TestPluginGpx::realFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QPointF>("first");
    QTest::addColumn<QPointF>("last");
    QTest::newRow("GPX 1.1") << "data/gpx11_default_namespace.gpx" << QPointF(14.418, 50.0751)
                             << QPointF(14.4262, 50.0799);
    QTest::newRow("GPX 1.0") << "data/gpx10.gpx" << QPointF(16.3721, 48.2081)
                             << QPointF(16.3758, 48.2103);
    QTest::newRow("gpx: prefix") << "data/gpx11_prefixed.gpx" << QPointF(9.9661, 53.5461)
                                 << QPointF(9.9755, 53.544);
    QTest::newRow("Garmin extensions") << "data/garmin_undeclared_extensions.gpx"
                                       << QPointF(9.189982, 45.464194)
                                       << QPointF(9.192587, 45.465553);
    QTest::newRow("blank lines first") << "data/blank_lines_before_declaration.gpx"
                                       << QPointF(8.541, 47.3667) << QPointF(8.5445, 47.362);
}

void TestPluginGpx::realFile()
{
    QFETCH(QString, file);
    QFETCH(QPointF, first);
    QFETCH(QPointF, last);

    const QString path = QFINDTESTDATA(file);
    QVERIFY(!path.isEmpty());
    QVERIFY(loadGpx(*plugin, path));

    const QList<QGraphicsPathItem *> items = pathItems(*scene);
    QCOMPARE(scene->items().size(), 1);
    QCOMPARE(items.size(), 1);
    const QGraphicsPathItem *item = items.first();
    QCOMPARE(item->parentItem(), nullptr);
    QCOMPARE(item->zValue(), 0.0);
    QVERIFY(item->isVisible());

    const QPen pen = item->pen();
    QVERIFY(pen.isCosmetic());
    QCOMPARE(pen.width(), 2);
    QCOMPARE(pen.style(), Qt::SolidLine);
    QCOMPARE(pen.color(), QColor(Qt::black));
    QCOMPARE(item->brush().style(), Qt::NoBrush);

    // The circle around the start, then the line from the start point to the last one.
    const QPainterPath track = item->path();
    QVERIFY(track.elementAt(1).isCurveTo());
    QCOMPARE(QPointF(track.elementAt(13).x, track.elementAt(13).y), first);
    QVERIFY(track.elementAt(13).isMoveTo());
    const QPainterPath::Element end = track.elementAt(track.elementCount() - 1);
    QVERIFY(end.isLineTo());
    QCOMPARE(QPointF(end.x, end.y), last);
    QVERIFY(track.boundingRect().contains(first));
    QVERIFY(track.boundingRect().contains(last));

    GpxTrackReader reader;
    QVERIFY(reader.readFile(path));
    QCOMPARE(track, reader.path());
}

void TestPluginGpx::drawsLineAndStartCircle()
{
    QVERIFY(loadGpx(*plugin, QFINDTESTDATA("data/garmin_undeclared_extensions.gpx")));
    const QPointF start(9.189982, 45.464194);
    const QPointF next(9.191201, 45.464902);
    // The circle spans 10 Web Mercator metres: 10 / R radians of longitude, cos(lat) less in latitude.
    const double w = qRadiansToDegrees(10.0 / 6378137.0);
    const double h = w * qCos(qDegreesToRadians(start.y()));

    // Render three circle widths around the start into 300 x 300 pixels: the circle takes
    // the middle third.
    QImage image(300, 300, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        scene->render(&painter, image.rect(), QRectF(start.x() - 1.5 * w, start.y() - 1.5 * h, 3 * w, 3 * h),
                      Qt::IgnoreAspectRatio);
    }
    auto inkedNear = [&image](QPointF p) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                if (qGray(image.pixel(qRound(p.x()) + dx, qRound(p.y()) + dy)) < 128)
                    return true;
            }
        }
        return false;
    };
    QVERIFY(inkedNear({100, 150}));
    QVERIFY(inkedNear({200, 150}));
    QVERIFY(inkedNear({150, 100}));
    QVERIFY(inkedNear({150, 200}));
    QVERIFY(inkedNear({150, 150})); // the line starts at the point itself

    // The line leaves towards the next point; the opposite side of the circle stays empty.
    QPointF towards((next.x() - start.x()) * 100 / w, (next.y() - start.y()) * 100 / h);
    towards *= 40.0 / qSqrt(QPointF::dotProduct(towards, towards));
    QVERIFY(inkedNear(QPointF(150, 150) + towards));
    QVERIFY(!inkedNear(QPointF(150, 150) - towards));
}

void TestPluginGpx::twiceAddsTwoItems()
{
    const QString file = QFINDTESTDATA("data/garmin_undeclared_extensions.gpx");
    QVERIFY(loadGpx(*plugin, file));
    QVERIFY(loadGpx(*plugin, file));
    const QList<QGraphicsPathItem *> items = pathItems(*scene);
    QCOMPARE(items.size(), 2);
    QVERIFY(items[0] != items[1]);
    QCOMPARE(items[0]->path(), items[1]->path());
    QCOMPARE(items[0]->path().elementCount(), 13 + 3);
}

void TestPluginGpx::emptyTrackAddsEmptyItem()
{
    const QString file = writeFile(QStringLiteral("empty-track.gpx"), trackDocument(""));
    QVERIFY(loadGpx(*plugin, file));
    const QList<QGraphicsPathItem *> items = pathItems(*scene);
    QCOMPARE(items.size(), 1);
    QVERIFY(items.first()->path().isEmpty());
}

void TestPluginGpx::failureLeavesSceneUnchanged_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    const QByteArray valid = trackDocument("<trkpt lat=\"1\" lon=\"2\"/><trkpt lat=\"3\" lon=\"4\"/>");
    QTest::newRow("missing file") << "" << QByteArray();
    QTest::newRow("empty file") << "empty.gpx" << QByteArray();
    QTest::newRow("truncated file") << "truncated.gpx" << valid.left(valid.size() / 2);
    QTest::newRow("not XML") << "track.csv" << QByteArray("lat;lon\n1;2\n3;4\n");
    QTest::newRow("no trk") << "waypoints.gpx"
                            << QByteArray("<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
    QTest::newRow("directory") << "." << QByteArray();
}

void TestPluginGpx::failureLeavesSceneUnchanged()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);

    QString file = dir->filePath(QStringLiteral("does-not-exist.gpx"));
    if (name == QLatin1String("."))
        file = dir->path();
    else if (!name.isEmpty())
        file = writeFile(name, data);

    QGraphicsRectItem *existing = scene->addRect(0, 0, 1, 1);
    QVERIFY(!loadGpx(*plugin, file));
    QCOMPARE(scene->items().size(), 1);
    QCOMPARE(scene->items().first(), existing);
}

void TestPluginGpx::hostileFileRefusedWithMessage_data()
{
    HostileFiles::refusalRows(1073741824, QStringLiteral("64 MiB a GPX file"));
}

// The host gets false at once and its log says why.
void TestPluginGpx::hostileFileRefusedWithMessage()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString path = dir->filePath(QStringLiteral("x.gpx"));
    QVERIFY(HostileFiles::make(path, file));
    HostileFiles::FifoRelease release(path);
    QGraphicsRectItem *existing = scene->addRect(0, 0, 1, 1);

    QStringList lines;
    logLines = &lines;
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    const bool loaded = loadGpx(*plugin, path);
    qInstallMessageHandler(previous);
    logLines = nullptr;

    QVERIFY(!loaded);
    QVERIFY(!release.released());
    QCOMPARE(lines, QStringList{QStringLiteral("OstrikgPlugin: Error loading GPX track %1: Cannot open \"%1\": %2")
                                    .arg(path, reason)});
    QCOMPARE(scene->items(), QList<QGraphicsItem *>{existing});
}

QTEST_MAIN(TestPluginGpx)
#include "tst_plugingpx.moc"
