// ostrik-view: the host's own reading of a recorded drive: track points with their times.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QPointF>
#include <QString>
#include <QVector>

/*!
 * The timed points of a GPX file's first track (all its segments, in order): positions
 * (x = longitude, y = latitude, degrees) and seconds since the first timed point.
 *
 * Elements are matched by local name, whatever their prefix. Points without a usable
 * position or time (ISO 8601, e.g. 2026-05-12T07:42:10Z) and points whose time runs back
 * before the previous point are left out, since a trajectory needs both in order.
 * Files pass FileCheck as GPX files first (regular, at most 64 MiB); at most MaxPoints
 * points are read. A failed read returns false with errorString() and keeps no points.
 */
class TimedTrack
{
public:
    static constexpr int MaxPoints = 2000000;

    bool readFile(const QString &fileName);
    bool readData(const QByteArray &data);

    QString name() const { return m_name; }           //!< the track's <name>, may be empty
    QDateTime start() const { return m_start; }       //!< time of the first point (UTC)
    const QVector<QPointF> &positions() const { return m_positions; }
    const QVector<double> &seconds() const { return m_seconds; }
    int skipped() const { return m_skipped; }         //!< points left out
    QString errorString() const { return m_error; }

private:
    void clear();

    QString m_name;
    QDateTime m_start;
    QVector<QPointF> m_positions;
    QVector<double> m_seconds;
    int m_skipped = 0;
    QString m_error;
};
