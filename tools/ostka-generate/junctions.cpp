// ostka-generate: connections, signal groups and crossings of each site.
#include "netbuilder.h"

#include <ostrika/ostrika.h>

#include <QtMath>

namespace {

constexpr double CrossingWidth = 4.0;      // metres, along the road
constexpr double CrossingSetback = 3.0;    // metres from the lane ends to the crossing's centre
constexpr double CrossingKerbGap = 0.5;    // metres beyond the outer lanes
constexpr int FirstCrossingGroup = 21;

QPointF leftNormal(const QPointF &d) { return QPointF(-d.y(), d.x()); }

// Clockwise angle in [0, 360) from direction a to direction b: 90 is a right turn.
double clockwise(const QPointF &a, const QPointF &b)
{
    const double ccw = std::atan2(a.x() * b.y() - a.y() * b.x(), QPointF::dotProduct(a, b));
    double cw = -qRadiansToDegrees(ccw);
    if (cw < 0)
        cw += 360;
    return cw >= 360 ? cw - 360 : cw;
}

} // namespace

bool NetBuilder::makeJunction(Site &site)
{
    if (site.kind == Junction) {
        site.granule = m_net.addGranule(nextId(), QStringLiteral("G%1").arg(site.number),
                                        site.signalised ? site.number : 0,
                                        QPointF(qQNaN(), qQNaN()));
        if (!site.granule)
            return fail(m_net.errorString());
        site.granule->addNode(site.node);
    }
    int groupId = 0;
    for (const Arm &a : qAsConst(site.arms)) {
        if (!a.in)
            continue;
        const QPointF dirIn = -a.dir;
        const Arm *exits[4] = {};
        double deviation[4] = { 360, 360, 360, 360 };
        for (const Arm &b : qAsConst(site.arms)) {
            if (!b.out)
                continue;
            if (site.kind == DeadEnd) {
                exits[Turnaround] = &b;
                continue;
            }
            if (&b == &a)
                continue;
            const double angle = clockwise(dirIn, b.dir);
            Move m = Straight;
            double dev = qMin(angle, 360 - angle);
            if (site.kind == Junction && angle >= 45 && angle < 180) {
                m = Right;
                dev = std::abs(angle - 90);
            } else if (site.kind == Junction && angle >= 180 && angle <= 315) {
                m = Left;
                dev = std::abs(angle - 270);
            }
            if (dev < deviation[m]) {
                deviation[m] = dev;
                exits[m] = &b;
            }
        }
        const QList<Ostrika::Lane *> &lanes = a.in->lanes();
        QVector<QVector<Move>> moves(lanes.size());
        if (exits[Turnaround])
            moves.last() << Turnaround;
        else
            moves = laneMoves(lanes.size(), exits[Right], exits[Straight], exits[Left]);

        QList<Ostrika::Connection *> byMove[4];
        bool rightOnlyLane = false;
        for (int i = 0; i < lanes.size(); ++i) {
            rightOnlyLane = rightOnlyLane || moves[i] == QVector<Move>{ Right };
            Ostrika::Lane *in = lanes[i];
            for (Move m : qAsConst(moves[i])) {
                if (!exits[m])
                    continue;
                const Arm &b = *exits[m];
                const QList<Ostrika::Lane *> &outLanes = b.out->lanes();
                const int j = m == Right ? 0
                    : (m == Left || m == Turnaround) ? outLanes.size() - 1
                                                     : qMin(i, outLanes.size() - 1);
                Ostrika::Lane *out = outLanes[j];
                const QPointF from = in->polyline().constLast();
                const QPointF to = out->polyline().constFirst();
                const QString name = QStringLiteral("%1-%2%3-%4%5")
                                         .arg(site.name, a.compass).arg(i).arg(b.compass).arg(j);
                Ostrika::Connection *c = m_net.addConnection(
                    nextId(), name, in, out, m_stoplines.value(in),
                    turnShape(from, dirIn, to, b.dir), site.granule, clockwise(dirIn, b.dir));
                if (!c)
                    return fail(m_net.errorString());
                byMove[m].append(c);
            }
        }
        if (!site.signalised)
            continue;
        // Straight and right share a group unless right turns have a lane of their own.
        QList<QList<Ostrika::Connection *>> groups;
        const bool rightAlone = rightOnlyLane || byMove[Straight].isEmpty();
        groups << byMove[Straight] + (rightAlone ? QList<Ostrika::Connection *>() : byMove[Right]);
        if (rightAlone)
            groups << byMove[Right];
        groups << byMove[Left];
        for (const QList<Ostrika::Connection *> &members : qAsConst(groups)) {
            if (members.isEmpty())
                continue;
            ++groupId;
            Ostrika::SignalGroup *sg = m_net.addSignalGroup(
                nextId(), QStringLiteral("SG%1.%2").arg(site.number).arg(groupId), site.granule,
                groupId);
            if (!sg)
                return fail(m_net.errorString());
            for (Ostrika::Connection *c : members)
                sg->addConnection(c);
        }
    }
    return site.signalised ? makeCrossings(site) : true;
}

bool NetBuilder::makeCrossings(Site &site)
{
    int group = FirstCrossingGroup;
    for (const Arm &a : qAsConst(site.arms)) {
        const QPointF n = leftNormal(a.dir);
        const QPointF centre = site.pos + a.dir * (site.radius - CrossingSetback * m_upm);
        const double gap = CrossingKerbGap * m_upm;
        const double inSide = (a.in ? a.lanes * a.width : 0) + gap;
        const double outSide = (a.out ? a.lanes * a.width : 0) + gap;
        const Ostrika::GeoPolyline shape{ snap(centre + n * inSide), snap(centre - n * outSide) };
        Ostrika::SignalGroup *sg = m_net.addSignalGroup(
            nextId(), QStringLiteral("SG%1.%2").arg(site.number).arg(group), site.granule, group);
        if (!sg)
            return fail(m_net.errorString());
        if (!m_net.addCrossWalk(nextId(), QStringLiteral("%1-%2-crossing").arg(site.name, a.compass),
                                site.granule, group, shape, snap(CrossingWidth * m_upm)))
            return fail(m_net.errorString());
        ++group;
    }
    return true;
}

bool NetBuilder::addRoute(const QString &name, const QStringList &sites,
                          Ostrika::Lane::VehicleClasses allowed)
{
    QList<Ostrika::Edge *> edges;
    for (int i = 0; i + 1 < sites.size(); ++i) {
        const int a = m_siteByName.value(sites[i], -1), b = m_siteByName.value(sites[i + 1], -1);
        Ostrika::Edge *edge = m_edges.value(qMakePair(a, b));
        if (!edge)
            return fail(QStringLiteral("route %1: no road from %2 to %3")
                            .arg(name, sites[i], sites[i + 1]));
        edges.append(edge);
    }
    if (!m_net.addRoute(nextId(), name, edges, allowed))
        return fail(m_net.errorString());
    return true;
}
