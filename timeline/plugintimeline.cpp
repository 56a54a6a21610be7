// OstrikgPlugin: route timeline data for the host's timeline view.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"
#include "timeline/routetimeline.h"

#include <new>

QVariantMap OstrikgPlugin::getTimelineData(QObject *route)
{
    try {
        return RouteTimeline::routeTimelineData(route);
    } catch (const std::bad_alloc &) {
        if (logLevel > 0)
            logError(pluginTag(), tr("Timeline data of route %1: not enough memory").arg(route->objectName()));
        return {};
    }
}
