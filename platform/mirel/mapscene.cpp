// Host map: the scene in geographic coordinates and its layers.
#include "mapscene.h"

namespace Mirel {

MapLayer::MapLayer(const QString &name, QGraphicsItem *parent) : QGraphicsObject(parent)
{
    setObjectName(name);
    setFlag(ItemHasNoContents);
}

QRectF MapLayer::boundingRect() const
{
    return QRectF();
}

void MapLayer::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *) {}

QVariant MapLayer::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemVisibleHasChanged)
        Q_EMIT visibleChanged(value.toBool());
    return QGraphicsObject::itemChange(change, value);
}

MapScene::MapScene(QObject *parent) : QGraphicsScene(parent)
{
    // The Web-Mercator world, so the view can pan anywhere a slippy map can.
    setSceneRect(QRectF(-180.0, -85.0511, 360.0, 2 * 85.0511));
    // Qt sizes its index by the number of items, handles of the networks' layers included,
    // which it never indexes: a city's 400,000 items ask for 2^19 cells of the world (33 MB),
    // each still as wide as a city. 2^16 cells split the world as finely as a city needs.
    setBspTreeDepth(16);
}

QGraphicsObject *MapScene::addLayer(const QString &name)
{
    auto *layer = new MapLayer(name);
    // Each new layer goes on top of the ones asked for before.
    qreal top = 0.0;
    bool any = false;
    const QList<QGraphicsItem *> all = items();
    for (const QGraphicsItem *item : all) {
        if (!item->parentItem() && dynamic_cast<const MapLayer *>(item)) {
            top = any ? qMax(top, item->zValue()) : item->zValue();
            any = true;
        }
    }
    layer->setZValue(any ? top + 1.0 : 0.0);
    addItem(layer);
    return layer;
}

} // namespace Mirel
