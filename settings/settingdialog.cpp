// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::showSettingsDialog(QWidget *) {}
