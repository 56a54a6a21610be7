// Ostrikga network graphics: named layers.
#pragma once

#include "ostrikga_export.h"

#include <QGraphicsObject>
#include <QSet>

namespace Ostrikga {

class LayerDrawing;

/*!
 * A named layer of a graphics network: a QGraphicsObject without contents of its own
 * whose child items are the layer's items. objectName() is the layer's name; its
 * z-value orders it among the network's layers.
 *
 * The network's own objects in a layer are drawn by one drawing item per layer, a top-level
 * item of the scene stacked right after the layer; it follows the layer's visibility,
 * z-value and opacity (not its position or transform). Their items are handles that draw
 * nothing themselves (see GenericGraphicsItem), so the scene need not visit them to draw a
 * frame and does not find them by position. Other items put into a layer are drawn, and
 * found, as usual.
 */
class OSTRIKGA_EXPORT Layer : public QGraphicsObject
{
    Q_OBJECT
public:
    Layer(const QString &name, qreal z, QGraphicsItem *parent = nullptr);
    ~Layer() override;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;

private:
    friend class Networkg;
    friend class GenericGraphicsItem;
    friend class LayerDrawing;

    //! The drawing of the network's objects in this layer, made on first use.
    LayerDrawing *drawing();
    LayerDrawing *existingDrawing() const { return m_drawing; }
    void dropDrawing();
    void placeDrawing();
    void updateSkipping();
    //! True while a layer passes a change of its visibility down to its items.
    static bool isSwitching() { return s_switching > 0; }

    LayerDrawing *m_drawing = nullptr;
    QSet<QGraphicsItem *> m_foreign; // children that are not handles of the drawing
    bool m_adopting = false;         // the network is adding its handles
    static int s_switching;
};

} // namespace Ostrikga
