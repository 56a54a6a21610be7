// Ostrika network model: geometry derived from other objects.
#include "modelgeometry.h"

#include "edge.h"
#include "lane.h"

#include <cmath>

namespace Ostrika::ModelGeometry {

bool isValid(double v)
{
    return std::isfinite(v) && std::abs(v) <= MaxCoordinate;
}

bool isValid(const QPointF &p)
{
    return isValid(p.x()) && isValid(p.y());
}

bool isValid(const GeoPolyline &line)
{
    for (const QPointF &p : line.points()) {
        if (!isValid(p))
            return false;
    }
    return true;
}

double normalizedAngle(double degrees)
{
    double a = std::fmod(degrees, 360.0);
    if (a < 0.0)
        a += 360.0;
    return a >= 360.0 ? 0.0 : a;   // -1e-17 + 360 rounds to 360
}

namespace {

bool endDirection(const GeoPolyline &line, QPointF *dir)
{
    for (int i = line.count() - 1; i > 0; --i) {
        const QPointF d = line.at(i) - line.at(i - 1);
        if (d.x() != 0.0 || d.y() != 0.0) {
            *dir = d;
            return true;
        }
    }
    return false;
}

bool startDirection(const GeoPolyline &line, QPointF *dir)
{
    for (int i = 1; i < line.count(); ++i) {
        const QPointF d = line.at(i) - line.at(i - 1);
        if (d.x() != 0.0 || d.y() != 0.0) {
            *dir = d;
            return true;
        }
    }
    return false;
}

} // namespace

double turnAngle(const GeoPolyline &in, const GeoPolyline &out)
{
    QPointF a, b;
    if (!endDirection(in, &a) || !startDirection(out, &b))
        return 0.0;
    // Counter-clockwise angles with y north; clockwise turn is their difference reversed.
    const double degIn = std::atan2(a.y(), a.x()) * 180.0 / M_PI;
    const double degOut = std::atan2(b.y(), b.x()) * 180.0 / M_PI;
    // Snap to whole degrees when within rounding so right angles come out as exactly 90.
    double turn = normalizedAngle(degIn - degOut);
    const double rounded = std::round(turn);
    if (std::abs(turn - rounded) < 1e-9)
        turn = normalizedAngle(rounded);
    return turn;
}

GeoPolyline joinedEdgeLines(const QList<Edge *> &edges)
{
    int total = 0;
    for (const Edge *e : edges)
        total += e ? e->polyline().count() : 0;
    QVector<QPointF> pts;
    pts.reserve(total);
    for (const Edge *e : edges) {
        if (!e)
            continue;
        const QVector<QPointF> &line = e->polyline().points();
        int first = 0;
        if (!pts.isEmpty() && !line.isEmpty() && pts.constLast().x() == line.constFirst().x()
            && pts.constLast().y() == line.constFirst().y())
            first = 1;
        for (int i = first; i < line.size(); ++i)
            pts.append(line.at(i));
    }
    return GeoPolyline(pts);
}

QLineF stoplineAcross(const Lane *lane)
{
    const GeoPolyline &line = lane->polyline();
    QPointF d;
    if (!endDirection(line, &d))
        return {};
    d /= std::hypot(d.x(), d.y());
    const QPointF left(-d.y(), d.x());
    const QPointF end = line.constLast();
    const double half = lane->width() / 2.0;
    return {end + left * half, end - left * half};
}

GeoPolyline laneLine(const GeoPolyline &edgeLine, const QVector<double> &widths, int index)
{
    double total = 0.0, before = 0.0;
    for (int i = 0; i < widths.size(); ++i) {
        total += widths.at(i);
        if (i < index)
            before += widths.at(i);
    }
    // Offsets grow to the left; lane 0 is the rightmost.
    const double offset = -total / 2.0 + before + widths.value(index) / 2.0;
    return edgeLine.offsetted(offset);
}

} // namespace Ostrika::ModelGeometry
