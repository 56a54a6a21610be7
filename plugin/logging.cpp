// OstrikgPlugin: the process-wide logging level, the tag cache and the emit functions.
#include "plugin/logging.h"

#include <QMap>
#include <QMessageLogger>

int logLevel = 2;

namespace {
// Lives from library load to unload; entries stay until then so callers may keep the pointers.
struct TagCache
{
    TagCache() = default;
    TagCache(const TagCache &) = delete;
    TagCache &operator=(const TagCache &) = delete;
    ~TagCache() { qDeleteAll(tags); }

    QMap<QString, QString *> tags;
};

TagCache tagCache;
} // namespace

const QString *logTag(const QString &name)
{
    QString *&tag = tagCache.tags[name];
    if (!tag)
        tag = new QString(name);
    return tag;
}

const QString &pluginTag()
{
    return *logTag(QStringLiteral("OstrikgPlugin"));
}

// No file, line or function: the host's handler sees only "tag: message".
void logError(const QString &tag, const QString &message)
{
    QMessageLogger(nullptr, 0, nullptr).critical("%s: %s", tag.toLocal8Bit().constData(), message.toLocal8Bit().constData());
}

void logWarning(const QString &tag, const QString &message)
{
    QMessageLogger(nullptr, 0, nullptr).warning("%s: %s", tag.toLocal8Bit().constData(), message.toLocal8Bit().constData());
}

void logInfo(const QString &tag, const QString &message)
{
    QMessageLogger(nullptr, 0, nullptr).info("%s: %s", tag.toLocal8Bit().constData(), message.toLocal8Bit().constData());
}
