// ostrik-view: the time-distance diagram of a route, computed from the plugin's timeline data.
#pragma once

#include "greenband.h"
#include "routereading.h"
#include "signalplan.h"
#include "trajectory.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QVector>

/*!
 * What the diagram shows: for every signal group that carries the route through a junction,
 * its position on the distance axis (metres), its direction of travel, its junction and
 * its plan's states over the time window; per direction the through-band at the
 * progression speed; recorded or simulated vehicles as trajectories.
 *
 * Built from getTimelineData's map ("sg_data" {controller: {group: {"dist", "rdist",
 * "fwd"}}}, "route_skel", "med") read through the host's RouteReading of the route:
 * - one-way route: positions "dist" (the skeleton is the route itself), all forward;
 * - out-and-back route: positions "dist" along the plugin's skeleton (one axis for both
 *   ways), forward while "rdist" lies before the route's turn, return after it;
 * - loop: the plugin's skeleton collapses to a point and carries no positions, so the
 *   groups the host finds itself are placed along the route polyline, all forward.
 * Without a reading (no route geometry) the shape is guessed from the data: a one-point
 * skeleton is a loop, a group beyond the skeleton's end ("rdist" past its length) means the
 * route comes back, and the plugin's "fwd" is used.
 */
struct TimelineDiagram
{
    struct Bar
    {
        int controller = 0;
        int group = 0;
        QString junction;       //!< granule name; empty when unknown
        int junctionId = 0;     //!< granule id; 0 when unknown
        double distance = 0.0;  //!< metres on the distance axis
        bool forward = true;
        bool hasPlan = false;
        QVector<ControllerPlan::Interval> intervals; //!< empty without a plan
    };
    //! The through-band of one direction, drawn from its first to its last stop line.
    struct Band
    {
        bool forward = true;
        double startDistance = 0.0;  //!< metres on the axis: first stop in travel order
        double endDistance = 0.0;    //!< last stop
        GreenBand band;
    };

    QString route;
    RouteReading::Shape shape = RouteReading::OneWay;
    bool placedByHost = false;  //!< positions measured by the host along the route polyline
    double length = 0.0;        //!< metres: the distance axis' extent
    double from = 0.0;          //!< simulation seconds, window start
    double to = 0.0;            //!< window end
    double now = -1.0;          //!< current simulation time to mark; negative: none
    double progressionSpeed = 50.0 / 3.6; //!< m/s of the through-bands
    QVector<Bar> bars;          //!< sorted by distance, forward before return
    QVector<Band> bands;        //!< forward first; a direction without stops has none
    QVector<Trajectory> trajectories;
    int controllers = 0;        //!< controllers the route passes (entries of "sg_data")
    int signalisedJunctions = 0; //!< from the reading; 0 when unknown
    QMap<int, ControllerPlan> plans; //!< plans of the controllers on the route
    //! Controllers whose bars are what a live source showed (no plan, no through-band).
    QSet<int> live;

    /*!
     * Builds the diagram. Groups whose entry lacks a finite distance are left out; groups
     * without a plan keep a bar with hasPlan false. An empty or non-route map gives a
     * diagram without bars.
     */
    static TimelineDiagram build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                 const RouteReading &reading, double from, double to, const QString &route);
    //! The same without the host's reading; \a unitsPerMetre converts planar units to metres.
    static TimelineDiagram build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                 double unitsPerMetre, double from, double to, const QString &route);

    //! The window a demo shows: two of the longest cycle among the route's controllers (at least 60 s).
    static double defaultSpan(const QVariantMap &data, const QMap<int, ControllerPlan> &plans);

    //! Sets the progression speed (m/s; not finite or <= 0 is ignored) and recomputes the bands.
    void setProgressionSpeed(double metresPerSecond);
    //! Recomputes the bands from the bars, plans, speed and window.
    void updateBands();

    int forwardCount() const;
    int returnCount() const { return bars.size() - forwardCount(); }
    //! The band of a direction, or null.
    const Band *band(bool forward) const;
};
