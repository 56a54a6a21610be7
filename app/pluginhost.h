// ostrik-view: the plugin as the host sees it, loaded by path and called by method name.
#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QGraphicsItem;
class QGraphicsScene;
class QPluginLoader;
class QWidget;

/*!
 * Loads the plugin library with QPluginLoader and calls its root object only through
 * QMetaObject::invokeMethod and properties, with the host interface's names and argument
 * types. Every call on a plugin that is not loaded, or whose invocation fails, returns the
 * "nothing" value of its result type (false, null, empty map) and records lastError().
 */
class PluginHost
{
public:
    PluginHost();
    ~PluginHost();
    PluginHost(const PluginHost &) = delete;
    PluginHost &operator=(const PluginHost &) = delete;

    /*!
     * Candidate paths in search order: \a explicitPath alone when given; else the plugin
     * installed beside the executable (<prefix>/lib/ostrik/plugins/mirel), then the build tree's.
     */
    static QStringList candidatePaths(const QString &explicitPath);

    /*!
     * Loads the first existing candidate and makes \a kernel the instance's parent.
     * On failure returns false with a message naming the paths tried and the loader's error.
     */
    bool load(const QString &explicitPath, QObject *kernel, QString *error);
    bool isLoaded() const { return !m_instance.isNull(); }
    QObject *instance() const { return m_instance; }
    QString fileName() const { return m_fileName; }
    QString lastError() const { return m_lastError; }

    //! Unloads every network, then destroys the instance (the library stays mapped).
    void release();

    // Properties.
    QString moduleVersion() const;
    void setLoggingLevel(int level);

    // The invokable interface.
    bool loadOstrik(const QString &fileName, QGraphicsScene *scene, QObject *project);
    void unloadAll();
    QObject *item2object(QGraphicsItem *item);
    QGraphicsItem *object2item(QObject *object);
    void setItemColor(QGraphicsItem *item, const QColor &color);
    void resetItemColor(QGraphicsItem *item);
    void pulseItem(QGraphicsItem *item, const QColor &color, int ms);
    QObject *granule(int controllerId);
    QObject *findObjectByName(const QString &name);
    QGraphicsItem *findItemByName(const QString &name);
    void showSettingsDialog(QWidget *parent);
    bool loadGpxTrack(const QString &fileName);
    QVariantMap getTimelineData(QObject *route);

private:
    bool check(bool invoked, const char *method);

    QPluginLoader *m_loader = nullptr;
    QPointer<QObject> m_instance;
    QString m_fileName;
    QString m_lastError;
};
