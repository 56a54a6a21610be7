// Ostrika network model: the object classes' constructors, their creation and their links.
#include "connection.h"
#include "crosswalk.h"
#include "edge.h"
#include "granule.h"
#include "lane.h"
#include "modelgeometry.h"
#include "network.h"
#include "node.h"
#include "route.h"
#include "signalgroup.h"
#include "stopline.h"

#include <QtMath>

#include <cmath>

namespace Ostrika {

namespace {

struct ClassName {
    Lane::VehicleClass bit;
    const char *name;
};

constexpr ClassName ClassNames[] = {
    {Lane::Private, "private"},     {Lane::Emergency, "emergency"}, {Lane::Authority, "authority"},
    {Lane::Army, "army"},           {Lane::Vip, "vip"},             {Lane::Taxi, "taxi"},
    {Lane::Hov, "hov"},             {Lane::Pedestrian, "pedestrian"}, {Lane::Passenger, "passenger"},
    {Lane::Bus, "bus"},             {Lane::Coach, "coach"},         {Lane::Delivery, "delivery"},
    {Lane::Bicycle, "bicycle"},     {Lane::Motorcycle, "motorcycle"}, {Lane::Tram, "tram"},
    {Lane::RailUrban, "rail_urban"}, {Lane::Rail, "rail"},          {Lane::Truck, "truck"},
    {Lane::Ship, "ship"},           {Lane::Trailer, "trailer"},     {Lane::Moped, "moped"},
    {Lane::Custom1, "custom1"},     {Lane::Custom2, "custom2"},     {Lane::EVehicle, "evehicle"},
};

} // namespace

using namespace ModelGeometry;

Node::Node(int id, const QString &name, const QPointF &position, int type, QObject *parent)
    : NetObject(id, name, parent)
    , m_position(position)
    , m_type(type)
{
}

Edge::Edge(int id, const QString &name, Node *start, Node *end, const GeoPolyline &shape,
           QObject *parent)
    : NetObject(id, name, parent)
    , m_start(start)
    , m_end(end)
    , m_polyline(shape)
{
}

QString Lane::className(VehicleClass vc)
{
    for (const ClassName &c : ClassNames) {
        if (c.bit == vc)
            return QString::fromLatin1(c.name);
    }
    return {};
}

Lane::VehicleClass Lane::classFromName(const QString &name)
{
    for (const ClassName &c : ClassNames) {
        if (name == QLatin1String(c.name))
            return c.bit;
    }
    return VehicleClass(0);
}

Lane::Lane(int id, const QString &name, Edge *edge, int index, double width,
           VehicleClasses allowed, const GeoPolyline &shape)
    : NetObject(id, name, edge)
    , m_edge(edge)
    , m_index(index)
    , m_width(width)
    , m_allowed(allowed)
    , m_polyline(shape)
{
}

Node *Lane::endNode() const
{
    return m_edge ? m_edge->end() : nullptr;
}

Stopline::Stopline(int id, const QString &name, Lane *lane, const QLineF &line, QObject *parent)
    : NetObject(id, name, parent)
    , m_lane(lane)
    , m_line(line)
    , m_centre(line.center())
{
}

Granule::Granule(int id, const QString &name, int tlId, const QPointF &position, QObject *parent)
    : NetObject(id, name, parent)
    , m_tlId(tlId)
    , m_position(position)
    , m_autoPosition(std::isnan(position.x()) || std::isnan(position.y()))
{
    if (m_autoPosition)
        m_position = QPointF();
}

void Granule::addNode(Node *node)
{
    if (!node || node->m_granule == this)
        return;
    if (Granule *old = node->m_granule) {
        old->m_nodes.removeOne(node);
        old->updateCentre();
    }
    node->m_granule = this;
    m_nodes.append(node);
    updateCentre();
}

void Granule::addConnection(Connection *c)
{
    if (!c || c->m_granule == this)
        return;
    if (Granule *old = c->m_granule)
        old->m_connections.removeOne(c);
    c->m_granule = this;
    m_connections.append(c);
}

void Granule::updateCentre()
{
    if (!m_autoPosition)
        return;
    QPointF sum;
    for (const Node *n : qAsConst(m_nodes))
        sum += n->position();
    m_position = m_nodes.isEmpty() ? QPointF() : sum / m_nodes.size();
}

SignalGroup::SignalGroup(int id, const QString &name, int tlId, Granule *granule)
    : NetObject(id, name, granule)
    , m_tlId(tlId)
{
}

Granule *SignalGroup::granule() const
{
    return qobject_cast<Granule *>(parent());
}

void SignalGroup::addConnection(Connection *c)
{
    if (!c || m_connections.contains(c))
        return;
    m_connections.append(c);
    c->m_signalGroups.append(this);
}

Connection::Connection(int id, const QString &name, Lane *startLane, Lane *endLane,
                       Stopline *from, const GeoPolyline &shape, double lanesAngle,
                       QObject *parent)
    : NetObject(id, name, parent)
    , m_startLane(startLane)
    , m_endLane(endLane)
    , m_from(from)
    , m_polyline(shape)
    , m_lanesAngle(lanesAngle)
{
}

CrossWalk::CrossWalk(int id, const QString &name, Granule *granule, int signalGroupTlId,
                     const GeoPolyline &shape, double width, QObject *parent)
    : NetObject(id, name, parent)
    , m_granule(granule)
    , m_signalGroupTlId(signalGroupTlId)
    , m_polyline(shape)
    , m_width(width)
{
}

Route::Route(int id, const QString &name, const QList<Edge *> &edges,
             Lane::VehicleClasses allowed, const GeoPolyline &shape, QObject *parent)
    : NetObject(id, name, parent)
    , m_edges(edges)
    , m_allowed(allowed)
    , m_polyline(shape)
{
}

// Unchecked creation, shared by the builder API and the reader.

Node *Network::createNode(int id, const QString &name, const QPointF &position, int type,
                          QObject *owner)
{
    return new Node(id, name, position, type, owner);
}

Edge *Network::createEdge(int id, const QString &name, Node *start, Node *end,
                          const GeoPolyline &shape, QObject *owner)
{
    const GeoPolyline line = shape.isEmpty()
        ? GeoPolyline{start->position(), end->position()} : shape;
    auto *e = new Edge(id, name, start, end, line, owner);
    start->m_edges.append(e);
    if (end != start)
        end->m_edges.append(e);
    return e;
}

Lane *Network::createLane(int id, const QString &name, Edge *edge, double width,
                          Lane::VehicleClasses allowed, const GeoPolyline &shape)
{
    auto *l = new Lane(id, name, edge, edge->m_lanes.size(), width, allowed, shape);
    edge->m_lanes.append(l);
    return l;
}

Stopline *Network::createStopline(int id, const QString &name, Lane *lane, const QLineF &line,
                                  QObject *owner)
{
    auto *s = new Stopline(id, name, lane, line, owner);
    lane->m_stopline = s;
    return s;
}

Granule *Network::createGranule(int id, const QString &name, int tlId, const QPointF &position,
                                QObject *owner)
{
    return new Granule(id, name, tlId, position, owner);
}

SignalGroup *Network::createSignalGroup(int id, const QString &name, Granule *granule, int tlId)
{
    auto *sg = new SignalGroup(id, name, tlId, granule);
    granule->m_signalGroups.append(sg);
    return sg;
}

Connection *Network::createConnection(int id, const QString &name, Lane *startLane,
                                      Lane *endLane, Stopline *from, const GeoPolyline &shape,
                                      Granule *granule, double lanesAngle, QObject *owner)
{
    GeoPolyline line = shape;
    if (line.isEmpty() && startLane && endLane && !startLane->polyline().isEmpty()
        && !endLane->polyline().isEmpty())
        line = GeoPolyline{startLane->polyline().constLast(), endLane->polyline().constFirst()};
    double angle = 0.0;
    if (!std::isnan(lanesAngle))
        angle = normalizedAngle(lanesAngle);
    else if (startLane && endLane)
        angle = turnAngle(startLane->polyline(), endLane->polyline());
    auto *c = new Connection(id, name, startLane, endLane, from, line, angle, owner);
    if (granule) {
        c->m_granule = granule;
        granule->m_connections.append(c);
    }
    return c;
}

CrossWalk *Network::createCrossWalk(int id, const QString &name, Granule *granule,
                                    int signalGroupTlId, const GeoPolyline &shape, double width,
                                    QObject *owner)
{
    auto *cw = new CrossWalk(id, name, granule, signalGroupTlId, shape, width, owner);
    if (granule)
        granule->m_crosswalks.append(cw);
    return cw;
}

Route *Network::createRoute(int id, const QString &name, const QList<Edge *> &edges,
                            Lane::VehicleClasses allowed, const GeoPolyline &shape,
                            QObject *owner)
{
    return new Route(id, name, edges, allowed, shape.isEmpty() ? joinedEdgeLines(edges) : shape,
                     owner);
}

} // namespace Ostrika
