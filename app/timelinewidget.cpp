// ostrik-view: QPainter rendering of the time-distance diagram.
#include "timelinewidget.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

const QColor Ink(0x26, 0x26, 0x26);
const QColor Grid(0xe2, 0xe2, 0xe2);
const QColor ForwardBand(40, 110, 220);
const QColor ReturnBand(150, 60, 200);
constexpr int BarHeight = 9;

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

} // namespace

TimelineWidget::TimelineWidget(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void TimelineWidget::setDiagram(const TimelineDiagram &diagram)
{
    m_diagram = diagram;
    update();
}

QColor TimelineWidget::stateColor(int state)
{
    switch (state) {
    case SignalState::Green:
    case SignalState::GreenFlashing:
    case SignalState::GreenFlashingAlt:
        return QColor(0, 170, 40);
    case SignalState::Red:
        return QColor(220, 20, 20);
    case SignalState::Yellow:
    case SignalState::YellowFlashing:
        return QColor(255, 200, 0);
    case SignalState::RedYellow:
        return QColor(240, 110, 0);
    default:
        return QColor(175, 175, 175);
    }
}

QImage TimelineWidget::render(const TimelineDiagram &diagram, const QSize &size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    paint(p, img.rect(), diagram);
    return img;
}

void TimelineWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paint(p, rect(), m_diagram);
}

void TimelineWidget::paint(QPainter &p, const QRect &rect, const TimelineDiagram &d)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillRect(rect, Qt::white);
    QFont base = p.font();
    base.setPointSizeF(9.0);
    QFont title = base;
    title.setPointSizeF(13.0);
    title.setBold(true);

    // Title and subtitle.
    p.setPen(Ink);
    p.setFont(title);
    p.drawText(rect.adjusted(20, 12, -20, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("Route \u201c%1\u201d \u2014 time-distance diagram").arg(d.route));
    p.setFont(base);
    int fwd = 0, ret = 0;
    for (const auto &b : d.bars)
        (b.forward ? fwd : ret)++;
    p.drawText(rect.adjusted(20, 36, -20, 0), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("%1 controllers passed, %2 signal groups (%3 forward, %4 return); "
                              "t = %5 \u2026 %6 s; bands: %7 km/h progression")
                   .arg(d.controllers).arg(d.bars.size()).arg(fwd).arg(ret)
                   .arg(d.from, 0, 'f', 0).arg(d.to, 0, 'f', 0).arg(d.progressionSpeed * 3.6, 0, 'f', 0));

    const QRectF plot(rect.left() + 78, rect.top() + 92, rect.width() - 78 - 170, rect.height() - 92 - 58);
    if (plot.width() < 50 || plot.height() < 50) {
        p.restore();
        return;
    }
    // Legend row.
    {
        struct L { int state; const char *text; };
        const L items[] = {{SignalState::Green, "green"}, {SignalState::GreenFlashing, "green flashing"},
                           {SignalState::Yellow, "yellow"}, {SignalState::Red, "red"},
                           {SignalState::RedYellow, "red-yellow"}, {SignalState::Off, "off / no plan"}};
        double x = plot.left();
        const double y = rect.top() + 62;
        const QFontMetrics fm(base);
        for (const L &l : items) {
            fillState(p, QRectF(x, y, 22, BarHeight), l.state);
            p.setPen(Ink);
            p.drawText(QPointF(x + 27, y + BarHeight), QLatin1String(l.text));
            x += 27 + fm.horizontalAdvance(QLatin1String(l.text)) + 18;
        }
        p.setPen(QPen(ForwardBand, 2));
        p.drawText(QPointF(x, y + BarHeight), QStringLiteral("\u25b6 forward"));
        x += fm.horizontalAdvance(QStringLiteral("\u25b6 forward")) + 18;
        p.setPen(QPen(ReturnBand, 2));
        p.drawText(QPointF(x, y + BarHeight), QStringLiteral("\u25c0 return"));
    }

    const double span = std::max(1e-6, d.to - d.from);
    const double maxDist = std::max(50.0, d.length * 1.06 + 20.0);
    auto X = [&](double t) { return plot.left() + (t - d.from) / span * plot.width(); };
    auto Y = [&](double m) { return plot.bottom() - (m + 10.0) / (maxDist + 10.0) * plot.height(); };

    // Grid and axes.
    p.setPen(QPen(Grid, 1));
    const double tStep = niceStep(span, 10);
    const double dStep = niceStep(maxDist, 8);
    for (double t = std::ceil(d.from / tStep) * tStep; t <= d.to + 1e-9; t += tStep)
        p.drawLine(QPointF(X(t), plot.top()), QPointF(X(t), plot.bottom()));
    for (double m = 0.0; m <= maxDist; m += dStep)
        p.drawLine(QPointF(plot.left(), Y(m)), QPointF(plot.right(), Y(m)));
    p.setPen(Ink);
    for (double t = std::ceil(d.from / tStep) * tStep; t <= d.to + 1e-9; t += tStep)
        p.drawText(QRectF(X(t) - 40, plot.bottom() + 4, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                   QString::number(t, 'f', tStep < 1 ? 1 : 0));
    for (double m = 0.0; m <= maxDist; m += dStep)
        p.drawText(QRectF(plot.left() - 72, Y(m) - 8, 64, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("%1 m").arg(m, 0, 'f', 0));
    p.drawText(QRectF(plot.left(), plot.bottom() + 24, plot.width(), 18), Qt::AlignHCenter,
               QStringLiteral("simulation time [s]"));
    p.save();
    p.translate(rect.left() + 14, plot.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-150, -10, 300, 20), Qt::AlignCenter, QStringLiteral("distance along the route [m]"));
    p.restore();
    p.setPen(QPen(Ink, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(plot);

    if (d.bars.isEmpty()) {
        p.drawText(plot, Qt::AlignCenter, QStringLiteral("The route passes no signal group."));
        p.restore();
        return;
    }

    // Green-wave bands through the greens of the first junction met in each direction.
    p.save();
    p.setClipRect(plot);
    const double v = std::max(0.1, d.progressionSpeed);
    auto band = [&](const TimelineDiagram::Bar &b, bool forward, const QColor &c) {
        for (const auto &iv : b.intervals) {
            if (iv.state != SignalState::Green)
                continue;
            const double target = forward ? d.length : 0.0;
            const double dt = std::abs(target - b.distance) / v;
            QPolygonF poly;
            poly << QPointF(X(iv.start), Y(b.distance)) << QPointF(X(iv.end), Y(b.distance))
                 << QPointF(X(iv.end + dt), Y(target)) << QPointF(X(iv.start + dt), Y(target));
            p.setPen(QPen(QColor(c.red(), c.green(), c.blue(), 120), 1, Qt::DashLine));
            p.setBrush(QColor(c.red(), c.green(), c.blue(), 38));
            p.drawPolygon(poly);
        }
    };
    const auto firstFwd = std::find_if(d.bars.cbegin(), d.bars.cend(),
                                       [](const auto &b) { return b.forward && b.hasPlan; });
    if (firstFwd != d.bars.cend())
        band(*firstFwd, true, ForwardBand);
    const auto lastRet = std::find_if(d.bars.crbegin(), d.bars.crend(),
                                      [](const auto &b) { return !b.forward && b.hasPlan; });
    if (lastRet != d.bars.crend())
        band(*lastRet, false, ReturnBand);
    p.restore();

    // Junction lines and the bars, stacked away from the line per direction.
    QFont small = base;
    small.setPointSizeF(8.0);
    p.setFont(small);
    QMap<qint64, int> stackFwd, stackRet;
    double lastLabelY[2] = {1e9, 1e9};
    for (const auto &b : d.bars) {
        const qint64 key = qRound64(b.distance * 10.0);
        int &slot = b.forward ? stackFwd[key] : stackRet[key];
        const double y0 = Y(b.distance);
        if (slot == 0 && !(b.forward ? stackRet : stackFwd).contains(key)) {
            p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1, Qt::DotLine));
            p.drawLine(QPointF(plot.left(), y0), QPointF(plot.right(), y0));
        }
        const double top = b.forward ? y0 + 2 + slot * (BarHeight + 2) : y0 - 2 - BarHeight - slot * (BarHeight + 2);
        ++slot;
        const QRectF bar(plot.left(), top, plot.width(), BarHeight);
        if (!b.hasPlan) {
            fillState(p, bar, SignalState::Off);
        } else {
            for (const auto &iv : b.intervals)
                fillState(p, QRectF(X(iv.start), top, X(iv.end) - X(iv.start), BarHeight), iv.state);
        }
        const QColor edge = b.forward ? ForwardBand : ReturnBand;
        p.setPen(QPen(b.forward ? QColor(0, 0, 0, 60) : QColor(0, 0, 0, 150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(bar);
        // Direction mark at the right end of the bar.
        QPolygonF tri;
        const double cy = bar.center().y(), x = plot.right() + 4;
        if (b.forward)
            tri << QPointF(x, cy - 5) << QPointF(x + 9, cy) << QPointF(x, cy + 5);
        else
            tri << QPointF(x + 9, cy - 5) << QPointF(x, cy) << QPointF(x + 9, cy + 5);
        p.setPen(Qt::NoPen);
        p.setBrush(edge);
        p.drawPolygon(tri);
        const int side = b.forward ? 0 : 1;
        if (std::abs(lastLabelY[side] - cy) >= 9 || lastLabelY[side] > 1e8) {
            p.setPen(Ink);
            p.drawText(QRectF(plot.right() + 16, cy - 8, 150, 16), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("ctrl %1 \u00b7 SG %2 \u00b7 %3 m%4").arg(b.controller).arg(b.group)
                           .arg(b.distance, 0, 'f', 0).arg(b.hasPlan ? QString() : QStringLiteral(" (no plan)")));
            lastLabelY[side] = cy;
        }
    }

    if (d.now >= d.from && d.now <= d.to) {
        p.setPen(QPen(QColor(30, 30, 30), 1.5, Qt::DashLine));
        p.drawLine(QPointF(X(d.now), plot.top()), QPointF(X(d.now), plot.bottom()));
        p.setPen(Ink);
        p.drawText(QPointF(X(d.now) + 4, plot.top() + 12), QStringLiteral("now"));
    }
    p.restore();
}
