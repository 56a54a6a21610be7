// Traffic-light server: a controller object and the project that holds them.
#include "light.h"

#include "notification.h"
#include "response.h"

#include <QBasicTimer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimerEvent>

namespace Corvel {

namespace {
void registerTypes()
{
    qRegisterMetaType<Corvel::Light *>("Corvel::Light*");
    qRegisterMetaType<Response *>("Response*");
}

bool isInteger(const QVariant &v)
{
    switch (v.userType()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}
} // namespace

/*
 * Serves every controller's answers and deletions from one timer of the thread's event loop: a
 * timer per controller would make Qt keep thousands of timers in order, and a posted event
 * per reply would wake the event loop tens of thousands of times when a city is switched on.
 * Answers due at once go out through one posted event rather than a zero timer: they then
 * come before events posted after the request (a live source's next step, say), as a queued
 * call would; Qt serves timers after the posted events.
 */
class ReplyClock : public QObject
{
public:
    static ReplyClock *instance()
    {
        if (!s_clock)
            s_clock = new ReplyClock(QCoreApplication::instance());
        return s_clock;
    }
    //! The clock if there is one; never makes one (a controller may outlive the application).
    static ReplyClock *existing() { return s_clock; }
    qint64 now() const { return m_clock.elapsed(); }
    //! \a light is served at \a due (ms on this clock) or soon after.
    void wake(Light *light, qint64 due)
    {
        auto it = m_waiting.find(light);
        if (it == m_waiting.end())
            m_waiting.insert(light, due);
        else if (due < it.value())
            it.value() = due;
        arm(due);
    }
    void forget(Light *light) { m_waiting.remove(light); }

protected:
    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() != m_timer.timerId())
            return;
        m_timer.stop();
        serveDue();
    }
    void customEvent(QEvent *event) override
    {
        if (event->type() != ServeEvent)
            return;
        m_posted = false;
        serveDue();
    }

private:
    static constexpr QEvent::Type ServeEvent = QEvent::Type(QEvent::User + 731);

    explicit ReplyClock(QObject *parent) : QObject(parent) { m_clock.start(); }
    void serveDue()
    {
        const qint64 now = m_clock.elapsed();
        QVector<QPointer<Light>> due;
        for (auto it = m_waiting.begin(); it != m_waiting.end();) {
            if (it.value() <= now) {
                due.append(it.key());
                it = m_waiting.erase(it);
            } else {
                ++it;
            }
        }
        // Serving one controller runs host code, which may delete another one.
        for (const QPointer<Light> &light : qAsConst(due)) {
            if (!light)
                continue;
            const qint64 next = light->serve(now);
            if (light && next >= 0)
                wake(light, next);
        }
        for (qint64 when : qAsConst(m_waiting))
            arm(when);
    }
    void arm(qint64 due)
    {
        if (due <= m_clock.elapsed()) {
            if (!m_posted) {
                m_posted = true;
                QCoreApplication::postEvent(this, new QEvent(ServeEvent));
            }
            return;
        }
        if (m_timer.isActive() && m_armed <= due)
            return;
        m_armed = due;
        m_timer.start(int(due - m_clock.elapsed()), this);
    }

    static QPointer<ReplyClock> s_clock;
    QElapsedTimer m_clock;
    QBasicTimer m_timer;
    qint64 m_armed = 0;
    bool m_posted = false;
    QHash<Light *, qint64> m_waiting;
};

QPointer<ReplyClock> ReplyClock::s_clock;

Light::Light(int id, QObject *parent) : QObject(parent), m_id(id)
{
    registerTypes();
}

Light::~Light()
{
    // The responses are children and go with the controller.
    if (ReplyClock *clock = ReplyClock::existing())
        clock->forget(this);
}

Response *Light::sendCommand(QVariant command, QVariant argument)
{
    m_commands.append(qMakePair(command, argument));
    if (!m_connected || command.userType() != QMetaType::QString
        || command.toString() != QLatin1String("GET_GROUP") || !isInteger(argument)) {
        return nullptr;
    }
    bool ok = false;
    const int group = argument.toInt(&ok);
    if (!ok)
        return nullptr;

    auto *response = new Response(this);
    // Always through the event loop, even with no delay: callers connect after the call.
    ReplyClock *clock = ReplyClock::instance();
    const qint64 due = clock->now() + qMax(0, m_responseDelay);
    m_pending.append({response, group, due});
    clock->wake(this, due);
    return response;
}

qint64 Light::serve(qint64 now)
{
    QVector<Pending> due;
    QVector<Pending> later;
    for (const Pending &p : qAsConst(m_pending))
        (p.due <= now ? due : later).append(p);
    m_pending = later;
    QVector<Finished> expired;
    QVector<Finished> kept;
    for (const Finished &f : qAsConst(m_finished))
        (f.expires <= now ? expired : kept).append(f);
    m_finished = kept;

    // Receivers run host code: they may ask again (appending to m_pending) or destroy us.
    const QPointer<Light> self(this);
    for (const Pending &p : qAsConst(due)) {
        if (!self)
            return -1;
        if (!p.response)
            continue;
        const QVariant data = m_connected ? QVariant(QVariantList{p.group, groupState(p.group)}) : QVariant();
        QPointer<Response> alive(p.response);
        alive->finish(data);
        if (self && alive)
            m_finished.append({alive, now + qMax(0, m_responseLifetime)});
    }
    if (!self)
        return -1;
    // From the event loop, never while a response's finished() receivers run.
    for (const Finished &f : qAsConst(expired))
        delete f.response.data();

    qint64 next = -1;
    for (const Pending &p : qAsConst(m_pending))
        next = next < 0 ? p.due : qMin(next, p.due);
    for (const Finished &f : qAsConst(m_finished))
        next = next < 0 ? f.expires : qMin(next, f.expires);
    return next;
}

void Light::setConnected(bool connected)
{
    if (connected == m_connected)
        return;
    m_connected = connected;
    Q_EMIT this->connected(connected);
}

void Light::setGroupState(int group, int state)
{
    const auto it = m_states.constFind(group);
    const bool changed = it == m_states.cend() || it.value() != state;
    m_states.insert(group, state);
    if (changed && m_connected && (m_eventMask & SignalGroupEvents))
        pushNotification(Notification::SignalGroupState, QVariantList{group, state});
}

void Light::pushNotification(int kind, const QVariant &data)
{
    const Notification n(kind, data);
    Q_EMIT notification(&n);
}

Project::Project(QObject *parent) : QObject(parent)
{
    registerTypes();
}

Light *Project::object(int id) const
{
    return m_lights.value(id).data();
}

Light *Project::addLight(int id)
{
    if (Light *existing = m_lights.value(id).data())
        return existing;
    auto *light = new Light(id, this);
    m_lights.insert(id, light);
    return light;
}

QList<Light *> Project::lights() const
{
    QList<Light *> out;
    for (const QPointer<Light> &light : m_lights) {
        if (light)
            out.append(light.data());
    }
    return out;
}

} // namespace Corvel
