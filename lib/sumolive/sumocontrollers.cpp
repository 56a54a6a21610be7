// SUMO live source: SUMO's steps applied to the host's controllers.
#include "sumocontrollers.h"

#include "clocks.h"
#include "socketfinder.h"
#include "sumoprocess.h"

#include <corvel/light.h>
#include <signalstate.h>

#include <QFileInfo>
#include <QTimer>

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
    if (m_process)
        m_process->finish(waitMs);
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
    return m_process ? m_process->processId() : 0;
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
    // A SUMO of an earlier start goes (killed); nothing it does now concerns us.
    delete m_process.data();
    if (launch.config.isEmpty()) {
        setState(State::Starting, tr("connecting to SUMO at %1:%2\u2026").arg(launch.host).arg(launch.port));
        QMetaObject::invokeMethod(m_worker, "open", Qt::QueuedConnection, Q_ARG(QString, launch.host),
                                  Q_ARG(int, launch.port), Q_ARG(int, launch.attachTimeoutMs),
                                  Q_ARG(SumoSetup, m_setup));
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
    m_process = new SumoProcess(m_launch.program, m_launch.config, port, m_launch.extraArgs, this);
    connect(m_process, &SumoProcess::output, this, [this](const QString &line) { Q_EMIT message(tr("SUMO: %1").arg(line)); });
    connect(m_process, &SumoProcess::ended, this, &SumoControllers::processEnded);
    connect(m_process, &SumoProcess::failedToStart, this, [this](const QString &why) {
        QMetaObject::invokeMethod(m_worker, "cancel", Qt::QueuedConnection);
        setState(State::Lost, tr("cannot start SUMO (\u201c%1\u201d): %2; install the Debian package sumo")
                                  .arg(m_launch.program, why));
        Q_EMIT message(m_stateText);
    });
    setState(State::Starting, tr("starting SUMO with %1\u2026").arg(QFileInfo(m_launch.config).fileName()));
    m_process->start();
    // No time limit: SUMO loading a large network takes what it takes; if it stops, we hear.
    QMetaObject::invokeMethod(m_worker, "open", Qt::QueuedConnection, Q_ARG(QString, QStringLiteral("localhost")),
                              Q_ARG(int, port), Q_ARG(int, 0), Q_ARG(SumoSetup, m_setup));
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
    if (m_process)
        m_process->killAfter(3000); // asked to close; if it does not
    setState(State::Idle, tr("disconnected from SUMO"));
}

void SumoControllers::processEnded(bool normal, int code)
{
    const QString how = !normal ? tr("SUMO ended unexpectedly (it crashed or was killed)")
        : code == 0 ? tr("SUMO ended")
                    : tr("SUMO exited with code %1: %2").arg(code).arg(m_process->problem());
    switch (m_state) {
    case State::Starting:
        QMetaObject::invokeMethod(m_worker, "cancel", Qt::QueuedConnection);
        setState(State::Lost, tr("SUMO did not start: %1").arg(normal ? m_process->problem() : how));
        break;
    case State::Connected:
        QMetaObject::invokeMethod(m_worker, "close", Qt::QueuedConnection);
        goOffline();
        setState(State::Lost, how);
        break;
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
    QMetaObject::invokeMethod(m_worker, "bind", Qt::QueuedConnection, Q_ARG(SumoSetup, m_setup));
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
    if (m_process) {
        m_process->disconnect(this);
        m_process->killAfter(0);
    }
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
    if (m_process && m_process->isRunning()) {
        QTimer::singleShot(1000, m_process, [this, p = m_process.data()] {
            p->disconnect(this); // our kill says nothing about why the connection ended
            p->killAfter(0);
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
