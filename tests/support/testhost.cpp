#include "testhost.h"

#include <ostrika/geoutil.h>
#include <ostrika/netobject.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QCoreApplication>

TestHost::TestHost(ItemModelUse itemModel, const QSize &viewSize)
{
    if (itemModel == WithItemModel)
        kernel.setItemModel(&model);
    view.reset(new OsmView(&scene));
    view->resize(viewSize);
    plugin = new OstrikgPlugin;
    plugin->setParent(&kernel);
}

TestHost::~TestHost()
{
    delete plugin;
    view.reset();
}

bool TestHost::load(const QString &file, QObject *project)
{
    bool ok = false;
    if (!QMetaObject::invokeMethod(plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, file),
                                   Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, project)))
        qWarning("loadOstrik could not be called");
    return ok;
}

void TestHost::unload()
{
    QMetaObject::invokeMethod(plugin, "unloadAll");
}

QObject *TestHost::findObjectByName(const QString &name)
{
    QObject *obj = nullptr;
    QMetaObject::invokeMethod(plugin, "findObjectByName", Q_RETURN_ARG(QObject *, obj), Q_ARG(QString, name));
    return obj;
}

QGraphicsItem *TestHost::findItemByName(const QString &name)
{
    QGraphicsItem *item = nullptr;
    QMetaObject::invokeMethod(plugin, "findItemByName", Q_RETURN_ARG(QGraphicsItem *, item), Q_ARG(QString, name));
    return item;
}

void TestHost::lookAt(const QPointF &originGeo, const QPointF &xy, int zoom)
{
    const Ostrika::GeoUtil g(originGeo);
    view->setZoom(zoom);
    view->centerOnGeo(g.xyToGeo(xy));
}

Ostrikga::Networkg *TestHost::networkOf(const QString &objectName)
{
    auto *obj = qobject_cast<Ostrika::NetObject *>(findObjectByName(objectName));
    return obj ? qobject_cast<Ostrikga::Networkg *>(obj->network()) : nullptr;
}

Ostrikga::Layer *TestHost::layerOf(Ostrikga::Networkg *net, const QString &name)
{
    return net ? net->layer(name) : nullptr;
}

QStringList TestHost::shownLayers(Ostrikga::Networkg *net)
{
    QStringList out;
    if (!net)
        return out;
    const QList<Ostrikga::Layer *> layers = net->layers();
    for (Ostrikga::Layer *l : layers) {
        if (l->isVisible())
            out.append(l->objectName());
    }
    return out;
}

QModelIndex TestHost::routesIndex(const QString &fileName) const
{
    QObject *routes = model.section(QStringLiteral("Road networks/%1/Routes").arg(fileName));
    return routes ? model.indexOf(routes) : QModelIndex();
}

QModelIndex findRow(const QAbstractItemModel *model, const QString &text, const QModelIndex &parent)
{
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex i = model->index(r, 0, parent);
        if (i.data().toString() == text)
            return i;
        const QModelIndex below = findRow(model, text, i);
        if (below.isValid())
            return below;
    }
    return QModelIndex();
}

void useTestSettings(const QString &applicationName)
{
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(applicationName);
}
