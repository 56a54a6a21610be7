// Ostrika network model: the network, its file format and its builder API.
#pragma once

#include "geoutil.h"
#include "lane.h"
#include "ostrika_export.h"

#include <QHash>
#include <QLineF>
#include <QObject>

namespace Ostrika {

class Connection;
class CrossWalk;
class Edge;
class Granule;
class NetObject;
class Node;
class Route;
class SignalGroup;
class Stopline;

/*!
 * A road network: the owner (QObject parent) of all its objects, an id index and the
 * geographic reference of its planar coordinates.
 *
 * Objects are created through the add...() functions, which the file loader uses too.
 * Ids are unique within a network across all kinds; an add...() call with an id already
 * in use, a null or foreign referenced object, a non-finite coordinate or one beyond 1e8, a
 * width of 0 or less, or any other input the file format could not hold returns null,
 * creates nothing and sets errorString().
 */
class OSTRIKA_EXPORT Network : public QObject
{
    Q_OBJECT
public:
    //! Format version this library writes; load() reads this version only.
    static constexpr int FormatVersion = 1;

    explicit Network(QObject *parent = nullptr);
    ~Network() override;

    /*!
     * Reads an ".ostka" file (docs/ostka-format.md). The file passes FileCheck first: a
     * FIFO, a device or a file over 256 MiB is refused before it is read. All or nothing: on
     * any error (missing, refused or unreadable file, not enough memory, not JSON, truncated, unknown version, missing field, dangling or
     * duplicate id, non-finite number, width <= 0, ...) it returns false, sets an
     * errorString() that names what is wrong and where (object id or file offset), and
     * leaves the network as it was before the call (empty when \a append is false).
     * With \a append false the network is cleared first; with true the file's objects are
     * added to the existing ones (ids must not collide, and the file's references name
     * objects of the same file only). Appending to a network that has objects keeps its
     * origin and moves the file's planar coordinates onto it; otherwise the network takes
     * the file's origin.
     * Calls loaded() after a successful read.
     */
    bool load(const QString &fileName, bool append = false);
    //! Parses the format from memory; the same contract as load().
    bool loadFromData(const QByteArray &data, bool append = false);
    /*!
     * Writes the network in the current format; false with errorString() on failure (the
     * file cannot be written, a connection lacks its start or end lane, the origin is out of
     * range). What save() writes, load() reads back unchanged; an "exclude_from_route"
     * naming no route of the network is not written.
     */
    bool save(const QString &fileName) const;
    //! The document save() writes; empty, with errorString(), on the failures above.
    QByteArray toData() const;

    QString errorString() const { return m_errorString; }

    //! Planar <-> geographic conversion of this network (its origin is the file's origin).
    GeoUtil *geoUtil() { return &m_geoUtil; }
    const GeoUtil *geoUtil() const { return &m_geoUtil; }

    //! The object with \a id, or null.
    NetObject *findObject(int id) const { return m_index.value(id, nullptr); }
    int objectCount() const { return m_index.count(); }

    //! Calls aboutToClear(), then deletes every network object (other QObject children of the
    //! network stay); the geographic origin is kept.
    virtual void clear();

    // Builder API. Each returns the new object, or null (see the class comment).
    Node *addNode(int id, const QString &name, const QPointF &position, int type = 1);
    //! An empty \a shape means: the straight line from the start node to the end node.
    Edge *addEdge(int id, const QString &name, Node *start, Node *end, const GeoPolyline &shape);
    //! Lanes are numbered in the order they are added to their edge (0 = rightmost). An
    //! empty \a shape stays empty (the file format derives one; see the format document).
    Lane *addLane(int id, const QString &name, Edge *edge, double width,
                  Lane::VehicleClasses allowed, const GeoPolyline &shape);
    Stopline *addStopline(int id, const QString &name, Lane *lane, const QLineF &line);
    //! \a position NaN: the centre of the granule's nodes, computed when nodes are added.
    Granule *addGranule(int id, const QString &name, int tlId, const QPointF &position);
    SignalGroup *addSignalGroup(int id, const QString &name, Granule *granule, int tlId);
    //! \a lanesAngle NaN: derived from the two lanes' geometry; otherwise wrapped into
    //! [0, 360). An empty \a shape means: the straight line from the end of the start lane to
    //! the start of the end lane. The start lane must end at the node where the end lane's
    //! edge starts, and \a from (if any) must be the start lane's stop line.
    Connection *addConnection(int id, const QString &name, Lane *startLane, Lane *endLane,
                              Stopline *from, const GeoPolyline &shape, Granule *granule,
                              double lanesAngle);
    CrossWalk *addCrossWalk(int id, const QString &name, Granule *granule, int signalGroupTlId,
                            const GeoPolyline &shape, double width);
    //! An empty \a shape means: joined from the edges' centre lines. \a edges must be
    //! non-empty and consecutive.
    Route *addRoute(int id, const QString &name, const QList<Edge *> &edges,
                    Lane::VehicleClasses allowed, const GeoPolyline &shape = GeoPolyline());

Q_SIGNALS:
    //! After a successful load() or loadFromData().
    void networkLoaded();

protected:
    //! Called after objects were read from a file; a graphics network draws them here.
    virtual void loaded() {}
    //! Called before the objects are deleted by clear().
    virtual void aboutToClear() {}
    void setErrorString(const QString &text) const { m_errorString = text; }

private:
    //! Reads a document into the network (all or nothing); the reader is gone on return.
    bool readDocument(const QByteArray &data);
    //! loaded(), then networkLoaded().
    void finishLoad();
    bool registerObject(NetObject *obj);
    bool checkNewId(const char *function, int id) const;
    bool owns(const NetObject *obj) const;
    friend class NetworkReader;
    friend class NetObject;

    // Unchecked creation and linking, shared by the builder API and the reader; \a owner is
    // the QObject parent (the network, or the reader's staging object).
    static Node *createNode(int id, const QString &name, const QPointF &position, int type,
                            QObject *owner);
    static Edge *createEdge(int id, const QString &name, Node *start, Node *end,
                            const GeoPolyline &shape, QObject *owner);
    static Lane *createLane(int id, const QString &name, Edge *edge, double width,
                            Lane::VehicleClasses allowed, const GeoPolyline &shape);
    static Stopline *createStopline(int id, const QString &name, Lane *lane, const QLineF &line,
                                    QObject *owner);
    static Granule *createGranule(int id, const QString &name, int tlId, const QPointF &position,
                                  QObject *owner);
    static SignalGroup *createSignalGroup(int id, const QString &name, Granule *granule, int tlId);
    static Connection *createConnection(int id, const QString &name, Lane *startLane,
                                        Lane *endLane, Stopline *from, const GeoPolyline &shape,
                                        Granule *granule, double lanesAngle, QObject *owner);
    static CrossWalk *createCrossWalk(int id, const QString &name, Granule *granule,
                                      int signalGroupTlId, const GeoPolyline &shape, double width,
                                      QObject *owner);
    static Route *createRoute(int id, const QString &name, const QList<Edge *> &edges,
                              Lane::VehicleClasses allowed, const GeoPolyline &shape,
                              QObject *owner);

    GeoUtil m_geoUtil;
    QHash<int, NetObject *> m_index;
    mutable QString m_errorString;
};

} // namespace Ostrika
