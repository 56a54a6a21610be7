// Ostrika network model: the ".ostka" writer.
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

#include <QSaveFile>
#include <QVariant>

#include <charconv>

namespace Ostrika {

namespace {

// Shortest text that reads back as the same double, so a saved network reloads exactly.
void putNumber(QByteArray &out, double v)
{
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, int(res.ptr - buf));
}

void putInt(QByteArray &out, int v)
{
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, int(res.ptr - buf));
}

void putString(QByteArray &out, const QString &s)
{
    out.append('"');
    for (const char c : s.toUtf8()) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\t': out.append("\\t"); break;
        case '\r': out.append("\\r"); break;
        default:
            if (uchar(c) < 0x20) {
                char buf[8];
                qsnprintf(buf, sizeof buf, "\\u%04x", uchar(c));
                out.append(buf);
            } else {
                out.append(c);
            }
        }
    }
    out.append('"');
}

void putPoints(QByteArray &out, const QVector<QPointF> &pts)
{
    out.append('[');
    for (int i = 0; i < pts.size(); ++i) {
        if (i)
            out.append(',');
        putNumber(out, pts.at(i).x());
        out.append(',');
        putNumber(out, pts.at(i).y());
    }
    out.append(']');
}

// Starts an object with its id and, when set, its name.
void putHead(QByteArray &out, bool &first, const NetObject *obj)
{
    out.append(first ? "\n{\"id\":" : ",\n{\"id\":");
    first = false;
    putInt(out, obj->id());
    if (!obj->objectName().isEmpty()) {
        out.append(",\"name\":");
        putString(out, obj->objectName());
    }
}

void putKey(QByteArray &out, const char *key)
{
    out.append(",\"");
    out.append(key);
    out.append("\":");
}

void putClasses(QByteArray &out, Lane::VehicleClasses classes)
{
    putKey(out, "allow");
    if ((classes & Lane::AllClasses) == Lane::AllClasses) {
        out.append("\"all\"");
        return;
    }
    out.append('[');
    bool first = true;
    for (int bit = 1; bit <= Lane::AllClasses; bit <<= 1) {
        if (!(classes & Lane::VehicleClass(bit)))
            continue;
        if (!first)
            out.append(',');
        first = false;
        putString(out, Lane::className(Lane::VehicleClass(bit)));
    }
    out.append(']');
}

bool exactlyEqual(const QVector<QPointF> &a, const QVector<QPointF> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (a.at(i).x() != b.at(i).x() || a.at(i).y() != b.at(i).y())
            return false;
    }
    return true;
}

template<typename T>
QVector<T *> childrenOf(const QObject *net)
{
    QVector<T *> list;
    for (QObject *o : net->children()) {
        if (auto *t = qobject_cast<T *>(o))
            list.append(t);
    }
    return list;
}

// Writes one id list, as "[1,2,3]".
template<typename T>
void putIds(QByteArray &out, const QList<T *> &objects)
{
    out.append('[');
    for (int i = 0; i < objects.size(); ++i) {
        if (i)
            out.append(',');
        putInt(out, objects.at(i)->id());
    }
    out.append(']');
}

} // namespace

/*!
 * Writes a network that toData() has checked, one section of the format after another.
 * Objects are written in creation order, so a network reads back with the same ids, names
 * and order.
 */
class NetworkWriter
{
public:
    explicit NetworkWriter(const Network &network) : net(network) {}

    QByteArray write()
    {
        out.reserve(256 + net.objectCount() * 96);
        header();
        nodes();
        edges();
        stoplines();
        granules();
        signalGroups();
        connections();
        crosswalks();
        routes();
        out.append("]}\n");
        return out;
    }

private:
    void header()
    {
        out.append("{\"format\":\"ostka\",\"version\":");
        putInt(out, Network::FormatVersion);
        out.append(",\n\"origin\":");
        putPoints(out, {net.geoUtil()->origin()});
    }

    // Closes the previous section, opens the array of \a name.
    void beginSection(const char *name)
    {
        if (sectionOpen)
            out.append(']');
        out.append(",\n\"");
        out.append(name);
        out.append("\":[");
        sectionOpen = true;
        first = true;
    }

    void nodes()
    {
        beginSection("nodes");
        for (const Node *n : childrenOf<Node>(&net)) {
            putHead(out, first, n);
            putKey(out, "position");
            putPoints(out, {n->position()});
            putKey(out, "type");
            putInt(out, n->type());
            out.append('}');
        }
    }

    void edges()
    {
        beginSection("edges");
        for (const Edge *e : childrenOf<Edge>(&net)) {
            putHead(out, first, e);
            putKey(out, "from");
            putInt(out, e->start()->id());
            putKey(out, "to");
            putInt(out, e->end()->id());
            putKey(out, "shape");
            putPoints(out, e->polyline().points());
            out.append(",\"lanes\":[");
            for (int i = 0; i < e->lanes().size(); ++i)
                lane(e->lanes().at(i), i == 0);
            out.append("]}");
        }
    }

    void lane(const Lane *l, bool firstOfEdge)
    {
        out.append(firstOfEdge ? "{\"id\":" : ",{\"id\":");
        putInt(out, l->id());
        if (!l->objectName().isEmpty()) {
            putKey(out, "name");
            putString(out, l->objectName());
        }
        putKey(out, "width");
        putNumber(out, l->width());
        putClasses(out, l->allowed());
        putKey(out, "shape");
        putPoints(out, l->polyline().points());
        out.append('}');
    }

    void stoplines()
    {
        beginSection("stoplines");
        for (const Stopline *s : childrenOf<Stopline>(&net)) {
            putHead(out, first, s);
            putKey(out, "lane");
            putInt(out, s->lane()->id());
            putKey(out, "line");
            putPoints(out, {s->line().p1(), s->line().p2()});
            out.append('}');
        }
    }

    void granules()
    {
        beginSection("granules");
        for (const Granule *g : childrenOf<Granule>(&net)) {
            putHead(out, first, g);
            putKey(out, "tl");
            putInt(out, g->tlId());
            if (!g->m_autoPosition) {
                putKey(out, "position");
                putPoints(out, {g->position()});
            }
            putKey(out, "nodes");
            putIds(out, g->nodes());
            out.append('}');
        }
    }

    void signalGroups()
    {
        beginSection("signalGroups");
        for (const Granule *g : childrenOf<Granule>(&net)) {
            for (const SignalGroup *sg : g->signalGroups()) {
                putHead(out, first, sg);
                putKey(out, "granule");
                putInt(out, g->id());
                putKey(out, "tl");
                putInt(out, sg->tlId());
                out.append('}');
            }
        }
    }

    void connections()
    {
        beginSection("connections");
        for (const Connection *c : childrenOf<Connection>(&net)) {
            putHead(out, first, c);
            putKey(out, "from");
            putInt(out, c->startLane()->id());
            putKey(out, "to");
            putInt(out, c->endLane()->id());
            if (c->from()) {
                putKey(out, "stopline");
                putInt(out, c->from()->id());
            }
            if (c->granule()) {
                putKey(out, "granule");
                putInt(out, c->granule()->id());
            }
            if (!c->signalGroups().isEmpty()) {
                putKey(out, "groups");
                putIds(out, c->signalGroups());
            }
            putKey(out, "lanesAngle");
            putNumber(out, c->lanesAngle());
            // An exclusion naming no route of the network has no effect and would not load.
            const int exclude = c->property("exclude_from_route").toInt();
            if (exclude != 0 && qobject_cast<const Route *>(net.findObject(exclude))) {
                putKey(out, "exclude_from_route");
                putInt(out, exclude);
            }
            putKey(out, "shape");
            putPoints(out, c->polyline().points());
            out.append('}');
        }
    }

    void crosswalks()
    {
        beginSection("crosswalks");
        for (const CrossWalk *cw : childrenOf<CrossWalk>(&net)) {
            putHead(out, first, cw);
            if (cw->granule()) {
                putKey(out, "granule");
                putInt(out, cw->granule()->id());
            }
            if (cw->signalGroupTlId() != 0) {
                putKey(out, "sg");
                putInt(out, cw->signalGroupTlId());
            }
            putKey(out, "width");
            putNumber(out, cw->width());
            putKey(out, "shape");
            putPoints(out, cw->polyline().points());
            out.append('}');
        }
    }

    void routes()
    {
        beginSection("routes");
        for (const Route *r : childrenOf<Route>(&net)) {
            putHead(out, first, r);
            putKey(out, "edges");
            putIds(out, r->routeEdges());
            putClasses(out, r->allowedVehicles());
            if (!exactlyEqual(r->polyline().points(), ModelGeometry::joinedEdgeLines(r->routeEdges()).points())) {
                putKey(out, "shape");
                putPoints(out, r->polyline().points());
            }
            out.append('}');
        }
    }

    const Network &net;
    QByteArray out;
    bool sectionOpen = false;
    bool first = true; // no object written yet in the open section
};

QByteArray Network::toData() const
{
    for (const Connection *c : childrenOf<Connection>(this)) {
        if (!c->startLane() || !c->endLane()) {
            setErrorString(tr("Connection %1 has no start or end lane; the format needs both")
                               .arg(c->id()));
            return {};
        }
    }

    const QPointF origin = m_geoUtil.origin();
    if (!(origin.x() >= -180.0 && origin.x() <= 180.0)
        || !(origin.y() >= -GeoUtil::MaxLatitude && origin.y() <= GeoUtil::MaxLatitude)) {
        setErrorString(tr("The origin (%1, %2) is outside longitude -180..180 or latitude -%3..%3")
                           .arg(origin.x()).arg(origin.y()).arg(GeoUtil::MaxLatitude, 0, 'g', 12));
        return {};
    }
    return NetworkWriter(*this).write();
}

bool Network::save(const QString &fileName) const
{
    const QByteArray data = toData();
    if (data.isEmpty())
        return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        setErrorString(tr("Cannot write \"%1\": %2").arg(fileName, file.errorString()));
        return false;
    }
    return true;
}

} // namespace Ostrika
