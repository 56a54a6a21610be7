// ostrik-view: recorded vehicle positions and their trajectories along a route.
#include "vehicletracks.h"

#include <cmath>

void VehicleTracks::add(double seconds, const QVector<SumoVehicle> &vehicles)
{
    m_now = seconds;
    for (const SumoVehicle &v : vehicles) {
        Track &t = m_tracks[v.key];
        t.seconds.append(seconds);
        t.positions.append(v.geo);
    }
    // Vehicles that left long ago go; long drives lose their oldest part in batches.
    const double cutoff = m_now - m_keep;
    for (auto it = m_tracks.begin(); it != m_tracks.end();) {
        if (it->seconds.constLast() < cutoff) {
            it = m_tracks.erase(it);
            continue;
        }
        if (it->seconds.size() > 512 && it->seconds.at(256) < cutoff) {
            it->seconds.remove(0, 256);
            it->positions.remove(0, 256);
        }
        ++it;
    }
}

QVector<Trajectory> VehicleTracks::along(const RouteProjector &projector, double from, double to,
                                         const QString &label, const QColor &colour) const
{
    QVector<Trajectory> out;
    if (projector.isNull())
        return out;
    // Whether a vehicle drives along the route is judged on a stretch of its track before the
    // window as well: a vehicle that waits in a queue through the whole window still counts.
    const double judgedFrom = from - LookBackSeconds;
    for (const Track &t : m_tracks) {
        if (t.seconds.constLast() < from || t.seconds.constFirst() > to)
            continue;
        QVector<double> seconds;
        QVector<QPointF> positions;
        for (int i = 0; i < t.seconds.size(); ++i) {
            if (t.seconds[i] >= judgedFrom && t.seconds[i] <= to) {
                seconds << t.seconds[i];
                positions << t.positions[i];
            }
        }
        const QVector<double> along = projector.routeDistances(positions, ToleranceMetres);
        Trajectory traj;
        traj.colour = colour;
        // Runs of matched points count when they move forward along the route far enough.
        int runStart = -1;
        auto closeRun = [&](int end) {
            if (runStart >= 0 && along[end - 1] - along[runStart] >= MinProgressMetres) {
                bool any = false;
                for (int k = runStart; k < end; ++k) {
                    if (seconds[k] < from)
                        continue;
                    traj.points << QPointF(seconds[k], projector.axisDistance(along[k]));
                    any = true;
                }
                if (any)
                    traj.points << QPointF(seconds[end - 1], qQNaN());
            }
            runStart = -1;
        };
        for (int i = 0; i < along.size(); ++i) {
            if (std::isfinite(along[i])) {
                if (runStart < 0)
                    runStart = i;
            } else {
                closeRun(i);
            }
        }
        closeRun(along.size());
        if (traj.points.isEmpty())
            continue;
        traj.label = out.isEmpty() ? label : QString();
        out << traj;
    }
    return out;
}
