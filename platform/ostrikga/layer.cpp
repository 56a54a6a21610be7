// Ostrikga network graphics: named layers.
#include "layer.h"

namespace Ostrikga {

Layer::Layer(const QString &name, qreal z, QGraphicsItem *parent) : QGraphicsObject(parent)
{
    setObjectName(name);
    setZValue(z);
    // Lets the scene skip the layer itself and go straight to its children.
    setFlag(ItemHasNoContents);
}

QRectF Layer::boundingRect() const
{
    return QRectF();
}

void Layer::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *)
{
}

} // namespace Ostrikga
