// ostka-import: PROJ wrapper.
#include "georef.h"

#include <proj.h>

#include <cmath>

GeoReference::GeoReference()
    : m_ctx(proj_context_create())
{
    // PROJ would print its own diagnostics on stderr; ours name the element instead.
    proj_log_level(m_ctx, PJ_LOG_NONE);
}

GeoReference::~GeoReference()
{
    if (m_pj)
        proj_destroy(m_pj);
    proj_context_destroy(m_ctx);
}

bool GeoReference::create(const QByteArray &definition, QString *error)
{
    if (m_pj) {
        proj_destroy(m_pj);
        m_pj = nullptr;
    }
    // Going through the CRS (not the bare conversion) applies the datum shift the
    // definition names, so a net on another datum still lands on WGS 84.
    PJ *raw = proj_create_crs_to_crs(m_ctx, definition.constData(), "EPSG:4326", nullptr);
    if (!raw) {
        *error = QString::fromUtf8(proj_errno_string(proj_context_errno(m_ctx)));
        return false;
    }
    // Longitude first, in degrees, whatever EPSG's axis order says.
    m_pj = proj_normalize_for_visualization(m_ctx, raw);
    proj_destroy(raw);
    if (!m_pj) {
        *error = QString::fromUtf8(proj_errno_string(proj_context_errno(m_ctx)));
        return false;
    }
    return true;
}

bool GeoReference::setProjection(const QString &projParameter, const QPointF &netOffset, QString *error)
{
    QByteArray def = projParameter.trimmed().toUtf8();
    if (def.startsWith('+') && !def.contains("+type=crs"))
        def += " +type=crs";
    m_offset = netOffset;
    return create(def, error);
}

bool GeoReference::setLocalOrigin(const QPointF &lonLat, const QPointF &netOffset, QString *error)
{
    m_offset = netOffset;
    const QByteArray def = "+proj=aeqd +lat_0=" + QByteArray::number(lonLat.y(), 'g', 17)
        + " +lon_0=" + QByteArray::number(lonLat.x(), 'g', 17)
        + " +x_0=0 +y_0=0 +datum=WGS84 +units=m +no_defs +type=crs";
    return create(def, error);
}

bool GeoReference::toLonLat(const QPointF &net, QPointF *lonLat) const
{
    if (!m_pj)
        return false;
    PJ_COORD c = proj_coord(net.x() - m_offset.x(), net.y() - m_offset.y(), 0, 0);
    c = proj_trans(m_pj, PJ_FWD, c);
    if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) || std::abs(c.xy.y) > 90.0)
        return false;
    *lonLat = QPointF(c.xy.x, c.xy.y);
    return true;
}
