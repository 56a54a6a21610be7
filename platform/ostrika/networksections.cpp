// Ostrika network model: the ".ostka" reader, one function per section of the document.
#include "networkreader.h"

#include "connection.h"
#include "crosswalk.h"
#include "edge.h"
#include "granule.h"
#include "modelgeometry.h"
#include "node.h"
#include "route.h"
#include "signalgroup.h"
#include "stopline.h"

#include <QVariant>

#include <cmath>

namespace Ostrika {

using namespace ModelGeometry;

bool NetworkReader::readNodes(const Json::Object &root)
{
    Json::Array nodes;
    if (!section(root, "nodes", &nodes))
        return false;
    Json::Object o;
    QVector<QPointF> pos;
    for (int i = 0; i < nodes.size(); ++i) {
        Ctx c{"node", "nodes", i};
        QString name;
        int type = Node::Junction;
        if (!object(nodes.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readPoints(o, "position", c, &pos, 1, 1, true) || !readInt(o, "type", c, &type, false))
            return false;
        if (type < Node::Hidden || type > Node::Split)
            return fail(c, tr("unknown node type %1 (0 to 3 expected)").arg(type));
        created(Network::createNode(c.id, name, pos.constFirst(), type, m_owner), true);
    }
    return true;
}

bool NetworkReader::readEdges(const Json::Object &root)
{
    Json::Array edges;
    if (!section(root, "edges", &edges))
        return false;
    Json::Object o, lo;
    QVector<QPointF> shape;
    struct LaneData {
        int id;
        QString name;
        double width;
        Lane::VehicleClasses allowed;
        QVector<QPointF> shape;
        bool shapeGiven;
    };
    QVector<LaneData> lanes;
    QVector<double> widths;
    for (int i = 0; i < edges.size(); ++i) {
        Ctx c{"edge", "edges", i};
        QString name;
        Node *from = nullptr, *to = nullptr;
        shape.clear();
        if (!object(edges.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readRef(o, "from", c, "node", &from, true) || !readRef(o, "to", c, "node", &to, true)
            || !readPoints(o, "shape", c, &shape, 2, 0, false))
            return false;
        const Json::Value lv = o.value("lanes");
        if (lv.isUndefined())
            return fail(c, tr("the field \"lanes\" is missing"));
        if (!lv.isArray())
            return fail(c, tr("the field \"lanes\" must be an array"));
        const Json::Array la = lv.toArray();
        if (la.isEmpty())
            return fail(c, tr("the edge has no lanes"));

        // Lanes are checked before the edge exists, so a bad lane leaves nothing behind.
        lanes.resize(la.size());
        widths.resize(la.size());
        for (int j = 0; j < la.size(); ++j) {
            Ctx lc{"lane", "lanes", j};
            LaneData &d = lanes[j];
            d.name.clear();
            d.shape.clear();
            if (!la.at(j).isObject())
                return fail(c, tr("lanes[%1] is not a JSON object").arg(j));
            lo = la.at(j).toObject();
            if (!readId(lo, lc)) {
                if (!lc.hasId)   // no id yet: say which edge the lane belongs to
                    m_error = where(c) + QLatin1String(", ") + m_error;
                return false;
            }
            // Ids within the same edge are not in the index yet.
            for (int k = 0; k < j; ++k) {
                if (lanes.at(k).id == lc.id)
                    return fail(lc, tr("duplicate id %1 (also used by a lane)").arg(lc.id));
            }
            if (lc.id == c.id)
                return fail(lc, tr("duplicate id %1 (also used by an edge)").arg(lc.id));
            d.id = lc.id;
            if (!readName(lo, lc, &d.name) || !readNumber(lo, "width", lc, &d.width, true)
                || !readClasses(lo, lc, &d.allowed)
                || !readPoints(lo, "shape", lc, &d.shape, 0, 0, false))
                return false;
            d.shapeGiven = !lo.value("shape").isUndefined();
            if (!(d.width > 0.0))
                return fail(lc, tr("the width %1 is not greater than 0").arg(d.width));
            widths[j] = d.width;
        }

        auto *edge = Network::createEdge(c.id, name, from, to, GeoPolyline(shape), m_owner);
        created(edge, true);
        for (int j = 0; j < lanes.size(); ++j) {
            const LaneData &d = lanes.at(j);
            const GeoPolyline line = d.shapeGiven ? GeoPolyline(d.shape)
                                                  : laneLine(edge->polyline(), widths, j);
            created(Network::createLane(d.id, d.name, edge, d.width, d.allowed, line), false);
        }
    }
    return true;
}

bool NetworkReader::readStoplines(const Json::Object &root)
{
    Json::Array stoplines;
    if (!section(root, "stoplines", &stoplines))
        return false;
    Json::Object o;
    QVector<QPointF> pts;
    for (int i = 0; i < stoplines.size(); ++i) {
        Ctx c{"stop line", "stoplines", i};
        QString name;
        Lane *lane = nullptr;
        pts.clear();
        if (!object(stoplines.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readRef(o, "lane", c, "lane", &lane, true)
            || !readPoints(o, "line", c, &pts, 2, 2, false))
            return false;
        if (lane->stopline())
            return fail(c, tr("lane %1 already has stop line %2")
                               .arg(lane->id()).arg(lane->stopline()->id()));
        const QLineF line = pts.isEmpty() ? stoplineAcross(lane) : QLineF(pts.at(0), pts.at(1));
        created(Network::createStopline(c.id, name, lane, line, m_owner), true);
    }
    return true;
}

bool NetworkReader::readGranules(const Json::Object &root)
{
    Json::Array granules;
    if (!section(root, "granules", &granules))
        return false;
    Json::Object o;
    QVector<QPointF> pos;
    QVector<Node *> members;
    for (int i = 0; i < granules.size(); ++i) {
        Ctx c{"granule", "granules", i};
        QString name;
        int tl = 0;
        pos.clear();
        if (!object(granules.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readInt(o, "tl", c, &tl, false) || !readPoints(o, "position", c, &pos, 1, 1, false))
            return false;
        members.clear();
        const Json::Value nv = o.value("nodes");
        if (!nv.isUndefined() && !nv.isArray())
            return fail(c, tr("the field \"nodes\" must be an array of node ids"));
        for (const Json::Value v : nv.toArray()) {
            Node *node = nullptr;
            if (!resolve(v, c, "[nodes", "node", &node))
                return false;
            if (node->granule())
                return fail(c, tr("node %1 is already in granule %2")
                                   .arg(node->id()).arg(node->granule()->id()));
            if (members.contains(node))
                return fail(c, tr("node %1 is listed twice").arg(node->id()));
            members.append(node);
        }
        const QPointF p = pos.isEmpty() ? QPointF(qQNaN(), qQNaN()) : pos.constFirst();
        Granule *g = Network::createGranule(c.id, name, tl, p, m_owner);
        created(g, true);
        for (Node *n : qAsConst(members))
            g->addNode(n);
    }
    return true;
}

bool NetworkReader::readSignalGroups(const Json::Object &root)
{
    Json::Array groups;
    if (!section(root, "signalGroups", &groups))
        return false;
    Json::Object o;
    for (int i = 0; i < groups.size(); ++i) {
        Ctx c{"signal group", "signalGroups", i};
        QString name;
        Granule *granule = nullptr;
        int tl = 0;
        if (!object(groups.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readRef(o, "granule", c, "granule", &granule, true) || !readInt(o, "tl", c, &tl, true))
            return false;
        created(Network::createSignalGroup(c.id, name, granule, tl), false);
    }
    return true;
}

bool NetworkReader::readConnections(const Json::Object &root)
{
    Json::Array connections;
    if (!section(root, "connections", &connections))
        return false;
    Json::Object o;
    QVector<QPointF> shape;
    QVector<SignalGroup *> groups;
    for (int i = 0; i < connections.size(); ++i) {
        Ctx c{"connection", "connections", i};
        QString name;
        Lane *from = nullptr, *to = nullptr;
        Stopline *stopline = nullptr;
        Granule *granule = nullptr;
        double angle = qQNaN();
        int exclude = 0;
        shape.clear();
        if (!object(connections.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readRef(o, "from", c, "lane", &from, true) || !readRef(o, "to", c, "lane", &to, true)
            || !readRef(o, "stopline", c, "stop line", &stopline, false)
            || !readRef(o, "granule", c, "granule", &granule, false)
            || !readPoints(o, "shape", c, &shape, 0, 0, false)
            || !readNumber(o, "lanesAngle", c, &angle, false)
            || !readInt(o, "exclude_from_route", c, &exclude, false))
            return false;
        if (from->endNode() != to->edge()->start())
            return fail(c, tr("lane %1 ends at node %2, but lane %3 starts at node %4")
                               .arg(from->id()).arg(from->endNode()->id())
                               .arg(to->id()).arg(to->edge()->start()->id()));
        if (stopline && stopline->lane() != from)
            return fail(c, tr("stop line %1 is on lane %2, not on the start lane %3")
                               .arg(stopline->id()).arg(stopline->lane()->id()).arg(from->id()));
        groups.clear();
        const Json::Value gv = o.value("groups");
        if (!gv.isUndefined() && !gv.isArray())
            return fail(c, tr("the field \"groups\" must be an array of signal group ids"));
        for (const Json::Value v : gv.toArray()) {
            SignalGroup *sg = nullptr;
            if (!resolve(v, c, "[groups", "signal group", &sg))
                return false;
            if (granule && sg->granule() != granule)
                return fail(c, tr("signal group %1 belongs to granule %2, not to granule %3")
                                   .arg(sg->id()).arg(sg->granule()->id()).arg(granule->id()));
            groups.append(sg);
        }
        Connection *conn = Network::createConnection(c.id, name, from, to, stopline,
                                                     GeoPolyline(shape), granule, angle, m_owner);
        created(conn, true);
        for (SignalGroup *sg : qAsConst(groups))
            sg->addConnection(conn);
        if (exclude != 0) {
            conn->setProperty("exclude_from_route", exclude);
            m_exclusions.append({c.id, exclude});
        }
    }
    return true;
}

bool NetworkReader::readCrossWalks(const Json::Object &root)
{
    Json::Array crosswalks;
    if (!section(root, "crosswalks", &crosswalks))
        return false;
    Json::Object o;
    QVector<QPointF> shape;
    for (int i = 0; i < crosswalks.size(); ++i) {
        Ctx c{"crosswalk", "crosswalks", i};
        QString name;
        Granule *granule = nullptr;
        int sg = 0;
        double width = 0.0;
        if (!object(crosswalks.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readRef(o, "granule", c, "granule", &granule, false) || !readInt(o, "sg", c, &sg, false)
            || !readPoints(o, "shape", c, &shape, 2, 0, true) || !readNumber(o, "width", c, &width, true))
            return false;
        if (!(width > 0.0))
            return fail(c, tr("the width %1 is not greater than 0").arg(width));
        created(Network::createCrossWalk(c.id, name, granule, sg, GeoPolyline(shape), width, m_owner),
                true);
    }
    return true;
}

bool NetworkReader::readRoutes(const Json::Object &root)
{
    Json::Array routes;
    if (!section(root, "routes", &routes))
        return false;
    Json::Object o;
    QVector<QPointF> shape;
    for (int i = 0; i < routes.size(); ++i) {
        Ctx c{"route", "routes", i};
        QString name;
        Lane::VehicleClasses allowed;
        shape.clear();
        if (!object(routes.at(i), c, &o) || !readId(o, c) || !readName(o, c, &name)
            || !readClasses(o, c, &allowed) || !readPoints(o, "shape", c, &shape, 1, 0, false))
            return false;
        const Json::Value ev = o.value("edges");
        if (ev.isUndefined())
            return fail(c, tr("the field \"edges\" is missing"));
        if (!ev.isArray())
            return fail(c, tr("the field \"edges\" must be an array of edge ids"));
        const Json::Array ea = ev.toArray();
        if (ea.isEmpty())
            return fail(c, tr("the route has no edges"));
        QList<Edge *> edges;
        edges.reserve(ea.size());
        for (const Json::Value v : ea) {
            Edge *e = nullptr;
            if (!resolve(v, c, "[edges", "edge", &e))
                return false;
            if (!edges.isEmpty() && e->start() != edges.constLast()->end())
                return fail(c, tr("edge %1 does not start where edge %2 ends (node %3)")
                                   .arg(e->id()).arg(edges.constLast()->id())
                                   .arg(edges.constLast()->end()->id()));
            edges.append(e);
        }
        created(Network::createRoute(c.id, name, edges, allowed, GeoPolyline(shape), m_owner), true);
    }
    return true;
}

bool NetworkReader::checkExclusions()
{
    for (const Exclusion &x : qAsConst(m_exclusions)) {
        const NetObject *route = m_net->m_index.value(x.route, nullptr);
        if (!qobject_cast<const Route *>(route) || !inFile(route))
            return fail(tr("connection %1: \"exclude_from_route\" refers to the unknown route %2")
                            .arg(x.connection).arg(x.route));
    }
    return true;
}

} // namespace Ostrika
