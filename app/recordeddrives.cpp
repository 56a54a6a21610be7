// ostrik-view: matching recorded drives to a route.
#include "recordeddrives.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

bool RecordedDrives::add(const QString &fileName, QString *error)
{
    TimedTrack t;
    if (!t.readFile(fileName)) {
        *error = t.errorString();
        return false;
    }
    m_tracks.append(t);
    m_files.append(QFileInfo(fileName).fileName());
    return true;
}

QVector<Trajectory> RecordedDrives::along(const RouteProjector &projector, double axisLength, double startAt) const
{
    QVector<Trajectory> out;
    if (projector.isNull())
        return out;
    for (int i = 0; i < m_tracks.size(); ++i) {
        const TimedTrack &track = m_tracks.at(i);
        const QString label = track.name().isEmpty() ? m_files.at(i) : QStringLiteral("%1 (%2)").arg(track.name(), m_files.at(i));
        Trajectory t = projector.trajectory(label, track.seconds(), track.positions(), ToleranceMetres);
        const int matched = t.matchedPoints();
        if (matched < 2 || matched * 2 < track.positions().size())
            continue;
        // Trim to the matched part and start it at startAt.
        int first = 0, last = t.points.size() - 1;
        while (!std::isfinite(t.points.at(first).y()))
            ++first;
        while (!std::isfinite(t.points.at(last).y()))
            --last;
        t.points = t.points.mid(first, last - first + 1);
        double lo = t.points.constFirst().y(), hi = lo;
        const double t0 = t.points.constFirst().x();
        for (QPointF &p : t.points) {
            p.rx() += startAt - t0;
            if (std::isfinite(p.y())) {
                lo = std::min(lo, p.y());
                hi = std::max(hi, p.y());
            }
        }
        if (hi - lo < 0.25 * axisLength)
            continue;
        out.append(t);
    }
    return out;
}
