// Ostrikga network graphics: planar network geometry turned into geographic item shapes.
#pragma once

#include <ostrika/geopolyline.h>
#include <ostrika/geoutil.h>

#include <QPainterPath>
#include <QPolygonF>

namespace Ostrika {
class NetObject;
}

namespace Ostrikga {

/*!
 * Builds the shapes of one item in item coordinates: geographic degrees relative to the
 * item's position (origin()). Points of the network's own lines are converted exactly with
 * the network's GeoUtil, each once; sideways offsets of a few metres (band edges, stripes)
 * go through the local derivative of the projection at the origin, which is exact to far
 * below a millimetre over the extent of a junction.
 */
class GeoShaper
{
public:
    //! \a anchor is a planar point of the item that becomes its position.
    GeoShaper(const Ostrika::GeoUtil &geo, const QPointF &anchor);

    //! The GeoUtil of the network \a object belongs to (a default one when it has none).
    static const Ostrika::GeoUtil &geoUtilOf(const Ostrika::NetObject *object);

    //! The item's position in scene (geographic) coordinates.
    QPointF origin() const { return m_origin; }
    //! Planar units per true metre at the anchor.
    double unitsPerMetre() const { return m_unitsPerMetre; }

    QPointF map(const QPointF &xy) const;
    //! A planar offset (a vector, not a point) in item coordinates.
    QPointF mapVector(const QPointF &dxy) const;
    QPolygonF mapLine(const Ostrika::GeoPolyline &line) const;

    //! The closed outline of a band \a width planar units wide along \a line (mitred);
    //! \a mapped is mapLine(line), when the caller has it already.
    QPolygonF band(const Ostrika::GeoPolyline &line, double width,
                   const QPolygonF &mapped = QPolygonF()) const;
    //! An ellipse that is a circle of \a radius planar units around the anchor.
    QRectF circleRect(double radius) const;
    //! Zebra stripes \a stripe planar units wide, with gaps as wide, across a crossing whose
    //! centre line is \a line and width \a width.
    QPainterPath zebra(const Ostrika::GeoPolyline &line, double width, double stripe) const;
    //! A filled arrow head at the end of \a line, \a width planar units wide.
    QPolygonF arrowHead(const Ostrika::GeoPolyline &line, double width,
                        const QPolygonF &mapped = QPolygonF()) const;
    //! The convex hull of \a points, widened by \a pad planar units, closed.
    QPolygonF hull(QVector<QPointF> points, double pad) const;

private:
    QPointF m_anchor;
    QPointF m_origin;
    QPointF m_dx; // item coordinates of one planar unit east
    QPointF m_dy; // and north
    double m_unitsPerMetre;
    const Ostrika::GeoUtil &m_geo;
};

//! Unit left normals at each point of \a points, mitred at joins (length up to 4).
QVector<QPointF> mitreNormals(const QVector<QPointF> &points);

} // namespace Ostrikga
