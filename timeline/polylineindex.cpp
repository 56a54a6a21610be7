// PolylineIndex: a bounding-box tree over runs of segments, measured as GeoPolyline measures.
#include "timeline/polylineindex.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <queue>
#include <utility>

namespace RouteTimeline {

namespace {

// The measurements below repeat GeoPolyline's arithmetic expression for expression, so the
// results are the same to the last bit (tst_polylineindex holds them to it).
inline double dot(const QPointF &a, const QPointF &b) { return a.x() * b.x() + a.y() * b.y(); }
inline double norm(const QPointF &a) { return std::hypot(a.x(), a.y()); }
inline bool finite(const QPointF &p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

// Closest point of segment a-b to p, with its parameter.
struct Foot {
    QPointF point;
    double t;
};

inline Foot footOn(const QPointF &a, const QPointF &b, const QPointF &r, double len2, const QPointF &p)
{
    const double t = std::clamp(dot(p - a, r) / len2, 0.0, 1.0);
    return {t == 0.0 ? a : (t == 1.0 ? b : a + t * r), t};
}

// Calls f(segment, its end, the foot of p on it, the distance along to that foot) for each
// non-zero segment from \a first to before \a last, in order.
template<typename F>
void eachFoot(const Ostrika::GeoPolyline &line, const QVector<double> &alongTo, int first, int last,
              const QPointF &p, F f)
{
    for (int s = first; s < last; ++s) {
        const QPointF &a = line.at(s);
        const QPointF &b = line.at(s + 1);
        const QPointF r = b - a;
        const double len2 = dot(r, r);
        if (len2 == 0.0)
            continue;
        const Foot foot = footOn(a, b, r, len2, p);
        f(s, b, foot, alongTo.at(s) + foot.t * std::sqrt(len2));
    }
}

quint64 bits(double v)
{
    quint64 b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

} // namespace

ExactPoint exactPoint(const QPointF &p)
{
    return {bits(p.x()), bits(p.y())};
}

PolylineIndex::PolylineIndex(const Ostrika::GeoPolyline &polyline)
    : m_line(polyline)
{
    const int segments = segmentCount();
    if (segments < 1)
        return;
    double extent = 0.0;
    for (const QPointF &p : m_line.points()) {
        if (!finite(p))
            return;
        extent = std::max({extent, std::abs(p.x()), std::abs(p.y())});
    }
    m_along.resize(segments);
    double along = 0.0;
    bool anySegment = false;
    for (int k = 0; k < segments; ++k) {
        m_along[k] = along;
        const QPointF r = m_line.at(k + 1) - m_line.at(k);
        const double len2 = dot(r, r);
        if (len2 == 0.0)
            continue;
        anySegment = true;
        along += std::sqrt(len2);
    }
    if (!anySegment)
        return;
    // Far above the rounding of any measurement, far below any distance that matters.
    m_slack = 1e-6 * (1.0 + extent);

    const int leaves = (segments + LeafSegments - 1) / LeafSegments;
    m_leafBase = 1;
    while (m_leafBase < leaves)
        m_leafBase *= 2;
    const double inf = std::numeric_limits<double>::infinity();
    m_tree.fill(Box{inf, inf, -inf, -inf}, 2 * m_leafBase);
    for (int leaf = 0; leaf < leaves; ++leaf) {
        Box &box = m_tree[m_leafBase + leaf];
        for (int i = leaf * LeafSegments; i <= leafEnd(leaf); ++i) {
            const QPointF &p = m_line.at(i);
            box = {std::min(box.x0, p.x()), std::min(box.y0, p.y()), std::max(box.x1, p.x()),
                   std::max(box.y1, p.y())};
        }
    }
    for (int i = m_leafBase - 1; i >= 1; --i) {
        const Box &l = m_tree.at(2 * i);
        const Box &r = m_tree.at(2 * i + 1);
        m_tree[i] = {std::min(l.x0, r.x0), std::min(l.y0, r.y0), std::max(l.x1, r.x1),
                     std::max(l.y1, r.y1)};
    }
    m_indexed = true;
}

QVector<int> PolylineIndex::leavesMeeting(const Box &q) const
{
    QVector<int> leaves;
    QVarLengthArray<int, 64> stack;
    stack.append(1);
    while (!stack.isEmpty()) {
        const int node = stack.last();
        stack.removeLast();
        const Box &b = m_tree.at(node);
        if (b.x0 > q.x1 || b.x1 < q.x0 || b.y0 > q.y1 || b.y1 < q.y0)
            continue;
        if (node >= m_leafBase) {
            leaves.append(node - m_leafBase);
        } else {
            stack.append(2 * node + 1);   // the left child comes out first: polyline order
            stack.append(2 * node);
        }
    }
    return leaves;
}

double PolylineIndex::distance2(const Box &b, const QPointF &p)
{
    const double dx = std::max({b.x0 - p.x(), 0.0, p.x() - b.x1});
    const double dy = std::max({b.y0 - p.y(), 0.0, p.y() - b.y1});
    return dx * dx + dy * dy;
}

QVector<QPointF> PolylineIndex::intersection(const QLineF &line) const
{
    if (!m_indexed || !finite(line.p1()) || !finite(line.p2()))
        return m_line.intersection(line);
    const double slack = m_slack + 1e-6 * line.length();
    const QVector<int> leaves = leavesMeeting({std::min(line.x1(), line.x2()) - slack,
                                               std::min(line.y1(), line.y2()) - slack,
                                               std::max(line.x1(), line.x2()) + slack,
                                               std::max(line.y1(), line.y2()) + slack});
    // Each run of neighbouring leaves is asked as a polyline of its own: a segment between
    // runs meets nothing, so no run inherits anything from the segments before it.
    QVector<QPointF> crossings;
    for (int i = 0; i < leaves.size();) {
        int j = i + 1;
        while (j < leaves.size() && leaves.at(j) == leaves.at(j - 1) + 1)
            ++j;
        const int first = leaves.at(i) * LeafSegments;
        const int last = leafEnd(leaves.at(j - 1));
        crossings += Ostrika::GeoPolyline(m_line.points().mid(first, last - first + 1)).intersection(line);
        i = j;
    }
    return crossings;
}

QList<double> PolylineIndex::pointToDistance(const QPointF &point, double tolerance)
{
    if (!m_indexed || !finite(point) || !std::isfinite(tolerance) || tolerance < 0.0)
        return m_line.pointToDistance(point, tolerance);
    const auto k = qMakePair(exactPoint(point), bits(tolerance));
    auto known = m_passes.constFind(k);
    if (known == m_passes.constEnd())
        known = m_passes.insert(k, pointToDistanceSearch(point, tolerance));
    return *known;
}

// Segments out of reach only add to the distance along; the passes come from those in reach.
QList<double> PolylineIndex::pointToDistanceSearch(const QPointF &point, double tolerance) const
{
    const double reach = tolerance + m_slack;
    const QVector<int> leaves = leavesMeeting({point.x() - reach, point.y() - reach,
                                               point.x() + reach, point.y() + reach});
    QList<double> result;
    bool inPass = false;
    double bestDist = 0.0, bestAlong = 0.0;
    for (int leaf : leaves) {
        eachFoot(m_line, m_along, leaf * LeafSegments, leafEnd(leaf), point,
                 [&](int, const QPointF &end, const Foot &foot, double along) {
            const double d = norm(point - foot.point);
            if (d > tolerance)
                return;
            if (!inPass || d < bestDist) {
                inPass = true;
                bestDist = d;
                bestAlong = along;
            }
            if (norm(point - end) > tolerance) {
                result.append(bestAlong);
                inPass = false;
            }
        });
    }
    if (inPass)
        result.append(bestAlong);
    return result;
}

double PolylineIndex::nearestDistance(const QPointF &point)
{
    if (!m_indexed || !finite(point)) {
        double distance = std::numeric_limits<double>::quiet_NaN();
        m_line.pointOn(point, &distance, true);
        return distance;
    }
    const ExactPoint k = exactPoint(point);
    auto known = m_nearest.constFind(k);
    if (known == m_nearest.constEnd())
        known = m_nearest.insert(k, nearestDistanceSearch(point));
    return *known;
}

// Nearest boxes first; the first segment of the smallest distance wins, as in a full scan.
double PolylineIndex::nearestDistanceSearch(const QPointF &point) const
{
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    queue.push({distance2(m_tree.at(1), point), 1});
    double bestD2 = std::numeric_limits<double>::infinity();
    double bestAlong = 0.0;
    int bestSegment = -1;
    while (!queue.empty()) {
        const auto [boxD2, node] = queue.top();
        queue.pop();
        if (std::sqrt(boxD2) > std::sqrt(bestD2) + m_slack)
            break;
        if (node < m_leafBase) {
            queue.push({distance2(m_tree.at(2 * node), point), 2 * node});
            queue.push({distance2(m_tree.at(2 * node + 1), point), 2 * node + 1});
            continue;
        }
        const int leaf = node - m_leafBase;
        eachFoot(m_line, m_along, leaf * LeafSegments, leafEnd(leaf), point,
                 [&](int s, const QPointF &, const Foot &foot, double along) {
            const QPointF v = point - foot.point;
            const double d2 = dot(v, v);
            if (d2 < bestD2 || (d2 == bestD2 && s < bestSegment)) {
                bestD2 = d2;
                bestSegment = s;
                bestAlong = along;
            }
        });
    }
    return bestAlong;
}

} // namespace RouteTimeline
