// ostka-generate: turns a plan of junctions and roads into a complete network.
#pragma once

#include <ostrika/lane.h>

#include <QHash>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

namespace Ostrika {
class Edge;
class Granule;
class Lane;
class Network;
class Node;
class Stopline;
}

/*!
 * Builds a right-hand-traffic network from sites (junctions, dead ends, shape points) and
 * two-way roads between them, in true metres on a local plane (x east, y north) that is
 * rotated and geo-referenced onto the network's planar coordinates.
 *
 * Each road becomes two edges, each offset to its own right side, with lane 0 rightmost.
 * Junctions get a granule; signalised ones a controller id (their number), stop lines,
 * signal groups per approach (straight with right, right alone when it has its own lane,
 * left always its own), and a crosswalk with its own group on every arm. Every site gets
 * the connections its lanes allow; dead ends a turning connection.
 */
class NetBuilder
{
public:
    enum Kind { Junction, DeadEnd, ShapePoint };

    //! \a originGeo (longitude, latitude) is the local (0, 0); \a rotation in degrees,
    //! counter-clockwise.
    NetBuilder(Ostrika::Network &network, const QPointF &originGeo, double rotation);

    //! A site named \a name; \a number is the junction number (the controller id when
    //! signalised). Returns its index.
    int addSite(const QString &name, const QPointF &metres, Kind kind, int number = 0,
                bool signalised = false);
    //! A two-way road with \a lanes lanes each way.
    void addRoad(int a, int b, int lanes, double laneWidth);
    int siteCount() const { return m_sites.size(); }

    //! Creates every object; false with errorString() when the plan does not fit.
    bool build();
    //! A route through the named sites in order (consecutive ones joined by a road).
    bool addRoute(const QString &name, const QStringList &sites,
                  Ostrika::Lane::VehicleClasses allowed);

    QString errorString() const { return m_error; }

private:
    enum Move { Right, Straight, Left, Turnaround };
    struct Arm {
        int other = -1;
        QPointF dir;          // unit, planar, from the site towards the other end
        int lanes = 1;
        double width = 0;     // planar units per lane
        QString compass;
        Ostrika::Edge *in = nullptr;
        Ostrika::Edge *out = nullptr;
    };
    struct Site {
        QString name;
        QPointF pos;          // planar
        Kind kind;
        int number;
        bool signalised;
        double radius = 0;    // planar distance from the node to the lane ends
        QVector<Arm> arms;    // clockwise from north
        Ostrika::Node *node = nullptr;
        Ostrika::Granule *granule = nullptr;
    };
    struct Road { int a, b, lanes; double width; };

    // Millimetre-ish precision is plenty and keeps the numbers in the file short.
    static double snap(double v);
    static QPointF snap(const QPointF &p);
    bool fail(const QString &text);
    bool makeEdges(int road);
    bool makeJunction(Site &site);
    bool makeCrossings(Site &site);
    QVector<QVector<Move>> laneMoves(int lanes, bool right, bool straight, bool left) const;
    Ostrika::GeoPolyline turnShape(const QPointF &from, const QPointF &dirIn, const QPointF &to,
                                   const QPointF &dirOut) const;
    int nextId() { return m_nextId++; }

    Ostrika::Network &m_net;
    double m_upm;             // planar units per metre
    double m_cos, m_sin;
    QVector<Site> m_sites;
    QVector<Road> m_roads;
    QHash<QString, int> m_siteByName;
    QHash<QPair<int, int>, Ostrika::Edge *> m_edges;
    QHash<Ostrika::Lane *, Ostrika::Stopline *> m_stoplines;
    int m_nextId = 1;
    QString m_error;
};
