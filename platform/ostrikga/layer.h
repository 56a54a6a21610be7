// Ostrikga network graphics: named layers.
#pragma once

#include "ostrikga_export.h"

#include <QGraphicsObject>

namespace Ostrikga {

/*!
 * A named layer of a graphics network: a QGraphicsObject without contents of its own
 * whose child items are the layer's items. objectName() is the layer's name; its
 * z-value orders it among the network's layers.
 */
class OSTRIKGA_EXPORT Layer : public QGraphicsObject
{
    Q_OBJECT
public:
    Layer(const QString &name, qreal z, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;
};

} // namespace Ostrikga
