// SUMO live source: one TraCI connection and what is subscribed on it.
#pragma once

#include "sumotypes.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

/*!
 * One connection to SUMO through its client library (libtracicpp), with the subscriptions
 * of one SumoSetup. The calls block until SUMO answers, so one thread (the worker's) uses a
 * connection; the calls of all connections are serialised, because the library keeps its
 * connections in global state. A connection that fails throws std::exception from the call
 * that noticed; the object can then only be destroyed.
 */
class TraciConnection
{
public:
    /*!
     * Connects once to SUMO at \a host : \a port. Null when nothing (or nothing that speaks
     * TraCI) answers there.
     */
    static std::unique_ptr<TraciConnection> open(const std::string &host, int port);
    //! Asks SUMO to close the connection (a dead one is just forgotten).
    ~TraciConnection();

    /*!
     * Asks SUMO about itself, matches its traffic lights to the bindings (LightMapping),
     * subscribes to their states and, when asked and the network's junctions are SUMO's, to
     * every vehicle; hello() tells what came of it. Again with another setup, the
     * subscriptions of the last one go first.
     */
    void setUp(const SumoSetup &setup);
    const SumoHello &hello() const { return m_hello; }
    double time() const { return m_time; }
    double stepLength() const { return m_stepLength; }

    /*!
     * One SUMO step: SUMO's time after it, the lights whose state string changed (all of them
     * after setUp) and every vehicle. \a messages receives one line for each light whose state
     * SUMO sent with letters it does not define or with the wrong length (once per light).
     */
    void step(SumoStep *out, QStringList *messages);
    //! One cheap request: throws when SUMO no longer answers.
    void check();

private:
    TraciConnection() = default;
    void subscribeLights(const SumoSetup &setup);
    void subscribeVehicles(const SumoSetup &setup);
    void followVehicle(const std::string &id);

    std::string m_label;
    SumoHello m_hello;
    double m_stepLength = 1.0;
    double m_time = 0.0;
    std::vector<std::string> m_slotIds;
    std::vector<int> m_slotLinks;
    std::vector<std::string> m_last;
    QVector<int> m_slotsById;          // slots in the order of their ids, as SUMO's results come
    bool m_first = true;
    QSet<int> m_badLetters;            // slots already reported for letters SUMO does not define
    SumoGeoFit m_geo;
    bool m_vehicles = false;           // every vehicle subscribed as it departs
    std::unordered_map<std::string, int> m_vehicleKeys;
    QHash<int, float> m_lengths;       // vehicle key -> metres
    int m_nextVehicleKey = 0;
};
