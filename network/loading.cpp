// OstrikgPlugin: putting a network file on the host's map, and taking one network off again.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"

#include <mirel/itemmodel.h>
#include <ostrika/node.h>
#include <ostrikga/items.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <filecheck.h>

#include <QFileInfo>
#include <QScrollBar>

#include <new>

namespace {
const QString layerName = QStringLiteral("Ostrik");
}

Mirel::ItemModel *OstrikgPlugin::hostItemModel() const
{
    QObject *kernel = parent();
    if (!kernel || !kernel->inherits("Mirel::Kernel"))
        return nullptr;
    return qvariant_cast<Mirel::ItemModel *>(kernel->property("itemModel"));
}

bool OstrikgPlugin::loadOstrik(QString file_name, QGraphicsScene *scene, QObject *project)
{
    // Items, objects and rows grow with the file: running out of memory is one more failure.
    try {
        return loadNetwork(file_name, scene, project);
    } catch (const std::bad_alloc &) {
        if (logLevel > 0)
            logError(pluginTag(), tr("Error loading network %1: %2").arg(file_name, tr("not enough memory")));
        return false;
    }
}

bool OstrikgPlugin::loadNetwork(const QString &file_name, QGraphicsScene *scene, QObject *project)
{
    Mirel::ItemModel *model = hostItemModel();
    if (model)
        model->clearSection(sectionTitle);

    const QFileInfo info(file_name);
    if (!info.exists()) {
        if (logLevel > 0)
            logError(pluginTag(), tr("File %1 not exists").arg(file_name));
        return false;
    }
    // A FIFO would block the host's GUI thread, a device never end: refused before anything.
    const bool isNetwork = info.suffix().toLower() == QLatin1String("ostka");
    const QString refused = isNetwork ? FileCheck::check(file_name, FileCheck::Kind::Network) : QString();
    if (!refused.isEmpty()) {
        if (logLevel > 0)
            logError(pluginTag(), tr("Error loading network %1: %2").arg(file_name, refused));
        return false;
    }
    const QString path = info.absoluteFilePath();
    mapScene = scene;

    if (!layer) {
        QGraphicsObject *created = nullptr;
        // Asking first keeps Qt's own "No such method" warning out of the host's log,
        // which must only carry this plugin's lines at the chosen level.
        const bool invoked = scene
            && scene->metaObject()->indexOfMethod("addLayer(QString)") >= 0
            && QMetaObject::invokeMethod(scene, "addLayer", Qt::AutoConnection,
                                         Q_RETURN_ARG(QGraphicsObject *, created),
                                         Q_ARG(QString, layerName));
        layer = created;
        if (!invoked || !layer) {
            if (logLevel > 1)
                logWarning(pluginTag(), tr("Adding layer '%1' failed").arg(layerName));
        }
        if (layer) {
            connect(layer, SIGNAL(visibleChanged(bool)), this, SLOT(on_layerVisibleChanged(bool)));
            connect(layer, SIGNAL(zChanged()), this, SLOT(on_layerZChanged()));
        }
    }

    QObject *routesSection = nullptr;
    if (model) {
        if (QObject *section = model->addSection(sectionTitle + QLatin1Char('/') + info.fileName()))
            routesSection = model->addSubSection(section, tr("Routes"));
    }

    if (isNetwork) {
        auto *net = new Ostrikga::Networkg(scene);
        net->setReadOnly(true);
        Ostrikga::Layer *markerLayer = net->insertLayer(QStringLiteral("redSignals"),
                                                        QStringLiteral("Markers"));

        QGraphicsItem *connectionsLayer = nullptr;
        const QList<Ostrikga::Layer *> netLayers = net->layers();
        for (Ostrikga::Layer *l : netLayers) {
            if (layer)
                l->setZValue(layer->zValue() + l->zValue() / 100.0);
            if (!visibleLayers.contains(l->objectName()))
                l->setVisible(false);
            else if (l->objectName() == QLatin1String("Connections"))
                connectionsLayer = l;
        }

        if (logLevel > 2)
            logInfo(pluginTag(), tr("Loading network %1").arg(file_name));

        QString loadError;
        try {
            if (!net->load(file_name, false))
                loadError = net->errorString();
        } catch (const std::bad_alloc &) {
            loadError = tr("not enough memory");
        }
        if (!loadError.isEmpty()) {
            if (logLevel > 0)
                logError(pluginTag(), tr("Error loading network %1: %2").arg(file_name, loadError));
            delete net;
            return false;
        }

        const QList<Ostrika::Node *> nodes = net->findChildren<Ostrika::Node *>();
        for (Ostrika::Node *node : nodes) {
            Ostrikga::GenericGraphicsItem *item = net->object2item(node);
            if (!item)
                continue;
            if (node->type() == 0)
                item->setVisible(false);
            else if (item->type() == Ostrikga::NodeItemType)
                static_cast<Ostrikga::Nodeg *>(item)->setMarkerVisible(false);
        }

        if (connectionsLayer) {
            const QList<QGraphicsItem *> children = connectionsLayer->childItems();
            for (QGraphicsItem *child : children) {
                if (child->type() == Ostrikga::ConnectionItemType)
                    static_cast<Ostrikga::Connectiong *>(child)->setSimpleView(false);
            }
        }

        // Replace an earlier load of the same file only now that the new one has succeeded,
        // and before binding, so its controllers are bound from the new network.
        removeNetwork(path);
        networks.insert(path, net);

        if (project)
            bindControllers(net, project, markerLayer);
        if (routesSection)
            listRoutes(net, model, routesSection);
    }

    if (logLevel > 2)
        logInfo(pluginTag(), tr("Network %1 loaded").arg(file_name));

    if (!view) {
        const QList<QGraphicsView *> views = scene ? scene->views() : QList<QGraphicsView *>();
        for (QGraphicsView *v : views) {
            if (!v || !v->inherits("OsmView"))
                continue;
            view = v;
            connect(v, SIGNAL(zoomChanged(int)), this, SLOT(on_viewZoomChanged(int)));
            connect(v->horizontalScrollBar(), SIGNAL(valueChanged(int)), this, SLOT(on_viewMoved(int)));
            connect(v->verticalScrollBar(), SIGNAL(valueChanged(int)), this, SLOT(on_viewMoved(int)));
            if (checkTimerId == 0)
                checkTimerId = startTimer(500, Qt::CoarseTimer);
            break;
        }
        if (!view)
            return true;
    }

    zoom = view->property("zoom").toInt();
    applyZoomRule(zoom);
    return true;
}

void OstrikgPlugin::removeNetwork(const QString &path)
{
    Ostrikga::Networkg *net = networks.take(path);
    if (!net)
        return;

    const QList<int> ids = lights.keys();
    for (int id : ids) {
        LightEntry *entry = lights.value(id);
        if (!entry || entry->network != net)
            continue;
        setLightProcessing(entry, false);
        for (GroupItem *group : qAsConst(entry->groupItems))
            blinkItems.removeAll(group->item);
        lights.remove(id);
        destroyLightEntry(entry);
    }
    // Anything else of this network that still blinks or pulses must not outlive it.
    for (int i = blinkItems.size() - 1; i >= 0; --i) {
        if (net->item2object(blinkItems.at(i)))
            blinkItems.removeAt(i);
    }
    for (auto it = pulses.begin(); it != pulses.end();) {
        if (net->item2object(it.key())) {
            delete it.value();
            it = pulses.erase(it);
        } else {
            ++it;
        }
    }
    if (pulses.isEmpty() && pulseTimerId != 0) {
        killTimer(pulseTimerId);
        pulseTimerId = 0;
    }

    net->clear();
    delete net;
}
