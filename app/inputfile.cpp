// ostrik-view: regular-file and size check before reading.
#include "inputfile.h"

#include <QFileInfo>

bool checkInputFile(const QString &fileName, qint64 maxBytes, QString *error)
{
    const QFileInfo fi(fileName);
    if (!fi.exists()) {
        *error = QStringLiteral("%1 does not exist").arg(fileName);
        return false;
    }
    if (!fi.isFile()) {
        *error = QStringLiteral("%1 is not a regular file").arg(fileName);
        return false;
    }
    if (fi.size() > maxBytes) {
        *error = QStringLiteral("%1 is larger than %2 MB").arg(fileName).arg(maxBytes / (1024 * 1024));
        return false;
    }
    if (!fi.isReadable()) {
        *error = QStringLiteral("%1 cannot be read").arg(fileName);
        return false;
    }
    return true;
}
