// ostrik-view: the demo host's own remembered values.
#pragma once

#include <QSettings>

#include <memory>

/*!
 * The host's QSettings (organisation and application of the running program) opened on a
 * group of its own: "window" or "files", never the plugin's "ostrikPlugin". Null when a
 * settings file is no regular file (a FIFO would block, a device flood): the host then
 * forgets rather than hangs. Callers read and write inside the returned group.
 */
class HostSettings
{
public:
    static std::unique_ptr<QSettings> open(const QString &group);
};
