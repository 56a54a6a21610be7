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
        // One look-up: the slot is new exactly when the item did not blink yet.
        const int known = blinkIndex.size();
        int &at = blinkIndex[item];
        if (blinkIndex.size() == known)
            return;
        at = blinkItems.size();
        blinkItems.append(item);
        if (blinkTimerId == 0) {
            blinkTimerId = startTimer(kBlinkTickMs, Qt::CoarseTimer);
            blinkClock.start();
            blinkOn = false;
        }
        return;
    }

    stopBlinking(item);
}

bool OstrikgPlugin::stopBlinking(QGraphicsItem *item)
{
    if (!item || !removeBlinkItem(item))
        return false;
    if (blinkItems.isEmpty() && blinkTimerId != 0) {
        killTimer(blinkTimerId);
        blinkTimerId = 0;
        blinkClock.invalidate();
    }
    return true;
}

// Constant time however many items blink (a city's flashing junctions): the last item of
// the list takes the place of the one removed.
bool OstrikgPlugin::removeBlinkItem(QGraphicsItem *item)
{
    const auto it = blinkIndex.find(item);
    if (it == blinkIndex.end())
        return false;
    const int at = it.value();
    blinkIndex.erase(it);
    QGraphicsItem *last = blinkItems.takeLast();
    if (at < blinkItems.size()) {
        blinkItems[at] = last;
        blinkIndex.insert(last, at);
    }
    return true;
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
