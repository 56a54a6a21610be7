// Object and item lookups across loaded networks, in order of their file paths.
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

#include <ostrikga/genericgraphicsitem.h>

#include <QGraphicsRectItem>

class TestLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useTestSettings(); }
    void init();
    void cleanup();

    void nothingLoadedGivesNull();
    void itemAndObjectRoundTrip_data();
    void itemAndObjectRoundTrip();
    void foreignItemsAndObjects();
    void sameNameResolvedByPathOrder();
    void itemOfFirstNetworkOnly();
    void granuleByControllerId();
    void nullAndEmptyNames();
    void sameAnswerAsQtChildSearch();
    void renamedObjects();

private:
    QObject *item2object(QGraphicsItem *item);
    QGraphicsItem *object2item(QObject *obj);
    QObject *granule(int gid);
    QString file(const QString &name, const StripSpec &layout);
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
};

void TestLookup::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    host.reset(new TestHost);
}

void TestLookup::cleanup()
{
    host.reset();
    dir.reset();
}

QString TestLookup::file(const QString &name, const StripSpec &layout)
{
    const QString path = dir->filePath(name);
    QString error;
    if (!writeStrip(layout, path, &error))
        qFatal("cannot build test network: %s", qPrintable(error));
    return path;
}

QObject *TestLookup::item2object(QGraphicsItem *item)
{
    QObject *obj = nullptr;
    QMetaObject::invokeMethod(host->plugin, "item2object", Q_RETURN_ARG(QObject *, obj),
                              Q_ARG(QGraphicsItem *, item));
    return obj;
}

QGraphicsItem *TestLookup::object2item(QObject *obj)
{
    QGraphicsItem *item = nullptr;
    QMetaObject::invokeMethod(host->plugin, "object2item", Q_RETURN_ARG(QGraphicsItem *, item),
                              Q_ARG(QObject *, obj));
    return item;
}

QObject *TestLookup::granule(int gid)
{
    QObject *obj = nullptr;
    QMetaObject::invokeMethod(host->plugin, "granule", Q_RETURN_ARG(QObject *, obj), Q_ARG(int, gid));
    return obj;
}

void TestLookup::nothingLoadedGivesNull()
{
    QGraphicsRectItem rect(0, 0, 1, 1);
    QVERIFY(!item2object(&rect));
    QVERIFY(!item2object(nullptr));
    QVERIFY(!object2item(host->plugin));
    QVERIFY(!object2item(nullptr));
    QVERIFY(!granule(7));
    QVERIFY(!granule(0));
    QVERIFY(!host->findObjectByName(QStringLiteral("R1")));
    QVERIFY(!host->findObjectByName(QString()));
    QVERIFY(!host->findItemByName(QStringLiteral("R1")));
}

void TestLookup::itemAndObjectRoundTrip_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::newRow("junction node") << QStringLiteral("B") << QStringLiteral("Ostrika::Node");
    QTest::newRow("edge") << QStringLiteral("AB") << QStringLiteral("Ostrika::Edge");
    QTest::newRow("connection") << QStringLiteral("C1") << QStringLiteral("Ostrika::Connection");
    QTest::newRow("route") << QStringLiteral("R1") << QStringLiteral("Ostrika::Route");
}

void TestLookup::itemAndObjectRoundTrip()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QVERIFY(host->load(file(QStringLiteral("town.ostka"), StripSpec())));
    QObject *obj = host->findObjectByName(name);
    QVERIFY(obj);
    QCOMPARE(QString::fromLatin1(obj->metaObject()->className()), className);
    QGraphicsItem *item = object2item(obj);
    QVERIFY(item);
    QCOMPARE(host->findItemByName(name), item);
    QCOMPARE(item2object(item), obj);
    QCOMPARE(item->scene(), static_cast<QGraphicsScene *>(&host->scene));
}

void TestLookup::foreignItemsAndObjects()
{
    QVERIFY(host->load(file(QStringLiteral("town.ostka"), StripSpec())));
    auto *rect = host->scene.addRect(0, 0, 1, 1);
    QVERIFY(!item2object(rect));
    QVERIFY(!object2item(host->plugin));
    QVERIFY(!object2item(&host->scene));
    // A network object of a network that is not loaded.
    Ostrika::Network loose;
    Ostrika::Node *node = loose.addNode(1, QStringLiteral("B"), {0, 0});
    QVERIFY(node);
    QVERIFY(!object2item(node));
}

void TestLookup::sameNameResolvedByPathOrder()
{
    // Loaded in the opposite order of their paths.
    QVERIFY(host->load(file(QStringLiteral("b.ostka"), StripSpec{{}, {13.5, 52.5}, 8, 0, {}, {}})));
    QVERIFY(host->load(file(QStringLiteral("a.ostka"), StripSpec{{}, {13.4, 52.5}, 7, 0, {}, {}})));
    const auto nets = PluginProbe(host->plugin).networks();
    QCOMPARE(nets.size(), 2);
    Ostrikga::Networkg *first = nets.value(QFileInfo(dir->filePath(QStringLiteral("a.ostka"))).absoluteFilePath());
    QVERIFY(first);

    auto *obj = qobject_cast<Ostrika::NetObject *>(host->findObjectByName(QStringLiteral("R1")));
    QVERIFY(obj);
    QCOMPARE(obj->network(), static_cast<Ostrika::Network *>(first));
    QCOMPARE(host->findItemByName(QStringLiteral("R1")), static_cast<QGraphicsItem *>(first->object2item(obj)));
    QCOMPARE(granule(8) ? qobject_cast<Ostrika::NetObject *>(granule(8))->network() : nullptr,
             static_cast<Ostrika::Network *>(nets.value(QFileInfo(dir->filePath(QStringLiteral("b.ostka"))).absoluteFilePath())));
}

void TestLookup::itemOfFirstNetworkOnly()
{
    // In a.ostka "X" is a signal group, which has no item; in b.ostka it is a node.
    QVERIFY(host->load(file(QStringLiteral("b.ostka"), StripSpec{{}, {13.5, 52.5}, 8, 0, QStringLiteral("X"), {}})));
    QVERIFY(host->load(file(QStringLiteral("a.ostka"), StripSpec{{}, {13.4, 52.5}, 7, 0, {}, QStringLiteral("X")})));
    QObject *obj = host->findObjectByName(QStringLiteral("X"));
    QVERIFY(obj);
    QCOMPARE(obj->metaObject()->className(), "Ostrika::SignalGroup");
    QVERIFY(!object2item(obj));
    QVERIFY(!host->findItemByName(QStringLiteral("X")));
}

void TestLookup::granuleByControllerId()
{
    QVERIFY(host->load(file(QStringLiteral("a.ostka"), StripSpec{{}, {13.4, 52.5}, 7, 0, {}, {}})));
    QVERIFY(host->load(file(QStringLiteral("b.ostka"), StripSpec{QStringLiteral("b"), {13.5, 52.5}, 0, 0, {}, {}})));
    QObject *g7 = granule(7);
    QVERIFY(g7);
    QCOMPARE(g7->objectName(), QStringLiteral("G"));
    QObject *g0 = granule(0);
    QVERIFY(g0);
    QCOMPARE(g0->objectName(), QStringLiteral("bG"));
    QVERIFY(!granule(40)); // the granule's object id is not its controller id
    QVERIFY(!granule(-1));
}

void TestLookup::nullAndEmptyNames()
{
    QVERIFY(host->load(file(QStringLiteral("b.ostka"), StripSpec{QStringLiteral("b"), {13.5, 52.5}, 8, 0, {}, {}})));
    QVERIFY(host->load(file(QStringLiteral("a.ostka"), StripSpec{QStringLiteral("a"), {13.4, 52.5}, 7, 0, {}, {}})));
    Ostrikga::Networkg *first = PluginProbe(host->plugin).networks().first();
    QObject *expected = first->findChild<Ostrika::NetObject *>(QString());
    QVERIFY(expected);
    QCOMPARE(host->findObjectByName(QString()), expected);
    QVERIFY(expected->objectName().startsWith(QLatin1Char('a'))); // from a.ostka, the first path
    QVERIFY(!host->findObjectByName(QStringLiteral("")));
}

void TestLookup::sameAnswerAsQtChildSearch()
{
    // Names shared by objects at different depths: the search order decides.
    StripSpec layout;
    layout.firstNodeName = QStringLiteral("AB_0"); // also the name of a lane, nested deeper
    layout.signalGroupName = QStringLiteral("C1"); // also a connection's name
    QVERIFY(host->load(file(QStringLiteral("town.ostka"), layout)));
    Ostrikga::Networkg *net = PluginProbe(host->plugin).networks().first();
    const QList<Ostrika::NetObject *> all = net->findChildren<Ostrika::NetObject *>();
    QVERIFY(all.size() > 10);
    for (Ostrika::NetObject *obj : all) {
        const QString name = obj->objectName();
        QCOMPARE(host->findObjectByName(name), static_cast<QObject *>(net->findChild<Ostrika::NetObject *>(name)));
    }
    QCOMPARE(host->findObjectByName(QStringLiteral("AB_0"))->metaObject()->className(), "Ostrika::Node");
    QVERIFY(!host->findObjectByName(QStringLiteral("no such name")));
}

void TestLookup::renamedObjects()
{
    QVERIFY(host->load(file(QStringLiteral("town.ostka"), StripSpec())));
    QObject *edge = host->findObjectByName(QStringLiteral("AB"));
    QVERIFY(edge);
    edge->setObjectName(QStringLiteral("Main Street"));
    QCOMPARE(host->findObjectByName(QStringLiteral("Main Street")), edge);
    QVERIFY(!host->findObjectByName(QStringLiteral("AB")));
    QVERIFY(host->findItemByName(QStringLiteral("Main Street")));
}

QTEST_MAIN(TestLookup)
#include "tst_lookup.moc"
