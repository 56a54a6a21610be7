// ostrik-view: QPainter rendering of the time-distance diagram, one step per part.
#include "timelinepainter.h"

#include "timelinewidget.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor Ink(0x26, 0x26, 0x26);
const QColor Grid(0xe2, 0xe2, 0xe2);
const QColor ForwardBand(40, 110, 220);
const QColor ReturnBand(150, 60, 200);
const QColor TrackColours[] = {QColor(20, 20, 20), QColor(200, 0, 120), QColor(0, 130, 130), QColor(160, 90, 0)};

double niceStep(double span, int wantedTicks)
{
    if (!(span > 0.0))
        return 1.0;
    const double raw = span / std::max(1, wantedTicks);
    const double base = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (base * m >= raw)
            return base * m;
    return base * 10.0;
}

void fillState(QPainter &p, const QRectF &r, int state)
{
    switch (state) {
    case SignalState::RedYellow:
        p.fillRect(QRectF(r.left(), r.top(), r.width(), r.height() / 2), TimelineWidget::stateColor(SignalState::Red));
        p.fillRect(QRectF(r.left(), r.center().y(), r.width(), r.height() / 2),
                   TimelineWidget::stateColor(SignalState::Yellow));
        break;
    case SignalState::GreenFlashing:
    case SignalState::GreenFlashingAlt:
    case SignalState::YellowFlashing:
        p.fillRect(r, TimelineWidget::stateColor(state));
        p.fillRect(r, QBrush(QColor(255, 255, 255, 170), Qt::BDiagPattern));
        break;
    default:
        p.fillRect(r, TimelineWidget::stateColor(state));
    }
}

QColor alpha(const QColor &c, int a)
{
    return QColor(c.red(), c.green(), c.blue(), a);
}

QColor trackColour(const Trajectory &t, int i)
{
    return t.colour.isValid() ? t.colour : TrackColours[i % int(std::size(TrackColours))];
}

} // namespace

TimelinePainter::TimelinePainter(QPainter &painter, const QRect &rect, const TimelineDiagram &diagram)
    : p(painter)
    , m_rect(rect)
    , d(diagram)
    , m_base(baseFont(painter))
    , m_layout(TimelineLayout::compute(rect, diagram, labelFont(painter)))
{
}

QFont TimelinePainter::baseFont(const QPainter &painter)
{
    QFont f = painter.font();
    f.setPointSizeF(9.0);
    return f;
}

QFont TimelinePainter::labelFont(const QPainter &painter)
{
    QFont f = painter.font();
    f.setPointSizeF(8.0);
    return f;
}

QString TimelinePainter::bandSummary(const TimelineDiagram::Band &b)
{
    const QString arrow = b.forward ? QStringLiteral("\u25b6") : QStringLiteral("\u25c0");
    const GreenBand &g = b.band;
    QString text;
    if (g.stops == 0)
        text = QStringLiteral("no group with a plan");
    else if (g.allGreen)
        text = QStringLiteral("always green");
    else if (!(g.width > 0.0))
        text = QStringLiteral("none: no departure meets every green");
    else if (g.cycle > 0.0)
        text = QStringLiteral("%1 s of the %2 s cycle").arg(g.width, 0, 'f', 0).arg(g.cycle, 0, 'f', 0);
    else
        text = QStringLiteral("%1 s (cycles differ: widest band starting in the window)").arg(g.width, 0, 'f', 0);
    if (g.withoutPlan > 0)
        text += QStringLiteral(", %1 group(s) without plan not counted").arg(g.withoutPlan);
    return QStringLiteral("%1 %2").arg(arrow, text);
}

void TimelinePainter::paint()
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(m_rect, Qt::white);
    paintHeader();
    if (m_layout.plot.width() >= 50 && m_layout.plot.height() >= 50) {
        paintLegend();
        paintAxes();
        if (d.bars.isEmpty()) {
            paintEmptyNote();
        } else {
            paintBands();
            paintRows();
            paintLabels();
        }
        paintTrajectories();
        paintNow();
    }
    p.restore();
}

void TimelinePainter::paintHeader()
{
    QFont title = m_base;
    title.setPointSizeF(13.0);
    title.setBold(true);
    p.setPen(Ink);
    p.setFont(title);
    p.drawText(m_rect.adjusted(20, 12, -20, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Route \u201c%1\u201d \u2014 time-distance diagram").arg(d.route));
    p.setFont(m_base);
    QString counts = QStringLiteral("%1 route \u00b7 %2 controllers \u00b7 %3 signal groups")
                         .arg(RouteReading::shapeName(d.shape)).arg(d.controllers).arg(d.bars.size());
    if (d.shape == RouteReading::OutAndBack)
        counts += QStringLiteral(" (%1 forward, %2 return)").arg(d.forwardCount()).arg(d.returnCount());
    if (d.placedByHost)
        counts += QStringLiteral(", placed along the route from its start");
    counts += QStringLiteral(" \u00b7 t = %1 \u2026 %2 s").arg(d.from, 0, 'f', 0).arg(d.to, 0, 'f', 0);
    p.drawText(m_rect.adjusted(20, 36, -20, 0), Qt::AlignLeft | Qt::AlignTop, counts);

    QStringList bands;
    for (const auto &b : d.bands)
        bands << bandSummary(b);
    QString line = QStringLiteral("Through-band at %1 km/h: %2").arg(d.progressionSpeed * 3.6, 0, 'f', 0)
                       .arg(bands.isEmpty() ? QStringLiteral("none") : bands.join(QStringLiteral(" \u00b7 ")));
    if (m_layout.hiddenLabels > 0)
        line += QStringLiteral(" \u00b7 %1 junction labels left out for room").arg(m_layout.hiddenLabels);
    p.drawText(m_rect.adjusted(20, 54, -20, 0), Qt::AlignLeft | Qt::AlignTop, line);
}

void TimelinePainter::paintLegend()
{
    struct L { int state; const char *text; };
    const L items[] = {{SignalState::Green, "green"}, {SignalState::GreenFlashing, "green flashing"},
                       {SignalState::Yellow, "yellow"}, {SignalState::Red, "red"},
                       {SignalState::RedYellow, "red-yellow"}, {SignalState::Off, "off / no plan"}};
    double x = m_layout.plot.left();
    const double y = m_rect.top() + 80;
    const QFontMetrics fm(m_base);
    auto text = [&](const QString &s, const QColor &c) {
        p.setPen(c);
        p.drawText(QPointF(x, y + 9), s);
        x += fm.horizontalAdvance(s) + 18;
    };
    for (const L &l : items) {
        fillState(p, QRectF(x, y, 22, 9), l.state);
        x += 27;
        text(QLatin1String(l.text), Ink);
    }
    text(QStringLiteral("\u25b6 forward"), ForwardBand);
    if (d.shape == RouteReading::OutAndBack)
        text(QStringLiteral("\u25c0 return"), ReturnBand);
    for (int i = 0; i < d.trajectories.size(); ++i) {
        const Trajectory &t = d.trajectories.at(i);
        if (t.label.isEmpty())
            continue; // one of a group that the first of them names
        p.setPen(QPen(trackColour(t, i), 2));
        p.drawLine(QPointF(x, y + 5), QPointF(x + 22, y + 5));
        x += 27;
        text(t.label, Ink);
    }
}

void TimelinePainter::paintAxes()
{
    const QRectF plot = m_layout.plot;
    const double tStep = niceStep(d.to - d.from, 10);
    const double dStep = niceStep(m_layout.maxDistance, 8);
    const double t0 = std::ceil(d.from / tStep) * tStep;
    p.setPen(QPen(Grid, 1));
    for (double t = t0; t <= d.to + 1e-9; t += tStep)
        p.drawLine(QPointF(m_layout.x(t), plot.top()), QPointF(m_layout.x(t), plot.bottom()));
    for (double m = 0.0; m <= m_layout.maxDistance; m += dStep)
        p.drawLine(QPointF(plot.left(), m_layout.y(m)), QPointF(plot.right(), m_layout.y(m)));
    p.setPen(Ink);
    p.setFont(m_base);
    for (double t = t0; t <= d.to + 1e-9; t += tStep)
        p.drawText(QRectF(m_layout.x(t) - 40, plot.bottom() + 4, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(t, 'f', tStep < 1 ? 1 : 0));
    for (double m = 0.0; m <= m_layout.maxDistance; m += dStep)
        p.drawText(QRectF(plot.left() - 72, m_layout.y(m) - 8, 64, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 m").arg(m, 0, 'f', 0));
    p.drawText(QRectF(plot.left(), plot.bottom() + 24, plot.width(), 18), Qt::AlignHCenter,
               QStringLiteral("simulation time [s]"));
    p.save();
    p.translate(m_rect.left() + 14, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-150, -10, 300, 20), Qt::AlignCenter, QStringLiteral("distance along the route [m]"));
    p.restore();
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);
}

void TimelinePainter::paintBands()
{
    p.save();
    p.setClipRect(m_layout.plot);
    const double v = std::max(0.1, d.progressionSpeed);
    QFont bold = m_base;
    bold.setBold(true);
    p.setFont(bold);
    const QFontMetricsF fm(bold);
    for (const auto &b : d.bands) {
        const QColor c = b.forward ? ForwardBand : ReturnBand;
        const double travel = std::abs(b.endDistance - b.startDistance) / v;
        const double y0 = m_layout.y(b.startDistance), y1 = m_layout.y(b.endDistance);
        const QString width = QStringLiteral("%1 s").arg(b.band.width, 0, 'f', 0);
        for (const auto &dep : b.band.bands) {
            QPolygonF poly;
            poly << QPointF(m_layout.x(dep.start), y0) << QPointF(m_layout.x(dep.end), y0)
                 << QPointF(m_layout.x(dep.end + travel), y1) << QPointF(m_layout.x(dep.start + travel), y1);
            p.setPen(QPen(alpha(c, 170), 1, Qt::DashLine));
            p.setBrush(alpha(c, 45));
            p.drawPolygon(poly);
            // The width goes on the band, where its middle crosses half the distance.
            const QPointF mid(m_layout.x((dep.start + dep.end) / 2.0 + travel / 2.0), (y0 + y1) / 2.0);
            QRectF box(0, 0, fm.horizontalAdvance(width) + 8, fm.height() + 2);
            box.moveCenter(mid);
            if (!m_layout.plot.contains(box))
                continue;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 215));
            p.drawRoundedRect(box, 3, 3);
            p.setPen(c.darker(130));
            p.drawText(box, Qt::AlignCenter, width);
        }
    }
    p.restore();
}

void TimelinePainter::paintRows()
{
    const QRectF plot = m_layout.plot;
    for (const auto &row : m_layout.rows) {
        p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::DotLine));
        p.drawLine(QPointF(plot.left(), row.lineY), QPointF(plot.right(), row.lineY));
        for (const auto &bar : row.bars) {
            const TimelineDiagram::Bar &b = d.bars.at(bar.barIndex);
            const QRectF r = bar.rect;
            if (!b.hasPlan) {
                fillState(p, r, SignalState::Off);
            } else {
                for (const auto &iv : b.intervals)
                    fillState(p, QRectF(m_layout.x(iv.start), r.top(), m_layout.x(iv.end) - m_layout.x(iv.start),
                                        r.height()), iv.state);
            }
            p.setPen(QPen(b.forward ? QColor(0, 0, 0, 60) : QColor(0, 0, 0, 150), 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r);
            QPolygonF tri;
            const double cy = r.center().y(), x = plot.right() + 3, h = std::min(5.0, r.height() / 2.0 + 1.0);
            if (b.forward)
                tri << QPointF(x, cy - h) << QPointF(x + 8, cy) << QPointF(x, cy + h);
            else
                tri << QPointF(x + 8, cy - h) << QPointF(x, cy) << QPointF(x + 8, cy + h);
            p.setPen(Qt::NoPen);
            p.setBrush(b.forward ? ForwardBand : ReturnBand);
            p.drawPolygon(tri);
        }
    }
}

void TimelinePainter::paintLabels()
{
    p.setFont(m_layout.font);
    for (const auto &l : m_layout.labels) {
        // A leader from the row's mark to its label when stacking moved the label away.
        if (std::abs(l.rect.center().y() - l.anchorY) > 1.0) {
            p.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1));
            p.drawLine(QPointF(m_layout.plot.right() + 12, l.anchorY), QPointF(l.rect.left() - 1, l.rect.center().y()));
        }
        p.setPen(Ink);
        p.drawText(l.rect, Qt::AlignLeft | Qt::AlignVCenter, l.text);
    }
}

void TimelinePainter::paintTrajectories()
{
    p.save();
    p.setClipRect(m_layout.plot.adjusted(-1, -1, 1, 1));
    for (int i = 0; i < d.trajectories.size(); ++i) {
        const Trajectory &t = d.trajectories.at(i);
        QPainterPath path;
        bool pen = false;
        for (const QPointF &pt : t.points) {
            if (!std::isfinite(pt.y())) {
                pen = false;
                continue;
            }
            const QPointF at(m_layout.x(pt.x()), m_layout.y(pt.y()));
            pen ? path.lineTo(at) : path.moveTo(at);
            pen = true;
        }
        p.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(QPen(trackColour(t, i), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    p.restore();
}

void TimelinePainter::paintNow()
{
    if (!(d.now >= d.from && d.now <= d.to))
        return;
    const double x = m_layout.x(d.now);
    p.setPen(QPen(QColor(30, 30, 30), 1.5, Qt::DashLine));
    p.drawLine(QPointF(x, m_layout.plot.top()), QPointF(x, m_layout.plot.bottom()));
    p.setPen(Ink);
    p.setFont(m_base);
    p.drawText(QPointF(x + 4, m_layout.plot.top() + 12), QStringLiteral("now"));
}

void TimelinePainter::paintEmptyNote()
{
    QString note = QStringLiteral("The route passes no signal group.");
    if (d.signalisedJunctions > 0 || d.controllers > 0)
        note = QStringLiteral("The route passes %1 signalised junction(s), but no signal group of theirs carries "
                              "its vehicles from one of its roads into the next.")
                   .arg(std::max(d.signalisedJunctions, d.controllers));
    p.setPen(Ink);
    p.setFont(m_base);
    p.drawText(m_layout.plot.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap, note);
}
