// Item blinking: one shared 250 ms timer and one 500 ms phase for every blinking item.
#include "plugin/ostrikgplugin.h"

namespace {
constexpr int kBlinkTickMs = 250;
constexpr qint64 kBlinkPhaseMs = 500;
}

void OstrikgPlugin::setItemBlinking(QGraphicsItem *item, bool on)
{
    if (!item)
        return;

    if (on) {
        item->setVisible(false);
        if (blinkItems.contains(item))
            return;
        blinkItems.append(item);
        if (blinkTimerId == 0) {
            blinkTimerId = startTimer(kBlinkTickMs, Qt::CoarseTimer);
            blinkClock.start();
            blinkOn = false;
        }
        return;
    }

    const int index = blinkItems.indexOf(item);
    if (index < 0)
        return;
    blinkItems.removeAt(index);
    if (blinkItems.isEmpty() && blinkTimerId != 0) {
        killTimer(blinkTimerId);
        blinkTimerId = 0;
        blinkClock.invalidate();
    }
}

void OstrikgPlugin::blinkTick()
{
    // Items may have been taken out without setItemBlinking (a network dropped wholesale):
    // the timer must not outlive the last of them.
    if (blinkItems.isEmpty()) {
        if (blinkTimerId != 0)
            killTimer(blinkTimerId);
        blinkTimerId = 0;
        blinkClock.invalidate();
        return;
    }
    if (blinkClock.isValid() && blinkClock.elapsed() >= kBlinkPhaseMs) {
        blinkOn = !blinkOn;
        blinkClock.restart();
    }
    // A copy: showing an item may reach host code that changes the list.
    const QList<QGraphicsItem *> items = blinkItems;
    for (QGraphicsItem *item : items)
        item->setVisible(blinkOn);
}
