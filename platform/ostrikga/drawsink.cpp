// Ostrikga network graphics: where the shapes of an object's drawing go.
#include "drawsink.h"

#include "itemstyle.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Ostrikga {

namespace {

// Twice the signed area: the orientation of a polygon.
qreal orientation(const QPolygonF &p)
{
    qreal a = 0;
    for (int i = 0, n = p.size(); i < n; ++i) {
        const QPointF &u = p[i];
        const QPointF &v = p[(i + 1) % n];
        a += u.x() * v.y() - v.x() * u.y();
    }
    return a;
}

/*
 * Lines \a width pixels wide with flat ends, as filled quadrilaterals: the raster engine
 * strokes wide antialiased lines through its general path stroker, which costs far more.
 */
QPainterPath wideLines(const QVector<QLineF> &lines, qreal width, const QTransform &toDevice)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const QTransform toItem = toDevice.inverted();
    for (const QLineF &l : lines) {
        const QPointF a = toDevice.map(l.p1());
        const QPointF b = toDevice.map(l.p2());
        const QPointF d = b - a;
        const qreal length = std::hypot(d.x(), d.y());
        if (length <= 0)
            continue;
        const QPointF n(-d.y() / length * width / 2, d.x() / length * width / 2);
        path.addPolygon(toItem.map(QPolygonF(QVector<QPointF>{a + n, b + n, b - n, a - n})));
        path.closeSubpath();
    }
    return path;
}

} // namespace

// ------------------------------------------------------------------------------ PainterSink

PainterSink::PainterSink(QPainter *painter) : m_painter(painter)
{
    m_lod = levelOfDetail(painter);
}

void PainterSink::fill(int, const QPolygonF &polygon, const QColor &colour, bool)
{
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(colour);
    m_painter->drawPolygon(polygon);
}

void PainterSink::fill(int, const QPainterPath &path, const QColor &colour)
{
    m_painter->fillPath(path, colour);
}

void PainterSink::fillEllipse(int, const QRectF &rect, const QColor &colour)
{
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(colour);
    m_painter->drawEllipse(rect);
}

void PainterSink::stroke(int, const QPolygonF &points, const QColor &colour, qreal width,
                         Qt::PenStyle style, bool closed)
{
    QPen pen = cosmeticPen(colour, width);
    pen.setStyle(style);
    m_painter->setPen(pen);
    m_painter->setBrush(Qt::NoBrush);
    if (closed)
        m_painter->drawPolygon(points);
    else
        m_painter->drawPolyline(points);
}

void PainterSink::strokeEllipse(int, const QRectF &rect, const QColor &colour, qreal width)
{
    m_painter->setPen(cosmeticPen(colour, width));
    m_painter->setBrush(Qt::NoBrush);
    m_painter->drawEllipse(rect);
}

// ------------------------------------------------------------------------------------ Batch

void Batch::clear()
{
    m_runs.clear();
    m_index.clear();
}

Batch::Run &Batch::run(int order, const QColor &colour, qreal width, Qt::PenStyle style)
{
    const Look look{order, colour.rgba(), width, int(style)};
    auto it = m_index.constFind(look);
    if (it != m_index.cend())
        return m_runs[it.value()];
    m_index.insert(look, m_runs.size());
    m_runs.append(Run());
    m_runs.last().look = look;
    // Overlapping shapes of one run fill as one, whichever way round each one goes.
    m_runs.last().path.setFillRule(Qt::WindingFill);
    return m_runs.last();
}

void Batch::fill(int order, const QPolygonF &polygon, const QColor &colour, bool blend)
{
    if (polygon.size() < 3)
        return;
    Run &r = run(order, colour, 0, Qt::SolidLine);
    const QPolygonF shifted = polygon.translated(m_offset);
    if (blend && colour.alpha() < 255) {
        r.separate.append(shifted);
        r.separateBounds.append(shifted.boundingRect());
        return;
    }
    if (orientation(shifted) < 0) {
        QPolygonF reversed(shifted.size());
        std::reverse_copy(shifted.cbegin(), shifted.cend(), reversed.begin());
        r.path.addPolygon(reversed);
    } else {
        r.path.addPolygon(shifted);
    }
    r.path.closeSubpath();
}

void Batch::fill(int order, const QPainterPath &path, const QColor &colour)
{
    if (path.isEmpty())
        return;
    run(order, colour, 0, Qt::SolidLine).path.addPath(path.translated(m_offset));
}

void Batch::fillEllipse(int order, const QRectF &rect, const QColor &colour)
{
    run(order, colour, 0, Qt::SolidLine).path.addEllipse(rect.translated(m_offset));
}

void Batch::stroke(int order, const QPolygonF &points, const QColor &colour, qreal width,
                   Qt::PenStyle style, bool closed)
{
    if (points.size() < 2)
        return;
    Run &r = run(order, colour, width, style);
    if (points.size() == 2 && !closed && style == Qt::SolidLine) {
        r.lines.append(QLineF(points[0] + m_offset, points[1] + m_offset));
        return;
    }
    r.path.addPolygon(points.translated(m_offset));
    if (closed)
        r.path.closeSubpath();
}

void Batch::strokeEllipse(int order, const QRectF &rect, const QColor &colour, qreal width)
{
    run(order, colour, width, Qt::SolidLine).path.addEllipse(rect.translated(m_offset));
}

void Batch::paint(QPainter *painter, const QRectF &exposed) const
{
    QVector<int> sequence(m_runs.size());
    for (int i = 0; i < sequence.size(); ++i)
        sequence[i] = i;
    std::stable_sort(sequence.begin(), sequence.end(),
                     [this](int a, int b) { return m_runs[a].look.order < m_runs[b].look.order; });
    for (int i : sequence) {
        const Run &r = m_runs[i];
        const QColor colour = QColor::fromRgba(r.look.colour);
        if (r.look.width > 0) {
            QPen pen = cosmeticPen(colour, r.look.width);
            pen.setStyle(Qt::PenStyle(r.look.style));
            if (!r.path.isEmpty())
                painter->strokePath(r.path, pen);
            if (!r.lines.isEmpty()) {
                if (r.look.width <= 1) {
                    painter->setPen(pen);
                    painter->drawLines(r.lines);
                } else {
                    if (r.wide.isEmpty() || r.wideFor != painter->worldTransform()) {
                        r.wideFor = painter->worldTransform();
                        r.wide = wideLines(r.lines, r.look.width, r.wideFor);
                    }
                    painter->fillPath(r.wide, colour);
                }
            }
            continue;
        }
        if (!r.path.isEmpty())
            painter->fillPath(r.path, colour);
        if (!r.separate.isEmpty()) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(colour);
            for (int k = 0; k < r.separate.size(); ++k) {
                if (r.separateBounds[k].intersects(exposed))
                    painter->drawPolygon(r.separate[k]);
            }
        }
    }
}

} // namespace Ostrikga
