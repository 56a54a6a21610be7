// ostka-import: SUMO network coordinates to longitude/latitude through PROJ.
#pragma once

#include <QPointF>
#include <QString>

struct pj_ctx;
struct PJconsts;

/*!
 * Maps SUMO net coordinates (metres) to WGS 84 longitude/latitude (degrees). Either
 * through the net's own projection (its projParameter, after subtracting netOffset), or,
 * for a net that is not geo-referenced, as local metres (azimuthal equidistant on WGS 84)
 * around a given point: net coordinate minus netOffset (0, 0) lies at that point.
 */
class GeoReference
{
public:
    GeoReference();
    ~GeoReference();
    GeoReference(const GeoReference &) = delete;
    GeoReference &operator=(const GeoReference &) = delete;

    //! False with PROJ's reason in \a error when \a projParameter is not a known projection.
    bool setProjection(const QString &projParameter, const QPointF &netOffset, QString *error);
    //! \a lonLat must be a valid position (longitude -180..180, latitude -85..85).
    bool setLocalOrigin(const QPointF &lonLat, const QPointF &netOffset, QString *error);

    //! False when the point lies outside what the projection can invert.
    bool toLonLat(const QPointF &net, QPointF *lonLat) const;

private:
    bool create(const QByteArray &definition, QString *error);

    pj_ctx *m_ctx = nullptr;
    PJconsts *m_pj = nullptr;
    QPointF m_offset;
};
