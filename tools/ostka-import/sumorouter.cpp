// ostka-import: shortest paths for trips over a SUMO network's roads.
#include "sumorouter.h"
#include "vclass.h"

#include <ostrika/lane.h>

#include <QLineF>

#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace {

double shapeLength(const QVector<QPointF> &shape)
{
    double length = 0;
    for (int i = 1; i < shape.size(); ++i)
        length += QLineF(shape.at(i - 1), shape.at(i)).length();
    return length;
}

QString classNames(int classes)
{
    return classes == Ostrika::Lane::Passenger ? QStringLiteral("passenger cars")
                                               : QStringLiteral("the trip's vehicle classes");
}

} // namespace

SumoRouter::SumoRouter(const SumoNet &net) : m_net(net)
{
    for (int i = 0; i < net.edges.size(); ++i) {
        const SumoEdge &e = net.edges.at(i);
        if (!e.isNormal() || e.lanes.isEmpty())
            continue;
        m_index.insert(e.id, m_edgeOf.size());
        m_edgeOf.append(i);
        double speed = 0;
        QVector<int> masks;
        for (const SumoLane &l : e.lanes) {
            speed = std::max(speed, l.speed);
            int mask = 0;
            QString unknown;
            if (!VClass::permissions(l.hasAllow, l.allow, l.hasDisallow, l.disallow, &mask, &unknown))
                mask = 0; // the import stops on it later, naming the lane
            masks.append(mask);
        }
        const SumoLane &first = e.lanes.constFirst();
        const double length = first.length >= 0 ? first.length : shapeLength(first.shape);
        m_cost.append(length / std::max(speed, 0.01));
        m_laneMasks.append(masks);
    }
    m_links.resize(m_edgeOf.size());
    for (const SumoConnection &c : net.connections) {
        const int from = m_index.value(c.from, -1), to = m_index.value(c.to, -1);
        if (from < 0 || to < 0)
            continue;
        const QVector<int> &fm = m_laneMasks.at(from), &tm = m_laneMasks.at(to);
        if (c.fromLane < 0 || c.fromLane >= fm.size() || c.toLane < 0 || c.toLane >= tm.size())
            continue;
        m_links[from].append({to, fm.at(c.fromLane), tm.at(c.toLane)});
    }
    m_dist.fill(std::numeric_limits<double>::infinity(), m_edgeOf.size());
    m_prev.fill(-1, m_edgeOf.size());
}

bool SumoRouter::admits(int edge, int classes) const
{
    for (int mask : m_laneMasks.at(edge)) {
        if ((mask & classes) == classes)
            return true;
    }
    return false;
}

bool SumoRouter::leg(int from, int to, int classes, QVector<int> *path) const
{
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    for (int n : qAsConst(m_touched)) {
        m_dist[n] = std::numeric_limits<double>::infinity();
        m_prev[n] = -1;
    }
    m_touched.clear();
    m_dist[from] = 0;
    m_touched.append(from);
    queue.push({0.0, from});
    while (!queue.empty()) {
        const auto [d, u] = queue.top();
        queue.pop();
        if (u == to)
            break;
        if (d > m_dist.at(u))
            continue;
        for (const Link &l : m_links.at(u)) {
            if ((l.fromMask & classes) != classes || (l.toMask & classes) != classes)
                continue;
            const double nd = d + m_cost.at(l.to);
            if (nd < m_dist.at(l.to)) {
                if (m_prev.at(l.to) < 0 && l.to != from)
                    m_touched.append(l.to);
                m_dist[l.to] = nd;
                m_prev[l.to] = u;
                queue.push({nd, l.to});
            }
        }
    }
    if (from != to && m_prev.at(to) < 0)
        return false;
    QVector<int> reversed;
    for (int n = to; n != from; n = m_prev.at(n))
        reversed.append(n);
    reversed.append(from);
    path->clear();
    for (int i = reversed.size() - 1; i >= 0; --i)
        path->append(reversed.at(i));
    return true;
}

SumoRouter::Result SumoRouter::route(const QString &from, const QString &to, const QStringList &via,
                                     int classes, QStringList *edges, QString *why) const
{
    const QStringList stops = QStringList{from} + via + QStringList{to};
    QVector<int> nodes;
    for (const QString &id : stops) {
        const int n = m_index.value(id, -1);
        if (n < 0) {
            *why = QStringLiteral("the edge \"%1\" is not a road of the network").arg(id);
            return Result::UnknownEdge;
        }
        if (!admits(n, classes)) {
            *why = QStringLiteral("no lane of the edge \"%1\" admits %2").arg(id, classNames(classes));
            return Result::NoPath;
        }
        nodes.append(n);
    }
    edges->clear();
    edges->append(from);
    QVector<int> path;
    for (int i = 1; i < nodes.size(); ++i) {
        if (!leg(nodes.at(i - 1), nodes.at(i), classes, &path)) {
            *why = QStringLiteral("no path from the edge \"%1\" to \"%2\" for %3")
                       .arg(stops.at(i - 1), stops.at(i), classNames(classes));
            return Result::NoPath;
        }
        for (int k = 1; k < path.size(); ++k)
            edges->append(edgeId(path.at(k)));
    }
    return Result::Routed;
}
