// ostrik-view: nearest junction, connection or crosswalk, through a coarse grid.
#include "networkpicker.h"

#include "pointbounds.h"

#include <QLineF>

#include <algorithm>

#include <cmath>

namespace {
constexpr double CellSize = 40.0; // planar units
// A junction's dot reaches this many pixels beyond its centre.
constexpr double JunctionReachPx = 5.0;
// A crosswalk lies on top of the connections that cross it.
constexpr double CrosswalkPreferencePx = 1.0;

int cellOf(double v)
{
    return int(std::floor(v / CellSize));
}
} // namespace

bool MapHit::isValid() const
{
    switch (kind) {
    case Junction: return !granule.isNull();
    case Connection: return !connection.isNull();
    case Crosswalk: return !crosswalk.isNull();
    case None: break;
    }
    return false;
}

quint64 NetworkPicker::cellKey(int x, int y)
{
    return (quint64(quint32(x)) << 32) | quint32(y);
}

void NetworkPicker::setNetworks(const QList<QPair<QString, const Ostrika::Network *>> &networks)
{
    m_networks.clear();
    for (const auto &n : networks) {
        if (!n.second)
            continue;
        Indexed net;
        net.file = n.first;
        net.network = n.second;
        for (const Ostrika::Granule *g : n.second->findChildren<Ostrika::Granule *>())
            if (!g->nodes().isEmpty() || !g->position().isNull())
                net.junctions.append(g);
        auto add = [&net](const Ostrika::NetObject *object, bool crosswalk) {
            const QVector<QPointF> &points = object->polyline().points();
            if (points.isEmpty())
                return;
            const QRectF bounds = pointBounds(points);
            const int index = net.entries.size();
            net.entries.append({bounds, object, crosswalk});
            for (int x = cellOf(bounds.left()); x <= cellOf(bounds.right()); ++x)
                for (int y = cellOf(bounds.top()); y <= cellOf(bounds.bottom()); ++y)
                    net.cells[cellKey(x, y)].append(index);
        };
        for (const Ostrika::Connection *c : n.second->findChildren<Ostrika::Connection *>())
            add(c, false);
        for (const Ostrika::CrossWalk *c : n.second->findChildren<Ostrika::CrossWalk *>())
            add(c, true);
        m_networks.append(net);
    }
}

MapHit NetworkPicker::pick(const QPointF &geo, double metresPerPixel, double tolerancePx) const
{
    MapHit hit;
    if (!(metresPerPixel > 0.0) || !std::isfinite(metresPerPixel) || !std::isfinite(geo.x()) || !std::isfinite(geo.y()))
        return hit;
    double best = tolerancePx; // in pixels
    for (const Indexed &net : m_networks) {
        const QPointF xy = net.network->geoUtil()->geoToXY(geo);
        const double perPixel = metresPerPixel * Ostrika::GeoUtil::unitsPerMetre(geo.y());
        for (const Ostrika::Granule *g : net.junctions) {
            const double px = QLineF(xy, g->position()).length() / perPixel - JunctionReachPx;
            if (px < best) {
                best = px;
                hit = MapHit();
                hit.kind = MapHit::Junction;
                hit.granule = const_cast<Ostrika::Granule *>(g);
                hit.network = net.file;
            }
        }
        if (metresPerPixel <= DetailMetresPerPixel)
            pickDetail(net, xy, tolerancePx * perPixel, perPixel, &best, &hit);
    }
    if (hit.granule)
        hit.geo = hit.granule->network()->geoUtil()->xyToGeo(hit.granule->position());
    return hit;
}

void NetworkPicker::pickDetail(const Indexed &net, const QPointF &xy, double tolerance, double perPixel,
                               double *best, MapHit *hit) const
{
    // The few cells around the point; an object in several of them is looked at once.
    QVector<int> candidates;
    for (int x = cellOf(xy.x() - tolerance); x <= cellOf(xy.x() + tolerance); ++x) {
        for (int y = cellOf(xy.y() - tolerance); y <= cellOf(xy.y() + tolerance); ++y) {
            const auto cell = net.cells.constFind(cellKey(x, y));
            if (cell != net.cells.constEnd())
                candidates += *cell;
        }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    for (int i : qAsConst(candidates)) {
        const Entry &e = net.entries.at(i);
        if (!e.bounds.adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(xy))
            continue;
        const QPointF foot = e.object->polyline().pointOn(xy, nullptr, true);
        double px = QLineF(xy, foot).length() / perPixel;
        if (e.crosswalk)
            px -= CrosswalkPreferencePx;
        if (!(px < *best))
            continue;
        *best = px;
        *hit = MapHit();
        hit->network = net.file;
        if (e.crosswalk) {
            auto *c = static_cast<const Ostrika::CrossWalk *>(e.object);
            hit->kind = MapHit::Crosswalk;
            hit->crosswalk = const_cast<Ostrika::CrossWalk *>(c);
            hit->granule = c->granule();
        } else {
            auto *c = static_cast<const Ostrika::Connection *>(e.object);
            hit->kind = MapHit::Connection;
            hit->connection = const_cast<Ostrika::Connection *>(c);
            hit->granule = c->granule();
        }
    }
}
