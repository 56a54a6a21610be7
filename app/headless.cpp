// ostrik-view: headless run.
#include "headless.h"

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
    const double t = s.simulation().time();
    QStringList names;
    for (const QString &f : s.networkFiles())
        names << QFileInfo(f).fileName();
    return {names.join(QStringLiteral(", ")),
            QStringLiteral("Simulated time %1:%2").arg(int(t) / 60, 2, 10, QLatin1Char('0'))
                .arg(std::fmod(t, 60.0), 4, 'f', 1, QLatin1Char('0')),
            QStringLiteral("Zoom %1 \u00b7 %2 of %3 controllers live").arg(s.view()->zoom())
                .arg(s.subscribedControllers().size()).arg(s.simulation().plans().size())};
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

int openInputs(DemoSession &session, const Options &o, QTextStream &out, QTextStream &err)
{
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

    if (const int rc = openInputs(session, o, out, err))
        return rc;

    // Everything the pictures need is checked before any of them is written.
    QString route = o.route;
    if (!o.timelinePng.isEmpty()) {
        if (route.isEmpty())
            route = session.longestRoute();
        if (route.isEmpty() && o.picturesDefaulted) {
            out << "ostrik-view: the loaded networks have no route; no timeline written\n";
        } else if (route.isEmpty()) {
            err << "ostrik-view: error: the loaded networks have no route for a timeline\n";
            return 2;
        }
    }
    if (!o.timelinePng.isEmpty() && !route.isEmpty()) {
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

    // Simulated time runs in 0.1 s steps; the event loop turns between steps so that
    // replies and the plugin's timers are served as they would be live.
    Simulation &sim = session.simulation();
    const double target = o.afterMs / 1000.0;
    while (sim.time() < target) {
        sim.advanceTo(std::min(target, sim.time() + 0.5));
        QCoreApplication::processEvents();
    }
    pump(150);

    if (!o.screenshot.isEmpty()) {
        view->setLegendVisible(!o.plain);
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

    if (!o.timelinePng.isEmpty() && !route.isEmpty()) {
        TimelineDiagram diagram;
        QString error;
        const double from = std::floor(sim.time() / 10.0) * 10.0;
        if (!session.timeline(route, from, 0.0, &diagram, &error)) {
            err << "ostrik-view: error: " << error << "\n";
            return 2;
        }
        const QImage img = TimelineWidget::render(diagram, QSize(1400, 900));
        if (!ensureFolder(o.timelinePng, err) || !img.save(o.timelinePng, "PNG")) {
            err << "ostrik-view: error: cannot write " << o.timelinePng << "\n";
            return 3;
        }
        out << "timeline: " << QFileInfo(o.timelinePng).absoluteFilePath() << " (route \"" << route << "\", "
            << diagram.bars.size() << " signal groups at " << diagram.controllers << " controllers, "
            << QString::number(diagram.length, 'f', 0) << " m)\n";
    }

    for (const QString &line : session.summary())
        out << line << "\n";
    out.flush();
    return 0;
}
