// SUMO live source: SUMO's steps applied to the host's controllers; the SUMO child process.
#include "sumocontrollers.h"

#include "clocks.h"
#include "socketfinder.h"

#include <corvel/light.h>
#include <signalplan.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <ctime>

namespace {

constexpr int OutputTailLines = 40;



// SUMO validates its XML against schemas under SUMO_HOME; without it, it tries the web.
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

SumoControllers::SumoControllers(Corvel::Project *project, QObject *parent)
    : QObject(parent)
    , m_project(project)
    , m_worker(new TraciWorker)
{
    m_thread.setObjectName(QStringLiteral("traci"));
    m_worker->moveToThread(&m_thread);
    connect(m_worker, &TraciWorker::opened, this, &SumoControllers::onOpened);
    connect(m_worker, &TraciWorker::openFailed, this, &SumoControllers::onOpenFailed);
    connect(m_worker, &TraciWorker::stepped, this, &SumoControllers::onStepped);
    connect(m_worker, &TraciWorker::lost, this, &SumoControllers::onLost);
    connect(m_worker, &TraciWorker::message, this, &SumoControllers::message);
    m_thread.start();
}

SumoControllers::~SumoControllers()
{
    shutDown(3000);
}

void SumoControllers::shutDown(int waitMs)
{
    // The worker closes the connection (a SUMO started here then ends) and stops its thread.
    QMetaObject::invokeMethod(m_worker, [w = m_worker] {
        w->close();
        QThread::currentThread()->quit();
    }, Qt::QueuedConnection);
    if (m_process && m_process->state() != QProcess::NotRunning) {
        m_process->disconnect(this);
        if (!m_process->waitForFinished(waitMs)) {
            m_process->kill();
            m_process->waitForFinished(1000);
        }
    }
    if (!m_thread.wait(waitMs)) {
        m_worker->interrupt(); // an attached SUMO that hangs
        m_thread.wait();
    }
    delete m_worker;
    m_worker = nullptr;
}

void SumoControllers::setBindings(const QVector<LightBinding> &bindings)
{
    m_setup.bindings = bindings;
    if (!m_project)
        return;
    for (const LightBinding &b : bindings)
        m_project->addLight(b.controllerId)->setConnected(false);
}

QList<int> SumoControllers::boundControllers() const
{
    QList<int> ids;
    for (const LightBinding &b : m_setup.bindings)
        ids << b.controllerId;
    return ids;
}

qint64 SumoControllers::processId() const
{
    return m_process && m_process->state() == QProcess::Running ? m_process->processId() : 0;
}

void SumoControllers::setState(State state, const QString &text)
{
    m_state = state;
    m_stateText = text;
    Q_EMIT stateChanged();
}

void SumoControllers::start(const Launch &launch)
{
    m_launch = launch;
    goOffline();
    m_time = 0.0;
    m_steps = 0;
    if (m_process) {
        // A SUMO of an earlier start goes; nothing it does now concerns us.
        m_process->disconnect(this);
        m_process->kill();
        connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), m_process, &QObject::deleteLater);
        m_process = nullptr;
    }
    if (launch.config.isEmpty()) {
        setState(State::Starting, tr("connecting to SUMO at %1:%2\u2026").arg(launch.host).arg(launch.port));
        QMetaObject::invokeMethod(m_worker, "open", Qt::QueuedConnection, Q_ARG(QString, launch.host),
                                  Q_ARG(int, launch.port), Q_ARG(int, launch.attachTimeoutMs),
                                  Q_ARG(TraciWorker::Setup, m_setup));
        return;
    }
    startProcess();
}

void SumoControllers::startProcess()
{
    const int port = SocketFinder::freeLocalPort();
    if (port <= 0) {
        setState(State::Lost, tr("no free local port for SUMO's remote control"));
        Q_EMIT message(m_stateText);
        return;
    }
    m_outputTail.clear();
    m_process = new QProcess(this);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    m_process->setProcessEnvironment(sumoEnvironment(m_launch.program));
    m_process->setWorkingDirectory(QFileInfo(m_launch.config).absolutePath());
    connect(m_process, &QProcess::readyRead, this, &SumoControllers::readProcessOutput);
    connect(m_process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &SumoControllers::processFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return;
        QMetaObject::invokeMethod(m_worker, "cancel", Qt::QueuedConnection);
        setState(State::Lost, tr("cannot start SUMO (\u201c%1\u201d): %2; install the Debian package sumo")
                                  .arg(m_launch.program, m_process->errorString()));
        Q_EMIT message(m_stateText);
    });
    QStringList args{QStringLiteral("-c"), QFileInfo(m_launch.config).absoluteFilePath(),
                     QStringLiteral("--remote-port"), QString::number(port), QStringLiteral("--no-step-log")};
    args << m_launch.extraArgs;
    setState(State::Starting, tr("starting SUMO with %1\u2026").arg(QFileInfo(m_launch.config).fileName()));
    m_process->start(m_launch.program, args);
    // No time limit: SUMO loading a large network takes what it takes; if it stops, we hear.
    QMetaObject::invokeMethod(m_worker, "open", Qt::QueuedConnection, Q_ARG(QString, QStringLiteral("localhost")),
                              Q_ARG(int, port), Q_ARG(int, 0), Q_ARG(TraciWorker::Setup, m_setup));
}

void SumoControllers::reconnect()
{
    start(m_launch);
}

void SumoControllers::stop()
{
    QMetaObject::invokeMethod(m_worker, "cancel", Qt::QueuedConnection);
    QMetaObject::invokeMethod(m_worker, "close", Qt::QueuedConnection);
    goOffline();
    if (m_process && m_process->state() != QProcess::NotRunning)
        QTimer::singleShot(3000, m_process, &QProcess::kill); // asked to close; if it does not
    setState(State::Idle, tr("disconnected from SUMO"));
}

void SumoControllers::readProcessOutput()
{
    if (!m_process)
        return;
    while (m_process->canReadLine() || (m_process->state() == QProcess::NotRunning && m_process->bytesAvailable())) {
        const QString line = QString::fromLocal8Bit(m_process->readLine()).trimmed();
        if (line.isEmpty())
            continue;
        m_outputTail << line;
        if (m_outputTail.size() > OutputTailLines)
            m_outputTail.removeFirst();
        Q_EMIT message(tr("SUMO: %1").arg(line));
    }
}

QString SumoControllers::sumoProblem() const
{
    QStringList errors;
    for (const QString &l : m_outputTail)
        if (l.startsWith(QLatin1String("Error")))
            errors << l;
    if (errors.isEmpty())
        errors = m_outputTail.mid(std::max(0, int(m_outputTail.size()) - 3));
    return errors.isEmpty() ? tr("it wrote nothing") : errors.join(QLatin1Char(' '));
}

void SumoControllers::processFinished(int code, QProcess::ExitStatus status)
{
    readProcessOutput();
    const QString how = status == QProcess::CrashExit ? tr("SUMO ended unexpectedly (it crashed or was killed)")
        : code == 0 ? tr("SUMO ended")
                    : tr("SUMO exited with code %1: %2").arg(code).arg(sumoProblem());
    switch (m_state) {
    case State::Starting:
        QMetaObject::invokeMethod(m_worker, "cancel", Qt::QueuedConnection);
        setState(State::Lost, tr("SUMO did not start: %1").arg(status == QProcess::NormalExit ? sumoProblem() : how));
        break;
    case State::Connected: {
        QMetaObject::invokeMethod(m_worker, "close", Qt::QueuedConnection);
        goOffline();
        const bool atEnd = status == QProcess::NormalExit && code == 0 && m_hello.endTime >= 0
            && m_time >= m_hello.endTime - m_hello.stepLength - 1e-6;
        setState(State::Lost, atEnd ? tr("SUMO finished its simulation at %1 s").arg(m_time) : how);
        break;
    }
    case State::Lost:
        // The connection's end was reported already; the exit says why.
        setState(State::Lost, how);
        break;
    case State::Idle:
        return;
    }
    Q_EMIT message(m_stateText);
}

void SumoControllers::rebind(const QVector<LightBinding> &bindings, const QVector<ReferencePoint> &points)
{
    goOffline();
    setBindings(bindings);
    m_setup.references = points;
    QMetaObject::invokeMethod(m_worker, "bind", Qt::QueuedConnection, Q_ARG(TraciWorker::Setup, m_setup));
}

void SumoControllers::onOpened(const SumoHello &hello)
{
    if (m_state != State::Starting && m_state != State::Connected)
        return;
    m_hello = hello;
    m_time = hello.time;
    m_firstStep = true;
    m_slotLights.clear();
    for (const LightSlot &s : hello.lights)
        m_slotLights << QPointer<Corvel::Light>(m_project ? m_project->object(s.controllerId) : nullptr);
    for (const QString &m : hello.messages)
        Q_EMIT message(m);
    setState(State::Connected, tr("connected to %1").arg(hello.version));
    QMetaObject::invokeMethod(m_worker, "setPacing", Qt::QueuedConnection, Q_ARG(bool, m_running), Q_ARG(double, m_speed));
}

void SumoControllers::onOpenFailed(const QString &reason)
{
    if (m_state != State::Starting || reason == QLatin1String("cancelled"))
        return;
    if (m_process)
        m_process->kill();
    setState(State::Lost, reason);
    Q_EMIT message(reason);
}

void SumoControllers::onStepped(const SumoStep &step)
{
    if (m_state != State::Connected)
        return; // from a connection that ended meanwhile
    const qint64 start = Clocks::nowNs();
    const double cpuStart = Clocks::threadCpuMs();
    for (const auto &change : step.changes) {
        Corvel::Light *light = m_slotLights.value(change.first).data();
        if (!light)
            continue;
        const QByteArray &letters = change.second;
        const int links = m_hello.lights.at(change.first).links;
        for (int i = 0; i < links; ++i) {
            const int code = i < letters.size() ? SignalState::fromSumo(letters.at(i)) : -1;
            light->setGroupState(i + 1, code < 0 ? int(SignalState::Off) : code);
        }
    }
    if (m_firstStep) {
        m_firstStep = false;
        for (const QPointer<Corvel::Light> &l : qAsConst(m_slotLights))
            if (l)
                l->setConnected(true);
    }
    m_time = step.time;
    m_vehicles = step.vehicles;
    m_lastChanges = step.changes;
    ++m_steps;
    m_costs = {step.traciMs, step.mapMs, (Clocks::nowNs() - start) / 1e6, (start - step.readyNs) / 1e6, step.cpuMs,
               Clocks::threadCpuMs() - cpuStart};
    Q_EMIT stepApplied(m_time);
    QMetaObject::invokeMethod(m_worker, "acknowledge", Qt::QueuedConnection);
}

void SumoControllers::onLost(const QString &reason)
{
    if (m_state != State::Connected)
        return;
    goOffline();
    setState(State::Lost, reason);
    Q_EMIT message(reason);
    // A SUMO that lost its client is of no further use; its exit (if it ends by itself
    // now) refines the reason.
    if (m_process && m_process->state() != QProcess::NotRunning) {
        QTimer::singleShot(1000, m_process, [this, p = m_process] {
            p->disconnect(this); // our kill says nothing about why the connection ended
            p->kill();
        });
    }
}

void SumoControllers::goOffline()
{
    if (m_project) {
        for (const LightBinding &b : qAsConst(m_setup.bindings))
            if (Corvel::Light *l = m_project->object(b.controllerId))
                l->setConnected(false);
    }
    m_vehicles.clear();
    m_lastChanges.clear();
}

void SumoControllers::setRunning(bool running)
{
    m_running = running;
    QMetaObject::invokeMethod(m_worker, "setPacing", Qt::QueuedConnection, Q_ARG(bool, m_running), Q_ARG(double, m_speed));
}

void SumoControllers::setSpeed(double speed)
{
    m_speed = std::max(0.0, speed);
    QMetaObject::invokeMethod(m_worker, "setPacing", Qt::QueuedConnection, Q_ARG(bool, m_running), Q_ARG(double, m_speed));
}

void SumoControllers::stepOnce()
{
    QMetaObject::invokeMethod(m_worker, "stepOnce", Qt::QueuedConnection);
}

void SumoControllers::runTo(double seconds)
{
    QMetaObject::invokeMethod(m_worker, "runTo", Qt::QueuedConnection, Q_ARG(double, seconds));
}
