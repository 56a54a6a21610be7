// ostrik-view: where SUMO's vehicles went, kept for the time-distance diagram.
#pragma once

#include "trajectory.h"

#include <sumotypes.h>

#include <QHash>

/*!
 * The recent positions of every vehicle of a live source, step by step, and the
 * trajectories of those that drive along a route. Only the last keepSeconds are kept.
 *
 * A vehicle counts as driving along the route where it stays within the tolerance of it
 * and moves forward along it by at least MinProgressMetres, judged from LookBackSeconds
 * before the window on (so that a vehicle queued through the whole window still counts):
 * vehicles that only cross it at a junction, or drive it the other way on the opposite
 * carriageway, are left out.
 */
class VehicleTracks
{
public:
    static constexpr double ToleranceMetres = 10.0;
    static constexpr double MinProgressMetres = 30.0;
    static constexpr double LookBackSeconds = 180.0;

    explicit VehicleTracks(double keepSeconds = 900.0) : m_keep(keepSeconds) {}

    void add(double seconds, const QVector<SumoVehicle> &vehicles);
    void clear() { m_tracks.clear(); }
    int vehicleCount() const { return m_tracks.size(); }

    /*!
     * Trajectories over [from, to] of the vehicles that drive along the route of
     * \a projector, all in \a colour; the first carries \a label (the legend's one entry).
     */
    QVector<Trajectory> along(const RouteProjector &projector, double from, double to, const QString &label,
                              const QColor &colour) const;

private:
    struct Track
    {
        QVector<double> seconds;
        QVector<QPointF> positions;
    };

    QHash<int, Track> m_tracks;
    double m_keep;
    double m_now = 0.0;
};
