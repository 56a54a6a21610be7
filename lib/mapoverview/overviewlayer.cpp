// ostrik-view: road centre lines and junction dots in one item, culled and batched.
#include "overviewlayer.h"

#include "pointbounds.h"

#include <corvel/light.h>
#include <ostrika/ostrika.h>

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <QStyleOptionGraphicsItem>
#include <QWidget>

#include <cmath>

namespace {

const QColor MajorRoad(112, 112, 112);
const QColor MinorRoad(188, 184, 176);
// Smaller dots where junctions crowd, so the roads between them still show.
double dotRadius(int zoom)
{
    return zoom >= 14 ? 4.0 : zoom == 13 ? 3.0 : 2.5;
}
constexpr double OfflineRadius = 9.0;

// Lanes that carry road vehicles; an edge with none of them is a path or a track.
constexpr Ostrika::Lane::VehicleClasses RoadTraffic = Ostrika::Lane::GeneralTraffic | Ostrika::Lane::Bus
    | Ostrika::Lane::Coach;

bool isMinor(const Ostrika::Edge *edge)
{
    for (const Ostrika::Lane *lane : edge->lanes())
        if (lane->allowed() & RoadTraffic)
            return false;
    return !edge->lanes().isEmpty();
}

} // namespace

OverviewLayer::OverviewLayer(LightLookup lookup, QGraphicsItem *parent)
    : QGraphicsObject(parent)
    , m_lookup(std::move(lookup))
{
    setObjectName(QStringLiteral("Overview"));
    setAcceptedMouseButtons(Qt::NoButton);
    setFlag(ItemUsesExtendedStyleOption);
    // Above the network's layers, so the offline marks are not buried under the lanes.
    setZValue(1e6);
}

void OverviewLayer::setNetworks(const QList<const Ostrika::Network *> &networks)
{
    m_lines.clear();
    m_roads.clear();
    m_junctions.clear();
    for (const Ostrika::Network *net : networks) {
        if (!net)
            continue;
        const Ostrika::GeoUtil *geo = net->geoUtil();
        // Each direction of a two-way road is its own edge, a few metres apart: one is enough
        // at this scale.
        QSet<QPair<int, int>> seen;
        for (const Ostrika::Edge *edge : net->findChildren<Ostrika::Edge *>()) {
            const Ostrika::GeoPolyline &line = edge->polyline();
            if (line.count() < 2)
                continue;
            if (edge->start() && edge->end()) {
                const int a = edge->start()->id(), b = edge->end()->id();
                const QPair<int, int> key(std::min(a, b), std::max(a, b));
                if (seen.contains(key))
                    continue;
                seen.insert(key);
            }
            Road road;
            road.first = m_lines.size();
            road.minor = isMinor(edge);
            QVector<QPointF> points;
            points.reserve(line.count());
            for (const QPointF &p : line.points())
                points.append(geo->xyToGeo(p));
            for (int i = 1; i < points.size(); ++i)
                m_lines.append(QLineF(points.at(i - 1), points.at(i)));
            road.count = m_lines.size() - road.first;
            road.bounds = pointBounds(points);
            m_roads.append(road);
        }
        for (const Ostrika::Granule *g : net->findChildren<Ostrika::Granule *>()) {
            if (g->tlId() <= 0 || (g->nodes().isEmpty() && g->position().isNull()))
                continue;
            const QPointF p = geo->xyToGeo(g->position());
            m_junctions.append({p, g->tlId()});
        }
    }
    update();
}

void OverviewLayer::setZoom(int zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    update();
}

void OverviewLayer::setMinimumZoom(int zoom)
{
    if (zoom == m_minZoom)
        return;
    m_minZoom = zoom;
    update();
}

bool OverviewLayer::showsOverview() const
{
    return (!m_roads.isEmpty() || !m_junctions.isEmpty()) && m_zoom < m_minZoom;
}

QString OverviewLayer::hintText() const
{
    return showsOverview() ? tr("Zoom in to %1 to see signals").arg(m_minZoom) : QString();
}

QRectF OverviewLayer::boundingRect() const
{
    // Marks and dots reach a few pixels beyond the network: at the smallest zoom that is
    // far, so the item claims the whole world and culls by itself.
    return QRectF(-180.0, -90.0, 360.0, 180.0);
}

QPainterPath OverviewLayer::shape() const
{
    return QPainterPath();
}

void OverviewLayer::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    if (m_roads.isEmpty() && m_junctions.isEmpty())
        return;
    const QRectF exposed = option->exposedRect;
    if (!showsOverview()) {
        paintOffline(painter, exposed);
        return;
    }
    paintRoads(painter, exposed);
    paintJunctions(painter, exposed);
}

void OverviewLayer::paintRoads(QPainter *painter, const QRectF &exposed) const
{
    QVector<QLineF> major, minor;
    for (const Road &r : m_roads) {
        // Not QRectF::intersects, which never meets a straight road's bounds of no height.
        if (r.bounds.left() > exposed.right() || r.bounds.right() < exposed.left()
            || r.bounds.top() > exposed.bottom() || r.bounds.bottom() < exposed.top())
            continue;
        QVector<QLineF> &out = r.minor ? minor : major;
        for (int i = r.first; i < r.first + r.count; ++i)
            out.append(m_lines.at(i));
    }
    painter->save();
    // Thousands of one-pixel lines: antialiasing would cost more than it shows.
    painter->setRenderHint(QPainter::Antialiasing, false);
    QPen pen(MinorRoad, 1);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->drawLines(minor);
    pen.setColor(MajorRoad);
    pen.setWidthF(1.0);
    painter->setPen(pen);
    painter->drawLines(major);
    painter->restore();
}

void OverviewLayer::paintJunctions(QPainter *painter, const QRectF &exposed) const
{
    // At city scale dots lie on top of each other: one per few pixels, the worst state
    // winning (offline over no controller over online), drawn as ready-made sprites.
    const double radius = dotRadius(m_zoom);
    const int cell = int(std::ceil(radius)) + 1;
    const QTransform toDevice = painter->worldTransform();
    QHash<quint64, QPair<QPointF, int>> cells;
    for (const Junction &j : m_junctions) {
        if (!exposed.contains(j.geo))
            continue;
        const QPointF p = toDevice.map(j.geo);
        int rank = 0;
        switch (controllerState(m_lookup ? m_lookup(j.controller) : nullptr)) {
        case ControllerState::Live:
        case ControllerState::Online: rank = 0; break;
        case ControllerState::Missing: rank = 1; break;
        case ControllerState::Offline: rank = 2; break;
        }
        const quint64 key = (quint64(quint32(int(p.x()) / cell)) << 32) | quint32(int(p.y()) / cell);
        auto it = cells.find(key);
        if (it == cells.end())
            cells.insert(key, {p, rank});
        else if (rank > it->second)
            *it = {p, rank};
    }
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap sprites[] = {dotSprite(ControllerState::Online, radius, dpr),
                               dotSprite(ControllerState::Missing, radius, dpr),
                               dotSprite(ControllerState::Offline, radius, dpr)};
    const QPointF half(sprites[0].width() / dpr / 2.0, sprites[0].height() / dpr / 2.0);
    painter->save();
    painter->resetTransform();
    // The worst states last, on top.
    for (int rank = 0; rank < 3; ++rank)
        for (const auto &c : qAsConst(cells))
            if (c.second == rank)
                painter->drawPixmap(c.first - half, sprites[rank]);
    painter->restore();
}

QPixmap OverviewLayer::dotSprite(ControllerState state, double radius, qreal dpr)
{
    const int size = int(std::ceil((2 * radius + 3) * dpr));
    QPixmap pixmap(size, size);
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(size / dpr / 2.0, size / dpr / 2.0);
    if (state == ControllerState::Offline) {
        // A grey ring around white, so it cannot be read as a colour of its own.
        p.setPen(QPen(controllerStateColour(state), 2.0));
        p.setBrush(Qt::white);
    } else {
        p.setPen(QPen(Qt::white, 1.0));
        p.setBrush(controllerStateColour(state));
    }
    p.drawEllipse(c, radius, radius);
    return pixmap;
}

void OverviewLayer::paintOffline(QPainter *painter, const QRectF &exposed) const
{
    if (!m_lookup)
        return;
    QVector<QPair<QPointF, int>> marks;
    const QTransform toDevice = painter->worldTransform();
    for (const Junction &j : m_junctions)
        if (exposed.contains(j.geo) && controllerState(m_lookup(j.controller)) == ControllerState::Offline)
            marks.append({toDevice.map(j.geo), j.controller});
    if (marks.isEmpty())
        return;
    painter->save();
    painter->resetTransform();
    painter->setRenderHint(QPainter::Antialiasing, true);
    QFont f = painter->font();
    f.setPointSizeF(8.0);
    f.setBold(true);
    painter->setFont(f);
    const QColor grey = controllerStateColour(ControllerState::Offline);
    for (const auto &m : qAsConst(marks)) {
        const QPointF c = m.first;
        painter->setPen(QPen(Qt::white, 5.0));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(c, OfflineRadius, OfflineRadius);
        painter->setPen(QPen(grey, 3.0));
        painter->setBrush(QColor(255, 255, 255, 200));
        painter->drawEllipse(c, OfflineRadius, OfflineRadius);
        const double d = OfflineRadius * 0.6;
        painter->drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
        painter->drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
        const QString text = tr("controller %1 offline").arg(m.second);
        const QRectF box(c.x() - 80, c.y() + OfflineRadius + 3, 160, 16);
        painter->setPen(Qt::white);
        for (const QPointF &o : {QPointF(-1, 0), QPointF(1, 0), QPointF(0, -1), QPointF(0, 1)})
            painter->drawText(box.translated(o), Qt::AlignHCenter | Qt::AlignTop, text);
        painter->setPen(grey.darker(150));
        painter->drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
    }
    painter->restore();
}
