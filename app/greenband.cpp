// ostrik-view: intersecting shifted greens into the through-band.
#include "greenband.h"

#include <algorithm>
#include <cmath>

namespace {

using Span = GreenBand::Departures;
constexpr double Eps = 1e-6;

// Both lists sorted and disjoint.
QVector<Span> intersect(const QVector<Span> &a, const QVector<Span> &b)
{
    QVector<Span> out;
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const double s = std::max(a.at(i).start, b.at(j).start);
        const double e = std::min(a.at(i).end, b.at(j).end);
        if (e - s > Eps)
            out.append({s, e});
        (a.at(i).end < b.at(j).end ? i : j)++;
    }
    return out;
}

// The greens of a group over [from, to], joined where green runs into flashing green.
QVector<Span> greens(const ControllerPlan &plan, int group, double from, double to)
{
    QVector<Span> out;
    for (const auto &iv : plan.intervals(group, from, to)) {
        if (!GreenBand::passable(iv.state))
            continue;
        if (!out.isEmpty() && iv.start - out.last().end < Eps)
            out.last().end = iv.end;
        else
            out.append({iv.start, iv.end});
    }
    return out;
}

} // namespace

bool GreenBand::passable(int state)
{
    return state == SignalState::Green || state == SignalState::GreenFlashing
        || state == SignalState::GreenFlashingAlt;
}

GreenBand GreenBand::compute(const QVector<Stop> &stops, double speed, double from, double to)
{
    GreenBand band;
    QVector<Stop> usable;
    for (const Stop &s : stops) {
        if (s.plan && s.plan->groups.contains(s.group) && s.plan->cycle > 0.0 && std::isfinite(s.travel)
            && s.travel >= 0.0)
            usable.append(s);
        else
            ++band.withoutPlan;
    }
    band.stops = usable.size();
    if (usable.isEmpty() || !(speed > 0.0) || !std::isfinite(speed) || !(to >= from))
        return band;

    double cycle = usable.constFirst().plan->cycle;
    for (const Stop &s : qAsConst(usable))
        if (std::abs(s.plan->cycle - cycle) > 1e-6)
            cycle = 0.0;
    band.cycle = cycle;
    // A shared cycle repeats the band: looking one cycle beyond each end of the window
    // shows every band whole, including those that cross the window's edges.
    const double a = cycle > 0.0 ? from - cycle : from;
    const double b = cycle > 0.0 ? std::max(to, from + cycle) + cycle : to;

    QVector<Span> good{{a, b}};
    for (const Stop &s : qAsConst(usable)) {
        const double t = s.travel / speed;
        QVector<Span> g = greens(*s.plan, s.group, a + t, b + t);
        for (Span &span : g) {
            span.start -= t;
            span.end -= t;
        }
        good = intersect(good, g);
        if (good.isEmpty())
            break;
    }

    for (const Span &s : qAsConst(good)) {
        const bool cutAtStart = s.start <= a + Eps;
        const bool cutAtEnd = s.end >= b - Eps;
        if (cycle > 0.0 && cutAtStart && cutAtEnd) {
            band.allGreen = true;
            band.width = cycle;
        } else if (cycle <= 0.0 || (!cutAtStart && !cutAtEnd)) {
            band.width = std::max(band.width, s.end - s.start);
        }
        if (s.end > from - cycle && s.start < to)
            band.bands.append(s);
    }
    return band;
}
