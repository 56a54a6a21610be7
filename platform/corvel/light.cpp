// Traffic-light server: a controller object and the project that holds them.
#include "light.h"

#include "notification.h"
#include "response.h"

#include <QTimer>

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

Light::Light(int id, QObject *parent) : QObject(parent), m_id(id)
{
    registerTypes();
}

Light::~Light() = default; // responses are children and go with the controller

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
    QTimer::singleShot(m_responseDelay, response, [this, response, group] {
        const QVariant data = m_connected ? QVariant(QVariantList{group, groupState(group)}) : QVariant();
        QPointer<Response> alive(response);
        response->finish(data);
        if (alive)
            QTimer::singleShot(m_responseLifetime, alive.data(), &QObject::deleteLater);
    });
    return response;
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
