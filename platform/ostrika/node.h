// Ostrika network model: junction and shape nodes.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Edge;
class Granule;

/*!
 * A point where edges meet. type() tells how it is drawn: 0 not drawn (an internal
 * helper node), 1 junction, 2 dead end, 3 shape point splitting an edge.
 */
class OSTRIKA_EXPORT Node : public NetObject
{
    Q_OBJECT
public:
    enum Type { Hidden = 0, Junction = 1, DeadEnd = 2, Split = 3 };

    int type() const { return m_type; }
    //! The granule (signal-controlled junction area) the node belongs to, or null.
    Granule *granule() const { return m_granule; }
    const QPointF &position() const override { return m_position; }
    //! Edges that start or end here, in creation order.
    const QList<Edge *> &edges() const { return m_edges; }

private:
    friend class Network;
    friend class Granule;
    Node(int id, const QString &name, const QPointF &position, int type, QObject *parent);

    QPointF m_position;
    int m_type;
    Granule *m_granule = nullptr;
    QList<Edge *> m_edges;
};

} // namespace Ostrika
