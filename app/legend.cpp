// ostrik-view: legend rows and their symbols.
#include "legend.h"

#include "controllerstate.h"
#include <ostrikga/networkstyle.h>
#include "vehiclelayer.h"

#include <QCoreApplication>
#include <QPainter>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("Legend", text);
}
} // namespace

QColor Legend::neutralColour()
{
    return Ostrikga::NetworkStyle::standard().connection;
}

QVector<Legend::Entry> Legend::signalEntries(bool vehicles)
{
    QVector<Entry> entries = {
        {Qt::green, Qt::green, Symbol::Line, tr("green")},
        {Qt::green, QColor(170, 255, 170), Symbol::Line, tr("green flashing (blinks)")},
        {Qt::yellow, Qt::yellow, Symbol::Line, tr("yellow")},
        {Qt::red, Qt::red, Symbol::Disc, tr("red (disc at stop line)")},
        {Qt::red, Qt::yellow, Symbol::Disc, tr("red-yellow")},
        {neutralColour(), neutralColour(), Symbol::Line, tr("no state, offline, not followed")},
        {controllerStateColour(ControllerState::Offline), {}, Symbol::OfflineMark, tr("controller offline")},
    };
    const Ostrikga::NetworkStyle &look = Ostrikga::NetworkStyle::standard();
    QColor route = look.route;
    route.setAlpha(look.selectedRouteAlpha);
    entries += {
        {look.lane, {}, Symbol::Band, tr("lane")},
        {look.sidewalkLane, {}, Symbol::Band, tr("footway, pedestrian zone")},
        {look.bikeLane, {}, Symbol::Band, tr("cycle lane")},
        {look.busLane, {}, Symbol::Band, tr("bus lane")},
        {look.railLane, {}, Symbol::Band, tr("rail, tram")},
        {look.deadEndNode, {}, Symbol::DeadEnd, tr("dead end")},
        {route, route, Symbol::Line, tr("route (shown when selected)")},
    };
    if (vehicles) {
        entries.append({VehicleLayer::colourFor(0.0), {}, Symbol::Vehicle, tr("vehicle standing")});
        entries.append({VehicleLayer::colourFor(25.0 / 3.6), {}, Symbol::Vehicle, tr("vehicle at 25 km/h")});
        entries.append({VehicleLayer::colourFor(50.0 / 3.6), {}, Symbol::Vehicle, tr("vehicle at 50 km/h or more")});
    }
    return entries;
}

QVector<Legend::Entry> Legend::overviewEntries()
{
    return {
        {QColor(112, 112, 112), {}, Symbol::Road, tr("road")},
        {controllerStateColour(ControllerState::Online), {}, Symbol::Dot, tr("signals, controller online")},
        {controllerStateColour(ControllerState::Offline), {}, Symbol::OfflineDot, tr("signals, controller offline")},
        {controllerStateColour(ControllerState::Missing), {}, Symbol::Dot, tr("signals, no controller")},
    };
}

void Legend::paint(QPainter *painter, const QRect &viewport, const QVector<Entry> &entries)
{
    QFont f = painter->font();
    f.setPointSizeF(8.0);
    painter->setFont(f);
    const QFontMetrics fm(f);
    int w = 0;
    for (const Entry &e : entries)
        w = std::max(w, fm.horizontalAdvance(e.text));
    const int rowH = std::max(16, fm.height() + 2);
    const int n = entries.size();
    const QRect box(viewport.width() - w - 58, viewport.height() - n * rowH - 30, w + 48, n * rowH + 14);
    painter->setPen(QColor(0xc8, 0xc4, 0xbc));
    painter->setBrush(QColor(255, 255, 255, 225));
    painter->drawRoundedRect(box, 4, 4);
    int y = box.top() + 7;
    for (const Entry &e : entries) {
        const QRect sym(box.left() + 8, y + 2, 24, rowH - 4);
        paintSymbol(painter, sym, e);
        painter->setPen(QColor(0x30, 0x30, 0x30));
        painter->drawText(sym.right() + 8, y + (rowH + fm.ascent() - fm.descent()) / 2, e.text);
        y += rowH;
    }
}

void Legend::paintSymbol(QPainter *painter, const QRect &sym, const Entry &e)
{
    const QPointF c = QRectF(sym).center();
    switch (e.symbol) {
    case Symbol::Vehicle: {
        const double cy = c.y();
        const QPointF shape[] = {{sym.right() - 4.0, cy}, {sym.right() - 8.0, cy - 3.5}, {sym.left() + 6.0, cy - 3.5},
                                 {sym.left() + 6.0, cy + 3.5}, {sym.right() - 8.0, cy + 3.5}};
        painter->setPen(QPen(Qt::white, 0.8));
        painter->setBrush(e.a);
        painter->drawPolygon(shape, 5);
        return;
    }
    case Symbol::Disc: {
        const QRectF d(c.x() - 6, c.y() - 6, 12, 12);
        painter->setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
        painter->setBrush(e.a);
        painter->drawPie(d, 0, 180 * 16);
        painter->setBrush(e.b);
        painter->drawPie(d, 180 * 16, 180 * 16);
        return;
    }
    case Symbol::Dot:
        painter->setPen(QPen(Qt::white, 1.0));
        painter->setBrush(e.a);
        painter->drawEllipse(c, 4.0, 4.0);
        return;
    case Symbol::OfflineDot:
        painter->setPen(QPen(e.a, 2.0));
        painter->setBrush(Qt::white);
        painter->drawEllipse(c, 4.0, 4.0);
        return;
    case Symbol::OfflineMark: {
        painter->setPen(QPen(e.a, 2.0));
        painter->setBrush(Qt::white);
        painter->drawEllipse(c, 6.0, 6.0);
        const double d = 3.6;
        painter->drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
        painter->drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
        return;
    }
    case Symbol::Band:
        painter->setPen(QPen(Qt::white, 1));
        painter->setBrush(e.a);
        painter->drawRect(QRectF(sym.left() + 2, c.y() - 4, sym.width() - 4, 8));
        return;
    case Symbol::DeadEnd:
        painter->setPen(QPen(e.a, 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(c.x() - 3, c.y() - 3, 6, 6));
        return;
    case Symbol::Road:
        painter->setPen(QPen(e.a, 2));
        painter->drawLine(sym.left() + 2, int(c.y()), sym.right() - 2, int(c.y()));
        return;
    case Symbol::Line:
        painter->setPen(QPen(e.a, 4, Qt::SolidLine, Qt::RoundCap));
        painter->drawLine(sym.left() + 2, int(c.y()), sym.right() - 2, int(c.y()));
        if (e.b != e.a) {
            painter->setPen(QPen(e.b, 4, Qt::DotLine, Qt::FlatCap));
            painter->drawLine(sym.left() + 2, int(c.y()), sym.right() - 2, int(c.y()));
        }
        return;
    }
}
