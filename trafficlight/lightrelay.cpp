// Traffic-light state: the relay that carries one controller's signals to the plugin.
#include "trafficlight/lightrelay.h"

#include "plugin/ostrikgplugin.h"

#include <corvel/notification.h>
#include <corvel/response.h>

#include <QThread>

LightRelay::LightRelay(OstrikgPlugin *plugin, LightEntry *entry)
    : m_plugin(plugin), m_entry(entry)
{
}

namespace {

// The two signals of a controller class, looked up by signature once: a city switches
// thousands of controllers of one class on and off at a time.
struct LightSignals
{
    const QMetaObject *lightClass = nullptr;
    int notification = -1;
    int connected = -1;
};

const LightSignals &signalsOf(const QObject *light)
{
    static LightSignals known;
    const QMetaObject *meta = light->metaObject();
    if (meta != known.lightClass) {
        known.lightClass = meta;
        known.notification = meta->indexOfSignal(
            QMetaObject::normalizedSignature("notification(const Notification*)").constData());
        known.connected = meta->indexOfSignal("connected(bool)");
    }
    return known;
}

} // namespace

void LightRelay::listen(QObject *light)
{
    static const int onNotification =
        staticMetaObject.indexOfSlot("on_objectNotification(const Notification*)");
    static const int onConnected = staticMetaObject.indexOfSlot("on_objectConnected(bool)");
    const LightSignals &sig = signalsOf(light);
    const auto type = Qt::ConnectionType(Qt::AutoConnection | Qt::UniqueConnection);
    // A class without the signal goes the way of the signature, which says what is missing.
    if (sig.notification >= 0)
        QMetaObject::connect(light, sig.notification, this, onNotification, type);
    else
        connect(light, SIGNAL(notification(const Notification*)), this,
                SLOT(on_objectNotification(const Notification*)), Qt::UniqueConnection);
    if (sig.connected >= 0)
        QMetaObject::connect(light, sig.connected, this, onConnected, type);
    else
        connect(light, SIGNAL(connected(bool)), this, SLOT(on_objectConnected(bool)),
                Qt::UniqueConnection);
}

void LightRelay::stopListening(QObject *light)
{
    static const int onNotification =
        staticMetaObject.indexOfSlot("on_objectNotification(const Notification*)");
    static const int onConnected = staticMetaObject.indexOfSlot("on_objectConnected(bool)");
    const LightSignals &sig = signalsOf(light);
    if (sig.notification >= 0)
        QMetaObject::disconnect(light, sig.notification, this, onNotification);
    else
        disconnect(light, SIGNAL(notification(const Notification*)), this,
                   SLOT(on_objectNotification(const Notification*)));
    if (sig.connected >= 0)
        QMetaObject::disconnect(light, sig.connected, this, onConnected);
    else
        disconnect(light, SIGNAL(connected(bool)), this, SLOT(on_objectConnected(bool)));
}

Response *LightRelay::requestGroup(QObject *light, int group)
{
    if (light->metaObject() != m_lightClass) {
        m_lightClass = light->metaObject();
        const int index = m_lightClass->indexOfMethod("sendCommand(QVariant,QVariant)");
        m_sendCommand = index >= 0 ? m_lightClass->method(index) : QMetaMethod();
        m_returnsResponse = qstrcmp(m_sendCommand.typeName(), "Response*") == 0;
    }
    Response *response = nullptr;
    if (!m_sendCommand.isValid())
        return response;
    QVariant command(QStringLiteral("GET_GROUP"));
    QVariant argument(group);
    // In the controller's own thread the automatic connection type makes a direct call:
    // made here without invoke() comparing the type names again for every request.
    if (m_returnsResponse && light->thread() == QThread::currentThread()) {
        void *argv[] = {&response, &command, &argument};
        QMetaObject::metacall(light, QMetaObject::InvokeMetaMethod, m_sendCommand.methodIndex(), argv);
        return response;
    }
    m_sendCommand.invoke(light, Qt::AutoConnection, QGenericReturnArgument("Response*", &response),
                         Q_ARG(QVariant, command), Q_ARG(QVariant, argument));
    return response;
}

void LightRelay::follow(QObject *response)
{
    if (response->metaObject() != m_replyClass) {
        m_replyClass = response->metaObject();
        const int index = m_replyClass->indexOfSignal("finished()");
        m_finished = index >= 0 ? m_replyClass->method(index) : QMetaMethod();
    }
    static const int slot = staticMetaObject.indexOfSlot("on_objectResponseFinished()");
    // By the indexes the signatures gave: QObject::connect would check them again and spell
    // both signatures out for every reply.
    if (m_finished.isValid())
        QMetaObject::connect(response, m_finished.methodIndex(), this, slot, Qt::AutoConnection);
}

void LightRelay::release()
{
    m_entry = nullptr;
    // Showing a state reaches host code, which may destroy the controller and with it the
    // record while a slot of this relay is still on the stack.
    if (m_running == 0)
        delete this;
}

void LightRelay::leaveSlot()
{
    if (--m_running == 0 && !m_entry)
        deleteLater();
}

// Each slot reads what it needs from the sender before it looks at the record: reading is
// host code, which may destroy the controller and so release this relay's record.
void LightRelay::on_objectNotification(const Notification *n)
{
    ++m_running;
    // The record is read after the notification: ask for it now.
    prefetchLine(m_entry);
    const QObject *source = sender();
    if (source && m_plugin->isGroupStateNotification(n)) {
        const QVariant data = n->data();
        if (m_entry)
            m_plugin->deliverNotification(m_entry, source, data);
    }
    leaveSlot();
}

void LightRelay::on_objectConnected(bool online)
{
    ++m_running;
    const QObject *source = sender();
    if (m_entry)
        m_plugin->deliverOnlineChange(m_entry, source, online);
    leaveSlot();
}

void LightRelay::on_objectResponseFinished()
{
    ++m_running;
    if (const Response *response = qobject_cast<Response *>(sender())) {
        const QVariant data = response->data();
        if (m_entry)
            m_plugin->deliverReply(m_entry, data);
    }
    leaveSlot();
}
