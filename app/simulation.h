// ostrik-view: the host's project of simulated controllers and the simulation clock.
#pragma once

#include "signalplan.h"

#include <controllersource.h>

#include <corvel/light.h>
#include <corvel/notification.h>
#include <corvel/response.h>

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

/*!
 * The host project. It records which controller ids the plugin looked up while binding a
 * network, so the demo can report how many controllers the plugin bound.
 *
 * While learning (see learn()), object() also creates the controller of an id it does not
 * know yet: the host learns the controllers of a network from the plugin's binding of it,
 * instead of reading the file a second time.
 */
class DemoProject : public Corvel::Project
{
    Q_OBJECT
public:
    using Corvel::Project::Project;
    //! Same contract as Corvel::Project::object; also remembers the id when it is known.
    Q_INVOKABLE Corvel::Light *object(int id) const;
    QSet<int> boundIds() const { return m_bound; }

    //! Starts (true) or ends learning; starting forgets the ids asked for before.
    void learn(bool on);
    //! The ids object() was asked for while learning, in order, and those it created.
    const QList<int> &askedIds() const { return m_asked; }
    const QList<int> &createdIds() const { return m_created; }
    //! Deletes the controller \a id (its binders see it destroyed) and forgets it was bound.
    void dropLight(int id);

private:
    mutable QSet<int> m_bound;
    bool m_learning = false;
    mutable QList<int> m_asked;
    mutable QList<int> m_created;
};

/*!
 * Runs one fixed-time plan per controller on a common simulated clock (seconds since the
 * start of the simulation) and writes every group's state into its Corvel::Light, which
 * pushes the kind-5 notifications and answers "GET_GROUP" by itself.
 *
 * The clock only moves through advanceTo()/advanceBy(), or in real time (times speed())
 * while running. Controllers start online; setOnline() takes one off and back on.
 */
class Simulation : public QObject, public ControllerSource
{
    Q_OBJECT
public:
    explicit Simulation(QObject *parent = nullptr);
    ~Simulation() override;

    DemoProject *project() const { return m_project; }

    //! Adds (or replaces) plans and creates their controllers, in the state of the current time.
    void addPlans(const SignalPlanSet &set);
    //! Stops running the plans of \a ids (their controllers stay in the project, unchanged).
    void removePlans(const QList<int> &ids);
    //! Drops every controller and plan; the project object is replaced by a new, empty one.
    void clear();

    const QMap<int, ControllerPlan> &plans() const { return m_plans; }
    Corvel::Light *light(int id) const;

    double time() const override { return m_time; }
    /*!
     * Moves the clock forward to \a seconds in steps of at most \a step seconds, applying the
     * states at every step so that notifications come in order. Earlier times are ignored.
     */
    void advanceTo(double seconds, double step = 0.1);
    void advanceBy(double seconds) { advanceTo(m_time + seconds); }

    //! Runs the clock in real time, \a speed simulated seconds per second.
    void setRunning(bool running) override;
    bool isRunning() const override { return m_ticker.isActive(); }
    void setSpeed(double speed) override;
    double speed() const override { return m_speed; }
    //! One second on.
    void stepOnce() override { advanceBy(1.0); }
    void runTo(double seconds) override { advanceTo(seconds); }
    bool isLive() const override { return true; }

    void setOnline(int id, bool online);
    bool isOnline(int id) const;

Q_SIGNALS:
    void timeChanged(double seconds);
    void controllersChanged();

private:
    void applyStates();
    void tick();

    DemoProject *m_project;
    QMap<int, ControllerPlan> m_plans;
    double m_time = 0.0;
    double m_speed = 1.0;
    QTimer m_ticker;
    QElapsedTimer m_wall;
};
