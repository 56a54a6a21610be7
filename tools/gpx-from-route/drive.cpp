// gpx-from-route: the speed profile of the recorded drive.
#include "drive.h"

#include <algorithm>
#include <cmath>

QVector<DriveSample> simulateDrive(double length, QVector<DriveStop> stops, const DriveProfile &p)
{
    QVector<DriveSample> out;
    if (!(length > 0.0) || !(p.cruise > 0.0) || !(p.accel > 0.0) || !(p.decel > 0.0) || !(p.sampleEvery > 0.0))
        return out;
    std::sort(stops.begin(), stops.end(), [](const DriveStop &a, const DriveStop &b) { return a.at < b.at; });
    constexpr double dt = 0.05;
    double t = 0.0, s = 0.0, v = 0.0, nextSample = 0.0;
    int next = 0;
    auto record = [&] {
        while (t + 1e-9 >= nextSample) {
            out.append({nextSample, s});
            nextSample += p.sampleEvery;
        }
    };
    record();
    while (s < length) {
        while (next < stops.size() && stops.at(next).at < s - 1e-6)
            ++next;
        double target = p.cruise;
        // Braking distance to the end of the route and to the next red.
        target = std::min(target, std::sqrt(2.0 * p.decel * std::max(0.0, length - s)));
        if (next < stops.size()) {
            const DriveStop &j = stops.at(next);
            if (j.wait > 0.0) {
                const double gap = j.at - s;
                if (gap < 0.3 && v < 0.5) {
                    // Standing at the stop line until the signal turns green.
                    s = std::max(s, j.at);
                    v = 0.0;
                    const double until = t + j.wait;
                    while (t < until) {
                        t += dt;
                        record();
                    }
                    ++next;
                    continue;
                }
                target = std::min(target, std::sqrt(2.0 * p.decel * std::max(0.0, gap)));
            } else if (j.at - s < 25.0) {
                target = std::min(target, p.slow);
            }
        }
        v = std::min(target, v + p.accel * dt);
        // Creep the last centimetres so that a stop or the end is actually reached.
        const double step = std::max(v * dt, 0.02 * dt);
        s = std::min(length, s + step);
        t += dt;
        record();
    }
    if (out.isEmpty() || out.constLast().s < length)
        out.append({t, length});
    return out;
}
