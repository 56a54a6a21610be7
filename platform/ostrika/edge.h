// Ostrika network model: directed road edges.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Lane;
class Node;

/*!
 * A directed road between two nodes, carrying one or more lanes (index 0 is the
 * rightmost lane). polyline() is the edge's centre line in travel order; for a two-way
 * road each direction is its own edge, offset to its own side of the road axis.
 */
class OSTRIKA_EXPORT Edge : public NetObject
{
    Q_OBJECT
public:
    Node *start() const { return m_start; }
    Node *end() const { return m_end; }
    const QList<Lane *> &lanes() const { return m_lanes; }
    const GeoPolyline &polyline() const override { return m_polyline; }

private:
    friend class Network;
    Edge(int id, const QString &name, Node *start, Node *end, const GeoPolyline &shape,
         QObject *parent);

    Node *m_start;
    Node *m_end;
    GeoPolyline m_polyline;
    QList<Lane *> m_lanes;
};

} // namespace Ostrika
