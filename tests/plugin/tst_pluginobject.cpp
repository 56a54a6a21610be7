// The plugin object's frame: registered types, properties, timer dispatch and destruction.
#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"

#include <mirel/itemmodel.h>

#include <QGraphicsRectItem>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimerEvent>

#include <memory>

class TestPluginObject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void pointerTypesAreRegistered();
    void indexOfTheSignal();
    void loggingLevelIsTheProcessWideLevel();
    void pulseTickEndsWithoutPulses();
    void blinkTickShowsThePhase();
    void checkTickRunsTheDebouncedCheck();
    void foreignTimerIdsAreIgnored();
    void destructionUnloadsFirst();

private:
    QTemporaryDir dir;
};

void TestPluginObject::initTestCase()
{
    QVERIFY(dir.isValid());
    QCoreApplication::setOrganizationName("OstrikTests");
    QCoreApplication::setApplicationName("tst_pluginobject");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings().clear();
}

void TestPluginObject::pointerTypesAreRegistered()
{
    OstrikgPlugin plugin;
    const int item = QMetaType::type("QGraphicsItem*");
    QVERIFY(item != QMetaType::UnknownType);
    QCOMPARE(item, qMetaTypeId<QGraphicsItem *>());
    QCOMPARE(QMetaType::type("QGraphicsScene*"), qMetaTypeId<QGraphicsScene *>());
    QVERIFY(QMetaType::typeFlags(QMetaType::type("QGraphicsScene*")) & QMetaType::PointerToQObject);
    QCOMPARE(QMetaType::type("Mirel::ItemModel*"), qMetaTypeId<Mirel::ItemModel *>());
    // A queued call can carry an item pointer only when its type is known by name.
    QGraphicsRectItem rect;
    const QVariant v = QVariant::fromValue<QGraphicsItem *>(&rect);
    QCOMPARE(QByteArray(v.typeName()), QByteArray("QGraphicsItem*"));
}

void TestPluginObject::indexOfTheSignal()
{
    // What QMetaMethod::fromSignal() asks the meta-object for.
    int index = -1;
    void (OstrikgPlugin::*signal)() = &OstrikgPlugin::networksUnloaded;
    void *args[] = {&index, reinterpret_cast<void *>(&signal)};
    OstrikgPlugin::staticMetaObject.static_metacall(QMetaObject::IndexOfMethod, 0, args);
    QCOMPARE(index, 0);
    QCOMPARE(QMetaMethod::fromSignal(&OstrikgPlugin::networksUnloaded).methodSignature(),
             QByteArray("networksUnloaded()"));
}

void TestPluginObject::loggingLevelIsTheProcessWideLevel()
{
    OstrikgPlugin plugin;
    QVERIFY(plugin.setProperty("loggingLevel", 7));
    QCOMPARE(logLevel, 7);
    logLevel = -1;
    QCOMPARE(plugin.property("loggingLevel").toInt(), -1);
    QVERIFY(!QSettings().contains("ostrikPlugin/logLevel"));
    logLevel = 2;
}

void TestPluginObject::pulseTickEndsWithoutPulses()
{
    OstrikgPlugin plugin;
    PluginProbe probe(plugin);
    probe.pulseTimerId() = plugin.startTimer(60000);
    probe.tick(probe.pulseTimerId());
    QCOMPARE(probe.pulseTimerId(), 0);
}

void TestPluginObject::blinkTickShowsThePhase()
{
    OstrikgPlugin plugin;
    PluginProbe probe(plugin);
    QGraphicsScene scene;
    auto *item = scene.addRect(0, 0, 1, 1);
    probe.blinkItems() << item;
    probe.blinkOn() = false;
    probe.blinkClock().start();
    probe.blinkTimerId() = plugin.startTimer(60000);
    probe.tick(probe.blinkTimerId());
    QVERIFY(!item->isVisible());
    probe.blinkItems().clear();
}

void TestPluginObject::checkTickRunsTheDebouncedCheck()
{
    OstrikgPlugin plugin;
    PluginProbe probe(plugin);
    probe.checkTimerId() = plugin.startTimer(60000);
    probe.moveClock().start();
    probe.tick(probe.checkTimerId()); // too early: the clock stays
    QVERIFY(probe.moveClock().isValid());
    QTest::qWait(520);
    probe.tick(probe.checkTimerId());
    QVERIFY(!probe.moveClock().isValid());
}

void TestPluginObject::foreignTimerIdsAreIgnored()
{
    OstrikgPlugin plugin;
    PluginProbe probe(plugin);
    QGraphicsScene scene;
    auto *item = scene.addRect(0, 0, 1, 1);
    probe.blinkItems() << item;
    probe.blinkClock().start();
    probe.moveClock().start();
    QTest::qWait(520);
    const int foreign = plugin.startTimer(60000);
    probe.tick(foreign);
    probe.tick(0); // ids of stopped timers are 0; Qt never sends 0
    QVERIFY(item->isVisible());
    QVERIFY(probe.moveClock().isValid());
    QCOMPARE(probe.pulseTimerId(), 0);
    probe.blinkItems().clear();
}

void TestPluginObject::destructionUnloadsFirst()
{
    auto *plugin = new OstrikgPlugin;
    int unloaded = 0;
    connect(plugin, &OstrikgPlugin::networksUnloaded, this, [&] { ++unloaded; });
    delete plugin;
    QCOMPARE(unloaded, 1);
}

QTEST_MAIN(TestPluginObject)
#include "tst_pluginobject.moc"
