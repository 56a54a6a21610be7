// The clock and the run control that every source of controller states offers the host.
#pragma once

/*!
 * A source that writes signal-group states into the host project's controllers
 * (Corvel::Light) and runs the clock they follow: the demo's fixed-time simulation or a
 * running SUMO. The host's window and headless runs drive whichever is active through this.
 * Times are seconds of the source's own clock.
 */
class ControllerSource
{
public:
    virtual ~ControllerSource() = default;

    virtual double time() const = 0;
    virtual bool isRunning() const = 0;
    //! Runs the clock in real time times speed(), or pauses it.
    virtual void setRunning(bool running) = 0;
    virtual double speed() const = 0;
    //! Negative values count as 0 (nothing moves while running).
    virtual void setSpeed(double speed) = 0;
    //! One step forward (the source's own step length), running or not.
    virtual void stepOnce() = 0;
    /*!
     * Moves on as fast as the source can until time() >= seconds. A source that works
     * asynchronously gets there later, while the event loop runs; earlier times do nothing.
     */
    virtual void runTo(double seconds) = 0;
    //! False while the source cannot move on (SUMO not connected).
    virtual bool isLive() const = 0;
};
