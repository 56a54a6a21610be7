// Fixed-time signal plans of simulated controllers and their file format.
#pragma once

#include "signalstate.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>

namespace SignalState {
//! Short English name of a code ("green", "red-yellow", ...); "code N" for anything else.
QString name(int code);
}

//! One step of a signal group's sequence: a state held for a number of seconds (> 0).
struct PlanPhase
{
    int state = SignalState::Red;
    double duration = 0.0;
};

/*!
 * The fixed-time plan of one controller. Every group's phases run back to back from cycle
 * time 0 and add up to exactly cycle seconds; the whole pattern is shifted by offset
 * seconds against the common simulation clock (cycle time = (t - offset) mod cycle).
 */
struct ControllerPlan
{
    int controllerId = 0;
    double cycle = 0.0;   //!< seconds, > 0
    double offset = 0.0;  //!< seconds, any value (taken modulo the cycle)
    QMap<int, QVector<PlanPhase>> groups; //!< signal-group id -> phases
    //! Text fields written before "cycle" that say where the plan came from (for example an
    //! importer's "sumoId" and "program"); the reader keeps every text-valued field here.
    QMap<QString, QString> notes;

    //! State of \a group at simulation time \a seconds; Off for an unknown group.
    int stateAt(int group, double seconds) const;
    //! Seconds into the cycle at simulation time \a seconds, in [0, cycle).
    double cycleTime(double seconds) const;
    /*!
     * The phase intervals of \a group that overlap [from, to), as (start, end, state)
     * in simulation seconds, clipped to the window, in time order.
     */
    struct Interval { double start; double end; int state; };
    QVector<Interval> intervals(int group, double from, double to) const;

    //! Empty when consistent, otherwise what is wrong (cycle, durations, sums, codes).
    QString validate() const;
};

/*!
 * The plans of all controllers of a network, keyed by controller id, with the reader and
 * writer of the plan file (docs/demo.md describes the JSON format).
 */
class SignalPlanSet
{
public:
    QMap<int, ControllerPlan> plans;

    /*!
     * Reads a plan file. On any error (refused by FileCheck: a FIFO, a device, over 32 MiB;
     * unreadable, not JSON, wrong format name or version,
     * a controller or group key that is not a positive integer, a bad number, a sequence
     * that does not add up to the cycle, an unknown state code) returns false, sets
     * \a error to a message naming the controller and group, and leaves plans untouched.
     */
    bool load(const QString &fileName, QString *error);
    bool fromJson(const QByteArray &data, QString *error);
    QByteArray toJson() const;
    bool save(const QString &fileName, QString *error) const;

    //! The plan file that belongs to a network file: "town.ostka" -> "town.plans.json".
    static QString planFileFor(const QString &networkFile);
};
