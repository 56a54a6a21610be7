// OstrikgPlugin: logging.
#include "plugin/logging.h"

int logLevel = 2;
const QString *logTag(const QString &) { static QString s; return &s; }
const QString &pluginTag() { return *logTag(QStringLiteral("OstrikgPlugin")); }
void logError(const QString &, const QString &) {}
void logWarning(const QString &, const QString &) {}
void logInfo(const QString &, const QString &) {}
