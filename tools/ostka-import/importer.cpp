// ostka-import: building the Ostrika network from a parsed SUMO network.
#include "importer.h"
#include "georef.h"
#include "sumoextras.h"
#include "vclass.h"

#include <signalstate.h>

#include <ostrika/connection.h>
#include <ostrika/crosswalk.h>
#include <ostrika/edge.h>
#include <ostrika/granule.h>
#include <ostrika/lane.h>
#include <ostrika/network.h>
#include <ostrika/node.h>
#include <ostrika/route.h>
#include <ostrika/signalgroup.h>
#include <ostrika/stopline.h>

#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Ostrika;

namespace {

struct TlInfo
{
    const SumoTlLogic *logic = nullptr;
    Granule *granule = nullptr;
    QVector<SignalGroup *> groups; // by SUMO link index
};

class Builder
{
public:
    Builder(const SumoNet &net, const RouteCollector &routes, const GeoReference &geo,
            Network *out, ImportSummary *summary, const ProgressFn &progress, int firstController)
        : m_net(net), m_routes(routes), m_geo(geo), m_out(out), m_summary(summary),
          m_progress(progress), m_firstController(firstController) {}

    bool run(QMap<int, ControllerPlanOut> *plans);
    QString error() const { return m_error; }

private:
    bool setOrigin();
    // \a tag and \a id name the element in a message (made only on failure: this runs for
    // every point of a network).
    bool toPlanar(const QPointF &p, QPointF *out, int line, const char *tag, const QString &id);
    bool shapeToPlanar(const QVector<QPointF> &in, GeoPolyline *out, int line, const char *tag,
                       const QString &id);
    double planarWidth(double metres, const QPointF &planarAt) const;
    bool nodes();
    bool edges();
    bool trafficLights(QMap<int, ControllerPlanOut> *plans);
    void warnAboutLivePrograms(const QMap<QString, const SumoTlLogic *> &active);
    bool connections();
    bool crosswalks();
    bool routes();
    Stopline *stoplineFor(Lane *lane);
    bool fail(int line, const QString &element, const QString &message);
    bool fail(const QString &file, int line, const QString &element, const QString &message);
    int nextId() { return m_nextId++; }
    QString junctionOfInternalLane(const QString &laneId) const;
    static QStringRef junctionNamed(const QStringRef &laneId);

    const SumoNet &m_net;
    const RouteCollector &m_routes;
    const GeoReference &m_geo;
    Network *m_out;
    ImportSummary *m_summary;
    ProgressFn m_progress;
    int m_firstController;
    QString m_error;
    int m_nextId = 1;

    QHash<QString, Node *> m_nodes;
    QHash<QString, Edge *> m_edges;
    QHash<QString, Lane *> m_lanes;            // normal lanes by SUMO id
    QHash<QString, const SumoLane *> m_internal; // internal lanes by SUMO id
    QHash<const SumoLane *, QString> m_nextVia; // internal lane -> the internal lane after it
    // Internal or crossing lane -> its junction, where the lane's name does not tell it.
    QHash<QString, QString> m_intLaneJunction;
    QHash<QString, TlInfo> m_tls;
    QHash<QString, QVector<const SumoConnection *>> m_crossingLinks; // crossing edge -> controlled links into it
};

QString connectionElement(const SumoConnection &c)
{
    return QStringLiteral("<connection from=\"%1\" to=\"%2\">").arg(c.from, c.to);
}

QString edgeElement(const SumoEdge &e)
{
    return QStringLiteral("<edge id=\"%1\">").arg(e.id);
}

bool Builder::fail(int line, const QString &element, const QString &message)
{
    return fail(m_net.fileName, line, element, message);
}

bool Builder::fail(const QString &file, int line, const QString &element, const QString &message)
{
    m_error = QStringLiteral("%1:%2: %3: %4").arg(file).arg(line).arg(element, message);
    return false;
}

QString elementText(const char *tag, const QString &id)
{
    return QStringLiteral("<%1 id=\"%2\">").arg(QLatin1String(tag), id);
}

bool Builder::toPlanar(const QPointF &p, QPointF *out, int line, const char *tag, const QString &id)
{
    QPointF geo;
    if (!m_geo.toLonLat(p, &geo) || std::abs(geo.y()) > GeoUtil::MaxLatitude)
        return fail(line, elementText(tag, id), QStringLiteral("the point %1,%2 lies outside the area the projection maps")
                                       .arg(p.x()).arg(p.y()));
    *out = m_out->geoUtil()->geoToXY(geo);
    return true;
}

bool Builder::shapeToPlanar(const QVector<QPointF> &in, GeoPolyline *out, int line, const char *tag,
                            const QString &id)
{
    QVector<QPointF> pts;
    pts.reserve(in.size());
    for (const QPointF &p : in) {
        QPointF q;
        if (!toPlanar(p, &q, line, tag, id))
            return false;
        pts.append(q);
    }
    *out = GeoPolyline(pts);
    return true;
}

double Builder::planarWidth(double metres, const QPointF &planarAt) const
{
    return metres * GeoUtil::unitsPerMetre(m_out->geoUtil()->xyToGeo(planarAt).y());
}

bool Builder::setOrigin()
{
    QRectF box = m_net.location.convBoundary;
    if (box.isNull() || box.width() + box.height() <= 0) {
        box = QRectF();
        for (const SumoJunction &j : m_net.junctions)
            box = box.isNull() ? QRectF(j.position, QSizeF(0, 0)) : box.united(QRectF(j.position, QSizeF(0, 0)));
    }
    QPointF geo;
    if (!m_geo.toLonLat(box.center(), &geo) || std::abs(geo.y()) > GeoUtil::MaxLatitude)
        return fail(m_net.location.line, QStringLiteral("<location>"),
                    QStringLiteral("the centre of the network does not map to a longitude and latitude"));
    m_out->geoUtil()->setOrigin(geo);
    return true;
}

bool Builder::nodes()
{
    for (const SumoJunction &j : m_net.junctions) {
        QPointF pos;
        if (!toPlanar(j.position, &pos, j.line, "junction", j.id))
            return false;
        const int type = j.type == QLatin1String("internal") ? Node::Hidden
            : j.type == QLatin1String("dead_end")            ? Node::DeadEnd
                                                             : Node::Junction;
        Node *n = m_out->addNode(nextId(), j.id, pos, type);
        if (!n)
            return fail(j.line, elementText("junction", j.id), m_out->errorString());
        m_nodes.insert(j.id, n);
        for (const QStringRef &l : j.intLanes.splitRef(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            // Nearly every lane is named after its junction; only the others take memory.
            if (junctionNamed(l) != j.id)
                m_intLaneJunction.insert(l.toString(), j.id);
            else if (!m_intLaneJunction.isEmpty())
                m_intLaneJunction.remove(l.toString());
        }
        ++m_summary->nodes;
    }
    return true;
}

bool Builder::edges()
{
    int done = 0;
    for (const SumoEdge &e : m_net.edges) {
        if (m_progress && ++done % 2000 == 0)
            m_progress(QStringLiteral("converting"), double(done) / m_net.edges.size());
        if (!e.isNormal()) {
            for (const SumoLane &l : e.lanes)
                m_internal.insert(l.id, &l);
            continue;
        }
        Node *from = m_nodes.value(e.from), *to = m_nodes.value(e.to);
        if (!from || !to)
            return fail(e.line, edgeElement(e), QStringLiteral("the junction \"%1\" does not exist")
                                             .arg(from ? e.to : e.from));
        QVector<GeoPolyline> shapes;
        QVector<double> widths;
        double total = 0;
        for (const SumoLane &l : e.lanes) {
            GeoPolyline s;
            if (!shapeToPlanar(l.shape, &s, l.line, "lane", l.id))
                return false;
            widths.append(planarWidth(l.width, s.constFirst()));
            total += widths.constLast();
            shapes.append(s);
        }
        // The carriageway's centre lies left of the rightmost lane's centre by half the rest.
        const GeoPolyline centre = shapes.constFirst().offsetted(total / 2 - widths.constFirst() / 2);
        Edge *edge = m_out->addEdge(nextId(), e.id, from, to, centre);
        if (!edge)
            return fail(e.line, edgeElement(e), m_out->errorString());
        m_edges.insert(e.id, edge);
        ++m_summary->edges;
        for (int i = 0; i < e.lanes.size(); ++i) {
            const SumoLane &l = e.lanes.at(i);
            int mask = 0;
            QString unknown;
            if (!VClass::permissions(l.hasAllow, l.allow, l.hasDisallow, l.disallow, &mask, &unknown))
                return fail(l.line, elementText("lane", l.id), QStringLiteral("unknown vehicle class \"%1\"").arg(unknown));
            Lane *lane = m_out->addLane(nextId(), l.id, edge, widths.at(i),
                                        Lane::VehicleClasses(mask), shapes.at(i));
            if (!lane)
                return fail(l.line, elementText("lane", l.id), m_out->errorString());
            m_lanes.insert(l.id, lane);
            ++m_summary->lanes;
        }
    }
    return true;
}

// Plans are fixed time; a program that reacts to traffic only looks like one here.
void Builder::warnAboutLivePrograms(const QMap<QString, const SumoTlLogic *> &active)
{
    QMap<QString, QStringList> byType;
    for (const SumoTlLogic *t : active) {
        if (!t->type.isEmpty() && t->type != QLatin1String("static"))
            byType[t->type] << t->id;
    }
    if (byType.isEmpty())
        return;
    QStringList parts;
    int count = 0;
    for (auto it = byType.cbegin(); it != byType.cend(); ++it) {
        count += it->size();
        QStringList ids = it->mid(0, 6);
        if (it->size() > ids.size())
            ids << QStringLiteral("and %1 more").arg(it->size() - ids.size());
        parts << QStringLiteral("%1: %2").arg(it.key(), ids.join(QStringLiteral(", ")));
    }
    m_summary->warnings << QStringLiteral("%1 of %2 traffic-light programs react to traffic (%3); the plan file runs "
                                          "them as fixed time with their phases' durations. To see them live, run the "
                                          "simulation in SUMO and follow it: ostrik-view --sumo CONFIG.sumocfg")
                               .arg(count).arg(active.size()).arg(parts.join(QStringLiteral("; ")));
}

bool Builder::trafficLights(QMap<int, ControllerPlanOut> *plans)
{
    // SUMO runs the program loaded last when a light has several.
    QMap<QString, const SumoTlLogic *> active;
    for (const SumoTlLogic &t : m_net.tlLogics)
        active.insert(t.id, &t);
    warnAboutLivePrograms(active);
    if (m_firstController < 1 || qint64(m_firstController) - 1 + active.size() > std::numeric_limits<int>::max()) {
        m_error = QStringLiteral("the first controller id must be 1 to %1 for the %2 controllers of this network")
                      .arg(qint64(std::numeric_limits<int>::max()) - active.size() + 1).arg(active.size());
        return false;
    }
    // The highest link index of each light, which a program from another file must cover.
    QHash<QString, int> usedLinks;
    for (const SumoConnection &c : m_net.connections) {
        if (!c.tl.isEmpty())
            usedLinks[c.tl] = std::max(usedLinks.value(c.tl, -1), c.linkIndex);
    }
    int controller = m_firstController - 1;
    for (auto it = active.constBegin(); it != active.constEnd(); ++it) {
        const SumoTlLogic &t = **it;
        const QString element = QStringLiteral("<tlLogic id=\"%1\">").arg(t.id);
        if (t.phases.isEmpty())
            return fail(t.file, t.line, element, QStringLiteral("the program has no phases"));
        const int links = t.phases.constFirst().state.size();
        if (t.file != m_net.fileName && links <= usedLinks.value(t.id, -1))
            return fail(t.file, t.line, element, QStringLiteral("the program has %1 signals, but the network's "
                                                                "connections use link index %2")
                                                     .arg(links).arg(usedLinks.value(t.id)));
        ControllerPlanOut plan;
        plan.controllerId = ++controller;
        plan.sumoId = t.id;
        plan.programId = t.programId;
        plan.offsetMs = std::llround(t.offset * 1000.0);
        for (const SumoPhase &p : t.phases) {
            if (p.state.size() != links)
                return fail(t.file, p.line, QStringLiteral("<phase>"),
                            QStringLiteral("the state has %1 signals, the program's first phase %2")
                                .arg(p.state.size()).arg(links));
            const qint64 ms = std::llround(p.duration * 1000.0);
            if (ms <= 0)
                continue;
            plan.cycleMs += ms;
            for (int i = 0; i < links; ++i) {
                const int code = SignalCode::fromSumo(p.state.at(i));
                if (code < 0)
                    return fail(t.file, p.line, QStringLiteral("<phase>"),
                                QStringLiteral("unknown signal state '%1' at link index %2").arg(p.state.at(i)).arg(i));
                auto &seq = plan.groups[i + 1];
                if (!seq.isEmpty() && seq.last().first == code)
                    seq.last().second += ms;
                else
                    seq.append({code, ms});
            }
        }
        if (plan.cycleMs <= 0)
            return fail(t.file, t.line, element, QStringLiteral("the program has no phase with a positive duration"));
        // Joined programs span several junctions; the granule's name keeps SUMO's id.
        TlInfo info;
        info.logic = &t;
        info.granule = m_out->addGranule(nextId(), t.id, plan.controllerId, QPointF(qQNaN(), qQNaN()));
        if (!info.granule)
            return fail(t.file, t.line, element, m_out->errorString());
        for (int i = 0; i < links; ++i) {
            SignalGroup *g = m_out->addSignalGroup(nextId(), QStringLiteral("link %1").arg(i), info.granule, i + 1);
            if (!g)
                return fail(t.file, t.line, element, m_out->errorString());
            info.groups.append(g);
        }
        m_summary->signalGroups += links;
        ++m_summary->granules;
        m_tls.insert(t.id, info);
        plans->insert(plan.controllerId, plan);
    }
    // A junction belongs to the light that controls its links (rail signals have no program).
    auto claim = [this](const QString &tl, const QString &junction) {
        const auto it = m_tls.constFind(tl);
        Node *n = m_nodes.value(junction);
        if (it != m_tls.constEnd() && n && !n->granule())
            it->granule->addNode(n);
    };
    for (const SumoJunction &j : m_net.junctions)
        claim(j.id, j.id);
    for (const SumoConnection &c : m_net.connections) {
        if (c.tl.isEmpty())
            continue;
        const int ei = m_net.edgeIndex.value(c.from, -1);
        if (ei >= 0 && m_net.edges.at(ei).isNormal())
            claim(c.tl, m_net.edges.at(ei).to);
        else
            claim(c.tl, junctionOfInternalLane(c.to + QStringLiteral("_0")));
    }
    return true;
}

QStringRef Builder::junctionNamed(const QStringRef &laneId)
{
    // Internal edges are named ":JUNCTION_N" (crossings ":JUNCTION_cN").
    const int cut = laneId.lastIndexOf(QLatin1Char('_'), laneId.lastIndexOf(QLatin1Char('_')) - 1);
    return laneId.startsWith(QLatin1Char(':')) && cut > 1 ? laneId.mid(1, cut - 1) : QStringRef();
}

QString Builder::junctionOfInternalLane(const QString &laneId) const
{
    const QString j = m_intLaneJunction.value(laneId);
    if (!j.isEmpty())
        return j;
    return junctionNamed(QStringRef(&laneId)).toString();
}

Stopline *Builder::stoplineFor(Lane *lane)
{
    if (lane->stopline())
        return lane->stopline();
    const GeoPolyline &s = lane->polyline();
    QPointF end = s.constLast(), dir;
    for (int i = s.count() - 1; i > 0; --i) {
        dir = s.at(i) - s.at(i - 1);
        if (dir != QPointF())
            break;
    }
    const double len = std::hypot(dir.x(), dir.y());
    if (len <= 0)
        return nullptr;
    // Left of the travel direction is (-dy, dx) with y growing northwards.
    const QPointF left = QPointF(-dir.y(), dir.x()) * (lane->width() / 2 / len);
    Stopline *sl = m_out->addStopline(nextId(), lane->objectName(), lane, QLineF(end + left, end - left));
    if (sl)
        ++m_summary->stoplines;
    return sl;
}

bool Builder::connections()
{
    for (const SumoConnection &c : m_net.connections) {
        if (!c.from.startsWith(QLatin1Char(':')) || c.via.isEmpty())
            continue;
        const int fi = m_net.edgeIndex.value(c.from, -1);
        if (fi >= 0 && c.fromLane >= 0 && c.fromLane < m_net.edges.at(fi).lanes.size())
            m_nextVia.insert(&m_net.edges.at(fi).lanes.at(c.fromLane), c.via);
    }
    for (const SumoConnection &c : m_net.connections) {
        const auto element = [&c] { return connectionElement(c); };
        const int fi = m_net.edgeIndex.value(c.from, -1), ti = m_net.edgeIndex.value(c.to, -1);
        if (fi < 0 || ti < 0)
            return fail(c.line, element(), QStringLiteral("the edge \"%1\" does not exist").arg(fi < 0 ? c.from : c.to));
        const SumoEdge &fe = m_net.edges.at(fi), &te = m_net.edges.at(ti);
        if (c.fromLane < 0 || c.fromLane >= fe.lanes.size() || c.toLane < 0 || c.toLane >= te.lanes.size()) {
            const bool badFrom = c.fromLane < 0 || c.fromLane >= fe.lanes.size();
            const SumoEdge &e = badFrom ? fe : te;
            return fail(c.line, element(), QStringLiteral("the lane \"%1_%2\" does not exist (edge \"%1\" has %3 lanes)")
                                             .arg(e.id).arg(badFrom ? c.fromLane : c.toLane).arg(e.lanes.size()));
        }
        if (!fe.isNormal() || !te.isNormal())
            continue;
        Lane *start = m_lanes.value(fe.lanes.at(c.fromLane).id);
        Lane *end = m_lanes.value(te.lanes.at(c.toLane).id);
        GeoPolyline shape;
        QVarLengthArray<const SumoLane *, 8> seen; // a corrupt via chain must not loop forever
        for (QString via = c.via; !via.isEmpty(); ) {
            const SumoLane *il = m_internal.value(via);
            if (!il)
                return fail(c.line, element(), QStringLiteral("the internal lane \"%1\" does not exist").arg(via));
            if (std::find(seen.cbegin(), seen.cend(), il) != seen.cend())
                break;
            seen.append(il);
            GeoPolyline part;
            if (!shapeToPlanar(il->shape, &part, il->line, "lane", via))
                return false;
            for (const QPointF &p : part.points()) {
                if (shape.isEmpty() || QLineF(shape.constLast(), p).length() > 1e-3)
                    shape.append(p);
            }
            via = m_nextVia.value(il);
        }
        if (!shape.isEmpty()) {
            // Start where the start lane ends and end where the end lane begins.
            QVector<QPointF> pts = shape.points();
            if (QLineF(pts.constFirst(), start->polyline().constLast()).length() > 1e-3)
                pts.prepend(start->polyline().constLast());
            if (QLineF(pts.constLast(), end->polyline().constFirst()).length() > 1e-3)
                pts.append(end->polyline().constFirst());
            shape = GeoPolyline(pts);
        }
        Granule *granule = nullptr;
        SignalGroup *group = nullptr;
        const auto tl = m_tls.constFind(c.tl);
        if (!c.tl.isEmpty() && tl != m_tls.constEnd()) {
            if (c.linkIndex < 0 || c.linkIndex >= tl->groups.size())
                return fail(c.line, element(), QStringLiteral("linkIndex %1 is outside the %2 signals of the program \"%3\"")
                                                 .arg(c.linkIndex).arg(tl->groups.size()).arg(c.tl));
            granule = tl->granule;
            group = tl->groups.at(c.linkIndex);
        } else if (Node *n = m_nodes.value(fe.to)) {
            granule = n->granule();
        }
        Stopline *sl = stoplineFor(start);
        Connection *conn = m_out->addConnection(nextId(), QStringLiteral("%1 -> %2").arg(start->objectName(), end->objectName()),
                                                start, end, sl, shape, granule, qQNaN());
        if (!conn)
            return fail(c.line, element(), m_out->errorString());
        if (group)
            group->addConnection(conn);
        ++m_summary->connections;
    }
    return true;
}

bool Builder::crosswalks()
{
    for (const SumoConnection &c : m_net.connections) {
        if (!c.tl.isEmpty() && c.to.startsWith(QLatin1Char(':')))
            m_crossingLinks[c.to].append(&c);
    }
    for (const SumoEdge &e : m_net.edges) {
        if (e.function != QLatin1String("crossing") || e.lanes.isEmpty())
            continue;
        const SumoLane &l = e.lanes.constFirst();
        const QString element = edgeElement(e);
        GeoPolyline shape;
        if (!shapeToPlanar(l.shape, &shape, l.line, "lane", l.id))
            return false;
        Node *node = m_nodes.value(junctionOfInternalLane(l.id));
        Granule *granule = node ? node->granule() : nullptr;
        int sg = 0;
        const QVector<const SumoConnection *> controls = m_crossingLinks.value(e.id);
        for (const SumoConnection *cp : controls) {
            const SumoConnection &c = *cp;
            const auto tl = m_tls.constFind(c.tl);
            if (tl == m_tls.constEnd())
                continue;
            if (c.linkIndex < 0 || c.linkIndex >= tl->groups.size())
                return fail(c.line, connectionElement(c), QStringLiteral("linkIndex %1 is outside the %2 signals of the program \"%3\"")
                                                              .arg(c.linkIndex).arg(tl->groups.size()).arg(c.tl));
            if (!granule)
                granule = tl->granule;
            if (tl->granule == granule) {
                sg = c.linkIndex + 1;
                break;
            }
        }
        CrossWalk *cw = m_out->addCrossWalk(nextId(), e.id, granule, sg, shape,
                                            planarWidth(l.width, shape.constFirst()));
        if (!cw)
            return fail(e.line, element, m_out->errorString());
        ++m_summary->crosswalks;
    }
    return true;
}

bool Builder::routes()
{
    for (const SumoRoute &r : m_routes.routes()) {
        const QString element = QStringLiteral("<route id=\"%1\">").arg(r.name);
        QList<Edge *> edges;
        int mask = Lane::AllClasses;
        for (const QString &id : r.edges) {
            Edge *e = m_edges.value(id);
            if (!e)
                return fail(r.file, r.line, element, QStringLiteral("the edge \"%1\" is not a road of the network").arg(id));
            if (!edges.isEmpty() && edges.constLast()->end() != e->start())
                return fail(r.file, r.line, element, QStringLiteral("the edge \"%1\" does not start where \"%2\" ends")
                                                         .arg(id, edges.constLast()->objectName()));
            int onEdge = 0;
            for (const Lane *l : e->lanes())
                onEdge |= int(l->allowed());
            mask &= onEdge;
            edges.append(e);
        }
        // A route no vehicle of known vType drives is open to whatever can use all of its edges.
        if (r.driven && !r.untyped)
            mask = r.vclasses;
        else if (r.driven)
            mask |= r.vclasses;
        if (!m_out->addRoute(nextId(), r.name, edges, Lane::VehicleClasses(mask)))
            return fail(r.file, r.line, element, m_out->errorString());
        ++m_summary->routes;
    }
    return true;
}

bool Builder::run(QMap<int, ControllerPlanOut> *plans)
{
    return setOrigin() && nodes() && edges() && trafficLights(plans) && connections() && crosswalks()
        && routes();
}

} // namespace

int SignalCode::fromSumo(QChar letter)
{
    return letter.unicode() < 128 ? SignalState::fromSumo(char(letter.unicode())) : -1;
}

namespace {

bool setUpGeoReference(const ImportOptions &options, const SumoNet &net, GeoReference *geo,
                       ImportSummary *summary, QString *error)
{
    QString why;
    const QString proj = net.location.projParameter;
    if (net.location.present && !proj.isEmpty() && proj != QLatin1String("!")) {
        if (!geo->setProjection(proj, net.location.netOffset, &why)) {
            *error = QStringLiteral("%1:%2: <location>: unknown projection \"%3\": %4")
                         .arg(options.netFile).arg(net.location.line).arg(proj, why);
            return false;
        }
        if (options.hasOrigin)
            summary->warnings << QStringLiteral("the network is geo-referenced; --origin is ignored");
        return true;
    }
    if (!options.hasOrigin) {
        *error = QStringLiteral("%1: the network is not geo-referenced (%2); give its position with "
                                "--origin LON,LAT (the place of its position netOffset, 0,0 without one)")
                     .arg(options.netFile, net.location.present ? QStringLiteral("projParameter=\"%1\"").arg(proj)
                                                                : QStringLiteral("no <location> element"));
        return false;
    }
    if (!geo->setLocalOrigin(options.origin, net.location.netOffset, &why)) {
        *error = QStringLiteral("--origin: %1").arg(why);
        return false;
    }
    return true;
}

} // namespace

bool importSumo(const ImportOptions &options, Network *network, QMap<int, ControllerPlanOut> *plans,
                ImportSummary *summary, QString *error)
{
    SumoNet net;
    if (!readSumoNet(options.netFile, &net, error, options.progress))
        return false;
    GeoReference geo;
    if (!setUpGeoReference(options, net, &geo, summary, error))
        return false;
    RouteCollector routes;
    for (const QString &f : options.routeFiles) {
        if (!routes.read(f, error))
            return false;
    }
    if (!routes.finish(error))
        return false;
    summary->warnings += routes.warnings();
    if (!addPrograms(routes, &net, summary, error)
        || !routeTrips(net, &routes, summary, options.progress, error))
        return false;
    if (net.leftHand)
        summary->warnings << QStringLiteral("left-hand network: imported as it is, the model assumes right-hand traffic");
    Builder b(net, routes, geo, network, summary, options.progress, options.firstController);
    plans->clear();
    if (!b.run(plans)) {
        *error = b.error();
        return false;
    }
    return true;
}
