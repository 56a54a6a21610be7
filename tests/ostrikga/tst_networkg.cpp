// Networkg: layers, the object/item mapping, clearing and tear-down.
#include "testnetwork.h"

#include <ostrikga/items.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QtTest>

#include <memory>

using Ostrikga::Layer;
using Ostrikga::Networkg;

namespace {

const QStringList FixedLayers = { "Granules", "Edges", "Lanes", "CrossWalks", "Connections",
                                  "Stoplines", "Routes", "Nodes", "Splits", "Markers" };

QStringList layerNames(const Networkg &net)
{
    QStringList names;
    for (const Layer *layer : net.layers())
        names << layer->objectName();
    return names;
}

int countOfType(const QGraphicsScene &scene, int type)
{
    int n = 0;
    for (const QGraphicsItem *item : scene.items())
        n += item->type() == type;
    return n;
}

} // namespace

class TestNetworkg : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void emptyNetworkHasFixedLayers();
    void insertLayer_data();
    void insertLayer();
    void insertLayerRejectsDuplicatesAndEmptyNames();
    void mappingBothWays_data();
    void mappingBothWays();
    void mappingRejectsForeignItems();
    void itemsSitInGeographicCoordinates();
    void readOnlyKeepsRoutesSelectable();
    void liftedRouteKeepsItsPlace();
    void clearRemovesOnlyTheNetworksItems();
    void reloadDoesNotDuplicateItems();
    void appendDrawsOnlyTheNewObjects();
    void itemDeletedElsewhereIsForgotten();
    void destructorRemovesLayersAndLiftedItems();
    void deletedSceneIsNeverTouched();
    void failedLoadKeepsDrawingInStep();
};

void TestNetworkg::emptyNetworkHasFixedLayers()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QCOMPARE(layerNames(net), FixedLayers);
    qreal previous = -1e9;
    for (Layer *layer : net.layers()) {
        QVERIFY2(layer->zValue() > previous, qPrintable(layer->objectName()));
        previous = layer->zValue();
        QCOMPARE(layer->scene(), &scene);
        QCOMPARE(layer->parentItem(), nullptr);
        QCOMPARE(net.layer(layer->objectName()), layer);
    }
    QCOMPARE(net.layer("Granules")->zValue(), 10.0);
    QCOMPARE(net.layer("Markers")->zValue(), 100.0);
    QCOMPARE(scene.items().size(), FixedLayers.size());
    QCOMPARE(net.layer("redSignals"), nullptr);
}

void TestNetworkg::insertLayer_data()
{
    QTest::addColumn<QString>("next");
    QTest::addColumn<int>("index");
    QTest::addColumn<qreal>("above");
    QTest::addColumn<qreal>("below");
    QTest::newRow("before Markers") << "Markers" << 9 << 90.0 << 100.0;
    QTest::newRow("before the first layer") << "Granules" << 0 << -1e9 << 10.0;
    QTest::newRow("before Connections") << "Connections" << 4 << 40.0 << 50.0;
    QTest::newRow("unknown next goes last") << "NoSuchLayer" << 10 << 100.0 << 1e9;
    QTest::newRow("empty next goes last") << "" << 10 << 100.0 << 1e9;
}

void TestNetworkg::insertLayer()
{
    QFETCH(QString, next);
    QFETCH(int, index);
    QFETCH(qreal, above);
    QFETCH(qreal, below);
    QGraphicsScene scene;
    Networkg net(&scene);
    Layer *layer = net.insertLayer("redSignals", next);
    QVERIFY(layer);
    QCOMPARE(layer->objectName(), QString("redSignals"));
    QCOMPARE(net.layers().indexOf(layer), index);
    QCOMPARE(net.layers().size(), FixedLayers.size() + 1);
    QVERIFY2(layer->zValue() > above && layer->zValue() < below,
             qPrintable(QString::number(layer->zValue())));
    QCOMPARE(layer->scene(), &scene);
    QCOMPARE(net.layer("redSignals"), layer);
}

void TestNetworkg::insertLayerRejectsDuplicatesAndEmptyNames()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.insertLayer("redSignals", "Markers"));
    QCOMPARE(net.insertLayer("redSignals", "Nodes"), nullptr);
    QCOMPARE(net.insertLayer("Markers", "Nodes"), nullptr);
    QCOMPARE(net.insertLayer("", "Markers"), nullptr);
    QCOMPARE(net.layers().size(), FixedLayers.size() + 1);
    // Two layers inserted at the same place still keep a strict order.
    Layer *second = net.insertLayer("overlay", "Markers");
    QVERIFY(second);
    QVERIFY(net.layer("redSignals")->zValue() < second->zValue());
    QVERIFY(second->zValue() < net.layer("Markers")->zValue());
}

void TestNetworkg::mappingBothWays_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("layer");
    QTest::newRow("junction node") << 1 << int(Ostrikga::NodeItemType) << "Nodes";
    QTest::newRow("split node") << 3 << int(Ostrikga::NodeItemType) << "Splits";
    QTest::newRow("hidden node") << 4 << int(Ostrikga::NodeItemType) << "Nodes";
    QTest::newRow("edge") << 10 << int(Ostrikga::EdgeItemType) << "Edges";
    QTest::newRow("lane") << 20 << int(Ostrikga::LaneItemType) << "Lanes";
    QTest::newRow("stop line") << 30 << int(Ostrikga::StoplineItemType) << "Stoplines";
    QTest::newRow("granule") << 40 << int(Ostrikga::GranuleItemType) << "Granules";
    QTest::newRow("connection") << 50 << int(Ostrikga::ConnectionItemType) << "Connections";
    QTest::newRow("crosswalk") << 60 << int(Ostrikga::CrossWalkItemType) << "CrossWalks";
    QTest::newRow("route") << 70 << int(Ostrikga::RouteItemType) << "Routes";
}

void TestNetworkg::mappingBothWays()
{
    QFETCH(int, id);
    QFETCH(int, type);
    QFETCH(QString, layer);
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY2(net.loadFromData(everyDrawableKind()), qPrintable(net.errorString()));
    Ostrika::NetObject *object = net.findObject(id);
    QVERIFY(object);
    Ostrikga::GenericGraphicsItem *item = net.object2item(object);
    QVERIFY(item);
    QCOMPARE(item->type(), type);
    QCOMPARE(item->object(), object);
    QCOMPARE(item->parentItem(), static_cast<QGraphicsItem *>(net.layer(layer)));
    QCOMPARE(item->scene(), &scene);
    QCOMPARE(net.item2object(item), object);
}

void TestNetworkg::mappingRejectsForeignItems()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QGraphicsRectItem foreign;
    QCOMPARE(net.item2object(&foreign), nullptr);
    QCOMPARE(net.item2object(nullptr), nullptr);
    QCOMPARE(net.item2object(net.layer("Nodes")), nullptr);
    QCOMPARE(net.object2item(nullptr), nullptr);
    // Signal groups have no geometry and so no item.
    QCOMPARE(net.object2item(net.findObject(41)), nullptr);
    // Another network's object is not ours.
    Networkg other(&scene);
    QVERIFY(other.loadFromData(everyDrawableKind()));
    QCOMPARE(net.object2item(other.findObject(1)), nullptr);
    QCOMPARE(net.item2object(other.object2item(other.findObject(1))), nullptr);
}

void TestNetworkg::itemsSitInGeographicCoordinates()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    const auto *node = qobject_cast<Ostrika::Node *>(net.findObject(2));
    const QPointF geo = net.geoUtil()->xyToGeo(node->position());
    const QGraphicsItem *item = net.object2item(net.findObject(2));
    QVERIFY2(std::abs(item->scenePos().x() - geo.x()) < 1e-9
                 && std::abs(item->scenePos().y() - geo.y()) < 1e-9,
             qPrintable(QString("item at %1,%2; node at %3,%4")
                            .arg(item->scenePos().x(), 0, 'f', 9).arg(item->scenePos().y(), 0, 'f', 9)
                            .arg(geo.x(), 0, 'f', 9).arg(geo.y(), 0, 'f', 9)));
    QVERIFY(!item->sceneBoundingRect().isEmpty());
    QVERIFY(item->sceneBoundingRect().contains(geo));
    // A lane's drawing covers its whole centre line and is as wide as the lane.
    const auto *lane = qobject_cast<Ostrika::Lane *>(net.findObject(20));
    const QGraphicsItem *laneItem = net.object2item(net.findObject(20));
    for (const QPointF &p : lane->polyline().points())
        QVERIFY(laneItem->sceneBoundingRect().contains(net.geoUtil()->xyToGeo(p)));
    const QRectF band = laneItem->mapToScene(laneItem->shape()).boundingRect();
    const QRectF planar = net.geoUtil()->geoToXY(band);
    QVERIFY2(std::abs(planar.height() - lane->width()) < 1e-3,
             qPrintable(QString("band %1 wide, lane %2").arg(planar.height()).arg(lane->width())));
    QVERIFY2(std::abs(planar.width() - 160) < 1e-3, qPrintable(QString::number(planar.width())));
}

void TestNetworkg::readOnlyKeepsRoutesSelectable()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(!net.isReadOnly());
    QVERIFY(net.loadFromData(everyDrawableKind()));
    auto selectable = [&](int id) {
        return bool(net.object2item(net.findObject(id))->flags() & QGraphicsItem::ItemIsSelectable);
    };
    QVERIFY(selectable(1));
    QVERIFY(selectable(50));
    net.setReadOnly(true);
    QVERIFY(net.isReadOnly());
    QVERIFY(!selectable(1));
    QVERIFY(!selectable(50));
    QVERIFY(selectable(70));
    for (QGraphicsItem *item : scene.items())
        QVERIFY(!(item->flags() & QGraphicsItem::ItemIsMovable));
    // Items made by a later load follow the read-only state too.
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QVERIFY(!selectable(20));
    QVERIFY(selectable(71));
}

void TestNetworkg::liftedRouteKeepsItsPlace()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    Layer *routes = net.layer("Routes");
    routes->setZValue(5.7);
    routes->setVisible(false);
    auto *route = net.object2item(net.findObject(70));
    const QRectF where = route->sceneBoundingRect();
    QVERIFY(!route->isVisible());
    route->setParentItem(nullptr);
    QVERIFY(route->isVisible());
    QCOMPARE(route->zValue(), 5.7);
    QCOMPARE(route->sceneBoundingRect(), where);
    QCOMPARE(net.item2object(route), net.findObject(70));
    route->setParentItem(routes);
    QVERIFY(!route->isVisible());
    QCOMPARE(route->zValue(), 0.0);
    QCOMPARE(route->sceneBoundingRect(), where);
}

void TestNetworkg::clearRemovesOnlyTheNetworksItems()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QVERIFY(scene.items().size() > FixedLayers.size() + 10);
    auto *marker = new QGraphicsRectItem(0, 0, 1, 1, net.layer("Markers"));
    auto *route = net.object2item(net.findObject(70));
    route->setParentItem(nullptr); // lifted out of its layer, as a selected route is
    // One of the network's items hung under another one goes with it, exactly once.
    net.object2item(net.findObject(71))->setParentItem(route);
    net.clear();
    QCOMPARE(net.objectCount(), 0);
    QCOMPARE(layerNames(net), FixedLayers);
    QCOMPARE(countOfType(scene, Ostrikga::NodeItemType), 0);
    QCOMPARE(countOfType(scene, Ostrikga::RouteItemType), 0);
    // Left: the layers and the foreign marker, which its owner deletes.
    QCOMPARE(scene.items().size(), FixedLayers.size() + 1);
    QCOMPARE(marker->scene(), &scene);
    delete marker;
}

void TestNetworkg::reloadDoesNotDuplicateItems()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    const int items = scene.items().size();
    QCOMPARE(countOfType(scene, Ostrikga::ConnectionItemType), 1);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QCOMPARE(scene.items().size(), items);
    QCOMPARE(countOfType(scene, Ostrikga::NodeItemType), 4);
}

void TestNetworkg::appendDrawsOnlyTheNewObjects()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QGraphicsItem *first = net.object2item(net.findObject(1));
    Ostrika::Network extra;
    extra.geoUtil()->setOrigin(QPointF(16.60, 49.19));
    extra.addNode(100, "J100", QPointF(0, 300), Ostrika::Node::Junction);
    QVERIFY2(net.loadFromData(extra.toData(), true), qPrintable(net.errorString()));
    QCOMPARE(net.object2item(net.findObject(1)), first);
    QVERIFY(net.object2item(net.findObject(100)));
    QCOMPARE(countOfType(scene, Ostrikga::NodeItemType), 5);
    QCOMPARE(countOfType(scene, Ostrikga::LaneItemType), 3);
}

void TestNetworkg::itemDeletedElsewhereIsForgotten()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    Ostrika::NetObject *lane = net.findObject(20);
    QGraphicsItem *item = net.object2item(lane);
    delete item;
    QCOMPARE(net.object2item(lane), nullptr);
    QCOMPARE(net.item2object(item), nullptr);
    // A later load adds items (one may reuse the freed memory) and still knows the others.
    Ostrika::Network extra;
    extra.geoUtil()->setOrigin(QPointF(16.60, 49.19));
    extra.addNode(100, "J100", QPointF(0, 300), Ostrika::Node::Junction);
    QVERIFY2(net.loadFromData(extra.toData(), true), qPrintable(net.errorString()));
    QGraphicsItem *added = net.object2item(net.findObject(100));
    QVERIFY(added);
    QCOMPARE(net.item2object(added), net.findObject(100));
    // The lane without an item gets a new one.
    QVERIFY(net.object2item(lane));
    QCOMPARE(net.item2object(net.object2item(lane)), lane);
    QVERIFY(net.object2item(net.findObject(1)));
    // Deleting a whole layer behind the network's back forgets the layer and its items.
    Layer *nodes = net.layer("Nodes");
    delete nodes;
    QCOMPARE(net.layer("Nodes"), nullptr);
    QCOMPARE(net.layers().size(), FixedLayers.size() - 1);
    QCOMPARE(net.object2item(net.findObject(1)), nullptr);
    net.clear();
    QCOMPARE(scene.items().size(), FixedLayers.size() - 1);
}

void TestNetworkg::destructorRemovesLayersAndLiftedItems()
{
    QGraphicsScene scene;
    auto *outside = scene.addRect(0, 0, 1, 1);
    auto net = std::make_unique<Networkg>(&scene);
    QVERIFY(net->loadFromData(everyDrawableKind()));
    net->insertLayer("redSignals", "Markers");
    new QGraphicsRectItem(0, 0, 1, 1, net->layer("redSignals"));
    net->object2item(net->findObject(71))->setParentItem(nullptr);
    net.reset();
    QCOMPARE(scene.items(), QList<QGraphicsItem *>{ outside });
}

void TestNetworkg::deletedSceneIsNeverTouched()
{
    auto *scene = new QGraphicsScene;
    Networkg net(scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    net.object2item(net.findObject(70))->setParentItem(nullptr);
    const int objects = net.objectCount();
    delete scene;
    QCOMPARE(net.scene(), nullptr);
    QCOMPARE(net.objectCount(), objects);
    QVERIFY(net.layers().isEmpty());
    QCOMPARE(net.object2item(net.findObject(1)), nullptr);
    // Clearing, adding layers and loading again never touch the old scene (an address
    // sanitizer run would report it).
    net.clear();
    QCOMPARE(net.objectCount(), 0);
    Layer *layer = net.insertLayer("late", QString());
    QVERIFY(layer);
    QCOMPARE(layer->scene(), nullptr);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QCOMPARE(net.object2item(net.findObject(1)), nullptr);
}

void TestNetworkg::failedLoadKeepsDrawingInStep()
{
    QGraphicsScene scene;
    Networkg net(&scene);
    QVERIFY(net.loadFromData(everyDrawableKind()));
    QVERIFY(!net.loadFromData("{ not json"));
    QVERIFY(!net.errorString().isEmpty());
    // Whatever the model kept, the drawing matches it: no item without its object.
    const auto nodes = net.findChildren<Ostrika::Node *>();
    QCOMPARE(countOfType(scene, Ostrikga::NodeItemType), nodes.size());
    for (Ostrika::Node *node : nodes)
        QVERIFY(net.object2item(node));
}

QTEST_MAIN(TestNetworkg)
#include "tst_networkg.moc"
