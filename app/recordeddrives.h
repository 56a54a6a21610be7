// ostrik-view: recorded drives (GPX tracks with times) as trajectories along a route.
#pragma once

#include "timedtrack.h"
#include "trajectory.h"

#include <QStringList>
#include <QVector>

/*!
 * The timed GPX tracks the user opened, read by the host itself, and the trajectories of
 * those that follow a given route.
 *
 * A track follows a route when at least half of its points lie within the tolerance of
 * the route and its matched points span at least a quarter of the route's axis. Its
 * trajectory runs from its first to its last matched point, timed by its own timestamps;
 * since the simulated signals keep no calendar time, the drive is placed to begin at a
 * time the caller chooses (the diagram's window start).
 */
class RecordedDrives
{
public:
    static constexpr double ToleranceMetres = 25.0;

    //! Reads \a fileName; false with \a error when it is not a GPX file with a track.
    bool add(const QString &fileName, QString *error);
    void clear() { m_tracks.clear(); m_files.clear(); }
    int count() const { return m_tracks.size(); }

    //! Trajectories of the drives that follow the route of \a projector, starting at \a startAt.
    QVector<Trajectory> along(const RouteProjector &projector, double axisLength, double startAt) const;

private:
    QVector<TimedTrack> m_tracks;
    QStringList m_files;
};
