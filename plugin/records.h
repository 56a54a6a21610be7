// OstrikgPlugin: per-controller, per-group and per-pulse records.
#pragma once

#include <algorithm>

#include <QElapsedTimer>
#include <QMultiMap>
#include <QPair>
#include <QRectF>
#include <QVector>

class LightRelay;
class QGraphicsItem;
class QObject;
class SgRedYellowItem;

//! One (signal group, graphics item) pair of a controller.
struct GroupItem
{
    QGraphicsItem *item = nullptr;      //!< crosswalk or connection item; owned by its network
    SgRedYellowItem *marker = nullptr;  //!< owned; null for crosswalks
    int state = -1;                     //!< last state code shown, -1 when none
};

/*!
 * One traffic-light controller used by a loaded network. Destroying it deletes every
 * marker and every GroupItem once, although connection records are reachable from both maps.
 */
struct LightEntry
{
    LightEntry() = default;
    LightEntry(const LightEntry &) = delete;
    LightEntry &operator=(const LightEntry &) = delete;
    ~LightEntry();

    QObject *light = nullptr;                        //!< the controller; not owned
    QMultiMap<int, GroupItem *> groupItems;          //!< signal-group id -> crosswalk and connection records
    QMultiMap<QGraphicsItem *, GroupItem *> itemGroups; //!< connection item -> its connection records
    QRectF bounds;                                   //!< union of the node items' scene rectangles
    bool processing = false;
    QObject *network = nullptr;                      //!< the graphics network the entry was bound from
    bool subscribed = false;                         //!< counted in "tlo_use_sg_cnt" and connected to the controller
    LightRelay *relay = nullptr;                     //!< receives the controller's signals and replies; owned

    /*!
     * The records of signal group \a group, in groupItems' order, read from a copy of
     * groupItems in one block, ordered by group, made again whenever groupItems has grown or
     * shrunk: a state change of one of thousands of controllers then reads a few cache lines
     * instead of the nodes of a tree.
     */
    QVector<GroupItem *> recordsOf(int group)
    {
        if (m_byGroup.size() != groupItems.size()) {
            m_byGroup.clear();
            m_byGroup.reserve(groupItems.size());
            for (auto it = groupItems.cbegin(); it != groupItems.cend(); ++it)
                m_byGroup.append(qMakePair(it.key(), it.value()));
        }
        QVector<GroupItem *> found;
        auto it = std::lower_bound(m_byGroup.cbegin(), m_byGroup.cend(), group,
                                   [](const QPair<int, GroupItem *> &p, int g) { return p.first < g; });
        for (; it != m_byGroup.cend() && it->first == group; ++it)
            found.append(it->second);
        return found;
    }

private:
    QVector<QPair<int, GroupItem *>> m_byGroup;
};

//! A running pulse of one item.
struct PulseEntry
{
    QElapsedTimer clock;
    int duration = 0; //!< milliseconds, as the host passed it
};
