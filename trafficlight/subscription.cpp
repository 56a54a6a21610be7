// Controller event subscription: the shared event-mask bit, the signal connections, removal.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"

#include <QVariant>

namespace {

constexpr uint kSignalGroupEvents = 0x20;
const char *const kEventMask = "eventMask";
const char *const kUseCount = "tlo_use_sg_cnt";

} // namespace

void OstrikgPlugin::setLightProcessing(LightEntry *entry, bool on)
{
    if (!entry || !entry->light || entry->processing == on)
        return;
    entry->processing = on;

    QObject *light = entry->light;
    const int id = light->property("id").toInt();
    if (logLevel > 2)
        logInfo(pluginTag(), tr("Set granule %1 processing to %2").arg(id).arg(on ? 1 : 0));

    const int count = light->property(kUseCount).toInt();

    if (on) {
        // Never count this plugin twice nor connect twice, whatever a failure left behind.
        if (entry->subscribed)
            return;
        if (count == 0) {
            bool ok = false;
            const uint mask = light->property(kEventMask).toUInt(&ok);
            if (!ok) {
                if (logLevel > 1)
                    logWarning(pluginTag(), tr("Error get event mask for object %1").arg(id));
                return;
            }
            if (logLevel > 2)
                logInfo(pluginTag(), tr("Set event mask for object %1").arg(id));
            light->setProperty(kEventMask, QVariant(mask | kSignalGroupEvents));
        } else if (logLevel > 2) {
            logInfo(pluginTag(), tr("Event mask for object %1 already vaild").arg(id));
        }
        light->setProperty(kUseCount, QVariant(count + 1));
        connect(light, SIGNAL(notification(const Notification*)), this,
                SLOT(on_objectNotification(const Notification*)), Qt::UniqueConnection);
        connect(light, SIGNAL(connected(bool)), this, SLOT(on_objectConnected(bool)),
                Qt::UniqueConnection);
        entry->subscribed = true;
        if (light->property("isConnected").toBool())
            syncLightState(entry, true);
        return;
    }

    // Only a subscription this plugin made is taken back: a switch-on that failed left no
    // count of ours, and the counter may belong to other subscribers by now.
    if (entry->subscribed) {
        if (count == 1) {
            bool ok = false;
            const uint mask = light->property(kEventMask).toUInt(&ok);
            if (ok) {
                if (logLevel > 2)
                    logInfo(pluginTag(), tr("Clear event mask for object %1").arg(id));
                light->setProperty(kEventMask, QVariant(mask & ~kSignalGroupEvents));
            } else if (logLevel > 1) {
                logWarning(pluginTag(), tr("Error get event mask for object %1").arg(id));
            }
            // Our count goes even when the bit cannot be cleared: a count left behind would
            // keep the bit set for every later subscriber.
            light->setProperty(kUseCount, QVariant());
        } else if (count > 1) {
            light->setProperty(kUseCount, QVariant(count - 1));
        }
        entry->subscribed = false;
    }
    disconnect(light, SIGNAL(notification(const Notification*)), this,
               SLOT(on_objectNotification(const Notification*)));
    disconnect(light, SIGNAL(connected(bool)), this, SLOT(on_objectConnected(bool)));
    syncLightState(entry, false);
}

void OstrikgPlugin::on_objectConnected(bool connected)
{
    QObject *source = sender();
    if (!source)
        return;
    LightEntry *entry = lights.value(source->property("id").toInt(), nullptr);
    // Another controller object with a bound id, or an entry no longer followed, shows nothing.
    if (!entry || entry->light != source || !entry->subscribed)
        return;
    syncLightState(entry, connected);
}

void OstrikgPlugin::on_tlDestroyed(QObject *tlo)
{
    if (!tlo)
        return;
    for (auto it = lights.begin(); it != lights.end();) {
        LightEntry *entry = it.value();
        if (!entry || entry->light != tlo) {
            ++it;
            continue;
        }
        it = lights.erase(it);
        // The junction is no longer followed: give its items their normal look back. Only
        // the items are touched; the controller is going away.
        syncLightState(entry, false);
        destroyLightEntry(entry);
    }
}
