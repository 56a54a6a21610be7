// ostka-generate: turns a plan of junctions and roads into a complete network.
#include "netbuilder.h"

#include <ostrika/ostrika.h>

#include <QtMath>

#include <algorithm>

namespace {

constexpr Ostrika::Lane::VehicleClasses RoadClasses =
    Ostrika::Lane::GeneralTraffic | Ostrika::Lane::Bus | Ostrika::Lane::Coach;
constexpr double SignalisedClearance = 5.5; // metres from the crossing road to the stop line

QPointF leftNormal(const QPointF &d) { return QPointF(-d.y(), d.x()); }

QPointF unit(const QPointF &v)
{
    const double len = std::hypot(v.x(), v.y());
    return len > 0 ? v / len : QPointF();
}

double bearing(const QPointF &d)
{
    double b = qRadiansToDegrees(std::atan2(d.x(), d.y()));
    return b < 0 ? b + 360 : b;
}

QString compassOf(const QPointF &d)
{
    const double b = bearing(d);
    if (b >= 315 || b < 45)
        return QStringLiteral("N");
    if (b < 135)
        return QStringLiteral("E");
    if (b < 225)
        return QStringLiteral("S");
    return QStringLiteral("W");
}

} // namespace

double NetBuilder::snap(double v)
{
    return std::round(v * 1000) / 1000;
}

QPointF NetBuilder::snap(const QPointF &p)
{
    return QPointF(snap(p.x()), snap(p.y()));
}

NetBuilder::NetBuilder(Ostrika::Network &network, const QPointF &originGeo, double rotation)
    : m_net(network)
{
    m_net.geoUtil()->setOrigin(originGeo);
    m_upm = Ostrika::GeoUtil::unitsPerMetre(originGeo.y());
    m_cos = std::cos(qDegreesToRadians(rotation));
    m_sin = std::sin(qDegreesToRadians(rotation));
}

int NetBuilder::addSite(const QString &name, const QPointF &metres, Kind kind, int number,
                        bool signalised)
{
    Site site;
    site.name = name;
    site.pos = snap(QPointF(metres.x() * m_cos - metres.y() * m_sin,
                            metres.x() * m_sin + metres.y() * m_cos) * m_upm);
    site.kind = kind;
    site.number = number;
    site.signalised = signalised && kind == Junction;
    m_siteByName.insert(name, m_sites.size());
    m_sites.append(site);
    return m_sites.size() - 1;
}

void NetBuilder::addRoad(int a, int b, int lanes, double laneWidth)
{
    m_roads.append({ a, b, lanes, snap(laneWidth * m_upm) });
}

bool NetBuilder::fail(const QString &text)
{
    m_error = text;
    return false;
}

bool NetBuilder::build()
{
    for (Site &site : m_sites) {
        const int type = site.kind == Junction ? Ostrika::Node::Junction
            : site.kind == DeadEnd ? Ostrika::Node::DeadEnd : Ostrika::Node::Split;
        site.node = m_net.addNode(nextId(), site.name, site.pos, type);
        if (!site.node)
            return fail(m_net.errorString());
    }
    for (const Road &road : qAsConst(m_roads)) {
        if (road.a < 0 || road.b < 0 || road.a >= m_sites.size() || road.b >= m_sites.size()
            || road.a == road.b || road.lanes < 1)
            return fail(QStringLiteral("bad road %1-%2").arg(road.a).arg(road.b));
        for (int end = 0; end < 2; ++end) {
            Site &s = m_sites[end ? road.b : road.a];
            const Site &o = m_sites[end ? road.a : road.b];
            Arm arm;
            arm.other = end ? road.a : road.b;
            arm.dir = unit(o.pos - s.pos);
            arm.lanes = road.lanes;
            arm.width = road.width;
            arm.compass = compassOf(arm.dir);
            s.arms.append(arm);
        }
    }
    for (Site &site : m_sites) {
        std::sort(site.arms.begin(), site.arms.end(),
                  [](const Arm &a, const Arm &b) { return bearing(a.dir) < bearing(b.dir); });
        double half = 0;
        for (const Arm &arm : qAsConst(site.arms))
            half = qMax(half, arm.lanes * arm.width);
        if (site.kind == Junction)
            site.radius = half + (site.signalised ? SignalisedClearance : 2.0) * m_upm;
        else
            site.radius = (site.kind == DeadEnd ? 2.0 : 0.5) * m_upm;
    }
    for (int i = 0; i < m_roads.size(); ++i) {
        if (!makeEdges(i))
            return false;
    }
    for (Site &site : m_sites) {
        if (!makeJunction(site))
            return false;
    }
    return true;
}

bool NetBuilder::makeEdges(int road)
{
    const Road &r = m_roads[road];
    for (int dirn = 0; dirn < 2; ++dirn) {
        const int si = dirn ? r.b : r.a, ti = dirn ? r.a : r.b;
        Site &s = m_sites[si];
        Site &t = m_sites[ti];
        const QPointF d = unit(t.pos - s.pos);
        const QPointF right = -leftNormal(d);
        const double span = std::hypot(t.pos.x() - s.pos.x(), t.pos.y() - s.pos.y());
        if (s.radius + t.radius >= span)
            return fail(QStringLiteral("road %1-%2 is too short").arg(s.name, t.name));
        const QPointF from = s.pos + d * s.radius;
        const QPointF to = t.pos - d * t.radius;
        Arm *atT = nullptr;
        for (Arm &arm : t.arms) {
            if (arm.other == si)
                atT = &arm;
        }
        const QString edgeName = QStringLiteral("%1-%2-in").arg(t.name, atT->compass);
        const QPointF shift = right * (r.lanes * r.width / 2);
        Ostrika::Edge *edge = m_net.addEdge(nextId(), edgeName, s.node, t.node,
                                            { snap(from + shift), snap(to + shift) });
        if (!edge)
            return fail(m_net.errorString());
        for (int i = 0; i < r.lanes; ++i) {
            const QPointF off = right * ((r.lanes - i - 0.5) * r.width);
            Ostrika::Lane *lane = m_net.addLane(nextId(), QStringLiteral("%1-%2").arg(edgeName).arg(i),
                                                edge, r.width, RoadClasses, { snap(from + off), snap(to + off) });
            if (!lane)
                return fail(m_net.errorString());
            if (t.signalised) {
                const QPointF side = leftNormal(d) * (r.width / 2);
                Ostrika::Stopline *stop = m_net.addStopline(
                    nextId(), lane->objectName() + QStringLiteral("-stop"), lane,
                    QLineF(snap(to + off + side), snap(to + off - side)));
                if (!stop)
                    return fail(m_net.errorString());
                m_stoplines.insert(lane, stop);
            }
        }
        atT->in = edge;
        for (Arm &arm : s.arms) {
            if (arm.other == ti)
                arm.out = edge;
        }
        m_edges.insert(qMakePair(si, ti), edge);
    }
    return true;
}

QVector<QVector<NetBuilder::Move>> NetBuilder::laneMoves(int lanes, bool right, bool straight,
                                                         bool left) const
{
    QVector<QVector<Move>> moves(lanes);
    if (lanes == 1) {
        if (right) moves[0] << Right;
        if (straight) moves[0] << Straight;
        if (left) moves[0] << Left;
        return moves;
    }
    if (!straight) {
        // A stem of a T or a corner: the right half turns right, the left half left.
        for (int i = 0; i < lanes; ++i) {
            const bool rightHalf = i < (lanes + 1) / 2;
            if (right && (rightHalf || !left))
                moves[i] << Right;
            else if (left)
                moves[i] << Left;
        }
        return moves;
    }
    for (int i = 0; i < lanes; ++i)
        moves[i] << Straight;
    if (lanes == 2) {
        if (right)
            moves[0] = { Right, Straight };
        if (left)
            moves[1] = { Left };
    } else {
        if (right)
            moves[0] = { Right };
        if (left)
            moves[lanes - 1] = { Left };
    }
    return moves;
}

Ostrika::GeoPolyline NetBuilder::turnShape(const QPointF &from, const QPointF &dirIn,
                                           const QPointF &to, const QPointF &dirOut) const
{
    const double cross = dirIn.x() * dirOut.y() - dirIn.y() * dirOut.x();
    const double dist = std::hypot(to.x() - from.x(), to.y() - from.y());
    if (std::abs(cross) < 0.05 && QPointF::dotProduct(dirIn, dirOut) > 0)
        return { from, to };
    QPointF c1, c2;
    if (std::abs(cross) < 0.05) {
        // Turning back: a loop that leaves and arrives along the lanes.
        c1 = from + dirIn * dist;
        c2 = to - dirOut * dist;
    } else {
        // Both tangents meet at the corner point: a quadratic curve, raised to cubic.
        const QPointF w = to - from;
        const double t = (w.x() * dirOut.y() - w.y() * dirOut.x()) / cross;
        const QPointF corner = from + dirIn * t;
        c1 = from + (corner - from) * (2.0 / 3);
        c2 = to + (corner - to) * (2.0 / 3);
    }
    Ostrika::GeoPolyline line;
    const int steps = 6;
    for (int i = 0; i <= steps; ++i) {
        const double u = double(i) / steps, v = 1 - u;
        line.append(snap(from * (v * v * v) + c1 * (3 * v * v * u) + c2 * (3 * v * u * u)
                         + to * (u * u * u)));
    }
    return line;
}
