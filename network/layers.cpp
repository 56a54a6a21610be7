// OstrikgPlugin: which network layers are shown, at which z-value, and when a check is due.
#include "plugin/ostrikgplugin.h"

#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

void OstrikgPlugin::applyZoomRule(int z)
{
    on_layerVisibleChanged(z >= minZoom && (!layer || layer->isVisible()));
}

void OstrikgPlugin::on_layerVisibleChanged(bool vis)
{
    if (vis && zoom < minZoom)
        vis = false;
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        const QList<Ostrikga::Layer *> netLayers = net->layers();
        for (Ostrikga::Layer *l : netLayers) {
            if (visibleLayers.contains(l->objectName()))
                l->setVisible(vis);
        }
    }
    // What is visible may have changed: let the granule check run once things settle.
    moveClock.start();
}

void OstrikgPlugin::on_layerZChanged()
{
    if (!layer)
        return;
    const qreal z = layer->zValue();
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        const QList<Ostrikga::Layer *> netLayers = net->layers();
        for (Ostrikga::Layer *l : netLayers)
            l->setZValue(z);
    }
}

void OstrikgPlugin::on_viewZoomChanged(int z)
{
    if (z == zoom)
        return;
    zoom = z;
    applyZoomRule(z);
}

void OstrikgPlugin::on_viewMoved(int)
{
    // A zoomed-out map processes no controllers, so scrolling it needs no check.
    if (zoom >= minZoom)
        moveClock.start();
}

void OstrikgPlugin::setMinZoom(int z)
{
    if (z == minZoom)
        return;
    minZoom = z;
    applyZoomRule(zoom);
}

void OstrikgPlugin::setVisibleLayers(QStringList names)
{
    if (names == visibleLayers)
        return;
    visibleLayers = names;
    for (Ostrikga::Networkg *net : qAsConst(networks)) {
        if (!net)
            continue;
        const QList<Ostrikga::Layer *> netLayers = net->layers();
        for (Ostrikga::Layer *l : netLayers)
            l->setVisible(visibleLayers.contains(l->objectName()));
    }
}
