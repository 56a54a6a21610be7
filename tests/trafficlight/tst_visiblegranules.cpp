// The visible-granule check, its debounce, the master switch, and the whole loop through
// loadOstrik, the map view and unloadAll.
#include "lightsfixture.h"

#include <QScrollBar>

namespace {
const QPointF kOrigin(13.40, 52.52);
const QString kCheckLine = QStringLiteral("info OstrikgPlugin: Check for visible granules");
}

class tst_VisibleGranules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void switchesExactlyTheVisible();
    void zoomBelowMinimumSwitchesAllOff();
    void hiddenLayer();
    void nullBoundsNeverSwitchedOn();
    void masterSwitch();
    void checkTickDebounces();

    void loadedJunctionShowsLiveStates();
    void zoomingOutSwitchesOffLater();
    void continuousScrollingRunsOneCheck();
    void hidingPluginLayerRestoresNormalLook();
    void unloadRestoresControllers();

private:
    LightEntry *entry(int id) { return PluginProbe(plugin).entry(id); }
    void lookAt(const QPointF &xy, int z)
    {
        const Ostrika::GeoUtil g(kOrigin);
        view->setZoom(z);
        view->centerOnGeo(g.xyToGeo(xy));
        PluginProbe(plugin).zoom() = z;
    }

    QTemporaryDir dir;
    QString file;
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    DrawnNet d;
    Corvel::Project *project = nullptr;
    OstrikgPlugin *plugin = nullptr;
    std::unique_ptr<LogCapture> log;
};

void tst_VisibleGranules::initTestCase()
{
    useTestSettings("tst_visiblegranules");
    QVERIFY(dir.isValid());
    TestNetwork b(kOrigin);
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}, {{2}}}, {3}}));
    QVERIFY(b.addJunction({2, {3000, 0}, {{{1}}}, {}}));
    JunctionSpec hidden{3, {80, 0}, {{{1}}}, {}};
    hidden.withNodes = false;
    QVERIFY(b.addJunction(hidden));
    file = dir.filePath("visible.ostka");
    QVERIFY(b.save(file));
}

void tst_VisibleGranules::init()
{
    log.reset(new LogCapture);
    project = new Corvel::Project;
    for (int id : {1, 2, 3})
        project->addLight(id)->setResponseLifetime(0);
    plugin = new OstrikgPlugin;
    plugin->setLoggingLevel(3);
}

void tst_VisibleGranules::cleanup()
{
    PluginProbe(plugin).dropAll();
    delete plugin;
    plugin = nullptr;
    d.net.reset();
    view.reset();
    delete project;
    project = nullptr;
    log.reset();
}

// Direct checks: a view over a network bound through the probe.
void tst_VisibleGranules::switchesExactlyTheVisible()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());

    lookAt({0, 0}, 18);
    probe.check();
    QVERIFY(entry(1)->processing);
    QVERIFY(!entry(2)->processing);
    QVERIFY(probe.processingActive());
    QCOMPARE(project->object(1)->property("tlo_use_sg_cnt"), QVariant(1));
    QVERIFY(!project->object(2)->property("tlo_use_sg_cnt").isValid());

    lookAt({3000, 0}, 18);
    probe.check();
    QVERIFY(!entry(1)->processing);
    QVERIFY(entry(2)->processing);
    QVERIFY(!project->object(1)->property("tlo_use_sg_cnt").isValid());

    // Far away from both: nothing is followed.
    lookAt({20000, 20000}, 18);
    probe.check();
    QVERIFY(!entry(2)->processing);
    QVERIFY(!probe.processingActive());
}

void tst_VisibleGranules::zoomBelowMinimumSwitchesAllOff()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());
    lookAt({1500, 0}, 12); // both junctions in view, but zoomed out
    probe.check();
    QVERIFY(!entry(1)->processing);
    QVERIFY(!entry(2)->processing);

    lookAt({1500, 0}, probe.minZoom() - 1);
    probe.check();
    QVERIFY(!entry(1)->processing);
    lookAt({0, 0}, probe.minZoom());
    probe.check();
    QVERIFY(entry(1)->processing);
    lookAt({0, 0}, probe.minZoom() - 1);
    probe.check();
    QVERIFY(!entry(1)->processing);
    QVERIFY(!probe.processingActive());
}

void tst_VisibleGranules::hiddenLayer()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    QGraphicsObject *hostLayer = scene.addLayer(QStringLiteral("Ostrik"));
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());
    probe.setLayer(hostLayer);
    lookAt({0, 0}, 18);
    probe.check();
    QVERIFY(entry(1)->processing);

    hostLayer->setVisible(false);
    probe.check();
    QVERIFY(!entry(1)->processing);
    QVERIFY(!probe.processingActive());

    // Hidden and nothing on: the check does not even start.
    LogCapture::clear();
    probe.check();
    QCOMPARE(LogCapture::count(kCheckLine), 0);
    delete hostLayer;
}

void tst_VisibleGranules::nullBoundsNeverSwitchedOn()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());
    QVERIFY(entry(3));
    QVERIFY(entry(3)->bounds.isNull());
    lookAt({80, 0}, 18);
    probe.check();
    QVERIFY(entry(1)->processing); // 80 m away, in view
    QVERIFY(!entry(3)->processing);
    QCOMPARE(project->object(3)->commandCount(), 0);
}

void tst_VisibleGranules::masterSwitch()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());
    lookAt({0, 0}, 18);
    probe.check();
    QVERIFY(entry(1)->processing);

    plugin->setAllowProcessTlEvents(false);
    QVERIFY(!probe.allowProcessTlEvents());
    QVERIFY(!entry(1)->processing);
    QVERIFY(!project->object(1)->property("tlo_use_sg_cnt").isValid());

    // Off: the check does nothing at all.
    LogCapture::clear();
    probe.check();
    QCOMPARE(LogCapture::count(kCheckLine), 0);
    QVERIFY(!entry(1)->processing);
    plugin->setAllowProcessTlEvents(false);
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);

    plugin->setAllowProcessTlEvents(true);
    QVERIFY(entry(1)->processing);
    QVERIFY(!entry(2)->processing);
    QCOMPARE(LogCapture::count(kCheckLine), 1);
    plugin->setAllowProcessTlEvents(true);
    QCOMPARE(LogCapture::count(kCheckLine), 1);
}

void tst_VisibleGranules::checkTickDebounces()
{
    QVERIFY(d.load(&scene, file));
    view.reset(new OsmView(&scene));
    view->resize(800, 600);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), project, d.markers);
    probe.setView(view.get());
    lookAt({0, 0}, 18);

    probe.checkTick();
    QCOMPARE(LogCapture::count(kCheckLine), 0);
    probe.scheduleCheck();
    probe.checkTick();
    QCOMPARE(LogCapture::count(kCheckLine), 0);
    QVERIFY(probe.checkScheduled());
    QTest::qSleep(510);
    probe.checkTick();
    QCOMPARE(LogCapture::count(kCheckLine), 1);
    QVERIFY(!probe.checkScheduled());
    QVERIFY(entry(1)->processing);
    probe.checkTick();
    QCOMPARE(LogCapture::count(kCheckLine), 1);
}

// The whole loop, through the host calls.
void tst_VisibleGranules::loadedJunctionShowsLiveStates()
{
    Corvel::Light *l1 = project->object(1);
    l1->setGroupState(1, 4);
    l1->setGroupState(2, 2);
    l1->setGroupState(3, 16);
    TestHost host;
    host.lookAt(kOrigin, {0, 0}, 18);
    QVERIFY(host.load(file, project));
    PluginProbe probe(host.plugin);
    QVERIFY(probe.entry(1));
    QTRY_VERIFY_WITH_TIMEOUT(probe.entry(1)->processing, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(probe.entry(1)->groupItems.value(1)->state, 4, 2000);
    QCOMPARE(probe.entry(1)->groupItems.value(1)->marker->currentState(), 1);
    QVERIFY(probe.blinkItems().contains(host.findItemByName("J1_C1")));
    QCOMPARE(overrideColor(host.findItemByName("J1_X0")), QColor(Qt::yellow));
    QVERIFY(!probe.entry(2)->processing);

    // A pushed change appears at once.
    l1->setGroupState(1, 20);
    QCOMPARE(probe.entry(1)->groupItems.value(1)->marker->currentState(), 2);
}

void tst_VisibleGranules::zoomingOutSwitchesOffLater()
{
    TestHost host;
    host.lookAt(kOrigin, {0, 0}, 18);
    QVERIFY(host.load(file, project));
    PluginProbe probe(host.plugin);
    QTRY_VERIFY_WITH_TIMEOUT(probe.entry(1)->processing, 3000);

    host.view->setZoom(probe.minZoom() - 2);
    QVERIFY(probe.entry(1)->processing); // not at once: after the view came to rest
    QTRY_VERIFY_WITH_TIMEOUT(!probe.entry(1)->processing, 3000);
    QVERIFY(!project->object(1)->property("tlo_use_sg_cnt").isValid());
}

void tst_VisibleGranules::continuousScrollingRunsOneCheck()
{
    TestHost host;
    host.plugin->setLoggingLevel(3);
    host.lookAt(kOrigin, {0, 0}, 18);
    QVERIFY(host.load(file, project));
    PluginProbe probe(host.plugin);
    QTRY_VERIFY_WITH_TIMEOUT(probe.entry(1)->processing, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!probe.checkScheduled(), 3000);
    LogCapture::clear();

    QScrollBar *bar = host.view->horizontalScrollBar();
    QElapsedTimer t;
    t.start();
    int step = 0;
    qint64 last = 0;
    qint64 longestGap = 0;
    while (t.elapsed() < 2000) {
        bar->setValue(bar->value() + ((step++ % 2) ? 3 : -3));
        longestGap = qMax(longestGap, t.elapsed() - last);
        last = t.elapsed();
        QTest::qWait(50);
    }
    // A machine so busy that the "continuous" scrolling paused for half a second really did
    // rest, and a check is then due; that says nothing about the debounce.
    if (longestGap >= 400)
        QSKIP("the scrolling loop was descheduled for too long to count as continuous");
    QCOMPARE(LogCapture::count(kCheckLine), 0);
    QTest::qWait(1500);
    QCOMPARE(LogCapture::count(kCheckLine), 1);
}

void tst_VisibleGranules::hidingPluginLayerRestoresNormalLook()
{
    Corvel::Light *l1 = project->object(1);
    l1->setGroupState(1, 4);
    l1->setGroupState(3, 2);
    TestHost host;
    host.lookAt(kOrigin, {0, 0}, 18);
    QVERIFY(host.load(file, project));
    PluginProbe probe(host.plugin);
    QTRY_COMPARE_WITH_TIMEOUT(probe.entry(1)->groupItems.value(1)->state, 4, 3000);
    QVERIFY(!probe.blinkItems().isEmpty());

    QVERIFY(probe.layer());
    probe.layer()->setVisible(false);
    QTRY_VERIFY_WITH_TIMEOUT(!probe.entry(1)->processing, 3000);
    QVERIFY(probe.blinkItems().isEmpty());
    for (GroupItem *g : qAsConst(probe.entry(1)->groupItems)) {
        QVERIFY(!overrideColor(g->item).isValid());
        // The network layers are hidden with the plugin layer: look at the items' own flag.
        QVERIFY(g->item->isVisibleTo(g->item->parentItem()));
        if (g->marker)
            QVERIFY(!g->marker->isVisibleTo(g->marker->parentItem()));
        QCOMPARE(g->state, -1);
    }
}

void tst_VisibleGranules::unloadRestoresControllers()
{
    Corvel::Light *l1 = project->object(1);
    l1->setEventMask(0x05);
    l1->setGroupState(2, 2);
    Corvel::Light *l2 = project->object(2);
    l2->setEventMask(0x21);
    l2->setProperty("tlo_use_sg_cnt", 1); // someone else's subscription
    TestHost host;
    host.lookAt(kOrigin, {0, 0}, 18);
    QVERIFY(host.load(file, project));
    PluginProbe probe(host.plugin);
    QTRY_VERIFY_WITH_TIMEOUT(!probe.blinkItems().isEmpty(), 3000);
    QCOMPARE(l1->eventMask(), 0x25u);
    const int oldBlinkTimer = probe.blinkTimerId();
    const int oldCheckTimer = probe.checkTimerId();
    QVERIFY(oldBlinkTimer != 0 && oldCheckTimer != 0);

    QSignalSpy unloaded(host.plugin, SIGNAL(networksUnloaded()));
    host.unload();
    QCOMPARE(unloaded.count(), 1);
    QCOMPARE(l1->eventMask(), 0x05u);
    QVERIFY(!l1->dynamicPropertyNames().contains("tlo_use_sg_cnt"));
    QCOMPARE(l2->eventMask(), 0x21u);
    QCOMPARE(l2->property("tlo_use_sg_cnt"), QVariant(1));
    QVERIFY(probe.lights().isEmpty());
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);
    // Pushed changes no longer reach the plugin.
    l1->setGroupState(2, 4);
    QCOMPARE(l1->eventMask() & 0x20u, 0u);

    // Timer events with the old ids do nothing.
    QTimerEvent blink(oldBlinkTimer), check(oldCheckTimer);
    QCoreApplication::sendEvent(host.plugin, &blink);
    QCoreApplication::sendEvent(host.plugin, &check);
    QVERIFY(probe.lights().isEmpty());

    host.unload();
    QCOMPARE(unloaded.count(), 2);

    // Loading again works as on first use.
    QVERIFY(host.load(file, project));
    QVERIFY(probe.entry(1));
    QTRY_VERIFY_WITH_TIMEOUT(probe.entry(1)->processing, 3000);
}

QTEST_MAIN(tst_VisibleGranules)
#include "tst_visiblegranules.moc"
