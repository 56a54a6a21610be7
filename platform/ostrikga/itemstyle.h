// Ostrikga network graphics: drawing helpers shared by the item classes.
#pragma once

#include "geoshaper.h"

#include <QPainter>
#include <QPen>
#include <QStyleOptionGraphicsItem>

#include <cmath>

namespace Ostrikga {

// Cosmetic pens reach a few pixels beyond the geometry: about 1.5 m, in degrees.
inline QRectF withMargin(const QRectF &r)
{
    const qreal m = 2e-5;
    return r.adjusted(-m, -m, m, m);
}

inline QPen cosmeticPen(const QColor &color, qreal width = 1)
{
    QPen pen(color, width);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

inline qreal levelOfDetail(const QPainter *painter)
{
    return QStyleOptionGraphicsItem::levelOfDetailFromTransform(painter->worldTransform());
}

// The smaller of the two item-unit lengths of a planar distance: the width it shows at least.
inline qreal itemLength(const GeoShaper &shaper, double planar)
{
    const QPointF ex = shaper.mapVector(QPointF(planar, 0));
    const QPointF ey = shaper.mapVector(QPointF(0, planar));
    return qMin(std::hypot(ex.x(), ex.y()), std::hypot(ey.x(), ey.y()));
}

} // namespace Ostrikga
