// ostrik-view: following a running SUMO: its network, its signals and its vehicles.
#pragma once

#include "importcache.h"
#include "signalhistory.h"
#include "signalplan.h"
#include "vehicletracks.h"

#include <sumocontrollers.h>

#include <QObject>
#include <QPointer>

class DemoSession;
class VehicleLayer;
class QGraphicsObject;

/*!
 * The demo host's second controller source: SUMO. It finds the network SUMO runs (the
 * given ".ostka", else the configuration's net file, else the one SUMO names once it runs),
 * imports it into the cache when needed, opens it with controllers that SUMO drives, and
 * connects. It then keeps the vehicles on the map (a host layer above the roads and below
 * the plugin's signal display), and records the signal states and vehicle tracks the
 * time-distance diagram shows.
 *
 * Everything that takes time runs in child processes or SUMO's worker thread; the calls
 * return at once and the phase moves on through the event loop.
 */
class LiveSumo : public QObject
{
    Q_OBJECT
public:
    struct Request
    {
        QString config;                             //!< start SUMO with this configuration
        QString host = QStringLiteral("localhost"); //!< or follow the SUMO that listens here
        int port = 0;
        QString network;       //!< the import of SUMO's network; empty: made or found in the cache
        QStringList extraArgs; //!< more options for a SUMO started here
        bool vehicles = true;  //!< follow SUMO's vehicles
    };
    enum class Phase { Idle, Importing, Connecting, Live, Ended, Failed };

    explicit LiveSumo(DemoSession *session);
    ~LiveSumo() override;

    void begin(const Request &request);
    //! After SUMO ended or the user disconnected: the same SUMO again (a started one from its beginning).
    void reconnect();
    //! Ends the connection; a SUMO started here ends with it.
    void stop();

    SumoControllers &controllers() { return *m_controllers; }
    const SumoControllers &controllers() const { return *m_controllers; }
    Phase phase() const { return m_phase; }
    //! One line for the status bar: importing, connecting, connected, or why it ended.
    QString statusText() const;
    QString networkFile() const { return m_networkFile; }
    bool drives(int controller) const { return m_controllers->boundControllers().contains(controller); }

    const SignalHistory &history() const { return m_history; }
    //! The fixed-time approximations of the plan file (for a window length, never for states).
    const QMap<int, ControllerPlan> &approximations() const { return m_approximations.plans; }
    //! Trajectories of the vehicles that drove along the route of \a projector in [from, to].
    QVector<Trajectory> trajectories(const RouteProjector &projector, double from, double to) const;
    VehicleLayer *vehicleLayer() const { return m_vehicles; }
    //! The vehicle layer's place between the network's roads and its signal display.
    void placeVehicleLayer();

Q_SIGNALS:
    //! A line for the user (what was imported, matching problems, SUMO's own output).
    void note(const QString &text);
    //! The start could not go on (no network, import failed); statusText() says the same.
    void failed(const QString &error);
    void changed();

private:
    void importNetwork(const QString &netFile, const QStringList &routeFiles);
    bool openNetwork(const QString &file);
    void connectSumo();
    void networkFromSumo();
    void onStateChanged();
    void onStep();
    void fail(const QString &error);
    void setPhase(Phase phase);

    DemoSession *m_session;
    SumoControllers *m_controllers;
    ImportCache m_cache;
    Request m_request;
    Phase m_phase = Phase::Idle;
    QString m_networkFile;
    QString m_importing;
    int m_importPercent = -1;
    QString m_error;
    SignalPlanSet m_approximations;
    SignalHistory m_history;
    VehicleTracks m_tracks;
    QPointer<QGraphicsObject> m_layer;
    VehicleLayer *m_vehicles = nullptr;
    bool m_endNoted = false;
};
