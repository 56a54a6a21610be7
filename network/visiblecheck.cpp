// Visible-granule check: follow exactly the controllers whose junction is in view.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"

namespace {
constexpr qint64 kRestMs = 500;
}

void OstrikgPlugin::checkVisibleGranules()
{
    if (!view || lights.isEmpty() || !allowProcessTlEvents)
        return;
    const bool layerShown = layer ? layer->isVisible() : true;
    if (!processingActive && !layerShown)
        return;

    if (logLevel > 2)
        logInfo(pluginTag(), tr("Check for visible granules"));

    const QRectF visible = view->mapToScene(view->rect()).boundingRect();
    const bool zoomShown = layerShown && zoom >= minZoom;
    processingActive = false;

    // By key, looked up again each time: switching one controller reaches host code that
    // might destroy another one (and with it its entry).
    const QList<int> ids = lights.keys();
    for (int id : ids) {
        LightEntry *entry = lights.value(id, nullptr);
        if (!entry)
            continue;
        const bool on = zoomShown && !entry->bounds.isNull() && entry->bounds.intersects(visible);
        setLightProcessing(entry, on);
        if (on)
            processingActive = true;
    }
}

void OstrikgPlugin::checkTick()
{
    if (!moveClock.isValid() || moveClock.elapsed() < kRestMs)
        return;
    checkVisibleGranules();
    moveClock.invalidate();
}

void OstrikgPlugin::setAllowProcessTlEvents(bool allow)
{
    if (allow == allowProcessTlEvents)
        return;
    allowProcessTlEvents = allow;
    if (allow) {
        checkVisibleGranules();
        return;
    }
    const QList<int> ids = lights.keys();
    for (int id : ids)
        setLightProcessing(lights.value(id, nullptr), false);
}
