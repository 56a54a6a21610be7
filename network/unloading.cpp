// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::unloadAll() {}
