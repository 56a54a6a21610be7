// SUMO live source: what the TraCI worker and the host's side hand each other.
#pragma once

#include <QByteArray>
#include <QMetaType>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

//! One controller of the host's network that SUMO is to drive.
struct LightBinding
{
    QString sumoId;        //!< SUMO's traffic-light id (the plan file's "sumoId"); empty: unknown
    int controllerId = 0;  //!< the network's controller id (> 0)
    int groups = 0;        //!< how many signal groups the controller has
    int maxGroup = 0;      //!< its highest signal-group number (groups are 1..groups when equal)
};

//! A traffic light as SUMO reports it when the host connects.
struct SumoLight
{
    QString id;
    int links = 0; //!< length of its state string
    int type = -1; //!< SUMO's program type (1 rail signal, 2 rail crossing, 3 actuated, ...); -1 unknown
};

//! A light SUMO drives and the network shows: its index in SumoHello::lights is its slot.
struct LightSlot
{
    QString sumoId;
    int controllerId = 0;
    int links = 0; //!< link i is signal group i + 1
};

//! A junction of the network by its SUMO id, with where the network puts it.
struct ReferencePoint
{
    QString junctionId;
    QPointF geo; //!< longitude, latitude
};

/*!
 * A quadratic map from SUMO's planar coordinates (metres) to longitude/latitude, fitted to
 * junctions both sides know. Invalid (valid() false) until fitted.
 */
struct SumoGeoFit
{
    double lon[6] = {};  //!< coefficients for 1, u, v, u², uv, v² of the centred, scaled (u, v)
    double lat[6] = {};
    QPointF centre;      //!< SUMO point that (u, v) are centred on
    double scale = 1.0;  //!< metres per unit of (u, v)
    double residual = -1.0; //!< largest misfit of the reference points, metres; -1 unfitted

    bool valid() const { return residual >= 0.0; }
    //! Longitude, latitude of a SUMO point.
    QPointF toGeo(double x, double y) const;
    //! Degrees of (longitude, latitude) per metre moved in SUMO's direction \a angle
    //! (degrees clockwise from SUMO's north) at (x, y).
    QPointF direction(double x, double y, double angle) const;
    /*!
     * Fits the map to pairs of SUMO points and geographic points. Needs three points that
     * are not on one line (an affine map); six and more give the quadratic one. False when
     * the points do not determine a map.
     */
    static bool fit(const QVector<QPointF> &sumo, const QVector<QPointF> &geo, SumoGeoFit *out);
};

//! What the host wants followed: its controllers, where its junctions are, and the vehicles.
struct SumoSetup
{
    QVector<LightBinding> bindings;
    QVector<ReferencePoint> references; //!< for the vehicle positions (a few dozen suffice)
    bool vehicles = true;
};

//! What the worker learned when it connected.
struct SumoHello
{
    QString version;          //!< SUMO's version text
    double stepLength = 1.0;  //!< seconds per step
    double time = 0.0;        //!< SUMO's time on connecting
    double endTime = -1.0;    //!< the configured end (-1 none)
    QString netFile;          //!< SUMO's "net-file" option as SUMO has it
    QVector<LightSlot> lights; //!< the lights SUMO drives here, by slot
    QStringList messages;     //!< lights that could not be matched, one line each
    SumoGeoFit geo;           //!< invalid when the network's junctions were not found
};

//! A vehicle after a step, in map coordinates.
struct SumoVehicle
{
    int key = 0;           //!< the worker's number for the SUMO vehicle id, stable while it drives
    QPointF geo;           //!< longitude, latitude
    QPointF direction;     //!< degrees of (lon, lat) per metre forward
    float speed = 0.0f;    //!< m/s
    float length = 5.0f;   //!< metres
};

//! One SUMO step as the worker hands it to the host.
struct SumoStep
{
    double time = 0.0;  //!< SUMO time after the step, seconds
    //! Lights whose state string changed (all of them in the first step): slot, letters.
    QVector<QPair<int, QByteArray>> changes;
    QVector<SumoVehicle> vehicles;  //!< every vehicle (empty unless vehicles are followed)
    double traciMs = 0.0;  //!< wall time of the round trip (step and subscription results)
    double mapMs = 0.0;    //!< wall time of comparing states and placing vehicles
    double cpuMs = 0.0;    //!< CPU time of the worker thread for all of it
    qint64 readyNs = 0;    //!< monotonic clock when the step was handed over
};

Q_DECLARE_METATYPE(SumoSetup)
Q_DECLARE_METATYPE(SumoHello)
Q_DECLARE_METATYPE(SumoStep)
