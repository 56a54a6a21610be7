// gpx-from-route: a car driving along a route, stopping at some signals.
#pragma once

#include <QVector>

struct DriveProfile
{
    double cruise = 12.5;      //!< m/s (45 km/h)
    double slow = 8.0;         //!< m/s through junctions passed on green
    double accel = 1.4;        //!< m/s^2
    double decel = 1.8;        //!< m/s^2
    double sampleEvery = 1.0;  //!< s between recorded points
};

//! A signalised junction along the route: where (m), and how long the car waits there (0: passes).
struct DriveStop
{
    double at = 0.0;
    double wait = 0.0;
};

//! One recorded point: seconds since the start and metres along the route.
struct DriveSample
{
    double t = 0.0;
    double s = 0.0;
};

/*!
 * Simulates the drive over \a length metres from standstill to standstill: accelerates to
 * the cruise speed, slows down through junctions passed on green, brakes to a halt and
 * waits at the others. Returns one sample every sampleEvery seconds, the first at (0, 0)
 * and the last at the end of the route; s never decreases. Empty for a length <= 0.
 */
QVector<DriveSample> simulateDrive(double length, QVector<DriveStop> stops, const DriveProfile &profile = {});
