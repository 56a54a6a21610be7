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
#include <QThread>

#include <cmath>

namespace {

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    } while (t.elapsed() < ms);
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
        pump(20);
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

void settleSubscriptions(DemoSession &session, int maxMs)
{
    QElapsedTimer total, still;
    total.start();
    still.start();
    QList<int> last = session.subscribedControllers();
    // The plugin checks the view 0.5 to 1 s after it came to rest.
    while (total.elapsed() < maxMs) {
        pump(50);
        const QList<int> now = session.subscribedControllers();
        if (now != last) {
            last = now;
            still.restart();
        }
        if (!last.isEmpty() && still.elapsed() > 700)
            break;
    }
    pump(100); // replies to the state requests
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
    view->show();
    pump(50);

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
    settleSubscriptions(session);

    const double target = o.afterMs / 1000.0;
    if (LiveSumo *live = session.liveSumo()) {
        // SUMO steps as fast as it can; every step reaches the controllers on the way.
        live->controllers().runTo(target);
        while (live->controllers().time() < target - 1e-9 && live->phase() == LiveSumo::Phase::Live)
            pump(10);
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
    pump(150);

    if (!o.screenshot.isEmpty()) {
        view->setLegendVisible(!o.plain);
        view->setVehicleLegendVisible(session.liveSumo() != nullptr);
        view->setStatusLines(o.plain ? QStringList() : mapStatus(session));
        pump(30);
        const QPixmap pm = view->grab();
        if (!ensureFolder(o.screenshot, err) || !pm.save(o.screenshot, "PNG")) {
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
