// Route timeline data: skeleton, junction walk and forward/return split of one route.
#include "timeline/routetimeline.h"

#include "timeline/polylineindex.h"

#include <ostrika/connection.h>
#include <ostrika/edge.h>
#include <ostrika/geopolyline.h>
#include <ostrika/granule.h>
#include <ostrika/lane.h>
#include <ostrika/node.h>
#include <ostrika/route.h>
#include <ostrika/signalgroup.h>

#include <QHash>
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
// Exact: QPointF's operator== is fuzzy.
bool samePoint(const QPointF &a, const QPointF &b) { return a.x() == b.x() && a.y() == b.y(); }

bool carriesRoute(const Ostrika::Connection *c, const Ostrika::Route *route,
                  const Ostrika::Edge *prev, const Ostrika::Edge *next, int mask)
{
    const Ostrika::Lane *start = c->startLane();
    if (!start)
        return false;
    if (start->edge() != prev)
        return false;
    if (start->endNode() != next->start())
        return false;
    if (!c->endLane() || c->endLane()->edge() != next)
        return false;
    if ((int(start->allowed()) & mask) == 0)
        return false;
    // Last: a dynamic property costs more than all the pointer checks above.
    const int excluded = c->property("exclude_from_route").toInt();
    return excluded == 0 || excluded != route->id();
}

// The group's entry comes from its first matching connection only.
void matchGroup(const Ostrika::SignalGroup *sg, const Ostrika::Route *route,
                const Ostrika::Edge *prev, const Ostrika::Edge *next, int mask,
                PolylineIndex &skeleton, PolylineIndex &path, QVariantMap *controller)
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
        const double rdist = path.nearestDistance(start);
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

// The skeleton points one node adds: midpoints between it and each place where the
// bisector crosses the route within (MinCrossing, BisectorLength).
QVector<QPointF> centresAcross(QLineF bisector, const PolylineIndex &route)
{
    QVector<QPointF> centres;
    bisector.setLength(BisectorLength);
    const QPointF node = bisector.p1();
    const QVector<QPointF> crossings = route.intersection(bisector);
    for (const QPointF &x : crossings) {
        const double k = QLineF(x, node).length();
        if (k > MinCrossing && k < BisectorLength) {
            bisector.setLength(k);
            centres.append(bisector.pointAt(0.5));
        }
    }
    return centres;
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
    PolylineIndex index(work);
    // A route driven round the same loop again and again meets the same bisectors again.
    QHash<QPair<ExactPoint, ExactPoint>, QVector<QPointF>> known;
    QLineF atNode;
    for (int i = 1; i < work.count(); ++i) {
        running += QLineF(work.at(i - 1), work.at(i)).length();
        if (running >= half)
            break;
        // A repeated point has the bisector of the one before; a long run of them would
        // otherwise be scanned once per point.
        if (i == 1 || !samePoint(work.at(i), work.at(i - 1)))
            atNode = work.bisectAtNode(i);
        if (atNode.isNull())
            continue;
        const auto key = qMakePair(exactPoint(atNode.p1()), exactPoint(atNode.p2()));
        auto centres = known.constFind(key);
        if (centres == known.constEnd())
            centres = known.insert(key, centresAcross(atNode, index));
        if (skeleton.count() + centres->size() > skeletonCeiling(work.count()))
            return {};
        skeleton.append(*centres);
    }
    return skeleton;
}

int skeletonCeiling(int pathPoints)
{
    return int(std::min<qint64>(4 * qint64(pathPoints) + 65536, std::numeric_limits<int>::max()));
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
    if (hasGeometry && skeleton.isEmpty())
        return {};
    const int mask = timelineVehicleMask(int(route->allowedVehicles()));
    PolylineIndex pathIndex(path);
    PolylineIndex skeletonIndex(skeleton);

    QMap<QString, QVariantMap> sgData;
    // What a granule brings, looked up once however often the route passes it.
    struct Passed {
        QVariantMap *controller;   // an entry of sgData, which only grows
        QList<Ostrika::SignalGroup *> groups;
    };
    QHash<const Ostrika::Granule *, Passed> passed;
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

        auto it = passed.find(granule);
        if (it == passed.end()) {
            it = passed.insert(granule, {&sgData[QString::number(granule->tlId())],
                                         granule->findChildren<Ostrika::SignalGroup *>()});
            if (hasGeometry)
                granuleDistances += pathIndex.pointToDistance(granule->position(), NearTolerance);
        }
        for (const Ostrika::SignalGroup *sg : qAsConst(it->groups)) {
            if (sg->tlId() <= 0)
                continue;
            matchGroup(sg, route, prev, next, mask, skeletonIndex, pathIndex, it->controller);
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
