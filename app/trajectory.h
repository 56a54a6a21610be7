// ostrik-view: vehicle trajectories over the time-distance diagram.
#pragma once

#include <ostrika/geopolyline.h>
#include <ostrika/geoutil.h>

#include <QColor>
#include <QPointF>
#include <QString>
#include <QVector>

/*!
 * One vehicle's path through time and along the route, as the diagram draws it over the
 * signal bars: points of (simulation time in seconds, metres along the diagram's distance
 * axis), in time order. A point with a NaN distance breaks the line (the vehicle left the
 * route there). Any source fills these: a recorded GPX drive, a simulated vehicle.
 */
struct Trajectory
{
    QString label;            //!< shown in the legend, e.g. the track's file name; empty: not listed
    QColor colour;            //!< invalid: the diagram picks one
    QVector<QPointF> points;  //!< (time s, distance m)

    //! Points with a finite distance.
    int matchedPoints() const;
};

/*!
 * Matches positions to a route: where along the route a geographic position lies, within a
 * tolerance, and where that is on the diagram's distance axis.
 *
 * Built from the route polyline in planar network units, the network's GeoUtil (for
 * longitude/latitude input) and its planar units per metre. For an out-and-back route give
 * the turning point (metres along the route): distances beyond it are folded back onto the
 * outward leg, as the diagram draws both directions against one axis.
 *
 * Usage for a live source: keep (time, lon/lat) samples per vehicle, call trajectory()
 * with them whenever the diagram is redrawn.
 */
class RouteProjector
{
public:
    RouteProjector() = default;
    RouteProjector(const Ostrika::GeoPolyline &route, const Ostrika::GeoUtil &geo, double unitsPerMetre,
                   double turnMetres = -1.0);

    bool isNull() const { return m_route.count() < 2; }
    double length() const;   //!< metres along the route

    /*!
     * Metres along the route (from its first point) of each position (x = longitude,
     * y = latitude), NaN where a position lies farther than \a toleranceMetres from the route
     * or is not finite. Positions are taken as a sequence: where the route passes a place
     * more than once, the pass nearest ahead of the previous match is taken.
     */
    QVector<double> routeDistances(const QVector<QPointF> &lonLat, double toleranceMetres) const;
    //! Metres on the diagram's axis of a distance along the route (folded past the turn).
    double axisDistance(double routeMetres) const;

    /*!
     * The trajectory of timed positions: \a seconds[i] is the time of \a lonLat[i] on the
     * diagram's clock. Sizes must match (extra entries of the longer list are ignored).
     */
    Trajectory trajectory(const QString &label, const QVector<double> &seconds, const QVector<QPointF> &lonLat,
                          double toleranceMetres) const;

private:
    Ostrika::GeoPolyline m_route;
    Ostrika::GeoPolyline m_outward;  // the route up to the turn; empty: no folding
    Ostrika::GeoUtil m_geo;
    double m_unitsPerMetre = 1.0;
};
