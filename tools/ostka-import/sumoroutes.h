// ostka-import: routes, trips and signal programs from SUMO route and additional files.
#pragma once

#include "sumonet.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

struct SumoRoute
{
    QString name;       // the route's id, "vehicle ID" for a vehicle's own route, "trip ID" or "flow ID" for a routed trip
    QStringList edges;  // SUMO edge ids in travel order
    bool driven = false;
    int vclasses = 0;   // Ostrika class bits of the vehicles of known vType that drive it
    bool untyped = false; // a vehicle of a vType no file defines drives it
    QString file;
    int line = 0;
};

//! A vehicle given only its first and last edge (<trip>, or <flow> with "from" and "to").
struct SumoTrip
{
    QString name;       // "trip ID" or "flow ID"
    QString from, to;
    QStringList via;
    QString type;
    int vclasses = 0;   // the classes to route for; set by finish()
    QString file, element;
    int line = 0;
};

/*!
 * Collects what one or more SUMO route files (<routes>) and additional files (<additional>,
 * <add>) hold for the importer: named routes (also inside route distributions), the routes
 * vehicles and flows carry, each distinct edge sequence once (the first name wins); trips
 * to be routed; vTypes, whose vClass gives a route its vehicle classes; and traffic-light
 * programs (<tlLogic>), in the order read. Other elements are skipped.
 */
class RouteCollector
{
public:
    RouteCollector();
    //! False with "FILE:LINE: <element>: what" on a file that is neither kind, malformed
    //! XML, a route without edges, a vehicle without any route, or a bad program.
    bool read(const QString &fileName, QString *error);
    /*!
     * Resolves what may name something of another file, once every file is read: the
     * routes vehicles name (false with an error for one that no file defines) and the
     * vTypes. A vType that no file defines drops nothing: its vehicles' routes are marked
     * untyped and its trips are routed for passenger cars, with one warning for all.
     */
    bool finish(QString *error);

    const QVector<SumoRoute> &routes() const { return m_routes; }
    const QVector<SumoTrip> &trips() const { return m_trips; }
    const QVector<SumoTlLogic> &programs() const { return m_programs; }
    const QStringList &warnings() const { return m_warnings; }
    //! Adds the route a trip was given; an edge sequence already known keeps its name.
    void addTripRoute(const SumoTrip &trip, const QStringList &edges);

private:
    friend class RouteParser;
    int addRoute(const QString &name, const QStringList &edges, const QString &file, int line);
    //! Class bits of a vType or vType distribution; -1 when no file defines it.
    int typeClasses(const QString &type) const;
    void drive(const QList<int> &indices, const QString &type);

    struct Vehicle { QString type, route; QList<int> own; QString file, element; int line; };
    QVector<SumoRoute> m_routes;
    QVector<SumoTrip> m_trips;
    QVector<SumoTlLogic> m_programs;
    QVector<Vehicle> m_vehicles;
    QHash<QString, int> m_byEdges;          // joined edge list -> route index
    QHash<QString, QList<int>> m_byName;    // route or distribution id -> route indices
    QHash<QString, int> m_types;            // vType or vTypeDistribution id -> class bits
    QHash<QString, QStringList> m_typeRefs; // distribution id -> the vTypes its "vTypes" names
    QSet<QString> m_unknownTypes;
    int m_untypedUses = 0;
    QStringList m_warnings;
};
