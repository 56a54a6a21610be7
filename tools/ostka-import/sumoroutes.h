// ostka-import: routes from SUMO route files (".rou.xml", plain or gzipped).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

struct SumoRoute
{
    QString name;       // the route's id, or "vehicle ID" for a vehicle's own route
    QStringList edges;  // SUMO edge ids in travel order
    bool driven = false;
    int vclasses = 0;   // Ostrika class bits of the vehicles that drive it (when driven)
    QString file;
    int line = 0;
};

/*!
 * Collects the routes of one or more route files: named routes (also inside route
 * distributions) and the routes vehicles and flows carry, each distinct edge sequence once
 * (the first name wins). A vehicle's vType gives the route its vehicle classes.
 */
class RouteCollector
{
public:
    RouteCollector();
    //! False with "FILE:LINE: <element>: what" on a file that is not a route file, malformed
    //! XML, a route without edges, or a vehicle naming an unknown route or vType.
    bool read(const QString &fileName, QString *error);
    const QVector<SumoRoute> &routes() const { return m_routes; }

private:
    friend class RouteParser;
    int addRoute(const QString &name, const QStringList &edges, const QString &file, int line);

    QVector<SumoRoute> m_routes;
    QHash<QString, int> m_byEdges;          // joined edge list -> route index
    QHash<QString, QList<int>> m_byName;    // route or distribution id -> route indices
    QHash<QString, int> m_types;            // vType or vTypeDistribution id -> class bits
};
