// (in progress)
#include "plugin/ostrikgplugin.h"

QVariantMap OstrikgPlugin::getTimelineData(QObject *) { return {}; }
