// Ostrikga network graphics: base class of the items that draw network objects.
#pragma once

#include "ostrikga_export.h"

#include <QColor>
#include <QGraphicsItem>

namespace Ostrika {
class NetObject;
}

namespace Ostrikga {

class Networkg;

/*!
 * A graphics item that draws one network object in geographic scene coordinates
 * (x = longitude, y = latitude). Lines use cosmetic pens so they stay readable at every
 * zoom. Every item can be drawn in an override colour.
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

protected:
    virtual QColor normalColor() const;
    QColor effectiveColor() const { return hasOverrideColor() ? m_override : normalColor(); }

private:
    friend class Networkg;
    Ostrika::NetObject *m_object;
    Networkg *m_owner = nullptr; // tells the network when the item goes away on its own
    QColor m_override;
};

} // namespace Ostrikga
