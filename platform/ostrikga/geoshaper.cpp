// Ostrikga network graphics: planar network geometry turned into geographic item shapes.
#include "geoshaper.h"

#include <ostrika/netobject.h>
#include <ostrika/network.h>

#include <QtMath>

#include <algorithm>

namespace Ostrikga {

namespace {

QPointF leftNormal(const QPointF &d) { return QPointF(-d.y(), d.x()); }

double cross(const QPointF &o, const QPointF &a, const QPointF &b)
{
    return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// The convex hull, counter-clockwise, without repeating the first point.
QVector<QPointF> convexHull(QVector<QPointF> pts)
{
    std::sort(pts.begin(), pts.end(), [](const QPointF &a, const QPointF &b) {
        return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
    });
    pts.erase(std::unique(pts.begin(), pts.end()), pts.end());
    if (pts.size() < 3)
        return pts;
    QVector<QPointF> h(2 * pts.size());
    int k = 0;
    for (const QPointF &p : qAsConst(pts)) {
        while (k >= 2 && cross(h[k - 2], h[k - 1], p) <= 0)
            --k;
        h[k++] = p;
    }
    for (int i = pts.size() - 2, t = k + 1; i >= 0; --i) {
        while (k >= t && cross(h[k - 2], h[k - 1], pts[i]) <= 0)
            --k;
        h[k++] = pts[i];
    }
    h.resize(k - 1);
    return h;
}

} // namespace

QVector<QPointF> mitreNormals(const QVector<QPointF> &points)
{
    const int n = points.size();
    QVector<QPointF> dirs(qMax(0, n - 1));
    for (int i = 0; i + 1 < n; ++i) {
        const QPointF d = points[i + 1] - points[i];
        const double len = std::hypot(d.x(), d.y());
        dirs[i] = len > 0 ? d / len : QPointF();
    }
    // For every point the nearest non-zero segment before and after it.
    QVector<QPointF> in(n), out(n);
    QPointF last;
    for (int i = 0; i < n; ++i) {
        in[i] = last;
        if (i < n - 1 && !dirs[i].isNull())
            last = dirs[i];
    }
    last = QPointF();
    for (int i = n - 1; i >= 0; --i) {
        if (i < n - 1 && !dirs[i].isNull())
            last = dirs[i];
        out[i] = last;
    }
    QVector<QPointF> normals(n);
    for (int i = 0; i < n; ++i) {
        const QPointF a = in[i].isNull() ? out[i] : in[i];
        const QPointF b = out[i].isNull() ? in[i] : out[i];
        const QPointF na = leftNormal(a), nb = leftNormal(b);
        QPointF m = na + nb;
        const double len = std::hypot(m.x(), m.y());
        if (len < 1e-9) { // a U-turn: no mitre exists
            normals[i] = na;
            continue;
        }
        m /= len;
        const double cosHalf = QPointF::dotProduct(m, na);
        normals[i] = m / qMax(cosHalf, 0.25);
    }
    return normals;
}

GeoShaper::GeoShaper(const Ostrika::GeoUtil &geo, const QPointF &anchor)
    : m_anchor(anchor), m_geo(geo)
{
    m_origin = geo.xyToGeo(anchor);
    m_dx = geo.xyToGeo(anchor + QPointF(1, 0)) - m_origin;
    m_dy = geo.xyToGeo(anchor + QPointF(0, 1)) - m_origin;
    m_unitsPerMetre = Ostrika::GeoUtil::unitsPerMetre(m_origin.y());
    if (!qIsFinite(m_unitsPerMetre) || m_unitsPerMetre <= 0)
        m_unitsPerMetre = 1;
}

const Ostrika::GeoUtil &GeoShaper::geoUtilOf(const Ostrika::NetObject *object)
{
    static const Ostrika::GeoUtil fallback;
    const Ostrika::Network *net = object ? object->network() : nullptr;
    return net ? *net->geoUtil() : fallback;
}

QPointF GeoShaper::map(const QPointF &xy) const
{
    return m_geo.xyToGeo(xy) - m_origin;
}

QPointF GeoShaper::mapVector(const QPointF &dxy) const
{
    return m_dx * dxy.x() + m_dy * dxy.y();
}

QPolygonF GeoShaper::mapLine(const Ostrika::GeoPolyline &line) const
{
    QPolygonF poly;
    poly.reserve(line.count());
    for (const QPointF &p : line.points())
        poly.append(map(p));
    return poly;
}

QPolygonF GeoShaper::band(const Ostrika::GeoPolyline &line, double width,
                          const QPolygonF &mapped) const
{
    const QVector<QPointF> &pts = line.points();
    if (pts.size() < 2)
        return QPolygonF();
    const QVector<QPointF> normals = mitreNormals(pts);
    const double half = width / 2;
    const int n = pts.size();
    QPolygonF poly(2 * n + 1);
    for (int i = 0; i < n; ++i) {
        const QPointF c = mapped.size() == n ? mapped[i] : map(pts[i]);
        const QPointF side = mapVector(normals[i] * half);
        poly[i] = c + side;
        poly[2 * n - 1 - i] = c - side;
    }
    poly[2 * n] = poly[0];
    return poly;
}

QRectF GeoShaper::circleRect(double radius) const
{
    const double rx = std::abs(mapVector(QPointF(radius, 0)).x());
    const double ry = std::abs(mapVector(QPointF(0, radius)).y());
    return QRectF(-rx, -ry, 2 * rx, 2 * ry);
}

QPainterPath GeoShaper::zebra(const Ostrika::GeoPolyline &line, double width, double stripe) const
{
    QPainterPath path;
    const double period = 2 * stripe;
    const double length = line.length();
    if (line.count() < 2 || length < stripe)
        return path;
    const int count = int((length + stripe) / period);
    double s = (length - (count * period - stripe)) / 2 + stripe / 2; // centre of the first
    double walked = 0;
    int made = 0;
    const QVector<QPointF> &pts = line.points();
    for (int i = 0; i + 1 < pts.size() && made < count; ++i) {
        const QPointF d = pts[i + 1] - pts[i];
        const double len = std::hypot(d.x(), d.y());
        if (len <= 0)
            continue;
        const QPointF t = d / len;
        const QPointF along = t * (stripe / 2);
        const QPointF across = leftNormal(t) * (width / 2);
        while (made < count && s <= walked + len) {
            const QPointF c = pts[i] + t * (s - walked);
            QPolygonF r;
            r << map(c - along - across) << map(c + along - across) << map(c + along + across)
              << map(c - along + across);
            path.addPolygon(r);
            path.closeSubpath();
            ++made;
            s += period;
        }
        walked += len;
    }
    return path;
}

QPolygonF GeoShaper::arrowHead(const Ostrika::GeoPolyline &line, double width,
                               const QPolygonF &mapped) const
{
    const QVector<QPointF> &pts = line.points();
    for (int i = pts.size() - 1; i > 0; --i) {
        const QPointF d = pts[i] - pts[i - 1];
        const double len = std::hypot(d.x(), d.y());
        if (len <= 0)
            continue;
        const QPointF t = d / len;
        const double headLength = qMin(width * 0.6, len);
        const QPointF tip = mapped.size() == pts.size() ? mapped.last() : map(pts.last());
        const QPointF base = tip - mapVector(t * headLength);
        const QPointF side = mapVector(leftNormal(t) * (width * 0.3));
        return QPolygonF({ tip, base + side, base - side, tip });
    }
    return QPolygonF();
}

QPolygonF GeoShaper::hull(QVector<QPointF> points, double pad) const
{
    const QVector<QPointF> core = convexHull(std::move(points));
    QVector<QPointF> widened;
    widened.reserve(core.size() * 8);
    for (const QPointF &p : core) {
        for (int k = 0; k < 8; ++k) {
            const double a = k * M_PI / 4;
            widened.append(p + QPointF(std::cos(a), std::sin(a)) * pad);
        }
    }
    const QVector<QPointF> outer = convexHull(widened);
    QPolygonF poly;
    poly.reserve(outer.size() + 1);
    for (const QPointF &p : outer)
        poly.append(map(p));
    if (!poly.isEmpty())
        poly.append(poly.first());
    return poly;
}

} // namespace Ostrikga
