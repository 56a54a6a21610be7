// Ostrikga network graphics: the item classes of each kind of network object.
#pragma once

#include "genericgraphicsitem.h"

#include <QPainterPath>

namespace Ostrika {
class Connection;
class CrossWalk;
class Edge;
class Granule;
class Lane;
class Node;
class Route;
class Stopline;
}

namespace Ostrikga {

//! Item type numbers; QGraphicsItem::UserType itself is left free for other items.
enum ItemType {
    EdgeItemType = QGraphicsItem::UserType + 1,
    ConnectionItemType = QGraphicsItem::UserType + 2,
    LaneItemType = QGraphicsItem::UserType + 3,
    StoplineItemType = QGraphicsItem::UserType + 4,
    CrossWalkItemType = QGraphicsItem::UserType + 5,
    RouteItemType = QGraphicsItem::UserType + 6,
    GranuleItemType = QGraphicsItem::UserType + 7,
    NodeItemType = QGraphicsItem::UserType + 12
};

/*! A node: a small disc; its marker (a ring that makes it easy to find) can be switched. */
class OSTRIKGA_EXPORT Nodeg : public GenericGraphicsItem
{
public:
    enum { Type = NodeItemType };
    Nodeg(Ostrika::Node *node, QGraphicsItem *parent);
    int type() const override { return Type; }
    void setMarkerVisible(bool visible);
    bool isMarkerVisible() const { return m_markerVisible; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
protected:
    QColor normalColor() const override;
private:
    QRectF m_rect;
    bool m_markerVisible = true;
};

/*!
 * A connection through a junction. In simple view it is a thin centre line; otherwise a
 * band as wide as its start lane, with a direction arrow at its end.
 */
class OSTRIKGA_EXPORT Connectiong : public GenericGraphicsItem
{
public:
    enum { Type = ConnectionItemType };
    Connectiong(Ostrika::Connection *connection, QGraphicsItem *parent);
    int type() const override { return Type; }
    void setSimpleView(bool simple);
    bool isSimpleView() const { return m_simple; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
protected:
    QColor normalColor() const override;
private:
    QPainterPath m_centre;
    QPainterPath m_band;
    QRectF m_rect;
    bool m_simple = true;
};

} // namespace Ostrikga
