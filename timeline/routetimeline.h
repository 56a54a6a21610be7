// Route timeline data: where a route meets the signal groups of the controllers it passes.
#pragma once

#include <QList>
#include <QVariantMap>

class QObject;

namespace Ostrika {
class GeoPolyline;
}

namespace RouteTimeline {

/*!
 * The timeline data of \a route, an Ostrika::Route (planar network units throughout):
 *  - "sg_data": controller tlId (decimal text) -> signal-group tlId (decimal text) ->
 *    {"dist": position on the skeleton, "rdist": position on the route polyline (NaN when
 *    it has none), "fwd": false only when rdist lies beyond "med"}; a controller the route
 *    passes without a matching group maps to an empty map;
 *  - "med": the dividing distance between the forward and the return half, only when some
 *    granule point lies within 40.0 of the route;
 *  - "route_skel": the skeleton as a list of QPointF variants.
 * A null or non-route argument gives an empty map, and so does a route too tangled for a
 * skeleton (see routeSkeleton). A route polyline with fewer than two points has no
 * geometry: empty skeleton, no distances, no group entries.
 * Reads the network only and keeps nothing between calls. Time grows with the route's
 * length times log length, plus what lies near each of its places (a route driven round
 * the same loop many times costs each lap once).
 */
QVariantMap routeTimelineData(QObject *route);

/*!
 * The skeleton of a route path: the path itself when its ends lie 50.0 or more apart;
 * otherwise (loop, out-and-back) the middle of its ends followed by the centre line
 * between the outward and the return leg up to half its length. Empty for fewer than two
 * points, and for a path so tangled (laps of a ring narrower than 50.0, say) that its
 * skeleton would pass skeletonCeiling() points.
 */
Ostrika::GeoPolyline routeSkeleton(const Ostrika::GeoPolyline &path);

//! The most points a skeleton of a path of \a pathPoints points may have: 4 per point plus 65,536.
int skeletonCeiling(int pathPoints);

//! The route's vehicle mask: general traffic (0x9a2923) narrows to the car classes (0x2100).
int timelineVehicleMask(int allowedVehicles);

/*!
 * The dividing line of the granule \a distances: half of \a routeLength for exactly one,
 * otherwise their median (mean of the two middle values for an even count). \a ok is set
 * to false (and 0 returned) when there are none.
 */
double timelineMedian(QList<double> distances, double routeLength, bool *ok);

} // namespace RouteTimeline
