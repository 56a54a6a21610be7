// Start-up settings of the plugin object: defaults, conversions and edge cases.
#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"

#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QStringList EmptyNetworkLayers = {"Granules", "Edges", "Lanes", "CrossWalks", "Connections",
                                        "Stoplines", "Routes", "Nodes", "redSignals"};
}

class TestPluginSettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void noKeysAtAll();
    void defaultLayersFollowTheGraphicsLibrary();
    void missingLevelKeepsTheCurrentLevel();
    void storedValues();
    void visibleLayers_data();
    void visibleLayers();
    void handEditedLayerList();
    void allowProcessTlEvents_data();
    void allowProcessTlEvents();
    void settingsAreReadOncePerObject();

private:
    std::unique_ptr<OstrikgPlugin> make() { return std::make_unique<OstrikgPlugin>(); }
    QTemporaryDir dir;
};

void TestPluginSettings::initTestCase()
{
    QVERIFY(dir.isValid());
    QCoreApplication::setOrganizationName("OstrikTests");
    QCoreApplication::setApplicationName("tst_pluginsettings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
}

void TestPluginSettings::init()
{
    QSettings().clear();
    logLevel = 2;
}

void TestPluginSettings::noKeysAtAll()
{
    auto plugin = make();
    PluginProbe probe(*plugin);
    QCOMPARE(plugin->loggingLevel(), 2);
    QCOMPARE(probe.minZoom(), 17);
    QCOMPARE(probe.visibleLayers(), EmptyNetworkLayers);
    QCOMPARE(probe.allowProcessTlEvents(), true);
    QCOMPARE(probe.zoom(), -1);
    QCOMPARE(probe.processingActive(), false);
    QCOMPARE(probe.sectionTitle(), QStringLiteral("Road networks"));
    QVERIFY(probe.empty());
    QVERIFY(QSettings().allKeys().isEmpty()); // nothing written
}

void TestPluginSettings::defaultLayersFollowTheGraphicsLibrary()
{
    QGraphicsScene scene;
    Ostrikga::Networkg network(&scene);
    QStringList expected;
    const QList<Ostrikga::Layer *> layers = network.layers();
    for (const Ostrikga::Layer *layer : layers) {
        if (layer->objectName() != "Splits" && layer->objectName() != "Markers")
            expected << layer->objectName();
    }
    expected << "redSignals";
    auto plugin = make();
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), expected);
}

void TestPluginSettings::missingLevelKeepsTheCurrentLevel()
{
    logLevel = 3;
    auto plugin = make();
    QCOMPARE(plugin->loggingLevel(), 3);
    QCOMPARE(logLevel, 3);
}

void TestPluginSettings::storedValues()
{
    QSettings s;
    s.beginGroup("ostrikPlugin");
    s.setValue("logLevel", 0);
    s.setValue("minZoom", "12");
    s.setValue("visibleLayers", "Nodes,Routes");
    s.setValue("allowProcessTlEvents", 0);
    s.endGroup();
    s.setValue("minZoom", 3); // outside the group: not ours
    s.sync();
    auto plugin = make();
    PluginProbe probe(*plugin);
    QCOMPARE(logLevel, 0);
    QCOMPARE(probe.minZoom(), 12);
    QCOMPARE(probe.visibleLayers(), (QStringList{"Nodes", "Routes"}));
    QCOMPARE(probe.allowProcessTlEvents(), false);
}

void TestPluginSettings::visibleLayers_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty value hides every layer") << QString("") << QStringList();
    QTest::newRow("empty parts skipped") << QString(",a,,b,") << QStringList{"a", "b"};
    QTest::newRow("only commas") << QString(",,,") << QStringList();
    QTest::newRow("case kept, no trimming") << QString("Nodes,nodes, Edges") << QStringList{"Nodes", "nodes", " Edges"};
    QTest::newRow("one name") << QString("redSignals") << QStringList{"redSignals"};
}

void TestPluginSettings::visibleLayers()
{
    QFETCH(QString, stored);
    QFETCH(QStringList, expected);
    QSettings().setValue("ostrikPlugin/visibleLayers", stored);
    auto plugin = make();
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), expected);
}

void TestPluginSettings::handEditedLayerList()
{
    // An unquoted list in the INI file reads back as a string list, not a string.
    const QString path = QSettings().fileName();
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[ostrikPlugin]\nvisibleLayers=Nodes, Routes,redSignals\n");
    }
    QCOMPARE(QSettings().value("ostrikPlugin/visibleLayers").userType(), int(QMetaType::QStringList));
    auto plugin = make();
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), (QStringList{"Nodes", "Routes", "redSignals"}));
}

void TestPluginSettings::allowProcessTlEvents_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("expected");
    QTest::newRow("int 1") << QVariant(1) << true;
    QTest::newRow("int 0") << QVariant(0) << false;
    QTest::newRow("int 2") << QVariant(2) << true;
    QTest::newRow("text 1") << QVariant("1") << true;
    QTest::newRow("text 0") << QVariant("0") << false;
    QTest::newRow("non-numeric text") << QVariant("yes") << false;
    QTest::newRow("text true") << QVariant("true") << false;
    QTest::newRow("empty text") << QVariant("") << false;
}

void TestPluginSettings::allowProcessTlEvents()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, expected);
    QSettings().setValue("ostrikPlugin/allowProcessTlEvents", stored);
    auto plugin = make();
    QCOMPARE(PluginProbe(*plugin).allowProcessTlEvents(), expected);
}

void TestPluginSettings::settingsAreReadOncePerObject()
{
    QSettings().setValue("ostrikPlugin/minZoom", 15);
    auto plugin = make();
    QSettings().setValue("ostrikPlugin/minZoom", 11);
    QCOMPARE(PluginProbe(*plugin).minZoom(), 15);
    plugin = make();
    QCOMPARE(PluginProbe(*plugin).minZoom(), 11);
}

QTEST_MAIN(TestPluginSettings)
#include "tst_pluginsettings.moc"
