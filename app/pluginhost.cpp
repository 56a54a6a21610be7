// ostrik-view: loading the plugin and calling it through the meta-object system.
#include "pluginhost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QMetaObject>
#include <QPluginLoader>
#include <QWidget>

#ifndef OSTRIK_PLUGIN_BUILD_PATH
#define OSTRIK_PLUGIN_BUILD_PATH ""
#endif
#ifndef OSTRIK_PLUGIN_INSTALL_SUBDIR
#define OSTRIK_PLUGIN_INSTALL_SUBDIR "lib/ostrik/plugins/mirel"
#endif
#ifndef OSTRIK_PLUGIN_FILE_NAME
#define OSTRIK_PLUGIN_FILE_NAME "libOstrikgPlugin.so"
#endif

PluginHost::PluginHost() = default;

PluginHost::~PluginHost()
{
    release();
}

QStringList PluginHost::candidatePaths(const QString &explicitPath)
{
    if (!explicitPath.isEmpty())
        return {explicitPath};
    QStringList paths;
    // An installed ostrik-view lives in <prefix>/bin and takes the plugin installed beside it;
    // in the build tree that path does not exist and the build tree's plugin is taken.
    const QDir prefix(QCoreApplication::applicationDirPath() + QStringLiteral("/.."));
    paths << QDir::cleanPath(prefix.filePath(QStringLiteral(OSTRIK_PLUGIN_INSTALL_SUBDIR "/" OSTRIK_PLUGIN_FILE_NAME)));
    const QString build = QStringLiteral(OSTRIK_PLUGIN_BUILD_PATH);
    if (!build.isEmpty())
        paths << build;
    paths.removeDuplicates();
    return paths;
}

bool PluginHost::load(const QString &explicitPath, QObject *kernel, QString *error)
{
    const QStringList paths = candidatePaths(explicitPath);
    QString path;
    for (const QString &p : paths) {
        if (QFileInfo(p).isFile()) {
            path = p;
            break;
        }
    }
    if (path.isEmpty()) {
        *error = QStringLiteral("plugin library not found (looked for %1)").arg(paths.join(QStringLiteral(", ")));
        return false;
    }
    m_loader = new QPluginLoader(path);
    QObject *obj = m_loader->instance();
    if (!obj) {
        *error = QStringLiteral("cannot load the plugin %1: %2").arg(path, m_loader->errorString());
        delete m_loader;
        m_loader = nullptr;
        return false;
    }
    // The host checks the entry point it relies on before adopting the object.
    if (obj->metaObject()->indexOfMethod("loadOstrik(QString,QGraphicsScene*,QObject*)") < 0) {
        *error = QStringLiteral("%1 is not the Ostrik plugin (class %2 has no loadOstrik)")
                     .arg(path, QLatin1String(obj->metaObject()->className()));
        delete m_loader;
        m_loader = nullptr;
        return false;
    }
    obj->setParent(kernel);
    m_instance = obj;
    m_fileName = QFileInfo(path).absoluteFilePath();
    return true;
}

void PluginHost::release()
{
    if (m_instance) {
        unloadAll();
        delete m_instance.data();
    }
    // The library stays loaded: Qt keeps plugin libraries mapped until the process ends.
    delete m_loader;
    m_loader = nullptr;
}

bool PluginHost::check(bool invoked, const char *method)
{
    if (!m_instance) {
        m_lastError = QStringLiteral("%1: the plugin is not loaded").arg(QLatin1String(method));
        return false;
    }
    if (!invoked) {
        m_lastError = QStringLiteral("%1: the plugin does not offer this method with the host's signature")
                          .arg(QLatin1String(method));
        return false;
    }
    return true;
}

QString PluginHost::moduleVersion() const
{
    return m_instance ? m_instance->property("moduleVersion").toString() : QString();
}

void PluginHost::setLoggingLevel(int level)
{
    if (m_instance)
        m_instance->setProperty("loggingLevel", level);
}

bool PluginHost::loadOstrik(const QString &fileName, QGraphicsScene *scene, QObject *project)
{
    bool result = false;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "loadOstrik", Qt::DirectConnection,
        Q_RETURN_ARG(bool, result), Q_ARG(QString, fileName), Q_ARG(QGraphicsScene*, scene),
        Q_ARG(QObject*, project));
    return check(ok, "loadOstrik") && result;
}

void PluginHost::unloadAll()
{
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "unloadAll", Qt::DirectConnection);
    check(ok, "unloadAll");
}

QObject *PluginHost::item2object(QGraphicsItem *item)
{
    QObject *result = nullptr;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "item2object", Qt::DirectConnection,
        Q_RETURN_ARG(QObject*, result), Q_ARG(QGraphicsItem*, item));
    return check(ok, "item2object") ? result : nullptr;
}

QGraphicsItem *PluginHost::object2item(QObject *object)
{
    QGraphicsItem *result = nullptr;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "object2item", Qt::DirectConnection,
        Q_RETURN_ARG(QGraphicsItem*, result), Q_ARG(QObject*, object));
    return check(ok, "object2item") ? result : nullptr;
}

void PluginHost::setItemColor(QGraphicsItem *item, const QColor &color)
{
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "setItemColor", Qt::DirectConnection,
        Q_ARG(QGraphicsItem*, item), Q_ARG(QColor, color));
    check(ok, "setItemColor");
}

void PluginHost::resetItemColor(QGraphicsItem *item)
{
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "resetItemColor", Qt::DirectConnection,
        Q_ARG(QGraphicsItem*, item));
    check(ok, "resetItemColor");
}

void PluginHost::pulseItem(QGraphicsItem *item, const QColor &color, int ms)
{
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "pulseItem", Qt::DirectConnection,
        Q_ARG(QGraphicsItem*, item), Q_ARG(QColor, color), Q_ARG(int, ms));
    check(ok, "pulseItem");
}

QObject *PluginHost::granule(int controllerId)
{
    QObject *result = nullptr;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "granule", Qt::DirectConnection,
        Q_RETURN_ARG(QObject*, result), Q_ARG(int, controllerId));
    return check(ok, "granule") ? result : nullptr;
}

QObject *PluginHost::findObjectByName(const QString &name)
{
    QObject *result = nullptr;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "findObjectByName", Qt::DirectConnection,
        Q_RETURN_ARG(QObject*, result), Q_ARG(QString, name));
    return check(ok, "findObjectByName") ? result : nullptr;
}

QGraphicsItem *PluginHost::findItemByName(const QString &name)
{
    QGraphicsItem *result = nullptr;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "findItemByName", Qt::DirectConnection,
        Q_RETURN_ARG(QGraphicsItem*, result), Q_ARG(QString, name));
    return check(ok, "findItemByName") ? result : nullptr;
}

void PluginHost::showSettingsDialog(QWidget *parent)
{
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "showSettingsDialog", Qt::DirectConnection,
        Q_ARG(QWidget*, parent));
    check(ok, "showSettingsDialog");
}

bool PluginHost::loadGpxTrack(const QString &fileName)
{
    bool result = false;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "loadGpxTrack", Qt::DirectConnection,
        Q_RETURN_ARG(bool, result), Q_ARG(QString, fileName));
    return check(ok, "loadGpxTrack") && result;
}

QVariantMap PluginHost::getTimelineData(QObject *route)
{
    QVariantMap result;
    const bool ok = m_instance && QMetaObject::invokeMethod(m_instance, "getTimelineData", Qt::DirectConnection,
        Q_RETURN_ARG(QVariantMap, result), Q_ARG(QObject*, route));
    return check(ok, "getTimelineData") ? result : QVariantMap();
}
