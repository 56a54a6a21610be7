// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::syncLightState(LightEntry *, bool) {}
void OstrikgPlugin::on_objectResponseFinished() {}
void OstrikgPlugin::on_objectNotification(const Notification *) {}
void OstrikgPlugin::applyGroupStateData(LightEntry *, QVariant) {}
void OstrikgPlugin::showGroupState(GroupItem *, LightEntry *, int) {}
bool OstrikgPlugin::otherGroupActive(GroupItem *, LightEntry *) { return false; }
