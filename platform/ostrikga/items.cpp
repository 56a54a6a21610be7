// Ostrikga network graphics: items of nodes, connections, edges, lanes and stop lines.
#include "items.h"

#include "drawsink.h"
#include "itemstyle.h"
#include "networkstyle.h"

#include <ostrika/connection.h>
#include <ostrika/edge.h>
#include <ostrika/lane.h>
#include <ostrika/node.h>
#include <ostrika/stopline.h>

namespace Ostrikga {

namespace {

const NetworkStyle &style()
{
    return NetworkStyle::standard();
}

// The width of the lane a connection starts from, in planar units.
double startWidth(const Ostrika::Connection *connection, const GeoShaper &shaper)
{
    return connection->startLane() ? connection->startLane()->width()
                                   : style().defaultLaneWidth * shaper.unitsPerMetre();
}

} // namespace

// ---------------------------------------------------------------------------------- Nodeg

Nodeg::Nodeg(Ostrika::Node *node, QGraphicsItem *parent) : GenericGraphicsItem(node, parent)
{
}

void Nodeg::build()
{
    const auto *node = static_cast<const Ostrika::Node *>(object());
    const GeoShaper shaper(GeoShaper::geoUtilOf(node), node->position());
    setPos(shaper.origin());
    m_rect = shaper.circleRect(style().nodeMarkerRadius * shaper.unitsPerMetre());
}

void Nodeg::setMarkerVisible(bool visible)
{
    if (visible == m_markerVisible)
        return;
    m_markerVisible = visible;
    shapeChanged();
}

QRectF Nodeg::boundingRect() const
{
    return withMargin(m_rect);
}

QPainterPath Nodeg::shape() const
{
    QPainterPath path;
    path.addEllipse(m_rect);
    return path;
}

void Nodeg::draw(DrawSink &sink, const QColor &colour) const
{
    const auto *node = static_cast<const Ostrika::Node *>(object());
    if (node->type() == Ostrika::Node::DeadEnd) {
        const qreal f = style().deadEndSize / (2 * style().nodeMarkerRadius);
        const QRectF square(m_rect.center() - QPointF(m_rect.width(), m_rect.height()) * f / 2,
                            m_rect.size() * f);
        sink.stroke(0, QPolygonF(square), colour, style().deadEndWidth, Qt::SolidLine, true);
    } else {
        const qreal f = style().nodeRadius / style().nodeMarkerRadius;
        const QRectF disc(m_rect.center() - QPointF(m_rect.width(), m_rect.height()) * f / 2,
                          m_rect.size() * f);
        sink.fillEllipse(0, disc, colour);
    }
    if (m_markerVisible)
        sink.strokeEllipse(1, m_rect, style().nodeRing, style().nodeRingWidth);
}

QColor Nodeg::normalColor() const
{
    const auto *node = static_cast<const Ostrika::Node *>(object());
    switch (node->type()) {
    case Ostrika::Node::Junction: return style().junctionNode;
    case Ostrika::Node::DeadEnd: return style().deadEndNode;
    case Ostrika::Node::Split: return style().splitNode;
    default: return style().hiddenNode;
    }
}

// ---------------------------------------------------------------------------- Connectiong

Connectiong::Connectiong(Ostrika::Connection *connection, QGraphicsItem *parent)
    : GenericGraphicsItem(connection, parent)
{
}

void Connectiong::build()
{
    const auto *connection = static_cast<const Ostrika::Connection *>(object());
    const Ostrika::GeoPolyline &line = connection->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(connection), anchor);
    setPos(shaper.origin());
    m_kept.reset();
    m_width = itemLength(shaper, startWidth(connection, shaper));
    const Outline o = outline(shaper);
    m_rect = withMargin(o.centre.boundingRect() | o.band.boundingRect());
}

Connectiong::Outline Connectiong::outline() const
{
    if (m_kept)
        return *m_kept;
    const Ostrika::GeoPolyline &line = object()->polyline();
    return outline(GeoShaper(GeoShaper::geoUtilOf(object()), line.isEmpty() ? QPointF() : line.constFirst()));
}

Connectiong::Outline Connectiong::outline(const GeoShaper &shaper) const
{
    const auto *connection = static_cast<const Ostrika::Connection *>(object());
    const Ostrika::GeoPolyline &line = connection->polyline();
    const double width = startWidth(connection, shaper) * style().connectionBandShare;
    Outline o;
    o.centre = shaper.mapLine(line);
    o.band = shaper.band(line, width, o.centre);
    o.arrow = shaper.arrowHead(line, width, o.centre);
    return o;
}

void Connectiong::setSimpleView(bool simple)
{
    if (simple == m_simple)
        return;
    m_simple = simple;
    shapeChanged();
}

QRectF Connectiong::boundingRect() const
{
    return m_rect;
}

QPainterPath Connectiong::shape() const
{
    QPainterPath path;
    path.addPolygon(outline().band);
    return path;
}

void Connectiong::draw(DrawSink &sink, const QColor &colour) const
{
    const Outline o = outline();
    if (isLive() && !m_kept)
        m_kept.reset(new Outline(o));
    if (m_simple) {
        sink.stroke(0, o.centre, colour, style().connectionLineWidth);
        return;
    }
    QColor fill = colour;
    fill.setAlphaF(colour.alphaF() * style().connectionBandOpacity);
    // Where bands overlap in a junction the colour deepens, once they are wide enough to see.
    sink.fill(0, o.band, fill, m_width * sink.lod() >= style().bandOverlapMinPx);
    if (m_width * sink.lod() >= style().connectionArrowMinPx)
        sink.fill(1, o.arrow, colour.darker(style().connectionArrowDarker));
}

QColor Connectiong::normalColor() const
{
    return style().connection;
}

// --------------------------------------------------------------------------------- Edgeg

Edgeg::Edgeg(Ostrika::Edge *edge, QGraphicsItem *parent) : GenericGraphicsItem(edge, parent)
{
}

void Edgeg::build()
{
    const auto *edge = static_cast<const Ostrika::Edge *>(object());
    const Ostrika::GeoPolyline &line = edge->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(edge), anchor);
    setPos(shaper.origin());
    m_line = shaper.mapLine(line);
    m_rect = withMargin(m_line.boundingRect());
}

QRectF Edgeg::boundingRect() const
{
    return m_rect;
}

void Edgeg::draw(DrawSink &sink, const QColor &colour) const
{
    sink.stroke(0, m_line, colour, style().edgeWidth);
}

QColor Edgeg::normalColor() const
{
    return style().edge;
}

// --------------------------------------------------------------------------------- Laneg

Laneg::Laneg(Ostrika::Lane *lane, QGraphicsItem *parent) : GenericGraphicsItem(lane, parent)
{
}

void Laneg::build()
{
    const auto *lane = static_cast<const Ostrika::Lane *>(object());
    const Ostrika::GeoPolyline &line = lane->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(lane), anchor);
    setPos(shaper.origin());
    m_centre = shaper.mapLine(line);
    m_width = itemLength(shaper, lane->width());
    m_rect = withMargin(m_centre.boundingRect() | band(shaper).boundingRect());
}

QPolygonF Laneg::band() const
{
    const Ostrika::GeoPolyline &line = object()->polyline();
    return band(GeoShaper(GeoShaper::geoUtilOf(object()), line.isEmpty() ? QPointF() : line.constFirst()));
}

QPolygonF Laneg::band(const GeoShaper &shaper) const
{
    const auto *lane = static_cast<const Ostrika::Lane *>(object());
    return shaper.band(lane->polyline(), lane->width(), m_centre);
}

QRectF Laneg::boundingRect() const
{
    return m_rect;
}

QPainterPath Laneg::shape() const
{
    QPainterPath path;
    path.addPolygon(band());
    return path;
}

void Laneg::draw(DrawSink &sink, const QColor &colour) const
{
    if (m_width * sink.lod() < style().laneBandMinPx) {
        sink.stroke(1, m_centre, colour, style().laneLineWidth);
        return;
    }
    const QPolygonF outline = band();
    sink.fill(0, outline, colour);
    if (m_width * sink.lod() >= style().laneOutlineMinPx)
        sink.stroke(1, outline, style().laneOutline, style().laneOutlineWidth, Qt::SolidLine, true);
}

QColor Laneg::normalColor() const
{
    using L = Ostrika::Lane;
    const L::VehicleClasses allowed = static_cast<const L *>(object())->allowed();
    const auto only = [allowed](L::VehicleClasses classes) {
        return allowed != 0 && (allowed & ~classes) == 0;
    };
    if (allowed == 0 || (allowed & (L::Passenger | L::Private)))
        return style().lane;
    if (only(L::Rail | L::RailUrban | L::Tram))
        return style().railLane;
    // A pedestrian zone lets buses and deliveries through; a bus lane has no pedestrians.
    if ((allowed & L::Bus) && !(allowed & L::Pedestrian))
        return style().busLane;
    if ((allowed & L::Bicycle) && only(L::Bicycle | L::Pedestrian))
        return style().bikeLane;
    if (allowed & L::Pedestrian)
        return style().sidewalkLane;
    return style().lane;
}

// ----------------------------------------------------------------------------- Stoplineg

Stoplineg::Stoplineg(Ostrika::Stopline *stopline, QGraphicsItem *parent)
    : GenericGraphicsItem(stopline, parent)
{
}

void Stoplineg::build()
{
    const auto *stopline = static_cast<const Ostrika::Stopline *>(object());
    const QLineF &line = stopline->line();
    const GeoShaper shaper(GeoShaper::geoUtilOf(stopline), line.center());
    setPos(shaper.origin());
    m_line = QLineF(shaper.map(line.p1()), shaper.map(line.p2()));
    m_rect = withMargin(QRectF(m_line.p1(), m_line.p2()).normalized());
}

QRectF Stoplineg::boundingRect() const
{
    return m_rect;
}

void Stoplineg::draw(DrawSink &sink, const QColor &colour) const
{
    sink.stroke(0, QPolygonF(QVector<QPointF>{m_line.p1(), m_line.p2()}), colour, style().stoplineWidth);
}

QColor Stoplineg::normalColor() const
{
    return style().stopline;
}

} // namespace Ostrikga
