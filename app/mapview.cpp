// ostrik-view: map background and overlays painted in viewport pixels.
#include "mapview.h"

#include "vehiclelayer.h"

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
    }
    painter->restore();
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
    enum Kind { Line, Disc, Vehicle };
    struct Entry { QColor a; QColor b; Kind kind; const char *text; };
    QVector<Entry> entries = {
        {Qt::green, Qt::green, Line, "green"},
        {Qt::green, QColor(170, 255, 170), Line, "green flashing (blinks)"},
        {Qt::yellow, Qt::yellow, Line, "yellow"},
        {Qt::red, Qt::red, Disc, "red (disc at stop line)"},
        {Qt::red, Qt::yellow, Disc, "red-yellow"},
    };
    if (m_vehicleLegend) {
        entries.append({VehicleLayer::colourFor(0.0), {}, Vehicle, "vehicle standing"});
        entries.append({VehicleLayer::colourFor(25.0 / 3.6), {}, Vehicle, "vehicle at 25 km/h"});
        entries.append({VehicleLayer::colourFor(50.0 / 3.6), {}, Vehicle, "vehicle at 50 km/h or more"});
    }
    QFont f = font();
    f.setPointSizeF(8.0);
    painter->setFont(f);
    const QFontMetrics fm(f);
    int w = 0;
    for (const Entry &e : entries)
        w = std::max(w, fm.horizontalAdvance(QLatin1String(e.text)));
    const int rowH = std::max(16, fm.height() + 2);
    const int n = entries.size();
    const QRect vp = viewport()->rect();
    const QRect box(vp.width() - w - 58, vp.height() - n * rowH - 30, w + 48, n * rowH + 14);
    painter->setPen(QColor(0xc8, 0xc4, 0xbc));
    painter->setBrush(QColor(255, 255, 255, 225));
    painter->drawRoundedRect(box, 4, 4);
    int y = box.top() + 7;
    for (const Entry &e : entries) {
        const QRect sym(box.left() + 8, y + 2, 24, rowH - 4);
        if (e.kind == Vehicle) {
            const double cy = sym.center().y();
            const QPointF shape[] = {{sym.right() - 4.0, cy}, {sym.right() - 8.0, cy - 3.5}, {sym.left() + 6.0, cy - 3.5},
                                     {sym.left() + 6.0, cy + 3.5}, {sym.right() - 8.0, cy + 3.5}};
            painter->setPen(QPen(Qt::white, 0.8));
            painter->setBrush(e.a);
            painter->drawPolygon(shape, 5);
        } else if (e.kind == Disc) {
            const QRectF d(sym.center().x() - 6, sym.center().y() - 6, 12, 12);
            painter->setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
            painter->setBrush(e.a);
            painter->drawPie(d, 0, 180 * 16);
            painter->setBrush(e.b);
            painter->drawPie(d, 180 * 16, 180 * 16);
        } else {
            painter->setPen(QPen(e.a, 4, Qt::SolidLine, Qt::RoundCap));
            painter->drawLine(sym.left() + 2, sym.center().y(), sym.right() - 2, sym.center().y());
            if (e.b != e.a) {
                painter->setPen(QPen(e.b, 4, Qt::DotLine, Qt::FlatCap));
                painter->drawLine(sym.left() + 2, sym.center().y(), sym.right() - 2, sym.center().y());
            }
        }
        painter->setPen(QColor(0x30, 0x30, 0x30));
        painter->drawText(sym.right() + 8, y + (rowH + fm.ascent() - fm.descent()) / 2, QLatin1String(e.text));
        y += rowH;
    }
}
