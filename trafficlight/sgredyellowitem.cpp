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

// Half-disc outlines of the unit circle: each half is this many straight segments, within half a
// pixel of the circle at the deepest map zoom (22) for discs up to 5 m across.
constexpr int kHalfSegments = 32;

// The half on the local +y side (downstream, red) or the other, closed along the diameter.
const QPolygonF &unitHalf(bool downstream)
{
    static const auto make = [](double sign) {
        QPolygonF p;
        p.reserve(kHalfSegments + 2);
        for (int i = 0; i <= kHalfSegments; ++i) {
            const double a = M_PI * i / kHalfSegments;
            p << QPointF(std::cos(a), sign * std::sin(a));
        }
        p << p.first();
        return p;
    };
    static const QPolygonF down = make(1.0);
    static const QPolygonF up = make(-1.0);
    return downstream ? down : up;
}

// Local (rotated, planar, radius 1) coordinates to item coordinates (geographic, relative to
// the item's position). Over a marker a few metres wide the map projection is affine to far
// below a pixel, so one transform, read off the projection around the centre, carries it.
QTransform localToItem(const QTransform &m, double r, const Ostrika::GeoUtil &geo, const QPointF &position)
{
    const auto at = [&](double u, double v) { return geo.xyToGeo(m.map(QPointF(u * r, v * r))) - position; };
    const QPointF o = at(0, 0);
    const QPointF du = (at(1, 0) - at(-1, 0)) / 2;
    const QPointF dv = (at(0, 1) - at(0, -1)) / 2;
    return QTransform(du.x(), du.y(), dv.x(), dv.y(), o.x(), o.y());
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
    toItem = localToItem(placement(geo.geoToXY(position), angle), r, geo, position);
    if (std::isnan(angle))
        arrowKind = NoArrow;
    else
        arrowKind = qint8(directionClass == LeftTurn || directionClass == RightTurn ? directionClass : Straight);
    boundingBox = toItem.map(unitHalf(true)).boundingRect() | toItem.map(unitHalf(false)).boundingRect();

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
        painter->fillPath(redHalfPath(), red);
        painter->fillPath(secondHalfPath(), red);
    } else if (state == RedYellow) {
        painter->fillPath(redHalfPath(), red);
        painter->fillPath(secondHalfPath(), QBrush(Qt::yellow, Qt::SolidPattern));
    }
    // strokePath ignores whatever brush the painter carries: the open arrow must not be filled.
    if (arrowKind != NoArrow)
        painter->strokePath(arrowPath(), pen);
}

QPainterPath SgRedYellowItem::redHalfPath() const
{
    QPainterPath p;
    p.addPolygon(toItem.map(unitHalf(true)));
    return p;
}

QPainterPath SgRedYellowItem::secondHalfPath() const
{
    QPainterPath p;
    p.addPolygon(toItem.map(unitHalf(false)));
    return p;
}

QPainterPath SgRedYellowItem::arrowPath() const
{
    return arrowKind == NoArrow ? QPainterPath() : toItem.map(arrowShape(arrowKind, 1.0));
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
