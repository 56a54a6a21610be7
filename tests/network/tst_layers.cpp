// Layer visibility and z-order driven by the view's zoom, its scroll bars and the host layer.
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

class TestLayers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void zoomAroundMinimum_data();
    void zoomAroundMinimum();
    void unchangedZoomDoesNothing();
    void scrollingSchedulesCheckOnlyWhenZoomedIn_data();
    void scrollingSchedulesCheckOnlyWhenZoomedIn();
    void zoomingOutSchedulesCheck();
    void hostLayerVisibility();
    void hostLayerZ();
    void minZoomChanges();
    void visibleLayersIdenticalListDoesNothing();
    void visibleLayersReorderedReapplies();
    void visibleLayersIgnoreZoomUntilNextChange();
    void layerNamesCaseSensitive();

private:
    Ostrikga::Networkg *net() { return host->networkOf(QStringLiteral("R1")); }
    Ostrikga::Layer *layer(const QString &name) { return TestHost::layerOf(net(), name); }
    QStringList listedShown();
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
    QStringList listed; // the default visible layers
};

void TestLayers::initTestCase()
{
    useTestSettings();
}

void TestLayers::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    const QString path = dir->filePath(QStringLiteral("town.ostka"));
    QVERIFY(writeStrip(StripSpec(), path));
    host.reset(new TestHost);
    QVERIFY(host->load(path));
    listed = PluginProbe(host->plugin).visibleLayers();
    QVERIFY(listed.contains(QStringLiteral("Edges")));
    QVERIFY(!listed.contains(QStringLiteral("Markers")));
    QCOMPARE(PluginProbe(host->plugin).minZoom(), 17);
    QCOMPARE(host->view->zoom(), 17);
}

void TestLayers::cleanup()
{
    host.reset();
    dir.reset();
}

// The listed layers that are visible; all of them or none is what the zoom rule produces.
QStringList TestLayers::listedShown()
{
    QStringList out;
    for (const QString &name : TestHost::shownLayers(net())) {
        if (listed.contains(name))
            out.append(name);
    }
    return out;
}

void TestLayers::zoomAroundMinimum_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("shown");
    QTest::newRow("one less than minimum") << 16 << false;
    QTest::newRow("equal to minimum") << 17 << true;
    QTest::newRow("far above") << 21 << true;
    QTest::newRow("far below") << 5 << false;
}

void TestLayers::zoomAroundMinimum()
{
    QFETCH(int, zoom);
    QFETCH(bool, shown);
    // Start from the opposite state so the change is visible.
    host->view->setZoom(shown ? 10 : 20);
    host->view->setZoom(zoom);
    QCOMPARE(PluginProbe(host->plugin).zoom(), zoom);
    QStringList expected = shown ? listed : QStringList();
    QStringList actual = listedShown();
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    QCOMPARE(actual, expected);
    // Layers outside the list are never touched by the zoom rule.
    QVERIFY(!layer(QStringLiteral("Markers"))->isVisible());
    QVERIFY(!layer(QStringLiteral("Splits"))->isVisible());
}

void TestLayers::unchangedZoomDoesNothing()
{
    layer(QStringLiteral("Edges"))->setVisible(false);
    PluginProbe(host->plugin).forgetScheduledCheck();
    QVERIFY(QMetaObject::invokeMethod(host->view.get(), "zoomChanged", Q_ARG(int, 17)));
    QVERIFY(!layer(QStringLiteral("Edges"))->isVisible());
    QVERIFY(!PluginProbe(host->plugin).checkScheduled());

    // A different zoom at which the rule still holds re-applies it.
    host->view->setZoom(18);
    QVERIFY(layer(QStringLiteral("Edges"))->isVisible());
    QVERIFY(PluginProbe(host->plugin).checkScheduled());
}

void TestLayers::scrollingSchedulesCheckOnlyWhenZoomedIn_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("vertical");
    QTest::addColumn<bool>("scheduled");
    QTest::newRow("horizontal below minimum") << 16 << false << false;
    QTest::newRow("vertical below minimum") << 16 << true << false;
    QTest::newRow("horizontal at minimum") << 17 << false << true;
    QTest::newRow("vertical above minimum") << 19 << true << true;
}

void TestLayers::scrollingSchedulesCheckOnlyWhenZoomedIn()
{
    QFETCH(int, zoom);
    QFETCH(bool, vertical);
    QFETCH(bool, scheduled);
    host->view->setZoom(zoom);
    PluginProbe(host->plugin).forgetScheduledCheck();
    QScrollBar *bar = vertical ? host->view->verticalScrollBar() : host->view->horizontalScrollBar();
    bar->setRange(0, 100000);
    bar->setValue(bar->value() == 500 ? 600 : 500);
    QCOMPARE(PluginProbe(host->plugin).checkScheduled(), scheduled);
}

void TestLayers::zoomingOutSchedulesCheck()
{
    PluginProbe(host->plugin).forgetScheduledCheck();
    host->view->setZoom(12);
    QVERIFY(PluginProbe(host->plugin).checkScheduled());
    QVERIFY(listedShown().isEmpty());
}

void TestLayers::hostLayerVisibility()
{
    QGraphicsObject *hostLayer = PluginProbe(host->plugin).layer();
    QVERIFY(hostLayer);
    PluginProbe(host->plugin).forgetScheduledCheck();
    hostLayer->setVisible(false);
    QVERIFY(listedShown().isEmpty());
    QVERIFY(PluginProbe(host->plugin).checkScheduled());
    // Zooming in while the host layer is hidden keeps everything hidden.
    host->view->setZoom(19);
    QVERIFY(listedShown().isEmpty());

    hostLayer->setVisible(true);
    QCOMPARE(listedShown().size(), listed.size());

    // Shown again while zoomed out: stays hidden.
    hostLayer->setVisible(false);
    host->view->setZoom(15);
    hostLayer->setVisible(true);
    QVERIFY(listedShown().isEmpty());
    QVERIFY(!layer(QStringLiteral("Markers"))->isVisible());
}

void TestLayers::hostLayerZ()
{
    QGraphicsObject *hostLayer = PluginProbe(host->plugin).layer();
    hostLayer->setZValue(42.0);
    for (Ostrikga::Layer *l : net()->layers())
        QCOMPARE(l->zValue(), 42.0);
}

void TestLayers::minZoomChanges()
{
    PluginProbe(host->plugin).forgetScheduledCheck();
    layer(QStringLiteral("Edges"))->setVisible(false);
    host->plugin->setMinZoom(17); // unchanged
    QVERIFY(!PluginProbe(host->plugin).checkScheduled());
    QVERIFY(!layer(QStringLiteral("Edges"))->isVisible());

    host->plugin->setMinZoom(18); // zoom 17 is now too small
    QCOMPARE(PluginProbe(host->plugin).minZoom(), 18);
    QVERIFY(listedShown().isEmpty());
    QVERIFY(PluginProbe(host->plugin).checkScheduled());
    QCOMPARE(PluginProbe(host->plugin).zoom(), 17);

    host->plugin->setMinZoom(3); // re-applied at the same zoom
    QCOMPARE(listedShown().size(), listed.size());
}

void TestLayers::visibleLayersIdenticalListDoesNothing()
{
    layer(QStringLiteral("Edges"))->setVisible(false);
    host->plugin->setVisibleLayers(listed);
    QVERIFY(!layer(QStringLiteral("Edges"))->isVisible());
}

void TestLayers::visibleLayersReorderedReapplies()
{
    layer(QStringLiteral("Edges"))->setVisible(false);
    layer(QStringLiteral("Markers"))->setVisible(true);
    QStringList reordered = listed;
    std::reverse(reordered.begin(), reordered.end());
    PluginProbe(host->plugin).forgetScheduledCheck();
    host->plugin->setVisibleLayers(reordered);
    QCOMPARE(PluginProbe(host->plugin).visibleLayers(), reordered);
    QVERIFY(layer(QStringLiteral("Edges"))->isVisible());
    QVERIFY(!layer(QStringLiteral("Markers"))->isVisible());
    QVERIFY(!PluginProbe(host->plugin).checkScheduled());
}

void TestLayers::visibleLayersIgnoreZoomUntilNextChange()
{
    host->view->setZoom(10);
    QVERIFY(listedShown().isEmpty());
    const QStringList only{QStringLiteral("Edges"), QStringLiteral("Markers")};
    host->plugin->setVisibleLayers(only);
    QCOMPARE(TestHost::shownLayers(net()), only);
    host->view->setZoom(11);
    QVERIFY(TestHost::shownLayers(net()).isEmpty());
    host->view->setZoom(18);
    QCOMPARE(TestHost::shownLayers(net()), only);
}

void TestLayers::layerNamesCaseSensitive()
{
    host->plugin->setVisibleLayers({QStringLiteral("edges"), QStringLiteral("Nodes")});
    QCOMPARE(TestHost::shownLayers(net()), QStringList{QStringLiteral("Nodes")});
    host->view->setZoom(20);
    QCOMPARE(TestHost::shownLayers(net()), QStringList{QStringLiteral("Nodes")});
}

QTEST_MAIN(TestLayers)
#include "tst_layers.moc"
