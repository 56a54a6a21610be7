// PolylineIndex: GeoPolyline's queries near one place without walking the whole polyline.
#pragma once

#include <ostrika/geopolyline.h>

#include <QHash>
#include <QLineF>
#include <QList>
#include <QPair>
#include <QPointF>
#include <QVector>

#include <algorithm>

namespace RouteTimeline {

//! The exact bits of a point, -0.0 apart from 0.0: a key for answers kept by question.
using ExactPoint = QPair<quint64, quint64>;
ExactPoint exactPoint(const QPointF &p);

/*!
 * Answers three queries of one polyline (kept by value) with exactly the results of
 * Ostrika::GeoPolyline, to the last bit, in time that grows with the part of the polyline
 * near the query instead of with its length:
 *  - intersection(line)               as GeoPolyline::intersection(line),
 *  - pointToDistance(point, tolerance) as GeoPolyline::pointToDistance(point, tolerance),
 *  - nearestDistance(point)            the distance GeoPolyline::pointOn(point, &d, true)
 *                                      gives (NaN where it gives none).
 *
 * Runs of eight consecutive segments are the leaves of a tree of bounding boxes over the
 * polyline's own order, so what lies near a place comes out in polyline order, and only
 * that is measured, with the same arithmetic as GeoPolyline. The answers to the point
 * queries are kept: a route driven round the same loop many times asks them again and again.
 * A polyline or query with a non-finite coordinate goes to GeoPolyline itself.
 */
class PolylineIndex
{
public:
    explicit PolylineIndex(const Ostrika::GeoPolyline &polyline);

    const Ostrika::GeoPolyline &polyline() const { return m_line; }

    QVector<QPointF> intersection(const QLineF &line) const;
    QList<double> pointToDistance(const QPointF &point, double tolerance);
    double nearestDistance(const QPointF &point);

private:
    struct Box {
        double x0, y0, x1, y1;
    };
    static constexpr int LeafSegments = 8;

    int segmentCount() const { return m_line.count() - 1; }
    //! One past the last segment of \a leaf.
    int leafEnd(int leaf) const { return std::min((leaf + 1) * LeafSegments, segmentCount()); }
    //! The leaves whose boxes meet \a query, in polyline order.
    QVector<int> leavesMeeting(const Box &query) const;
    static double distance2(const Box &box, const QPointF &p);
    double nearestDistanceSearch(const QPointF &p) const;
    QList<double> pointToDistanceSearch(const QPointF &p, double tolerance) const;

    Ostrika::GeoPolyline m_line;
    bool m_indexed = false;          // finite points and at least one non-zero segment
    QVector<double> m_along;         // distance along the polyline to the start of each segment
    QVector<Box> m_tree;             // 1 is the root; node i has children 2i and 2i + 1
    int m_leafBase = 0;              // tree index of leaf 0
    double m_slack = 0.0;            // widens boxes beyond any rounding of the measurements

    QHash<QPair<ExactPoint, quint64>, QList<double>> m_passes;
    QHash<ExactPoint, double> m_nearest;
};

} // namespace RouteTimeline
