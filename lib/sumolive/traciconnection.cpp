// SUMO live source: a TraCI connection: matching, subscribing, reading a step.
#include "traciconnection.h"

#include "clocks.h"
#include "lightmapping.h"

#include <signalstate.h>

// Qt's "signals" keyword would turn a parameter of SUMO's headers into "public".
#pragma push_macro("signals")
#undef signals
#include <libsumo/libtraci.h>
#include <libsumo/TraCIConstants.h>
#pragma pop_macro("signals")

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <numeric>

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

std::unique_ptr<TraciConnection> TraciConnection::open(const std::string &host, int port)
{
    std::unique_ptr<TraciConnection> c(new TraciConnection);
    c->m_label = "ostrik-" + std::to_string(nextLabel());
    try {
        std::lock_guard<std::mutex> lock(traciMutex());
        libtraci::Simulation::init(port, 0, host, c->m_label);
    } catch (const std::exception &) {
        c->m_label.clear(); // nothing to close
        return nullptr;
    }
    return c;
}

TraciConnection::~TraciConnection()
{
    if (m_label.empty())
        return;
    try {
        Talking t(m_label);
        libtraci::Simulation::close();
    } catch (const std::exception &) {
        // Gone already; the library keeps its record of it, which no one uses again.
    }
}

void TraciConnection::setUp(const SumoSetup &setup)
{
    Talking t(m_label);
    if (m_hello.version.isEmpty()) {
        m_hello.version = QString::fromStdString(libtraci::Simulation::getVersion().second);
        m_hello.stepLength = libtraci::Simulation::getDeltaT();
        m_hello.time = libtraci::Simulation::getTime();
        m_hello.endTime = libtraci::Simulation::getEndTime();
        try {
            m_hello.netFile = QString::fromStdString(libtraci::Simulation::getOption("net-file"));
        } catch (const libsumo::TraCIException &) {
        }
        m_stepLength = m_hello.stepLength > 0 ? m_hello.stepLength : 1.0;
        m_time = m_hello.time;
        libtraci::Simulation::subscribe(std::vector<int>{libsumo::VAR_TIME, libsumo::VAR_DEPARTED_VEHICLES_IDS});
    } else {
        for (const std::string &id : m_slotIds)
            libtraci::TrafficLight::unsubscribe(id);
        if (m_vehicles)
            for (const auto &v : libtraci::Vehicle::getAllSubscriptionResults())
                libtraci::Vehicle::unsubscribe(v.first);
    }
    subscribeLights(setup);
    subscribeVehicles(setup);
}

void TraciConnection::subscribeLights(const SumoSetup &setup)
{
    QSet<QString> known;
    for (const LightBinding &b : setup.bindings)
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
    const LightMapping mapping = LightMapping::build(lights, setup.bindings);
    m_hello.lights = mapping.lights;
    m_hello.messages = setup.bindings.isEmpty() ? QStringList() : mapping.messages;
    m_slotIds.clear();
    m_slotLinks.clear();
    for (const LightSlot &s : qAsConst(m_hello.lights)) {
        m_slotIds.push_back(s.sumoId.toStdString());
        m_slotLinks.push_back(s.links);
        libtraci::TrafficLight::subscribe(m_slotIds.back(), {libsumo::TL_RED_YELLOW_GREEN_STATE});
    }
    m_last.assign(m_slotIds.size(), std::string());
    m_slotsById.resize(int(m_slotIds.size()));
    std::iota(m_slotsById.begin(), m_slotsById.end(), 0);
    std::sort(m_slotsById.begin(), m_slotsById.end(), [this](int a, int b) { return m_slotIds[a] < m_slotIds[b]; });
    m_first = true;
    m_badLetters.clear();
}

void TraciConnection::subscribeVehicles(const SumoSetup &setup)
{
    QVector<QPointF> sumoPts, geoPts;
    for (const ReferencePoint &r : setup.references) {
        try {
            const libsumo::TraCIPosition p = libtraci::Junction::getPosition(r.junctionId.toStdString());
            sumoPts << QPointF(p.x, p.y);
            geoPts << r.geo;
        } catch (const libsumo::TraCIException &) {
            // Not one of SUMO's junctions: the network and SUMO's net differ here.
        }
    }
    m_vehicles = false;
    m_hello.geo = SumoGeoFit();
    if (SumoGeoFit::fit(sumoPts, geoPts, &m_geo)) {
        m_hello.geo = m_geo;
        // Per vehicle, from its departure on: SUMO looks each one up directly, where a
        // context subscription over the whole network would search its lanes every step.
        m_vehicles = setup.vehicles;
        if (m_vehicles)
            for (const std::string &id : libtraci::Vehicle::getIDList())
                followVehicle(id);
    } else if (setup.vehicles && !setup.references.isEmpty()) {
        m_hello.messages << QStringLiteral("vehicles are not drawn: too few of the network's junctions are "
                                           "SUMO's (%1 of %2 found)").arg(sumoPts.size()).arg(setup.references.size());
    }
}

// Called with the connection selected. The length never changes: asked once, not every step.
void TraciConnection::followVehicle(const std::string &id)
{
    libtraci::Vehicle::subscribe(id, vehicleVariables());
    auto key = m_vehicleKeys.find(id);
    if (key == m_vehicleKeys.end())
        key = m_vehicleKeys.emplace(id, ++m_nextVehicleKey).first;
    m_lengths.insert(key->second, float(libtraci::Vehicle::getLength(id)));
}

void TraciConnection::check()
{
    Talking t(m_label);
    libtraci::Simulation::getTime();
}

void TraciConnection::step(SumoStep *out, QStringList *messages)
{
    const double cpuStart = Clocks::threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    libsumo::SubscriptionResults lights, vehicles;
    libsumo::TraCIResults sim;
    {
        Talking t(m_label);
        libtraci::Simulation::step();
        lights = libtraci::TrafficLight::getAllSubscriptionResults();
        sim = libtraci::Simulation::getSubscriptionResults();
        if (m_vehicles) {
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
    m_time = number(sim, libsumo::VAR_TIME, m_time + m_stepLength);
    out->time = m_time;

    // Results and slots both in id order: one walk through both, no look-ups.
    auto result = lights.cbegin();
    for (const int s : m_slotsById) {
        while (result != lights.cend() && result->first < m_slotIds[s])
            ++result;
        if (result == lights.cend() || result->first != m_slotIds[s])
            continue;
        const auto v = result->second.find(libsumo::TL_RED_YELLOW_GREEN_STATE);
        const auto *text = v == result->second.end() ? nullptr : dynamic_cast<const libsumo::TraCIString *>(v->second.get());
        if (!text)
            continue;
        const std::string &state = text->value;
        if (!m_first && state == m_last[s])
            continue;
        const bool lettersOk = std::all_of(state.begin(), state.end(),
                                           [](char ch) { return SignalState::fromSumo(ch) >= 0; });
        if ((int(state.size()) != m_slotLinks[s] || !lettersOk) && !m_badLetters.contains(int(s))) {
            m_badLetters.insert(int(s));
            *messages << (QStringLiteral("traffic light \"%1\": SUMO sent the state \"%2\" for %3 links; "
                                          "what does not fit is shown as off")
                               .arg(QString::fromStdString(m_slotIds[s]), QString::fromStdString(state))
                               .arg(m_slotLinks[s]));
        }
        m_last[s] = state;
        out->changes.append({int(s), QByteArray(state.data(), int(state.size()))});
    }
    m_first = false;

    out->vehicles.reserve(int(vehicles.size()));
    for (const auto &v : vehicles) {
        const auto p = v.second.find(libsumo::VAR_POSITION);
        const auto *pos = p == v.second.end() ? nullptr : dynamic_cast<const libsumo::TraCIPosition *>(p->second.get());
        if (!pos)
            continue;
        auto key = m_vehicleKeys.find(v.first);
        if (key == m_vehicleKeys.end())
            key = m_vehicleKeys.emplace(v.first, ++m_nextVehicleKey).first;
        SumoVehicle veh;
        veh.key = key->second;
        veh.geo = m_geo.toGeo(pos->x, pos->y);
        veh.direction = m_geo.direction(pos->x, pos->y, number(v.second, libsumo::VAR_ANGLE, 0.0));
        veh.speed = float(number(v.second, libsumo::VAR_SPEED, 0.0));
        veh.length = m_lengths.value(key->second, 5.0f);
        out->vehicles.append(veh);
    }
    // Arrived vehicles never come back under their id; forget them now and then.
    if (m_vehicleKeys.size() > 4 * vehicles.size() + 1024) {
        for (auto it = m_vehicleKeys.begin(); it != m_vehicleKeys.end();) {
            if (vehicles.count(it->first)) {
                ++it;
            } else {
                m_lengths.remove(it->second);
                it = m_vehicleKeys.erase(it);
            }
        }
    }
    out->mapMs = msSince(mapStart);
    out->cpuMs = Clocks::threadCpuMs() - cpuStart;
}

