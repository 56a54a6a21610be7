// ostrik-view: the run without a window: pictures and a summary.
#pragma once

#include <QString>

class DemoSession;
struct Options;
class QTextStream;

/*!
 * Opens the networks and tracks of \a options in \a session, waits until the plugin has
 * subscribed the controllers in view, runs the simulation for options.afterMs of simulated
 * time, writes the requested PNGs and prints the summary to \a out. Errors go to \a err.
 * Returns the process exit code: 0 on success, 2 for unusable input (missing or malformed
 * network, GPX or plan file, unknown route), 3 when a picture cannot be written.
 */
int runHeadless(DemoSession &session, const Options &options, QTextStream &out, QTextStream &err);

//! Opens the networks, GPX tracks and exports plans as \a options ask; 0 or an exit code as above.
int openInputs(DemoSession &session, const Options &options, QTextStream &out, QTextStream &err);

/*!
 * Runs the event loop until the plugin has checked the view and every controller it follows
 * has answered its state requests: the check comes on the plugin's first timer tick at least
 * 500 ms after the view last moved (seen through an event filter on the plugin object), the
 * answers are the controllers' unfinished responses. Returns at the latest after \a maxMs,
 * then with a note saying what is missing (empty when everything arrived).
 */
QString settleSubscriptions(DemoSession &session, int maxMs = 5000);
