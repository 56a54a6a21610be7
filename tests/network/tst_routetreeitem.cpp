// Route rows of the object tree: selecting lifts a route out of a hidden layer and puts it back.
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

#include "network/ostrikrutetreeitem.h"

#include <ostrikga/genericgraphicsitem.h>

#include <QItemSelectionModel>

class TestRouteTreeItem : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useTestSettings(); }
    void init();
    void cleanup();

    void rowsListedWithProperties();
    void selectInVisibleLayer();
    void selectInHiddenLayerLiftsAndReturns();
    void deselectTwice();
    void layerShownInBetween();
    void selectTwiceWhileHidden();
    void unknownRouteIdLeavesMap();
    void parentNotANetwork();
    void hostSelectionModelDrivesItem();

private:
    ObjectTreeItem *row() const;
    QGraphicsItem *routeItem() const { return host->findItemByName(QStringLiteral("R1")); }
    Ostrikga::Layer *routesLayer() const { return TestHost::layerOf(host->networkOf(QStringLiteral("R1")), QStringLiteral("Routes")); }
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TestHost> host;
};

void TestRouteTreeItem::init()
{
    dir.reset(new QTemporaryDir);
    QVERIFY(dir->isValid());
    const QString path = dir->filePath(QStringLiteral("town.ostka"));
    QVERIFY(writeStrip(StripSpec(), path));
    host.reset(new TestHost);
    QVERIFY(host->load(path));
    QVERIFY(row());
    QVERIFY(routeItem());
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
}

void TestRouteTreeItem::cleanup()
{
    host.reset();
    dir.reset();
}

ObjectTreeItem *TestRouteTreeItem::row() const
{
    const QModelIndex routes = host->routesIndex(QStringLiteral("town.ostka"));
    return qobject_cast<ObjectTreeItem *>(host->model.objectAt(host->model.index(0, 0, routes)));
}

void TestRouteTreeItem::rowsListedWithProperties()
{
    ObjectTreeItem *item = row();
    QVERIFY(qobject_cast<OstrikRuteTreeItem *>(item));
    QCOMPARE(item->property("id"), QVariant(60));
    QCOMPARE(item->property("description"), QVariant(QStringLiteral("R1")));
    QCOMPARE(item->property("type"), QVariant(QStringLiteral("Route")));
    QCOMPARE(item->metaObject()->methodCount(), ObjectTreeItem::staticMetaObject.methodCount());
    QCOMPARE(item->metaObject()->propertyCount(), ObjectTreeItem::staticMetaObject.propertyCount());
    // The row goes with its network.
    QPointer<ObjectTreeItem> guard(item);
    host->unload();
    QVERIFY(!guard);
}

void TestRouteTreeItem::selectInVisibleLayer()
{
    QVERIFY(routesLayer()->isVisible());
    row()->setSelected(true);
    QVERIFY(row()->isSelected());
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(routeItem()->isSelected());
    row()->setSelected(false);
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(!routeItem()->isSelected());
    QVERIFY(!row()->isSelected());
}

void TestRouteTreeItem::selectInHiddenLayerLiftsAndReturns()
{
    routesLayer()->setVisible(false);
    QVERIFY(!routeItem()->isVisible());
    row()->setSelected(true);
    QVERIFY(!routeItem()->parentItem());
    QVERIFY(routeItem()->isVisible());
    QVERIFY(routeItem()->isSelected());
    QCOMPARE(routeItem()->scene(), static_cast<QGraphicsScene *>(&host->scene));

    row()->setSelected(false);
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(!routeItem()->isVisible());
    QVERIFY(!routeItem()->isSelected());
}

void TestRouteTreeItem::deselectTwice()
{
    routesLayer()->setVisible(false);
    row()->setSelected(true);
    row()->setSelected(false);
    row()->setSelected(false);
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(!routeItem()->isVisible());
    QVERIFY(!routeItem()->isSelected());
}

void TestRouteTreeItem::layerShownInBetween()
{
    routesLayer()->setVisible(false);
    row()->setSelected(true);
    QVERIFY(!routeItem()->parentItem());
    routesLayer()->setVisible(true);
    row()->setSelected(false);
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(routeItem()->isVisible());
    // Hidden again with its layer.
    routesLayer()->setVisible(false);
    QVERIFY(!routeItem()->isVisible());
}

void TestRouteTreeItem::selectTwiceWhileHidden()
{
    // The second selection finds the item already lifted; the way back must survive it.
    routesLayer()->setVisible(false);
    row()->setSelected(true);
    row()->setSelected(true);
    QVERIFY(!routeItem()->parentItem());
    QVERIFY(routeItem()->isVisible());
    row()->setSelected(false);
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(!routeItem()->isVisible());
}

void TestRouteTreeItem::unknownRouteIdLeavesMap()
{
    routesLayer()->setVisible(false);
    row()->setProperty("id", 9999);
    row()->setSelected(true);
    QVERIFY(row()->isSelected());
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
    QVERIFY(!routeItem()->isSelected());
    // An id that names a non-route object does not act either.
    row()->setProperty("id", 2);
    row()->setSelected(true);
    QVERIFY(!host->findItemByName(QStringLiteral("B"))->isSelected());
    QCOMPARE(routeItem()->parentItem(), static_cast<QGraphicsItem *>(routesLayer()));
}

void TestRouteTreeItem::parentNotANetwork()
{
    OstrikRuteTreeItem loose(nullptr);
    loose.setProperty("id", 60);
    loose.setSelected(true);
    QVERIFY(loose.isSelected());
    QVERIFY(!routeItem()->isSelected());
    QCOMPARE(QString::fromLatin1(loose.metaObject()->className()), QStringLiteral("OstrikRuteTreeItem"));
}

void TestRouteTreeItem::hostSelectionModelDrivesItem()
{
    QItemSelectionModel selection(&host->model);
    host->model.attachSelectionModel(&selection);
    routesLayer()->setVisible(false);
    const QModelIndex index = host->model.indexOf(row());
    QVERIFY(index.isValid());
    selection.select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(row()->isSelected());
    QVERIFY(routeItem()->isVisible());
    QVERIFY(routeItem()->isSelected());
    selection.clearSelection();
    QVERIFY(!row()->isSelected());
    QVERIFY(!routeItem()->isVisible());
    host->model.attachSelectionModel(nullptr);
}

QTEST_MAIN(TestRouteTreeItem)
#include "tst_routetreeitem.moc"
