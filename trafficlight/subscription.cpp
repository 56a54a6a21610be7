// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::setLightProcessing(LightEntry *, bool) {}
void OstrikgPlugin::on_objectConnected(bool) {}
void OstrikgPlugin::on_tlDestroyed(QObject *) {}
