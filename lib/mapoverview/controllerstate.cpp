// ostrik-view: controller states in words and colours.
#include "controllerstate.h"

#include <corvel/light.h>
#include <ostrikga/networkstyle.h>

#include <QCoreApplication>

ControllerState controllerState(const Corvel::Light *light)
{
    if (!light)
        return ControllerState::Missing;
    if (!light->isConnected())
        return ControllerState::Offline;
    return (light->eventMask() & Corvel::Light::SignalGroupEvents) ? ControllerState::Live : ControllerState::Online;
}

QString controllerStateText(ControllerState state)
{
    switch (state) {
    case ControllerState::Live: return QCoreApplication::translate("ControllerState", "live");
    case ControllerState::Online: return QCoreApplication::translate("ControllerState", "online, not followed");
    case ControllerState::Offline: return QCoreApplication::translate("ControllerState", "offline");
    case ControllerState::Missing: return QCoreApplication::translate("ControllerState", "no controller");
    }
    return QString();
}

QColor controllerStateColour(ControllerState state)
{
    switch (state) {
    case ControllerState::Live: return QColor(0, 150, 70);
    // Online and live share the dot's green: below the plugin's zoom nothing is followed, and
    // the overview's question is whether the controller answers.
    case ControllerState::Online: return QColor(0, 150, 70);
    case ControllerState::Offline: return QColor(120, 120, 120);
    // The plugin's resting look of a connection that no controller drives.
    case ControllerState::Missing: return Ostrikga::NetworkStyle::standard().connection;
    }
    return QColor();
}

ControllerCounts countControllers(const QList<Corvel::Light *> &lights)
{
    ControllerCounts c;
    for (const Corvel::Light *l : lights) {
        switch (controllerState(l)) {
        case ControllerState::Live: ++c.live; break;
        case ControllerState::Online: ++c.online; break;
        case ControllerState::Offline: ++c.offline; break;
        case ControllerState::Missing: break;
        }
    }
    return c;
}

QString controllerCountText(const ControllerCounts &counts, int total)
{
    QString text = QCoreApplication::translate("ControllerState", "%1 of %2 controllers live").arg(counts.live).arg(total);
    if (counts.offline > 0)
        text += QCoreApplication::translate("ControllerState", ", %1 offline").arg(counts.offline);
    return text;
}
