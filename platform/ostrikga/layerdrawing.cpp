// Ostrikga network graphics: the picture of one layer's network objects, tile by tile.
#include "layerdrawing.h"

#include "genericgraphicsitem.h"
#include "itemstyle.h"

#include <QHash>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace Ostrikga {

namespace {

// Objects per tile, about: few enough to prepare a tile again in well under a millisecond,
// many enough that a city needs only hundreds of tiles.
constexpr double ObjectsPerTile = 128;
// Side of a tile at most, degrees (150 to 220 m): a frame then paints little beyond what it
// shows, also of layers with few objects.
constexpr double LargestTile = 0.002;
// Repaints asked for one object at a time before the whole tile is asked for instead.
constexpr int RepaintsPerTile = 16;
// A changed look more than once makes an object one that is drawn on its own.
constexpr int LiveAfterChanges = 2;

} // namespace

LayerDrawing::LayerDrawing()
{
    setFlag(ItemUsesExtendedStyleOption);
}

LayerDrawing::~LayerDrawing()
{
    releaseItems();
}

void LayerDrawing::releaseItems()
{
    for (const Tile &t : qAsConst(m_tiles)) {
        for (GenericGraphicsItem *item : t.items) {
            if (item)
                item->m_drawing = nullptr;
        }
    }
    for (GenericGraphicsItem *item : qAsConst(m_unplaced))
        item->m_drawing = nullptr;
    m_tiles.clear();
    m_unplaced.clear();
    if (!m_bounds.isNull()) {
        prepareGeometryChange();
        m_bounds = QRectF();
    }
}

void LayerDrawing::add(GenericGraphicsItem *item)
{
    item->m_drawing = this;
    item->m_tile = -1;
    m_unplaced.append(item);
}

void LayerDrawing::arrange()
{
    QVector<GenericGraphicsItem *> items = m_unplaced;
    m_unplaced.clear();
    for (const Tile &t : qAsConst(m_tiles)) {
        for (GenericGraphicsItem *item : t.items) {
            if (item)
                items.append(item);
        }
    }
    QVector<QRectF> rects(items.size());
    double left = 0, top = 0, right = 0, bottom = 0;
    for (int i = 0; i < items.size(); ++i) {
        rects[i] = items[i]->sceneBoundingRect();
        const QPointF c = rects[i].center();
        left = i ? std::min(left, c.x()) : c.x();
        right = i ? std::max(right, c.x()) : c.x();
        top = i ? std::min(top, c.y()) : c.y();
        bottom = i ? std::max(bottom, c.y()) : c.y();
    }
    // Square cells of about ObjectsPerTile objects on average over the area they cover (or
    // along the line they lie on).
    const double n = std::max<double>(1, items.size());
    const double w = right - left, h = bottom - top;
    const double side = qBound(1e-4,
                               std::max(std::sqrt(w * h * ObjectsPerTile / n),
                                        std::max(w, h) * ObjectsPerTile / n),
                               LargestTile);

    prepareGeometryChange();
    m_tiles.clear();
    m_bounds = QRectF();
    QHash<qint64, int> cells;
    for (int i = 0; i < items.size(); ++i) {
        GenericGraphicsItem *item = items[i];
        const QPointF c = rects[i].center();
        const qint64 cx = qint64(std::floor((c.x() - left) / side));
        const qint64 cy = qint64(std::floor((c.y() - top) / side));
        const qint64 key = (cy << 32) ^ (cx & 0xffffffff);
        auto it = cells.constFind(key);
        int index = it == cells.cend() ? -1 : it.value();
        if (index < 0) {
            index = m_tiles.size();
            cells.insert(key, index);
            m_tiles.append(Tile());
        }
        Tile &t = m_tiles[index];
        item->m_tile = index;
        item->m_slot = t.items.size();
        item->m_batched = false;
        t.items.append(item);
        if (item->m_live)
            t.live.append(item);
        t.bounds |= rects[i];
        m_bounds |= rects[i];
    }
    update();
}

void LayerDrawing::remove(GenericGraphicsItem *item)
{
    item->m_drawing = nullptr;
    if (item->m_tile < 0) {
        m_unplaced.removeOne(item);
        return;
    }
    Tile &t = m_tiles[item->m_tile];
    t.items[item->m_slot] = nullptr;
    if (item->m_live)
        t.live.removeOne(item);
    if (item->m_batched)
        t.dirty = true;
    // Called from the item's destructor: its geometry is gone already.
    if (isVisible())
        update(t.bounds);
}

void LayerDrawing::lookChanged(GenericGraphicsItem *item)
{
    if (item->m_tile < 0)
        return;
    Tile &t = m_tiles[item->m_tile];
    if (!item->m_live) {
        if (++item->m_lookChanges >= LiveAfterChanges) {
            item->m_live = true;
            t.live.append(item);
        }
        t.dirty = true;
    }
    repaint(t, item);
}

void LayerDrawing::shapeChanged(GenericGraphicsItem *item)
{
    if (item->m_tile < 0)
        return;
    Tile &t = m_tiles[item->m_tile];
    if (!item->m_live)
        t.dirty = true;
    repaint(t, item);
}

void LayerDrawing::layerShown()
{
    for (Tile &t : m_tiles)
        t.verify = true;
}

void LayerDrawing::repaint(Tile &tile, GenericGraphicsItem *item)
{
    if (!isVisible() || tile.updates > RepaintsPerTile)
        return;
    if (++tile.updates <= RepaintsPerTile)
        update(item->sceneBoundingRect());
    else
        update(tile.bounds);
}

// An object hidden or shown while the layer was hidden told no one.
bool LayerDrawing::outOfStep(const Tile &tile) const
{
    for (const GenericGraphicsItem *item : tile.items) {
        if (item && !item->m_live && item->isVisible() != item->m_batched)
            return true;
    }
    return false;
}

void LayerDrawing::prepare(Tile &tile, qreal lod)
{
    tile.batch.clear();
    tile.batch.setLod(lod);
    for (GenericGraphicsItem *item : qAsConst(tile.items)) {
        if (!item || item->m_live)
            continue;
        item->m_batched = item->isVisible();
        if (!item->m_batched)
            continue;
        tile.batch.setOffset(item->scenePos());
        item->draw(tile.batch, item->color());
    }
    tile.lod = lod;
    tile.dirty = false;
}

void LayerDrawing::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const qreal lod = levelOfDetail(painter);
    // Some callers (QGraphicsView::render) expose the whole item: what the painter can reach
    // bounds it as well.
    QRectF reach = painter->hasClipping() ? painter->clipBoundingRect() : QRectF();
    if (reach.isEmpty() && painter->device()) {
        const QRectF device(0, 0, painter->device()->width(), painter->device()->height());
        reach = painter->worldTransform().inverted().mapRect(device);
    }
    const QRectF exposed = reach.isEmpty() ? option->exposedRect : option->exposedRect & reach;
    Batch live;
    live.setLod(lod);
    for (Tile &t : m_tiles) {
        if (!t.bounds.intersects(exposed))
            continue;
        t.updates = 0;
        if (t.verify) {
            t.verify = false;
            t.dirty = t.dirty || outOfStep(t);
        }
        if (t.dirty || t.lod != lod)
            prepare(t, lod);
        t.batch.paint(painter, exposed);
        for (GenericGraphicsItem *item : qAsConst(t.live)) {
            if (!item->isVisible())
                continue;
            live.setOffset(item->scenePos());
            item->draw(live, item->color());
        }
    }
    live.paint(painter, exposed);
}

} // namespace Ostrikga
