// What the host finds under the cursor and says about it, which networks Fit shows, and the
// controller counts of the status line.
#include "controllerstate.h"
#include "hitdescription.h"
#include "networkfit.h"
#include "networkpicker.h"
#include "overviewlayer.h"
#include "testnetwork.h"

#include <corvel/light.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>

#include <QtTest>

namespace {
const QPointF Origin(16.60, 49.19);

int countNear(const QImage &image, const QColor &colour, int tolerance)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) <= tolerance && std::abs(c.green() - colour.green()) <= tolerance
                && std::abs(c.blue() - colour.blue()) <= tolerance)
                ++n;
        }
    return n;
}
} // namespace

class TestNetworkPicker : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestNetwork> m_tn;
    const Ostrika::Granule *m_granule = nullptr;
    const Ostrika::Connection *m_connection = nullptr;
    const Ostrika::CrossWalk *m_crosswalk = nullptr;
    NetworkPicker m_picker;

    QPointF geo(const QPointF &xy) const { return m_tn->net.geoUtil()->xyToGeo(xy); }
    static QPointF quarter(const Ostrika::GeoPolyline &line) { return line.pointAt(line.length() / 4); }

private Q_SLOTS:
    void init()
    {
        m_tn = std::make_unique<TestNetwork>(Origin);
        JunctionSpec j;
        j.tlId = 3;
        j.connections = {ConnSpec{{1}, 0.0}, ConnSpec{{2}, 90.0}};
        j.crosswalkGroups = {5};
        QVERIFY(m_tn->addJunction(j));
        QVERIFY2(m_tn->ok(), qPrintable(m_tn->error));
        m_granule = m_tn->net.findChild<Ostrika::Granule *>(QStringLiteral("J3_G"));
        m_connection = m_tn->net.findChild<Ostrika::Connection *>(QStringLiteral("J3_C0"));
        m_crosswalk = m_tn->net.findChild<Ostrika::CrossWalk *>();
        QVERIFY(m_granule && m_connection && m_crosswalk);
        m_picker.setNetworks({{QStringLiteral("/data/j3.ostka"), &m_tn->net}});
    }

    void picksTheNearestObject_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<double>("metresPerPixel");
        QTest::addColumn<int>("kind");
        QTest::newRow("junction centre, close") << "centre" << 0.3 << int(MapHit::Junction);
        QTest::newRow("connection, close") << "connection" << 0.3 << int(MapHit::Connection);
        QTest::newRow("crosswalk, close") << "crosswalk" << 0.3 << int(MapHit::Crosswalk);
        QTest::newRow("connection, city scale: its junction") << "connection" << 20.0 << int(MapHit::Junction);
        QTest::newRow("500 m away") << "away" << 0.3 << int(MapHit::None);
        QTest::newRow("500 m away, country scale") << "away" << 200.0 << int(MapHit::Junction);
        QTest::newRow("no scale") << "centre" << 0.0 << int(MapHit::None);
        QTest::newRow("scale not a number") << "centre" << qQNaN() << int(MapHit::None);
    }
    void picksTheNearestObject()
    {
        QFETCH(QString, where);
        QFETCH(double, metresPerPixel);
        QFETCH(int, kind);
        QPointF xy = m_granule->position();
        if (where == QLatin1String("connection"))
            xy = quarter(m_connection->polyline());
        else if (where == QLatin1String("crosswalk"))
            xy = quarter(m_crosswalk->polyline());
        else if (where == QLatin1String("away"))
            xy += QPointF(500.0, 0.0);
        const MapHit hit = m_picker.pick(geo(xy), metresPerPixel);
        QCOMPARE(int(hit.kind), kind);
        if (kind == MapHit::None)
            return;
        QVERIFY(hit.isValid());
        QCOMPARE(hit.granule.data(), m_granule);
        QCOMPARE(hit.network, QStringLiteral("/data/j3.ostka"));
        if (kind == MapHit::Connection)
            QCOMPARE(hit.connection.data(), m_connection);
        if (kind == MapHit::Crosswalk)
            QCOMPARE(hit.crosswalk.data(), m_crosswalk);
    }

    void hitOfAGoneNetworkIsInvalid()
    {
        const MapHit hit = m_picker.pick(geo(m_granule->position()), 0.3);
        QVERIFY(hit.isValid());
        m_picker.setNetworks({});
        m_tn.reset();
        QVERIFY(!hit.isValid());
        QVERIFY(HitDescription::tooltip(hit, {}).isEmpty());
    }

    // The words for each controller state, and its groups' states only while it reports them.
    void describesControllerAndGroups_data()
    {
        QTest::addColumn<QString>("controller");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("group");
        QTest::newRow("live") << "live" << "controller 3: live" << "SG 1 green";
        QTest::newRow("online, not followed") << "online" << "controller 3: online, not followed" << "SG 1 green";
        QTest::newRow("offline") << "offline" << "controller 3: offline" << "SG 1 no state";
        QTest::newRow("missing") << "missing" << "controller 3: no controller" << "SG 1 no state";
    }
    void describesControllerAndGroups()
    {
        QFETCH(QString, controller);
        QFETCH(QString, line);
        QFETCH(QString, group);
        Corvel::Light light(3);
        light.setGroupState(1, 1);
        light.setGroupState(2, 4);
        light.setEventMask(controller == QLatin1String("live") ? Corvel::Light::SignalGroupEvents : 0);
        light.setConnected(controller != QLatin1String("offline"));
        const HitDescription::LightLookup lookup = [&](int id) -> const Corvel::Light * {
            return controller == QLatin1String("missing") || id != 3 ? nullptr : &light;
        };
        const MapHit hit = m_picker.pick(geo(quarter(m_connection->polyline())), 0.3);
        QCOMPARE(int(hit.kind), int(MapHit::Connection));
        const QStringList tip = HitDescription::tooltip(hit, lookup).split(QLatin1Char('\n'));
        QCOMPARE(tip.value(0), QStringLiteral("Connection \u201cJ3_C0\u201d at junction \u201cJ3_G\u201d"));
        QCOMPARE(tip.value(1), line);
        QCOMPARE(tip.value(2), group);
        const QString html = HitDescription::html(hit, lookup);
        QVERIFY(html.contains(QStringLiteral("j3.ostka")));
        QVERIFY(html.contains(QStringLiteral("straight on")));
        // A connection shows its own group only, a junction all of them.
        QVERIFY(!html.contains(QStringLiteral("SG 2")));
        const MapHit junction = m_picker.pick(geo(m_granule->position()), 0.3);
        QVERIFY(HitDescription::html(junction, lookup).contains(QStringLiteral("SG 2")));
    }

    void countsNeverTakeOfflineForLive_data()
    {
        QTest::addColumn<QList<int>>("states"); // 0 live, 1 online, 2 offline
        QTest::addColumn<QString>("text");
        QTest::newRow("all live") << QList<int>{0, 0} << "2 of 2 controllers live";
        QTest::newRow("one not followed") << QList<int>{0, 1} << "1 of 2 controllers live";
        QTest::newRow("one offline, still subscribed") << QList<int>{0, 2, 1} << "1 of 3 controllers live, 1 offline";
        QTest::newRow("none") << QList<int>{} << "0 of 0 controllers live";
    }
    void countsNeverTakeOfflineForLive()
    {
        QFETCH(QList<int>, states);
        QFETCH(QString, text);
        std::vector<std::unique_ptr<Corvel::Light>> owned;
        QList<Corvel::Light *> lights;
        for (int s : states) {
            owned.push_back(std::make_unique<Corvel::Light>(int(owned.size()) + 1));
            Corvel::Light *l = owned.back().get();
            // An offline controller keeps the event-mask bit of a subscriber: it still is not live.
            l->setEventMask(s == 1 ? 0 : Corvel::Light::SignalGroupEvents);
            l->setConnected(s != 2);
            lights << l;
        }
        QCOMPARE(controllerCountText(countControllers(lights), lights.size()), text);
    }

    // Three junctions on an east-west road (online, offline, no controller) and a footpath:
    // each drawn in its own look below the minimum zoom, only the offline mark above it.
    void overviewDrawsEachStateApart()
    {
        TestNetwork tn(Origin);
        for (int k = 0; k < 3; ++k) {
            JunctionSpec j;
            j.tlId = 3 + k;
            j.centre = QPointF(300.0 * k, 0.0);
            j.connections = {ConnSpec{{1}, 0.0}};
            QVERIFY(tn.addJunction(j));
        }
        Ostrika::Node *a = tn.node(QPointF(150.0, -200.0));
        Ostrika::Node *b = tn.node(QPointF(150.0, 200.0));
        tn.straight(a, b, 0.0, Ostrika::Lane::Pedestrian);
        QVERIFY2(tn.ok(), qPrintable(tn.error));
        Corvel::Project project;
        project.addLight(3);
        project.addLight(4)->setConnected(false);

        Mirel::MapScene scene;
        auto *layer = new OverviewLayer([&](int id) -> const Corvel::Light * { return project.object(id); });
        scene.addItem(layer);
        layer->setNetworks({&tn.net});
        QCOMPARE(layer->junctionCount(), 3);
        OsmView view(&scene);
        view.resize(900, 500);
        view.fitGeo(tn.net.geoUtil()->xyToGeo(QRectF(-100, -220, 800, 440)));
        layer->setZoom(view.zoom());
        QVERIFY(layer->showsOverview());
        QCOMPARE(layer->hintText(), QStringLiteral("Zoom in to 17 to see signals"));
        const QImage below = view.viewport()->grab().toImage();
        QVERIFY(countNear(below, controllerStateColour(ControllerState::Online), 3) > 15);
        QVERIFY(countNear(below, controllerStateColour(ControllerState::Missing), 3) > 15);
        QVERIFY(countNear(below, controllerStateColour(ControllerState::Offline), 3) > 8);
        // The east-west road (bounds of no height) and the footpath, lighter.
        QVERIFY(countNear(below, QColor(112, 112, 112), 0) > 80);
        QVERIFY(countNear(below, QColor(188, 184, 176), 0) > 80);

        layer->setMinimumZoom(view.zoom());
        QVERIFY(!layer->showsOverview());
        QVERIFY(layer->hintText().isEmpty());
        const QImage above = view.viewport()->grab().toImage();
        QCOMPARE(countNear(above, controllerStateColour(ControllerState::Online), 3), 0);
        // A road pixel away from every mark: the road is no longer there.
        const QPoint road = view.mapFromScene(tn.net.geoUtil()->xyToGeo(QPointF(40.0, 0.0)));
        const QRect around(road - QPoint(2, 2), QSize(5, 5));
        QVERIFY(countNear(below.copy(around), QColor(112, 112, 112), 0) > 0);
        QCOMPARE(countNear(above.copy(around), QColor(112, 112, 112), 0), 0);
        QVERIFY(countNear(above, controllerStateColour(ControllerState::Offline), 3) > 20);
    }

    void fitShowsTheGroupInView_data()
    {
        QTest::addColumn<QList<QRectF>>("bounds");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<QRectF>("expected");
        const QRectF town(16.59, 49.18, 0.03, 0.02), suburb(16.63, 49.18, 0.02, 0.02), berlin(13.50, 52.40, 0.06, 0.05);
        QTest::newRow("one network") << QList<QRectF>{town} << QPointF(0, 0) << town;
        QTest::newRow("two close: both") << QList<QRectF>{town, suburb} << QPointF(16.6, 49.19) << town.united(suburb);
        QTest::newRow("far apart, on the town") << QList<QRectF>{town, berlin} << QPointF(16.6, 49.19) << town;
        QTest::newRow("far apart, near Berlin") << QList<QRectF>{town, berlin} << QPointF(13.0, 52.0) << berlin;
        QTest::newRow("none") << QList<QRectF>{QRectF()} << QPointF(0, 0) << QRectF();
    }
    void fitShowsTheGroupInView()
    {
        QFETCH(QList<QRectF>, bounds);
        QFETCH(QPointF, centre);
        QFETCH(QRectF, expected);
        QCOMPARE(NetworkFit::target(bounds, centre), expected);
    }
};

QTEST_MAIN(TestNetworkPicker)
#include "tst_networkpicker.moc"
