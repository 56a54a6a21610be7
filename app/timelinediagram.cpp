// ostrik-view: turning timeline data and signal plans into diagram bars and bands.
#include "timelinediagram.h"

#include <QLineF>
#include <QPointF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

double skeletonLength(const QVariantList &skel)
{
    double len = 0.0;
    for (int i = 1; i < skel.size(); ++i)
        len += QLineF(skel.at(i - 1).toPointF(), skel.at(i).toPointF()).length();
    return len;
}

double number(const QVariantMap &m, const QString &key)
{
    bool ok = false;
    const double v = m.value(key).toDouble(&ok);
    return ok ? v : std::numeric_limits<double>::quiet_NaN();
}

// Without the route's geometry: the skeleton of a route that comes back ends half-way, so
// a group measured farther along the route than the skeleton reaches lies on the way back.
RouteReading::Shape guessShape(const QVariantMap &sg, int skeletonPoints, double skeletonUnits)
{
    if (skeletonPoints < 2)
        return sg.isEmpty() ? RouteReading::OneWay : RouteReading::Loop;
    for (const QVariant &c : sg)
        for (const QVariant &g : c.toMap())
            if (number(g.toMap(), QStringLiteral("rdist")) > skeletonUnits + 40.0)
                return RouteReading::OutAndBack;
    return RouteReading::OneWay;
}

} // namespace

TimelineDiagram TimelineDiagram::build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                       double unitsPerMetre, double from, double to, const QString &route)
{
    RouteReading none;
    TimelineDiagram d = build(data, plans, none, from, to, route);
    // Without a reading the metre conversion is the caller's.
    if (!(unitsPerMetre > 0.0) || !std::isfinite(unitsPerMetre) || unitsPerMetre == 1.0)
        return d;
    d.length /= unitsPerMetre;
    for (Bar &b : d.bars)
        b.distance /= unitsPerMetre;
    d.updateBands();
    return d;
}

TimelineDiagram TimelineDiagram::build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                       const RouteReading &reading, double from, double to, const QString &route)
{
    TimelineDiagram d;
    d.route = route;
    d.from = from;
    d.to = std::max(to, from);
    const double perMetre = reading.known() ? reading.unitsPerMetre() : 1.0;
    const QVariantList skel = data.value(QStringLiteral("route_skel")).toList();
    const double skelUnits = skeletonLength(skel);
    const QVariantMap sg = data.value(QStringLiteral("sg_data")).toMap();
    d.controllers = sg.size();
    d.signalisedJunctions = reading.signalisedJunctions();
    d.shape = reading.known() ? reading.shape() : guessShape(sg, skel.size(), skelUnits);

    auto addBar = [&](int cid, int gid, double metres, bool forward) {
        Bar b;
        b.controller = cid;
        b.group = gid;
        b.junction = reading.junctionName(cid, gid);
        b.junctionId = reading.junctionId(cid, gid);
        b.distance = metres;
        b.forward = forward;
        const auto plan = plans.constFind(cid);
        if (plan != plans.constEnd()) {
            d.plans.insert(cid, *plan);
            if (plan->groups.contains(gid)) {
                b.hasPlan = true;
                b.intervals = plan->intervals(gid, d.from, d.to);
            }
        }
        d.bars.append(b);
    };

    if (d.shape == RouteReading::Loop && reading.known()) {
        d.placedByHost = true;
        d.length = reading.length();
        for (const RouteReading::Pass &p : reading.passes())
            addBar(p.controller, p.group, p.distance, true);
    } else {
        d.length = skelUnits / perMetre;
        if (d.shape == RouteReading::OutAndBack && reading.known())
            d.length = skel.size() < 2 ? reading.turn() : std::min(d.length, reading.turn());
        for (auto c = sg.constBegin(); c != sg.constEnd(); ++c) {
            bool okC = false;
            const int cid = c.key().toInt(&okC);
            const QVariantMap groups = c.value().toMap();
            for (auto g = groups.constBegin(); g != groups.constEnd(); ++g) {
                bool okG = false;
                const int gid = g.key().toInt(&okG);
                const QVariantMap e = g.value().toMap();
                const double rdist = number(e, QStringLiteral("rdist"));
                // A loop's data has no skeleton positions; its route distance is the place.
                const double dist = d.shape == RouteReading::Loop ? rdist : number(e, QStringLiteral("dist"));
                if (!okC || !okG || !std::isfinite(dist))
                    continue;
                bool forward = true;
                if (d.shape == RouteReading::OutAndBack) {
                    forward = reading.known() && std::isfinite(rdist)
                        ? rdist / perMetre <= reading.turn()
                        : e.value(QStringLiteral("fwd"), true).toBool();
                }
                addBar(cid, gid, dist / perMetre, forward);
            }
        }
    }
    for (const Bar &b : qAsConst(d.bars))
        d.length = std::max(d.length, b.distance);
    std::sort(d.bars.begin(), d.bars.end(), [](const Bar &a, const Bar &b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        if (a.forward != b.forward)
            return a.forward;
        return std::make_pair(a.controller, a.group) < std::make_pair(b.controller, b.group);
    });
    d.updateBands();
    return d;
}

void TimelineDiagram::setProgressionSpeed(double metresPerSecond)
{
    if (!(metresPerSecond > 0.0) || !std::isfinite(metresPerSecond))
        return;
    progressionSpeed = metresPerSecond;
    updateBands();
}

void TimelineDiagram::updateBands()
{
    bands.clear();
    for (const bool forward : {true, false}) {
        QVector<const Bar *> stops;
        for (const Bar &b : qAsConst(bars))
            if (b.forward == forward)
                stops.append(&b);
        if (stops.isEmpty())
            continue;
        if (!forward)
            std::reverse(stops.begin(), stops.end());
        Band band;
        band.forward = forward;
        band.startDistance = stops.constFirst()->distance;
        band.endDistance = stops.constLast()->distance;
        QVector<GreenBand::Stop> in;
        in.reserve(stops.size());
        for (const Bar *b : qAsConst(stops)) {
            const auto plan = plans.constFind(b->controller);
            in.append({std::abs(b->distance - band.startDistance), plan == plans.constEnd() ? nullptr : &*plan,
                       b->group});
        }
        band.band = GreenBand::compute(in, progressionSpeed, from, to);
        bands.append(band);
    }
}

int TimelineDiagram::forwardCount() const
{
    return int(std::count_if(bars.cbegin(), bars.cend(), [](const Bar &b) { return b.forward; }));
}

const TimelineDiagram::Band *TimelineDiagram::band(bool forward) const
{
    for (const Band &b : bands)
        if (b.forward == forward)
            return &b;
    return nullptr;
}

double TimelineDiagram::defaultSpan(const QVariantMap &data, const QMap<int, ControllerPlan> &plans)
{
    double cycle = 0.0;
    const QVariantMap sg = data.value(QStringLiteral("sg_data")).toMap();
    for (auto c = sg.constBegin(); c != sg.constEnd(); ++c) {
        const auto plan = plans.constFind(c.key().toInt());
        if (plan != plans.constEnd())
            cycle = std::max(cycle, plan->cycle);
    }
    return std::max(60.0, 2.0 * cycle);
}
