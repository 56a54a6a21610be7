// Ostrika network model: lanes and vehicle classes.
#pragma once

#include "netobject.h"

namespace Ostrika {

class Edge;
class Node;
class Stopline;

/*!
 * One lane of an edge, a QObject child of its edge. width() is in planar units (> 0).
 * polyline() is the lane's centre line in travel order.
 */
class OSTRIKA_EXPORT Lane : public NetObject
{
    Q_OBJECT
public:
    /*!
     * Vehicle classes, one bit each. A route open to general traffic allows
     * GeneralTraffic (0x9a2923); the classes that drive on the ordinary car signal heads
     * are CarSignalTraffic (0x2100: passenger cars and motorcycles). The file format
     * stores the names in lower case ("passenger", "bus", ...).
     */
    enum VehicleClass {
        Private = 0x000001,
        Emergency = 0x000002,
        Authority = 0x000004,
        Army = 0x000008,
        Vip = 0x000010,
        Taxi = 0x000020,
        Hov = 0x000040,
        Pedestrian = 0x000080,
        Passenger = 0x000100,
        Bus = 0x000200,
        Coach = 0x000400,
        Delivery = 0x000800,
        Bicycle = 0x001000,
        Motorcycle = 0x002000,
        Tram = 0x004000,
        RailUrban = 0x008000,
        Rail = 0x010000,
        Truck = 0x020000,
        Ship = 0x040000,
        Trailer = 0x080000,
        Moped = 0x100000,
        Custom1 = 0x200000,
        Custom2 = 0x400000,
        EVehicle = 0x800000,

        GeneralTraffic = Private | Emergency | Taxi | Passenger | Delivery | Motorcycle | Truck
            | Trailer | Moped | EVehicle,
        CarSignalTraffic = Passenger | Motorcycle,
        AllClasses = 0xffffff
    };
    Q_DECLARE_FLAGS(VehicleClasses, VehicleClass)
    Q_FLAG(VehicleClasses)

    //! Lower-case name of one class bit ("passenger"), empty for anything else.
    static QString className(VehicleClass vc);
    //! The bit for a lower-case class name, 0 when unknown.
    static VehicleClass classFromName(const QString &name);

    Edge *edge() const { return m_edge; }
    //! The node at which the lane ends: its edge's end node.
    Node *endNode() const;
    VehicleClasses allowed() const { return m_allowed; }
    double width() const { return m_width; }
    //! 0 for the rightmost lane of the edge.
    int index() const { return m_index; }
    const GeoPolyline &polyline() const override { return m_polyline; }
    //! The stop line at the lane's end, or null.
    Stopline *stopline() const { return m_stopline; }

private:
    friend class Network;
    Lane(int id, const QString &name, Edge *edge, int index, double width,
         VehicleClasses allowed, const GeoPolyline &shape);

    Edge *m_edge;
    int m_index;
    double m_width;
    VehicleClasses m_allowed;
    GeoPolyline m_polyline;
    Stopline *m_stopline = nullptr;
};

} // namespace Ostrika

Q_DECLARE_OPERATORS_FOR_FLAGS(Ostrika::Lane::VehicleClasses)
