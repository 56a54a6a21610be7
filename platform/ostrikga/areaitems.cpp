// Ostrikga network graphics: items of crosswalks, routes and junction areas.
#include "items.h"

#include "drawsink.h"
#include "itemstyle.h"
#include "networkstyle.h"

#include <ostrika/connection.h>
#include <ostrika/crosswalk.h>
#include <ostrika/granule.h>
#include <ostrika/node.h>
#include <ostrika/route.h>

#include <QPainterPathStroker>

namespace Ostrikga {

namespace {

const NetworkStyle &style()
{
    return NetworkStyle::standard();
}

} // namespace

// ---------------------------------------------------------------------------- CrossWalkg

CrossWalkg::CrossWalkg(Ostrika::CrossWalk *crosswalk, QGraphicsItem *parent)
    : GenericGraphicsItem(crosswalk, parent)
{
}

void CrossWalkg::build()
{
    const auto *crosswalk = static_cast<const Ostrika::CrossWalk *>(object());
    const Ostrika::GeoPolyline &line = crosswalk->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(crosswalk), anchor);
    setPos(shaper.origin());
    const double stripe = style().crosswalkStripe * shaper.unitsPerMetre();
    m_stripes = shaper.zebra(line, crosswalk->width(), stripe);
    m_outline = shaper.band(line, crosswalk->width());
    m_stripeWidth = itemLength(shaper, stripe);
    m_rect = withMargin(m_outline.boundingRect());
}

QRectF CrossWalkg::boundingRect() const
{
    return m_rect;
}

QPainterPath CrossWalkg::shape() const
{
    QPainterPath path;
    path.addPolygon(m_outline);
    return path;
}

void CrossWalkg::draw(DrawSink &sink, const QColor &colour) const
{
    if (m_stripeWidth * sink.lod() < style().crosswalkStripeMinPx) {
        QColor c = colour;
        c.setAlphaF(c.alphaF() * style().crosswalkBandOpacity);
        sink.fill(0, m_outline, c);
        return;
    }
    sink.fill(0, m_stripes, colour);
}

QColor CrossWalkg::normalColor() const
{
    return style().crosswalk;
}

// -------------------------------------------------------------------------------- Routeg

Routeg::Routeg(Ostrika::Route *route, QGraphicsItem *parent) : GenericGraphicsItem(route, parent)
{
}

void Routeg::build()
{
    const auto *route = static_cast<const Ostrika::Route *>(object());
    const Ostrika::GeoPolyline &line = route->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(route), anchor);
    setPos(shaper.origin());
    m_line = shaper.mapLine(line);
    m_pickWidth = itemLength(shaper, style().routePickWidth * shaper.unitsPerMetre());
    m_rect = withMargin(m_line.boundingRect());
}

QRectF Routeg::boundingRect() const
{
    return m_rect;
}

QPainterPath Routeg::shape() const
{
    if (m_shape.isEmpty() && m_line.size() > 1) {
        QPainterPath centre;
        centre.addPolygon(m_line);
        QPainterPathStroker stroker;
        stroker.setWidth(m_pickWidth);
        m_shape = stroker.createStroke(centre);
    }
    return m_shape;
}

void Routeg::draw(DrawSink &sink, const QColor &colour) const
{
    QColor c = colour;
    if (isSelected())
        c.setAlpha(style().selectedRouteAlpha);
    sink.stroke(0, m_line, c, isSelected() ? style().selectedRouteWidth : style().routeWidth);
}

QColor Routeg::normalColor() const
{
    return style().route;
}

QVariant Routeg::itemChange(GraphicsItemChange change, const QVariant &value)
{
    if (change == ItemParentChange) {
        auto *newParent = value.value<QGraphicsItem *>();
        if (!newParent && parentItem())
            setZValue(parentItem()->zValue());
        else if (newParent)
            setZValue(0);
    }
    return GenericGraphicsItem::itemChange(change, value);
}

// ------------------------------------------------------------------------------ Granuleg

Granuleg::Granuleg(Ostrika::Granule *granule, QGraphicsItem *parent)
    : GenericGraphicsItem(granule, parent)
{
}

void Granuleg::build()
{
    const auto *granule = static_cast<const Ostrika::Granule *>(object());
    QVector<QPointF> points;
    for (const Ostrika::Node *node : granule->nodes())
        points.append(node->position());
    // Connection ends suffice: turns bend towards the junction, inside the ends' hull.
    for (const Ostrika::Connection *c : granule->connections()) {
        if (!c->polyline().isEmpty())
            points << c->polyline().constFirst() << c->polyline().constLast();
    }
    for (const Ostrika::CrossWalk *w : granule->crosswalks())
        points += w->polyline().points();
    const QPointF anchor = granule->position();
    const GeoShaper shaper(GeoShaper::geoUtilOf(granule),
                           qIsFinite(anchor.x()) && qIsFinite(anchor.y()) ? anchor : QPointF());
    setPos(shaper.origin());
    if (!points.isEmpty())
        m_outline = shaper.hull(points, style().granulePad * shaper.unitsPerMetre());
    m_rect = withMargin(m_outline.boundingRect());
}

QRectF Granuleg::boundingRect() const
{
    return m_rect;
}

QPainterPath Granuleg::shape() const
{
    QPainterPath path;
    path.addPolygon(m_outline);
    return path;
}

void Granuleg::draw(DrawSink &sink, const QColor &colour) const
{
    sink.fill(0, m_outline, style().granulePaving);
    sink.stroke(1, m_outline, colour, style().granuleOutlineWidth, Qt::DashLine, true);
}

QColor Granuleg::normalColor() const
{
    const auto *granule = static_cast<const Ostrika::Granule *>(object());
    return granule->tlId() > 0 ? style().signalisedGranule : style().plainGranule;
}

} // namespace Ostrikga
