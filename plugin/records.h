// OstrikgPlugin: per-controller, per-group and per-pulse records.
#pragma once

#include <QElapsedTimer>
#include <QMultiMap>
#include <QRectF>

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
};

//! A running pulse of one item.
struct PulseEntry
{
    QElapsedTimer clock;
    int duration = 0; //!< milliseconds, as the host passed it
};
