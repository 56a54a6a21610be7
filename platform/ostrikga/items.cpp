// Ostrikga network graphics: items of nodes, connections, edges, lanes and stop lines.
#include "items.h"

#include "itemstyle.h"

#include <ostrika/connection.h>
#include <ostrika/edge.h>
#include <ostrika/lane.h>
#include <ostrika/node.h>
#include <ostrika/stopline.h>

namespace Ostrikga {

namespace {

constexpr double NodeRadiusMetres = 1.2;
constexpr double MarkerRadiusMetres = 3.5;
constexpr double DefaultLaneWidthMetres = 3.0;

} // namespace

// ---------------------------------------------------------------------------------- Nodeg

Nodeg::Nodeg(Ostrika::Node *node, QGraphicsItem *parent) : GenericGraphicsItem(node, parent)
{
    const GeoShaper shaper(GeoShaper::geoUtilOf(node), node->position());
    setPos(shaper.origin());
    m_rect = shaper.circleRect(MarkerRadiusMetres * shaper.unitsPerMetre());
}

void Nodeg::setMarkerVisible(bool visible)
{
    if (visible == m_markerVisible)
        return;
    m_markerVisible = visible;
    update();
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

void Nodeg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const qreal f = NodeRadiusMetres / MarkerRadiusMetres;
    const QRectF disc(m_rect.center() - QPointF(m_rect.width(), m_rect.height()) * f / 2,
                      m_rect.size() * f);
    painter->setPen(Qt::NoPen);
    painter->setBrush(effectiveColor());
    painter->drawEllipse(disc);
    if (m_markerVisible) {
        painter->setBrush(Qt::NoBrush);
        painter->setPen(cosmeticPen(QColor(255, 140, 0), 2));
        painter->drawEllipse(m_rect);
    }
}

QColor Nodeg::normalColor() const
{
    const auto *node = static_cast<const Ostrika::Node *>(object());
    switch (node->type()) {
    case Ostrika::Node::Junction: return QColor(30, 60, 160);
    case Ostrika::Node::DeadEnd: return QColor(150, 40, 40);
    case Ostrika::Node::Split: return QColor(110, 110, 110);
    default: return QColor(190, 190, 190);
    }
}

// ---------------------------------------------------------------------------- Connectiong

Connectiong::Connectiong(Ostrika::Connection *connection, QGraphicsItem *parent)
    : GenericGraphicsItem(connection, parent)
{
    const Ostrika::GeoPolyline &line = connection->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(connection), anchor);
    setPos(shaper.origin());
    const double width = connection->startLane()
        ? connection->startLane()->width()
        : DefaultLaneWidthMetres * shaper.unitsPerMetre();
    m_centre = shaper.mapLine(line);
    m_band = shaper.band(line, width, m_centre);
    m_arrow = shaper.arrowHead(line, width, m_centre);
    m_rect = withMargin(m_centre.boundingRect() | m_band.boundingRect());
}

void Connectiong::setSimpleView(bool simple)
{
    if (simple == m_simple)
        return;
    m_simple = simple;
    update();
}

QRectF Connectiong::boundingRect() const
{
    return m_rect;
}

QPainterPath Connectiong::shape() const
{
    QPainterPath path;
    path.addPolygon(m_band);
    return path;
}

void Connectiong::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const QColor c = effectiveColor();
    if (m_simple) {
        painter->setPen(cosmeticPen(c, 2));
        painter->drawPolyline(m_centre);
        return;
    }
    QColor fill = c;
    fill.setAlphaF(c.alphaF() * 0.45);
    painter->setPen(Qt::NoPen);
    painter->setBrush(fill);
    painter->drawPolygon(m_band);
    painter->setBrush(c.darker(140));
    painter->drawPolygon(m_arrow);
}

QColor Connectiong::normalColor() const
{
    return QColor(110, 170, 255);
}

// --------------------------------------------------------------------------------- Edgeg

Edgeg::Edgeg(Ostrika::Edge *edge, QGraphicsItem *parent) : GenericGraphicsItem(edge, parent)
{
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

void Edgeg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setPen(cosmeticPen(effectiveColor()));
    painter->drawPolyline(m_line);
}

QColor Edgeg::normalColor() const
{
    return QColor(80, 80, 80);
}

// --------------------------------------------------------------------------------- Laneg

Laneg::Laneg(Ostrika::Lane *lane, QGraphicsItem *parent) : GenericGraphicsItem(lane, parent)
{
    const Ostrika::GeoPolyline &line = lane->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(lane), anchor);
    setPos(shaper.origin());
    m_centre = shaper.mapLine(line);
    m_band = shaper.band(line, lane->width(), m_centre);
    m_width = itemLength(shaper, lane->width());
    m_rect = withMargin(m_centre.boundingRect() | m_band.boundingRect());
}

QRectF Laneg::boundingRect() const
{
    return m_rect;
}

QPainterPath Laneg::shape() const
{
    QPainterPath path;
    path.addPolygon(m_band);
    return path;
}

void Laneg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_width * levelOfDetail(painter) < 1.5) {
        painter->setPen(cosmeticPen(effectiveColor()));
        painter->drawPolyline(m_centre);
        return;
    }
    painter->setPen(cosmeticPen(Qt::white));
    painter->setBrush(effectiveColor());
    painter->drawPolygon(m_band);
}

QColor Laneg::normalColor() const
{
    return QColor(125, 125, 125);
}

// ----------------------------------------------------------------------------- Stoplineg

Stoplineg::Stoplineg(Ostrika::Stopline *stopline, QGraphicsItem *parent)
    : GenericGraphicsItem(stopline, parent)
{
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

void Stoplineg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setPen(cosmeticPen(effectiveColor(), 3));
    painter->drawLine(m_line);
}

QColor Stoplineg::normalColor() const
{
    return QColor(Qt::white);
}

} // namespace Ostrikga
