// Signal-group states: requests, replies, notifications and the look of each state code.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"
#include "trafficlight/lightrelay.h"
#include "trafficlight/sgredyellowitem.h"

#include <signalstate.h>

#include <corvel/notification.h>
#include <corvel/response.h>
#include <ostrikga/genericgraphicsitem.h>

#include <QMetaObject>
#include <QVarLengthArray>
#include <QVariant>

namespace {

constexpr int kSignalGroupNotification = 5;
constexpr int kNoState = -1;

enum class Colour { Keep, Reset, Green, Red, Yellow };
enum class Visibility { Keep, Show, Hide };
enum class MarkerLook { Keep, Hidden, RedRed, RedYellow };

struct Look
{
    Colour colour = Colour::Keep;
    Visibility visibility = Visibility::Keep;
    MarkerLook marker = MarkerLook::Keep;
    bool hideSiblingMarkers = false; // markers of the other groups of the same connection
    bool blink = false;
};

/*
 * The whole state-to-look table. \a other: another group of the same connection shows
 * green or flashing green; \a hasMarker: the record is a connection's (crosswalks have none).
 */
Look lookFor(int code, bool other, bool hasMarker)
{
    Look l;
    switch (code) {
    case SignalState::Green:
        l.colour = Colour::Green;
        l.visibility = Visibility::Show;
        l.marker = MarkerLook::Hidden;
        l.hideSiblingMarkers = true;
        return l;
    case SignalState::GreenFlashing:
    case SignalState::GreenFlashingAlt:
        l.marker = MarkerLook::Hidden;
        if (!other) {
            l.colour = Colour::Green;
            l.blink = true;
        }
        return l;
    case SignalState::Red:
        if (other) {
            l.marker = MarkerLook::Hidden;
        } else if (hasMarker) {
            l.marker = MarkerLook::RedRed;
            l.visibility = Visibility::Hide;
        } else {
            // A red crosswalk must be seen, also after a flashing or red-yellow phase hid it.
            l.colour = Colour::Red;
            l.visibility = Visibility::Show;
        }
        return l;
    case SignalState::Yellow:
        l.marker = MarkerLook::Hidden;
        if (!other) {
            l.colour = Colour::Yellow;
            l.visibility = Visibility::Show;
        }
        return l;
    case SignalState::RedYellow:
        if (!other) {
            l.marker = MarkerLook::RedYellow;
            l.visibility = Visibility::Hide;
        }
        return l;
    case SignalState::YellowFlashing:
        l.marker = MarkerLook::Hidden;
        if (other) {
            l.colour = Colour::Yellow;
            l.blink = true;
        }
        return l;
    default:
        l.colour = Colour::Reset;
        l.visibility = Visibility::Show;
        l.marker = MarkerLook::Hidden;
        return l;
    }
}

Ostrikga::GenericGraphicsItem *networkItem(QGraphicsItem *item)
{
    return dynamic_cast<Ostrikga::GenericGraphicsItem *>(item);
}

} // namespace

void OstrikgPlugin::syncLightState(LightEntry *entry, bool online)
{
    if (!entry || !entry->light)
        return;

    if (online) {
        if (logLevel > 2)
            logInfo(pluginTag(), tr("Request for current state of groups"));
        QObject *light = entry->light;
        // A command reaches host code, which may destroy the controller and with it the entry.
        const QPointer<QObject> alive(light);
        const int id = light->property("id").toInt();
        // A copy: the entry may go with its controller after any request.
        QVarLengthArray<int, 32> groups;
        entry->forEachGroup([&groups](int g) { groups.append(g); });
        for (int g : groups) {
            if (!alive)
                return;
            Response *response = relayOf(entry)->requestGroup(light, g);
            if (!response || !alive)
                continue;
            response->setProperty("granule_id", id);
            relayOf(entry)->follow(response);
        }
        return;
    }

    for (GroupItem *group : qAsConst(entry->groupItems)) {
        if (!group || !group->item)
            continue;
        if (Ostrikga::GenericGraphicsItem *item = networkItem(group->item))
            item->resetColor();
        group->item->setVisible(true);
        if (group->marker)
            group->marker->setState(SgRedYellowItem::Hidden);
        setItemBlinking(group->item, false);
        group->state = kNoState;
    }
}

// The two slots below serve connections the host makes itself; the plugin's own requests and
// subscriptions go through the entry's relay, which knows its record without a search.
void OstrikgPlugin::on_objectResponseFinished()
{
    if (!allowProcessTlEvents)
        return;
    const Response *response = qobject_cast<Response *>(sender());
    if (!response)
        return;
    const int id = response->property("granule_id").toInt();
    const QVariant data = response->data();
    deliverReply(lights.value(id, nullptr), data);
}

void OstrikgPlugin::on_objectNotification(const Notification *n)
{
    if (!allowProcessTlEvents)
        return;
    QObject *source = sender();
    if (!source || !isGroupStateNotification(n))
        return;
    const QVariant data = n->data();
    deliverNotification(lights.value(source->property("id").toInt(), nullptr), source, data);
}

bool OstrikgPlugin::isGroupStateNotification(const Notification *n)
{
    if (!allowProcessTlEvents || !n)
        return false;
    const QMetaObject *meta = n->metaObject();
    if (meta != notificationClass) {
        notificationClass = meta;
        notificationKind = meta->property(meta->indexOfProperty("id"));
    }
    // An int property is read straight into an int, as QMetaProperty::read() would before
    // wrapping it; a class without the property may still carry it as a dynamic one.
    if (notificationKind.userType() == QMetaType::Int) {
        int kind = 0;
        int status = -1;
        void *argv[] = {&kind, nullptr, &status};
        QMetaObject::metacall(const_cast<Notification *>(n), QMetaObject::ReadProperty,
                              notificationKind.propertyIndex(), argv);
        return kind == kSignalGroupNotification;
    }
    const QVariant kind = notificationKind.isValid() ? notificationKind.read(n) : n->property("id");
    return kind.toInt() == kSignalGroupNotification;
}

void OstrikgPlugin::deliverReply(LightEntry *entry, const QVariant &data)
{
    // A reply for a controller that is no longer followed must not bring its state back.
    if (!allowProcessTlEvents || !entry || !entry->subscribed)
        return;
    applyGroupStateData(entry, data);
}

void OstrikgPlugin::deliverNotification(LightEntry *entry, const QObject *source,
                                        const QVariant &data)
{
    if (!allowProcessTlEvents || !source || !entry || entry->light != source || !entry->subscribed)
        return;
    applyGroupStateData(entry, data);
}

void OstrikgPlugin::applyGroupStateData(LightEntry *entry, const QVariant &data)
{
    if (!entry)
        return;
    entry->prefetchIndex();
    // The list in place when it is one; anything else converted as toList() does.
    const bool isList = data.userType() == QMetaType::QVariantList;
    const QVariantList converted = isList ? QVariantList() : data.toList();
    const QVariantList &list = isList ? *static_cast<const QVariantList *>(data.constData()) : converted;
    if (list.size() < 2)
        return;
    const int g = list.at(0).toInt();
    const int s = list.at(1).toInt();
    // Showing a state changes only this plugin's items and markers and runs no host code, so
    // the records are read in place.
    const LightEntry::Records records = entry->recordsOf(g);
    // What the records lead to lies all over memory: asked for together, it arrives in about
    // the time of one miss instead of one after another.
    for (const GroupItem &record : records) {
        prefetchLine(record.item);
        prefetchLine(record.marker);
        prefetchLine(record.nextOnItem);
    }
    for (GroupItem &record : records)
        showGroupState(&record, entry, s);
}

bool OstrikgPlugin::otherGroupActive(GroupItem *group, LightEntry *entry)
{
    if (!group || !entry)
        return false;
    entry->index();
    for (const GroupItem *other = group->nextOnItem; other && other != group; other = other->nextOnItem) {
        if (SignalState::isGreen(other->state))
            return true;
    }
    return false;
}

void OstrikgPlugin::showGroupState(GroupItem *group, LightEntry *entry, int s)
{
    if (!group || !group->item)
        return;
    QGraphicsItem *item = group->item;
    const Look look = lookFor(s, otherGroupActive(group, entry), group->marker != nullptr);

    if (look.colour != Colour::Keep) {
        if (Ostrikga::GenericGraphicsItem *g = networkItem(item)) {
            switch (look.colour) {
            case Colour::Reset: g->resetColor(); break;
            case Colour::Green: g->setColor(Qt::green); break;
            case Colour::Red: g->setColor(Qt::red); break;
            case Colour::Yellow: g->setColor(Qt::yellow); break;
            case Colour::Keep: break;
            }
        }
    }
    if (look.visibility != Visibility::Keep)
        item->setVisible(look.visibility == Visibility::Show);

    if (group->marker) {
        switch (look.marker) {
        case MarkerLook::Hidden: group->marker->setState(SgRedYellowItem::Hidden); break;
        case MarkerLook::RedRed: group->marker->setState(SgRedYellowItem::RedRed); break;
        case MarkerLook::RedYellow: group->marker->setState(SgRedYellowItem::RedYellow); break;
        case MarkerLook::Keep: break;
        }
    }
    if (look.hideSiblingMarkers && entry) {
        for (GroupItem *other = group->nextOnItem; other && other != group; other = other->nextOnItem) {
            if (other->marker)
                other->marker->setState(SgRedYellowItem::Hidden);
        }
    }

    if (look.blink) {
        setItemBlinking(item, true);
    } else {
        // A stopped blink must not leave the item in whichever phase the last tick gave it.
        const bool wasBlinking = stopBlinking(item);
        if (wasBlinking && look.visibility == Visibility::Keep)
            item->setVisible(true);
    }
    group->state = s;
}
