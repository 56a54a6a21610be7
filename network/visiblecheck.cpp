// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::checkVisibleGranules() {}
void OstrikgPlugin::checkTick() {}
void OstrikgPlugin::setAllowProcessTlEvents(bool) {}
