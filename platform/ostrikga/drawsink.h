// Ostrikga network graphics: where the shapes of an object's drawing go.
#pragma once

#include <QColor>
#include <QHash>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <QVector>

class QPainter;

namespace Ostrikga {

/*!
 * Receives the shapes an item's drawing is made of, in item coordinates. Shapes of a lower
 * \a order are painted first. Widths of lines are in device pixels (cosmetic); lod() is the
 * number of device pixels per item unit, for the levels of detail.
 */
class DrawSink
{
public:
    virtual ~DrawSink() = default;

    qreal lod() const { return m_lod; }

    /*!
     * A filled polygon without outline. Translucent polygons that overlap deepen their colour
     * where they overlap when \a blend is set; otherwise overlapping ones may fill as one.
     */
    virtual void fill(int order, const QPolygonF &polygon, const QColor &colour,
                      bool blend = false) = 0;
    //! A filled path (several polygons) without outline.
    virtual void fill(int order, const QPainterPath &path, const QColor &colour) = 0;
    virtual void fillEllipse(int order, const QRectF &rect, const QColor &colour) = 0;
    //! A line through \a points, back to the first one when \a closed.
    virtual void stroke(int order, const QPolygonF &points, const QColor &colour, qreal width,
                        Qt::PenStyle style = Qt::SolidLine, bool closed = false) = 0;
    virtual void strokeEllipse(int order, const QRectF &rect, const QColor &colour,
                               qreal width) = 0;

protected:
    qreal m_lod = 1;
};

//! Paints every shape at once with the painter, in the painter's current coordinates.
class PainterSink : public DrawSink
{
public:
    explicit PainterSink(QPainter *painter);

    void fill(int order, const QPolygonF &polygon, const QColor &colour, bool blend) override;
    void fill(int order, const QPainterPath &path, const QColor &colour) override;
    void fillEllipse(int order, const QRectF &rect, const QColor &colour) override;
    void stroke(int order, const QPolygonF &points, const QColor &colour, qreal width,
                Qt::PenStyle style, bool closed) override;
    void strokeEllipse(int order, const QRectF &rect, const QColor &colour, qreal width) override;

private:
    QPainter *m_painter;
};

/*!
 * Collects the shapes of many items, shifted by offset() into one coordinate system, and
 * paints them with one painter call per order and look: fills and lines of the same look
 * become one path, straight two-point lines one list of lines. Translucent fills asked to
 * blend stay one polygon each, so that where two of them overlap the colour deepens as it
 * does when each item paints itself; those outside the exposed area are skipped.
 */
class Batch : public DrawSink
{
public:
    void setLod(qreal lod) { m_lod = lod; }
    //! Added to every point of the shapes that follow.
    void setOffset(const QPointF &offset) { m_offset = offset; }
    void clear();
    bool isEmpty() const { return m_runs.isEmpty(); }
    //! Paints the shapes; \a exposed (in the batch's coordinates) bounds what needs painting.
    void paint(QPainter *painter, const QRectF &exposed) const;

    void fill(int order, const QPolygonF &polygon, const QColor &colour, bool blend) override;
    void fill(int order, const QPainterPath &path, const QColor &colour) override;
    void fillEllipse(int order, const QRectF &rect, const QColor &colour) override;
    void stroke(int order, const QPolygonF &points, const QColor &colour, qreal width,
                Qt::PenStyle style, bool closed) override;
    void strokeEllipse(int order, const QRectF &rect, const QColor &colour, qreal width) override;

private:
    struct Look
    {
        int order;
        QRgb colour;
        qreal width; // 0: a fill
        int style;
        bool operator==(const Look &o) const
        {
            return order == o.order && colour == o.colour && width == o.width && style == o.style;
        }
    };
    friend uint qHash(const Look &l, uint seed) { return qHash(l.colour, seed) ^ uint(l.order) ^ uint(l.style << 8); }
    struct Run
    {
        Look look;
        QPainterPath path;
        QVector<QLineF> lines;       // two-point lines
        mutable QPainterPath wide;   // the lines as quadrilaterals, for wideFor
        mutable QTransform wideFor;
        QVector<QPolygonF> separate; // translucent fills that blend
        QVector<QRectF> separateBounds;
    };
    Run &run(int order, const QColor &colour, qreal width, Qt::PenStyle style);

    QPointF m_offset;
    QVector<Run> m_runs;
    QHash<Look, int> m_index;
};

} // namespace Ostrikga
