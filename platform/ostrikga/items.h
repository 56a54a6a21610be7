// Ostrikga network graphics: the item classes of each kind of network object.
#pragma once

#include "genericgraphicsitem.h"

#include <QLineF>
#include <QPainterPath>
#include <QPolygonF>

#include <memory>

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

class GeoShaper;

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

// The items are made by Networkg, which builds their geometry after making all of them: the
// items then lie close together in memory, which a scene's walk over them rewards.

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
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
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
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    struct Outline {
        QPolygonF centre;
        QPolygonF band;
        QPolygonF arrow;
    };
    // A city has a hundred thousand connections: their outlines are made when a tile of the
    // drawing is prepared, and kept only for a connection whose look keeps changing, which is
    // drawn at every paint.
    Outline outline() const;
    Outline outline(const GeoShaper &shaper) const;

    mutable std::unique_ptr<Outline> m_kept;
    QRectF m_rect;
    qreal m_width; // band width in item units, for the level of detail
    bool m_simple = true;
};

/*! A directed edge: a thin line along its centre (its lanes draw the road surface). */
class OSTRIKGA_EXPORT Edgeg : public GenericGraphicsItem
{
public:
    enum { Type = EdgeItemType };
    Edgeg(Ostrika::Edge *edge, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    QPolygonF m_line;
    QRectF m_rect;
};

/*!
 * A lane: a grey band as wide as the lane with a white outline; below about a pixel of
 * width only its centre line is drawn.
 */
class OSTRIKGA_EXPORT Laneg : public GenericGraphicsItem
{
public:
    enum { Type = LaneItemType };
    Laneg(Ostrika::Lane *lane, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    // Made when needed, as a connection's outline is.
    QPolygonF band() const;
    QPolygonF band(const GeoShaper &shaper) const;

    QPolygonF m_centre;
    QRectF m_rect;
    qreal m_width; // band width in item units, for the level of detail
};

/*! A stop line: a white bar across the end of its lane. */
class OSTRIKGA_EXPORT Stoplineg : public GenericGraphicsItem
{
public:
    enum { Type = StoplineItemType };
    Stoplineg(Ostrika::Stopline *stopline, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    QLineF m_line;
    QRectF m_rect;
};

/*! A pedestrian crossing: zebra stripes across the carriageway. */
class OSTRIKGA_EXPORT CrossWalkg : public GenericGraphicsItem
{
public:
    enum { Type = CrossWalkItemType };
    CrossWalkg(Ostrika::CrossWalk *crosswalk, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    QPainterPath m_stripes;
    QPolygonF m_outline;
    QRectF m_rect;
    qreal m_stripeWidth; // in item units, for the level of detail
};

/*!
 * A route: a broad translucent line along its path. Selectable even in a read-only
 * network; drawn stronger while selected. Taken out of its layer (to show it while the
 * layer is hidden) it takes over the layer's z-value, so it stays where the layer stacks.
 */
class OSTRIKGA_EXPORT Routeg : public GenericGraphicsItem
{
public:
    enum { Type = RouteItemType };
    Routeg(Ostrika::Route *route, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override;
private:
    QPolygonF m_line;
    QRectF m_rect;
    qreal m_pickWidth;
    mutable QPainterPath m_shape; // built on the first hit test
};

/*!
 * A junction area: a paved surface with a dashed outline around its nodes, connections
 * and crossings (orange when a controller governs it).
 */
class OSTRIKGA_EXPORT Granuleg : public GenericGraphicsItem
{
public:
    enum { Type = GranuleItemType };
    Granuleg(Ostrika::Granule *granule, QGraphicsItem *parent);
    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
protected:
    void build() override;
    QColor normalColor() const override;
    void draw(DrawSink &sink, const QColor &colour) const override;
private:
    QPolygonF m_outline;
    QRectF m_rect;
};

} // namespace Ostrikga
