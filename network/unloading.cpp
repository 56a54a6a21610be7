// OstrikgPlugin: removing every network and everything built around them.
#include "plugin/ostrikgplugin.h"

#include <mirel/itemmodel.h>
#include <ostrikga/networkg.h>

#include <QScrollBar>

void OstrikgPlugin::unloadAll()
{
    if (Mirel::ItemModel *model = hostItemModel())
        model->clearSection(sectionTitle);

    for (int *timerId : {&pulseTimerId, &checkTimerId, &blinkTimerId}) {
        if (*timerId != 0) {
            killTimer(*timerId);
            *timerId = 0;
        }
    }

    const QList<LightEntry *> entries = lights.values();
    for (LightEntry *entry : entries) {
        if (!entry)
            continue;
        setLightProcessing(entry, false);
        destroyLightEntry(entry);
    }
    lights.clear();
    blinkItems.clear();
    blinkIndex.clear();

    // Before the networks go: the entries point at their items.
    qDeleteAll(pulses);
    pulses.clear();

    const QList<Ostrikga::Networkg *> nets = networks.values();
    for (Ostrikga::Networkg *net : nets) {
        if (!net)
            continue;
        net->clear();
        delete net;
    }
    networks.clear();

    if (view) {
        disconnect(view, SIGNAL(zoomChanged(int)), this, SLOT(on_viewZoomChanged(int)));
        disconnect(view->horizontalScrollBar(), SIGNAL(valueChanged(int)), this,
                   SLOT(on_viewMoved(int)));
        disconnect(view->verticalScrollBar(), SIGNAL(valueChanged(int)), this,
                   SLOT(on_viewMoved(int)));
    }
    view = nullptr;

    if (layer)
        delete layer.data();
    layer = nullptr;

    Q_EMIT networksUnloaded();
}
