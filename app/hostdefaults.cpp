// ostrik-view: seeding the plugin's settings group with the demo host's choices.
#include "hostdefaults.h"

#include <filecheck.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QSettings>

namespace {
const char *const Group = "ostrikPlugin";
constexpr int DefaultMinZoom = 17;
} // namespace

QStringList HostDefaults::visibleLayers()
{
    QStringList names;
    QGraphicsScene scratch;
    {
        Ostrikga::Networkg network(&scratch);
        for (const Ostrikga::Layer *layer : network.layers()) {
            const QString name = layer->objectName();
            // The editing aids stay hidden as in the plugin's list; routes show when selected.
            if (name != QLatin1String("Splits") && name != QLatin1String("Markers") && name != QLatin1String("Routes"))
                names.append(name);
        }
    }
    names.append(QStringLiteral("redSignals"));
    return names;
}

bool HostDefaults::seedPluginSettings()
{
    if (!FileCheck::checkSettings().isEmpty())
        return false;
    QSettings settings;
    settings.beginGroup(QLatin1String(Group));
    if (settings.contains(QStringLiteral("visibleLayers")))
        return false;
    settings.setValue(QStringLiteral("visibleLayers"), visibleLayers().join(QLatin1Char(',')));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

int HostDefaults::pluginMinimumZoom()
{
    if (!FileCheck::checkSettings().isEmpty())
        return DefaultMinZoom;
    QSettings settings;
    bool ok = false;
    const int zoom = settings.value(QStringLiteral("%1/minZoom").arg(QLatin1String(Group)), DefaultMinZoom).toInt(&ok);
    return ok ? zoom : DefaultMinZoom;
}
