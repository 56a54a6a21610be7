// ostrik-view: the time-distance diagram of a route, computed from the plugin's timeline data.
#pragma once

#include "signalplan.h"

#include <QMap>
#include <QString>
#include <QVariantMap>
#include <QVector>

/*!
 * What the diagram shows: for every signal group the plugin placed on the route, its
 * position along the route (metres), its direction (forward or return half) and its
 * plan's states over the time window. Built from getTimelineData's map: "sg_data"
 * {controller: {group: {"dist", "rdist", "fwd"}}}, "route_skel" and "med".
 */
struct TimelineDiagram
{
    struct Bar
    {
        int controller = 0;
        int group = 0;
        double distance = 0.0;  //!< metres along the route skeleton
        bool forward = true;
        bool hasPlan = false;
        QVector<ControllerPlan::Interval> intervals; //!< empty without a plan
    };

    QString route;
    double length = 0.0;        //!< metres: the skeleton's length, or the farthest bar
    double from = 0.0;          //!< simulation seconds, window start
    double to = 0.0;            //!< window end
    double now = -1.0;          //!< current simulation time to mark; negative: none
    double progressionSpeed = 50.0 / 3.6; //!< m/s of the drawn green-wave bands
    QVector<Bar> bars;          //!< sorted by distance, forward before return
    int controllers = 0;        //!< controllers the route passes (entries of "sg_data")

    /*!
     * Builds the diagram. \a unitsPerMetre converts the network's planar units to metres.
     * Groups whose entry lacks a finite "dist" are left out; groups without a plan keep a
     * bar with hasPlan false. An empty or non-route map gives a diagram without bars.
     */
    static TimelineDiagram build(const QVariantMap &data, const QMap<int, ControllerPlan> &plans,
                                 double unitsPerMetre, double from, double to, const QString &route);

    //! The window a demo shows: two of the longest cycle among the route's controllers (at least 60 s).
    static double defaultSpan(const QVariantMap &data, const QMap<int, ControllerPlan> &plans);
};
