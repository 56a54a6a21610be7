// Loading networks through the host interface: files, layers, item model, view binding, log lines.
#include "hostilefiles.h"
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

#include <ostrikga/items.h>

class TestLoading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useTestSettings(); }
    void init();
    void cleanup();

    void loadsNetworkAndListsRoutes();
    void suffix_data();
    void suffix();
    void missingFileClearsSectionOnly();
    void hostileFileRefusedBeforeOpening_data();
    void hostileFileRefusedBeforeOpening();
    void failingLoadKeepsLayerAndSection();
    void layersStackedAboveHostLayer();
    void unlistedConnectionsLayerKeepsSimpleView();
    void nodesMarkersAndHiddenNodes();
    void closingZoomRule_data();
    void closingZoomRule();
    void sceneWithoutAddLayer();
    void hostWithoutItemModel();
    void nullScene();
    void viewBoundOnceWithOneCheckTimer();
    void reloadReplacesEarlierNetwork();
    void failedReloadKeepsEarlierNetwork();
    void reloadRebindsControllers();
    void messagesFollowLevel_data();
    void messagesFollowLevel();

private:
    QString file(const QString &name, const StripSpec &layout = StripSpec());
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<LogCapture> log;
    int savedLevel = 2;
};

QString TestLoading::file(const QString &name, const StripSpec &layout)
{
    const QString path = dir->filePath(name);
    QString error;
    if (!writeStrip(layout, path, &error))
        qFatal("cannot build test network: %s", qPrintable(error));
    return path;
}

void TestLoading::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    log.reset(new LogCapture);
    savedLevel = logLevel;
}

void TestLoading::cleanup()
{
    log.reset();
    dir.reset();
    logLevel = savedLevel;
}

void TestLoading::loadsNetworkAndListsRoutes()
{
    TestHost host;
    const QString path = file(QStringLiteral("town.ostka"));
    QVERIFY(host.load(path));

    const auto nets = PluginProbe(host.plugin).networks();
    QCOMPARE(nets.keys(), QStringList{QFileInfo(path).absoluteFilePath()});
    QVERIFY(host.findObjectByName(QStringLiteral("R1")));
    QCOMPARE(PluginProbe(host.plugin).mapScene(), static_cast<QGraphicsScene *>(&host.scene));

    const QModelIndex routes = host.routesIndex(QStringLiteral("town.ostka"));
    QVERIFY(routes.isValid());
    QCOMPARE(host.model.rowCount(routes), 1);
    const QModelIndex row = host.model.index(0, 0, routes);
    QCOMPARE(host.model.data(row).toString(), QStringLiteral("R1"));
    QCOMPARE(host.model.data(row.siblingAtColumn(1)).toInt(), 60);
    QCOMPARE(host.model.data(row.siblingAtColumn(2)).toString(), QStringLiteral("Route"));
    QCOMPARE(host.model.flags(row), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(host.model.flags(row.siblingAtColumn(1)), Qt::ItemFlags(Qt::ItemIsEnabled));
    QCOMPARE(host.model.flags(row.siblingAtColumn(2)), Qt::ItemFlags(Qt::ItemIsEnabled));

    QObject *treeItem = host.model.objectAt(row);
    QVERIFY(treeItem);
    QCOMPARE(treeItem->metaObject()->className(), "OstrikRuteTreeItem");
    QCOMPARE(treeItem->metaObject()->superClass()->className(), "ObjectTreeItem");
    QCOMPARE(treeItem->parent(), static_cast<QObject *>(host.networkOf(QStringLiteral("R1"))));
    QCOMPARE(treeItem->property("type").toString(), QStringLiteral("Route"));

    // The marker layer sits just below "Markers".
    Ostrikga::Networkg *net = host.networkOf(QStringLiteral("R1"));
    QStringList names;
    for (Ostrikga::Layer *l : net->layers())
        names.append(l->objectName());
    QCOMPARE(names.indexOf(QStringLiteral("redSignals")) + 1, names.indexOf(QStringLiteral("Markers")));
    QVERIFY(net->isReadOnly());
    QCOMPARE(PluginProbe(host.plugin).lightCount(), 0); // no project, no controllers
}

void TestLoading::suffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("read");
    QTest::newRow("capitals are read") << QStringLiteral("Town.OSTKA") << true;
    QTest::newRow("mixed case is read") << QStringLiteral("town.OsTkA") << true;
    QTest::newRow("further suffix is not read") << QStringLiteral("town.ostka.bak") << false;
    QTest::newRow("other suffix is not read") << QStringLiteral("town.xml") << false;
}

void TestLoading::suffix()
{
    QFETCH(QString, name);
    QFETCH(bool, read);
    TestHost host;
    host.plugin->setLoggingLevel(3);
    const QString path = file(name);
    QVERIFY(host.load(path));

    QCOMPARE(PluginProbe(host.plugin).networks().size(), read ? 1 : 0);
    QCOMPARE(host.findObjectByName(QStringLiteral("R1")) != nullptr, read);
    // The section is made in either case; only a read file has rows in it.
    const QModelIndex routes = host.routesIndex(name);
    QVERIFY(routes.isValid());
    QCOMPARE(host.model.rowCount(routes), read ? 1 : 0);
    QCOMPARE(LogCapture::pluginLines().contains(
                 QStringLiteral("info OstrikgPlugin: Loading network %1").arg(path)),
             read);
    QVERIFY(LogCapture::pluginLines().contains(
        QStringLiteral("info OstrikgPlugin: Network %1 loaded").arg(path)));
    // The view is bound and the zoom rule applied either way.
    QCOMPARE(PluginProbe(host.plugin).view(), static_cast<QGraphicsView *>(host.view.get()));
    QCOMPARE(PluginProbe(host.plugin).zoom(), host.view->zoom());
}

void TestLoading::missingFileClearsSectionOnly()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("town.ostka"))));
    QVERIFY(host.routesIndex(QStringLiteral("town.ostka")).isValid());

    const QString missing = dir->filePath(QStringLiteral("gone.ostka"));
    QVERIFY(!host.load(missing));
    QCOMPARE(LogCapture::pluginLines(),
             QStringList{QStringLiteral("critical OstrikgPlugin: File %1 not exists").arg(missing)});
    QVERIFY(!host.model.section(QStringLiteral("Road networks")));
    QCOMPARE(host.model.rowCount(), 0);
    // The network itself stays.
    QCOMPARE(PluginProbe(host.plugin).networks().size(), 1);
    QVERIFY(host.findItemByName(QStringLiteral("R1")));
}

void TestLoading::hostileFileRefusedBeforeOpening_data()
{
    HostileFiles::refusalRows(2147483648, QStringLiteral("256 MiB a road network file"));
}

// The host's GUI thread must neither wait on a FIFO nor read an endless device.
void TestLoading::hostileFileRefusedBeforeOpening()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    TestHost host;
    QVERIFY(host.load(this->file(QStringLiteral("town.ostka"))));
    LogCapture::clear();

    const QString path = dir->filePath(QStringLiteral("x.ostka"));
    QVERIFY(HostileFiles::make(path, file));
    HostileFiles::FifoRelease release(path);
    QVERIFY(!host.load(path));
    QVERIFY(!release.released());
    QCOMPARE(LogCapture::pluginLines(),
             QStringList{QStringLiteral("critical OstrikgPlugin: Error loading network %1: Cannot open \"%1\": %2")
                             .arg(path, reason)});
    QVERIFY(!host.routesIndex(QStringLiteral("x.ostka")).isValid());
    QCOMPARE(PluginProbe(host.plugin).networks().size(), 1);
    QVERIFY(host.findItemByName(QStringLiteral("R1")));
}

void TestLoading::failingLoadKeepsLayerAndSection()
{
    TestHost host;
    const QString bad = dir->filePath(QStringLiteral("bad.ostka"));
    {
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a network");
    }
    const int itemsBefore = host.scene.items().size();
    QVERIFY(!host.load(bad));

    const QStringList lines = LogCapture::pluginLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().startsWith(
                 QStringLiteral("critical OstrikgPlugin: Error loading network %1: ").arg(bad)),
             qPrintable(lines.first()));
    QVERIFY2(lines.first().size() > QStringLiteral("critical OstrikgPlugin: Error loading network %1: ").arg(bad).size(),
             "the library's error text is missing");
    QVERIFY(PluginProbe(host.plugin).networks().isEmpty());
    // Only the plugin layer is left in the scene; the network's layers went with it.
    QVERIFY(PluginProbe(host.plugin).layer());
    QCOMPARE(host.scene.items().size(), itemsBefore + 1);
    QCOMPARE(PluginProbe(host.plugin).layer()->objectName(), QStringLiteral("Ostrik"));
    const QModelIndex routes = host.routesIndex(QStringLiteral("bad.ostka"));
    QVERIFY(routes.isValid());
    QCOMPARE(host.model.rowCount(routes), 0);
    // The view is not looked up after a failure.
    QVERIFY(!PluginProbe(host.plugin).view());
    QCOMPARE(PluginProbe(host.plugin).checkTimerId(), 0);
}

void TestLoading::layersStackedAboveHostLayer()
{
    TestHost host;
    // Another host layer first, so the plugin's layer does not sit at z 0.
    QGraphicsObject *other = host.scene.addLayer(QStringLiteral("Tiles"));
    QVERIFY(host.load(file(QStringLiteral("town.ostka"))));
    QGraphicsObject *hostLayer = PluginProbe(host.plugin).layer();
    QVERIFY(hostLayer);
    QVERIFY(hostLayer->zValue() > other->zValue());

    QGraphicsScene scratch;
    Ostrikga::Networkg reference(&scratch);
    reference.insertLayer(QStringLiteral("redSignals"), QStringLiteral("Markers"));
    Ostrikga::Networkg *net = host.networkOf(QStringLiteral("R1"));
    QCOMPARE(net->layers().size(), reference.layers().size());
    for (Ostrikga::Layer *l : reference.layers()) {
        const qreal expected = hostLayer->zValue() + l->zValue() / 100.0;
        const qreal actual = net->layer(l->objectName())->zValue();
        QVERIFY2(qFuzzyCompare(actual, expected),
                 qPrintable(QStringLiteral("%1: %2 != %3").arg(l->objectName()).arg(actual).arg(expected)));
    }
}

void TestLoading::unlistedConnectionsLayerKeepsSimpleView()
{
    TestHost listed;
    QVERIFY(listed.load(file(QStringLiteral("a.ostka"))));
    auto *conn = dynamic_cast<Ostrikga::Connectiong *>(listed.findItemByName(QStringLiteral("C1")));
    QVERIFY(conn);
    QVERIFY(!conn->isSimpleView());

    TestHost unlisted;
    QStringList names = PluginProbe(unlisted.plugin).visibleLayers();
    QVERIFY(names.removeAll(QStringLiteral("Connections")) == 1);
    unlisted.plugin->setVisibleLayers(names);
    QVERIFY(unlisted.load(file(QStringLiteral("b.ostka"))));
    conn = dynamic_cast<Ostrikga::Connectiong *>(unlisted.findItemByName(QStringLiteral("C1")));
    QVERIFY(conn);
    QVERIFY(conn->isSimpleView());
    QVERIFY(!TestHost::layerOf(unlisted.networkOf(QStringLiteral("C1")), QStringLiteral("Connections"))->isVisible());
}

void TestLoading::nodesMarkersAndHiddenNodes()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("town.ostka"))));
    for (const QString &name : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
        auto *node = dynamic_cast<Ostrikga::Nodeg *>(host.findItemByName(name));
        QVERIFY2(node, qPrintable(name));
        QVERIFY2(!node->isMarkerVisible(), qPrintable(name));
        QVERIFY2(node->isVisible(), qPrintable(name));
    }
    auto *hidden = dynamic_cast<Ostrikga::Nodeg *>(host.findItemByName(QStringLiteral("H")));
    QVERIFY(hidden);
    QVERIFY(!hidden->isVisible());
    QVERIFY(hidden->isMarkerVisible()); // only hidden, its marker left alone
}

void TestLoading::closingZoomRule_data()
{
    QTest::addColumn<int>("viewZoom");
    QTest::addColumn<bool>("hostLayerVisible");
    QTest::addColumn<bool>("shown");
    QTest::newRow("zoom 16 below minimum") << 16 << true << false;
    QTest::newRow("zoom 17 at minimum") << 17 << true << true;
    QTest::newRow("zoom 19 above minimum") << 19 << true << true;
    QTest::newRow("zoom 18 host layer hidden") << 18 << false << false;
}

void TestLoading::closingZoomRule()
{
    QFETCH(int, viewZoom);
    QFETCH(bool, hostLayerVisible);
    QFETCH(bool, shown);
    TestHost host;
    QCOMPARE(PluginProbe(host.plugin).minZoom(), 17);
    host.view->setZoom(viewZoom);
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    PluginProbe(host.plugin).layer()->setVisible(hostLayerVisible);
    // A second network loads under the (maybe hidden) host layer and gets the same rule.
    QVERIFY(host.load(file(QStringLiteral("two.ostka"), StripSpec{QStringLiteral("t"), {13.5, 52.5}, 8, 0, {}, {}})));
    QCOMPARE(PluginProbe(host.plugin).zoom(), viewZoom);

    const QStringList listed = PluginProbe(host.plugin).visibleLayers();
    for (Ostrikga::Networkg *net : PluginProbe(host.plugin).networks()) {
        for (Ostrikga::Layer *l : net->layers()) {
            if (listed.contains(l->objectName()))
                QVERIFY2(l->isVisible() == shown, qPrintable(l->objectName()));
            else
                QVERIFY2(!l->isVisible(), qPrintable(l->objectName()));
        }
    }
}

void TestLoading::sceneWithoutAddLayer()
{
    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    kernel.setItemModel(&model);
    QGraphicsScene scene;
    OsmView view(&scene);
    auto *plugin = new OstrikgPlugin(&kernel);
    const QString path = file(QStringLiteral("town.ostka"));
    bool ok = false;
    QVERIFY(QMetaObject::invokeMethod(plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, path),
                                      Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr)));
    QVERIFY(ok);
    QVERIFY(LogCapture::pluginLines().contains(
        QStringLiteral("warning OstrikgPlugin: Adding layer 'Ostrik' failed")));
    QVERIFY(!PluginProbe(plugin).layer());
    // The network's own z-values are left as the library made them.
    QGraphicsScene scratch;
    Ostrikga::Networkg reference(&scratch);
    Ostrikga::Networkg *net = PluginProbe(plugin).networks().first();
    QCOMPARE(net->layer(QStringLiteral("Edges"))->zValue(), reference.layer(QStringLiteral("Edges"))->zValue());
    // A null host layer counts as visible: at zoom 17 the network shows.
    QVERIFY(net->layer(QStringLiteral("Edges"))->isVisible());
    delete plugin;
}

void TestLoading::hostWithoutItemModel()
{
    TestHost host(TestHost::WithoutItemModel);
    QVERIFY(host.load(file(QStringLiteral("town.ostka"))));
    QCOMPARE(host.model.rowCount(), 0);
    QVERIFY(host.findObjectByName(QStringLiteral("R1")));

    // Without a kernel parent at all.
    host.plugin->setParent(nullptr);
    QVERIFY(host.load(file(QStringLiteral("other.ostka"), StripSpec{QStringLiteral("o"), {13.4, 52.5}, 9, 0, {}, {}})));
    QCOMPARE(PluginProbe(host.plugin).networks().size(), 2);
    host.plugin->setParent(&host.kernel);
}

void TestLoading::nullScene()
{
    TestHost host;
    bool ok = false;
    QVERIFY(QMetaObject::invokeMethod(host.plugin, "loadOstrik", Q_RETURN_ARG(bool, ok),
                                      Q_ARG(QString, file(QStringLiteral("town.ostka"))),
                                      Q_ARG(QGraphicsScene *, nullptr), Q_ARG(QObject *, nullptr)));
    // Nothing to draw into and no view to bind; the model side is still there.
    QVERIFY(ok);
    QVERIFY(LogCapture::pluginLines().contains(
        QStringLiteral("warning OstrikgPlugin: Adding layer 'Ostrik' failed")));
    QVERIFY(!PluginProbe(host.plugin).layer());
    QVERIFY(!PluginProbe(host.plugin).view());
    QVERIFY(host.findObjectByName(QStringLiteral("R1")));
    QCOMPARE(host.scene.items().size(), 0);
    host.unload();
    QVERIFY(PluginProbe(host.plugin).networks().isEmpty());
}

void TestLoading::viewBoundOnceWithOneCheckTimer()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    const int timerId = PluginProbe(host.plugin).checkTimerId();
    QVERIFY(timerId != 0);
    QCOMPARE(PluginProbe(host.plugin).view(), static_cast<QGraphicsView *>(host.view.get()));

    // A second view of another class is never taken; the bound view stays.
    QGraphicsView plain(&host.scene);
    QVERIFY(host.load(file(QStringLiteral("two.ostka"), StripSpec{QStringLiteral("t"), {13.5, 52.5}, 8, 0, {}, {}})));
    QCOMPARE(PluginProbe(host.plugin).checkTimerId(), timerId);
    QCOMPARE(PluginProbe(host.plugin).view(), static_cast<QGraphicsView *>(host.view.get()));

    host.view->setZoom(12);
    QCOMPARE(PluginProbe(host.plugin).zoom(), 12);
}

void TestLoading::reloadReplacesEarlierNetwork()
{
    TestHost host;
    const QString path = file(QStringLiteral("town.ostka"), StripSpec{QStringLiteral("old"), {13.4, 52.52}, 7, 0, {}, {}});
    QVERIFY(host.load(path));
    const int itemsOfOne = host.scene.items().size();
    QGraphicsItem *oldItem = host.findItemByName(QStringLiteral("oldB"));
    QVERIFY(oldItem);
    QVERIFY(QMetaObject::invokeMethod(host.plugin, "pulseItem", Q_ARG(QGraphicsItem *, oldItem),
                                      Q_ARG(QColor, QColor(Qt::red)), Q_ARG(int, 60000)));
    QCOMPARE(PluginProbe(host.plugin).pulseCount(), 1);

    QVERIFY(writeStrip(StripSpec{QStringLiteral("new"), {13.4, 52.52}, 7, 0, {}, {}}, path));
    QVERIFY(host.load(path));

    QCOMPARE(PluginProbe(host.plugin).networks().size(), 1);
    QVERIFY(!host.findObjectByName(QStringLiteral("oldB")));
    QVERIFY(host.findObjectByName(QStringLiteral("newB")));
    // The old network's items left the scene; its pulse went with it and the timer stopped.
    QCOMPARE(host.scene.items().size(), itemsOfOne);
    QCOMPARE(PluginProbe(host.plugin).pulseCount(), 0);
    QCOMPARE(PluginProbe(host.plugin).pulseTimerId(), 0);
    // Only the new network's route is listed.
    const QModelIndex routes = host.routesIndex(QStringLiteral("town.ostka"));
    QCOMPARE(host.model.rowCount(routes), 1);
    QCOMPARE(host.model.data(host.model.index(0, 0, routes)).toString(), QStringLiteral("newR1"));
    // The stale item pointer is not touched any more.
    QVERIFY(QMetaObject::invokeMethod(host.plugin, "pulseItem", Q_ARG(QGraphicsItem *, oldItem),
                                      Q_ARG(QColor, QColor(Qt::red)), Q_ARG(int, 100)));
    QCOMPARE(PluginProbe(host.plugin).pulseCount(), 0);
}

void TestLoading::failedReloadKeepsEarlierNetwork()
{
    TestHost host;
    const QString path = file(QStringLiteral("town.ostka"));
    QVERIFY(host.load(path));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ broken");
    }
    QVERIFY(!host.load(path));
    QCOMPARE(PluginProbe(host.plugin).networks().size(), 1);
    QVERIFY(host.findItemByName(QStringLiteral("R1")));
}

void TestLoading::reloadRebindsControllers()
{
    TestHost host;
    Corvel::Project project;
    project.addLight(7);
    const QString path = file(QStringLiteral("town.ostka"));
    QVERIFY(host.load(path, &project));
    QCOMPARE(PluginProbe(host.plugin).lightCount(), 1);
    QObject *first = PluginProbe(host.plugin).lightNetwork(7);
    QCOMPARE(first, static_cast<QObject *>(host.networkOf(QStringLiteral("R1"))));

    QVERIFY(host.load(path, &project));
    // The earlier network's controller entry went with it; the new network is bound afresh.
    QCOMPARE(PluginProbe(host.plugin).lightCount(), 1);
    QCOMPARE(PluginProbe(host.plugin).lightNetwork(7), static_cast<QObject *>(host.networkOf(QStringLiteral("R1"))));
    QVERIFY(PluginProbe(host.plugin).lightNetwork(7) != first);
    for (const QString &line : LogCapture::pluginLines())
        QVERIFY2(!line.contains(QLatin1String("Duplicate granule")), qPrintable(line));
}

void TestLoading::messagesFollowLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("expected");
    const QString missing = QStringLiteral("critical OstrikgPlugin: File %1 not exists");
    const QString noLayer = QStringLiteral("warning OstrikgPlugin: Adding layer 'Ostrik' failed");
    const QString loading = QStringLiteral("info OstrikgPlugin: Loading network %1");
    const QString loaded = QStringLiteral("info OstrikgPlugin: Network %1 loaded");
    QTest::newRow("level -1 like 0") << -1 << QStringList();
    QTest::newRow("level 0 silent") << 0 << QStringList();
    QTest::newRow("level 1 errors") << 1 << QStringList{missing};
    QTest::newRow("level 2 warnings") << 2 << QStringList{missing, noLayer};
    QTest::newRow("level 3 information") << 3 << QStringList{missing, noLayer, loading, loaded};
    QTest::newRow("level 7 like 3") << 7 << QStringList{missing, noLayer, loading, loaded};
}

void TestLoading::messagesFollowLevel()
{
    QFETCH(int, level);
    QFETCH(QStringList, expected);
    QGraphicsScene scene; // no "addLayer": the warning
    OstrikgPlugin plugin;
    plugin.setLoggingLevel(level);
    const QString missing = dir->filePath(QStringLiteral("missing.ostka"));
    const QString path = file(QStringLiteral("town.ostka"));
    QMetaObject::invokeMethod(&plugin, "loadOstrik", Q_ARG(QString, missing),
                              Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr));
    QMetaObject::invokeMethod(&plugin, "loadOstrik", Q_ARG(QString, path),
                              Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr));
    QStringList filled;
    for (const QString &line : qAsConst(expected))
        filled.append(line.contains(QLatin1String("File")) ? line.arg(missing)
                      : line.contains(QLatin1String("%1")) ? line.arg(path) : line);
    QCOMPARE(LogCapture::pluginLines(), filled);
}

QTEST_MAIN(TestLoading)
#include "tst_loading.moc"
