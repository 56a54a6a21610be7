// Ostrika network model: routes.
#pragma once

#include "lane.h"
#include "netobject.h"

namespace Ostrika {

class Edge;

/*!
 * A route: a sequence of consecutive edges in travel order (each edge starts where the
 * previous one ends). polyline() is the route's path: the file's own shape when it gives
 * one, otherwise the edges' centre lines joined in order (a point shared by two edges
 * appears once).
 */
class OSTRIKA_EXPORT Route : public NetObject
{
    Q_OBJECT
public:
    const QList<Edge *> &routeEdges() const { return m_edges; }
    int routeEdgeCount() const { return m_edges.count(); }
    Lane::VehicleClasses allowedVehicles() const { return m_allowed; }
    const GeoPolyline &polyline() const override { return m_polyline; }

private:
    friend class Network;
    Route(int id, const QString &name, const QList<Edge *> &edges,
          Lane::VehicleClasses allowed, const GeoPolyline &shape, QObject *parent);

    QList<Edge *> m_edges;
    Lane::VehicleClasses m_allowed;
    GeoPolyline m_polyline;
};

} // namespace Ostrika
