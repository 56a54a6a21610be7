// The host around one plugin object, set up as the real host sets itself up.
#pragma once

#include "plugin/ostrikgplugin.h"

#include <corvel/light.h>
#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>

#include <QModelIndex>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include <memory>

namespace Ostrikga {
class Layer;
class Networkg;
}

/*!
 * A kernel (with an item model unless asked not to) that is the plugin's parent, the map
 * scene (which offers "addLayer"), a map view on it and a project that holds controllers.
 * The calls go by method name, exactly as the host makes them. The plugin is deleted first,
 * so it unloads while the scene, view, model and project still exist.
 */
class TestHost
{
public:
    enum ItemModelUse { WithItemModel, WithoutItemModel };

    explicit TestHost(ItemModelUse itemModel = WithItemModel, const QSize &viewSize = QSize(800, 600));
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    //! The host's load call; \a project null means a host without controllers.
    bool load(const QString &file, QObject *project = nullptr);
    void unload();
    QObject *findObjectByName(const QString &name);
    QGraphicsItem *findItemByName(const QString &name);

    //! The project's controller for \a id, created when missing.
    Corvel::Light *addController(int id) { return project.addLight(id); }
    //! Looks at the planar point \a xy of a network with origin \a originGeo at \a zoom.
    void lookAt(const QPointF &originGeo, const QPointF &xy, int zoom);

    //! The graphics network a loaded object belongs to, or null.
    Ostrikga::Networkg *networkOf(const QString &objectName);
    static Ostrikga::Layer *layerOf(Ostrikga::Networkg *net, const QString &name);
    //! Names of the layers of \a net that are visible.
    static QStringList shownLayers(Ostrikga::Networkg *net);
    //! The rows under the plugin's "Routes" sub-section for \a fileName, or an invalid index.
    QModelIndex routesIndex(const QString &fileName) const;

    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    Corvel::Project project;
    OstrikgPlugin *plugin = nullptr;
};

// Controllers and projects beyond what the host library offers.

//! A host project holding any controller objects, subclasses included; owns none.
class TestProject : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE Corvel::Light *object(int id) const { return m_lights.value(id).data(); }
    void add(Corvel::Light *light) { m_lights.insert(light->id(), light); }

private:
    QMap<int, QPointer<Corvel::Light>> m_lights;
};

//! A controller whose "eventMask" can become unreadable (not convertible to unsigned int).
class OddLight : public Corvel::Light
{
    Q_OBJECT
    Q_PROPERTY(QVariant eventMask READ oddMask WRITE setOddMask)
public:
    using Corvel::Light::Light;
    bool readable = true;
    QVariant oddMask() const
    {
        return readable ? QVariant(eventMask()) : QVariant(QStringLiteral("not a mask"));
    }
    void setOddMask(const QVariant &v) { setEventMask(v.toUInt()); }
    int notificationReceivers() const
    {
        return receivers(SIGNAL(notification(const Notification*)));
    }
    int connectedReceivers() const { return receivers(SIGNAL(connected(bool))); }
};

//! The first row of \a model (searched depth first below \a parent) whose column 0 shows \a text.
QModelIndex findRow(const QAbstractItemModel *model, const QString &text, const QModelIndex &parent = QModelIndex());

//! Keeps the plugin's settings in the test's own sandbox, under an application name of its own.
void useTestSettings(const QString &applicationName = QStringLiteral("network"));
