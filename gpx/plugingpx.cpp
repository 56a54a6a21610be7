// (in progress)
#include "plugin/ostrikgplugin.h"

bool OstrikgPlugin::loadGpxTrack(QString) { return false; }
