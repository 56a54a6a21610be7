// SUMO live source: the thread that talks TraCI.
#pragma once

#include "sumotypes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>

/*!
 * Every TraCI call of the host happens in this object's thread, through a TraciConnection:
 * the calls block (SUMO may load or step slowly). open() connects (retrying while SUMO still
 * loads) and sets the connection up: every light's state and, with vehicles on, every
 * vehicle's position, angle and speed are subscribed, so that a step is one round trip
 * however many lights and vehicles there are, plus two for each vehicle that departed in it
 * (its subscription, which answers at once so that a new vehicle is there in its first
 * step, and its length). It only reads: nothing here changes SUMO's signals.
 *
 * Steps are handed over one at a time: after stepped() the worker waits for acknowledge()
 * before it steps again, so the host's controllers never fall more than one step behind.
 * Running, it keeps SUMO time at wall time times the speed (catching up at most two
 * seconds of wall time, then going on from where it is); runTo() and stepOnce() step as
 * soon as acknowledged. While idle it checks every two seconds that SUMO still answers.
 * Any failure of the connection ends it with lost(); the worker can open again afterwards.
 */
class TraciConnection;

class TraciWorker : public QObject
{
    Q_OBJECT
public:
    explicit TraciWorker(QObject *parent = nullptr);
    ~TraciWorker() override;

    /*!
     * Unblocks a call that waits for SUMO by shutting the connection's socket down (safe
     * from any thread). For a SUMO that hangs; the worker then reports lost().
     */
    void interrupt();

public Q_SLOTS:
    /*!
     * Connects to SUMO at \a host : \a port, trying every 50 ms until it answers, until
     * \a timeoutMs passed (<= 0: until cancel()) or cancel() is called; opened() or
     * openFailed(). An open connection is closed first.
     */
    void open(const QString &host, int port, int timeoutMs, const SumoSetup &setup);
    /*!
     * Matches and subscribes anew for other bindings on the open connection (opened() again
     * with the new matching); without a connection it only keeps them for the next open().
     */
    void bind(const SumoSetup &setup);
    //! Stops trying to connect (openFailed("cancelled")).
    void cancel();
    void setPacing(bool running, double speed);
    void stepOnce();
    void runTo(double seconds);
    //! The host applied the last step; the next may come.
    void acknowledge();
    //! Asks SUMO to close the connection (SUMO started for it then ends) and forgets it.
    void close();

Q_SIGNALS:
    //! Connected (or bound anew): what SUMO has and how it was matched.
    void opened(const SumoHello &hello);
    void openFailed(const QString &reason);
    void stepped(const SumoStep &step);
    //! The connection failed (SUMO exited, crashed, or the network dropped).
    void lost(const QString &reason);
    //! Something the user should know that does not end the connection.
    void message(const QString &text);

private:
    void tryOpen();
    void pump();
    void doStep();
    void idleCheck();
    void drop(const QString &reason);

    std::unique_ptr<TraciConnection> m_c;
    QString m_host;
    int m_port = 0;
    SumoSetup m_setup;
    QElapsedTimer m_trying;
    int m_timeoutMs = 0;
    QTimer m_retry;
    QTimer m_pace;
    QTimer m_idle;
    QElapsedTimer m_wall;
    double m_anchor = 0.0;
    bool m_running = false;
    double m_speed = 1.0;
    bool m_stepWanted = false;
    double m_runTo = -1.0;
    bool m_awaitingAck = false;
    std::atomic<int> m_socket{-1};
};

