// OstrikgPlugin: the plugin object the host drives through the meta-object system.
#pragma once

#include "records.h"

#include <QColor>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaProperty>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

#include <QGraphicsItem>
#include <QGraphicsObject>
#include <QGraphicsScene>
#include <QGraphicsView>

class QTimerEvent;
class QWidget;
class Notification;
class Response;

namespace Mirel {
class ItemModel;
}
namespace Ostrikga {
class Layer;
class Networkg;
}

#define OSTRIKG_PLUGIN_IID "org.ostrik.Mirel.MapPlugin/1.0"

/*!
 * The plugin's single root object. The host calls its invokable methods by name with
 * exactly the argument types declared here; failures come back as false, null or an
 * empty map (and a log line where one is due), never as exceptions.
 */
class OstrikgPlugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID OSTRIKG_PLUGIN_IID)
    Q_PROPERTY(QString moduleVersion READ moduleVersion)
    Q_PROPERTY(int loggingLevel READ loggingLevel WRITE setLoggingLevel)

public:
    explicit OstrikgPlugin(QObject *parent = nullptr);
    ~OstrikgPlugin() override;

    QString moduleVersion() const;
    int loggingLevel() const;
    void setLoggingLevel(int level);

    // Called directly by the settings dialog.
    void setMinZoom(int z);
    void setVisibleLayers(QStringList names);
    void setAllowProcessTlEvents(bool allow);

Q_SIGNALS:
    void networksUnloaded();

private Q_SLOTS:
    void on_layerVisibleChanged(bool vis);
    void on_layerZChanged();
    void on_viewZoomChanged(int);
    void on_viewMoved(int);
    void on_tlDestroyed(QObject *tlo);
    void on_objectNotification(const Notification *);
    void on_objectConnected(bool);
    void on_objectResponseFinished();

public:
    Q_INVOKABLE bool loadOstrik(QString file_name, QGraphicsScene *scene, QObject *project);
    Q_INVOKABLE void unloadAll();
    Q_INVOKABLE QObject *item2object(QGraphicsItem *item);
    Q_INVOKABLE QGraphicsItem *object2item(QObject *obj);
    Q_INVOKABLE void setItemColor(QGraphicsItem *item, QColor clr);
    Q_INVOKABLE void resetItemColor(QGraphicsItem *item);
    Q_INVOKABLE void pulseItem(QGraphicsItem *item, QColor clr, int time_ms);
    Q_INVOKABLE QObject *granule(int gid);
    Q_INVOKABLE QObject *findObjectByName(QString obj_name);
    Q_INVOKABLE QGraphicsItem *findItemByName(QString obj_name);
    Q_INVOKABLE void showSettingsDialog(QWidget *parent);
    Q_INVOKABLE bool loadGpxTrack(QString file_name);
    Q_INVOKABLE QVariantMap getTimelineData(QObject *route);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    friend class SettingDialog;
    friend class LightRelay;
    friend class PluginProbe; // tests only: tests/support/pluginprobe.h

    // Loading and unloading (network/).
    bool loadNetwork(const QString &file_name, QGraphicsScene *scene, QObject *project);
    Mirel::ItemModel *hostItemModel() const;
    void listRoutes(Ostrikga::Networkg *net, Mirel::ItemModel *model, QObject *routesSection);
    void removeNetwork(const QString &path);
    void applyZoomRule(int z);

    // Controllers (network/ and trafficlight/).
    void bindControllers(Ostrikga::Networkg *net, QObject *project, Ostrikga::Layer *markerLayer);
    void destroyLightEntry(LightEntry *entry);
    void checkVisibleGranules();
    void setLightProcessing(LightEntry *entry, bool on);
    void syncLightState(LightEntry *entry, bool online);
    LightRelay *relayOf(LightEntry *entry);
    // What arrives from a controller, with its record (null when none) and the signal's
    // sender (null when a slot was called directly). The data is read before the record is
    // passed: reading it is host code, which may destroy the controller and the record.
    bool isGroupStateNotification(const Notification *n);
    void deliverNotification(LightEntry *entry, const QObject *source, const QVariant &data);
    void deliverOnlineChange(LightEntry *entry, const QObject *source, bool online);
    void deliverReply(LightEntry *entry, const QVariant &data);
    void applyGroupStateData(LightEntry *entry, const QVariant &data);
    void showGroupState(GroupItem *group, LightEntry *entry, int state);
    bool otherGroupActive(GroupItem *group, LightEntry *entry);
    void setItemBlinking(QGraphicsItem *item, bool on);
    bool isBlinking(QGraphicsItem *item) const { return blinkIndex.contains(item); }
    //! setItemBlinking(item, false) that tells whether the item was blinking.
    bool stopBlinking(QGraphicsItem *item);
    bool removeBlinkItem(QGraphicsItem *item);

    // Timer branches.
    void pulseTick();
    void checkTick();
    void blinkTick();

    QMap<QString, Ostrikga::Networkg *> networks;
    // Held weakly: the host may delete its scene (and with it the layer) or its view first.
    QPointer<QGraphicsObject> layer;
    QPointer<QGraphicsView> view;
    QMap<QGraphicsItem *, PulseEntry *> pulses;
    QMap<int, LightEntry *> lights;
    QList<QGraphicsItem *> blinkItems;
    QHash<QGraphicsItem *, int> blinkIndex; // item -> its place in blinkItems
    QElapsedTimer moveClock;
    int pulseTimerId = 0;
    int checkTimerId = 0;
    int blinkTimerId = 0;
    QElapsedTimer blinkClock;
    bool blinkOn = false;
    int minZoom = 17;
    int zoom = -1;
    bool processingActive = false;
    QStringList visibleLayers;
    bool allowProcessTlEvents = true;
    // The "id" property of the notification class last met, looked up once per class.
    const QMetaObject *notificationClass = nullptr;
    QMetaProperty notificationKind;
    QString sectionTitle;

    // Beyond the host's contract: the scene of the last load, held weakly for GPX tracks.
    QPointer<QGraphicsScene> mapScene;
};
