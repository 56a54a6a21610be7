// ostrik-view: matching positions to a route.
#include "trajectory.h"

#include <QLineF>

#include <cmath>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
}

int Trajectory::matchedPoints() const
{
    int n = 0;
    for (const QPointF &p : points)
        if (std::isfinite(p.y()))
            ++n;
    return n;
}

RouteProjector::RouteProjector(const Ostrika::GeoPolyline &route, const Ostrika::GeoUtil &geo, double unitsPerMetre,
                               double turnMetres)
    : m_route(route)
    , m_geo(geo)
    , m_unitsPerMetre(unitsPerMetre > 0.0 && std::isfinite(unitsPerMetre) ? unitsPerMetre : 1.0)
{
    const double turn = turnMetres * m_unitsPerMetre;
    if (!(turn > 0.0) || !(turn < route.length()))
        return;
    double run = 0.0;
    for (int i = 0; i < route.count(); ++i) {
        if (i > 0)
            run += QLineF(route.at(i - 1), route.at(i)).length();
        if (run >= turn)
            break;
        m_outward.append(route.at(i));
    }
    m_outward.append(route.pointAt(turn));
}

double RouteProjector::length() const
{
    return m_route.length() / m_unitsPerMetre;
}

QVector<double> RouteProjector::routeDistances(const QVector<QPointF> &lonLat, double toleranceMetres) const
{
    QVector<double> out(lonLat.size(), NaN);
    if (isNull() || !(toleranceMetres > 0.0))
        return out;
    const double tol = toleranceMetres * m_unitsPerMetre;
    double previous = NaN;
    for (int i = 0; i < lonLat.size(); ++i) {
        const QPointF xy = m_geo.geoToXY(lonLat.at(i));
        if (!std::isfinite(xy.x()) || !std::isfinite(xy.y()))
            continue;
        const QList<double> passes = m_route.pointToDistance(xy, tol);
        if (passes.isEmpty())
            continue;
        double best = passes.constFirst();
        if (std::isfinite(previous)) {
            // The first pass not behind the previous match (GPS jitter may step back a
            // little); when all lie behind, the nearest one.
            best = NaN;
            for (double d : passes)
                if (d >= previous - tol && (std::isnan(best) || d < best))
                    best = d;
            if (std::isnan(best)) {
                best = passes.constLast();
            }
        }
        previous = best;
        out[i] = best / m_unitsPerMetre;
    }
    return out;
}

double RouteProjector::axisDistance(double routeMetres) const
{
    if (m_outward.count() < 2 || !std::isfinite(routeMetres) || routeMetres * m_unitsPerMetre <= m_outward.length())
        return routeMetres;
    double along = NaN;
    m_outward.pointOn(m_route.pointAt(routeMetres * m_unitsPerMetre), &along, true);
    return along / m_unitsPerMetre;
}

Trajectory RouteProjector::trajectory(const QString &label, const QVector<double> &seconds,
                                      const QVector<QPointF> &lonLat, double toleranceMetres) const
{
    Trajectory t;
    t.label = label;
    const int n = std::min(seconds.size(), lonLat.size());
    const QVector<double> along = routeDistances(lonLat.mid(0, n), toleranceMetres);
    t.points.reserve(n);
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(seconds.at(i)))
            continue;
        t.points.append(QPointF(seconds.at(i), axisDistance(along.at(i))));
    }
    return t;
}
