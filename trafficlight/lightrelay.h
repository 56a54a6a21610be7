// Traffic-light state: the relay that carries one controller's signals to the plugin.
#pragma once

#include <QMetaMethod>
#include <QObject>

class Notification;
class Response;
class OstrikgPlugin;
struct LightEntry;

/*!
 * Receives the signals of one controller, and the "finished()" of the replies to the requests
 * sent to it, and hands them to the plugin together with the controller's record. The plugin
 * then never asks QObject::sender() on itself, which searches every connection into the
 * plugin: one per followed controller and per pending reply.
 *
 * The connections are made by signature, with the automatic connection type, as the host's
 * controllers expect. The slots still check that they were reached through a signal and, for
 * notifications and online changes, that the sender is the record's controller.
 *
 * Owned by its LightEntry, which calls release() when it goes: from then on anything that
 * still arrives is ignored, and the relay is deleted as soon as none of its slots runs.
 */
class LightRelay : public QObject
{
    Q_OBJECT
public:
    LightRelay(OstrikgPlugin *plugin, LightEntry *entry);

    //! Connects \a light's "notification(const Notification*)" and "connected(bool)".
    void listen(QObject *light);
    //! Disconnects both signals of \a light from this relay.
    void stopListening(QObject *light);
    /*!
     * Sends "GET_GROUP" with \a group to \a light through its invokable "sendCommand"
     * (automatic connection type, so a direct call) and returns the reply, or null. The
     * method is looked up by name once per controller class, not for every request.
     */
    Response *requestGroup(QObject *light, int group);
    //! Connects the "finished()" of a reply to a request sent to the controller.
    void follow(QObject *response);
    //! The record is going away; the relay forgets it and deletes itself.
    void release();

private Q_SLOTS:
    void on_objectNotification(const Notification *n);
    void on_objectConnected(bool online);
    void on_objectResponseFinished();

private:
    void leaveSlot();

    OstrikgPlugin *m_plugin;
    LightEntry *m_entry;
    // Looked up by signature in the class last met; a controller or a reply of another class
    // is looked up again.
    const QMetaObject *m_lightClass = nullptr;
    QMetaMethod m_sendCommand;
    bool m_returnsResponse = false; // its return type is spelt as invoke() is asked for it
    const QMetaObject *m_replyClass = nullptr;
    QMetaMethod m_finished;
    int m_running = 0; // slots of this relay on the stack
};
