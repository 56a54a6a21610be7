// ostrik-view: the SUMO controller source: network, connection, vehicles, recordings.
#include "livesumo.h"

#include "session.h"
#include "vehiclelayer.h"

#include <filecheck.h>
#include <networkbindings.h>
#include <sumoconfig.h>

#include <mirel/mapscene.h>
#include <ostrika/ostrika.h>

#include <QDir>
#include <QFileInfo>

namespace {

const QColor TrajectoryColour(45, 55, 150);

// The plugin's network layers, by name: roads below the vehicles, the signal display above.
const char *const RoadLayers[] = {"Granules", "Edges", "Lanes", "CrossWalks"};
const char *const SignalLayers[] = {"Connections", "Stoplines", "redSignals", "Markers"};

} // namespace

LiveSumo::LiveSumo(DemoSession *session)
    : QObject(session)
    , m_session(session)
    , m_controllers(new SumoControllers(session->simulation().project(), this))
{
    connect(m_controllers, &SumoControllers::stateChanged, this, &LiveSumo::onStateChanged);
    connect(m_controllers, &SumoControllers::stepApplied, this, &LiveSumo::onStep);
    connect(m_controllers, &SumoControllers::message, this, &LiveSumo::note);
    connect(&m_cache, &ImportCache::progress, this, [this](const QString &, int percent) {
        m_importPercent = percent;
        Q_EMIT changed();
    });
    connect(&m_cache, &ImportCache::failed, this, &LiveSumo::fail);
    connect(&m_cache, &ImportCache::finished, this, [this](const QString &network, bool imported, const QStringList &warnings) {
        if (imported) {
            Q_EMIT note(tr("imported %1 into %2").arg(QFileInfo(m_importing).fileName(), QFileInfo(network).absolutePath()));
            // The warning that points to this very way of watching the programs is moot here.
            for (const QString &w : warnings)
                if (!w.contains(QLatin1String("--sumo")))
                    Q_EMIT note(tr("ostka-import: %1").arg(w));
        } else {
            Q_EMIT note(tr("using the import of %1 from the cache (%2)").arg(QFileInfo(m_importing).fileName(), network));
        }
        if (!openNetwork(network))
            return;
        if (m_controllers->state() == SumoControllers::State::Idle)
            connectSumo();
        else
            setPhase(m_controllers->isLive() ? Phase::Live : Phase::Connecting);
    });
    m_controllers->setSpeed(session->simulation().speed());
}

LiveSumo::~LiveSumo()
{
    delete m_layer.data();
}

void LiveSumo::setPhase(Phase phase)
{
    m_phase = phase;
    Q_EMIT changed();
}

void LiveSumo::fail(const QString &error)
{
    m_error = error;
    setPhase(Phase::Failed);
    Q_EMIT note(error);
    Q_EMIT failed(error);
}

void LiveSumo::begin(const Request &request)
{
    m_request = request;
    m_error.clear();
    m_controllers->setFollowVehicles(request.vehicles);
    if (!request.network.isEmpty()) {
        if (openNetwork(request.network))
            connectSumo();
        return;
    }
    if (!request.config.isEmpty()) {
        // A FIFO or a device would hang SUMO as well as us: refused before anyone reads it.
        const QString refused = FileCheck::check(request.config, FileCheck::Kind::Sumo);
        if (!refused.isEmpty()) {
            fail(refused);
            return;
        }
        SumoConfig config;
        QString why;
        if (SumoConfig::read(request.config, &config, &why) && QFileInfo(config.netFile).isFile()) {
            importNetwork(config.netFile, config.routeFiles);
            return;
        }
    }
    // SUMO judges its configuration itself; once it runs it says which network it has.
    connectSumo();
}

void LiveSumo::importNetwork(const QString &netFile, const QStringList &routeFiles)
{
    m_importing = netFile;
    m_importPercent = -1;
    setPhase(Phase::Importing);
    // Trips and flows of their own are no routes; only named routes come in.
    QStringList routes;
    for (const QString &r : routeFiles)
        if (QFileInfo(r).isFile())
            routes << r;
    m_cache.ensure(netFile, routes);
}

bool LiveSumo::openNetwork(const QString &file)
{
    QString error;
    const QString planFile = SignalPlanSet::planFileFor(file);
    const bool opened = m_session->openDrivenNetwork(file, [&](const Ostrika::Network &net) {
        QString why;
        m_approximations = SignalPlanSet();
        if (!m_approximations.load(planFile, &why))
            Q_EMIT note(tr("no SUMO ids for the controllers of %1: %2").arg(QFileInfo(file).fileName(), why));
        const QVector<LightBinding> bindings = NetworkBindings::bindings(net, m_approximations);
        const QVector<ReferencePoint> references = NetworkBindings::referencePoints(net);
        if (m_controllers->state() == SumoControllers::State::Connected) {
            m_controllers->rebind(bindings, references);
        } else {
            m_controllers->setBindings(bindings);
            m_controllers->setReferencePoints(references);
        }
        return m_controllers->boundControllers();
    }, &error);
    if (!opened) {
        fail(error);
        return false;
    }
    m_networkFile = file;
    placeVehicleLayer();
    return true;
}

void LiveSumo::connectSumo()
{
    SumoControllers::Launch launch;
    if (!m_request.config.isEmpty()) {
        launch.config = m_request.config;
        launch.extraArgs = m_request.extraArgs;
    } else {
        launch.host = m_request.host;
        launch.port = m_request.port;
    }
    m_history.clear();
    m_tracks.clear();
    m_endNoted = false;
    setPhase(Phase::Connecting);
    m_controllers->start(launch);
}

void LiveSumo::reconnect()
{
    m_history.clear();
    m_tracks.clear();
    m_endNoted = false;
    if (m_networkFile.isEmpty()) {
        begin(m_request);
        return;
    }
    setPhase(Phase::Connecting);
    m_controllers->reconnect();
}

void LiveSumo::stop()
{
    m_controllers->stop();
}

// SUMO runs and the host has no network yet: SUMO's own net file, imported here.
void LiveSumo::networkFromSumo()
{
    QString net = m_controllers->hello().netFile;
    if (!net.isEmpty() && QFileInfo(net).isRelative() && !m_request.config.isEmpty())
        net = QFileInfo(m_request.config).absoluteDir().absoluteFilePath(net);
    if (net.isEmpty() || !QFileInfo(net).isFile()) {
        fail(tr("SUMO runs the network \u201c%1\u201d, which is not readable here; import it with ostka-import and give "
                "the .ostka file").arg(m_controllers->hello().netFile));
        return;
    }
    importNetwork(QFileInfo(net).absoluteFilePath(), {});
}

void LiveSumo::onStateChanged()
{
    switch (m_controllers->state()) {
    case SumoControllers::State::Connected:
        if (m_networkFile.isEmpty()) {
            if (m_phase != Phase::Importing && m_phase != Phase::Failed)
                networkFromSumo();
            return;
        }
        if (m_phase != Phase::Live) {
            const SumoGeoFit &fit = m_controllers->hello().geo;
            // Junctions that do not fit say that the network is not the one SUMO runs.
            if (fit.valid() && fit.residual > 2.0)
                Q_EMIT note(tr("the network's junctions lie up to %1 m from SUMO's: is %2 the import of SUMO's network?")
                                .arg(fit.residual, 0, 'f', 1).arg(QFileInfo(m_networkFile).fileName()));
        }
        setPhase(Phase::Live);
        return;
    case SumoControllers::State::Lost:
    case SumoControllers::State::Idle:
        m_history.interrupt(m_controllers->time());
        if (m_vehicles)
            m_vehicles->setVehicles({});
        setPhase(Phase::Ended);
        return;
    case SumoControllers::State::Starting:
        setPhase(Phase::Connecting);
        return;
    }
}

void LiveSumo::onStep()
{
    const double t = m_controllers->time();
    const QVector<LightSlot> &lights = m_controllers->hello().lights;
    for (const auto &change : m_controllers->lastChanges()) {
        const LightSlot &slot = lights.at(change.first);
        for (int i = 0; i < slot.links; ++i) {
            const int code = i < change.second.size() ? SignalState::fromSumo(change.second.at(i)) : -1;
            m_history.record(slot.controllerId, i + 1, t, code < 0 ? int(SignalState::Off) : code);
        }
    }
    // The state of a step holds until the next step.
    m_history.setKnownUntil(t + m_controllers->hello().stepLength);
    m_tracks.add(t, m_controllers->vehicles());
    if (m_vehicles)
        m_vehicles->setVehicles(m_controllers->vehicles());
    const double end = m_controllers->hello().endTime;
    if (!m_endNoted && end >= 0.0 && t >= end) {
        // Under remote control SUMO does not stop at its end time by itself.
        m_endNoted = true;
        m_controllers->setRunning(false);
        Q_EMIT note(tr("SUMO reached the end of its configured time (%1 s) and pauses; Step goes on").arg(end));
    }
}

QString LiveSumo::statusText() const
{
    switch (m_phase) {
    case Phase::Idle:
        return QString();
    case Phase::Importing:
        return m_importPercent >= 0
            ? tr("importing %1 for SUMO\u2026 %2 %").arg(QFileInfo(m_importing).fileName()).arg(m_importPercent)
            : tr("importing %1 for SUMO\u2026").arg(QFileInfo(m_importing).fileName());
    case Phase::Failed:
        return m_error;
    case Phase::Connecting:
    case Phase::Live:
        return m_controllers->stateText();
    case Phase::Ended:
        return tr("%1 \u2014 every SUMO controller offline").arg(m_controllers->stateText());
    }
    return QString();
}

QVector<Trajectory> LiveSumo::trajectories(const RouteProjector &projector, double from, double to) const
{
    return m_tracks.along(projector, from, to, tr("SUMO vehicles"), TrajectoryColour);
}

void LiveSumo::placeVehicleLayer()
{
    Mirel::MapScene *scene = m_session->scene();
    if (!m_layer) {
        m_layer = scene->addLayer(QStringLiteral("Vehicles"));
        m_vehicles = new VehicleLayer(m_layer);
    }
    qreal roads = 0.0, signal = 0.0;
    bool haveRoads = false, haveSignal = false;
    for (QGraphicsItem *item : scene->items()) {
        const QGraphicsObject *o = item->parentItem() ? nullptr : item->toGraphicsObject();
        if (!o || o == m_layer)
            continue;
        const QByteArray name = o->objectName().toLatin1();
        for (const char *n : RoadLayers)
            if (name == n) {
                roads = haveRoads ? std::max(roads, o->zValue()) : o->zValue();
                haveRoads = true;
            }
        for (const char *n : SignalLayers)
            if (name == n) {
                signal = haveSignal ? std::min(signal, o->zValue()) : o->zValue();
                haveSignal = true;
            }
    }
    if (haveRoads && haveSignal && signal > roads)
        m_layer->setZValue((roads + signal) / 2.0);
    else if (haveSignal)
        m_layer->setZValue(signal - 1e-3);
}
