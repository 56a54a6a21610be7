// ostrik-view: deriving fixed-time plans from junction geometry.
#include "planderiver.h"

#include <ostrika/ostrika.h>

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

enum Movement { Straight, Right, Left };

double axisOf(const QPointF &a, const QPointF &b)
{
    double deg = qRadiansToDegrees(std::atan2(b.y() - a.y(), b.x() - a.x()));
    deg = std::fmod(deg + 360.0, 180.0);
    return deg >= 180.0 ? 0.0 : deg;
}

// Angle between two axes, 0..90 degrees.
double axisDiff(double a, double b)
{
    const double d = std::fmod(std::abs(a - b), 180.0);
    return std::min(d, 180.0 - d);
}

// Mean of axes (angles modulo 180) through the doubled-angle vector sum.
double meanAxis(const QVector<double> &axes)
{
    double sx = 0.0, sy = 0.0;
    for (double a : axes) {
        sx += std::cos(qDegreesToRadians(2.0 * a));
        sy += std::sin(qDegreesToRadians(2.0 * a));
    }
    double deg = qRadiansToDegrees(std::atan2(sy, sx)) / 2.0;
    return std::fmod(deg + 180.0, 180.0);
}

bool approachAxis(const Ostrika::Connection *c, double *axis)
{
    const Ostrika::Lane *lane = c->startLane();
    if (lane && lane->polyline().count() >= 2) {
        const auto &pl = lane->polyline();
        *axis = axisOf(pl.at(pl.count() - 2), pl.constLast());
        return true;
    }
    const auto &pl = c->polyline();
    if (pl.count() >= 2) {
        *axis = axisOf(pl.at(0), pl.at(1));
        return true;
    }
    return false;
}

Movement movementOf(const Ostrika::Connection *c)
{
    const double a = c->lanesAngle();
    if (!std::isfinite(a) || a <= 30.0 || a >= 330.0)
        return Straight;
    return a < 180.0 ? Right : Left;
}

struct GroupInfo
{
    int id = 0;
    bool pedestrian = false;
    Movement movement = Straight;
    double axis = 0.0;
    int connections = 0;
};

} // namespace

QVector<PlanDeriver::Stage> PlanDeriver::stages(const Ostrika::Granule &granule, double *referenceAxis)
{
    QVector<GroupInfo> infos;
    for (const Ostrika::SignalGroup *sg : granule.signalGroups()) {
        if (sg->tlId() <= 0)
            continue;
        GroupInfo gi;
        gi.id = sg->tlId();
        QVector<double> axes;
        bool straight = false, left = false;
        for (const Ostrika::Connection *c : sg->connections()) {
            double ax = 0.0;
            if (!approachAxis(c, &ax))
                continue;
            axes.append(ax);
            const Movement m = movementOf(c);
            straight = straight || m == Straight;
            left = left || m == Left;
        }
        if (axes.isEmpty())
            continue; // no geometry: a crosswalk may still claim the id below
        gi.axis = meanAxis(axes);
        gi.connections = axes.size();
        gi.movement = straight ? Straight : (left ? Left : Right);
        if (std::none_of(infos.cbegin(), infos.cend(), [&](const GroupInfo &o) { return o.id == gi.id; }))
            infos.append(gi);
    }
    for (const Ostrika::CrossWalk *cw : granule.crosswalks()) {
        const int id = cw->signalGroupTlId();
        if (id <= 0 || cw->polyline().count() < 2)
            continue;
        if (std::any_of(infos.cbegin(), infos.cend(), [&](const GroupInfo &o) { return o.id == id; }))
            continue;
        GroupInfo gi;
        gi.id = id;
        gi.pedestrian = true;
        gi.axis = axisOf(cw->polyline().constFirst(), cw->polyline().constLast());
        infos.append(gi);
    }
    if (infos.isEmpty())
        return {};

    // The reference axis is the one of the straight group with the most connections.
    const GroupInfo *ref = nullptr;
    for (const GroupInfo &gi : infos) {
        if (gi.pedestrian)
            continue;
        const bool better = !ref || (gi.movement == Straight && ref->movement != Straight)
            || (gi.movement == ref->movement && gi.connections > ref->connections);
        if (better)
            ref = &gi;
    }
    const double refAxis = ref ? ref->axis : infos.first().axis;
    if (referenceAxis)
        *referenceAxis = refAxis;

    Stage main[2], lefts[2];
    bool hasStraight[2] = {false, false};
    for (const GroupInfo &gi : infos)
        if (!gi.pedestrian && gi.movement == Straight)
            hasStraight[axisDiff(gi.axis, refAxis) < 45.0 ? 0 : 1] = true;
    for (const GroupInfo &gi : infos) {
        const int ax = axisDiff(gi.axis, refAxis) < 45.0 ? 0 : 1;
        if (gi.pedestrian)
            main[ax].pedestrianGroups.append(gi.id);
        else if (gi.movement == Left && hasStraight[ax])
            lefts[ax].vehicleGroups.append(gi.id);
        else
            main[ax].vehicleGroups.append(gi.id);
    }
    QVector<Stage> out;
    for (int ax = 0; ax < 2; ++ax) {
        main[ax].axis = lefts[ax].axis = ax;
        lefts[ax].leftTurns = true;
        if (!main[ax].vehicleGroups.isEmpty() || !main[ax].pedestrianGroups.isEmpty())
            out.append(main[ax]);
        if (!lefts[ax].vehicleGroups.isEmpty())
            out.append(lefts[ax]);
    }
    return out;
}

QVector<double> PlanDeriver::stageStarts(const QVector<Stage> &stages)
{
    QVector<double> starts;
    if (stages.isEmpty())
        return starts;
    int mains = 0;
    for (const Stage &s : stages)
        mains += s.leftTurns ? 0 : 1;
    const double lost = stages.size() * (Yellow + AllRed);
    const double leftTotal = (stages.size() - mains) * LeftGreen;
    const double mainTotal = Cycle - lost - leftTotal;
    double t = 0.0;
    bool first = true;
    for (const Stage &s : stages) {
        starts.append(t);
        double g = LeftGreen;
        if (!s.leftTurns) {
            // The reference axis carries the busiest straight movement: give it the larger share.
            g = mains == 1 ? mainTotal : (first ? 0.55 * mainTotal : 0.45 * mainTotal / (mains - 1));
            first = false;
        }
        t += g + Yellow + AllRed;
    }
    return starts;
}

ControllerPlan PlanDeriver::plan(int controllerId, const QVector<Stage> &stages, double offset, int mainStage)
{
    ControllerPlan p;
    p.controllerId = controllerId;
    p.cycle = Cycle;
    const QVector<double> starts = stageStarts(stages);
    if (stages.isEmpty())
        return p;
    if (mainStage < 0 || mainStage >= stages.size())
        mainStage = 0;
    p.offset = std::fmod(std::fmod(offset - starts.at(mainStage), Cycle) + Cycle, Cycle);

    for (int k = 0; k < stages.size(); ++k) {
        const double s = starts.at(k);
        const double next = k + 1 < stages.size() ? starts.at(k + 1) : Cycle;
        const double green = next - s - Yellow - AllRed;
        // State of one group of this stage at cycle time t, in [0, Cycle).
        auto vehicle = [&](double t) {
            const auto in = [&](double a, double b) {
                const double x = std::fmod(t - a + 2 * Cycle, Cycle);
                return x < b - a;
            };
            if (in(s, s + green)) return int(SignalState::Green);
            if (in(s + green, s + green + Yellow)) return int(SignalState::Yellow);
            if (in(s - RedYellow, s)) return int(SignalState::RedYellow);
            return int(SignalState::Red);
        };
        auto pedestrian = [&](double t) {
            const auto in = [&](double a, double b) {
                const double x = std::fmod(t - a + 2 * Cycle, Cycle);
                return x < b - a;
            };
            const double clear = std::min(PedClearance, green / 2.0);
            if (in(s, s + green - clear)) return int(SignalState::Green);
            if (in(s + green - clear, s + green)) return int(SignalState::GreenFlashing);
            return int(SignalState::Red);
        };
        // Cut points of the pattern; between two cuts the state is constant.
        QVector<double> cuts = {0.0, s, s + green, s + green + Yellow,
                                std::fmod(s - RedYellow + Cycle, Cycle),
                                s + green - std::min(PedClearance, green / 2.0)};
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        auto phasesOf = [&](auto stateAt) {
            QVector<PlanPhase> phases;
            for (int i = 0; i < cuts.size(); ++i) {
                const double a = cuts.at(i);
                const double b = i + 1 < cuts.size() ? cuts.at(i + 1) : Cycle;
                if (b - a < 1e-9 || a >= Cycle)
                    continue;
                const int st = stateAt((a + b) / 2.0);
                if (!phases.isEmpty() && phases.last().state == st)
                    phases.last().duration += b - a;
                else
                    phases.append({st, b - a});
            }
            return phases;
        };
        for (int g : stages.at(k).vehicleGroups)
            p.groups.insert(g, phasesOf(vehicle));
        for (int g : stages.at(k).pedestrianGroups)
            p.groups.insert(g, phasesOf(pedestrian));
    }
    return p;
}

SignalPlanSet PlanDeriver::derive(const Ostrika::Network &network)
{
    SignalPlanSet set;
    // Longer routes are coordinated first; a junction follows the first route that passes it.
    QList<const Ostrika::Route *> routes;
    for (const Ostrika::Route *r : network.findChildren<Ostrika::Route *>())
        if (r->polyline().count() >= 2)
            routes << r;
    std::stable_sort(routes.begin(), routes.end(), [](const Ostrika::Route *a, const Ostrika::Route *b) {
        return a->polyline().length() > b->polyline().length();
    });

    for (const Ostrika::Granule *g : network.findChildren<Ostrika::Granule *>()) {
        if (g->tlId() <= 0 || set.plans.contains(g->tlId()))
            continue;
        double refAxis = 0.0;
        const QVector<Stage> st = stages(*g, &refAxis);
        if (st.isEmpty())
            continue;
        double arrival = 0.0;
        int mainStage = 0;
        const double perMetre = Ostrika::GeoUtil::unitsPerMetre(network.geoUtil()->xyToGeo(g->position()).y());
        for (const Ostrika::Route *route : qAsConst(routes)) {
            const auto &pl = route->polyline();
            // The first pass counts: an out-and-back route meets each junction twice.
            const QList<double> passes = pl.pointToDistance(g->position(), 40.0 * perMetre);
            if (passes.isEmpty())
                continue;
            const double along = passes.first();
            int segment = 0;
            pl.pointOn(pl.pointAt(along), nullptr, true, nullptr, &segment);
            arrival = along / perMetre / ProgressionSpeed;
            const int i = std::max(0, std::min(segment, pl.count() - 2));
            const int routeOn = axisDiff(axisOf(pl.at(i), pl.at(i + 1)), refAxis) < 45.0 ? 0 : 1;
            for (int k = 0; k < st.size(); ++k) {
                if (st.at(k).axis == routeOn && !st.at(k).leftTurns) {
                    mainStage = k;
                    break;
                }
            }
            break;
        }
        set.plans.insert(g->tlId(), plan(g->tlId(), st, arrival, mainStage));
    }
    return set;
}
