// Ostrika network model: spherical Web Mercator conversion with a per-network origin.
#include "geoutil.h"

#include <QtMath>

#include <cmath>

namespace Ostrika {

namespace {

constexpr double DegToRad = M_PI / 180.0;
constexpr double RadToDeg = 180.0 / M_PI;

bool isFinite(const QPointF &p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

QPointF mercator(const QPointF &geo)
{
    if (!isFinite(geo))
        return {qQNaN(), qQNaN()};
    const double lat = qBound(-GeoUtil::MaxLatitude, geo.y(), GeoUtil::MaxLatitude) * DegToRad;
    return {GeoUtil::EarthRadius * geo.x() * DegToRad,
            GeoUtil::EarthRadius * std::log(std::tan(M_PI / 4.0 + lat / 2.0))};
}

QPointF inverseMercator(const QPointF &xy)
{
    if (!isFinite(xy))
        return {qQNaN(), qQNaN()};
    return {xy.x() / GeoUtil::EarthRadius * RadToDeg,
            (2.0 * std::atan(std::exp(xy.y() / GeoUtil::EarthRadius)) - M_PI / 2.0) * RadToDeg};
}

} // namespace

GeoUtil::GeoUtil() = default;

GeoUtil::GeoUtil(const QPointF &originGeo)
{
    setOrigin(originGeo);
}

void GeoUtil::setOrigin(const QPointF &originGeo)
{
    m_origin = originGeo;
    m_originXY = mercator(originGeo);
}

QPointF GeoUtil::geoToXY(const QPointF &geo) const
{
    return mercator(geo) - m_originXY;
}

QPointF GeoUtil::xyToGeo(const QPointF &xy) const
{
    return inverseMercator(xy + m_originXY);
}

QRectF GeoUtil::geoToXY(const QRectF &geo) const
{
    return QRectF(geoToXY(geo.topLeft()), geoToXY(geo.bottomRight())).normalized();
}

QRectF GeoUtil::xyToGeo(const QRectF &xy) const
{
    return QRectF(xyToGeo(xy.topLeft()), xyToGeo(xy.bottomRight())).normalized();
}

double GeoUtil::unitsPerMetre(double latitude)
{
    if (!std::isfinite(latitude))
        return qQNaN();
    return 1.0 / std::cos(qBound(-MaxLatitude, latitude, MaxLatitude) * DegToRad);
}

} // namespace Ostrika
