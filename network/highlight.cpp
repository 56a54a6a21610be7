// OstrikgPlugin: colouring network items on the host's request, for good or for a while.
#include "plugin/ostrikgplugin.h"

#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/networkg.h>

namespace {

// Asks the networks by pointer only, so an item of a network that is gone is never touched.
bool belongsToLoadedNetwork(const QMap<QString, Ostrikga::Networkg *> &networks,
                            QGraphicsItem *item)
{
    for (Ostrikga::Networkg *net : networks) {
        if (net && net->item2object(item))
            return true;
    }
    return false;
}

} // namespace

void OstrikgPlugin::setItemColor(QGraphicsItem *item, QColor clr)
{
    if (auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item))
        g->setColor(clr);
}

void OstrikgPlugin::resetItemColor(QGraphicsItem *item)
{
    if (auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item))
        g->resetColor();
}

void OstrikgPlugin::pulseItem(QGraphicsItem *item, QColor clr, int time_ms)
{
    if (!item)
        return;
    if (PulseEntry *running = pulses.value(item)) {
        // A renewed pulse keeps its colour and length; only its start moves.
        running->clock.restart();
        return;
    }
    if (!belongsToLoadedNetwork(networks, item))
        return;
    auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item);
    if (!g)
        return;
    g->setColor(clr);

    auto *entry = new PulseEntry;
    entry->clock.start();
    entry->duration = time_ms;
    pulses.insert(item, entry);

    if (pulseTimerId == 0)
        pulseTimerId = startTimer(100, Qt::CoarseTimer);
}

void OstrikgPlugin::pulseTick()
{
    for (auto it = pulses.begin(); it != pulses.end();) {
        PulseEntry *entry = it.value();
        if (entry && entry->clock.elapsed() <= entry->duration) {
            ++it;
            continue;
        }
        if (belongsToLoadedNetwork(networks, it.key())) {
            if (auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(it.key()))
                g->resetColor();
        }
        delete entry;
        it = pulses.erase(it);
    }
    if (pulses.isEmpty() && pulseTimerId != 0) {
        killTimer(pulseTimerId);
        pulseTimerId = 0;
    }
}
