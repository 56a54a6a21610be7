// Test helper: a canonical text of every object of a network, for whole-network comparisons.
#pragma once

#include <ostrika/ostrika.h>

#include <QStringList>
#include <QVariant>

#include <algorithm>

namespace NetworkDump {

inline QString num(double v)
{
    return QString::number(v, 'g', 17);
}

inline QString pts(const Ostrika::GeoPolyline &l)
{
    QStringList s;
    for (const QPointF &p : l.points())
        s << num(p.x()) + QLatin1Char(' ') + num(p.y());
    return QLatin1Char('[') + s.join(QLatin1String(", ")) + QLatin1Char(']');
}

inline QString ref(const Ostrika::NetObject *o)
{
    return o ? QString::number(o->id()) : QStringLiteral("-");
}

template<typename T>
QString refs(const QList<T *> &list)
{
    QStringList s;
    for (const T *o : list)
        s << ref(o);
    return s.join(QLatin1Char(','));
}

inline QString describe(const Ostrika::NetObject *o)
{
    using namespace Ostrika;
    QString d = QString::number(o->id()) + QLatin1Char(' ') + QLatin1String(o->metaObject()->className())
        + QLatin1String(" \"") + o->objectName() + QLatin1String("\" ");
    if (auto *n = qobject_cast<const Node *>(o))
        return d + QStringLiteral("type %1 pos %2 %3 granule %4 edges %5").arg(n->type())
                       .arg(num(n->position().x()), num(n->position().y()), ref(n->granule()), refs(n->edges()));
    if (auto *e = qobject_cast<const Edge *>(o))
        return d + QStringLiteral("%1->%2 lanes %3 %4").arg(ref(e->start()), ref(e->end()), refs(e->lanes()), pts(e->polyline()));
    if (auto *l = qobject_cast<const Lane *>(o))
        return d + QStringLiteral("edge %1 index %2 width %3 allow %4 stop %5 %6").arg(ref(l->edge())).arg(l->index())
                       .arg(num(l->width())).arg(int(l->allowed()), 0, 16).arg(ref(l->stopline()), pts(l->polyline()));
    if (auto *s = qobject_cast<const Stopline *>(o))
        return d + QStringLiteral("lane %1 line %2").arg(ref(s->lane()), pts({s->line().p1(), s->line().p2()}));
    if (auto *g = qobject_cast<const Granule *>(o))
        return d + QStringLiteral("tl %1 pos %2 %3 nodes %4 conns %5 walks %6 groups %7").arg(g->tlId())
                       .arg(num(g->position().x()), num(g->position().y()), refs(g->nodes()), refs(g->connections()),
                            refs(g->crosswalks()), refs(g->signalGroups()));
    if (auto *sg = qobject_cast<const SignalGroup *>(o))
        return d + QStringLiteral("granule %1 tl %2 conns %3").arg(ref(sg->granule())).arg(sg->tlId()).arg(refs(sg->connections()));
    if (auto *c = qobject_cast<const Connection *>(o))
        return d + QStringLiteral("%1->%2 from %3 granule %4 groups %5 angle %6 exclude %7 %8")
                       .arg(ref(c->startLane()), ref(c->endLane()), ref(c->from()), ref(c->granule()), refs(c->signalGroups()),
                            num(c->lanesAngle()), c->property("exclude_from_route").toString(), pts(c->polyline()));
    if (auto *w = qobject_cast<const CrossWalk *>(o))
        return d + QStringLiteral("granule %1 sg %2 width %3 %4").arg(ref(w->granule())).arg(w->signalGroupTlId())
                       .arg(num(w->width()), pts(w->polyline()));
    if (auto *r = qobject_cast<const Route *>(o))
        return d + QStringLiteral("edges %1 allow %2 %3").arg(refs(r->routeEdges())).arg(int(r->allowedVehicles()), 0, 16)
                       .arg(pts(r->polyline()));
    return d;
}

//! One line per object, ordered by id, plus the origin.
inline QStringList dump(const Ostrika::Network &net)
{
    auto objects = net.findChildren<Ostrika::NetObject *>();
    std::sort(objects.begin(), objects.end(),
              [](const Ostrika::NetObject *a, const Ostrika::NetObject *b) { return a->id() < b->id(); });
    QStringList lines;
    lines << QStringLiteral("origin %1 %2").arg(num(net.geoUtil()->origin().x()), num(net.geoUtil()->origin().y()));
    for (const Ostrika::NetObject *o : objects)
        lines << describe(o);
    return lines;
}

} // namespace NetworkDump
