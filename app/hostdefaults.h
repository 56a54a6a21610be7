// ostrik-view: the demo host's own defaults for the plugin's settings.
#pragma once

#include <QStringList>

/*!
 * The plugin keeps its settings in the host application's settings, group "ostrikPlugin".
 * A host may seed them before the plugin is created; the plugin's own defaults apply to
 * anything not stored.
 */
namespace HostDefaults {

/*!
 * The layers the demo host shows on a first run: the plugin's default list without "Routes",
 * so that a route shows when it is selected in the tree and the network is not buried under
 * every route. Derived from the graphics library's layer list as the plugin derives its own.
 */
QStringList visibleLayers();

/*!
 * Stores visibleLayers() as the plugin's "visibleLayers" when no value is stored yet (a
 * user's choice is never overwritten). Nothing is written when the settings files are
 * unusable (see FileCheck::checkSettings). True when it wrote the value.
 */
bool seedPluginSettings();

//! The plugin's stored minimum zoom ("minZoom"), 17 when none or unusable.
int pluginMinimumZoom();

} // namespace HostDefaults
