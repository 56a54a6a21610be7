// Ostrika network model: stop lines.
#pragma once

#include "netobject.h"

#include <QLineF>

namespace Ostrika {

class Lane;

/*!
 * The stop line across the end of a lane. line() runs across the lane from its left edge
 * to its right edge, seen in the direction of travel; so the direction of travel is the
 * line's direction turned 90 degrees counter-clockwise (planar y grows northwards).
 */
class OSTRIKA_EXPORT Stopline : public NetObject
{
    Q_OBJECT
public:
    const QLineF &line() const { return m_line; }
    Lane *lane() const { return m_lane; }
    const QPointF &position() const override { return m_centre; }

private:
    friend class Network;
    Stopline(int id, const QString &name, Lane *lane, const QLineF &line, QObject *parent);

    Lane *m_lane;
    QLineF m_line;
    QPointF m_centre;
};

} // namespace Ostrika
