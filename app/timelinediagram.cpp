// ostrik-view: turning timeline data and signal plans into diagram bars.
#include "timelinediagram.h"

#include <QLineF>
#include <QPointF>

#include <algorithm>
#include <cmath>

TimelineDiagram TimelineDiagram::build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                       double unitsPerMetre, double from, double to, const QString &route)
{
    TimelineDiagram d;
    d.route = route;
    d.from = from;
    d.to = std::max(to, from);
    if (!(unitsPerMetre > 0.0) || !std::isfinite(unitsPerMetre))
        unitsPerMetre = 1.0;

    const QVariantList skel = data.value(QStringLiteral("route_skel")).toList();
    double skelLength = 0.0;
    for (int i = 1; i < skel.size(); ++i)
        skelLength += QLineF(skel.at(i - 1).toPointF(), skel.at(i).toPointF()).length();
    d.length = skelLength / unitsPerMetre;

    const QVariantMap sg = data.value(QStringLiteral("sg_data")).toMap();
    d.controllers = sg.size();
    for (auto c = sg.constBegin(); c != sg.constEnd(); ++c) {
        bool okC = false;
        const int cid = c.key().toInt(&okC);
        if (!okC)
            continue;
        const QVariantMap groups = c.value().toMap();
        for (auto g = groups.constBegin(); g != groups.constEnd(); ++g) {
            bool okG = false;
            const int gid = g.key().toInt(&okG);
            const QVariantMap e = g.value().toMap();
            bool okD = false;
            const double dist = e.value(QStringLiteral("dist")).toDouble(&okD);
            if (!okG || !okD || !std::isfinite(dist))
                continue;
            Bar b;
            b.controller = cid;
            b.group = gid;
            b.distance = dist / unitsPerMetre;
            b.forward = e.value(QStringLiteral("fwd"), true).toBool();
            const auto plan = plans.constFind(cid);
            if (plan != plans.constEnd() && plan->groups.contains(gid)) {
                b.hasPlan = true;
                b.intervals = plan->intervals(gid, d.from, d.to);
            }
            d.length = std::max(d.length, b.distance);
            d.bars.append(b);
        }
    }
    std::sort(d.bars.begin(), d.bars.end(), [](const Bar &a, const Bar &b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        if (a.forward != b.forward)
            return a.forward;
        return std::make_pair(a.controller, a.group) < std::make_pair(b.controller, b.group);
    });
    return d;
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
