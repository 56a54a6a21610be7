// ostrik-view: route shape, junction names and group places from the host's network copy.
#include "routereading.h"

#include <ostrika/ostrika.h>

#include <QLineF>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double ClosingUnits = 50.0;   // ends this close: the plugin's skeleton is a middle line
constexpr double MirrorMetres = 30.0;   // the two carriageways of a wide road
constexpr double MirrorShare = 0.7;
constexpr double MatchUnits = 40.0;     // connection start to route, as the plugin matches

quint64 key(int controller, int group)
{
    return (quint64(quint32(controller)) << 32) | quint32(group);
}

// Points at a distance along a polyline in O(log n).
class Measure
{
public:
    explicit Measure(const QVector<QPointF> &pts)
        : m_pts(pts)
    {
        m_cum.reserve(pts.size());
        double run = 0.0;
        for (int i = 0; i < pts.size(); ++i) {
            if (i > 0)
                run += QLineF(pts.at(i - 1), pts.at(i)).length();
            m_cum.append(run);
        }
    }
    double length() const { return m_cum.isEmpty() ? 0.0 : m_cum.constLast(); }
    QPointF at(double s) const
    {
        if (m_pts.isEmpty())
            return {};
        if (s <= 0.0)
            return m_pts.constFirst();
        if (s >= length())
            return m_pts.constLast();
        const int i = int(std::upper_bound(m_cum.cbegin(), m_cum.cend(), s) - m_cum.cbegin());
        const double seg = m_cum.at(i) - m_cum.at(i - 1);
        const double f = seg > 0.0 ? (s - m_cum.at(i - 1)) / seg : 0.0;
        return m_pts.at(i - 1) + (m_pts.at(i) - m_pts.at(i - 1)) * f;
    }

private:
    QVector<QPointF> m_pts;
    QVector<double> m_cum;
};

// Share of the shorter leg around \a turn whose mirrored points lie within \a tol.
double mirrorShare(const Measure &m, double turn, double tol)
{
    constexpr int Samples = 40;
    const double reach = std::min(turn, m.length() - turn);
    if (!(reach > 0.0))
        return 0.0;
    int hits = 0;
    for (int k = 1; k <= Samples; ++k) {
        const double x = reach * k / Samples;
        if (QLineF(m.at(turn - x), m.at(turn + x)).length() <= tol)
            ++hits;
    }
    return double(hits) / Samples;
}

} // namespace

RouteReading::Shape RouteReading::shapeOf(const Ostrika::GeoPolyline &polyline, double unitsPerMetre, double *turnUnits)
{
    const Measure m(polyline.points());
    const double len = m.length();
    if (turnUnits)
        *turnUnits = len;
    if (polyline.count() < 2 || !(len > 0.0))
        return OneWay;
    // The turn of an out-and-back route is where the route mirrors itself best; it lies in
    // the middle half (legs of equal length within a quarter of the route).
    const double tol = MirrorMetres * unitsPerMetre;
    const double step = std::max(len / 400.0, 1.0);
    double bestShare = 0.0, bestTurn = len / 2.0;
    for (double t = len * 0.25; t <= len * 0.75; t += step) {
        const double share = mirrorShare(m, t, tol);
        if (share > bestShare + 1e-9
            || (std::abs(share - bestShare) <= 1e-9 && std::abs(t - len / 2) < std::abs(bestTurn - len / 2))) {
            bestShare = share;
            bestTurn = t;
        }
    }
    if (bestShare >= MirrorShare) {
        if (turnUnits)
            *turnUnits = bestTurn;
        return OutAndBack;
    }
    if (QLineF(polyline.constFirst(), polyline.constLast()).length() < ClosingUnits)
        return Loop;
    return OneWay;
}

RouteReading RouteReading::of(const Ostrika::Route *route, double unitsPerMetre)
{
    RouteReading r;
    if (!route)
        return r;
    if (!(unitsPerMetre > 0.0) || !std::isfinite(unitsPerMetre))
        unitsPerMetre = 1.0;
    r.m_known = true;
    r.m_unitsPerMetre = unitsPerMetre;
    double turnUnits = 0.0;
    r.m_shape = shapeOf(route->polyline(), unitsPerMetre, &turnUnits);
    r.m_length = route->polyline().length() / unitsPerMetre;
    r.m_turn = turnUnits / unitsPerMetre;
    if (const Ostrika::Network *net = route->network()) {
        for (const Ostrika::Granule *g : net->findChildren<Ostrika::Granule *>()) {
            if (g->tlId() <= 0)
                continue;
            const QString name = g->objectName().isEmpty() ? QStringLiteral("junction %1").arg(g->id()) : g->objectName();
            for (const Ostrika::SignalGroup *sg : g->signalGroups())
                if (sg->tlId() > 0 && !r.m_junctions.contains(key(g->tlId(), sg->tlId())))
                    r.m_junctions.insert(key(g->tlId(), sg->tlId()), {g->id(), name});
        }
    }
    r.walkJunctions(*route);
    return r;
}

// The groups whose connections carry the route from one of its edges into the next, as the
// plugin finds them, but placed along the route polyline: near where the route has come by
// its edges' lengths, so a loop's start and end, which meet, are told apart.
void RouteReading::walkJunctions(const Ostrika::Route &route)
{
    const QList<Ostrika::Edge *> &edges = route.routeEdges();
    const Ostrika::GeoPolyline &line = route.polyline();
    const int mask = int(route.allowedVehicles());
    QVector<const Ostrika::Granule *> seen;
    double travelled = 0.0;
    for (int i = 1; i < edges.size(); ++i) {
        const Ostrika::Edge *prev = edges.at(i - 1);
        const Ostrika::Edge *next = edges.at(i);
        travelled += prev ? prev->polyline().length() : 0.0;
        const Ostrika::Granule *g = prev && prev->end() ? prev->end()->granule() : nullptr;
        if (!g || g->tlId() <= 0 || !next)
            continue;
        if (!seen.contains(g))
            seen.append(g);
        for (const Ostrika::SignalGroup *sg : g->signalGroups()) {
            if (sg->tlId() <= 0)
                continue;
            for (const Ostrika::Connection *c : sg->connections()) {
                const Ostrika::Lane *in = c->startLane();
                const Ostrika::Lane *out = c->endLane();
                const QVariant excluded = c->property("exclude_from_route");
                if (!in || !out || in->edge() != prev || out->edge() != next || c->polyline().isEmpty()
                    || !(int(in->allowed()) & mask) || (excluded.toInt() != 0 && excluded.toInt() == route.id()))
                    continue;
                const QPointF start = c->polyline().constFirst();
                double at = std::numeric_limits<double>::quiet_NaN();
                for (double d : line.pointToDistance(start, MatchUnits))
                    if (std::isnan(at) || std::abs(d - travelled) < std::abs(at - travelled))
                        at = d;
                if (std::isnan(at))
                    line.pointOn(start, &at, true);
                if (std::isnan(at))
                    break;
                Pass p;
                p.controller = g->tlId();
                p.group = sg->tlId();
                p.junctionId = g->id();
                p.junction = junctionName(p.controller, p.group);
                p.distance = at / m_unitsPerMetre;
                m_passes.append(p);
                break;
            }
        }
    }
    m_signalised = seen.size();
    std::stable_sort(m_passes.begin(), m_passes.end(),
                     [](const Pass &a, const Pass &b) { return a.distance < b.distance; });
}

QString RouteReading::junctionName(int controller, int group) const
{
    return m_junctions.value(key(controller, group)).second;
}

int RouteReading::junctionId(int controller, int group) const
{
    return m_junctions.value(key(controller, group)).first;
}

QString RouteReading::shapeName(Shape shape)
{
    switch (shape) {
    case OutAndBack:
        return QStringLiteral("out-and-back");
    case Loop:
        return QStringLiteral("loop");
    case OneWay:
        break;
    }
    return QStringLiteral("one-way");
}
