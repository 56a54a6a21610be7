// Small networks for tests, fuzz targets and benchmarks: described as data, built through the
// network model's builder API and written as ".ostka" files.
#pragma once

#include <ostrika/ostrika.h>

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>

//! One arm of a junction: an approach, a connection across the centre and an exit.
struct ConnSpec
{
    QList<int> groups;        //!< signal-group ids governing the connection
    double lanesAngle = 0.0;  //!< degrees, clockwise turn
    bool stopline = true;
};

/*!
 * A signal-controlled junction. Arm k points at 90 k degrees (from the fifth on, 45 degrees
 * more), 60 m long each way. Object names: "J<tl>_N" (junction node), "J<tl>_G" (granule),
 * "J<tl>_C<k>" (connections), "J<tl>_SG<group>" (signal groups), "J<tl>_X<k>" (crosswalks).
 */
struct JunctionSpec
{
    int tlId = 1;
    QPointF centre;           //!< planar metres
    QList<ConnSpec> connections;
    QList<int> crosswalkGroups;
    bool withNodes = true;    //!< false: the granule lists no node, so it has no node item
};

/*!
 * A strip: junction nodes A and B 100 m apart, a dead end C, a hidden helper node H, edges
 * AB and BC with one lane each, a signal-controlled granule at B whose group governs the
 * connection from AB to BC, and the route R1 over both edges. Every name starts with the
 * prefix; every id is idBase plus a fixed number.
 */
struct StripSpec
{
    QString prefix;          //!< object names start with it
    QPointF originGeo{13.40, 52.52};
    int tlId = 7;
    int idBase = 0;          //!< added to every object id
    QString firstNodeName;   //!< empty: prefix + "A"
    QString signalGroupName; //!< empty: prefix + "SG1"
};

/*!
 * Builds one network with running ids. Every call that fails records the first failure in
 * error and returns false or null; later calls go on, so a test can check once at the end.
 */
class TestNetwork
{
public:
    explicit TestNetwork(const QPointF &originGeo = QPointF(13.40, 52.52), int firstId = 1);

    Ostrika::Network net;
    int nextId;
    QString error; //!< the first failure; empty while every call succeeded

    bool ok() const { return error.isEmpty(); }

    // Whole pieces from a description.
    bool addJunction(const JunctionSpec &s);
    bool addStrip(const StripSpec &s);
    /*!
     * A two-way road on the axis y = 0 (forward half at y = -5, return half at y = +5)
     * driven out to x = 300 and back; junctions with controllers 21 at x = 100 and 22 at
     * x = 200, a plain U-turn node at x = 300. Groups: 21/1 forward (stop line x = 95),
     * 21/2 return (x = 105), 22/3 forward (x = 195), 22/4 return (x = 205), 22/5 on both
     * passes (x = 195 and 205), 21/6 only at the U-turn (never met in a granule).
     */
    Ostrika::Route *addOutAndBack();
    //! The approach and exit edge of the first junction arm added, empty before one.
    QList<Ostrika::Edge *> firstArm() const { return m_firstArm; }

    // Single objects.
    Ostrika::Node *node(const QPointF &p, const QString &name = QString(), int type = Ostrika::Node::Junction);
    //! An edge with one lane along the same shape.
    Ostrika::Edge *edge(Ostrika::Node *a, Ostrika::Node *b, const Ostrika::GeoPolyline &shape,
                        Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::Passenger);
    //! A straight edge between two nodes offset sideways by \a dy (two-way road halves).
    Ostrika::Edge *straight(Ostrika::Node *a, Ostrika::Node *b, double dy = 0.0,
                            Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::Passenger);
    //! The first lane of \a e, or null.
    static Ostrika::Lane *lane(Ostrika::Edge *e);
    //! A granule for controller \a tlId at the node's position, listing the node.
    Ostrika::Granule *granule(Ostrika::Node *n, int tlId);
    Ostrika::Granule *granule(Ostrika::Node *n, int tlId, const QPointF &position);
    Ostrika::SignalGroup *group(Ostrika::Granule *g, int tlId);
    //! A connection from \a from's lane to \a to's lane that begins at \a start.
    Ostrika::Connection *connect(Ostrika::SignalGroup *sg, Ostrika::Edge *from, Ostrika::Edge *to,
                                 const QPointF &start);
    Ostrika::Route *route(const QList<Ostrika::Edge *> &edges, const Ostrika::GeoPolyline &shape,
                          Ostrika::Lane::VehicleClasses allowed = Ostrika::Lane::GeneralTraffic,
                          const QString &name = QString());

    // The writer.
    bool save(const QString &file);
    QByteArray data() const { return net.toData(); }

private:
    template<typename T>
    T *check(T *obj);
    bool fail(const QString &why);

    QList<Ostrika::Edge *> m_firstArm;
};

/*!
 * A network of the junctions, with the route "R1" through the first junction's first arm,
 * written to \a file. Ids start at idBase + 1. On failure \a error (when given) says why.
 */
bool writeJunctions(const QString &file, const QPointF &originGeo, const QList<JunctionSpec> &junctions,
                    int idBase, QString *error = nullptr);
//! The strip of \a strip written to \a file.
bool writeStrip(const StripSpec &strip, const QString &file, QString *error = nullptr);

//! Two junctions 200 m apart; connections share groups so that "another group active" matters.
QList<JunctionSpec> twoJunctions(int firstTl, int secondTl);

/*!
 * One object of every drawable kind near Brno, with fixed ids: junctions J1 (1) and J2 (2),
 * split S3 (3), hidden H4 (4), edges 10-12, lanes 20-22, stop line 30, granule 40
 * (controller 5) with groups 41 and 42, connection 50, crosswalk 60, routes 70 and 71.
 */
QByteArray everyDrawableKind();
