// ostrik-view: the through-band of a direction of travel at a progression speed.
#pragma once

#include "signalplan.h"

#include <QVector>

/*!
 * The classic through-band: the departure times at the first stop line of a direction from
 * which a vehicle at a constant speed meets every later stop line in green.
 *
 * With stop i at travel distance d_i (metres from the first stop, in the order of travel)
 * and t_i = d_i / speed, a departure s is good when every s + t_i falls in a green of
 * group i (green and flashing green count; yellow, red-yellow, red and off do not). The
 * good departures are the intersection of the stops' greens shifted back by t_i.
 *
 * When all plans share one cycle the pattern repeats with it: width is the longest band
 * of one cycle (the cycle itself when a vehicle may leave at any time). When the cycles
 * differ there is no repeating band; width is then the longest one that starts within
 * the window [from, to] (a band cut by the window's end counts with its part inside).
 */
struct GreenBand
{
    struct Stop
    {
        double travel = 0.0;                  //!< metres from the first stop along the travel
        const ControllerPlan *plan = nullptr; //!< null: not counted (withoutPlan)
        int group = 0;
    };
    struct Departures
    {
        double start = 0.0;  //!< simulation seconds at the first stop
        double end = 0.0;
    };

    double width = 0.0;        //!< seconds; 0 when no departure passes every green
    double cycle = 0.0;        //!< the common cycle, 0 when the plans' cycles differ
    bool allGreen = false;     //!< every stop is green all the time
    QVector<Departures> bands; //!< good departures overlapping [from - cycle, to], in time order
    int stops = 0;             //!< stops counted
    int withoutPlan = 0;       //!< stops left out for want of a plan or group

    /*!
     * Computes the band. \a speed in m/s (not finite or <= 0: no band, width 0); \a from,
     * \a to the diagram's window in simulation seconds. Stops need not be sorted; negative
     * or non-finite travel distances are left out as withoutPlan. Costs O(stops x phases
     * in the window).
     */
    static GreenBand compute(const QVector<Stop> &stops, double speed, double from, double to);
    //! True for the states a vehicle may pass on.
    static bool passable(int state);
};
