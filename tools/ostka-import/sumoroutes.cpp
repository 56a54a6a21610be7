// ostka-import: reading SUMO route and additional files.
#include "sumoroutes.h"
#include "sumonet.h"
#include "vclass.h"
#include "xmlutil.h"

#include <ostrika/lane.h>

#include <algorithm>
#include <iterator>

using Ostrika::Lane;

class RouteParser : public XmlParser
{
public:
    RouteParser(const QString &fileName, const QByteArray &data, RouteCollector *c)
        : XmlParser(fileName, data), m_c(c) {}
    bool run();

private:
    bool readVType(QString *id, int *mask);
    bool readTypeDistribution();
    //! A <route>; \a unnamed names one without id (empty: the id is required).
    bool readRoute(const QString &unnamed, QList<int> *indices);
    bool readRouteDistribution(const QString &owner, QList<int> *indices);
    bool readVehicle();
    //! A trip, or a flow or vehicle without a route, from its "from" and "to" edges.
    bool readTrip(const QString &name);
    bool readProgram();

    RouteCollector *m_c;
    int m_found = 0;           // routes, vehicles, trips, types and programs of this file
    int m_placeTrips = 0;      // trips without "from" and "to" edges
    bool m_waut = false;
};

bool RouteParser::run()
{
    if (!readRoot({QStringLiteral("routes"), QStringLiteral("additional"), QStringLiteral("add")},
                  QStringLiteral("a SUMO route or additional file")))
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
            QList<int> ignored;
            ok = readRoute(QString(), &ignored);
        } else if (n == QLatin1String("routeDistribution")) {
            QList<int> ignored;
            ok = readRouteDistribution(QString(), &ignored);
        } else if (n == QLatin1String("vehicle") || n == QLatin1String("flow")) {
            ok = readVehicle();
        } else if (n == QLatin1String("trip")) {
            QString id;
            ok = requireId(&id) && readTrip(QStringLiteral("trip %1").arg(id));
        } else if (n == QLatin1String("tlLogic")) {
            ok = readProgram();
        } else {
            // Program switches over the day replace the program SUMO starts with; say so.
            m_waut = m_waut || n == QLatin1String("WAUT");
            m_xml.skipCurrentElement(); // persons, containers, stops, detectors: no route of a vehicle
        }
        if (!ok)
            return false;
    }
    if (!finish())
        return false;
    if (m_placeTrips > 0)
        m_c->m_warnings << QStringLiteral("%1: %2 trips without \"from\" and \"to\" edges skipped (between "
                                          "districts, junctions, positions or stops): only trips from edge to "
                                          "edge are routed").arg(fileName()).arg(m_placeTrips);
    if (m_waut)
        m_c->m_warnings << QStringLiteral("%1: program switches (<WAUT>) are not imported; each light runs "
                                          "the program loaded last").arg(fileName());
    if (m_found == 0 && m_placeTrips == 0)
        m_c->m_warnings << QStringLiteral("%1: holds no routes, vehicles, trips, vehicle types or signal programs")
                               .arg(fileName());
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
    ++m_found;
    m_xml.skipCurrentElement();
    return true;
}

bool RouteParser::readTypeDistribution()
{
    QString id;
    if (!requireId(&id))
        return false;
    int mask = 0;
    // Members named by "vTypes" may come from another file: finish() adds their classes.
    m_c->m_typeRefs.insert(id, attr(QStringLiteral("vTypes")).split(QLatin1Char(' '), Qt::SkipEmptyParts));
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
    ++m_found;
    return true;
}

bool RouteParser::readRoute(const QString &unnamed, QList<int> *indices)
{
    const QString id = attr(QStringLiteral("id"));
    if (unnamed.isEmpty() && id.isEmpty())
        return fail(QStringLiteral("the attribute \"id\" is missing"));
    const QStringList edges = attr(QStringLiteral("edges")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (edges.isEmpty())
        return fail(QStringLiteral("the route has no edges"));
    const QString name = !id.isEmpty() ? id : unnamed;
    const int index = m_c->addRoute(name, edges, fileName(), line());
    indices->append(index);
    if (!id.isEmpty())
        m_c->m_byName[id].append(index);
    ++m_found;
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
            } else if (!readRoute(!owner.isEmpty() ? QStringLiteral("vehicle %1").arg(owner)
                                  : !id.isEmpty() ? QStringLiteral("%1#%2").arg(id).arg(members.size())
                                                  : QString(),
                                  &members)) {
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
    RouteCollector::Vehicle v;
    v.type = hasAttr(QStringLiteral("type")) ? attr(QStringLiteral("type")) : QStringLiteral("DEFAULT_VEHTYPE");
    v.route = attr(QStringLiteral("route"));
    v.file = fileName();
    v.element = describe();
    v.line = line();
    // Without a route, ends make it a trip (SUMO's flows of trips, and vehicles so written).
    static const char *const ends[] = {"from", "to", "fromTaz", "toTaz", "fromJunction", "toJunction",
                                       "fromXY", "toXY", "fromLonLat", "toLonLat"};
    const bool hasEnds = std::any_of(std::begin(ends), std::end(ends),
                                     [this](const char *e) { return hasAttr(QLatin1String(e)); });
    if (v.route.isEmpty() && hasEnds) {
        const bool isFlow = m_xml.name() == QLatin1String("flow");
        return readTrip(QStringLiteral("%1 %2").arg(isFlow ? QStringLiteral("flow") : QStringLiteral("vehicle"), id));
    }
    while (nextChild()) {
        if (m_xml.name() == QLatin1String("route")) {
            if (!readRoute(QStringLiteral("vehicle %1").arg(id), &v.own))
                return false;
        } else if (m_xml.name() == QLatin1String("routeDistribution")) {
            if (!readRouteDistribution(id, &v.own))
                return false;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (v.route.isEmpty() && v.own.isEmpty())
        return failAt(v.line, v.element, QStringLiteral("no route: no \"route\" attribute, no <route> inside, "
                                                        "no \"from\" and \"to\" edges"));
    m_c->m_vehicles.append(v);
    ++m_found;
    return true;
}

bool RouteParser::readTrip(const QString &name)
{
    SumoTrip t;
    t.name = name;
    t.from = attr(QStringLiteral("from"));
    t.to = attr(QStringLiteral("to"));
    t.via = attr(QStringLiteral("via")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    t.type = hasAttr(QStringLiteral("type")) ? attr(QStringLiteral("type")) : QStringLiteral("DEFAULT_VEHTYPE");
    t.file = fileName();
    t.element = describe();
    t.line = line();
    if (t.from.isEmpty() || t.to.isEmpty()) {
        // SUMO takes such a trip's way from its districts, junctions, positions or stops.
        ++m_placeTrips;
        m_xml.skipCurrentElement();
        return true;
    }
    m_c->m_trips.append(t);
    ++m_found;
    m_xml.skipCurrentElement();
    return true;
}

bool RouteParser::readProgram()
{
    SumoTlLogic t;
    if (!readTlLogic(&t))
        return false;
    m_c->m_programs.append(t);
    ++m_found;
    return true;
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

int RouteCollector::typeClasses(const QString &type) const
{
    return m_types.value(type, -1);
}

void RouteCollector::drive(const QList<int> &indices, const QString &type)
{
    const int mask = typeClasses(type);
    if (mask < 0) {
        m_unknownTypes.insert(type);
        ++m_untypedUses;
    }
    for (int i : indices) {
        SumoRoute &r = m_routes[i];
        r.driven = true;
        if (mask < 0)
            r.untyped = true;
        else
            r.vclasses |= mask;
    }
}

bool RouteCollector::finish(QString *error)
{
    // Distributions take the classes of the vTypes they name, wherever those were defined.
    for (auto it = m_typeRefs.constBegin(); it != m_typeRefs.constEnd(); ++it) {
        int mask = m_types.value(it.key());
        for (const QString &member : *it) {
            if (m_types.contains(member))
                mask |= m_types.value(member);
            else
                m_unknownTypes.insert(member);
        }
        m_types.insert(it.key(), mask);
    }
    for (const Vehicle &v : qAsConst(m_vehicles)) {
        if (!v.route.isEmpty()) {
            const auto it = m_byName.constFind(v.route);
            if (it == m_byName.constEnd()) {
                *error = QStringLiteral("%1:%2: %3: the route \"%4\" is not defined")
                             .arg(v.file).arg(v.line).arg(v.element, v.route);
                return false;
            }
            drive(*it, v.type);
        }
        drive(v.own, v.type);
    }
    for (SumoTrip &t : m_trips) {
        t.vclasses = typeClasses(t.type);
        if (t.vclasses < 0) {
            m_unknownTypes.insert(t.type);
            ++m_untypedUses;
            t.vclasses = Lane::Passenger;
        }
    }
    if (!m_unknownTypes.isEmpty()) {
        QStringList names = m_unknownTypes.values();
        std::sort(names.begin(), names.end());
        if (names.size() > 5)
            names = names.mid(0, 5) << QStringLiteral("...");
        m_warnings << QStringLiteral("%1 vehicles, flows or trips name vTypes that none of the given files defines "
                                     "(%2): their routes admit what their roads admit, their trips are routed "
                                     "for passenger cars")
                          .arg(m_untypedUses).arg(names.join(QStringLiteral(", ")));
    }
    return true;
}

void RouteCollector::addTripRoute(const SumoTrip &trip, const QStringList &edges)
{
    SumoRoute &r = m_routes[addRoute(trip.name, edges, trip.file, trip.line)];
    r.driven = true;
    r.vclasses |= trip.vclasses;
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
