// ostrik-view: what the host can tell about one controller at a glance.
#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace Corvel {
class Light;
}

/*!
 * The state of a controller as the demo host shows it. Live: online and followed by the
 * plugin (its event mask carries the signal-group bit), so its junction shows states.
 * Online: online but not followed right now (out of view, or below the plugin's zoom).
 * Offline: the controller reports no states. Missing: no controller object in the project
 * for the junction's id, so nothing can follow it.
 */
enum class ControllerState { Live, Online, Offline, Missing };

//! The state of \a light; null gives Missing.
ControllerState controllerState(const Corvel::Light *light);
//! Plain words for the list and the info panel ("live", "online, not followed", ...).
QString controllerStateText(ControllerState state);
//! The colour of the junction dot of the overview and of the list's marker.
QColor controllerStateColour(ControllerState state);
//! Counts of \a lights per state: [live, online, offline].
struct ControllerCounts
{
    int live = 0;
    int online = 0;
    int offline = 0;
};
ControllerCounts countControllers(const QList<Corvel::Light *> &lights);
//! "3 of 14 controllers live" (plus ", 1 offline" when any is): an offline one is never live.
QString controllerCountText(const ControllerCounts &counts, int total);
