// OstrikgPlugin: route timeline data for the host's timeline view.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"
#include "timeline/routetimeline.h"

#include <new>

QVariantMap OstrikgPlugin::getTimelineData(QObject *route)
{
    try {
        const QVariantMap data = RouteTimeline::routeTimelineData(route);
        // Every route has a skeleton entry; none means one too tangled to draw.
        if (data.isEmpty() && route && route->inherits("Ostrika::Route") && logLevel > 1)
            logWarning(pluginTag(), tr("Route %1 is too tangled for a timeline").arg(route->objectName()));
        return data;
    } catch (const std::bad_alloc &) {
        if (logLevel > 0)
            logError(pluginTag(), tr("Timeline data of route %1: not enough memory").arg(route->objectName()));
        return {};
    }
}
