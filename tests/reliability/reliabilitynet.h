// Signalised junction networks written to ".ostka" files, for the soak test and the controller fuzzer.
#pragma once

#include <ostrika/ostrika.h>

#include <QList>
#include <QPointF>
#include <QString>
#include <QtMath>

#include <cmath>

namespace Reliability {

struct Junction
{
    int tlId = 1;
    QPointF centre;                // planar metres
    QList<QList<int>> connections; // per connection: the signal groups governing it
    QList<int> crosswalkGroups;
};

// Object names: "J<tl>_N", "J<tl>_C<k>", "J<tl>_X<k>"; one route through the first two arms.
inline bool writeNetwork(const QString &file, const QPointF &originGeo, const QList<Junction> &junctions,
                         int idBase, QString *error)
{
    Ostrika::Network net;
    net.geoUtil()->setOrigin(originGeo);
    int nextId = idBase + 1;
    auto failed = [&]() {
        if (error)
            *error = net.errorString();
        return false;
    };
    QList<Ostrika::Edge *> routeEdges;
    for (const Junction &s : junctions) {
        const QString p = QStringLiteral("J%1_").arg(s.tlId);
        const QPointF c = s.centre;
        auto *j = net.addNode(nextId++, p + "N", c, Ostrika::Node::Junction);
        auto *g = net.addGranule(nextId++, p + "G", s.tlId, QPointF(qQNaN(), qQNaN()));
        if (!j || !g)
            return failed();
        g->addNode(j);
        QMap<int, Ostrika::SignalGroup *> groups;
        for (int k = 0; k < s.connections.size(); ++k) {
            const double theta = qDegreesToRadians(90.0 * k + (k >= 4 ? 45.0 : 0.0));
            const QPointF u(std::cos(theta), std::sin(theta));
            const QPointF right(u.y(), -u.x());
            const QPointF a = c - 60 * u;
            const QPointF b = c + 60 * u;
            auto *na = net.addNode(nextId++, p + QStringLiteral("A%1").arg(k), a, Ostrika::Node::DeadEnd);
            auto *nb = net.addNode(nextId++, p + QStringLiteral("B%1").arg(k), b, Ostrika::Node::DeadEnd);
            auto *ein = net.addEdge(nextId++, QString(), na, j, {a, c});
            auto *eout = net.addEdge(nextId++, QString(), j, nb, {c, b});
            if (!na || !nb || !ein || !eout)
                return failed();
            if (routeEdges.isEmpty())
                routeEdges = {ein, eout};
            const QPointF from = c - 5 * u + 1.75 * right;
            const QPointF to = c + 5 * u + 1.75 * right;
            auto *lin = net.addLane(nextId++, QString(), ein, 3.5, Ostrika::Lane::GeneralTraffic,
                                    {a + 1.75 * right, from});
            auto *lout = net.addLane(nextId++, QString(), eout, 3.5, Ostrika::Lane::GeneralTraffic,
                                     {to, b + 1.75 * right});
            if (!lin || !lout)
                return failed();
            auto *sl = net.addStopline(nextId++, QString(), lin,
                                       QLineF(from - 1.75 * right, from + 1.75 * right));
            auto *conn = sl ? net.addConnection(nextId++, p + QStringLiteral("C%1").arg(k), lin, lout, sl,
                                                {from, to}, g, 0.0)
                            : nullptr;
            if (!conn)
                return failed();
            for (int gid : s.connections.at(k)) {
                Ostrika::SignalGroup *sg = groups.value(gid, nullptr);
                if (!sg) {
                    sg = net.addSignalGroup(nextId++, p + QStringLiteral("SG%1").arg(gid), g, gid);
                    if (!sg)
                        return failed();
                    groups.insert(gid, sg);
                }
                sg->addConnection(conn);
            }
        }
        for (int k = 0; k < s.crosswalkGroups.size(); ++k) {
            const QPointF y(0, 8 + 2 * k);
            if (!net.addCrossWalk(nextId++, p + QStringLiteral("X%1").arg(k), g, s.crosswalkGroups.at(k),
                                  {c + y + QPointF(-5, 0), c + y + QPointF(5, 0)}, 3.0))
                return failed();
        }
    }
    if (!routeEdges.isEmpty()
        && !net.addRoute(nextId++, QStringLiteral("R1"), routeEdges, Ostrika::Lane::GeneralTraffic))
        return failed();
    return net.save(file) || failed();
}

// Two junctions 200 m apart; connections share groups so that "another group active" matters.
inline QList<Junction> twoJunctions(int firstTl, int secondTl)
{
    Junction a;
    a.tlId = firstTl;
    a.connections = {{1}, {2}, {1, 3}, {2, 3}};
    a.crosswalkGroups = {4, 4};
    Junction b;
    b.tlId = secondTl;
    b.centre = QPointF(200, 0);
    b.connections = {{1, 2}, {2}, {5}};
    b.crosswalkGroups = {5};
    return {a, b};
}

} // namespace Reliability
