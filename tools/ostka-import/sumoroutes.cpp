// ostka-import: reading SUMO route files.
#include "sumoroutes.h"
#include "sumonet.h"
#include "vclass.h"
#include "xmlutil.h"

#include <ostrika/lane.h>

using Ostrika::Lane;

class RouteParser : public XmlParser
{
public:
    RouteParser(const QString &fileName, const QByteArray &data, RouteCollector *c)
        : XmlParser(fileName, data), m_c(c), m_file(fileName) {}
    bool run();

private:
    bool readVType(QString *id, int *mask);
    bool readTypeDistribution();
    //! A <route>; \a owner is the vehicle's id for a vehicle's own route.
    bool readRoute(const QString &owner, QList<int> *indices);
    bool readRouteDistribution(const QString &owner, QList<int> *indices);
    bool readVehicle();
    void drive(const QList<int> &indices, int mask);

    struct Pending { QString route; int mask; int line; QString element; };
    RouteCollector *m_c;
    QString m_file;
    QVector<Pending> m_pending;
};

bool RouteParser::run()
{
    if (!readRoot(QStringLiteral("routes"), QStringLiteral("a SUMO route file")))
        return false;
    while (nextChild()) {
        const QStringRef n = m_xml.name();
        bool ok = true;
        if (n == QLatin1String("vType")) {
            QString id;
            int mask = 0;
            ok = readVType(&id, &mask);
        } else if (n == QLatin1String("vTypeDistribution")) {
            ok = readTypeDistribution();
        } else if (n == QLatin1String("route")) {
            QList<int> dummy;
            ok = readRoute(QString(), &dummy);
        } else if (n == QLatin1String("routeDistribution")) {
            QList<int> dummy;
            ok = readRouteDistribution(QString(), &dummy);
        } else if (n == QLatin1String("vehicle") || n == QLatin1String("flow")) {
            ok = readVehicle();
        } else {
            m_xml.skipCurrentElement(); // trips, persons, containers, stops: no edge list of a vehicle
        }
        if (!ok)
            return false;
    }
    if (!finish())
        return false;
    // SUMO wants routes before their vehicles; tolerate the other order within a file.
    for (const Pending &p : qAsConst(m_pending)) {
        const auto it = m_c->m_byName.constFind(p.route);
        if (it == m_c->m_byName.constEnd())
            return failAt(p.line, p.element, QStringLiteral("the route \"%1\" is not defined").arg(p.route));
        drive(*it, p.mask);
    }
    return true;
}

bool RouteParser::readVType(QString *id, int *mask)
{
    if (!requireId(id))
        return false;
    const QString vClass = hasAttr(QStringLiteral("vClass")) ? attr(QStringLiteral("vClass"))
                                                              : QStringLiteral("passenger");
    bool known = false;
    *mask = VClass::bitsForName(vClass, &known);
    if (!known)
        return fail(QStringLiteral("unknown vehicle class \"%1\"").arg(vClass));
    m_c->m_types.insert(*id, *mask);
    m_xml.skipCurrentElement();
    return true;
}

bool RouteParser::readTypeDistribution()
{
    QString id;
    if (!requireId(&id))
        return false;
    int mask = 0;
    const QStringList members = attr(QStringLiteral("vTypes")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &m : members) {
        if (!m_c->m_types.contains(m))
            return fail(QStringLiteral("the vType \"%1\" is not defined").arg(m));
        mask |= m_c->m_types.value(m);
    }
    while (nextChild()) {
        if (m_xml.name() == QLatin1String("vType")) {
            QString memberId;
            int memberMask = 0;
            if (!readVType(&memberId, &memberMask))
                return false;
            mask |= memberMask;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    m_c->m_types.insert(id, mask);
    return true;
}

bool RouteParser::readRoute(const QString &owner, QList<int> *indices)
{
    const QString id = attr(QStringLiteral("id"));
    if (owner.isEmpty() && id.isEmpty())
        return fail(QStringLiteral("the attribute \"id\" is missing"));
    const QStringList edges = attr(QStringLiteral("edges")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (edges.isEmpty())
        return fail(QStringLiteral("the route has no edges"));
    const QString name = !id.isEmpty() ? id : QStringLiteral("vehicle %1").arg(owner);
    const int index = m_c->addRoute(name, edges, m_file, line());
    indices->append(index);
    if (!id.isEmpty())
        m_c->m_byName[id].append(index);
    m_xml.skipCurrentElement();
    return true;
}

bool RouteParser::readRouteDistribution(const QString &owner, QList<int> *indices)
{
    const QString id = attr(QStringLiteral("id"));
    QList<int> members;
    while (nextChild()) {
        if (m_xml.name() == QLatin1String("route")) {
            const QString refId = attr(QStringLiteral("refId"));
            if (!refId.isEmpty() && !hasAttr(QStringLiteral("edges"))) {
                if (!m_c->m_byName.contains(refId))
                    return fail(QStringLiteral("the route \"%1\" is not defined").arg(refId));
                members += m_c->m_byName.value(refId);
                m_xml.skipCurrentElement();
            } else if (!readRoute(owner, &members)) {
                return false;
            }
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (!id.isEmpty())
        m_c->m_byName[id] += members;
    *indices += members;
    return true;
}

bool RouteParser::readVehicle()
{
    QString id;
    if (!requireId(&id))
        return false;
    const QString type = hasAttr(QStringLiteral("type")) ? attr(QStringLiteral("type"))
                                                          : QStringLiteral("DEFAULT_VEHTYPE");
    if (!m_c->m_types.contains(type))
        return fail(QStringLiteral("the vType \"%1\" is not defined").arg(type));
    const int mask = m_c->m_types.value(type);
    const QString routeRef = attr(QStringLiteral("route"));
    const QString element = describe();
    const int startLine = line();
    QList<int> own;
    while (nextChild()) {
        if (m_xml.name() == QLatin1String("route")) {
            if (!readRoute(id, &own))
                return false;
        } else if (m_xml.name() == QLatin1String("routeDistribution")) {
            if (!readRouteDistribution(id, &own))
                return false;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (!routeRef.isEmpty()) {
        if (m_c->m_byName.contains(routeRef))
            drive(m_c->m_byName.value(routeRef), mask);
        else
            m_pending.append({routeRef, mask, startLine, element});
    }
    drive(own, mask);
    return true;
}

void RouteParser::drive(const QList<int> &indices, int mask)
{
    for (int i : indices) {
        m_c->m_routes[i].driven = true;
        m_c->m_routes[i].vclasses |= mask;
    }
}

RouteCollector::RouteCollector()
{
    m_types.insert(QStringLiteral("DEFAULT_VEHTYPE"), Lane::Passenger);
    m_types.insert(QStringLiteral("DEFAULT_PEDTYPE"), Lane::Pedestrian);
    m_types.insert(QStringLiteral("DEFAULT_BIKETYPE"), Lane::Bicycle);
    m_types.insert(QStringLiteral("DEFAULT_TAXITYPE"), Lane::Taxi);
    m_types.insert(QStringLiteral("DEFAULT_RAILTYPE"), Lane::Rail);
    m_types.insert(QStringLiteral("DEFAULT_CONTAINERTYPE"), 0);
}

bool RouteCollector::read(const QString &fileName, QString *error)
{
    QByteArray data;
    if (!readMaybeGzipped(fileName, &data, error))
        return false;
    RouteParser parser(fileName, data, this);
    if (!parser.run()) {
        *error = parser.error();
        return false;
    }
    return true;
}

int RouteCollector::addRoute(const QString &name, const QStringList &edges, const QString &file, int line)
{
    const QString key = edges.join(QLatin1Char(' '));
    const auto it = m_byEdges.constFind(key);
    if (it != m_byEdges.constEnd())
        return *it;
    SumoRoute r;
    r.name = name;
    r.edges = edges;
    r.file = file;
    r.line = line;
    m_routes.append(r);
    m_byEdges.insert(key, m_routes.size() - 1);
    return m_routes.size() - 1;
}
