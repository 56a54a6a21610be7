// SUMO live source: controllers of the host project driven by a running SUMO.
#pragma once

#include "sumotypes.h"
#include "traciworker.h"

#include <controllersource.h>

#include <QObject>
#include <QPointer>
#include <QThread>

class SumoProcess;
namespace Corvel {
class Light;
class Project;
}

/*!
 * Drives controllers of a Corvel::Project from SUMO: after every SUMO step each bound
 * controller's group states equal SUMO's (link i is group i + 1, letters by
 * SignalState::fromSumo, anything undefined off), so a controller pushes kind-5
 * notifications for exactly the groups that changed and answers "GET_GROUP" with the latest
 * step's state. Bound controllers are offline until the first step after connecting, and
 * go offline again when the connection ends for any reason.
 *
 * start() either starts SUMO with a configuration as a child process (a free local port,
 * --remote-port, SUMO_HOME set when missing) or attaches to a SUMO that listens at
 * host:port. Everything that can block runs on the worker thread or in the child: this
 * object only applies finished steps, one at a time, in the thread it lives in.
 *
 * As a ControllerSource: time() is SUMO's time of the last applied step; running keeps it
 * at wall time times speed(); stepOnce() is one SUMO step; runTo() steps as fast as SUMO
 * goes. The project and its lights are not owned; a light deleted meanwhile is skipped.
 */
class SumoControllers : public QObject, public ControllerSource
{
    Q_OBJECT
public:
    enum class State { Idle, Starting, Connected, Lost };

    struct Launch
    {
        QString config;                        //!< .sumocfg to start SUMO with; empty: attach
        QString program = QStringLiteral("sumo");
        QStringList extraArgs;                 //!< more SUMO options (started SUMO only)
        QString host = QStringLiteral("localhost");
        int port = 0;                          //!< where to attach
        int attachTimeoutMs = 10000;
    };

    //! Host-side costs of the last applied step, in milliseconds.
    struct StepCosts
    {
        double traci = 0.0;    //!< TraCI round trip (worker)
        double map = 0.0;      //!< comparing states, placing vehicles (worker)
        double apply = 0.0;    //!< writing states into the lights, notifications included
        double handover = 0.0; //!< from the worker having the step to this thread applying it
        double workerCpu = 0.0; //!< CPU time of the worker for the round trip and the comparing
        double applyCpu = 0.0;  //!< CPU time of applying
    };

    explicit SumoControllers(Corvel::Project *project, QObject *parent = nullptr);
    //! Closes the connection; a SUMO started here is asked to end, then killed if it hangs.
    ~SumoControllers() override;

    //! Which controllers SUMO drives (creates them in the project, offline). Before start().
    void setBindings(const QVector<LightBinding> &bindings);
    //! Junctions for placing vehicles on the map; without them no vehicles are followed.
    void setReferencePoints(const QVector<ReferencePoint> &points) { m_setup.references = points; }
    void setFollowVehicles(bool on) { m_setup.vehicles = on; }

    void start(const Launch &launch);
    /*!
     * Other bindings (and reference points) for the open connection, for a network known
     * only once SUMO said which it runs. The bound controllers come online with the next step.
     */
    void rebind(const QVector<LightBinding> &bindings, const QVector<ReferencePoint> &points);
    //! The last launch again (a started SUMO starts from its beginning).
    void reconnect();
    //! Ends the connection on the user's wish; a SUMO started here ends. State Idle.
    void stop();

    State state() const { return m_state; }
    //! One line for a status bar: connection state, SUMO version, or why it ended.
    QString stateText() const { return m_stateText; }
    //! Process id of the SUMO started here (0 when none runs).
    qint64 processId() const;
    const SumoHello &hello() const { return m_hello; }
    QList<int> boundControllers() const;
    const QVector<SumoVehicle> &vehicles() const { return m_vehicles; }
    //! The lights that changed in the last applied step: slot (index into hello().lights), letters.
    const QVector<QPair<int, QByteArray>> &lastChanges() const { return m_lastChanges; }
    StepCosts lastCosts() const { return m_costs; }
    int stepsApplied() const { return m_steps; }

    double time() const override { return m_time; }
    bool isRunning() const override { return m_running; }
    void setRunning(bool running) override;
    double speed() const override { return m_speed; }
    void setSpeed(double speed) override;
    void stepOnce() override;
    void runTo(double seconds) override;
    bool isLive() const override { return m_state == State::Connected; }

Q_SIGNALS:
    void stateChanged();
    //! A step's states are in the controllers (and vehicles() is that step's).
    void stepApplied(double time);
    //! A line for the user: mismatched lights, SUMO's own output, why the connection ended.
    void message(const QString &text);

private:
    void setState(State state, const QString &text);
    void startProcess();
    void processEnded(bool normal, int code);
    void onOpened(const SumoHello &hello);
    void onOpenFailed(const QString &reason);
    void onStepped(const SumoStep &step);
    void onLost(const QString &reason);
    void goOffline();
    void shutDown(int waitMs);

    QPointer<Corvel::Project> m_project;
    QThread m_thread;
    TraciWorker *m_worker;
    QPointer<SumoProcess> m_process;
    Launch m_launch;
    SumoSetup m_setup;
    SumoHello m_hello;
    QVector<QPointer<Corvel::Light>> m_slotLights;
    QVector<SumoVehicle> m_vehicles;
    QVector<QPair<int, QByteArray>> m_lastChanges;
    State m_state = State::Idle;
    QString m_stateText;
    double m_time = 0.0;
    double m_speed = 1.0;
    bool m_running = false;
    bool m_firstStep = true;
    int m_steps = 0;
    StepCosts m_costs;
};
