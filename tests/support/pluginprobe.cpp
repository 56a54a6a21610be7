#include "pluginprobe.h"

#include <QCoreApplication>
#include <QTimerEvent>

QObject *PluginProbe::lightNetwork(int controllerId) const
{
    const LightEntry *e = entry(controllerId);
    return e ? e->network : nullptr;
}

bool PluginProbe::empty() const
{
    return p->networks.isEmpty() && !p->layer && !p->view && p->pulses.isEmpty() && p->lights.isEmpty()
        && p->blinkItems.isEmpty() && p->pulseTimerId == 0 && p->checkTimerId == 0 && p->blinkTimerId == 0
        && !p->moveClock.isValid() && !p->blinkClock.isValid() && !p->blinkOn;
}

void PluginProbe::tick(int timerId) const
{
    QTimerEvent e(timerId);
    QCoreApplication::sendEvent(p, &e);
}

void PluginProbe::dropEntry(int controllerId) const
{
    LightEntry *e = p->lights.take(controllerId);
    p->setLightProcessing(e, false);
    p->destroyLightEntry(e);
}

void PluginProbe::dropAll() const
{
    const QList<int> ids = p->lights.keys();
    for (int id : ids)
        dropEntry(id);
}
