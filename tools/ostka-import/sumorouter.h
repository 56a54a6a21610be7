// ostka-import: shortest paths for trips over a SUMO network's roads.
#pragma once

#include "sumonet.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

/*!
 * Routes trips as SUMO's router does without traffic: the path of least free-flow travel
 * time, an edge costing its length over the highest speed limit of its lanes. A vehicle
 * moves from edge to edge only along a connection whose two lanes admit every class of
 * \a classes (Ostrika class bits). Internal, crossing and walking-area edges are not
 * routed over.
 */
class SumoRouter
{
public:
    explicit SumoRouter(const SumoNet &net);

    enum class Result { Routed, UnknownEdge, NoPath };
    /*!
     * The edges from \a from to \a to, both included, passing each edge of \a via in
     * order. UnknownEdge when one of them is not a road of the network, NoPath when no lane
     * of one admits \a classes or no path joins them; \a why then says which.
     * Not reentrant: one router serves one thread.
     */
    Result route(const QString &from, const QString &to, const QStringList &via, int classes,
                 QStringList *edges, QString *why) const;

private:
    struct Link { int to; int fromMask, toMask; };
    bool leg(int from, int to, int classes, QVector<int> *path) const;
    bool admits(int edge, int classes) const;
    QString edgeId(int node) const { return m_net.edges.at(m_edgeOf.at(node)).id; }

    const SumoNet &m_net;
    QHash<QString, int> m_index;       // normal edge id -> node index
    QVector<int> m_edgeOf;             // node index -> index into SumoNet::edges
    QVector<double> m_cost;            // seconds
    QVector<QVector<Link>> m_links;    // node index -> outgoing connections
    QVector<QVector<int>> m_laneMasks; // node index -> class bits per lane
    // Search state, reset through m_touched so that a leg costs what it visits.
    mutable QVector<double> m_dist;
    mutable QVector<int> m_prev;
    mutable QVector<int> m_touched;
};
