// Route timeline data: skeleton, junction walk and forward/return split of one route.
#include "timeline/routetimeline.h"

#include <ostrika/connection.h>
#include <ostrika/edge.h>
#include <ostrika/geopolyline.h>
#include <ostrika/granule.h>
#include <ostrika/lane.h>
#include <ostrika/node.h>
#include <ostrika/route.h>
#include <ostrika/signalgroup.h>

#include <QLineF>
#include <QMap>
#include <QPointF>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <limits>

namespace RouteTimeline {

namespace {

constexpr double OpenRouteGap = 50.0;
constexpr double BisectorLength = 50.0;
constexpr double MinCrossing = 1.0;
constexpr double NearTolerance = 40.0;
constexpr int GeneralTrafficMask = Ostrika::Lane::GeneralTraffic;
constexpr int CarSignalMask = Ostrika::Lane::CarSignalTraffic;

const QString KeyMed = QStringLiteral("med");
const QString KeySgData = QStringLiteral("sg_data");
const QString KeySkeleton = QStringLiteral("route_skel");
const QString KeyDist = QStringLiteral("dist");
const QString KeyRdist = QStringLiteral("rdist");
const QString KeyFwd = QStringLiteral("fwd");

double nan() { return std::numeric_limits<double>::quiet_NaN(); }

bool carriesRoute(const Ostrika::Connection *c, const Ostrika::Route *route,
                  const Ostrika::Edge *prev, const Ostrika::Edge *next, int mask)
{
    const int excluded = c->property("exclude_from_route").toInt();
    if (excluded != 0 && excluded == route->id())
        return false;
    const Ostrika::Lane *start = c->startLane();
    if (!start)
        return false;
    if (start->edge() != prev)
        return false;
    if (start->endNode() != next->start())
        return false;
    if (!c->endLane() || c->endLane()->edge() != next)
        return false;
    return (int(start->allowed()) & mask) != 0;
}

// The group's entry comes from its first matching connection only.
void matchGroup(const Ostrika::SignalGroup *sg, const Ostrika::Route *route,
                const Ostrika::Edge *prev, const Ostrika::Edge *next, int mask,
                const Ostrika::GeoPolyline &skeleton, const Ostrika::GeoPolyline &path,
                QVariantMap *controller)
{
    for (const Ostrika::Connection *c : sg->connections()) {
        if (!c || !carriesRoute(c, route, prev, next, mask))
            continue;
        // A connection without a shape has no place along the route.
        if (c->polyline().isEmpty())
            return;
        const QPointF start = c->polyline().constFirst();
        double dist = nan();
        const QList<double> onSkeleton = skeleton.pointToDistance(start, NearTolerance);
        if (!onSkeleton.isEmpty())
            dist = onSkeleton.constFirst();
        double rdist = nan();
        path.pointOn(start, &rdist, true);
        if (std::isnan(dist))
            return;
        QVariantMap entry;
        entry.insert(KeyDist, dist);
        entry.insert(KeyRdist, rdist);
        entry.insert(KeyFwd, true);
        controller->insert(QString::number(sg->tlId()), entry);
        return;
    }
}

} // namespace

Ostrika::GeoPolyline routeSkeleton(const Ostrika::GeoPolyline &path)
{
    Ostrika::GeoPolyline skeleton;
    if (path.count() < 2)
        return skeleton;
    const Ostrika::GeoPolyline work = path;
    const QPointF first = work.constFirst();
    const QPointF last = work.constLast();
    if (QLineF(first, last).length() >= OpenRouteGap)
        return work;

    skeleton.append((first + last) / 2.0);
    const double half = 0.5 * work.length();
    double running = 0.0;
    for (int i = 1; i < work.count(); ++i) {
        running += QLineF(work.at(i - 1), work.at(i)).length();
        if (running >= half)
            break;
        QLineF bisector = work.bisectAtNode(i);
        if (bisector.isNull())
            continue;
        bisector.setLength(BisectorLength);
        const QPointF node = bisector.p1();
        const QVector<QPointF> crossings = work.intersection(bisector);
        for (const QPointF &x : crossings) {
            const double k = QLineF(x, node).length();
            if (k > MinCrossing && k < BisectorLength) {
                bisector.setLength(k);
                skeleton.append(bisector.pointAt(0.5));
            }
        }
    }
    return skeleton;
}

int timelineVehicleMask(int allowedVehicles)
{
    return allowedVehicles == GeneralTrafficMask ? CarSignalMask : allowedVehicles;
}

double timelineMedian(QList<double> distances, double routeLength, bool *ok)
{
    if (ok)
        *ok = !distances.isEmpty();
    if (distances.isEmpty())
        return 0.0;
    if (distances.count() == 1)
        return 0.5 * routeLength;
    std::sort(distances.begin(), distances.end());
    const int mid = distances.count() / 2;
    if (distances.count() % 2 == 1)
        return distances.at(mid);
    return (distances.at(mid - 1) + distances.at(mid)) / 2.0;
}

QVariantMap routeTimelineData(QObject *object)
{
    if (!object || !object->inherits("Ostrika::Route"))
        return {};
    const auto *route = static_cast<const Ostrika::Route *>(
        Ostrika::Route::staticMetaObject.cast(object));
    if (!route)
        return {};

    // Distances are measured on their own copy, untouched by the skeleton construction.
    const Ostrika::GeoPolyline path = route->polyline();
    const bool hasGeometry = path.count() >= 2;
    const Ostrika::GeoPolyline skeleton = routeSkeleton(route->polyline());
    const int mask = timelineVehicleMask(int(route->allowedVehicles()));

    QMap<QString, QVariantMap> sgData;
    QList<const Ostrika::Granule *> visited;
    QList<double> granuleDistances;
    const QList<Ostrika::Edge *> &edges = route->routeEdges();
    const int n = std::min(route->routeEdgeCount(), int(edges.count()));
    for (int i = 1; i < n; ++i) {
        const Ostrika::Edge *prev = edges.at(i - 1);
        const Ostrika::Edge *next = edges.at(i);
        if (!prev || !next || !prev->end())
            continue;
        const Ostrika::Granule *granule = prev->end()->granule();
        if (!granule || granule->tlId() <= 0)
            continue;

        QVariantMap &controller = sgData[QString::number(granule->tlId())];
        if (!visited.contains(granule)) {
            visited.append(granule);
            if (hasGeometry)
                granuleDistances += path.pointToDistance(granule->position(), NearTolerance);
        }

        const QList<Ostrika::SignalGroup *> groups = granule->findChildren<Ostrika::SignalGroup *>();
        for (const Ostrika::SignalGroup *sg : groups) {
            if (sg->tlId() <= 0)
                continue;
            matchGroup(sg, route, prev, next, mask, skeleton, path, &controller);
        }
    }

    bool haveMed = false;
    const double med = timelineMedian(granuleDistances, path.length(), &haveMed);

    QVariantMap result;
    QVariantMap sgVariant;
    for (auto it = sgData.begin(); it != sgData.end(); ++it) {
        QVariantMap &groups = it.value();
        if (haveMed) {
            for (auto g = groups.begin(); g != groups.end(); ++g) {
                QVariantMap entry = g.value().toMap();
                bool ok = false;
                const double rdist = entry.value(KeyRdist).toDouble(&ok);
                if (ok && rdist > med) {
                    entry.insert(KeyFwd, false);
                    g.value() = entry;
                }
            }
        }
        sgVariant.insert(it.key(), groups);
    }
    if (haveMed)
        result.insert(KeyMed, med);
    result.insert(KeySgData, sgVariant);

    QVariantList skel;
    skel.reserve(skeleton.count());
    for (const QPointF &p : skeleton.points())
        skel.append(QVariant::fromValue(p));
    result.insert(KeySkeleton, skel);
    return result;
}

} // namespace RouteTimeline
