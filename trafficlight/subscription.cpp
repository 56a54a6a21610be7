// Controller event subscription: the shared event-mask bit, the signal connections, removal.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"
#include "trafficlight/lightrelay.h"

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
    // For the log lines only: a city switched on at once reads no property it does not need.
    const auto id = [light] { return light->property("id").toInt(); };
    if (logLevel > 2)
        logInfo(pluginTag(), tr("Set granule %1 processing to %2").arg(id()).arg(on ? 1 : 0));

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
                    logWarning(pluginTag(), tr("Error get event mask for object %1").arg(id()));
                return;
            }
            if (logLevel > 2)
                logInfo(pluginTag(), tr("Set event mask for object %1").arg(id()));
            light->setProperty(kEventMask, QVariant(mask | kSignalGroupEvents));
        } else if (logLevel > 2) {
            logInfo(pluginTag(), tr("Event mask for object %1 already vaild").arg(id()));
        }
        light->setProperty(kUseCount, QVariant(count + 1));
        relayOf(entry)->listen(light);
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
                    logInfo(pluginTag(), tr("Clear event mask for object %1").arg(id()));
                light->setProperty(kEventMask, QVariant(mask & ~kSignalGroupEvents));
            } else if (logLevel > 1) {
                logWarning(pluginTag(), tr("Error get event mask for object %1").arg(id()));
            }
            // Our count goes even when the bit cannot be cleared: a count left behind would
            // keep the bit set for every later subscriber.
            light->setProperty(kUseCount, QVariant());
        } else if (count > 1) {
            light->setProperty(kUseCount, QVariant(count - 1));
        }
        entry->subscribed = false;
    }
    if (entry->relay)
        entry->relay->stopListening(light);
    syncLightState(entry, false);
}

LightRelay *OstrikgPlugin::relayOf(LightEntry *entry)
{
    if (!entry->relay)
        entry->relay = new LightRelay(this, entry);
    return entry->relay;
}

void OstrikgPlugin::on_objectConnected(bool connected)
{
    // Only connections the host makes itself arrive here; the plugin's own go through the
    // entry's relay, which knows its record without searching.
    QObject *source = sender();
    if (!source)
        return;
    deliverOnlineChange(lights.value(source->property("id").toInt(), nullptr), source, connected);
}

void OstrikgPlugin::deliverOnlineChange(LightEntry *entry, const QObject *source, bool online)
{
    // Another controller object with a bound id, or an entry no longer followed, shows nothing.
    if (!source || !entry || entry->light != source || !entry->subscribed)
        return;
    syncLightState(entry, online);
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
