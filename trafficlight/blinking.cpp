// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::setItemBlinking(QGraphicsItem *, bool) {}
void OstrikgPlugin::blinkTick() {}
