// Ostrika network model: pedestrian crossings.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Granule;

/*!
 * A pedestrian crossing of a granule. polyline() is its centre line from one kerb to the
 * other; width() in planar units. signalGroupTlId() is the number of the signal group
 * that governs it (0 or less: none).
 */
class OSTRIKA_EXPORT CrossWalk : public NetObject
{
    Q_OBJECT
public:
    int signalGroupTlId() const { return m_signalGroupTlId; }
    double width() const { return m_width; }
    Granule *granule() const { return m_granule; }
    const GeoPolyline &polyline() const override { return m_polyline; }

private:
    friend class Network;
    CrossWalk(int id, const QString &name, Granule *granule, int signalGroupTlId,
              const GeoPolyline &shape, double width, QObject *parent);

    Granule *m_granule;
    int m_signalGroupTlId;
    GeoPolyline m_polyline;
    double m_width;
};

} // namespace Ostrika
