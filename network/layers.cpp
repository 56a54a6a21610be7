// (in progress)
#include "plugin/ostrikgplugin.h"

void OstrikgPlugin::on_layerVisibleChanged(bool) {}
void OstrikgPlugin::on_layerZChanged() {}
void OstrikgPlugin::on_viewZoomChanged(int) {}
void OstrikgPlugin::on_viewMoved(int) {}
void OstrikgPlugin::setMinZoom(int) {}
void OstrikgPlugin::setVisibleLayers(QStringList) {}
void OstrikgPlugin::applyZoomRule(int) {}
