// Ostrika network model: geometry derived from other objects (private to the library).
#pragma once

#include "geopolyline.h"

#include <QLineF>
#include <QList>

namespace Ostrika {

class Edge;
class Lane;

namespace ModelGeometry {

//! Planar coordinates and widths beyond this are outside any Web Mercator world.
constexpr double MaxCoordinate = 1e8;

//! Finite and within MaxCoordinate: what the file format can hold.
bool isValid(double v);
bool isValid(const QPointF &p);
bool isValid(const GeoPolyline &line);
//! \a degrees wrapped into [0, 360).
double normalizedAngle(double degrees);
//! Clockwise turn from the end direction of \a in to the start direction of \a out; 0 when
//! either has no non-zero segment.
double turnAngle(const GeoPolyline &in, const GeoPolyline &out);
//! The edges' centre lines in order; a joint point shared by two edges appears once.
GeoPolyline joinedEdgeLines(const QList<Edge *> &edges);
//! A stop line across the end of \a lane, from its left edge to its right edge; null when
//! the lane has no direction at its end.
QLineF stoplineAcross(const Lane *lane);
//! The centre line of the lane at \a index when an edge's lanes (rightmost first) share its
//! centre line.
GeoPolyline laneLine(const GeoPolyline &edgeLine, const QVector<double> &widths, int index);

} // namespace ModelGeometry
} // namespace Ostrika
