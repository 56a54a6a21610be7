// (in progress)
#include "plugin/ostrikgplugin.h"

LightEntry::~LightEntry() {}
void OstrikgPlugin::bindControllers(Ostrikga::Networkg *, QObject *, Ostrikga::Layer *) {}
void OstrikgPlugin::destroyLightEntry(LightEntry *entry) { delete entry; }
