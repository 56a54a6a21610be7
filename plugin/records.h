// OstrikgPlugin: per-controller, per-group and per-pulse records.
#pragma once

#include <algorithm>

#include <QElapsedTimer>
#include <QMultiMap>
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
    //! The next record of the same connection item, round to this one again; null for a
    //! crosswalk's record and before the entry's index is made (LightEntry::index()).
    GroupItem *nextOnItem = nullptr;
};

/*!
 * One traffic-light controller used by a loaded network. Destroying it deletes every
 * marker and every GroupItem once, although connection records are reachable from both maps.
 *
 * groupItems and itemGroups are filled when the entry is bound and not changed afterwards:
 * binding then makes a flat index of them (index(), or the first look at a state does),
 * which a state change reads instead of the maps' trees. Every record of a connection is then linked to the
 * others of the same item (GroupItem::nextOnItem).
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

    //! A run of records, valid until the entry goes.
    struct Records
    {
        GroupItem *const *first = nullptr;
        GroupItem *const *last = nullptr;
        GroupItem *const *begin() const { return first; }
        GroupItem *const *end() const { return last; }
    };

    //! The records of signal group \a group, in groupItems' order; no copy is made.
    Records recordsOf(int group)
    {
        index();
        const auto key = std::lower_bound(m_keys.cbegin(), m_keys.cend(), group);
        const auto end = std::upper_bound(key, m_keys.cend(), group);
        GroupItem *const *base = m_records.constData();
        return {base + (key - m_keys.cbegin()), base + (end - m_keys.cbegin())};
    }

    //! Calls \a f with each signal-group id once, ascending (groupItems.uniqueKeys()).
    template<typename F>
    void forEachGroup(F f)
    {
        index();
        for (int i = 0; i < m_keys.size(); ++i) {
            if (i == 0 || m_keys.at(i) != m_keys.at(i - 1))
                f(m_keys.at(i));
        }
    }

    //! Makes the flat index once; see the class description.
    void index();

private:
    // groupItems in one block each: the keys for the search (a few cache lines however many
    // records), the records at the same places.
    QVector<int> m_keys;
    QVector<GroupItem *> m_records;
    bool m_indexed = false;
};

//! A running pulse of one item.
struct PulseEntry
{
    QElapsedTimer clock;
    int duration = 0; //!< milliseconds, as the host passed it
};
