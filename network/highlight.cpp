// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::setItemColor(QGraphicsItem *, QColor) {}
void OstrikgPlugin::resetItemColor(QGraphicsItem *) {}
void OstrikgPlugin::pulseItem(QGraphicsItem *, QColor, int) {}
void OstrikgPlugin::pulseTick() {}
