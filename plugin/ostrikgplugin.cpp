// OstrikgPlugin: construction, properties and timer dispatch.
#include "plugin/ostrikgplugin.h"

#include "plugin/logging.h"

OstrikgPlugin::OstrikgPlugin(QObject *parent) : QObject(parent) {}
OstrikgPlugin::~OstrikgPlugin() { unloadAll(); }
QString OstrikgPlugin::moduleVersion() const { return QStringLiteral("0.1.19"); }
int OstrikgPlugin::loggingLevel() const { return logLevel; }
void OstrikgPlugin::setLoggingLevel(int level) { logLevel = level; }
void OstrikgPlugin::timerEvent(QTimerEvent *) {}
