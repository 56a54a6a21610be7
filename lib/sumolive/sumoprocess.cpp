// SUMO live source: the SUMO child process and its output.
#include "sumoprocess.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr int TailLines = 40;

QProcessEnvironment sumoEnvironment(const QString &program)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.value(QStringLiteral("SUMO_HOME")).isEmpty())
        return env;
    const QString exe = QStandardPaths::findExecutable(program);
    const QString home = QDir::cleanPath(QFileInfo(exe.isEmpty() ? program : exe).absolutePath()
                                         + QStringLiteral("/../share/sumo"));
    if (QFileInfo(home + QStringLiteral("/data/xsd")).isDir())
        env.insert(QStringLiteral("SUMO_HOME"), home);
    return env;
}

} // namespace

SumoProcess::SumoProcess(const QString &program, const QString &config, int port, const QStringList &extraArgs,
                         QObject *parent)
    : QObject(parent)
    , m_program(program)
{
    const QFileInfo fi(config);
    m_args << QStringLiteral("-c") << fi.absoluteFilePath() << QStringLiteral("--remote-port") << QString::number(port)
           << QStringLiteral("--no-step-log") << extraArgs;
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setProcessEnvironment(sumoEnvironment(program));
    m_process.setWorkingDirectory(fi.absolutePath());
    connect(&m_process, &QProcess::readyRead, this, &SumoProcess::readOutput);
    connect(&m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this](int code, QProcess::ExitStatus status) {
                readOutput();
                Q_EMIT ended(status == QProcess::NormalExit, code);
            });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            Q_EMIT failedToStart(m_process.errorString());
    });
}

SumoProcess::~SumoProcess()
{
    m_process.disconnect(this);
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void SumoProcess::start()
{
    m_tail.clear();
    m_process.start(m_program, m_args);
}

qint64 SumoProcess::processId() const
{
    return m_process.state() == QProcess::Running ? m_process.processId() : 0;
}

void SumoProcess::readOutput()
{
    while (m_process.canReadLine() || (!isRunning() && m_process.bytesAvailable())) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (line.isEmpty())
            continue;
        m_tail << line;
        if (m_tail.size() > TailLines)
            m_tail.removeFirst();
        Q_EMIT output(line);
    }
}

QString SumoProcess::problem() const
{
    QStringList errors;
    for (const QString &l : m_tail)
        if (l.startsWith(QLatin1String("Error")))
            errors << l;
    if (errors.isEmpty())
        errors = m_tail.mid(std::max(0, int(m_tail.size()) - 3));
    return errors.isEmpty() ? tr("it wrote nothing") : errors.join(QLatin1Char(' '));
}

void SumoProcess::killAfter(int ms)
{
    QTimer::singleShot(ms, this, [this] {
        if (isRunning())
            m_process.kill();
    });
}

void SumoProcess::finish(int ms)
{
    if (!isRunning())
        return;
    m_process.disconnect(this);
    if (!m_process.waitForFinished(ms)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}
