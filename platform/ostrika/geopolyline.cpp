// Ostrika network model: polyline geometry in planar coordinates.
#include "geopolyline.h"

#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

namespace Ostrika {

namespace {

// Parameter tolerance for intersections: ends of segments snap to their exact points, so a
// crossing placed exactly on a vertex or on the end of the probe line is reported exactly.
constexpr double Eps = 1e-9;
// Beyond this ratio of mitre length to offset the join is bevelled instead.
constexpr double MitreLimit = 4.0;

inline double cross(const QPointF &a, const QPointF &b) { return a.x() * b.y() - a.y() * b.x(); }
inline double dot(const QPointF &a, const QPointF &b) { return a.x() * b.x() + a.y() * b.y(); }
inline double norm(const QPointF &a) { return std::hypot(a.x(), a.y()); }
// Exact equality: QPointF's operator== is fuzzy, which would hide short real segments.
inline bool samePoint(const QPointF &a, const QPointF &b) { return a.x() == b.x() && a.y() == b.y(); }
inline QPointF leftNormal(const QPointF &unit) { return {-unit.y(), unit.x()}; }
inline QPointF nanPoint() { return {qQNaN(), qQNaN()}; }

// Unit directions of the nearest non-zero segments before and after point i.
struct Neighbours {
    QPointF in, out;
    bool hasIn = false, hasOut = false;
};

Neighbours neighbours(const QVector<QPointF> &pts, int i)
{
    Neighbours n;
    const QPointF &p = pts.at(i);
    for (int j = i - 1; j >= 0; --j) {
        if (!samePoint(pts.at(j), p)) {
            const QPointF d = p - pts.at(j);
            n.in = d / norm(d);
            n.hasIn = true;
            break;
        }
    }
    for (int k = i + 1; k < pts.size(); ++k) {
        if (!samePoint(pts.at(k), p)) {
            const QPointF d = pts.at(k) - p;
            n.out = d / norm(d);
            n.hasOut = true;
            break;
        }
    }
    return n;
}

} // namespace

GeoPolyline::GeoPolyline(const QVector<QPointF> &points)
    : m_points(points)
{
}

GeoPolyline::GeoPolyline(std::initializer_list<QPointF> points)
    : m_points(points)
{
}

double GeoPolyline::length() const
{
    double sum = 0.0;
    for (int i = 1; i < m_points.size(); ++i)
        sum += norm(m_points.at(i) - m_points.at(i - 1));
    return sum;
}

QLineF GeoPolyline::bisectAtNode(int i) const
{
    if (i < 0 || i >= m_points.size())
        return {};
    const Neighbours n = neighbours(m_points, i);
    QPointF dir;
    if (n.hasIn && n.hasOut) {
        const QPointF nIn = leftNormal(n.in);
        dir = nIn + leftNormal(n.out);
        const double len = norm(dir);
        dir = len < 1e-9 ? nIn : dir / len;   // antiparallel: a U-turn
    } else if (n.hasIn) {
        dir = leftNormal(n.in);
    } else if (n.hasOut) {
        dir = leftNormal(n.out);
    } else {
        return {};
    }
    const QPointF &p = m_points.at(i);
    return {p, p + dir};
}

QVector<QPointF> GeoPolyline::intersection(const QLineF &line) const
{
    QVector<QPointF> result;
    const QPointF q = line.p1();
    const QPointF s = line.p2() - q;
    const double sLen = norm(s);
    if (m_points.size() < 2 || !(sLen > 0.0) || !std::isfinite(sLen))
        return result;

    bool lastAtEnd = false;   // the previous report was the end vertex of the previous segment
    for (int k = 0; k + 1 < m_points.size(); ++k) {
        const QPointF &a = m_points.at(k);
        const QPointF &b = m_points.at(k + 1);
        const QPointF r = b - a;
        const double rLen2 = dot(r, r);
        if (rLen2 == 0.0)
            continue;
        const bool skipStart = lastAtEnd;
        lastAtEnd = false;
        const double rLen = std::sqrt(rLen2);
        const QPointF qa = q - a;
        const double denom = cross(r, s);

        if (std::abs(denom) > Eps * Eps * rLen * sLen) {
            double t = cross(qa, s) / denom;
            const double u = cross(qa, r) / denom;
            if (t < -Eps || t > 1.0 + Eps || u < -Eps || u > 1.0 + Eps)
                continue;
            QPointF x;
            if (t <= Eps) {
                t = 0.0;
                x = a;
            } else if (t >= 1.0 - Eps) {
                t = 1.0;
                x = b;
            } else if (u <= Eps) {
                x = line.p1();
            } else if (u >= 1.0 - Eps) {
                x = line.p2();
            } else {
                x = a + t * r;
            }
            if (t == 0.0 && skipStart)
                continue;
            result.append(x);
            lastAtEnd = t == 1.0;
            continue;
        }

        // Parallel: only a collinear overlap meets.
        if (std::abs(cross(qa, r)) / rLen > Eps * (rLen + sLen))
            continue;
        const double t0 = dot(qa, r) / rLen2;
        const double t1 = dot(qa + s, r) / rLen2;
        const double lo = std::max(0.0, std::min(t0, t1));
        const double hi = std::min(1.0, std::max(t0, t1));
        if (lo > hi + Eps)
            continue;
        auto pointAtParam = [&](double t) -> QPointF {
            if (t <= Eps)
                return a;
            if (t >= 1.0 - Eps)
                return b;
            if (t == t0)
                return line.p1();
            if (t == t1)
                return line.p2();
            return a + t * r;
        };
        if (!(lo <= Eps && skipStart))
            result.append(pointAtParam(lo));
        if (hi - lo > Eps)
            result.append(pointAtParam(hi));
        lastAtEnd = hi >= 1.0 - Eps;
    }
    return result;
}

QList<double> GeoPolyline::pointToDistance(const QPointF &point, double tolerance) const
{
    QList<double> result;
    if (m_points.isEmpty() || !std::isfinite(tolerance) || tolerance < 0.0)
        return result;

    bool anySegment = false;
    bool inPass = false;
    double bestDist = 0.0, bestAlong = 0.0, along = 0.0;
    for (int k = 0; k + 1 < m_points.size(); ++k) {
        const QPointF &a = m_points.at(k);
        const QPointF &b = m_points.at(k + 1);
        const QPointF r = b - a;
        const double len2 = dot(r, r);
        if (len2 == 0.0)
            continue;
        anySegment = true;
        const double len = std::sqrt(len2);
        const double t = std::clamp(dot(point - a, r) / len2, 0.0, 1.0);
        const QPointF foot = t == 0.0 ? a : (t == 1.0 ? b : a + t * r);
        const double d = norm(point - foot);
        if (d <= tolerance) {
            if (!inPass) {
                inPass = true;
                bestDist = d;
                bestAlong = along + t * len;
            } else if (d < bestDist) {
                bestDist = d;
                bestAlong = along + t * len;
            }
            if (norm(point - b) > tolerance) {
                result.append(bestAlong);
                inPass = false;
            }
        }
        along += len;
    }
    if (inPass)
        result.append(bestAlong);
    if (!anySegment && norm(point - m_points.constFirst()) <= tolerance)
        result.append(0.0);
    return result;
}

QPointF GeoPolyline::pointOn(const QPointF &point, double *distance, bool nearest, double *offset,
                             int *segment) const
{
    if (m_points.isEmpty())
        return nanPoint();

    bool anySegment = false;
    bool found = false;
    double bestD2 = std::numeric_limits<double>::infinity();
    double bestAlong = 0.0, bestOffset = 0.0, along = 0.0;
    int bestSegment = 0;
    QPointF best;
    for (int k = 0; k + 1 < m_points.size(); ++k) {
        const QPointF &a = m_points.at(k);
        const QPointF &b = m_points.at(k + 1);
        const QPointF r = b - a;
        const double len2 = dot(r, r);
        if (len2 == 0.0)
            continue;
        anySegment = true;
        const double len = std::sqrt(len2);
        double t = dot(point - a, r) / len2;
        if (!nearest && !(t >= 0.0 && t <= 1.0)) {
            along += len;
            continue;
        }
        t = std::clamp(t, 0.0, 1.0);
        const QPointF foot = t == 0.0 ? a : (t == 1.0 ? b : a + t * r);
        const QPointF v = point - foot;
        const double d2 = dot(v, v);
        if (d2 < bestD2) {
            found = true;
            bestD2 = d2;
            best = foot;
            bestAlong = along + t * len;
            bestOffset = cross(r, point - a) / len;
            bestSegment = k;
        }
        along += len;
    }
    if (!anySegment && nearest && std::isfinite(point.x()) && std::isfinite(point.y())) {
        found = true;
        best = m_points.constFirst();
        bestAlong = 0.0;
        bestOffset = 0.0;
        bestSegment = 0;
    }
    if (!found)
        return nanPoint();
    if (distance)
        *distance = bestAlong;
    if (offset)
        *offset = bestOffset;
    if (segment)
        *segment = bestSegment;
    return best;
}

QPointF GeoPolyline::pointAt(double distance) const
{
    if (m_points.isEmpty() || std::isnan(distance))
        return nanPoint();
    if (distance <= 0.0)
        return m_points.constFirst();
    double along = 0.0;
    for (int k = 0; k + 1 < m_points.size(); ++k) {
        const QPointF &a = m_points.at(k);
        const QPointF &b = m_points.at(k + 1);
        const double len = norm(b - a);
        if (len == 0.0)
            continue;
        if (along + len >= distance) {
            const double t = (distance - along) / len;
            return t >= 1.0 ? b : a + t * (b - a);
        }
        along += len;
    }
    return m_points.constLast();
}

GeoPolyline GeoPolyline::offsetted(double offset) const
{
    if (m_points.size() < 2 || offset == 0.0)
        return *this;
    GeoPolyline result;
    result.m_points.reserve(m_points.size());
    for (int i = 0; i < m_points.size(); ++i) {
        const QPointF &p = m_points.at(i);
        const Neighbours n = neighbours(m_points, i);
        if (!n.hasIn && !n.hasOut) {
            result.m_points.append(p);
            continue;
        }
        if (!n.hasIn || !n.hasOut) {
            result.m_points.append(p + leftNormal(n.hasIn ? n.in : n.out) * offset);
            continue;
        }
        const QPointF nIn = leftNormal(n.in);
        const QPointF nOut = leftNormal(n.out);
        QPointF m = nIn + nOut;
        const double len = norm(m);
        const double c = len / 2.0;   // cosine of half the angle between the normals
        if (len < 1e-9 || 1.0 / c > MitreLimit) {
            result.m_points.append(p + nIn * offset);
            result.m_points.append(p + nOut * offset);
            continue;
        }
        m /= len;
        result.m_points.append(p + m * (offset / c));
    }
    return result;
}

} // namespace Ostrika
