// ostrik-view: the signal states a live source showed, kept for the time-distance diagram.
#pragma once

#include "signalplan.h"

#include <QHash>
#include <QVector>

/*!
 * What each signal group of a live source showed and when: the source records a group's
 * state when it changes; the state holds until the next change, up to the time known
 * (the last step). Times are seconds of the source's clock. Only the last keepSeconds
 * before the known time are kept.
 */
class SignalHistory
{
public:
    explicit SignalHistory(double keepSeconds = 3600.0) : m_keep(keepSeconds) {}

    //! \a state from \a seconds on (an unchanged state adds nothing; earlier times are ignored).
    void record(int controller, int group, double seconds, int state);
    //! States are known up to \a seconds (the source stepped there).
    void setKnownUntil(double seconds);
    //! From \a seconds on nothing is known (the source went offline) until the next record.
    void interrupt(double seconds);
    void clear();
    double knownUntil() const { return m_until; }

    //! The recorded intervals of a group that overlap [from, to), clipped, in time order.
    QVector<ControllerPlan::Interval> intervals(int controller, int group, double from, double to) const;

private:
    struct Change
    {
        double at;
        int state; // -1: unknown from here on
    };
    static quint64 key(int controller, int group) { return (quint64(quint32(controller)) << 32) | quint32(group); }
    void append(QVector<Change> &changes, double seconds, int state);

    QHash<quint64, QVector<Change>> m_changes;
    double m_until = 0.0;
    double m_keep;
};
