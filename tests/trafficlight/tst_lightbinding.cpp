// Controller binding: entries, bounds, group maps, markers, messages, destruction, reloading.
#include "lightsfixture.h"

#include <signalstate.h>

#include <QSet>

class tst_LightBinding : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void entryPerController();
    void connectionWithSeveralGroups();
    void crosswalkGroupZeroKept();
    void everyGroupIdFindsItsRecords_data();
    void everyGroupIdFindsItsRecords();
    void markerAtConnectionStart();
    void granuleWithoutNodeItemsHasNullBounds();
    void granuleWithoutControllerSkipped();
    void projectWithoutObjectInvokable();
    void projectReturnsNull();
    void duplicateControllerAcrossNetworks();
    void destroyingEntryDeletesMarkersOnce();
    void destroyedEntryItemsStopBlinking();
    void destroyedControllerRemovesEntry();
    void loadWithProjectBindsEveryController();
    void reloadSamePathDropsOldEntries();
    void sampleNetworkBindsEveryController();
    void sceneDeletedBeforeUnload();

private:
    QString save(TestNetwork &b, const QString &name)
    {
        const QString file = dir.filePath(name);
        if (!b.save(file))
            qWarning("save failed: %s", qPrintable(b.error));
        return file;
    }
    int pluginLines(const QString &text) { return LogCapture::count(text); }
    // Draws the one junction \a junction into the scene and binds its controller of \a project.
    LightEntry *bindJunction(const JunctionSpec &junction, const QString &name, DrawnNet &d,
                             Corvel::Project &project)
    {
        TestNetwork b;
        if (!b.addJunction(junction) || !d.load(&scene, save(b, name)))
            return nullptr;
        project.addLight(junction.tlId);
        PluginProbe probe(plugin);
        probe.bind(d.net.get(), &project, d.markers);
        return probe.entry(junction.tlId);
    }

    QTemporaryDir dir;
    QGraphicsScene scene;
    OstrikgPlugin *plugin = nullptr;
    std::unique_ptr<LogCapture> log;
};

void tst_LightBinding::initTestCase()
{
    useTestSettings("tst_lightbinding");
    QVERIFY(dir.isValid());
}

void tst_LightBinding::init()
{
    plugin = new OstrikgPlugin;
    plugin->setLoggingLevel(2);
    log.reset(new LogCapture);
}

void tst_LightBinding::cleanup()
{
    PluginProbe(plugin).dropAll();
    delete plugin;
    plugin = nullptr;
    log.reset();
}

void tst_LightBinding::entryPerController()
{
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}, {{2}}, {{1, 2}}}, {1, 4}}));
    QVERIFY(b.addJunction({2, {500, 0}, {{{7}}}, {}}));
    const QString file = save(b, "entries.ostka");
    DrawnNet d;
    QVERIFY(d.load(&scene, file));

    Corvel::Project project;
    Corvel::Light *l1 = project.addLight(1);
    Corvel::Light *l2 = project.addLight(2);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);

    QCOMPARE(probe.lights().keys(), (QList<int>{1, 2}));
    LightEntry *e = probe.entry(1);
    QCOMPARE(e->light, static_cast<QObject *>(l1));
    QCOMPARE(probe.entry(2)->light, static_cast<QObject *>(l2));
    QCOMPARE(e->network, static_cast<QObject *>(d.net.get()));
    QCOMPARE(e->processing, false);
    QCOMPARE(e->subscribed, false);
    QCOMPARE(e->bounds, d.item("J1_N")->sceneBoundingRect());
    QVERIFY(!e->bounds.isNull());

    // Connections 0 (group 1), 1 (group 2), 2 (groups 1 and 2); crosswalks under 1 and 4.
    QCOMPARE(e->groupItems.uniqueKeys(), (QList<int>{1, 2, 4}));
    QCOMPARE(e->groupItems.count(1), 3);
    QCOMPARE(e->groupItems.count(2), 2);
    QCOMPARE(e->groupItems.count(4), 1);
    QCOMPARE(e->itemGroups.size(), 4);
    QCOMPARE(e->itemGroups.count(d.item("J1_C2")), 2);
    QCOMPARE(e->itemGroups.count(d.item("J1_X0")), 0);
    QCOMPARE(d.markers->childItems().size(), 5); // four of junction 1, one of junction 2
    for (GroupItem *g : qAsConst(e->groupItems)) {
        QCOMPARE(g->state, -1);
        const bool crosswalk = g->item == d.item("J1_X0") || g->item == d.item("J1_X1");
        QCOMPARE(g->marker == nullptr, crosswalk);
        if (g->marker) {
            QCOMPARE(g->marker->parentItem(), static_cast<QGraphicsItem *>(d.markers));
            QVERIFY(!g->marker->isVisible());
            QCOMPARE(g->marker->currentState(), 0);
        }
    }
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

void tst_LightBinding::connectionWithSeveralGroups()
{
    DrawnNet d;
    Corvel::Project project;
    LightEntry *e = bindJunction({3, {0, 0}, {{{0, 3, 5}}}, {}}, "groups035.ostka", d, project);
    QVERIFY(e);
    QGraphicsItem *item = d.item("J3_C0");
    QVERIFY(item);
    QCOMPARE(e->groupItems.keys(), (QList<int>{3, 5}));
    QCOMPARE(e->itemGroups.keys(), (QList<QGraphicsItem *>{item, item}));
    const QList<GroupItem *> records = e->itemGroups.values(item);
    QVERIFY(records.at(0) != records.at(1));
    QVERIFY(records.at(0)->marker && records.at(1)->marker);
    QVERIFY(records.at(0)->marker != records.at(1)->marker);
    // The same records, reachable from both maps.
    QVERIFY(records.contains(e->groupItems.value(3)));
    QVERIFY(records.contains(e->groupItems.value(5)));
    QCOMPARE(d.markers->childItems().size(), 2);
}

void tst_LightBinding::crosswalkGroupZeroKept()
{
    DrawnNet d;
    Corvel::Project project;
    LightEntry *e = bindJunction({4, {0, 0}, {}, {0, -2, 6}}, "crosswalks.ostka", d, project);
    QVERIFY(e);
    QCOMPARE(e->groupItems.keys(), (QList<int>{-2, 0, 6}));
    QCOMPARE(e->groupItems.value(0)->item, static_cast<QGraphicsItem *>(d.item("J4_X0")));
    QVERIFY(!e->groupItems.value(0)->marker);
    QVERIFY(e->itemGroups.isEmpty());
    QVERIFY(d.markers->childItems().isEmpty());
}

void tst_LightBinding::everyGroupIdFindsItsRecords_data()
{
    QTest::addColumn<QList<int>>("groups");
    QTest::newRow("neighbouring ids") << QList<int>{1, 2, 3};
    QTest::newRow("zero and a high pair") << QList<int>{0, 37, 38};
    QTest::newRow("zero and the next high pair") << QList<int>{0, 38, 39};
    QTest::newRow("repeated id") << QList<int>{5, 5, 7};
    QTest::newRow("negative and large ids") << QList<int>{-2, 0, 100000};
}

// A red state of each group reaches exactly the crosswalks of that group, and a group the
// entry does not have reaches none.
void tst_LightBinding::everyGroupIdFindsItsRecords()
{
    QFETCH(QList<int>, groups);
    DrawnNet d;
    Corvel::Project project;
    LightEntry *e = bindJunction({4, {0, 0}, {}, groups}, "groupids.ostka", d, project);
    QVERIFY(e);
    PluginProbe probe(plugin);

    QSet<int> shown;
    for (int g : qAsConst(groups)) {
        probe.apply(e, QVariantList{g, int(SignalState::Red)});
        shown.insert(g);
        for (int i = 0; i < groups.size(); ++i) {
            const QColor expected = shown.contains(groups.at(i)) ? QColor(Qt::red) : QColor();
            QCOMPARE(overrideColor(d.item(QStringLiteral("J4_X%1").arg(i))), expected);
        }
    }
    // A group the controller does not have shows nothing.
    probe.apply(e, QVariantList{groups.constLast() + 1, int(SignalState::Green)});
    for (int i = 0; i < groups.size(); ++i)
        QCOMPARE(overrideColor(d.item(QStringLiteral("J4_X%1").arg(i))), QColor(Qt::red));
}

void tst_LightBinding::markerAtConnectionStart()
{
    ConnSpec straight{{1}, 0.0, true};
    ConnSpec left{{2}, 270.0, true};
    ConnSpec noStopline{{3}, 90.0, false};
    DrawnNet d;
    Corvel::Project project;
    LightEntry *e = bindJunction({5, {0, 0}, {straight, left, noStopline}, {}}, "markers.ostka", d, project);
    QVERIFY(e);

    const Ostrika::GeoUtil &geo = *d.net->geoUtil();
    for (int k = 0; k < 3; ++k) {
        const QString name = QStringLiteral("J5_C%1").arg(k);
        auto *conn = d.net->findChild<Ostrika::Connection *>(name);
        QVERIFY(conn);
        QGraphicsItem *item = d.item(name);
        const SgRedYellowItem *m = e->itemGroups.value(item)->marker;
        QVERIFY(m);
        const QPointF start = geo.xyToGeo(conn->polyline().constFirst());
        QVERIFY2(QLineF(m->pos(), start).length() < 1e-9, qPrintable(name));
        QCOMPARE(m->arrowPath().isEmpty(), k == 2);
        if (k == 2)
            continue;
        // Downstream of the stop line lies the red half; a lane width across.
        const QLineF travel(conn->polyline().constFirst(), conn->polyline().constLast());
        const QPointF u = (travel.p2() - travel.p1()) / travel.length();
        auto itemPt = [&](double dist) { return geo.xyToGeo(travel.p1() + dist * u) - m->pos(); };
        QVERIFY(inside(m->redHalfPath(), itemPt(0.9 * 1.75)));
        QVERIFY(!inside(m->redHalfPath(), itemPt(1.1 * 1.75)));
        QVERIFY(inside(m->secondHalfPath(), itemPt(-0.9 * 1.75)));
    }
    // The left turn's arrow differs from the straight one's shape.
    const SgRedYellowItem *m0 = e->itemGroups.value(d.item("J5_C0"))->marker;
    const SgRedYellowItem *m1 = e->itemGroups.value(d.item("J5_C1"))->marker;
    QCOMPARE(m0->arrowPath().elementCount(), 5);
    QCOMPARE(m1->arrowPath().elementCount(), 6);
}

void tst_LightBinding::granuleWithoutNodeItemsHasNullBounds()
{
    TestNetwork b;
    JunctionSpec s{6, {0, 0}, {{{1}}}, {}};
    s.withNodes = false;
    QVERIFY(b.addJunction(s));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "hidden.ostka")));
    Corvel::Project project;
    project.addLight(6);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);
    QVERIFY(probe.entry(6));
    QVERIFY(probe.entry(6)->bounds.isNull());
    QCOMPARE(probe.entry(6)->groupItems.size(), 1);
}

void tst_LightBinding::granuleWithoutControllerSkipped()
{
    TestNetwork b;
    QVERIFY(b.addJunction({0, {0, 0}, {{{1}}}, {}}));
    QVERIFY(b.addJunction({-3, {300, 0}, {{{1}}}, {}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "nocontroller.ostka")));
    TestProject project;
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);
    QVERIFY(probe.lights().isEmpty());
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

void tst_LightBinding::projectWithoutObjectInvokable()
{
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}}, {}}));
    QVERIFY(b.addJunction({2, {300, 0}, {{{1}}}, {}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "noinvokable.ostka")));
    QObject project;
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);
    QVERIFY(probe.lights().isEmpty());
    QCOMPARE(pluginLines("critical OstrikgPlugin: Error 'Project::object' metacall"), 2);
    QVERIFY(d.markers->childItems().isEmpty());

    // Level 0 silences it.
    LogCapture::clear();
    plugin->setLoggingLevel(0);
    probe.bind(d.net.get(), &project, d.markers);
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

void tst_LightBinding::projectReturnsNull()
{
    TestNetwork b;
    QVERIFY(b.addJunction({8, {0, 0}, {{{1}}}, {}}));
    QVERIFY(b.addJunction({9, {300, 0}, {{{1}}}, {}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "unknown.ostka")));
    Corvel::Project project;
    project.addLight(9);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);
    QCOMPARE(probe.lights().keys(), QList<int>{9});
    QCOMPARE(pluginLines("warning OstrikgPlugin: Project not contains 8 object"), 1);

    LogCapture::clear();
    plugin->setLoggingLevel(1);
    PluginProbe(plugin).dropAll();
    probe.bind(d.net.get(), &project, d.markers);
    QCOMPARE(LogCapture::countContaining("OstrikgPlugin: "), 0);
}

void tst_LightBinding::duplicateControllerAcrossNetworks()
{
    TestNetwork first;
    QVERIFY(first.addJunction({5, {0, 0}, {{{1}}}, {}}));
    QVERIFY(first.addJunction({6, {300, 0}, {{{1}}}, {}}));
    TestNetwork second(QPointF(13.41, 52.53));
    QVERIFY(second.addJunction({5, {0, 0}, {{{1}}, {{2}}}, {}}));
    QVERIFY(second.addJunction({7, {300, 0}, {{{1}}}, {}}));
    DrawnNet d1, d2;
    QVERIFY(d1.load(&scene, save(first, "first.ostka")));
    QVERIFY(d2.load(&scene, save(second, "second.ostka")));
    Corvel::Project project;
    for (int id : {5, 6, 7})
        project.addLight(id);

    PluginProbe probe(plugin);
    probe.bind(d1.net.get(), &project, d1.markers);
    LightEntry *kept = probe.entry(5);
    probe.bind(d2.net.get(), &project, d2.markers);

    QCOMPARE(pluginLines("warning OstrikgPlugin: Duplicate granule 5"), 1);
    QCOMPARE(probe.lights().keys(), (QList<int>{5, 6, 7}));
    QCOMPARE(probe.entry(5), kept);
    QCOMPARE(kept->network, static_cast<QObject *>(d1.net.get()));
    QCOMPARE(kept->groupItems.size(), 1);
    QCOMPARE(probe.entry(7)->network, static_cast<QObject *>(d2.net.get()));
    // The duplicate granule got no markers in the second network.
    QCOMPARE(d2.markers->childItems().size(), 1);
}

void tst_LightBinding::destroyingEntryDeletesMarkersOnce()
{
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1, 2}}, {{2, 3}}, {{1}}}, {1, 2}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "destroy.ostka")));
    Corvel::Project project;
    project.addLight(1);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);
    QCOMPARE(d.markers->childItems().size(), 5);

    probe.dropEntry(1);
    QVERIFY(probe.lights().isEmpty());
    QVERIFY(d.markers->childItems().isEmpty());
    // The network's own items are untouched.
    QVERIFY(d.item("J1_C0"));
    QVERIFY(d.item("J1_X1"));
}

void tst_LightBinding::destroyedEntryItemsStopBlinking()
{
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}, {{2}}}, {3}}));
    QVERIFY(b.addJunction({2, {300, 0}, {{{1}}}, {}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "blinkdestroy.ostka")));
    Corvel::Project project;
    project.addLight(1);
    project.addLight(2);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);

    probe.apply(probe.entry(1), QVariantList{1, 2});
    probe.apply(probe.entry(1), QVariantList{3, 2});
    probe.apply(probe.entry(2), QVariantList{1, 2});
    QCOMPARE(probe.blinkItems().size(), 3);

    probe.dropEntry(1);
    QCOMPARE(probe.blinkItems(), QList<QGraphicsItem *>{d.item("J2_C0")});
    probe.dropEntry(2);
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);

    // The network can go now; a late tick has nothing left to touch.
    d.net.reset();
    probe.blinkTick();
    QCOMPARE(probe.blinkTimerId(), 0);
}

void tst_LightBinding::destroyedControllerRemovesEntry()
{
    TestNetwork b;
    QVERIFY(b.addJunction({1, {0, 0}, {{{1}}, {{2}}}, {2}}));
    QVERIFY(b.addJunction({2, {300, 0}, {{{1}}}, {}}));
    DrawnNet d;
    QVERIFY(d.load(&scene, save(b, "tldestroyed.ostka")));
    Corvel::Project project;
    Corvel::Light *doomed = project.addLight(1);
    project.addLight(2);
    PluginProbe probe(plugin);
    probe.bind(d.net.get(), &project, d.markers);

    QGraphicsItem *red = d.item("J1_C0");
    QGraphicsItem *flashing = d.item("J1_C1");
    QGraphicsItem *crosswalk = d.item("J1_X0");
    probe.apply(probe.entry(1), QVariantList{1, 4});
    probe.apply(probe.entry(1), QVariantList{2, 2});
    QVERIFY(!red->isVisible());
    QCOMPARE(probe.blinkItems().size(), 2);
    QCOMPARE(d.markers->childItems().size(), 3);

    delete doomed;
    QCOMPARE(probe.lights().keys(), QList<int>{2});
    QCOMPARE(d.markers->childItems().size(), 1);
    // The junction is no longer followed: its items look as without any state.
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(probe.blinkTimerId(), 0);
    for (QGraphicsItem *item : {red, flashing, crosswalk}) {
        QVERIFY(item->isVisible());
        QVERIFY(!overrideColor(item).isValid());
    }
}

void tst_LightBinding::loadWithProjectBindsEveryController()
{
    TestNetwork b;
    QVERIFY(b.addJunction({11, {0, 0}, {{{1}}, {{2}, 270.0}, {{1, 3}, 90.0}}, {4}}));
    QVERIFY(b.addJunction({12, {400, 0}, {{{1}}}, {}}));
    const QString file = save(b, "loaded.ostka");
    Corvel::Project project;
    project.addLight(11);
    project.addLight(12);

    TestHost host;
    QVERIFY(host.load(file, &project));
    PluginProbe probe(host.plugin);
    QCOMPARE(probe.lights().keys(), (QList<int>{11, 12}));
    Ostrikga::Networkg *net = probe.networks().value(QFileInfo(file).absoluteFilePath());
    QVERIFY(net);
    Ostrikga::Layer *markers = net->layer(QStringLiteral("redSignals"));
    QVERIFY(markers);
    QCOMPARE(markers->childItems().size(), 5);
    LightEntry *e = probe.entry(11);
    QCOMPARE(e->network, static_cast<QObject *>(net));
    QCOMPARE(e->bounds, net->object2item(net->findChild<Ostrika::Node *>("J11_N"))->sceneBoundingRect());
    QCOMPARE(e->groupItems.uniqueKeys(), (QList<int>{1, 2, 3, 4}));
    for (GroupItem *g : qAsConst(e->groupItems)) {
        if (g->marker)
            QVERIFY(!g->marker->isVisible());
    }

    // Without a project nothing is bound.
    TestHost bare;
    QVERIFY(bare.load(file, nullptr));
    QVERIFY(PluginProbe(bare.plugin).lights().isEmpty());
}

void tst_LightBinding::reloadSamePathDropsOldEntries()
{
    TestNetwork b;
    QVERIFY(b.addJunction({21, {0, 0}, {{{1}}, {{2}}}, {}}));
    const QString file = save(b, "reload.ostka");
    Corvel::Project project;
    Corvel::Light *light = project.addLight(21);

    TestHost host;
    QVERIFY(host.load(file, &project));
    PluginProbe probe(host.plugin);
    LightEntry *old = probe.entry(21);
    QVERIFY(old);
    probe.setProcessing(old, true);
    QCOMPARE(light->property("tlo_use_sg_cnt").toInt(), 1);
    QCoreApplication::processEvents();
    probe.apply(old, QVariantList{1, 2});
    QCOMPARE(probe.blinkItems().size(), 1);

    QVERIFY(host.load(file, &project));
    QCOMPARE(probe.networks().size(), 1);
    LightEntry *fresh = probe.entry(21);
    QVERIFY(fresh);
    QCOMPARE(fresh->network, static_cast<QObject *>(probe.networks().first()));
    QCOMPARE(fresh->processing, false);
    // The old subscription was taken back, nothing of the old network blinks.
    QVERIFY(!light->property("tlo_use_sg_cnt").isValid());
    QCOMPARE(light->eventMask() & 0x20u, 0u);
    QVERIFY(probe.blinkItems().isEmpty());
    QCOMPARE(LogCapture::countContaining("Duplicate granule"), 0);
    QTest::qWait(300);
    QCOMPARE(probe.blinkTimerId(), 0);
}

void tst_LightBinding::sampleNetworkBindsEveryController()
{
    const QString file = QFINDTESTDATA("../../samples/town.ostka");
    QVERIFY2(!file.isEmpty(), "samples/town.ostka not found");
    Ostrika::Network model;
    QVERIFY2(model.load(file), qPrintable(model.errorString()));
    Corvel::Project project;
    QSet<int> ids;
    for (Ostrika::Granule *g : model.findChildren<Ostrika::Granule *>()) {
        if (g->tlId() > 0) {
            ids.insert(g->tlId());
            project.addLight(g->tlId());
        }
    }
    QVERIFY(!ids.isEmpty());

    TestHost host;
    QVERIFY(host.load(file, &project));
    PluginProbe probe(host.plugin);
    QList<int> expected = ids.values();
    std::sort(expected.begin(), expected.end());
    QCOMPARE(probe.lights().keys(), expected);
    Ostrikga::Networkg *net = probe.networks().first();
    Ostrikga::Layer *markers = net->layer(QStringLiteral("redSignals"));
    int markerCount = 0;
    for (Ostrika::Granule *g : net->findChildren<Ostrika::Granule *>()) {
        LightEntry *e = probe.entry(g->tlId());
        if (g->tlId() <= 0)
            continue;
        QVERIFY(e);
        QRectF bounds;
        for (Ostrika::Node *n : g->nodes()) {
            if (QGraphicsItem *item = net->object2item(n))
                bounds = bounds | item->sceneBoundingRect();
        }
        QCOMPARE(e->bounds, bounds);
        for (Ostrika::Connection *c : g->connections()) {
            QGraphicsItem *item = net->object2item(c);
            int positive = 0;
            for (Ostrika::SignalGroup *sg : c->signalGroups())
                positive += sg->tlId() > 0 ? 1 : 0;
            QCOMPARE(e->itemGroups.count(item), positive);
            const QPointF start = net->geoUtil()->xyToGeo(c->polyline().constFirst());
            const int cls = SgRedYellowItem::directionClass(c->lanesAngle());
            for (GroupItem *r : e->itemGroups.values(item)) {
                ++markerCount;
                QVERIFY(r->marker);
                QVERIFY(!r->marker->isVisible());
                QCOMPARE(r->marker->parentItem(), static_cast<QGraphicsItem *>(markers));
                QVERIFY(QLineF(r->marker->pos(), start).length() < 1e-9);
                QCOMPARE(r->marker->arrowPath().isEmpty(), c->from() == nullptr);
                if (c->from())
                    QCOMPARE(r->marker->arrowPath().elementCount(), cls == 0 ? 5 : 6);
            }
        }
    }
    QVERIFY(markerCount > 0);
    QCOMPARE(markers->childItems().size(), markerCount);
}

void tst_LightBinding::sceneDeletedBeforeUnload()
{
    TestNetwork b;
    QVERIFY(b.addJunction({31, {0, 0}, {{{1}}, {{2}}}, {3}}));
    const QString file = save(b, "scenefirst.ostka");
    Corvel::Project project;
    Corvel::Light *light = project.addLight(31);
    light->setResponseLifetime(0);

    auto *scene = new Mirel::MapScene;
    auto *view = new OsmView(scene);
    OstrikgPlugin *host = new OstrikgPlugin;
    bool ok = false;
    QVERIFY(QMetaObject::invokeMethod(host, "loadOstrik", Q_RETURN_ARG(bool, ok),
                                      Q_ARG(QString, file), Q_ARG(QGraphicsScene *, scene),
                                      Q_ARG(QObject *, &project)));
    QVERIFY(ok);
    PluginProbe probe(host);
    LightEntry *e = probe.entry(31);
    QVERIFY(e);
    probe.setProcessing(e, true);
    QTRY_VERIFY(allAnswered(light));
    light->setGroupState(1, 4);
    light->setGroupState(2, 2);
    QCOMPARE(probe.blinkItems().size(), 1);

    delete view;
    delete scene;
    QVERIFY(probe.blinkItems().isEmpty());
    // Nothing of the scene is touched again: states, ticks and the unload run on.
    light->setGroupState(2, 4);
    probe.blinkTick();
    QSignalSpy unloaded(host, SIGNAL(networksUnloaded()));
    QMetaObject::invokeMethod(host, "unloadAll");
    QCOMPARE(unloaded.count(), 1);
    QVERIFY(!light->dynamicPropertyNames().contains("tlo_use_sg_cnt"));
    QCOMPARE(light->eventMask() & 0x20u, 0u);
    delete host;
}

QTEST_MAIN(tst_LightBinding)
#include "tst_lightbinding.moc"
