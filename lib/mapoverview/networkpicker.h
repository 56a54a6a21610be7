// ostrik-view: what lies under the cursor, from the host's own reading of the networks.
#pragma once

#include <ostrika/ostrika.h>

#include <QHash>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QVector>

//! A junction, connection or crosswalk found on the map. The pointers become null when its network goes.
struct MapHit
{
    enum Kind { None, Junction, Connection, Crosswalk };
    Kind kind = None;
    QPointer<Ostrika::Granule> granule;       //!< the junction (also of a connection or crosswalk), or null
    QPointer<Ostrika::Connection> connection; //!< Connection only
    QPointer<Ostrika::CrossWalk> crosswalk;   //!< Crosswalk only
    QString network;                          //!< file name of its network
    QPointF geo;                              //!< the junction's position (longitude, latitude)

    bool isValid() const;
};

/*!
 * Finds the junction, connection or crosswalk nearest to a geographic point, within a
 * tolerance in screen pixels. Junctions are found at every zoom (they are the overview's
 * dots); connections and crosswalks only where a pixel is at most \a DetailMetresPerPixel
 * metres, where they can be told apart. A junction wins near its centre, a crosswalk over
 * the connections it crosses. The connections and crosswalks are kept in a grid of cells
 * about 40 m wide, so a pick costs the same in a town and a city.
 */
class NetworkPicker
{
public:
    static constexpr double DetailMetresPerPixel = 2.5;

    //! Indexes \a networks (file name, network); they must outlive the next call.
    void setNetworks(const QList<QPair<QString, const Ostrika::Network *>> &networks);
    /*!
     * The object nearest to \a geo (longitude, latitude) at \a metresPerPixel, within
     * \a tolerancePx pixels; kind None when nothing is that near or the scale is not positive.
     */
    MapHit pick(const QPointF &geo, double metresPerPixel, double tolerancePx = 6.0) const;

private:
    struct Entry
    {
        QRectF bounds; //!< planar
        const Ostrika::NetObject *object = nullptr;
        bool crosswalk = false;
    };
    struct Indexed
    {
        QString file;
        const Ostrika::Network *network = nullptr;
        QVector<const Ostrika::Granule *> junctions;
        QVector<Entry> entries;
        QHash<quint64, QVector<int>> cells;
    };

    static quint64 cellKey(int x, int y);
    void pickDetail(const Indexed &net, const QPointF &xy, double tolerance, double perPixel, double *best,
                    MapHit *hit) const;

    QVector<Indexed> m_networks;
};
