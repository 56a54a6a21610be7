// OstrikgPlugin: route timeline data for the host's timeline view.
#include "plugin/ostrikgplugin.h"
#include "timeline/routetimeline.h"

QVariantMap OstrikgPlugin::getTimelineData(QObject *route)
{
    return RouteTimeline::routeTimelineData(route);
}
