// Ostrika network model: lane-to-lane connections through a junction.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Granule;
class Lane;
class SignalGroup;
class Stopline;

/*!
 * A movement through a junction from the end of one lane to the start of another.
 * polyline() runs through the junction in travel order; its first point is where the
 * connection begins (the centre of the start lane at its stop line).
 *
 * A connection may carry the dynamic property "exclude_from_route" (int, a route id):
 * the timeline of that route ignores the connection.
 */
class OSTRIKA_EXPORT Connection : public NetObject
{
    Q_OBJECT
public:
    //! Null only for connections built without one through the API (files always have one).
    Lane *startLane() const { return m_startLane; }
    Lane *endLane() const { return m_endLane; }
    //! The stop line at which the connection starts, or null.
    Stopline *from() const { return m_from; }
    //! The signal groups that govern this connection, in the order they were attached.
    const QList<SignalGroup *> &signalGroups() const { return m_signalGroups; }
    //! The junction area the connection lies in, or null.
    Granule *granule() const { return m_granule; }
    const GeoPolyline &polyline() const override { return m_polyline; }

    /*!
     * Turning angle in degrees, [0, 360): measured clockwise from the direction of the start
     * lane at its end to the direction of the end lane at its start. 0 is straight on, 90 a
     * right turn, 270 a left turn, about 180 a U-turn. Taken from the file when it gives
     * one; otherwise derived from the lane geometry (0 when a lane or its geometry is
     * missing).
     */
    double lanesAngle() const { return m_lanesAngle; }

private:
    friend class Network;
    friend class SignalGroup;
    friend class Granule;
    Connection(int id, const QString &name, Lane *startLane, Lane *endLane, Stopline *from,
               const GeoPolyline &shape, double lanesAngle, QObject *parent);

    Lane *m_startLane;
    Lane *m_endLane;
    Stopline *m_from;
    Granule *m_granule = nullptr;
    GeoPolyline m_polyline;
    double m_lanesAngle;
    QList<SignalGroup *> m_signalGroups;
};

} // namespace Ostrika
