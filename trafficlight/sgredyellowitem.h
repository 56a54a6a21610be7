// The red/yellow marker of one signal group on one connection.
#pragma once

#include <QGraphicsItem>
#include <QPainterPath>
#include <QRectF>
#include <QTransform>

/*!
 * A disc at the start of a connection, split by a diameter parallel to the stop line into
 * two halves: state 1 draws both red, state 2 red and yellow, state 0 hides the item.
 * An arrow drawn with a one-pixel cosmetic pen shows the turn of the connection.
 *
 * Geometry is placed once in the constructor, in geographic scene coordinates
 * (x = longitude, y = latitude) relative to the item's position; size is in the planar
 * units of Ostrika::GeoUtil (the width of the connection's start lane). The half-discs are
 * polygons within half a pixel of the circle at the deepest map zoom (22), and the item
 * paints through a device-coordinate cache.
 *
 * Orientation: the local x axis runs along the stop line, local +y points downstream
 * (the side of the "red" half and of the straight arrow). With a NaN angle (no stop
 * line) nothing is rotated: local +y is planar north. Such a marker has no arrow.
 *
 * type() is QGraphicsItem::UserType, distinct from every network item type.
 */
class SgRedYellowItem : public QGraphicsItem
{
public:
    enum State { Hidden = 0, RedRed = 1, RedYellow = 2 };
    enum DirectionClass { Straight = 0, LeftTurn = 1, RightTurn = 2 };

    /*!
     * \a position geographic point of the connection's start, \a size disc diameter in
     * planar units, \a directionClass 0 straight, 1 left, 2 right (anything else draws the
     * straight arrow), \a angle the stop line's QLineF::angle() minus 90 degrees, or NaN.
     * Starts hidden in state 0.
     */
    SgRedYellowItem(const QPointF &position, double size, int directionClass, double angle,
                    QGraphicsItem *parent = nullptr);
    ~SgRedYellowItem() override;

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget) override;

    //! 0 hides, 1 red/red, 2 red/yellow; an unchanged state does nothing (not even a repaint).
    void setState(int s);
    int currentState() const { return state; }

    //! The shapes in item coordinates, made on each call (the item keeps only a transform).
    QPainterPath redHalfPath() const;
    QPainterPath secondHalfPath() const;
    QPainterPath arrowPath() const;

    /*!
     * The direction class of a connection from its lanes angle (degrees, clockwise turn):
     * the angle truncated toward zero; 181..309 gives 1, 31..180 gives 2, anything else 0
     * (NaN included).
     */
    static int directionClass(double lanesAngle);

private:
    enum { NoArrow = -1 };
    // Tens of thousands of markers on a city's map: each keeps only where its unit-radius local
    // frame lies in item coordinates, not its shapes.
    QTransform toItem;
    QRectF boundingBox;
    qint8 arrowKind = NoArrow;
    int state = Hidden;
};
