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

// The controller's two signals and the relay's slots for them, as SIGNAL() and SLOT() spell them.
const char *const kSignals[] = {SIGNAL(notification(const Notification*)), SIGNAL(connected(bool))};
const char *const kSlots[] = {SLOT(on_objectNotification(const Notification*)), SLOT(on_objectConnected(bool))};
constexpr int kRoutes = 2;

// The indexes of those signals in a controller class and of the slots, looked up by signature
// once: a city switches thousands of controllers of one class on and off at a time. -1 where
// the class lacks a signal.
struct Routes
{
    const QMetaObject *lightClass = nullptr;
    int signal[kRoutes] = {-1, -1};
    int slot[kRoutes] = {-1, -1};
};

const Routes &routesOf(const QObject *light)
{
    static Routes known;
    const QMetaObject *meta = light->metaObject();
    if (meta != known.lightClass) {
        known.lightClass = meta;
        for (int i = 0; i < kRoutes; ++i) {
            // Past the code letter SIGNAL() and SLOT() put first.
            known.signal[i] = meta->indexOfSignal(QMetaObject::normalizedSignature(kSignals[i] + 1).constData());
            known.slot[i] = LightRelay::staticMetaObject.indexOfSlot(
                QMetaObject::normalizedSignature(kSlots[i] + 1).constData());
        }
    }
    return known;
}

} // namespace

void LightRelay::listen(QObject *light)
{
    const Routes &r = routesOf(light);
    const auto type = Qt::ConnectionType(Qt::AutoConnection | Qt::UniqueConnection);
    for (int i = 0; i < kRoutes; ++i) {
        // A class without the signal goes the way of the signature, which says what is missing.
        if (r.signal[i] >= 0)
            QMetaObject::connect(light, r.signal[i], this, r.slot[i], type);
        else
            connect(light, kSignals[i], this, kSlots[i], Qt::UniqueConnection);
    }
}

void LightRelay::stopListening(QObject *light)
{
    const Routes &r = routesOf(light);
    for (int i = 0; i < kRoutes; ++i) {
        if (r.signal[i] >= 0)
            QMetaObject::disconnect(light, r.signal[i], this, r.slot[i]);
        else
            disconnect(light, kSignals[i], this, kSlots[i]);
    }
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
