// ostrik-view: the demo host's settings, checked before Qt reads them.
#include "hostsettings.h"

#include <filecheck.h>

std::unique_ptr<QSettings> HostSettings::open(const QString &group)
{
    if (!FileCheck::checkSettings().isEmpty())
        return nullptr;
    auto settings = std::make_unique<QSettings>();
    settings->beginGroup(group);
    return settings;
}
