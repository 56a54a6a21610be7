// End to end: a GPX track drawn into the map scene of a loaded network, as the host sees it.
#include "logcapture.h"
#include "pluginprobe.h"
#include "testhost.h"
#include "testnetwork.h"
#include "plugin/logging.h"

#include <ostrika/ostrika.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <QGraphicsPathItem>

namespace {

bool loadGpx(OstrikgPlugin *plugin, const QString &fileName)
{
    bool ok = false;
    QMetaObject::invokeMethod(plugin, "loadGpxTrack", Q_RETURN_ARG(bool, ok), Q_ARG(QString, fileName));
    return ok;
}

QList<QGraphicsPathItem *> tracks(const QGraphicsScene &scene)
{
    QList<QGraphicsPathItem *> out;
    const QList<QGraphicsItem *> items = scene.items();
    for (QGraphicsItem *item : items) {
        auto *path = qgraphicsitem_cast<QGraphicsPathItem *>(item);
        if (path && !path->parentItem())
            out << path;
    }
    return out;
}

} // namespace

class TestGpxOnMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void noTrackBeforeALoad();
    void trackOnTheLoadedMapScene();
    void trackStaysAfterUnloading();

private:
    QTemporaryDir dir;
    QString networkFile;
    QString trackFile;
};

void TestGpxOnMap::initTestCase()
{
    useTestSettings();
    QVERIFY(dir.isValid());
    networkFile = dir.filePath(QStringLiteral("strip.ostka"));
    QString error;
    StripSpec layout;
    layout.prefix = QStringLiteral("n");
    QVERIFY2(writeStrip(layout, networkFile, &error), qPrintable(error));

    // A drive along the network's edges (planar x 0 to 200 m at the origin 13.40, 52.52).
    Ostrika::GeoUtil geo(layout.originGeo);
    QByteArray gpx = "\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\"><trk><trkseg>\n";
    for (int x = 0; x <= 200; x += 20) {
        const QPointF p = geo.xyToGeo(QPointF(x, -1.75));
        gpx += "<trkpt lat=\"" + QByteArray::number(p.y(), 'f', 8) + "\" lon=\""
               + QByteArray::number(p.x(), 'f', 8) + "\"><ele>35</ele></trkpt>\n";
    }
    gpx += "</trkseg></trk></gpx>\n";
    trackFile = dir.filePath(QStringLiteral("drive.gpx"));
    QFile file(trackFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(gpx), qint64(gpx.size()));
}

void TestGpxOnMap::noTrackBeforeALoad()
{
    TestHost host;
    const int before = host.scene.items().size();
    QVERIFY(!loadGpx(host.plugin, trackFile));
    QCOMPARE(host.scene.items().size(), before);
}

void TestGpxOnMap::trackOnTheLoadedMapScene()
{
    TestHost host;
    QVERIFY(host.load(networkFile));
    QCOMPARE(PluginProbe(host.plugin).mapScene(), static_cast<QGraphicsScene *>(&host.scene));
    const int before = host.scene.items().size();
    QVERIFY(loadGpx(host.plugin, trackFile));
    QCOMPARE(host.scene.items().size(), before + 1);

    const QList<QGraphicsPathItem *> found = tracks(host.scene);
    QCOMPARE(found.size(), 1);
    const QGraphicsPathItem *track = found.first();
    QVERIFY(track->pen().isCosmetic());
    QCOMPARE(track->pen().width(), 2);
    QCOMPARE(track->path().elementCount(), 13 + 11);

    // The track lies on the network: its bounds overlap the edge items' bounds.
    QGraphicsItem *edge = host.findItemByName(QStringLiteral("nAB"));
    QVERIFY(edge);
    const QRectF edgeBounds = edge->sceneBoundingRect();
    const QRectF trackBounds = track->sceneBoundingRect();
    QVERIFY2(trackBounds.intersects(edgeBounds),
             qPrintable(QStringLiteral("track %1,%2 %3x%4; edge %5,%6 %7x%8")
                                .arg(trackBounds.x(), 0, 'f', 6).arg(trackBounds.y(), 0, 'f', 6)
                                .arg(trackBounds.width()).arg(trackBounds.height())
                                .arg(edgeBounds.x(), 0, 'f', 6).arg(edgeBounds.y(), 0, 'f', 6)
                                .arg(edgeBounds.width()).arg(edgeBounds.height())));
}

void TestGpxOnMap::trackStaysAfterUnloading()
{
    TestHost host;
    QVERIFY(host.load(networkFile));
    QVERIFY(loadGpx(host.plugin, trackFile));
    host.unload();
    QCOMPARE(tracks(host.scene).size(), 1);
}

QTEST_MAIN(TestGpxOnMap)
#include "tst_gpxonmap.moc"
