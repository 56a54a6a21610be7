#include "testnetwork.h"

#include <QMap>
#include <QtMath>

#include <cmath>
#include <limits>

TestNetwork::TestNetwork(const QPointF &originGeo, int firstId) : nextId(firstId)
{
    net.geoUtil()->setOrigin(originGeo);
}

template<typename T>
T *TestNetwork::check(T *obj)
{
    if (!obj && error.isEmpty())
        error = net.errorString().isEmpty() ? QStringLiteral("builder call failed") : net.errorString();
    return obj;
}

bool TestNetwork::fail(const QString &why)
{
    if (error.isEmpty())
        error = why;
    return false;
}

bool TestNetwork::addJunction(const JunctionSpec &s)
{
    const QString p = QStringLiteral("J%1_").arg(s.tlId);
    const QPointF c = s.centre;
    auto *j = check(net.addNode(nextId++, p + "N", c, Ostrika::Node::Junction));
    auto *g = check(net.addGranule(nextId++, p + "G", s.tlId, QPointF(qQNaN(), qQNaN())));
    if (!j || !g)
        return false;
    if (s.withNodes)
        g->addNode(j);
    QMap<int, Ostrika::SignalGroup *> groups;
    for (int k = 0; k < s.connections.size(); ++k) {
        const ConnSpec &cs = s.connections.at(k);
        const double theta = qDegreesToRadians(k < 4 ? 90.0 * k : 90.0 * k + 45.0);
        const QPointF u(std::cos(theta), std::sin(theta));
        const QPointF right(u.y(), -u.x());
        const QPointF a = c - 60 * u;
        const QPointF b = c + 60 * u;
        auto *na = check(net.addNode(nextId++, p + QStringLiteral("A%1").arg(k), a, Ostrika::Node::DeadEnd));
        auto *nb = check(net.addNode(nextId++, p + QStringLiteral("B%1").arg(k), b, Ostrika::Node::DeadEnd));
        auto *ein = check(net.addEdge(nextId++, QString(), na, j, {a, c}));
        auto *eout = check(net.addEdge(nextId++, QString(), j, nb, {c, b}));
        if (!na || !nb || !ein || !eout)
            return false;
        if (m_firstArm.isEmpty())
            m_firstArm = {ein, eout};
        const QPointF from = c - 5 * u + 1.75 * right;
        const QPointF to = c + 5 * u + 1.75 * right;
        auto *lin = check(net.addLane(nextId++, QString(), ein, 3.5, Ostrika::Lane::GeneralTraffic,
                                      {a + 1.75 * right, from}));
        auto *lout = check(net.addLane(nextId++, QString(), eout, 3.5, Ostrika::Lane::GeneralTraffic,
                                       {to, b + 1.75 * right}));
        if (!lin || !lout)
            return false;
        Ostrika::Stopline *sl = nullptr;
        if (cs.stopline) {
            // Across the lane from its left edge to its right edge.
            sl = check(net.addStopline(nextId++, QString(), lin, QLineF(from - 1.75 * right, from + 1.75 * right)));
            if (!sl)
                return false;
        }
        auto *conn = check(net.addConnection(nextId++, p + QStringLiteral("C%1").arg(k), lin, lout, sl,
                                             {from, to}, g, cs.lanesAngle));
        if (!conn)
            return false;
        for (int gid : cs.groups) {
            Ostrika::SignalGroup *sg = groups.value(gid, nullptr);
            if (!sg) {
                sg = check(net.addSignalGroup(nextId++, p + QStringLiteral("SG%1").arg(gid), g, gid));
                if (!sg)
                    return false;
                groups.insert(gid, sg);
            }
            sg->addConnection(conn);
        }
    }
    for (int k = 0; k < s.crosswalkGroups.size(); ++k) {
        const QPointF y(0, 8 + 2 * k);
        if (!check(net.addCrossWalk(nextId++, p + QStringLiteral("X%1").arg(k), g, s.crosswalkGroups.at(k),
                                    {c + y + QPointF(-5, 0), c + y + QPointF(5, 0)}, 3.0)))
            return false;
    }
    return true;
}

bool TestNetwork::addStrip(const StripSpec &s)
{
    const QString p = s.prefix;
    const int b = s.idBase;
    const auto all = Ostrika::Lane::GeneralTraffic;
    auto *a = net.addNode(b + 1, s.firstNodeName.isEmpty() ? p + "A" : s.firstNodeName, {0, 0},
                          Ostrika::Node::Junction);
    auto *m = net.addNode(b + 2, p + "B", {100, 0}, Ostrika::Node::Junction);
    auto *c = net.addNode(b + 3, p + "C", {200, 0}, Ostrika::Node::DeadEnd);
    auto *h = net.addNode(b + 4, p + "H", {50, 50}, Ostrika::Node::Hidden);
    auto *e1 = net.addEdge(b + 10, p + "AB", a, m, {{0, 0}, {100, 0}});
    auto *e2 = net.addEdge(b + 11, p + "BC", m, c, {{100, 0}, {200, 0}});
    auto *l1 = net.addLane(b + 20, p + "AB_0", e1, 3.5, all, {{0, -1.75}, {100, -1.75}});
    auto *l2 = net.addLane(b + 21, p + "BC_0", e2, 3.5, all, {{100, -1.75}, {200, -1.75}});
    auto *s1 = net.addStopline(b + 30, p + "S1", l1, QLineF(QPointF(98, 0), QPointF(98, -3.5)));
    auto *g = net.addGranule(b + 40, p + "G", s.tlId, QPointF(qQNaN(), qQNaN()));
    auto *sg = g ? net.addSignalGroup(b + 41, s.signalGroupName.isEmpty() ? p + "SG1" : s.signalGroupName, g, 1)
                 : nullptr;
    auto *conn = net.addConnection(b + 50, p + "C1", l1, l2, s1, {{98, -1.75}, {102, -1.75}}, g, qQNaN());
    auto *route = net.addRoute(b + 60, p + "R1", {e1, e2}, all);
    if (!a || !m || !c || !h || !e1 || !e2 || !l1 || !l2 || !s1 || !g || !sg || !conn || !route)
        return fail(net.errorString());
    g->addNode(m);
    sg->addConnection(conn);
    return true;
}

Ostrika::Route *TestNetwork::addOutAndBack()
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
    return route(fwd + back, {{0, -5}, {100, -5}, {200, -5}, {300, -5}, {300, 5}, {200, 5}, {100, 5}, {0, 5}});
}

Ostrika::Node *TestNetwork::node(const QPointF &p, const QString &name, int type)
{
    return check(net.addNode(nextId++, name, p, type));
}

Ostrika::Edge *TestNetwork::edge(Ostrika::Node *a, Ostrika::Node *b, const Ostrika::GeoPolyline &shape,
                                 Ostrika::Lane::VehicleClasses allowed)
{
    Ostrika::Edge *e = check(net.addEdge(nextId++, QString(), a, b, shape));
    if (e)
        check(net.addLane(nextId++, QString(), e, 3.0, allowed, shape));
    return e;
}

Ostrika::Edge *TestNetwork::straight(Ostrika::Node *a, Ostrika::Node *b, double dy,
                                     Ostrika::Lane::VehicleClasses allowed)
{
    if (!a || !b) {
        fail(QStringLiteral("missing node"));
        return nullptr;
    }
    const QPointF d(0.0, dy);
    return edge(a, b, {a->position() + d, b->position() + d}, allowed);
}

Ostrika::Lane *TestNetwork::lane(Ostrika::Edge *e)
{
    return e && !e->lanes().isEmpty() ? e->lanes().constFirst() : nullptr;
}

Ostrika::Granule *TestNetwork::granule(Ostrika::Node *n, int tlId)
{
    if (!n) {
        fail(QStringLiteral("missing node"));
        return nullptr;
    }
    return granule(n, tlId, n->position());
}

Ostrika::Granule *TestNetwork::granule(Ostrika::Node *n, int tlId, const QPointF &position)
{
    Ostrika::Granule *g = check(net.addGranule(nextId++, QString(), tlId, position));
    if (g && n)
        g->addNode(n);
    return g;
}

Ostrika::SignalGroup *TestNetwork::group(Ostrika::Granule *g, int tlId)
{
    return check(net.addSignalGroup(nextId++, QString(), g, tlId));
}

Ostrika::Connection *TestNetwork::connect(Ostrika::SignalGroup *sg, Ostrika::Edge *from, Ostrika::Edge *to,
                                          const QPointF &start)
{
    if (!sg || !to || to->polyline().isEmpty()) {
        fail(QStringLiteral("missing group or edge"));
        return nullptr;
    }
    Ostrika::Connection *c = check(net.addConnection(nextId++, QString(), lane(from), lane(to), nullptr,
                                                     {start, to->polyline().constFirst()}, sg->granule(),
                                                     std::numeric_limits<double>::quiet_NaN()));
    if (c)
        sg->addConnection(c);
    return c;
}

Ostrika::Route *TestNetwork::route(const QList<Ostrika::Edge *> &edges, const Ostrika::GeoPolyline &shape,
                                   Ostrika::Lane::VehicleClasses allowed, const QString &name)
{
    return check(net.addRoute(nextId++, name, edges, allowed, shape));
}

bool TestNetwork::save(const QString &file)
{
    return net.save(file) || fail(net.errorString());
}

bool writeJunctions(const QString &file, const QPointF &originGeo, const QList<JunctionSpec> &junctions,
                    int idBase, QString *error)
{
    TestNetwork b(originGeo, idBase + 1);
    bool ok = true;
    for (const JunctionSpec &j : junctions)
        ok = ok && b.addJunction(j);
    if (ok && !b.firstArm().isEmpty())
        ok = b.route(b.firstArm(), {}, Ostrika::Lane::GeneralTraffic, QStringLiteral("R1"));
    ok = ok && b.save(file);
    if (!ok && error)
        *error = b.error;
    return ok;
}

bool writeStrip(const StripSpec &strip, const QString &file, QString *error)
{
    TestNetwork b(strip.originGeo);
    const bool ok = b.addStrip(strip) && b.save(file);
    if (!ok && error)
        *error = b.error;
    return ok;
}

QList<JunctionSpec> twoJunctions(int firstTl, int secondTl)
{
    JunctionSpec a;
    a.tlId = firstTl;
    a.connections = {{{1}}, {{2}}, {{1, 3}}, {{2, 3}}};
    a.crosswalkGroups = {4, 4};
    JunctionSpec b;
    b.tlId = secondTl;
    b.centre = QPointF(200, 0);
    b.connections = {{{1, 2}}, {{2}}, {{5}}};
    b.crosswalkGroups = {5};
    return {a, b};
}

QByteArray everyDrawableKind()
{
    // Planar metres at Brno are about 1.53 units; plain round numbers keep the tests readable.
    Ostrika::Network net;
    net.geoUtil()->setOrigin(QPointF(16.60, 49.19));
    using L = Ostrika::Lane;
    auto *n1 = net.addNode(1, "J1", QPointF(0, 0), Ostrika::Node::Junction);
    auto *n2 = net.addNode(2, "J2", QPointF(200, 0), Ostrika::Node::Junction);
    auto *n3 = net.addNode(3, "S3", QPointF(400, 0), Ostrika::Node::Split);
    net.addNode(4, "H4", QPointF(200, 60), Ostrika::Node::Hidden);
    auto *e12 = net.addEdge(10, "J2-W-in", n1, n2, {QPointF(20, -3), QPointF(180, -3)});
    auto *e21 = net.addEdge(11, "J1-E-in", n2, n1, {QPointF(180, 3), QPointF(20, 3)});
    auto *e23 = net.addEdge(12, "S3-W-in", n2, n3, {QPointF(220, -3), QPointF(398, -3)});
    auto *l12 = net.addLane(20, "J2-W-in-0", e12, 6, L::GeneralTraffic, {QPointF(20, -3), QPointF(180, -3)});
    net.addLane(21, "J1-E-in-0", e21, 6, L::GeneralTraffic, {QPointF(180, 3), QPointF(20, 3)});
    auto *l23 = net.addLane(22, "S3-W-in-0", e23, 6, L::GeneralTraffic, {QPointF(220, -3), QPointF(398, -3)});
    auto *stop = net.addStopline(30, "J2-W-in-0-stop", l12, QLineF(180, 0, 180, -6));
    auto *g = net.addGranule(40, "G2", 5, QPointF(qQNaN(), qQNaN()));
    g->addNode(n2);
    auto *sg = net.addSignalGroup(41, "SG5.1", g, 1);
    net.addSignalGroup(42, "SG5.21", g, 21);
    auto *c = net.addConnection(50, "J2-W0-E0", l12, l23, stop,
                                {QPointF(180, -3), QPointF(200, -3), QPointF(220, -3)}, g, 0);
    sg->addConnection(c);
    net.addCrossWalk(60, "J2-E-crossing", g, 21, {QPointF(214, 8), QPointF(214, -8)}, 6);
    net.addRoute(70, "Through", {e12, e23}, L::GeneralTraffic);
    net.addRoute(71, "Back", {e21}, L::GeneralTraffic);
    return net.toData();
}
