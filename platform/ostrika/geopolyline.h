// Ostrika network model: planar polyline with the geometry the timeline and the graphics use.
#pragma once

#include "ostrika_export.h"

#include <QLineF>
#include <QList>
#include <QPointF>
#include <QVector>

namespace Ostrika {

/*!
 * A polyline in planar network coordinates (see GeoUtil), points in travel order.
 *
 * A value type (implicitly shared). Empty and one-point polylines are valid: every
 * operation below is defined for them and never reads out of range. Consecutive equal
 * points are allowed; zero-length segments are skipped by the geometric operations.
 */
class OSTRIKA_EXPORT GeoPolyline
{
public:
    GeoPolyline() = default;
    GeoPolyline(const QVector<QPointF> &points); // NOLINT: implicit on purpose
    GeoPolyline(std::initializer_list<QPointF> points);

    int count() const { return m_points.count(); }
    bool isEmpty() const { return m_points.isEmpty(); }
    //! Precondition: 0 <= i < count().
    const QPointF &at(int i) const { return m_points.at(i); }
    //! Precondition: !isEmpty().
    const QPointF &constFirst() const { return m_points.constFirst(); }
    const QPointF &constLast() const { return m_points.constLast(); }
    const QVector<QPointF> &points() const { return m_points; }
    void append(const QPointF &p) { m_points.append(p); }
    void append(const GeoPolyline &other) { m_points += other.m_points; }
    void clear() { m_points.clear(); }

    //! Sum of the segment lengths; 0 for fewer than two points.
    double length() const;

    /*!
     * A line of length 1 that starts at point \a i and runs along the bisector of the angle
     * between the two segments meeting there, pointing to the left of the direction of
     * travel (where the return carriageway of an out-and-back route lies in right-hand
     * traffic). At the first and the last point it is perpendicular to the end segment,
     * also to its left. Zero-length segments are skipped when looking for the neighbours.
     * For a U-turn (the two segments antiparallel) it is perpendicular to the incoming
     * segment. An index out of range, or a polyline without any non-zero segment, gives a
     * null QLineF.
     */
    QLineF bisectAtNode(int i) const;

    /*!
     * Every point where the polyline meets the segment \a line, in polyline order (and
     * along each polyline segment in the order of travel). A touching point shared by two
     * consecutive polyline segments is reported once. Collinear overlaps report their two
     * end points. An empty or one-point polyline, or a zero-length \a line, gives none.
     */
    QVector<QPointF> intersection(const QLineF &line) const;

    /*!
     * For each pass of the polyline within \a tolerance of \a point: the distance along the
     * polyline, from its first point, to the closest point of that pass. A pass is a
     * maximal stretch of the polyline that stays within \a tolerance (distance <= tolerance)
     * of the point. Ascending. A one-point polyline gives 0 when that point is within
     * tolerance; an empty one, a negative or non-finite tolerance gives an empty list.
     */
    QList<double> pointToDistance(const QPointF &point, double tolerance) const;

    /*!
     * Projects \a point onto the polyline and returns the projected point.
     *
     * With \a nearest true the projection is the closest point of the whole polyline (the
     * first one along the polyline when several are equally close). With \a nearest false
     * only perpendicular feet that fall inside a segment count (no end-point clamping) and
     * the closest of those is taken; there may be none.
     *
     * When a projection exists, the optional outputs receive: \a distance the distance
     * along the polyline from its first point, \a offset the signed perpendicular
     * distance from the line through the projection's segment (positive to the left of the
     * direction of travel; 0 for a one-point polyline), \a segment the index i of the
     * segment from point i to point i + 1 (0 for a one-point polyline). A foot exactly on a
     * segment end counts as inside. A non-finite point has no projection. When none exists (empty polyline, or no
     * foot with \a nearest false) the outputs are left untouched and a point with NaN
     * coordinates is returned.
     */
    QPointF pointOn(const QPointF &point, double *distance = nullptr, bool nearest = false,
                    double *offset = nullptr, int *segment = nullptr) const;

    //! The point at \a distance along the polyline, clamped to its ends; NaN point when empty.
    QPointF pointAt(double distance) const;

    /*!
     * The polyline shifted sideways by \a offset (positive to the left), mitred joins. Where
     * a mitre would reach farther than 4 times the offset (a turn sharper than about 151
     * degrees, a U-turn) the join is bevelled with two points instead. A polyline without
     * any non-zero segment, or an offset of 0, comes back unchanged.
     */
    GeoPolyline offsetted(double offset) const;

    bool operator==(const GeoPolyline &o) const { return m_points == o.m_points; }
    bool operator!=(const GeoPolyline &o) const { return !(*this == o); }

private:
    QVector<QPointF> m_points;
};

} // namespace Ostrika
