// mapoverview: the bounding rectangle of points, also when it has no width or height.
#pragma once

#include <QPointF>
#include <QRectF>
#include <QVector>

#include <algorithm>

/*!
 * The smallest rectangle holding every point (left = smallest x, top = smallest y). QRectF's
 * own union treats a rectangle of no size as empty, so it cannot grow one from points; a
 * straight road's rectangle has no height. A null rectangle for no points.
 */
inline QRectF pointBounds(const QVector<QPointF> &points)
{
    if (points.isEmpty())
        return QRectF();
    double left = points.constFirst().x(), right = left, top = points.constFirst().y(), bottom = top;
    for (const QPointF &p : points) {
        left = std::min(left, p.x());
        right = std::max(right, p.x());
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}
