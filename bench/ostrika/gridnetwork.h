// Benchmark data: a large grid town built with the Ostrika builder API.
#pragma once

#include <ostrika/ostrika.h>

#include <QVector>

#include <array>

namespace GridNetwork {

struct Counts {
    int nodes = 0, edges = 0, lanes = 0, connections = 0, granules = 0, groups = 0;
};

/*!
 * side x side junctions 200 units apart, a two-way road between neighbours (2 or 3 lanes per
 * direction), stop lines, every fifth junction signalised with 8 groups and 4 crosswalks,
 * turning connections (right and straight from the rightmost lane, straight and left from
 * the leftmost) and one route per grid row.
 */
inline Counts build(Ostrika::Network &net, int side)
{
    using namespace Ostrika;
    Counts counts;
    int nextId = 1;
    const double spacing = 200.0, laneWidth = 3.25, setback = 15.0;
    net.geoUtil()->setOrigin(QPointF(18.0686, 59.3293));

    QVector<Node *> nodes(side * side);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c)
            nodes[r * side + c] = net.addNode(nextId++, QString(), QPointF(c * spacing, r * spacing));
    }
    counts.nodes = nodes.size();

    // Edges by node and direction: 0 east, 1 north, 2 west, 3 south.
    const std::array<QPointF, 4> dirs{QPointF(1, 0), QPointF(0, 1), QPointF(-1, 0), QPointF(0, -1)};
    QVector<std::array<Edge *, 4>> out(nodes.size()), in(nodes.size());
    for (auto &a : out)
        a.fill(nullptr);
    for (auto &a : in)
        a.fill(nullptr);
    for (int r = 0; r < side; ++r) {
        for (int c = 0; c < side; ++c) {
            for (int d = 0; d < 4; ++d) {
                const int r2 = r + int(dirs[d].y()), c2 = c + int(dirs[d].x());
                if (r2 < 0 || r2 >= side || c2 < 0 || c2 >= side)
                    continue;
                Node *a = nodes[r * side + c];
                Node *b = nodes[r2 * side + c2];
                const int laneCount = 2 + (r + c + d) % 2;
                const QPointF right(dirs[d].y(), -dirs[d].x());
                const QPointF shift = right * (laneCount * laneWidth / 2.0);
                const QPointF p0 = a->position() + dirs[d] * setback + shift;
                const QPointF p2 = b->position() - dirs[d] * setback + shift;
                const QPointF p1 = (p0 + p2) / 2.0 + right * 0.5;
                const GeoPolyline shape{p0, p1, p2};
                Edge *e = net.addEdge(nextId++, QStringLiteral("Street %1").arg(r * side + c), a, b, shape);
                for (int l = 0; l < laneCount; ++l) {
                    const double offset = -laneCount * laneWidth / 2.0 + (l + 0.5) * laneWidth;
                    const Lane::VehicleClasses allow = l == 0 ? Lane::VehicleClasses(Lane::AllClasses)
                                                              : Lane::VehicleClasses(Lane::GeneralTraffic);
                    Lane *lane = net.addLane(nextId++, QString(), e, laneWidth, allow, shape.offsetted(offset));
                    const QPointF end = lane->polyline().constLast();
                    const QPointF left(-dirs[d].y(), dirs[d].x());
                    net.addStopline(nextId++, QString(), lane,
                                    QLineF(end + left * laneWidth / 2, end - left * laneWidth / 2));
                    ++counts.lanes;
                }
                out[r * side + c][d] = e;
                in[r2 * side + c2][d] = e;   // indexed by travel direction
                ++counts.edges;
            }
        }
    }

    for (int n = 0; n < nodes.size(); ++n) {
        Granule *g = nullptr;
        QVector<SignalGroup *> groups;
        if (n % 5 == 0) {
            g = net.addGranule(nextId++, QStringLiteral("Junction %1").arg(n), 1000 + n,
                               QPointF(qQNaN(), qQNaN()));
            g->addNode(nodes[n]);
            for (int s = 1; s <= 8; ++s)
                groups << net.addSignalGroup(nextId++, QStringLiteral("K%1").arg(s), g, s);
            for (int d = 0; d < 4; ++d) {
                const QPointF centre = nodes[n]->position() + dirs[d] * 12.0;
                const QPointF across(-dirs[d].y() * 8, dirs[d].x() * 8);
                net.addCrossWalk(nextId++, QString(), g, 9 + d, {centre - across, centre + across}, 4.0);
            }
            ++counts.granules;
            counts.groups += 8;
        }
        for (int d = 0; d < 4; ++d) {
            Edge *from = in[n][d];
            if (!from)
                continue;
            const int lanesIn = from->lanes().size();
            // Right turn, straight on, left turn: travel directions d-1, d, d+1.
            for (int turn = -1; turn <= 1; ++turn) {
                Edge *to = out[n][(d + turn + 4) % 4];
                if (!to)
                    continue;
                QVector<int> starts;
                if (turn == -1)
                    starts << 0;
                else if (turn == 1)
                    starts << lanesIn - 1;
                else
                    starts << 0 << lanesIn - 1;
                for (int s : starts) {
                    Lane *a = from->lanes().at(s);
                    Lane *b = to->lanes().at(qMin(s, to->lanes().size() - 1));
                    const QPointF p0 = a->polyline().constLast(), p2 = b->polyline().constFirst();
                    const QPointF mid = (p0 + p2) / 2.0 + (nodes[n]->position() - (p0 + p2) / 2.0) * 0.3;
                    Connection *c = net.addConnection(nextId++, QString(), a, b, a->stopline(),
                                                      {p0, mid, p2}, g, qQNaN());
                    if (g)
                        groups[(d * 2 + (turn == 1 ? 1 : 0)) % 8]->addConnection(c);
                    ++counts.connections;
                }
            }
        }
    }

    for (int r = 0; r < side; r += qMax(1, side / 10)) {
        QList<Edge *> edges;
        for (int c = 0; c + 1 < side; ++c)
            edges << out[r * side + c][0];
        net.addRoute(nextId++, QStringLiteral("Row %1").arg(r), edges, Lane::GeneralTraffic);
    }
    return counts;
}

} // namespace GridNetwork
