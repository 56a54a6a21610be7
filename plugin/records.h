// OstrikgPlugin: per-controller, per-group and per-pulse records.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QtGlobal>
#include <QMultiMap>
#include <QRectF>
#include <QVector>

class LightRelay;
class QGraphicsItem;
class QObject;
class SgRedYellowItem;

//! Asks for the cache line of \a p ahead of its use; never faults, also for null.
inline void prefetchLine(const void *p)
{
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    Q_UNUSED(p)
#endif
}

//! One (signal group, graphics item) pair of a controller.
struct GroupItem
{
    QGraphicsItem *item = nullptr;      //!< crosswalk or connection item; owned by its network
    SgRedYellowItem *marker = nullptr;  //!< owned; null for crosswalks
    int state = -1;                     //!< last state code shown, -1 when none
    //! The next record of the same connection item, round to this one again; null for a
    //! crosswalk's record and before the entry is indexed (LightEntry::index()).
    GroupItem *nextOnItem = nullptr;
};

/*!
 * One traffic-light controller used by a loaded network. Destroying it deletes every
 * marker and every GroupItem once, although connection records are reachable from both maps.
 *
 * Binding fills groupItems and itemGroups, each record once in groupItems, and then calls
 * index(), which packs the records into one block in groupItems' order (the maps then point
 * into it) and links the records of each connection item in a ring. A state change then
 * reads a few neighbouring cache lines instead of the maps' trees and scattered records. The
 * maps are not changed afterwards.
 *
 * The first cache line of the entry holds what a signal reads: the controller, whether it is
 * followed, and where the block's keys and records lie.
 */
struct alignas(64) LightEntry
{
    LightEntry() = default;
    LightEntry(const LightEntry &) = delete;
    LightEntry &operator=(const LightEntry &) = delete;
    ~LightEntry();

    // What every signal reads comes first, next to the block.
    QObject *light = nullptr;                        //!< the controller; not owned
    bool subscribed = false;                         //!< counted in "tlo_use_sg_cnt" and connected to the controller
    bool processing = false;

private:
    bool m_indexed = false;
    int m_count = 0;                // records in the block
    GroupItem *m_records = nullptr; // groupItems' records in its order, after the keys
    const int *m_keys = nullptr;    // groupItems' keys in its order, at the start of the block
    std::unique_ptr<char[]> m_block;

public:
    LightRelay *relay = nullptr;                     //!< receives the controller's signals and replies; owned
    QMultiMap<int, GroupItem *> groupItems;          //!< signal-group id -> crosswalk and connection records
    QMultiMap<QGraphicsItem *, GroupItem *> itemGroups; //!< connection item -> its connection records
    QObject *network = nullptr;                      //!< the graphics network the entry was bound from
    QRectF bounds;                                   //!< union of the node items' scene rectangles

    //! A run of neighbouring records, valid until the entry goes.
    struct Records
    {
        GroupItem *first = nullptr;
        GroupItem *last = nullptr;
        GroupItem *begin() const { return first; }
        GroupItem *end() const { return last; }
    };

    //! The records of signal group \a group, in groupItems' order.
    Records recordsOf(int group)
    {
        index();
        const int *key = std::lower_bound(m_keys, m_keys + m_count, group);
        const int *end = std::upper_bound(key, m_keys + m_count, group);
        return {m_records + (key - m_keys), m_records + (end - m_keys)};
    }

    //! Calls \a f with each signal-group id once, ascending (groupItems.uniqueKeys()).
    template<typename F>
    void forEachGroup(F f)
    {
        index();
        for (int i = 0; i < m_count; ++i) {
            if (i == 0 || m_keys[i] != m_keys[i - 1])
                f(m_keys[i]);
        }
    }

    //! Asks for the cache line the look-up of a group starts from, ahead of it.
    void prefetchIndex() const { prefetchLine(m_keys); }

    /*!
     * Packs and links the records once (see the class description). It moves them: binding
     * calls it before anyone else holds a record; later calls do nothing.
     */
    void index()
    {
        if (!m_indexed)
            makeIndex();
    }

private:
    void makeIndex();
    bool packed(const GroupItem *g) const
    {
        const std::less<const GroupItem *> before;
        return !before(g, m_records) && before(g, m_records + m_count);
    }
};

//! A running pulse of one item.
struct PulseEntry
{
    QElapsedTimer clock;
    int duration = 0; //!< milliseconds, as the host passed it
};
