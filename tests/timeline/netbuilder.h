// Small hand-made networks for the timeline tests and benchmark.
#pragma once

#include <ostrika/ostrika.h>

#include <QString>

#include <limits>

// Thin wrapper over the builder API with running ids; remembers the first failure.
class NetBuilder
{
public:
    Ostrika::Network net;
    QString error;

    bool ok() const { return error.isEmpty(); }

    Ostrika::Node *node(const QPointF &p) { return check(net.addNode(nextId++, QString(), p)); }

    // An edge with one lane along the same shape.
    Ostrika::Edge *edge(Ostrika::Node *a, Ostrika::Node *b, const Ostrika::GeoPolyline &shape,
                        Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::Passenger)
    {
        Ostrika::Edge *e = check(net.addEdge(nextId++, QString(), a, b, shape));
        if (e)
            check(net.addLane(nextId++, QString(), e, 3.0, allowed, shape));
        return e;
    }
    // A straight edge between two nodes offset sideways by \a dy (two-way road halves).
    Ostrika::Edge *straight(Ostrika::Node *a, Ostrika::Node *b, double dy = 0.0,
                            Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::Passenger)
    {
        if (!a || !b)
            return fail<Ostrika::Edge>("missing node");
        const QPointF d(0.0, dy);
        return edge(a, b, {a->position() + d, b->position() + d}, allowed);
    }

    static Ostrika::Lane *lane(Ostrika::Edge *e)
    {
        return e && !e->lanes().isEmpty() ? e->lanes().constFirst() : nullptr;
    }

    Ostrika::Granule *granule(Ostrika::Node *n, int tlId)
    {
        return n ? granule(n, tlId, n->position()) : fail<Ostrika::Granule>("missing node");
    }
    Ostrika::Granule *granule(Ostrika::Node *n, int tlId, const QPointF &position)
    {
        Ostrika::Granule *g = check(net.addGranule(nextId++, QString(), tlId, position));
        if (g && n)
            g->addNode(n);
        return g;
    }

    Ostrika::SignalGroup *group(Ostrika::Granule *g, int tlId)
    {
        return check(net.addSignalGroup(nextId++, QString(), g, tlId));
    }

    // A connection from \a from's lane to \a to's lane that begins at \a start.
    Ostrika::Connection *connect(Ostrika::SignalGroup *sg, Ostrika::Edge *from, Ostrika::Edge *to,
                                 const QPointF &start)
    {
        if (!sg || !to || to->polyline().isEmpty())
            return fail<Ostrika::Connection>("missing group or edge");
        Ostrika::Connection *c = check(net.addConnection(
            nextId++, QString(), lane(from), lane(to), nullptr,
            {start, to->polyline().constFirst()}, sg->granule(),
            std::numeric_limits<double>::quiet_NaN()));
        if (c)
            sg->addConnection(c);
        return c;
    }

    Ostrika::Route *route(const QList<Ostrika::Edge *> &edges, const Ostrika::GeoPolyline &shape,
                          Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::GeneralTraffic)
    {
        return check(net.addRoute(nextId++, QString(), edges, allowed, shape));
    }

    /*!
     * A two-way road on the axis y = 0 (forward half at y = -5, return half at y = +5)
     * driven out to x = 300 and back; junctions with controllers 21 at x = 100 and 22 at
     * x = 200, a plain U-turn node at x = 300. Groups: 21/1 forward (stop line x = 95),
     * 21/2 return (x = 105), 22/3 forward (x = 195), 22/4 return (x = 205), 22/5 on both
     * passes (x = 195 and 205), 21/6 only at the U-turn (never met in a granule).
     */
    Ostrika::Route *outAndBack()
    {
        QList<Ostrika::Node *> n;
        for (double x : {0.0, 100.0, 200.0, 300.0})
            n << node({x, 0});
        QList<Ostrika::Edge *> fwd, back;
        for (int i = 1; i < 4; ++i) {
            fwd << straight(n.at(i - 1), n.at(i), -5);
            back.prepend(straight(n.at(i), n.at(i - 1), 5));
        }
        Ostrika::Granule *g21 = granule(n.at(1), 21);
        Ostrika::Granule *g22 = granule(n.at(2), 22);
        connect(group(g21, 1), fwd.at(0), fwd.at(1), {95, -5});
        connect(group(g21, 2), back.at(1), back.at(2), {105, 5});
        connect(group(g22, 3), fwd.at(1), fwd.at(2), {195, -5});
        connect(group(g22, 4), back.at(0), back.at(1), {205, 5});
        Ostrika::SignalGroup *both = group(g22, 5);
        connect(both, fwd.at(1), fwd.at(2), {195, -5});
        connect(both, back.at(0), back.at(1), {205, 5});
        connect(group(g21, 6), fwd.at(2), back.at(0), {295, -5});
        return route(fwd + back, {{0, -5}, {100, -5}, {200, -5}, {300, -5},
                                  {300, 5}, {200, 5}, {100, 5}, {0, 5}});
    }

    int nextId = 1;

private:
    template<typename T>
    T *check(T *obj)
    {
        if (!obj && error.isEmpty())
            error = net.errorString().isEmpty() ? QStringLiteral("builder call failed")
                                                : net.errorString();
        return obj;
    }
    template<typename T>
    T *fail(const char *why)
    {
        if (error.isEmpty())
            error = QString::fromLatin1(why);
        return nullptr;
    }
};
