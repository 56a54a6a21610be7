// Ostrika network model: conversion between planar network coordinates and geographic ones.
#pragma once

#include "ostrika_export.h"

#include <QPointF>
#include <QRectF>

namespace Ostrika {

/*!
 * Converts between planar network coordinates and geographic coordinates
 * (x = longitude, y = latitude, degrees, WGS 84).
 *
 * Planar coordinates are spherical Web Mercator metres (EPSG:3857) shifted so that the
 * geographic origin maps to (0, 0); y grows northwards. Because the shift is a pure
 * translation, every GeoUtil has the same scale at the same place, whatever its origin:
 * a length measured with a network's GeoUtil equals the one measured with a
 * default-constructed GeoUtil. One planar unit is cos(latitude) true metres.
 *
 * Latitudes are clamped to +-85.05112878 degrees (the Web Mercator limit). Non-finite input
 * gives non-finite output; nothing throws. xyToGeo(geoToXY(p)) returns p to within 1e-9
 * degrees inside the valid range.
 */
class OSTRIKA_EXPORT GeoUtil
{
public:
    //! Origin (0, 0): planar coordinates are plain Web Mercator metres.
    GeoUtil();
    //! \a originGeo (longitude, latitude) maps to planar (0, 0).
    explicit GeoUtil(const QPointF &originGeo);

    QPointF origin() const { return m_origin; }
    void setOrigin(const QPointF &originGeo);

    QPointF geoToXY(const QPointF &geo) const;
    QPointF xyToGeo(const QPointF &xy) const;
    //! Converts the two corners; the result is normalized (positive width and height).
    QRectF geoToXY(const QRectF &geo) const;
    QRectF xyToGeo(const QRectF &xy) const;

    //! Planar units per true metre at \a latitude (degrees): 1 / cos(latitude).
    static double unitsPerMetre(double latitude);

    static constexpr double EarthRadius = 6378137.0;
    static constexpr double MaxLatitude = 85.05112878;

private:
    QPointF m_origin;       // geographic
    QPointF m_originXY;     // the origin in unshifted Web Mercator metres
};

} // namespace Ostrika
