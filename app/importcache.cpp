// ostrik-view: on-the-fly imports of SUMO networks with ostka-import.
#include "importcache.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#ifndef OSTKA_IMPORT_BUILD_PATH
#define OSTKA_IMPORT_BUILD_PATH ""
#endif

ImportCache::ImportCache(QObject *parent) : QObject(parent) {}

ImportCache::~ImportCache()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(2000);
    }
}

QString ImportCache::cachedNetwork(const QString &netFile, const QStringList &routeFiles, int firstController)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    // Numbered differently, the same inputs make a different network.
    if (firstController > 0)
        hash.addData("first-controller " + QByteArray::number(firstController));
    for (const QString &f : QStringList(netFile) + routeFiles) {
        const QFileInfo fi(f);
        hash.addData(fi.absoluteFilePath().toUtf8());
        hash.addData(QByteArray::number(fi.size()));
        hash.addData(QByteArray::number(fi.lastModified().toMSecsSinceEpoch()));
    }
    // A rebuilt or upgraded importer may read the same files differently: its imports are not reused.
    const QFileInfo tool(importer());
    hash.addData(QByteArray::number(tool.size()));
    hash.addData(QByteArray::number(tool.lastModified().toMSecsSinceEpoch()));
    QString name = QFileInfo(netFile).fileName();
    for (const char *suffix : {".gz", ".xml", ".net"})
        if (name.endsWith(QLatin1String(suffix)))
            name.chop(int(qstrlen(suffix)));
    if (name.isEmpty())
        name = QStringLiteral("network");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
        + QStringLiteral("/sumo-imports/") + QString::fromLatin1(hash.result().toHex().left(16));
    return folder + QLatin1Char('/') + name + QStringLiteral(".ostka");
}

QString ImportCache::importer()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/ostka-import");
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString build = QStringLiteral(OSTKA_IMPORT_BUILD_PATH);
    if (!build.isEmpty() && QFileInfo(build).isExecutable())
        return build;
    return QStandardPaths::findExecutable(QStringLiteral("ostka-import"));
}

void ImportCache::ensure(const QString &netFile, const QStringList &routeFiles, int firstController)
{
    m_network = cachedNetwork(netFile, routeFiles, firstController);
    m_netFile = netFile;
    m_warnings.clear();
    m_errors.clear();
    const QString plans = m_network.left(m_network.size() - 6) + QStringLiteral(".plans.json");
    if (QFileInfo::exists(m_network) && QFileInfo::exists(plans)) {
        QTimer::singleShot(0, this, [this] { Q_EMIT finished(m_network, false, {}); });
        return;
    }
    const QString program = importer();
    if (program.isEmpty()) {
        QTimer::singleShot(0, this, [this] {
            Q_EMIT failed(tr("cannot import %1: the importer ostka-import was not found; import it yourself and "
                             "give the .ostka file").arg(m_netFile));
        });
        return;
    }
    if (!QDir().mkpath(QFileInfo(m_network).absolutePath())) {
        QTimer::singleShot(0, this, [this] {
            Q_EMIT failed(tr("cannot create the cache folder %1").arg(QFileInfo(m_network).absolutePath()));
        });
        return;
    }
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->deleteLater();
    }
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->setReadChannel(QProcess::StandardError);
    connect(m_process, &QProcess::readyReadStandardError, this, &ImportCache::readOutput);
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this, &ImportCache::done);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            Q_EMIT failed(tr("cannot run the importer %1: %2").arg(importer(), m_process->errorString()));
    });
    QStringList args{QStringLiteral("-o"), m_network.left(m_network.size() - 6), netFile};
    if (firstController > 0)
        args << QStringLiteral("--first-controller") << QString::number(firstController);
    args << routeFiles;
    m_process->start(program, args);
}

void ImportCache::readOutput()
{
    static const QRegularExpression stage(QStringLiteral("^(.*\\S)\\s+(\\d+)%$"));
    while (m_process && m_process->canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process->readLine()).trimmed();
        const QRegularExpressionMatch m = stage.match(line);
        if (line.startsWith(QLatin1String("ostka-import: warning: ")))
            m_warnings << line.mid(23);
        else if (line.startsWith(QLatin1String("ostka-import: ")))
            m_errors << line.mid(14);
        else if (m.hasMatch())
            Q_EMIT progress(m.captured(1), m.captured(2).toInt());
    }
}

void ImportCache::done(int code, QProcess::ExitStatus status)
{
    if (m_process)
        m_process->setReadChannel(QProcess::StandardError);
    readOutput();
    if (m_process) {
        const QString rest = QString::fromLocal8Bit(m_process->readAllStandardError()).trimmed();
        if (rest.startsWith(QLatin1String("ostka-import: ")))
            m_errors << rest.mid(14);
    }
    if (status == QProcess::NormalExit && code == 0 && QFileInfo::exists(m_network)) {
        Q_EMIT finished(m_network, true, m_warnings);
        return;
    }
    Q_EMIT failed(tr("cannot import %1: %2").arg(m_netFile, m_errors.isEmpty()
        ? tr("ostka-import ended with code %1").arg(code) : m_errors.join(QLatin1String("; "))));
}
