// Controller binding: one LightEntry per controlled granule, its item records and markers.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"
#include "trafficlight/lightrelay.h"
#include "trafficlight/sgredyellowitem.h"

#include <corvel/response.h> // light.h declares the Response* metatype
#include <corvel/light.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QHash>
#include <QSet>
#include <QVarLengthArray>

#include <limits>
#include <new>

namespace {

constexpr double kStoplineToMarkerAngle = 90.0;
// Planar units; a common lane width, for a connection that reports no start lane.
constexpr double kFallbackMarkerSize = 3.0;

} // namespace

LightEntry::~LightEntry()
{
    if (relay)
        relay->release();
    // Connection records sit in both maps: release each marker once, and each record that
    // is not in the packed block once.
    QSet<GroupItem *> records;
    for (GroupItem *g : qAsConst(groupItems))
        records.insert(g);
    for (GroupItem *g : qAsConst(itemGroups))
        records.insert(g);
    for (GroupItem *g : qAsConst(records)) {
        if (!g)
            continue;
        delete g->marker;
        if (!packed(g))
            delete g;
    }
}

void LightEntry::makeIndex()
{
    m_indexed = true;
    QSet<const GroupItem *> distinct;
    for (const GroupItem *g : qAsConst(groupItems)) {
        if (g)
            distinct.insert(g);
    }
    // One block, the keys first: a state change then reads the keys and its records from
    // neighbouring cache lines.
    m_count = distinct.size();
    const size_t keyBytes = (m_count * sizeof(int) + alignof(GroupItem) - 1) / alignof(GroupItem)
        * alignof(GroupItem);
    m_block.reset(new char[keyBytes + m_count * sizeof(GroupItem)]);
    int *keys = reinterpret_cast<int *>(m_block.get());
    m_keys = keys;
    m_records = reinterpret_cast<GroupItem *>(m_block.get() + keyBytes);
    for (int i = 0; i < m_count; ++i)
        new (m_records + i) GroupItem;
    QHash<GroupItem *, GroupItem *> moved;
    moved.reserve(m_count);
    int at = 0;
    for (auto it = groupItems.begin(); it != groupItems.end(); ++it) {
        GroupItem *g = it.value();
        if (!g)
            continue;
        // A record listed twice keeps its first place only.
        if (GroupItem *done = moved.value(g)) {
            it.value() = done;
            continue;
        }
        keys[at] = it.key();
        GroupItem &slot = m_records[at++];
        slot = *g;
        moved.insert(g, &slot);
        it.value() = &slot;
        delete g;
    }
    for (auto it = itemGroups.begin(); it != itemGroups.end(); ++it)
        it.value() = moved.value(it.value(), it.value());

    // A record met twice, under one item or two, stays in the first ring only: every ring
    // is then a true one and a walk round it ends.
    QVarLengthArray<GroupItem *, 8> ring;
    for (auto it = itemGroups.cbegin(); it != itemGroups.cend();) {
        const QGraphicsItem *item = it.key();
        ring.clear();
        for (; it != itemGroups.cend() && it.key() == item; ++it) {
            GroupItem *g = it.value();
            if (g && !g->nextOnItem && !ring.contains(g))
                ring.append(g);
        }
        for (int i = 0; i < ring.size(); ++i)
            ring[i]->nextOnItem = ring[(i + 1) % ring.size()];
    }
}

void OstrikgPlugin::bindControllers(Ostrikga::Networkg *net, QObject *project,
                                    Ostrikga::Layer *markerLayer)
{
    if (!net || !project)
        return;

    // A host that deletes or clears its scene first takes every item of the network with
    // it, markers included: forget them at once so that nothing later touches or deletes
    // them again.
    const QList<Ostrikga::Layer *> layers = net->layers();
    for (Ostrikga::Layer *l : layers) {
        connect(l, &QObject::destroyed, this, [this, net] {
            for (LightEntry *entry : qAsConst(lights)) {
                if (!entry || entry->network != net)
                    continue;
                for (GroupItem *g : qAsConst(entry->groupItems)) {
                    if (!g)
                        continue;
                    removeBlinkItem(g->item);
                    g->item = nullptr;
                    g->marker = nullptr;
                }
            }
        });
    }

    const QList<Ostrika::Granule *> granules = net->findChildren<Ostrika::Granule *>();
    for (Ostrika::Granule *granule : granules) {
        const int id = granule->tlId();
        if (id <= 0)
            continue;
        if (lights.value(id, nullptr)) {
            if (logLevel > 1)
                logWarning(pluginTag(), tr("Duplicate granule %1").arg(id));
            continue;
        }

        Corvel::Light *light = nullptr;
        if (!QMetaObject::invokeMethod(project, "object", Qt::AutoConnection,
                                       QGenericReturnArgument("Corvel::Light*", &light),
                                       Q_ARG(int, id))) {
            if (logLevel > 0)
                logError(pluginTag(), tr("Error 'Project::object' metacall"));
            continue;
        }
        if (!light) {
            if (logLevel > 1)
                logWarning(pluginTag(), tr("Project not contains %1 object").arg(id));
            continue;
        }

        auto *entry = new LightEntry;
        entry->light = light;
        entry->network = net;
        connect(light, SIGNAL(destroyed(QObject*)), this, SLOT(on_tlDestroyed(QObject*)),
                Qt::UniqueConnection);
        lights.insert(id, entry);

        for (Ostrika::Node *node : granule->nodes()) {
            if (const Ostrikga::GenericGraphicsItem *item = net->object2item(node))
                entry->bounds = entry->bounds | item->sceneBoundingRect();
        }

        for (Ostrika::CrossWalk *cw : granule->crosswalks()) {
            if (Ostrikga::GenericGraphicsItem *item = net->object2item(cw))
                entry->groupItems.insert(cw->signalGroupTlId(), new GroupItem{item, nullptr, -1});
        }

        for (Ostrika::Connection *c : granule->connections()) {
            Ostrikga::GenericGraphicsItem *item = net->object2item(c);
            if (!item)
                continue;
            const Ostrika::Lane *lane = c->startLane();
            const double size = lane ? lane->width() : kFallbackMarkerSize;
            const int direction = SgRedYellowItem::directionClass(c->lanesAngle());
            const double angle = c->from()
                ? c->from()->line().angle() - kStoplineToMarkerAngle
                : std::numeric_limits<double>::quiet_NaN();
            const bool placeable = !c->polyline().isEmpty();
            const QPointF position =
                placeable ? net->geoUtil()->xyToGeo(c->polyline().constFirst()) : QPointF();

            for (Ostrika::SignalGroup *sg : c->signalGroups()) {
                if (!sg || sg->tlId() <= 0)
                    continue;
                auto *record = new GroupItem{item, nullptr, -1};
                entry->itemGroups.insert(item, record);
                // A connection without geometry has no start to put a marker at; its red
                // states then show as a colour, like a crosswalk's.
                if (placeable)
                    record->marker =
                        new SgRedYellowItem(position, size, direction, angle, markerLayer);
                entry->groupItems.insert(sg->tlId(), record);
            }
        }
        // While the maps' nodes are still in the cache.
        entry->index();
    }
}

void OstrikgPlugin::destroyLightEntry(LightEntry *entry)
{
    if (!entry)
        return;
    // The items may go with their network right after this: none may stay in the blink list.
    for (GroupItem *g : qAsConst(entry->groupItems)) {
        if (g)
            setItemBlinking(g->item, false);
    }
    delete entry;
}
