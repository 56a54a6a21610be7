// Ostrikga network graphics: base class of the items that draw network objects.
#include "genericgraphicsitem.h"

#include "drawsink.h"
#include "layer.h"
#include "layerdrawing.h"
#include "networkg.h"

namespace Ostrikga {

GenericGraphicsItem::GenericGraphicsItem(Ostrika::NetObject *object, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_object(object)
{
}

GenericGraphicsItem::~GenericGraphicsItem()
{
    // Someone else deleting the item (its layer, the scene) must not leave a stale mapping
    // nor a stale picture.
    if (m_drawing)
        m_drawing->remove(this);
    if (m_owner)
        m_owner->forgetItem(this);
}

void GenericGraphicsItem::setColor(QColor color)
{
    if (color == m_override)
        return;
    m_override = color;
    lookChanged();
}

void GenericGraphicsItem::resetColor()
{
    if (!m_override.isValid())
        return;
    m_override = QColor();
    lookChanged();
}

QColor GenericGraphicsItem::color() const
{
    return effectiveColor();
}

QColor GenericGraphicsItem::normalColor() const
{
    return QColor(Qt::darkGray);
}

void GenericGraphicsItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    PainterSink sink(painter);
    draw(sink, effectiveColor());
}

void GenericGraphicsItem::lookChanged()
{
    if (m_drawing)
        m_drawing->lookChanged(this);
    else
        update();
}

void GenericGraphicsItem::shapeChanged()
{
    if (m_drawing)
        m_drawing->shapeChanged(this);
    else
        update();
}

QVariant GenericGraphicsItem::itemChange(GraphicsItemChange change, const QVariant &value)
{
    // A layer shown or hidden takes its drawing along; only the item's own changes count.
    if (change == ItemVisibleHasChanged && m_drawing && !Layer::isSwitching())
        m_drawing->lookChanged(this);
    return QGraphicsItem::itemChange(change, value);
}

} // namespace Ostrikga
