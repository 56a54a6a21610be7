// SUMO live source: the TraCI thread: connecting, matching, subscribing, stepping.
#include "traciworker.h"

#include "lightmapping.h"
#include "clocks.h"
#include "socketfinder.h"

#include <signalplan.h>

// Qt's "signals" keyword would turn a parameter of SUMO's headers into "public".
#pragma push_macro("signals")
#undef signals
#include <libsumo/libtraci.h>
#include <libsumo/TraCIConstants.h>
#pragma pop_macro("signals")

#include <QSet>

#include <chrono>
#include <cmath>
#include <csignal>
#include <ctime>
#include <mutex>
#include <numeric>
#include <pthread.h>
#include <unordered_map>

namespace {

// The client library's connections are global; one worker talks at a time, on its own.
std::mutex &traciMutex()
{
    static std::mutex m;
    return m;
}

struct Talking
{
    explicit Talking(const std::string &label) : lock(traciMutex())
    {
        libtraci::Simulation::switchConnection(label);
    }
    std::lock_guard<std::mutex> lock;
};

int nextLabel()
{
    static std::atomic<int> n{0};
    return ++n;
}


double msSince(std::chrono::steady_clock::time_point t)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}


// A socket whose peer vanished raises SIGPIPE in the writing thread; here it must become
// an error return instead of ending the program.
void ignoreBrokenPipesInThisThread()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

const std::vector<int> &vehicleVariables()
{
    static const std::vector<int> vars{libsumo::VAR_POSITION, libsumo::VAR_ANGLE, libsumo::VAR_SPEED};
    return vars;
}

double number(const libsumo::TraCIResults &r, int var, double fallback)
{
    const auto it = r.find(var);
    const auto *d = it == r.end() ? nullptr : dynamic_cast<const libsumo::TraCIDouble *>(it->second.get());
    return d ? d->value : fallback;
}

} // namespace

struct TraciWorker::Connection
{
    std::string label;
    std::vector<std::string> slotIds;
    std::vector<int> slotLinks;
    std::vector<std::string> last;
    QVector<int> slotsById;         // slots in the order of their ids, as SUMO's results come
    QHash<int, float> lengths;      // vehicle key -> metres
    bool first = true;
    QSet<int> badLetters;           // slots already reported for letters SUMO does not define
    SumoGeoFit geo;
    bool vehicles = false;          // every vehicle subscribed as it departs
    SumoHello hello;
    std::unordered_map<std::string, int> vehicleKeys;
    int nextVehicleKey = 0;
    double stepLength = 1.0;
    double time = 0.0;
};

TraciWorker::TraciWorker(QObject *parent) : QObject(parent), m_retry(this), m_pace(this), m_idle(this)
{
    qRegisterMetaType<SumoHello>();
    qRegisterMetaType<SumoStep>();
    qRegisterMetaType<TraciWorker::Setup>();
    m_retry.setInterval(50);
    connect(&m_retry, &QTimer::timeout, this, &TraciWorker::tryOpen);
    m_pace.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &TraciWorker::pump);
    m_idle.setInterval(2000);
    connect(&m_idle, &QTimer::timeout, this, &TraciWorker::idleCheck);
}

TraciWorker::~TraciWorker()
{
    close();
}

void TraciWorker::interrupt()
{
    const int fd = m_socket.load();
    if (fd >= 0)
        SocketFinder::shutDown(fd);
}

void TraciWorker::open(const QString &host, int port, int timeoutMs, const TraciWorker::Setup &setup)
{
    ignoreBrokenPipesInThisThread();
    close();
    m_host = host;
    m_port = port;
    m_timeoutMs = timeoutMs;
    m_setup = setup;
    m_trying.start();
    m_retry.start();
    tryOpen();
}

void TraciWorker::cancel()
{
    if (!m_retry.isActive())
        return;
    m_retry.stop();
    Q_EMIT openFailed(QStringLiteral("cancelled"));
}

void TraciWorker::tryOpen()
{
    auto c = std::make_unique<Connection>();
    c->label = "ostrik-" + std::to_string(nextLabel());
    try {
        std::lock_guard<std::mutex> lock(traciMutex());
        libtraci::Simulation::init(m_port, 0, m_host.toStdString(), c->label);
    } catch (const std::exception &) {
        // Nothing listens yet (SUMO still loads) or it refused: try again until the time is up.
        if (m_timeoutMs > 0 && m_trying.elapsed() > m_timeoutMs) {
            m_retry.stop();
            Q_EMIT openFailed(QStringLiteral("no SUMO answers at %1:%2 (is it running with --remote-port %2?)")
                                  .arg(m_host).arg(m_port));
        }
        return;
    }
    m_retry.stop();
    m_c = std::move(c);
    m_socket = SocketFinder::connectedTo(m_port);
    QString error;
    if (!handshake(&error)) {
        drop(QString());
        Q_EMIT openFailed(error);
        return;
    }
}

bool TraciWorker::handshake(QString *error)
{
    SumoHello &hello = m_c->hello;
    try {
        Talking t(m_c->label);
        hello.version = QString::fromStdString(libtraci::Simulation::getVersion().second);
        hello.stepLength = libtraci::Simulation::getDeltaT();
        hello.time = libtraci::Simulation::getTime();
        hello.endTime = libtraci::Simulation::getEndTime();
        try {
            hello.netFile = QString::fromStdString(libtraci::Simulation::getOption("net-file"));
        } catch (const libsumo::TraCIException &) {
        }
        subscribe();
    } catch (const std::exception &e) {
        *error = QStringLiteral("SUMO did not answer as expected: %1").arg(QString::fromLocal8Bit(e.what()));
        return false;
    }
    m_c->stepLength = hello.stepLength > 0 ? hello.stepLength : 1.0;
    m_c->time = hello.time;
    m_anchor = hello.time;
    m_wall.start();
    m_awaitingAck = false;
    m_stepWanted = false;
    m_runTo = -1.0;
    m_idle.start();
    Q_EMIT opened(hello);
    pump();
    return true;
}

void TraciWorker::bind(const TraciWorker::Setup &setup)
{
    m_setup = setup;
    if (!m_c)
        return;
    try {
        Talking t(m_c->label);
        for (const std::string &id : m_c->slotIds)
            libtraci::TrafficLight::unsubscribe(id);
        if (m_c->vehicles)
            for (const auto &v : libtraci::Vehicle::getAllSubscriptionResults())
                libtraci::Vehicle::unsubscribe(v.first);
        subscribe();
    } catch (const std::exception &e) {
        drop(QStringLiteral("the connection to SUMO failed: %1").arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    Q_EMIT opened(m_c->hello);
}

// Called with the connection selected: matches the lights, subscribes to them and to the vehicles.
void TraciWorker::subscribe()
{
    Connection &c = *m_c;
    SumoHello &hello = c.hello;
    QSet<QString> known;
    for (const LightBinding &b : qAsConst(m_setup.bindings))
        known.insert(b.sumoId);
    QVector<SumoLight> lights;
    for (const std::string &id : libtraci::TrafficLight::getIDList()) {
        SumoLight l;
        l.id = QString::fromStdString(id);
        l.links = int(libtraci::TrafficLight::getRedYellowGreenState(id).size());
        // Only an unmatched light's message needs its kind.
        if (!known.contains(l.id)) {
            const auto logics = libtraci::TrafficLight::getCompleteRedYellowGreenDefinition(id);
            if (!logics.empty())
                l.type = logics.front().type;
        }
        lights << l;
    }
    const LightMapping mapping = LightMapping::build(lights, m_setup.bindings);
    hello.lights = mapping.lights;
    hello.messages = m_setup.bindings.isEmpty() ? QStringList() : mapping.messages;
    c.slotIds.clear();
    c.slotLinks.clear();
    for (const LightSlot &s : qAsConst(hello.lights)) {
        c.slotIds.push_back(s.sumoId.toStdString());
        c.slotLinks.push_back(s.links);
        libtraci::TrafficLight::subscribe(c.slotIds.back(), {libsumo::TL_RED_YELLOW_GREEN_STATE});
    }
    c.last.assign(c.slotIds.size(), std::string());
    c.slotsById.resize(int(c.slotIds.size()));
    std::iota(c.slotsById.begin(), c.slotsById.end(), 0);
    std::sort(c.slotsById.begin(), c.slotsById.end(), [&c](int a, int b) { return c.slotIds[a] < c.slotIds[b]; });
    libtraci::Simulation::subscribe(std::vector<int>{libsumo::VAR_TIME, libsumo::VAR_DEPARTED_VEHICLES_IDS});
    c.first = true;
    c.badLetters.clear();

    QVector<QPointF> sumoPts, geoPts;
    for (const ReferencePoint &r : qAsConst(m_setup.references)) {
        try {
            const libsumo::TraCIPosition p = libtraci::Junction::getPosition(r.junctionId.toStdString());
            sumoPts << QPointF(p.x, p.y);
            geoPts << r.geo;
        } catch (const libsumo::TraCIException &) {
            // Not one of SUMO's junctions: the network and SUMO's net differ here.
        }
    }
    c.vehicles = false;
    hello.geo = SumoGeoFit();
    if (SumoGeoFit::fit(sumoPts, geoPts, &c.geo)) {
        hello.geo = c.geo;
        // Per vehicle, from its departure on: SUMO looks each one up directly, where a
        // context subscription over the whole network would search its lanes every step.
        c.vehicles = m_setup.vehicles;
        if (c.vehicles)
            for (const std::string &id : libtraci::Vehicle::getIDList())
                followVehicle(id);
    } else if (m_setup.vehicles && !m_setup.references.isEmpty()) {
        hello.messages << QStringLiteral("vehicles are not drawn: too few of the network's junctions are "
                                         "SUMO's (%1 of %2 found)").arg(sumoPts.size()).arg(m_setup.references.size());
    }
}

// Called with the connection selected. The length never changes: asked once, not every step.
void TraciWorker::followVehicle(const std::string &id)
{
    Connection &c = *m_c;
    libtraci::Vehicle::subscribe(id, vehicleVariables());
    auto key = c.vehicleKeys.find(id);
    if (key == c.vehicleKeys.end())
        key = c.vehicleKeys.emplace(id, ++c.nextVehicleKey).first;
    c.lengths.insert(key->second, float(libtraci::Vehicle::getLength(id)));
}

void TraciWorker::setPacing(bool running, double speed)
{
    m_running = running;
    m_speed = std::max(0.0, speed);
    if (m_c) {
        m_anchor = m_c->time;
        m_wall.restart();
    }
    pump();
}

void TraciWorker::stepOnce()
{
    m_stepWanted = true;
    pump();
}

void TraciWorker::runTo(double seconds)
{
    m_runTo = seconds;
    pump();
}

void TraciWorker::acknowledge()
{
    m_awaitingAck = false;
    pump();
}

void TraciWorker::pump()
{
    m_pace.stop();
    if (!m_c || m_awaitingAck)
        return;
    const double next = m_c->time + m_c->stepLength;
    if (m_stepWanted || (m_runTo >= 0 && m_c->time < m_runTo - 1e-9)) {
        m_stepWanted = false;
        doStep();
        return;
    }
    m_runTo = -1.0;
    if (!m_running || !(m_speed > 0.0))
        return;
    double due = m_anchor + m_wall.elapsed() / 1000.0 * m_speed;
    if (due - next > 2.0 * m_speed) {
        // SUMO (or the host) fell behind: go on from here rather than racing to catch up.
        m_anchor = m_c->time;
        m_wall.restart();
        due = m_anchor;
    }
    if (next <= due + 1e-9) {
        doStep();
        return;
    }
    const double waitMs = (next - m_anchor) / m_speed * 1000.0 - m_wall.elapsed();
    m_pace.start(std::max(1, int(std::ceil(waitMs))));
}

void TraciWorker::doStep()
{
    SumoStep step;
    try {
        takeStep(&step);
    } catch (const std::exception &e) {
        drop(QStringLiteral("the connection to SUMO failed: %1").arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    m_awaitingAck = true;
    step.readyNs = Clocks::nowNs();
    Q_EMIT stepped(step);
}

void TraciWorker::takeStep(SumoStep *out)
{
    Connection &c = *m_c;
    const double cpuStart = Clocks::threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    libsumo::SubscriptionResults lights, vehicles;
    libsumo::TraCIResults sim;
    {
        Talking t(c.label);
        libtraci::Simulation::step();
        lights = libtraci::TrafficLight::getAllSubscriptionResults();
        sim = libtraci::Simulation::getSubscriptionResults();
        if (c.vehicles) {
            // A subscription answers with the current values at once: the departed are in this step.
            const auto departed = sim.find(libsumo::VAR_DEPARTED_VEHICLES_IDS);
            const auto *ids = departed == sim.end() ? nullptr
                : dynamic_cast<const libsumo::TraCIStringList *>(departed->second.get());
            if (ids)
                for (const std::string &id : ids->value)
                    followVehicle(id);
            vehicles = libtraci::Vehicle::getAllSubscriptionResults();
        }
    }
    out->traciMs = msSince(start);
    const auto mapStart = std::chrono::steady_clock::now();
    c.time = number(sim, libsumo::VAR_TIME, c.time + c.stepLength);
    out->time = c.time;

    // Results and slots both in id order: one walk through both, no look-ups.
    auto result = lights.cbegin();
    for (const int s : c.slotsById) {
        while (result != lights.cend() && result->first < c.slotIds[s])
            ++result;
        if (result == lights.cend() || result->first != c.slotIds[s])
            continue;
        const auto v = result->second.find(libsumo::TL_RED_YELLOW_GREEN_STATE);
        const auto *text = v == result->second.end() ? nullptr : dynamic_cast<const libsumo::TraCIString *>(v->second.get());
        if (!text)
            continue;
        const std::string &state = text->value;
        if (!c.first && state == c.last[s])
            continue;
        const bool lettersOk = std::all_of(state.begin(), state.end(),
                                           [](char ch) { return SignalState::fromSumo(ch) >= 0; });
        if ((int(state.size()) != c.slotLinks[s] || !lettersOk) && !c.badLetters.contains(int(s))) {
            c.badLetters.insert(int(s));
            Q_EMIT message(QStringLiteral("traffic light \"%1\": SUMO sent the state \"%2\" for %3 links; "
                                          "what does not fit is shown as off")
                               .arg(QString::fromStdString(c.slotIds[s]), QString::fromStdString(state))
                               .arg(c.slotLinks[s]));
        }
        c.last[s] = state;
        out->changes.append({int(s), QByteArray(state.data(), int(state.size()))});
    }
    c.first = false;

    out->vehicles.reserve(int(vehicles.size()));
    for (const auto &v : vehicles) {
        const auto p = v.second.find(libsumo::VAR_POSITION);
        const auto *pos = p == v.second.end() ? nullptr : dynamic_cast<const libsumo::TraCIPosition *>(p->second.get());
        if (!pos)
            continue;
        auto key = c.vehicleKeys.find(v.first);
        if (key == c.vehicleKeys.end())
            key = c.vehicleKeys.emplace(v.first, ++c.nextVehicleKey).first;
        SumoVehicle veh;
        veh.key = key->second;
        veh.geo = c.geo.toGeo(pos->x, pos->y);
        veh.direction = c.geo.direction(pos->x, pos->y, number(v.second, libsumo::VAR_ANGLE, 0.0));
        veh.speed = float(number(v.second, libsumo::VAR_SPEED, 0.0));
        veh.length = c.lengths.value(key->second, 5.0f);
        out->vehicles.append(veh);
    }
    // Arrived vehicles never come back under their id; forget them now and then.
    if (c.vehicleKeys.size() > 4 * vehicles.size() + 1024) {
        for (auto it = c.vehicleKeys.begin(); it != c.vehicleKeys.end();) {
            if (vehicles.count(it->first)) {
                ++it;
            } else {
                c.lengths.remove(it->second);
                it = c.vehicleKeys.erase(it);
            }
        }
    }
    out->mapMs = msSince(mapStart);
    out->cpuMs = Clocks::threadCpuMs() - cpuStart;
}

void TraciWorker::idleCheck()
{
    if (!m_c || m_awaitingAck || m_pace.isActive())
        return;
    try {
        Talking t(m_c->label);
        libtraci::Simulation::getTime();
    } catch (const std::exception &e) {
        drop(QStringLiteral("the connection to SUMO failed: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}

void TraciWorker::close()
{
    m_retry.stop();
    if (!m_c)
        return;
    try {
        Talking t(m_c->label);
        libtraci::Simulation::close();
    } catch (const std::exception &) {
        // Gone already; the library keeps its record of it, which no one uses again.
    }
    m_c.reset();
    m_socket = -1;
    m_pace.stop();
    m_idle.stop();
}

void TraciWorker::drop(const QString &reason)
{
    close();
    if (!reason.isEmpty())
        Q_EMIT lost(reason);
}
