// OstrikgPlugin: construction, settings, properties and timer dispatch.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"

#include <filecheck.h>
#include <mirel/itemmodel.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QSettings>
#include <QTimerEvent>

namespace {
// Every layer an empty graphics network has, minus the editing aids, plus our markers.
QStringList defaultVisibleLayers()
{
    QStringList names;
    QGraphicsScene scene;
    {
        Ostrikga::Networkg network(&scene);
        const QList<Ostrikga::Layer *> layers = network.layers();
        for (const Ostrikga::Layer *layer : layers) {
            const QString name = layer->objectName();
            if (name != QLatin1String("Splits") && name != QLatin1String("Markers"))
                names.append(name);
        }
    }
    names.append(QStringLiteral("redSignals"));
    return names;
}
} // namespace

OstrikgPlugin::OstrikgPlugin(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<QGraphicsItem *>("QGraphicsItem*");
    qRegisterMetaType<QGraphicsScene *>("QGraphicsScene*");
    qRegisterMetaType<Mirel::ItemModel *>("Mirel::ItemModel*");

    sectionTitle = tr("Road networks");
    const QStringList defaults = defaultVisibleLayers();

    // A settings file that is a FIFO or a device would block or flood the host: defaults then.
    const QString refused = FileCheck::checkSettings();
    if (!refused.isEmpty() && logLevel > 0)
        logError(pluginTag(), tr("Settings not read: %1").arg(refused));
    QVariantMap settings;
    if (refused.isEmpty()) {
        QSettings store;
        store.beginGroup(QStringLiteral("ostrikPlugin"));
        const QStringList keys = store.childKeys();
        for (const QString &key : keys)
            settings.insert(key, store.value(key));
    }
    logLevel = settings.value(QStringLiteral("logLevel"), logLevel).toInt();
    minZoom = settings.value(QStringLiteral("minZoom"), 17).toInt();
    QVariant layers = settings.value(QStringLiteral("visibleLayers"), defaults.join(QLatin1Char(',')));
    // An INI file edited by hand with an unquoted "a,b" reads back as a list, which
    // toString() would turn into nothing (every layer hidden).
    if (layers.userType() == QMetaType::QStringList)
        layers = layers.toStringList().join(QLatin1Char(','));
    visibleLayers = layers.toString().split(QLatin1Char(','), Qt::SkipEmptyParts, Qt::CaseSensitive);
    allowProcessTlEvents = settings.value(QStringLiteral("allowProcessTlEvents"), 1).toInt() != 0;

    zoom = -1;
    processingActive = false;
}

OstrikgPlugin::~OstrikgPlugin()
{
    unloadAll();
}

QString OstrikgPlugin::moduleVersion() const
{
    return QStringLiteral(OSTRIK_VERSION);
}

int OstrikgPlugin::loggingLevel() const
{
    return logLevel;
}

void OstrikgPlugin::setLoggingLevel(int level)
{
    logLevel = level;
}

void OstrikgPlugin::timerEvent(QTimerEvent *event)
{
    // The ids are 0 while a timer is not running; Qt never hands out 0.
    const int id = event->timerId();
    if (id <= 0)
        return;
    if (id == pulseTimerId)
        pulseTick();
    else if (id == checkTimerId)
        checkTick();
    else if (id == blinkTimerId)
        blinkTick();
}
