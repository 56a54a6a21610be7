// ostrik-view: fixed-time plans derived from a network's geometry when no plan file exists.
#pragma once

#include "signalplan.h"

#include <QVector>

namespace Ostrika {
class Granule;
class Network;
}

/*!
 * Derives a plausible fixed-time plan for every controlled granule of a network.
 *
 * Signal groups are classified by their connections (straight on, right, left; from
 * Connection::lanesAngle) and by the axis their traffic runs on (the heading of the start
 * lanes, modulo 180 degrees). The groups of the axis with the busiest straight group run
 * first, then that axis's separate left turns, then the crossing axis and its left turns.
 * Pedestrian groups (crosswalks) go green with the traffic running parallel to them and
 * end with a flashing-green clearance. Vehicle groups get red-yellow 1 s, green, yellow
 * 3 s, then red; 2 s all-red separate stages.
 *
 * All derived plans share one cycle, and the offsets make green waves at 50 km/h along the
 * network's routes, longest first: a granule's stage for the route's direction starts when
 * a vehicle that left the route's start with the cycle would arrive. A granule on several
 * routes follows the longest; one on none keeps offset 0.
 */
class PlanDeriver
{
public:
    static constexpr double Cycle = 80.0;        //!< seconds
    static constexpr double Yellow = 3.0;
    static constexpr double AllRed = 2.0;
    static constexpr double RedYellow = 1.0;
    static constexpr double PedClearance = 6.0;  //!< flashing green at the end of a pedestrian green
    static constexpr double LeftGreen = 10.0;
    static constexpr double ProgressionSpeed = 50.0 / 3.6; //!< m/s

    struct Stage
    {
        int axis = 0;              //!< 0 or 1
        bool leftTurns = false;
        QVector<int> vehicleGroups;
        QVector<int> pedestrianGroups;
    };

    static SignalPlanSet derive(const Ostrika::Network &network);
    /*!
     * The stage order of one granule (empty when it has no group with a positive id).
     * \a referenceAxis receives the axis (degrees, [0, 180)) of stage axis 0.
     */
    static QVector<Stage> stages(const Ostrika::Granule &granule, double *referenceAxis = nullptr);
    //! A plan for \a stages over Cycle seconds, shifted so that stage \a mainStage starts at \a offset.
    static ControllerPlan plan(int controllerId, const QVector<Stage> &stages, double offset, int mainStage);
    //! Cycle-time start of each stage of a plan made by plan() before the offset is applied.
    static QVector<double> stageStarts(const QVector<Stage> &stages);
};
