// Ostrikga network graphics: items of crosswalks, routes and junction areas.
#include "items.h"

#include "itemstyle.h"

#include <ostrika/connection.h>
#include <ostrika/crosswalk.h>
#include <ostrika/granule.h>
#include <ostrika/node.h>
#include <ostrika/route.h>

#include <QPainterPathStroker>

namespace Ostrikga {

namespace {

constexpr double StripeMetres = 0.5;
constexpr double RoutePickMetres = 4.0;
constexpr double GranulePadMetres = 2.0;

} // namespace

// ---------------------------------------------------------------------------- CrossWalkg

CrossWalkg::CrossWalkg(Ostrika::CrossWalk *crosswalk, QGraphicsItem *parent)
    : GenericGraphicsItem(crosswalk, parent)
{
    const Ostrika::GeoPolyline &line = crosswalk->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(crosswalk), anchor);
    setPos(shaper.origin());
    m_stripes = shaper.zebra(line, crosswalk->width());
    m_outline = shaper.band(line, crosswalk->width());
    m_stripeWidth = itemLength(shaper, StripeMetres * shaper.unitsPerMetre());
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

void CrossWalkg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    QColor c = effectiveColor();
    if (m_stripeWidth * levelOfDetail(painter) < 1.5) {
        // Stripes would merge into noise: a pale band says "crossing" just as well.
        c.setAlphaF(c.alphaF() * 0.6);
        painter->setPen(Qt::NoPen);
        painter->setBrush(c);
        painter->drawPolygon(m_outline);
        return;
    }
    painter->fillPath(m_stripes, c);
}

QColor CrossWalkg::normalColor() const
{
    return QColor(245, 245, 245);
}

// -------------------------------------------------------------------------------- Routeg

Routeg::Routeg(Ostrika::Route *route, QGraphicsItem *parent) : GenericGraphicsItem(route, parent)
{
    const Ostrika::GeoPolyline &line = route->polyline();
    const QPointF anchor = line.isEmpty() ? QPointF() : line.constFirst();
    const GeoShaper shaper(GeoShaper::geoUtilOf(route), anchor);
    setPos(shaper.origin());
    m_line = shaper.mapLine(line);
    m_pickWidth = itemLength(shaper, RoutePickMetres * shaper.unitsPerMetre());
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

void Routeg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    QColor c = effectiveColor();
    if (isSelected())
        c.setAlpha(235);
    painter->setPen(cosmeticPen(c, isSelected() ? 8 : 5));
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(m_line);
}

QColor Routeg::normalColor() const
{
    return QColor(200, 40, 190, 130);
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
        m_outline = shaper.hull(points, GranulePadMetres * shaper.unitsPerMetre());
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

void Granuleg::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    // Paved like the lanes, so the junction reads as one surface.
    QPen pen = cosmeticPen(effectiveColor(), 1.5);
    pen.setStyle(Qt::DashLine);
    painter->setPen(pen);
    painter->setBrush(QColor(112, 112, 112));
    painter->drawPolygon(m_outline);
}

QColor Granuleg::normalColor() const
{
    const auto *granule = static_cast<const Ostrika::Granule *>(object());
    return granule->tlId() > 0 ? QColor(235, 140, 0) : QColor(150, 150, 150);
}

} // namespace Ostrikga
