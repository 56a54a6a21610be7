// Ostrika network model: junction areas governed by one controller.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Connection;
class CrossWalk;
class Node;
class SignalGroup;

/*!
 * A junction area: its nodes, the connections through it and its crosswalks. When a
 * traffic-light controller governs it, tlId() is that controller's id (> 0; 0 or less:
 * none) and its signal groups are QObject children of the granule. position() is the
 * granule's reference point (the centre of its nodes unless the file gives one; (0, 0)
 * while such a granule has no nodes).
 */
class OSTRIKA_EXPORT Granule : public NetObject
{
    Q_OBJECT
public:
    int tlId() const { return m_tlId; }
    const QList<Node *> &nodes() const { return m_nodes; }
    const QList<Connection *> &connections() const { return m_connections; }
    const QList<CrossWalk *> &crosswalks() const { return m_crosswalks; }
    //! The signal groups, in creation order (the same set findChildren finds).
    const QList<SignalGroup *> &signalGroups() const { return m_signalGroups; }
    const QPointF &position() const override { return m_position; }

    //! Makes \a node part of this granule (a node belongs to at most one granule: it leaves
    //! its previous one). Null or already a member: no effect.
    void addNode(Node *node);
    //! Makes \a c pass through this granule (leaving its previous one). Null or already a
    //! member: no effect.
    void addConnection(Connection *c);

private:
    friend class Network;
    friend class NetworkWriter;
    friend class SignalGroup;
    Granule(int id, const QString &name, int tlId, const QPointF &position, QObject *parent);

    void updateCentre();

    int m_tlId;
    QPointF m_position;
    bool m_autoPosition = false;   // position follows the centre of the nodes
    QList<Node *> m_nodes;
    QList<Connection *> m_connections;
    QList<CrossWalk *> m_crosswalks;
    QList<SignalGroup *> m_signalGroups;
};

} // namespace Ostrika
