// ostrik-view: laying out rows, bars and labels of the time-distance diagram.
#include "timelinelayout.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double RowTolerance = 5.0; // metres: stop lines of one junction pass
constexpr double LabelGap = 1.0;

bool sameStates(const TimelineDiagram::Bar &a, const TimelineDiagram::Bar &b)
{
    if (a.hasPlan != b.hasPlan || a.intervals.size() != b.intervals.size())
        return false;
    for (int i = 0; i < a.intervals.size(); ++i) {
        const auto &p = a.intervals.at(i), &q = b.intervals.at(i);
        if (p.state != q.state || std::abs(p.start - q.start) > 1e-6 || std::abs(p.end - q.end) > 1e-6)
            return false;
    }
    return true;
}

QVector<TimelineLayout::Row> groupRows(const TimelineDiagram &d)
{
    QVector<TimelineLayout::Row> rows;
    for (int i = 0; i < d.bars.size(); ++i) {
        const TimelineDiagram::Bar &b = d.bars.at(i);
        auto row = std::find_if(rows.begin(), rows.end(), [&](const TimelineLayout::Row &r) {
            return r.forward == b.forward && r.controller == b.controller && r.junction == b.junction
                && std::abs(r.distance - b.distance) < RowTolerance;
        });
        if (row == rows.end()) {
            TimelineLayout::Row r;
            r.forward = b.forward;
            r.distance = b.distance;
            r.controller = b.controller;
            r.junction = b.junction;
            rows.append(r);
            row = rows.end() - 1;
        }
        auto bar = std::find_if(row->bars.begin(), row->bars.end(), [&](const TimelineLayout::Bar &x) {
            return sameStates(d.bars.at(x.barIndex), b);
        });
        if (bar == row->bars.end()) {
            row->bars.append(TimelineLayout::Bar());
            bar = row->bars.end() - 1;
            bar->barIndex = i;
        }
        bar->groups.append(b.group);
    }
    return rows;
}

// Junction lines closer than this share one stack of bars, so that stop lines a few metres
// apart (lanes, the two sides of a joined junction) do not squeeze every bar of the picture.
constexpr double ShareLinePx = 7.0;

// Per junction line: where its bars start and how many hang below (forward) and stand above.
struct Line
{
    double y = 0.0;
    int below = 0;
    int above = 0;
};

QVector<Line> shareLines(QVector<TimelineLayout::Row> &rows, QVector<int> *lineOfRow)
{
    QVector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rows.at(a).lineY < rows.at(b).lineY; });
    QVector<Line> lines;
    lineOfRow->resize(rows.size());
    for (int i : qAsConst(order)) {
        TimelineLayout::Row &r = rows[i];
        if (lines.isEmpty() || r.lineY - lines.last().y > ShareLinePx)
            lines.append(Line{r.lineY, 0, 0});
        (*lineOfRow)[i] = lines.size() - 1;
        (r.forward ? lines.last().below : lines.last().above) += r.bars.size();
    }
    return lines;
}

double fittingBarHeight(const QVector<Line> &lines)
{
    double h = 9.0;
    for (int i = 1; i < lines.size(); ++i) {
        const Line &upper = lines.at(i - 1), &lower = lines.at(i);
        const int need = upper.below + lower.above;
        if (need > 0)
            h = std::min(h, (lower.y - upper.y - 1.0) / need - 1.0);
    }
    return std::clamp(h, 3.0, 9.0);
}

void placeBars(QVector<TimelineLayout::Row> &rows, const QVector<Line> &lines, const QVector<int> &lineOfRow,
               const QRectF &plot, double h)
{
    QVector<int> below(lines.size(), 0), above(lines.size(), 0);
    for (int i = 0; i < rows.size(); ++i) {
        TimelineLayout::Row &r = rows[i];
        const int line = lineOfRow.at(i);
        const double y = lines.at(line).y;
        int &slot = (r.forward ? below : above)[line];
        for (auto &b : r.bars) {
            const double top = r.forward ? y + 1.0 + slot * (h + 1.0) : y - 1.0 - h - slot * (h + 1.0);
            b.rect = QRectF(plot.left(), top, plot.width(), h);
            ++slot;
        }
    }
}

// Keeps labels apart: thins them evenly to what the column holds, then pushes neighbours
// down and, where the bottom is reached, back up.
int stackLabels(QVector<TimelineLayout::Label> &labels, double top, double bottom)
{
    std::sort(labels.begin(), labels.end(),
              [](const TimelineLayout::Label &a, const TimelineLayout::Label &b) { return a.anchorY < b.anchorY; });
    if (labels.isEmpty())
        return 0;
    const double h = labels.constFirst().rect.height() + LabelGap;
    const int fit = std::max(0, int((bottom - top + LabelGap) / h));
    int hidden = 0;
    if (labels.size() > fit) {
        QVector<TimelineLayout::Label> kept;
        for (int k = 0; k < fit; ++k)
            kept.append(labels.at(int(std::lround(double(k) * (labels.size() - 1) / std::max(1, fit - 1)))));
        hidden = labels.size() - kept.size();
        labels = kept;
    }
    double next = top;
    for (auto &l : labels) {
        l.rect.moveTop(std::max(next, l.anchorY - l.rect.height() / 2.0));
        next = l.rect.bottom() + LabelGap;
    }
    double limit = bottom;
    for (int i = labels.size() - 1; i >= 0; --i) {
        auto &l = labels[i];
        if (l.rect.bottom() > limit)
            l.rect.moveBottom(limit);
        limit = l.rect.top() - LabelGap;
    }
    return hidden;
}

} // namespace

double TimelineLayout::x(double t) const
{
    return plot.left() + (t - from) / std::max(1e-6, to - from) * plot.width();
}

double TimelineLayout::y(double metres) const
{
    return plot.bottom() - (metres + 10.0) / (maxDistance + 10.0) * plot.height();
}

QString TimelineLayout::labelText(const Row &row, const TimelineDiagram &d)
{
    QStringList lanes;
    for (const Bar &b : row.bars) {
        QStringList g;
        for (int n : b.groups)
            g << QString::number(n);
        lanes << g.join(QStringLiteral(", "));
    }
    // Imported junction names can be long ids: their middle goes, never the timing.
    const QString junction = row.junction.size() > 20 ? row.junction.left(9) + QStringLiteral("\u2026") + row.junction.right(9)
                                                      : row.junction;
    const QString where = junction.isEmpty() ? QStringLiteral("ctrl %1").arg(row.controller)
                                             : QStringLiteral("%1 \u00b7 ctrl %2").arg(junction).arg(row.controller);
    const auto plan = d.plans.constFind(row.controller);
    const QString timing = d.live.contains(row.controller) ? QStringLiteral("live from SUMO")
        : plan == d.plans.constEnd()
        ? QStringLiteral("no plan")
        : QStringLiteral("C %1 s, offset %2 s").arg(plan->cycle, 0, 'f', 0).arg(plan->cycleTime(0.0) > 0.0
              ? plan->cycle - plan->cycleTime(0.0) : 0.0, 0, 'f', 0);
    return QStringLiteral("%1 \u00b7 SG %2 \u00b7 %3").arg(where, lanes.join(QStringLiteral(" / ")), timing);
}

TimelineLayout TimelineLayout::compute(const QRectF &rect, const TimelineDiagram &d, const QFont &labelFont)
{
    TimelineLayout l;
    l.font = labelFont;
    l.from = d.from;
    l.to = std::max(d.to, d.from + 1e-6);
    l.plot = QRectF(rect.left() + LeftMargin, rect.top() + HeaderHeight, rect.width() - LeftMargin - LabelColumn,
                    rect.height() - HeaderHeight - BottomMargin);
    l.maxDistance = std::max(50.0, d.length * 1.06 + 20.0);
    if (l.plot.width() < 50 || l.plot.height() < 50)
        return l;

    l.rows = groupRows(d);
    for (Row &r : l.rows)
        r.lineY = l.y(r.distance);
    QVector<int> lineOfRow;
    const QVector<Line> lines = shareLines(l.rows, &lineOfRow);
    l.barHeight = fittingBarHeight(lines);
    placeBars(l.rows, lines, lineOfRow, l.plot, l.barHeight);

    const QFontMetricsF fm(labelFont);
    const double width = LabelColumn - 24.0;
    for (const Row &r : qAsConst(l.rows)) {
        Label label;
        label.forward = r.forward;
        label.text = fm.elidedText(labelText(r, d), Qt::ElideRight, width);
        const QRectF span = r.bars.constFirst().rect.united(r.bars.constLast().rect);
        label.anchorY = span.center().y();
        label.rect = QRectF(l.plot.right() + 18.0, 0.0, std::min(width, fm.horizontalAdvance(label.text) + 2.0),
                            fm.height());
        l.labels.append(label);
    }
    l.hiddenLabels = stackLabels(l.labels, l.plot.top(), rect.bottom() - 4.0);
    return l;
}
