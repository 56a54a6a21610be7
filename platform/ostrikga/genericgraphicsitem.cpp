// Ostrikga network graphics: base class of the items that draw network objects.
#include "genericgraphicsitem.h"

#include "networkg.h"

namespace Ostrikga {

GenericGraphicsItem::GenericGraphicsItem(Ostrika::NetObject *object, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_object(object)
{
}

GenericGraphicsItem::~GenericGraphicsItem()
{
    // Someone else deleting the item (its layer, the scene) must not leave a stale mapping.
    if (m_owner)
        m_owner->forgetItem(this);
}

void GenericGraphicsItem::setColor(QColor color)
{
    if (color == m_override)
        return;
    m_override = color;
    update();
}

void GenericGraphicsItem::resetColor()
{
    if (!m_override.isValid())
        return;
    m_override = QColor();
    update();
}

QColor GenericGraphicsItem::color() const
{
    return effectiveColor();
}

QColor GenericGraphicsItem::normalColor() const
{
    return QColor(Qt::darkGray);
}

} // namespace Ostrikga
