// Ostrikga network graphics: the picture of one layer's network objects, tile by tile.
#pragma once

#include "drawsink.h"

#include <QGraphicsItem>
#include <QPainterPath>
#include <QVector>

namespace Ostrikga {

class GenericGraphicsItem;
class Layer;

/*!
 * Paints the network objects of one layer from their handles (GenericGraphicsItem), so that
 * the scene handles one item per layer instead of one per object. Made and owned by its
 * Layer, whose visibility, z-value and opacity it follows.
 *
 * The objects are sorted into tiles of a grid sized to hold a few hundred each. A tile keeps
 * a prepared picture of its objects (Batch) for the level of detail it was last painted at
 * and prepares it again when one of them changes. An object whose colour or visibility
 * changes more than once (signal states, blinking) leaves the prepared picture and is drawn
 * on its own at each paint, on top of the prepared ones.
 *
 * Handles report changes: colour, visibility (not when their layer switches), view settings,
 * deletion. A handle hidden or shown while its layer is hidden does not report (the scene
 * does not tell it), so a tile checks its objects' visibility once after the layer is shown.
 */
class LayerDrawing : public QGraphicsItem
{
public:
    enum { Type = QGraphicsItem::UserType + 40 };

    LayerDrawing();
    ~LayerDrawing() override;

    int type() const override { return Type; }
    QRectF boundingRect() const override { return m_bounds; }
    //! Empty: look-ups by position (a click on the map, say) never find the drawing itself.
    QPainterPath shape() const override { return QPainterPath(); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    //! Takes \a item in; it is sorted into a tile by the next arrange().
    void add(GenericGraphicsItem *item);
    //! Sorts every object into the tiles again; the tiles are prepared when next painted.
    void arrange();
    //! An item being deleted.
    void remove(GenericGraphicsItem *item);
    //! Lets go of every item, before they are all deleted.
    void releaseItems();
    void lookChanged(GenericGraphicsItem *item);
    void shapeChanged(GenericGraphicsItem *item);
    //! The layer became visible: each tile checks its objects' visibility before it paints.
    void layerShown();

    int tileCount() const { return m_tiles.size(); }

private:
    struct Tile
    {
        QRectF bounds;                       // scene coordinates
        QVector<GenericGraphicsItem *> items; // null where one was deleted
        QVector<GenericGraphicsItem *> live;
        Batch batch;
        qreal lod = -1;
        bool dirty = true;
        bool verify = false;
        int updates = 0; // repaints asked for since the last paint
    };
    void prepare(Tile &tile, qreal lod);
    bool outOfStep(const Tile &tile) const;
    void repaint(Tile &tile, GenericGraphicsItem *item);

    QVector<Tile> m_tiles;
    QVector<GenericGraphicsItem *> m_unplaced;
    QRectF m_bounds;
};

} // namespace Ostrikga
