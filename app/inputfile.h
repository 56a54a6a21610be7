// ostrik-view: the checks every file the host reads itself goes through first.
#pragma once

#include <QString>

/*!
 * True when \a fileName names an existing regular file (after following links) of at most
 * \a maxBytes bytes that can be opened for reading. Otherwise false with \a error saying
 * which of these failed: devices, pipes and folders are refused before anything is read
 * from them, so a read can neither block nor run without end.
 */
bool checkInputFile(const QString &fileName, qint64 maxBytes, QString *error);
