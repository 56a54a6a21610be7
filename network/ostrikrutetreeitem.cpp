// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::listRoutes(Ostrikga::Networkg *, Mirel::ItemModel *, QObject *) {}
