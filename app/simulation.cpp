// ostrik-view: simulated controllers running fixed-time plans.
#include "simulation.h"

#include <algorithm>

Corvel::Light *DemoProject::object(int id) const
{
    Corvel::Light *l = Corvel::Project::object(id);
    if (m_learning && id > 0) {
        m_asked.append(id);
        if (!l) {
            // The project is the host's own object; the plugin asks through a const interface.
            l = const_cast<DemoProject *>(this)->addLight(id);
            m_created.append(id);
        }
    }
    if (l)
        m_bound.insert(id);
    return l;
}

void DemoProject::learn(bool on)
{
    m_learning = on;
    if (on) {
        m_asked.clear();
        m_created.clear();
    }
}

void DemoProject::dropLight(int id)
{
    m_bound.remove(id);
    delete Corvel::Project::object(id);
}

Simulation::Simulation(QObject *parent)
    : QObject(parent)
    , m_project(new DemoProject(this))
{
    m_ticker.setInterval(100);
    connect(&m_ticker, &QTimer::timeout, this, &Simulation::tick);
}

Simulation::~Simulation() = default;

void Simulation::addPlans(const SignalPlanSet &set)
{
    for (const ControllerPlan &p : set.plans) {
        m_plans.insert(p.controllerId, p);
        m_project->addLight(p.controllerId);
    }
    applyStates();
    Q_EMIT controllersChanged();
}

void Simulation::removePlans(const QList<int> &ids)
{
    for (int id : ids)
        m_plans.remove(id);
    Q_EMIT controllersChanged();
}

void Simulation::clear()
{
    m_plans.clear();
    // Corvel::Project cannot drop controllers; a fresh project forgets them all.
    delete m_project;
    m_project = new DemoProject(this);
    Q_EMIT controllersChanged();
}

Corvel::Light *Simulation::light(int id) const
{
    return m_project->Corvel::Project::object(id);
}

void Simulation::advanceTo(double seconds, double step)
{
    if (!(seconds > m_time))
        return;
    step = std::max(step, 1e-3);
    while (m_time < seconds) {
        m_time = std::min(seconds, m_time + step);
        applyStates();
    }
    Q_EMIT timeChanged(m_time);
}

void Simulation::setRunning(bool running)
{
    if (running == m_ticker.isActive())
        return;
    if (running) {
        m_wall.start();
        m_ticker.start();
    } else {
        m_ticker.stop();
    }
}

void Simulation::setSpeed(double speed)
{
    m_speed = std::max(0.0, speed);
}

void Simulation::setOnline(int id, bool online)
{
    if (Corvel::Light *l = light(id)) {
        if (l->isConnected() != online) {
            l->setConnected(online);
            Q_EMIT controllersChanged();
        }
    }
}

bool Simulation::isOnline(int id) const
{
    const Corvel::Light *l = light(id);
    return l && l->isConnected();
}

void Simulation::applyStates()
{
    for (const ControllerPlan &p : qAsConst(m_plans)) {
        Corvel::Light *l = light(p.controllerId);
        if (!l)
            continue;
        for (auto g = p.groups.constBegin(); g != p.groups.constEnd(); ++g)
            l->setGroupState(g.key(), p.stateAt(g.key(), m_time));
    }
}

void Simulation::tick()
{
    const double elapsed = m_wall.restart() / 1000.0;
    advanceTo(m_time + elapsed * m_speed, 0.1);
}
