// Unloading everything: what the host sees afterwards and that a new load starts afresh.
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

#include <QSignalSpy>

class TestUnloading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useTestSettings(); }
    void init();

    void freshPluginOnlyEmits();
    void removesEverythingALoadBuilt();
    void laterLoadStartsAfresh();
    void destructionUnloads();
    void hostDeletesViewFirst();
    void hostDeletesSceneFirst();

private:
    QString file(const QString &name, const StripSpec &layout = StripSpec());
    std::unique_ptr<QTemporaryDir> dir;
};

QString TestUnloading::file(const QString &name, const StripSpec &layout)
{
    const QString path = dir->filePath(name);
    QString error;
    if (!writeStrip(layout, path, &error))
        qFatal("cannot build test network: %s", qPrintable(error));
    return path;
}

void TestUnloading::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
}

void TestUnloading::freshPluginOnlyEmits()
{
    TestHost host;
    QObject *other = host.model.addSection(QStringLiteral("Other"));
    host.model.addSection(QStringLiteral("Road networks/x"));
    QSignalSpy spy(host.plugin, SIGNAL(networksUnloaded()));
    host.unload();
    QCOMPARE(spy.count(), 1);
    host.unload();
    QCOMPARE(spy.count(), 2);
    // Only the plugin's own section is cleared.
    QVERIFY(!host.model.section(QStringLiteral("Road networks")));
    QCOMPARE(host.model.section(QStringLiteral("Other")), other);
    QCOMPARE(host.scene.items().size(), 0);
}

void TestUnloading::removesEverythingALoadBuilt()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    QVERIFY(host.load(file(QStringLiteral("two.ostka"), StripSpec{QStringLiteral("t"), {13.5, 52.5}, 8, 0, {}, {}})));
    QPointer<QObject> treeItem = host.model.objectAt(host.model.index(0, 0, host.routesIndex(QStringLiteral("two.ostka"))));
    QVERIFY(treeItem);
    QGraphicsItem *item = host.findItemByName(QStringLiteral("B"));
    QMetaObject::invokeMethod(host.plugin, "pulseItem", Q_ARG(QGraphicsItem *, item),
                              Q_ARG(QColor, QColor(Qt::red)), Q_ARG(int, 60000));
    QVERIFY(PluginProbe(host.plugin).pulseTimerId() != 0);
    QVERIFY(PluginProbe(host.plugin).checkTimerId() != 0);
    QPointer<QGraphicsObject> layer = PluginProbe(host.plugin).layer();
    QVERIFY(layer);

    QSignalSpy spy(host.plugin, SIGNAL(networksUnloaded()));
    host.unload();
    QCOMPARE(spy.count(), 1);
    QVERIFY(PluginProbe(host.plugin).networks().isEmpty());
    QCOMPARE(PluginProbe(host.plugin).pulseCount(), 0);
    QCOMPARE(PluginProbe(host.plugin).pulseTimerId(), 0);
    QCOMPARE(PluginProbe(host.plugin).checkTimerId(), 0);
    QVERIFY(!PluginProbe(host.plugin).view());
    QVERIFY(!layer);
    QVERIFY(!treeItem);
    QCOMPARE(host.scene.items().size(), 0);
    QCOMPARE(host.model.rowCount(), 0);
    QVERIFY(!host.findObjectByName(QString()));

    // The view no longer drives the plugin.
    const int zoomBefore = PluginProbe(host.plugin).zoom();
    host.view->setZoom(zoomBefore - 3);
    QCOMPARE(PluginProbe(host.plugin).zoom(), zoomBefore);
    PluginProbe(host.plugin).forgetScheduledCheck();
    host.view->horizontalScrollBar()->setRange(0, 1000);
    host.view->horizontalScrollBar()->setValue(500);
    QVERIFY(!PluginProbe(host.plugin).checkScheduled());
}

void TestUnloading::laterLoadStartsAfresh()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    host.unload();
    const QString path = file(QStringLiteral("two.ostka"));
    QVERIFY(host.load(path));
    QVERIFY(PluginProbe(host.plugin).layer());
    QCOMPARE(PluginProbe(host.plugin).view(), static_cast<QGraphicsView *>(host.view.get()));
    QVERIFY(PluginProbe(host.plugin).checkTimerId() != 0);
    host.view->setZoom(15);
    QCOMPARE(PluginProbe(host.plugin).zoom(), 15);
    QVERIFY(!TestHost::layerOf(host.networkOf(QStringLiteral("R1")), QStringLiteral("Edges"))->isVisible());
}

void TestUnloading::destructionUnloads()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    QSignalSpy spy(host.plugin, SIGNAL(networksUnloaded()));
    delete host.plugin;
    host.plugin = nullptr;
    QCOMPARE(spy.count(), 1);
    QCOMPARE(host.scene.items().size(), 0);
    QVERIFY(!host.model.section(QStringLiteral("Road networks")));
}

void TestUnloading::hostDeletesViewFirst()
{
    TestHost host;
    QVERIFY(host.load(file(QStringLiteral("one.ostka"))));
    host.view.reset();
    QVERIFY(!PluginProbe(host.plugin).view());
    QSignalSpy spy(host.plugin, SIGNAL(networksUnloaded()));
    host.unload();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(host.scene.items().size(), 0);
}

void TestUnloading::hostDeletesSceneFirst()
{
    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    kernel.setItemModel(&model);
    auto *scene = new Mirel::MapScene;
    auto *view = new OsmView(scene);
    auto *plugin = new OstrikgPlugin(&kernel);
    bool ok = false;
    QVERIFY(QMetaObject::invokeMethod(plugin, "loadOstrik", Q_RETURN_ARG(bool, ok),
                                      Q_ARG(QString, file(QStringLiteral("one.ostka"))),
                                      Q_ARG(QGraphicsScene *, scene), Q_ARG(QObject *, nullptr)));
    QVERIFY(ok);
    QGraphicsItem *item = nullptr;
    QMetaObject::invokeMethod(plugin, "findItemByName", Q_RETURN_ARG(QGraphicsItem *, item),
                              Q_ARG(QString, QStringLiteral("B")));
    QVERIFY(item);
    QMetaObject::invokeMethod(plugin, "pulseItem", Q_ARG(QGraphicsItem *, item),
                              Q_ARG(QColor, QColor(Qt::red)), Q_ARG(int, 0));
    delete view;
    delete scene; // takes the layer and every item with it
    QVERIFY(!PluginProbe(plugin).layer());
    // The pulse ends without touching the deleted item.
    QTRY_COMPARE_WITH_TIMEOUT(PluginProbe(plugin).pulseCount(), 0, 2000);
    QSignalSpy spy(plugin, SIGNAL(networksUnloaded()));
    delete plugin;
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestUnloading)
#include "tst_unloading.moc"
