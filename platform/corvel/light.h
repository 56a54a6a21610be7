// Traffic-light server: a controller object and the project that holds them.
#pragma once

#include "corvel_export.h"
#include "notification.h"
#include "response.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QVector>

namespace Corvel {

class ReplyClock;

/*!
 * A traffic-light controller as the host's server library presents it.
 *
 * "eventMask" selects the events it pushes; bit 0x20 is the signal-group events: while it
 * is set, every change of a group's state is pushed as a kind-5 "notification" with the
 * data [group id, state code]. "sendCommand" accepts "GET_GROUP" with a group id and
 * returns a Response that finishes asynchronously (after responseDelay() ms, through the
 * event loop) with [group id, state code]; an unknown command, a non-integer argument or
 * an offline controller gives null. A controller that goes offline before the answer is
 * due finishes the response with no data. Responses finish in the order they were asked
 * for; all that are due together finish in one pass of the event loop, and an answer due at
 * once comes before events posted after the request. The controller owns
 * its responses and deletes them, from the event loop, responseLifetime() ms after they
 * finished, or when it is destroyed; the finished() receivers always run first.
 *
 * The Notification passed by notification() lives only while the signal is emitted (it is
 * a stack object): receivers must not keep it or connect with Qt::QueuedConnection.
 *
 * Group states are the server's codes (SignalState::Code in lib/signalplan/signalstate.h:
 * green, green flashing, red, yellow, red-yellow, yellow flashing, off).
 */
class CORVEL_EXPORT Light : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int id READ id CONSTANT)
    Q_PROPERTY(uint eventMask READ eventMask WRITE setEventMask)
    Q_PROPERTY(bool isConnected READ isConnected)
public:
    static constexpr uint SignalGroupEvents = 0x20;

    explicit Light(int id, QObject *parent = nullptr);
    ~Light() override;

    int id() const { return m_id; }
    uint eventMask() const { return m_eventMask; }
    void setEventMask(uint mask) { m_eventMask = mask; }
    bool isConnected() const { return m_connected; }

    Q_INVOKABLE Response *sendCommand(QVariant command, QVariant argument);

    //! Goes online or offline; emits connected(bool) on a change.
    void setConnected(bool connected);
    //! Sets a group's state; pushes a kind-5 notification when it changed, the controller is
    //! online and bit 0x20 of the event mask is set.
    void setGroupState(int group, int state);
    int groupState(int group) const { return m_states.value(group, 0); }
    QList<int> groups() const { return m_states.keys(); }
    //! Pushes a notification of any kind with any data (for tests and tools).
    void pushNotification(int kind, const QVariant &data);

    int responseDelay() const { return m_responseDelay; }
    void setResponseDelay(int ms) { m_responseDelay = ms; }
    //! How long a finished response stays alive, in ms (default 5000).
    int responseLifetime() const { return m_responseLifetime; }
    void setResponseLifetime(int ms) { m_responseLifetime = ms; }
    //! Number of commands received so far (also those answered with null), and the
    //! commands themselves (command, argument), oldest first.
    int commandCount() const { return m_commands.count(); }
    QList<QPair<QVariant, QVariant>> commands() const { return m_commands.toList(); }

Q_SIGNALS:
    void notification(const Notification *n);
    void connected(bool online);

private:
    friend class ReplyClock;
    struct Pending
    {
        QPointer<Response> response;
        int group;
        qint64 due; // on the reply clock, ms
    };
    struct Finished
    {
        QPointer<Response> response;
        qint64 expires; // on the reply clock, ms
    };
    //! Finishes the due answers and deletes the expired responses; returns when the next
    //! one is due (-1: nothing left).
    qint64 serve(qint64 now);

    int m_id;
    uint m_eventMask = 0;
    bool m_connected = true;
    int m_responseDelay = 0;
    int m_responseLifetime = 5000;
    QMap<int, int> m_states;
    QVector<QPair<QVariant, QVariant>> m_commands;
    QVector<Pending> m_pending;   // in request order
    QVector<Finished> m_finished; // in finishing order
};

/*!
 * The host project: holds the controllers by id. "object(int)" returns the controller of
 * an id, or null for an unknown id. Owns its controllers.
 */
class CORVEL_EXPORT Project : public QObject
{
    Q_OBJECT
public:
    explicit Project(QObject *parent = nullptr);
    Q_INVOKABLE Corvel::Light *object(int id) const;

    //! Creates the controller for \a id, or returns the existing one.
    Light *addLight(int id);
    QList<Light *> lights() const;

private:
    QMap<int, QPointer<Light>> m_lights;
};

} // namespace Corvel

Q_DECLARE_METATYPE(Corvel::Light *)
Q_DECLARE_METATYPE(Response *)
