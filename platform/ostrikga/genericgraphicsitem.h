// Ostrikga network graphics: base class of the items that draw network objects.
#pragma once

#include "ostrikga_export.h"

#include <QColor>
#include <QGraphicsItem>

namespace Ostrika {
class NetObject;
}

namespace Ostrikga {

class DrawSink;
class LayerDrawing;
class Networkg;

/*!
 * The item of one network object, in geographic scene coordinates (x = longitude,
 * y = latitude). Lines use cosmetic pens so they stay readable at every zoom. Every item can
 * be drawn in an override colour.
 *
 * The items of a network's layers are handles: the drawing of their layer paints them (see
 * Layer), so they have no contents of their own for the scene (ItemHasNoContents). Their
 * geometry (boundingRect(), shape(), sceneBoundingRect()), visibility, selection, colour and
 * view settings are theirs as with any item, and the drawing shows exactly what they say:
 * a hidden item is not drawn, an item with an override colour is drawn once, in that colour.
 * Handles are fully transparent (opacity 0): the drawing, not the item's opacity, makes
 * their look, and the scene then does not walk the whole layer after a handle's change.
 * Routes draw themselves.
 */
class OSTRIKGA_EXPORT GenericGraphicsItem : public QGraphicsItem
{
public:
    explicit GenericGraphicsItem(Ostrika::NetObject *object, QGraphicsItem *parent = nullptr);
    ~GenericGraphicsItem() override;

    Ostrika::NetObject *object() const { return m_object; }

    //! Draws the item in \a color until resetColor(); an invalid colour counts as a reset.
    virtual void setColor(QColor color);
    //! Back to the item's normal colours.
    virtual void resetColor();

    bool hasOverrideColor() const { return m_override.isValid(); }
    //! The override colour, or the item's normal colour when none is set.
    QColor color() const;

    //! Paints the item's look; the scene calls it only for items that draw themselves.
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

protected:
    //! Computes the item's geometry and position from its object.
    virtual void build() = 0;
    virtual QColor normalColor() const;
    QColor effectiveColor() const { return hasOverrideColor() ? m_override : normalColor(); }
    //! The item's look in \a colour as shapes in item coordinates.
    virtual void draw(DrawSink &sink, const QColor &colour) const = 0;
    //! Its look keeps changing: the drawing paints it on its own at every paint.
    bool isLive() const { return m_live; }
    //! Its colour or visibility changed: repaint it.
    void lookChanged();
    //! Its shapes changed (a view setting): repaint it.
    void shapeChanged();
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    friend class Layer;
    friend class LayerDrawing;
    friend class Networkg;
    LayerDrawing *drawing() const { return m_drawing; }

    Ostrika::NetObject *m_object;
    Networkg *m_owner = nullptr; // tells the network when the item goes away on its own
    QColor m_override;
    // Kept by the drawing of the item's layer; null for items that draw themselves.
    LayerDrawing *m_drawing = nullptr;
    int m_tile = -1;
    int m_slot = -1;
    quint8 m_lookChanges = 0;
    bool m_live = false;    // drawn on its own each time: its look keeps changing
    bool m_batched = false; // part of its tile's prepared picture
};

} // namespace Ostrikga
