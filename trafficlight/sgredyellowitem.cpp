// The red/yellow marker: geometry built once, painting only fills and strokes stored paths.
#include "trafficlight/sgredyellowitem.h"

#include <ostrika/geoutil.h>

#include <QBrush>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include <cmath>

namespace {

constexpr double kHalf = 0.5;
constexpr double kShaftLength = 0.8;  // of the radius
constexpr double kBarbLength = 0.5;   // of the radius
constexpr double kBarbSpread = 1.0 / 3.0;
constexpr double kQuarterTurns = 270.0;

// Local (rotated, planar) geometry to item coordinates: planar around the centre, then
// geographic relative to the item's position. Control points are converted too.
QPainterPath toItemCoordinates(const QPainterPath &local, const QTransform &m,
                               const Ostrika::GeoUtil &geo, const QPointF &position)
{
    QPainterPath path = m.map(local);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF q = geo.xyToGeo(QPointF(e.x, e.y)) - position;
        path.setElementPositionAt(i, q.x(), q.y());
    }
    return path;
}

// Curves become polygons finer than half a pixel at the deepest map zoom (22: 2^30 pixels
// per 360 degrees). The raster engine flattens curves given in such tiny geographic units
// many times slower than it fills a polygon.
QPainterPath flattened(const QPainterPath &path)
{
    constexpr double kDeepestPixelsPerDegree = 1073741824.0 / 360.0;
    const QTransform fine = QTransform::fromScale(kDeepestPixelsPerDegree, kDeepestPixelsPerDegree);
    const QTransform back = fine.inverted();
    QPainterPath out;
    const QList<QPolygonF> polygons = path.toSubpathPolygons(fine);
    for (const QPolygonF &polygon : polygons)
        out.addPolygon(back.map(polygon));
    out.closeSubpath();
    return out;
}

QTransform placement(const QPointF &centre, double angle)
{
    QTransform m;
    m.translate(centre.x(), centre.y());
    // Without a stop line there is no direction to align with: keep the planar axes.
    if (!std::isnan(angle))
        m.rotate(kQuarterTurns - angle);
    return m;
}

QPainterPath arrowShape(int directionClass, double r)
{
    const double l = kShaftLength * r;
    const double h = kBarbLength * r;
    const double t = kBarbSpread * r;
    QPainterPath a;
    switch (directionClass) {
    case SgRedYellowItem::LeftTurn:
        a.moveTo(t, -l);
        a.lineTo(t, h);
        a.lineTo(-h, h);
        a.lineTo(t - h, h - t);
        a.moveTo(-h, h);
        a.lineTo(t - h, h + t);
        break;
    case SgRedYellowItem::RightTurn:
        a.moveTo(-t, -l);
        a.lineTo(-t, h);
        a.lineTo(h, h);
        a.lineTo(h - t, h - t);
        a.moveTo(h, h);
        a.lineTo(h - t, h + t);
        break;
    default:
        a.moveTo(0, -l);
        a.lineTo(0, l);
        a.lineTo(-t, l - h);
        a.moveTo(0, l);
        a.lineTo(t, l - h);
        break;
    }
    return a;
}

} // namespace

SgRedYellowItem::SgRedYellowItem(const QPointF &position, double size, int directionClass,
                                 double angle, QGraphicsItem *parent)
    : QGraphicsItem(parent)
{
    const double r = size * kHalf;
    const Ostrika::GeoUtil geo;
    const QPointF centre = geo.geoToXY(position);
    const QTransform m = placement(centre, angle);
    const QRectF disc(-r, -r, size, size);

    QPainterPath first;
    first.moveTo(r, 0);
    first.arcTo(disc, 0, -180);
    first.closeSubpath();
    redHalf = flattened(toItemCoordinates(first, m, geo, position));

    QPainterPath second;
    second.moveTo(-r, 0);
    second.arcTo(disc, 0, 180);
    second.closeSubpath();
    secondHalf = flattened(toItemCoordinates(second, m, geo, position));

    if (!std::isnan(angle))
        arrow = toItemCoordinates(arrowShape(directionClass, r), m, geo, position);

    boundingBox = redHalf.controlPointRect() | secondHalf.controlPointRect();

    // Thousands of markers repaint with every scroll: blit them from a per-item pixmap that
    // only a zoom or a state change renews. The cache is in device pixels, so the arrow stays
    // one pixel wide.
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    setPos(position);
    state = Hidden;
    setVisible(false);
    update();
}

SgRedYellowItem::~SgRedYellowItem() = default;

QRectF SgRedYellowItem::boundingRect() const
{
    return boundingBox;
}

void SgRedYellowItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    QPen pen;
    pen.setCosmetic(true);
    painter->setPen(pen);

    const QBrush red(Qt::red, Qt::SolidPattern);
    if (state == RedRed) {
        painter->fillPath(redHalf, red);
        painter->fillPath(secondHalf, red);
    } else if (state == RedYellow) {
        painter->fillPath(redHalf, red);
        painter->fillPath(secondHalf, QBrush(Qt::yellow, Qt::SolidPattern));
    }
    // strokePath ignores whatever brush the painter carries: the open arrow must not be filled.
    if (!arrow.isEmpty())
        painter->strokePath(arrow, pen);
}

void SgRedYellowItem::setState(int s)
{
    if (s == state)
        return;
    state = s;
    const bool shown = s != Hidden;
    // Showing or hiding repaints the item and drops its cached picture already; only a change
    // between the two visible looks needs a repaint of its own.
    if (isVisibleTo(parentItem()) != shown)
        setVisible(shown);
    else
        update();
}

int SgRedYellowItem::directionClass(double lanesAngle)
{
    // Compare the truncated value as a double: a NaN or huge angle never reaches an int cast.
    const double a = std::trunc(lanesAngle);
    if (a >= 181 && a <= 309)
        return LeftTurn;
    if (a >= 31 && a <= 180)
        return RightTurn;
    return Straight;
}
