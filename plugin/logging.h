// OstrikgPlugin: the process-wide logging level and the three emit functions.
#pragma once

#include <QString>

/*!
 * Level 0 or less: nothing; 1: errors; 2: errors and warnings (default); 3 or more:
 * everything. Callers test the level before they build a message:
 * errors when logLevel > 0, warnings when > 1, information when > 2.
 */
extern int logLevel;

//! The cached tag for \a name: the same object on every call for the same name.
const QString *logTag(const QString &name);
//! The plugin's own tag, logTag("OstrikgPlugin").
const QString &pluginTag();

//! Writes "tag: message" through Qt's message handler (critical, warning, info).
void logError(const QString &tag, const QString &message);
void logWarning(const QString &tag, const QString &message);
void logInfo(const QString &tag, const QString &message);
