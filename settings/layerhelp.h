// SettingDialog: what each layer of the layer table shows, in plain words.
#pragma once

#include <QString>

/*!
 * One or two sentences for the user on what the layer \a name (as the plugin stores it in
 * its settings, e.g. "Granules" or "redSignals") draws; a general note for any other name.
 */
QString layerHelp(const QString &name);
