// ostrik-view: SUMO networks imported on the fly into the user's cache folder.
#pragma once

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QStringList>

/*!
 * Finds or makes the ".ostka" import of a SUMO network (and the named routes of its route
 * files) with ostka-import, in "<cache>/sumo-imports/<key>/" where the key follows the
 * inputs' paths, sizes and modification times: an import is made once and found again
 * until a file changes. ostka-import writes the network and its plan file both or neither,
 * so a network found there is complete.
 *
 * ensure() works asynchronously (a child process); it reports progress() while it runs and
 * ends with finished() or failed(). Destroying the cache stops a running import.
 */
class ImportCache : public QObject
{
    Q_OBJECT
public:
    explicit ImportCache(QObject *parent = nullptr);
    ~ImportCache() override;

    //! Where the import of these inputs lies (whether it exists yet or not).
    static QString cachedNetwork(const QString &netFile, const QStringList &routeFiles, int firstController = 0);
    //! ostka-import: beside this program, else the build tree's, else on the PATH; empty: none.
    static QString importer();

    //! \a firstController > 0: the controllers are numbered from it (ostka-import --first-controller).
    void ensure(const QString &netFile, const QStringList &routeFiles, int firstController = 0);
    bool isRunning() const { return m_process && m_process->state() != QProcess::NotRunning; }

Q_SIGNALS:
    void progress(const QString &stage, int percent);
    //! The network is there; \a imported is false when it came from the cache.
    void finished(const QString &network, bool imported, const QStringList &warnings);
    void failed(const QString &error);

private:
    void readOutput();
    void done(int code, QProcess::ExitStatus status);

    QPointer<QProcess> m_process;
    QString m_network;
    QString m_netFile;
    QStringList m_warnings;
    QStringList m_errors;
};
