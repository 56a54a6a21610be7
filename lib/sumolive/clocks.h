// SUMO live source: the clocks the step costs are measured with.
#pragma once

#include <QtGlobal>

#include <chrono>
#include <ctime>

namespace Clocks {
//! Monotonic wall clock, nanoseconds (comparable across threads).
inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}
//! CPU time of the calling thread, milliseconds.
inline double threadCpuMs()
{
    timespec ts = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}
}
