// ostrik-view: recorded signal states of a live source.
#include "signalhistory.h"

#include <algorithm>

void SignalHistory::append(QVector<Change> &changes, double seconds, int state)
{
    if (!changes.isEmpty()) {
        if (changes.constLast().state == state || seconds < changes.constLast().at)
            return;
        // Old changes go in batches, so trimming costs little per record.
        if (changes.size() > 256 && changes.at(128).at < m_until - m_keep)
            changes.erase(changes.begin(), changes.begin() + 128);
    }
    changes.append({seconds, state});
}

void SignalHistory::record(int controller, int group, double seconds, int state)
{
    append(m_changes[key(controller, group)], seconds, state);
}

void SignalHistory::setKnownUntil(double seconds)
{
    m_until = std::max(m_until, seconds);
}

void SignalHistory::interrupt(double seconds)
{
    for (QVector<Change> &changes : m_changes)
        append(changes, seconds, -1);
    setKnownUntil(seconds);
}

void SignalHistory::clear()
{
    m_changes.clear();
    m_until = 0.0;
}

QVector<ControllerPlan::Interval> SignalHistory::intervals(int controller, int group, double from, double to) const
{
    QVector<ControllerPlan::Interval> out;
    const auto it = m_changes.constFind(key(controller, group));
    if (it == m_changes.constEnd())
        return out;
    const QVector<Change> &changes = *it;
    for (int i = 0; i < changes.size(); ++i) {
        const double start = std::max(from, changes[i].at);
        const double end = std::min({to, m_until, i + 1 < changes.size() ? changes[i + 1].at : m_until});
        if (changes[i].state >= 0 && end > start)
            out.append({start, end, changes[i].state});
    }
    return out;
}
