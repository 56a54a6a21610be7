// SUMO live source: the TraCI thread: connecting, pacing, handing the steps over.
#include "traciworker.h"

#include "clocks.h"
#include "socketfinder.h"
#include "traciconnection.h"

#include <cmath>
#include <csignal>
#include <pthread.h>

namespace {

// A socket whose peer vanished raises SIGPIPE in the writing thread; here it must become
// an error return instead of ending the program.
void ignoreBrokenPipesInThisThread()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

QString failure(const std::exception &e)
{
    return QStringLiteral("the connection to SUMO failed: %1").arg(QString::fromLocal8Bit(e.what()));
}

} // namespace

TraciWorker::TraciWorker(QObject *parent) : QObject(parent), m_retry(this), m_pace(this), m_idle(this)
{
    qRegisterMetaType<SumoHello>();
    qRegisterMetaType<SumoStep>();
    qRegisterMetaType<SumoSetup>();
    m_retry.setInterval(50);
    connect(&m_retry, &QTimer::timeout, this, &TraciWorker::tryOpen);
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &TraciWorker::pump);
    m_idle.setInterval(2000);
    connect(&m_idle, &QTimer::timeout, this, &TraciWorker::idleCheck);
}

TraciWorker::~TraciWorker()
{
    close();
}

void TraciWorker::interrupt()
{
    const int fd = m_socket.load();
    if (fd >= 0)
        SocketFinder::shutDown(fd);
}

void TraciWorker::open(const QString &host, int port, int timeoutMs, const SumoSetup &setup)
{
    ignoreBrokenPipesInThisThread();
    close();
    m_host = host;
    m_port = port;
    m_timeoutMs = timeoutMs;
    m_setup = setup;
    m_trying.start();
    m_retry.start();
    tryOpen();
}

void TraciWorker::cancel()
{
    if (!m_retry.isActive())
        return;
    m_retry.stop();
    Q_EMIT openFailed(QStringLiteral("cancelled"));
}

void TraciWorker::tryOpen()
{
    std::unique_ptr<TraciConnection> c = TraciConnection::open(m_host.toStdString(), m_port);
    if (!c) {
        // Nothing listens yet (SUMO still loads) or it refused: try again until the time is up.
        if (m_timeoutMs > 0 && m_trying.elapsed() > m_timeoutMs) {
            m_retry.stop();
            Q_EMIT openFailed(QStringLiteral("no SUMO answers at %1:%2 (is it running with --remote-port %2?)")
                                  .arg(m_host).arg(m_port));
        }
        return;
    }
    m_retry.stop();
    m_socket = SocketFinder::connectedTo(m_port);
    try {
        c->setUp(m_setup);
    } catch (const std::exception &e) {
        m_socket = -1;
        Q_EMIT openFailed(QStringLiteral("SUMO did not answer as expected: %1").arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    m_c = std::move(c);
    m_anchor = m_c->time();
    m_wall.start();
    m_awaitingAck = false;
    m_stepWanted = false;
    m_runTo = -1.0;
    m_idle.start();
    Q_EMIT opened(m_c->hello());
    pump();
}

void TraciWorker::bind(const SumoSetup &setup)
{
    m_setup = setup;
    if (!m_c)
        return;
    try {
        m_c->setUp(setup);
    } catch (const std::exception &e) {
        drop(failure(e));
        return;
    }
    Q_EMIT opened(m_c->hello());
}

void TraciWorker::setPacing(bool running, double speed)
{
    m_running = running;
    m_speed = std::max(0.0, speed);
    if (m_c) {
        m_anchor = m_c->time();
        m_wall.restart();
    }
    pump();
}

void TraciWorker::stepOnce()
{
    m_stepWanted = true;
    pump();
}

void TraciWorker::runTo(double seconds)
{
    m_runTo = seconds;
    pump();
}

void TraciWorker::acknowledge()
{
    m_awaitingAck = false;
    pump();
}

void TraciWorker::pump()
{
    m_pace.stop();
    if (!m_c || m_awaitingAck)
        return;
    const double next = m_c->time() + m_c->stepLength();
    if (m_stepWanted || (m_runTo >= 0 && m_c->time() < m_runTo - 1e-9)) {
        m_stepWanted = false;
        doStep();
        return;
    }
    m_runTo = -1.0;
    if (!m_running || !(m_speed > 0.0))
        return;
    double due = m_anchor + m_wall.elapsed() / 1000.0 * m_speed;
    if (due - next > 2.0 * m_speed) {
        // SUMO (or the host) fell behind: go on from here rather than racing to catch up.
        m_anchor = m_c->time();
        m_wall.restart();
        due = m_anchor;
    }
    if (next <= due + 1e-9) {
        doStep();
        return;
    }
    const double waitMs = (next - m_anchor) / m_speed * 1000.0 - m_wall.elapsed();
    m_pace.start(std::max(1, int(std::ceil(waitMs))));
}

void TraciWorker::doStep()
{
    SumoStep step;
    QStringList messages;
    try {
        m_c->step(&step, &messages);
    } catch (const std::exception &e) {
        drop(failure(e));
        return;
    }
    for (const QString &m : qAsConst(messages))
        Q_EMIT message(m);
    m_awaitingAck = true;
    step.readyNs = Clocks::nowNs();
    Q_EMIT stepped(step);
}

void TraciWorker::idleCheck()
{
    if (!m_c || m_awaitingAck || m_pace.isActive())
        return;
    try {
        m_c->check();
    } catch (const std::exception &e) {
        drop(failure(e));
    }
}

void TraciWorker::close()
{
    m_retry.stop();
    if (!m_c)
        return;
    m_c.reset();
    m_socket = -1;
    m_pace.stop();
    m_idle.stop();
}

void TraciWorker::drop(const QString &reason)
{
    close();
    if (!reason.isEmpty())
        Q_EMIT lost(reason);
}
