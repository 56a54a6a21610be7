// Ostrika network model: the network, its id index and the builder API.
#include "network.h"

#include "connection.h"
#include "crosswalk.h"
#include "edge.h"
#include "granule.h"
#include "modelgeometry.h"
#include "node.h"
#include "route.h"
#include "signalgroup.h"
#include "stopline.h"

#include <filecheck.h>

#include <cmath>

namespace Ostrika {

using namespace ModelGeometry;

Network::Network(QObject *parent)
    : QObject(parent)
{
}

Network::~Network()
{
    // Children die in ~QObject; an empty index spares each of them the lookup.
    m_index.clear();
}

void Network::clear()
{
    aboutToClear();
    m_index.clear();
    // Creation order: each child is then found at the front of the children list.
    const QObjectList kids = children();
    for (QObject *o : kids) {
        if (qobject_cast<NetObject *>(o))
            delete o;
    }
}

bool Network::load(const QString &fileName, bool append)
{
    if (!append)
        clear();
    bool ok = false;
    {
        QByteArray data;
        QString error;
        if (!FileCheck::readAll(fileName, FileCheck::Kind::Network, &data, &error)) {
            setErrorString(error);
            return false;
        }
        ok = readDocument(data);
    }
    // The file's text and its parsed document are gone before loaded() draws the objects:
    // together they are the size of the graphics a network gets.
    if (ok)
        finishLoad();
    return ok;
}

bool Network::registerObject(NetObject *obj)
{
    m_index.insert(obj->id(), obj);
    return true;
}

bool Network::checkNewId(const char *function, int id) const
{
    if (m_index.contains(id)) {
        setErrorString(tr("%1: id %2 is already in use").arg(QLatin1String(function)).arg(id));
        return false;
    }
    return true;
}

bool Network::owns(const NetObject *obj) const
{
    return obj && obj->network() == this;
}

// Builder API: validate, then create through the unchecked functions below.

Node *Network::addNode(int id, const QString &name, const QPointF &position, int type)
{
    if (!checkNewId("addNode", id))
        return nullptr;
    if (!isValid(position)) {
        setErrorString(tr("addNode %1: position is not finite or out of range").arg(id));
        return nullptr;
    }
    if (type < Node::Hidden || type > Node::Split) {
        setErrorString(tr("addNode %1: unknown node type %2").arg(id).arg(type));
        return nullptr;
    }
    Node *n = createNode(id, name, position, type, this);
    registerObject(n);
    return n;
}

Edge *Network::addEdge(int id, const QString &name, Node *start, Node *end,
                       const GeoPolyline &shape)
{
    if (!checkNewId("addEdge", id))
        return nullptr;
    if (!owns(start) || !owns(end)) {
        setErrorString(tr("addEdge %1: start or end node is null or of another network").arg(id));
        return nullptr;
    }
    if (!isValid(shape)) {
        setErrorString(tr("addEdge %1: shape has a non-finite or out-of-range point").arg(id));
        return nullptr;
    }
    if (shape.count() == 1) {
        setErrorString(tr("addEdge %1: shape has a single point").arg(id));
        return nullptr;
    }
    Edge *e = createEdge(id, name, start, end, shape, this);
    registerObject(e);
    return e;
}

Lane *Network::addLane(int id, const QString &name, Edge *edge, double width,
                       Lane::VehicleClasses allowed, const GeoPolyline &shape)
{
    if (!checkNewId("addLane", id))
        return nullptr;
    if (!owns(edge)) {
        setErrorString(tr("addLane %1: edge is null or of another network").arg(id));
        return nullptr;
    }
    if (!(width > 0.0) || !isValid(width)) {
        setErrorString(tr("addLane %1: width %2 is not in the range (0, 1e8]").arg(id).arg(width));
        return nullptr;
    }
    if (!isValid(shape)) {
        setErrorString(tr("addLane %1: shape has a non-finite or out-of-range point").arg(id));
        return nullptr;
    }
    Lane *l = createLane(id, name, edge, width, allowed, shape);
    registerObject(l);
    return l;
}

Stopline *Network::addStopline(int id, const QString &name, Lane *lane, const QLineF &line)
{
    if (!checkNewId("addStopline", id))
        return nullptr;
    if (!owns(lane)) {
        setErrorString(tr("addStopline %1: lane is null or of another network").arg(id));
        return nullptr;
    }
    if (lane->stopline()) {
        setErrorString(tr("addStopline %1: lane %2 already has stop line %3")
                           .arg(id).arg(lane->id()).arg(lane->stopline()->id()));
        return nullptr;
    }
    if (!isValid(line.p1()) || !isValid(line.p2())) {
        setErrorString(tr("addStopline %1: line has a non-finite or out-of-range point").arg(id));
        return nullptr;
    }
    Stopline *s = createStopline(id, name, lane, line, this);
    registerObject(s);
    return s;
}

Granule *Network::addGranule(int id, const QString &name, int tlId, const QPointF &position)
{
    if (!checkNewId("addGranule", id))
        return nullptr;
    const bool automatic = std::isnan(position.x()) && std::isnan(position.y());
    if (!automatic && !isValid(position)) {
        setErrorString(tr("addGranule %1: position is not finite or out of range").arg(id));
        return nullptr;
    }
    Granule *g = createGranule(id, name, tlId, position, this);
    registerObject(g);
    return g;
}

SignalGroup *Network::addSignalGroup(int id, const QString &name, Granule *granule, int tlId)
{
    if (!checkNewId("addSignalGroup", id))
        return nullptr;
    if (!owns(granule)) {
        setErrorString(tr("addSignalGroup %1: granule is null or of another network").arg(id));
        return nullptr;
    }
    SignalGroup *sg = createSignalGroup(id, name, granule, tlId);
    registerObject(sg);
    return sg;
}

Connection *Network::addConnection(int id, const QString &name, Lane *startLane, Lane *endLane,
                                   Stopline *from, const GeoPolyline &shape, Granule *granule,
                                   double lanesAngle)
{
    if (!checkNewId("addConnection", id))
        return nullptr;
    if ((startLane && !owns(startLane)) || (endLane && !owns(endLane))
        || (from && !owns(from)) || (granule && !owns(granule))) {
        setErrorString(tr("addConnection %1: a referenced object is of another network").arg(id));
        return nullptr;
    }
    if (startLane && endLane && startLane->endNode() != endLane->edge()->start()) {
        setErrorString(tr("addConnection %1: lane %2 does not end where lane %3 starts")
                           .arg(id).arg(startLane->id()).arg(endLane->id()));
        return nullptr;
    }
    if (from && from->lane() != startLane) {
        setErrorString(tr("addConnection %1: stop line %2 is not on the start lane")
                           .arg(id).arg(from->id()));
        return nullptr;
    }
    if (!isValid(shape) || std::isinf(lanesAngle)) {
        setErrorString(tr("addConnection %1: shape or angle is not finite or out of range").arg(id));
        return nullptr;
    }
    Connection *c = createConnection(id, name, startLane, endLane, from, shape, granule,
                                     lanesAngle, this);
    registerObject(c);
    return c;
}

CrossWalk *Network::addCrossWalk(int id, const QString &name, Granule *granule,
                                 int signalGroupTlId, const GeoPolyline &shape, double width)
{
    if (!checkNewId("addCrossWalk", id))
        return nullptr;
    if (granule && !owns(granule)) {
        setErrorString(tr("addCrossWalk %1: granule is of another network").arg(id));
        return nullptr;
    }
    if (!(width > 0.0) || !isValid(width)) {
        setErrorString(tr("addCrossWalk %1: width %2 is not in the range (0, 1e8]").arg(id).arg(width));
        return nullptr;
    }
    if (!isValid(shape)) {
        setErrorString(tr("addCrossWalk %1: shape has a non-finite or out-of-range point").arg(id));
        return nullptr;
    }
    if (shape.count() < 2) {
        setErrorString(tr("addCrossWalk %1: shape has fewer than 2 points").arg(id));
        return nullptr;
    }
    CrossWalk *cw = createCrossWalk(id, name, granule, signalGroupTlId, shape, width, this);
    registerObject(cw);
    return cw;
}

Route *Network::addRoute(int id, const QString &name, const QList<Edge *> &edges,
                         Lane::VehicleClasses allowed, const GeoPolyline &shape)
{
    if (!checkNewId("addRoute", id))
        return nullptr;
    if (edges.isEmpty()) {
        setErrorString(tr("addRoute %1: no edges").arg(id));
        return nullptr;
    }
    for (int i = 0; i < edges.size(); ++i) {
        if (!owns(edges.at(i))) {
            setErrorString(tr("addRoute %1: edge %2 of the list is null or of another network")
                               .arg(id).arg(i));
            return nullptr;
        }
        if (i > 0 && edges.at(i)->start() != edges.at(i - 1)->end()) {
            setErrorString(tr("addRoute %1: edge %2 does not start where edge %3 ends")
                               .arg(id).arg(edges.at(i)->id()).arg(edges.at(i - 1)->id()));
            return nullptr;
        }
    }
    if (!isValid(shape)) {
        setErrorString(tr("addRoute %1: shape has a non-finite or out-of-range point").arg(id));
        return nullptr;
    }
    Route *r = createRoute(id, name, edges, allowed, shape, this);
    registerObject(r);
    return r;
}

} // namespace Ostrika
