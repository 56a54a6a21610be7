// ostrik-view: what the demo host knows about a route to read its timeline data.
#pragma once

#include <QHash>
#include <QPointF>
#include <QString>
#include <QVector>

namespace Ostrika {
class GeoPolyline;
class Route;
}

/*!
 * The host's own reading of a route, from its copy of the network: the route's shape, where
 * an out-and-back route turns, the junction (granule) of every signal group the route
 * passes, and those groups' places along the route polyline.
 *
 * The plugin's timeline data measures groups along its route skeleton and splits them at
 * the median of the junction distances; this reading decides instead from the geometry:
 * - OutAndBack: the second part of the route runs back along the first (mirrored about a
 *   turning point, within 30 m for at least 70 % of the shorter leg);
 * - Loop: not out-and-back, and the ends lie within 50 planar units of each other (the
 *   plugin's closing distance, where its skeleton collapses to the middle line);
 * - OneWay: everything else.
 *
 * All lengths are metres. A default-constructed reading knows nothing (known() false).
 */
class RouteReading
{
public:
    enum Shape { OneWay, OutAndBack, Loop };

    //! A signal group that carries the route through a junction, found by the host itself.
    struct Pass
    {
        int controller = 0;
        int group = 0;
        int junctionId = 0;     //!< granule id
        QString junction;       //!< granule name ("junction <id>" when it has none)
        double distance = 0.0;  //!< metres along the route polyline to the connection start
    };

    RouteReading() = default;

    /*!
     * Reads \a route; \a unitsPerMetre converts planar units to metres (not finite or <= 0:
     * 1). A null route gives an unknown reading.
     */
    static RouteReading of(const Ostrika::Route *route, double unitsPerMetre);
    //! The shape of a bare polyline (planar units) as described above; exposed for tests.
    static Shape shapeOf(const Ostrika::GeoPolyline &polyline, double unitsPerMetre, double *turnUnits = nullptr);

    bool known() const { return m_known; }
    Shape shape() const { return m_shape; }
    double unitsPerMetre() const { return m_unitsPerMetre; }
    double length() const { return m_length; }   //!< metres along the route polyline
    double turn() const { return m_turn; }       //!< out-and-back: metres to the turn; else length()
    //! Groups carrying the route, in route order; a group met at two junctions appears twice.
    const QVector<Pass> &passes() const { return m_passes; }
    //! Granule of a controller's group, or an empty string when the route's network has none.
    QString junctionName(int controller, int group) const;
    int junctionId(int controller, int group) const;
    //! Distinct signalised junctions (granules with a controller) the route passes through.
    int signalisedJunctions() const { return m_signalised; }

    static QString shapeName(Shape shape);

private:
    void walkJunctions(const Ostrika::Route &route);

    bool m_known = false;
    Shape m_shape = OneWay;
    double m_unitsPerMetre = 1.0;
    double m_length = 0.0;
    double m_turn = 0.0;
    int m_signalised = 0;
    QVector<Pass> m_passes;
    QHash<quint64, QPair<int, QString>> m_junctions; // (controller << 32 | group) -> granule id, name
};
