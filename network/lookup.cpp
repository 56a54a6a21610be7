// (in progress)
#include "plugin/ostrikgplugin.h"

QObject *OstrikgPlugin::item2object(QGraphicsItem *) { return nullptr; }
QGraphicsItem *OstrikgPlugin::object2item(QObject *) { return nullptr; }
QObject *OstrikgPlugin::granule(int) { return nullptr; }
QObject *OstrikgPlugin::findObjectByName(QString) { return nullptr; }
QGraphicsItem *OstrikgPlugin::findItemByName(QString) { return nullptr; }
