// ostrik-view: headless run.
#include "headless.h"

#include "livesumo.h"
#include "mapview.h"
#include "options.h"
#include "session.h"
#include "timelinewidget.h"

#include <ostrika/ostrika.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>
#include <QTextStream>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>

#include <cmath>

namespace {

// Qt's PNG writer maps a quality of 80 to zlib level 1.
constexpr int FastPngQuality = 80;

// Delivers what is due now (posted events, expired timers) without waiting for more.
void flushEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Sleeps until something arrives (SUMO's worker hands its steps and state changes over as
// events; its own time-outs end a connection that never comes).
void waitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// The plugin checks the view on the first tick of its 500 ms check timer that comes 500 ms or
// more after the view last moved (zoom or scroll, which it listens to as well). Its other
// timers (blinking, pulses) tick only while something blinks or pulses, which needs a
// followed controller or a host's pulse; so a tick while it follows nothing is the check
// timer's, and that id is remembered per plugin object. Ticks are at most about 525 ms
// apart: past 1050 ms of rest a check has run in any case.
class CheckWatch : public QObject
{
public:
    CheckWatch(DemoSession &session) : m_session(session)
    {
        m_still.start();
        QObject *plugin = session.plugin().instance();
        if (plugin != s_plugin) {
            s_plugin = plugin;
            s_checkTimer = 0;
        }
        if (plugin)
            plugin->installEventFilter(this);
        if (MapView *view = session.view()) {
            connect(view, &MapView::zoomChanged, this, [this] { moved(); });
            connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { moved(); });
            connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { moved(); });
        }
    }
    bool checked() const { return m_checked; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        const int id = static_cast<QTimerEvent *>(event)->timerId();
        if (s_checkTimer == 0 && m_session.subscribedControllers().isEmpty())
            s_checkTimer = id;
        const qint64 rest = m_still.elapsed();
        if ((id == s_checkTimer && rest >= RestMs) || rest >= 2 * TickMs + 50)
            m_checked = true;
        return false;
    }

private:
    static constexpr qint64 RestMs = 500;
    static constexpr qint64 TickMs = 500;
    void moved()
    {
        m_still.restart();
        m_checked = false;
    }

    DemoSession &m_session;
    QElapsedTimer m_still;
    bool m_checked = false;
    static QPointer<QObject> s_plugin;
    static int s_checkTimer;
};

QPointer<QObject> CheckWatch::s_plugin;
int CheckWatch::s_checkTimer = 0;

// Online controllers the plugin follows that still owe it an answer.
QList<int> unanswered(DemoSession &session)
{
    QList<int> ids;
    for (int id : session.subscribedControllers()) {
        const Corvel::Light *l = session.simulation().light(id);
        if (!l || !l->isConnected())
            continue;
        const QList<Response *> replies = l->findChildren<Response *>(QString(), Qt::FindDirectChildrenOnly);
        if (std::any_of(replies.cbegin(), replies.cend(), [](const Response *r) { return !r->isFinished(); }))
            ids << id;
    }
    return ids;
}

bool ensureFolder(const QString &file, QTextStream &err)
{
    const QDir dir = QFileInfo(file).absoluteDir();
    if (dir.exists() || QDir().mkpath(dir.absolutePath()))
        return true;
    err << "ostrik-view: error: cannot create the folder " << dir.absolutePath() << "\n";
    return false;
}

QStringList mapStatus(DemoSession &s)
{
    QStringList names;
    for (const QString &f : s.networkFiles())
        names << QFileInfo(f).fileName();
    QStringList lines{names.join(QStringLiteral(", ")), s.clockText(),
                      QStringLiteral("Zoom %1 \u00b7 %2 of %3 controllers live").arg(s.view()->zoom())
                          .arg(s.subscribedControllers().size()).arg(s.controllerIds().size())};
    if (s.liveSumo())
        lines << s.liveSumo()->statusText();
    return lines;
}

// Headless: waits until SUMO runs on its network; false (with the reason on err) if it never does.
bool waitForSumo(DemoSession &session, QTextStream &err)
{
    LiveSumo *live = session.liveSumo();
    auto settled = [live] {
        return live->phase() == LiveSumo::Phase::Live || live->phase() == LiveSumo::Phase::Ended
            || live->phase() == LiveSumo::Phase::Failed;
    };
    while (!settled())
        waitForEvents();
    if (live->phase() == LiveSumo::Phase::Live)
        return true;
    err << "ostrik-view: error: " << live->statusText() << "\n";
    return false;
}

QString timelineSummary(const TimelineDiagram &d)
{
    QStringList bands;
    for (const auto &b : d.bands)
        bands << QStringLiteral("%1 %2 s").arg(b.forward ? QStringLiteral("forward") : QStringLiteral("return"))
                     .arg(b.band.width, 0, 'f', 0);
    return QStringLiteral("%1 route, %2 signal groups at %3 controllers, %4 m; through-band at %5 km/h: %6%7")
        .arg(RouteReading::shapeName(d.shape)).arg(d.bars.size()).arg(d.controllers).arg(d.length, 0, 'f', 0)
        .arg(d.progressionSpeed * 3.6, 0, 'f', 0)
        .arg(bands.isEmpty() ? QStringLiteral("none") : bands.join(QStringLiteral(", ")))
        .arg(d.trajectories.isEmpty() ? QString()
             : !d.live.isEmpty() ? QStringLiteral("; %1 vehicle trajectories").arg(d.trajectories.size())
                                 : QStringLiteral("; %1 recorded drive(s)").arg(d.trajectories.size()));
}

int writeTimeline(DemoSession &session, const Options &o, const QString &route, QTextStream &out, QTextStream &err)
{
    TimelineDiagram diagram;
    QString error;
    const double now = session.source().time();
    double from = std::floor(now / 10.0) * 10.0;
    if (session.liveSumo()) {
        // A live source has a past, not a future: the window ends at now.
        TimelineDiagram probe;
        session.timeline(route, 0.0, 0.0, &probe, &error);
        from = std::max(0.0, std::ceil(now - (probe.to - probe.from) + 5.0));
    }
    if (!session.timeline(route, from, 0.0, &diagram, &error)) {
        err << "ostrik-view: error: " << error << "\n";
        return 2;
    }
    diagram.setProgressionSpeed(o.progressionKmh / 3.6);
    for (const QString &file : {o.timelinePng, o.timelineSvg}) {
        if (file.isEmpty())
            continue;
        if (!ensureFolder(file, err) || !TimelineWidget::save(diagram, file, QSize(1400, 900), &error)) {
            err << "ostrik-view: error: cannot write " << file << "\n";
            return 3;
        }
        out << "timeline: " << QFileInfo(file).absoluteFilePath() << " (route \"" << route << "\", "
            << timelineSummary(diagram) << ")\n";
    }
    return 0;
}

} // namespace

QString settleSubscriptions(DemoSession &session, int maxMs)
{
    CheckWatch watch(session);
    QElapsedTimer total;
    total.start();
    QTimer bound; // wakes the wait below at the latest at the bound
    bound.setSingleShot(true);
    bound.start(maxMs);
    QString note;
    while (true) {
        if (watch.checked()) {
            const QList<int> waiting = unanswered(session);
            if (waiting.isEmpty())
                break;
            if (total.elapsed() >= maxMs) {
                QStringList ids;
                for (int id : waiting.mid(0, 10))
                    ids << QString::number(id);
                note = QStringLiteral("after %1 s, %2 controller(s) had not answered the plugin's state requests "
                                      "(%3%4); the picture shows what arrived")
                           .arg(maxMs / 1000.0).arg(waiting.size()).arg(ids.join(QStringLiteral(", ")))
                           .arg(waiting.size() > 10 ? QStringLiteral(", ...") : QString());
                break;
            }
        } else if (total.elapsed() >= maxMs) {
            note = QStringLiteral("after %1 s the plugin had not checked the view; the picture may lack signal states")
                       .arg(maxMs / 1000.0);
            break;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    flushEvents();
    return note;
}

void beginSumo(DemoSession &session, const Options &o, QTextStream &out)
{
    LiveSumo *live = session.followSumo();
    QObject::connect(live, &LiveSumo::note, live, [&out](const QString &line) {
        out << "ostrik-view: " << line << "\n";
        out.flush();
    });
    LiveSumo::Request request;
    request.config = o.sumoConfig;
    request.host = o.traciHost;
    request.port = o.traciPort;
    request.network = o.networks.value(0);
    request.vehicles = o.sumoVehicles;
    live->begin(request);
}

int openTracks(DemoSession &session, const Options &o, QTextStream &err)
{
    QStringList gpx = o.gpxFiles;
    if (o.sampleDefault && gpx.isEmpty()) {
        const QString track = QFileInfo(o.networks.first()).absoluteDir().filePath(QStringLiteral("town-route.gpx"));
        if (QFileInfo::exists(track))
            gpx << track;
    }
    for (const QString &file : qAsConst(gpx)) {
        QString error;
        if (!session.openGpx(file, &error)) {
            err << "ostrik-view: error: " << error << "\n";
            return 2;
        }
    }
    return 0;
}

int openInputs(DemoSession &session, const Options &o, QTextStream &out, QTextStream &err)
{
    if (o.followsSumo()) {
        beginSumo(session, o, out);
        // Tracks go onto the map of SUMO's network, which arrives later.
        if (!o.gpxFiles.isEmpty()) {
            auto *once = new QObject(&session);
            QObject::connect(&session, &DemoSession::networksChanged, once, [&session, &o, &err, once] {
                if (session.networkFiles().isEmpty())
                    return;
                openTracks(session, o, err);
                once->deleteLater();
            });
        }
        return 0;
    }
    for (const QString &file : o.networks) {
        QString error;
        QStringList notes;
        const bool ok = session.openNetwork(file, &error, &notes);
        for (const QString &n : qAsConst(notes))
            out << "ostrik-view: " << n << "\n";
        if (!ok) {
            err << "ostrik-view: error: " << error << "\n";
            if (o.sampleDefault)
                err << "ostrik-view: the bundled sample was not found; pass a network file\n";
            return 2;
        }
    }
    if (const int rc = openTracks(session, o, err))
        return rc;
    if (!o.exportPlans.isEmpty()) {
        SignalPlanSet set;
        set.plans = session.simulation().plans();
        QString error;
        if (!ensureFolder(o.exportPlans, err) || !set.save(o.exportPlans, &error)) {
            err << "ostrik-view: error: " << error << "\n";
            return 3;
        }
        out << "ostrik-view: signal plans written to " << o.exportPlans << "\n";
    }
    out.flush();
    return 0;
}

int runHeadless(DemoSession &session, const Options &o, QTextStream &out, QTextStream &err)
{
    MapView *view = session.view();
    view->resize(o.size);
    view->setZoom(o.zoom);
    // Only the pictures are seen: the window need not paint each change on the way there.
    view->setUpdatesEnabled(false);
    view->show();
    flushEvents();

    if (o.followsSumo()) {
        beginSumo(session, o, out);
        if (!waitForSumo(session, err))
            return 2;
        if (const int rc = openTracks(session, o, err))
            return rc;
    } else if (const int rc = openInputs(session, o, out, err)) {
        return rc;
    }

    // Everything the pictures need is checked before any of them is written.
    QString route = o.route;
    const bool wantsTimeline = !o.timelinePng.isEmpty() || !o.timelineSvg.isEmpty();
    if (wantsTimeline) {
        if (route.isEmpty())
            route = session.longestRoute();
        if (route.isEmpty() && o.picturesDefaulted) {
            out << "ostrik-view: the loaded networks have no route; no timeline written\n";
        } else if (route.isEmpty()) {
            err << "ostrik-view: error: the loaded networks have no route for a timeline\n";
            return 2;
        }
    }
    if (wantsTimeline && !route.isEmpty()) {
        TimelineDiagram probe;
        QString error;
        if (!session.timeline(route, 0.0, 0.0, &probe, &error)) {
            err << "ostrik-view: error: " << error << "\n";
            return 2;
        }
    }

    const QPointF centre = o.hasCenter ? o.center : session.busiestJunction();
    view->setZoom(o.zoom);
    view->centerOnGeo(centre);
    const QString waited = settleSubscriptions(session);
    if (!waited.isEmpty())
        err << "ostrik-view: note: " << waited << "\n";

    const double target = o.afterMs / 1000.0;
    if (LiveSumo *live = session.liveSumo()) {
        // SUMO steps as fast as it can; every step reaches the controllers on the way.
        live->controllers().runTo(target);
        while (live->controllers().time() < target - 1e-9 && live->phase() == LiveSumo::Phase::Live)
            waitForEvents();
        if (live->phase() != LiveSumo::Phase::Live) {
            err << "ostrik-view: error: " << live->statusText() << "\n";
            return 2;
        }
    } else {
        // Simulated time runs in 0.1 s steps; the event loop turns between steps so that
        // replies and the plugin's timers are served as they would be live.
        Simulation &sim = session.simulation();
        while (sim.time() < target) {
            sim.advanceTo(std::min(target, sim.time() + 0.5));
            QCoreApplication::processEvents();
        }
    }
    flushEvents();

    if (!o.screenshot.isEmpty()) {
        view->setLegendVisible(!o.plain);
        view->setVehicleLegendVisible(session.liveSumo() != nullptr);
        view->setStatusLines(o.plain ? QStringList() : mapStatus(session));
        flushEvents();
        view->setUpdatesEnabled(true);
        const QPixmap pm = view->grab();
        // zlib's fastest level: a map picture comes out within a few per cent of the default
        // size, and writing it no longer costs a sixth of a small network's run.
        if (!ensureFolder(o.screenshot, err) || !pm.save(o.screenshot, "PNG", FastPngQuality)) {
            err << "ostrik-view: error: cannot write " << o.screenshot << "\n";
            return 3;
        }
        out << "map: " << QFileInfo(o.screenshot).absoluteFilePath() << " (" << pm.width() << "x" << pm.height()
            << ", zoom " << view->zoom() << ", centre " << QString::number(centre.x(), 'f', 6) << ","
            << QString::number(centre.y(), 'f', 6) << ")\n";
    }

    if (wantsTimeline && !route.isEmpty())
        if (const int rc = writeTimeline(session, o, route, out, err))
            return rc;

    for (const QString &line : session.summary())
        out << line << "\n";
    out.flush();
    return 0;
}
