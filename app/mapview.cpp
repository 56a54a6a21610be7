// ostrik-view: map background and overlays painted in viewport pixels.
#include "mapview.h"

#include "legend.h"

#include <QPainter>
#include <QScrollBar>
#include <QtMath>

#include <cmath>

namespace {

constexpr double MetresPerDegree = 111319.49; // along the equator, WGS 84 sphere of Web Mercator
const QColor Paper(0xf3, 0xf1, 0xec);
const QColor GridLine(0xde, 0xda, 0xd2);
const QColor GridText(0x9a, 0x94, 0x88);

QString degreeLabel(double value, double step)
{
    const int decimals = std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
    return QString::number(value, 'f', decimals) + QChar(0x00b0);
}

} // namespace

MapView::MapView(QGraphicsScene *scene, QWidget *parent)
    : OsmView(scene, parent)
{
    setBackgroundBrush(Paper);
    // Pan by dragging; the bars stay (hidden) because the plugin listens to them.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHint(QPainter::Antialiasing);
    setCacheMode(QGraphicsView::CacheNone);
    // The overlays are pinned to the viewport, so scrolled pixels cannot be reused.
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
}

void MapView::setStatusLines(const QStringList &lines)
{
    if (lines == m_status)
        return;
    m_status = lines;
    viewport()->update();
}

void MapView::setVehicleLegendVisible(bool visible)
{
    m_vehicleLegend = visible;
    viewport()->update();
}

void MapView::setHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    viewport()->update();
}

void MapView::setOverviewLegend(bool overview)
{
    if (overview == m_overviewLegend)
        return;
    m_overviewLegend = overview;
    viewport()->update();
}

void MapView::setLegendVisible(bool visible)
{
    m_legend = visible;
    viewport()->update();
}

QRectF MapView::visibleGeoRect() const
{
    return mapToScene(viewport()->rect()).boundingRect();
}

double MapView::metresPerPixel() const
{
    const QPoint c = viewport()->rect().center();
    const QPointF a = mapToScene(c);
    const QPointF b = mapToScene(c + QPoint(100, 0));
    const double dLon = std::abs(b.x() - a.x());
    return dLon * MetresPerDegree * std::cos(qDegreesToRadians(a.y())) / 100.0;
}

double MapView::graticuleStep(double degrees, double pixels)
{
    if (!(degrees > 0.0) || !(pixels > 0.0))
        return 1.0;
    const double wanted = degrees * 110.0 / pixels; // at least ~110 px between lines
    double base = std::pow(10.0, std::floor(std::log10(wanted)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (base * m >= wanted)
            return base * m;
    }
    return base * 10.0;
}

double MapView::niceLength(double maxMetres)
{
    if (!(maxMetres > 0.0))
        return 0.0;
    const double base = std::pow(10.0, std::floor(std::log10(maxMetres)));
    for (double m : {5.0, 2.0, 1.0}) {
        if (base * m <= maxMetres)
            return base * m;
    }
    return base;
}

void MapView::drawBackground(QPainter *painter, const QRectF &rect)
{
    painter->fillRect(rect, Paper);
    const QRectF geo = visibleGeoRect();
    const QRect vp = viewport()->rect();
    if (geo.isEmpty() || vp.isEmpty())
        return;

    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing, false);
    QFont f = font();
    f.setPointSizeF(7.5);
    painter->setFont(f);
    const QFontMetrics fm(f);

    const double lonStep = graticuleStep(geo.width(), vp.width());
    const double latStep = graticuleStep(geo.height(), vp.height());
    painter->setPen(QPen(GridLine, 1));
    for (double lon = std::ceil(geo.left() / lonStep) * lonStep; lon <= geo.right(); lon += lonStep) {
        const int x = mapFromScene(QPointF(lon, geo.center().y())).x();
        painter->setPen(QPen(GridLine, 1));
        painter->drawLine(x, 0, x, vp.height());
        painter->setPen(GridText);
        painter->drawText(x + 3, vp.height() - 4, degreeLabel(lon, lonStep));
    }
    for (double lat = std::ceil(geo.top() / latStep) * latStep; lat <= geo.bottom(); lat += latStep) {
        const int y = mapFromScene(QPointF(geo.center().x(), lat)).y();
        painter->setPen(QPen(GridLine, 1));
        painter->drawLine(0, y, vp.width(), y);
        painter->setPen(GridText);
        const QString label = degreeLabel(lat, latStep);
        painter->drawText(vp.width() - fm.horizontalAdvance(label) - 4, y - 3, label);
    }
    painter->restore();
}

void MapView::drawForeground(QPainter *painter, const QRectF &rect)
{
    Q_UNUSED(rect)
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing, true);
    drawScaleBar(painter);
    if (m_legend)
        drawLegend(painter);
    int below = 8;
    if (!m_status.isEmpty()) {
        QFont f = font();
        f.setPointSizeF(9.0);
        painter->setFont(f);
        const QFontMetrics fm(f);
        int w = 0;
        for (const QString &s : qAsConst(m_status))
            w = std::max(w, fm.horizontalAdvance(s));
        const QRect box(8, 8, w + 16, fm.height() * m_status.size() + 10);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(255, 255, 255, 215));
        painter->drawRoundedRect(box, 4, 4);
        painter->setPen(QColor(0x30, 0x30, 0x30));
        int y = box.top() + 5 + fm.ascent();
        for (const QString &s : qAsConst(m_status)) {
            painter->drawText(box.left() + 8, y, s);
            y += fm.height();
        }
        below = box.bottom() + 6;
    }
    if (!m_hint.isEmpty())
        drawHint(painter, below);
    painter->restore();
}

void MapView::drawHint(QPainter *painter, int top)
{
    QFont f = font();
    f.setPointSizeF(10.0);
    f.setBold(true);
    painter->setFont(f);
    const QFontMetrics fm(f);
    const QRect box(8, top, fm.horizontalAdvance(m_hint) + 20, fm.height() + 10);
    painter->setPen(QColor(0xd8, 0xb8, 0x60));
    painter->setBrush(QColor(255, 247, 214, 240));
    painter->drawRoundedRect(box, 4, 4);
    painter->setPen(QColor(0x6a, 0x46, 0x00));
    painter->drawText(box, Qt::AlignCenter, m_hint);
}

void MapView::drawScaleBar(QPainter *painter)
{
    const double mpp = metresPerPixel();
    if (!(mpp > 0.0) || !std::isfinite(mpp))
        return;
    const double metres = niceLength(150.0 * mpp);
    const int px = int(std::round(metres / mpp));
    const QRect vp = viewport()->rect();
    const int x0 = 14, y0 = vp.height() - 24;
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(255, 255, 255, 200));
    painter->drawRoundedRect(QRect(x0 - 6, y0 - 20, px + 12, 30), 3, 3);
    painter->setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    painter->drawLine(x0, y0, x0 + px, y0);
    painter->drawLine(x0, y0 - 5, x0, y0 + 4);
    painter->drawLine(x0 + px, y0 - 5, x0 + px, y0 + 4);
    QFont f = font();
    f.setPointSizeF(8.0);
    painter->setFont(f);
    const QString label = metres >= 1000.0 ? QStringLiteral("%1 km").arg(metres / 1000.0)
                                           : QStringLiteral("%1 m").arg(metres);
    painter->drawText(x0, y0 - 7, label);
}

void MapView::drawLegend(QPainter *painter)
{
    Legend::paint(painter, viewport()->rect(),
                  m_overviewLegend ? Legend::overviewEntries() : Legend::signalEntries(m_vehicleLegend));
}
