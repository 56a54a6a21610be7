// ostrik-view: parsing the command line.
#include "options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cmath>

#ifndef OSTRIK_SAMPLES_DIR
#define OSTRIK_SAMPLES_DIR ""
#endif

namespace {

bool parseInt(const QString &text, int lo, int hi, int *out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

} // namespace

bool Options::displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QString Options::sampleNetwork()
{
    const QString build = QStringLiteral(OSTRIK_SAMPLES_DIR);
    if (!build.isEmpty() && QFileInfo::exists(build + QStringLiteral("/town.ostka")))
        return build + QStringLiteral("/town.ostka");
    return QDir::cleanPath(QCoreApplication::applicationDirPath()
                           + QStringLiteral("/../share/ostrik/samples/town.ostka"));
}

bool Options::parse(const QStringList &args, bool hasDisplay, Options *out, QString *error, QString *helpText)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Demo host for the Ostrik plugin: road networks on a map with live signal states.\n"
        "Without a display (and with --headless) it writes map.png and timeline.png and prints a summary."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption plugin(QStringLiteral("plugin"), QStringLiteral("Plugin library to load."), QStringLiteral("path"));
    const QCommandLineOption gpx(QStringLiteral("gpx"), QStringLiteral("GPX track to draw (repeatable)."), QStringLiteral("file"));
    const QCommandLineOption shot(QStringLiteral("screenshot"), QStringLiteral("Write a PNG of the map and exit."), QStringLiteral("file"));
    const QCommandLineOption after(QStringLiteral("after"), QStringLiteral("Simulated milliseconds before the pictures (default 20000)."), QStringLiteral("ms"));
    const QCommandLineOption zoom(QStringLiteral("zoom"), QStringLiteral("Map zoom, 1 to 22 (default 18)."), QStringLiteral("z"));
    const QCommandLineOption center(QStringLiteral("center"), QStringLiteral("Map centre (default: the busiest junction)."), QStringLiteral("lon,lat"));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("Picture size (default 1280x800)."), QStringLiteral("WxH"));
    const QCommandLineOption tl(QStringLiteral("timeline-png"), QStringLiteral("Write the route's time-distance diagram and exit."), QStringLiteral("file"));
    const QCommandLineOption tlSvg(QStringLiteral("timeline-svg"), QStringLiteral("Write the route's time-distance diagram as SVG and exit."), QStringLiteral("file"));
    const QCommandLineOption speedKmh(QStringLiteral("speed-kmh"), QStringLiteral("Progression speed of the diagram's through-bands, 5 to 150 km/h (default 50)."), QStringLiteral("v"));
    const QCommandLineOption route(QStringLiteral("route"), QStringLiteral("Route of the diagram (default: the longest)."), QStringLiteral("name"));
    const QCommandLineOption plans(QStringLiteral("export-plans"), QStringLiteral("Write the signal plans in effect as JSON."), QStringLiteral("file"));
    const QCommandLineOption headless(QStringLiteral("headless"), QStringLiteral("No window: write map.png and timeline.png, print the summary."));
    const QCommandLineOption plain(QStringLiteral("plain"), QStringLiteral("Map picture without legend and status box."));
    const QCommandLineOption quit(QStringLiteral("quit-after"), QStringLiteral("Window mode: close after this many ms."), QStringLiteral("ms"));
    const QCommandLineOption shotWin(QStringLiteral("window-shot"), QStringLiteral("Window mode: write a PNG of the window when closing."), QStringLiteral("file"));
    const QCommandLineOption outDir(QStringLiteral("out-dir"), QStringLiteral("Folder of the default headless pictures (default: current)."), QStringLiteral("dir"));
    const QCommandLineOption log(QStringLiteral("log-level"), QStringLiteral("Plugin logging level 0 to 3."), QStringLiteral("n"));
    const QCommandLineOption speed(QStringLiteral("speed"), QStringLiteral("Simulated seconds per second in the window (default 1)."), QStringLiteral("x"));
    p.addOptions({help, plugin, gpx, shot, after, zoom, center, size, tl, tlSvg, speedKmh, route, plans, headless, plain, quit, shotWin, outDir, log, speed});
    p.addPositionalArgument(QStringLiteral("network"), QStringLiteral(".ostka files (default: the bundled sample)."), QStringLiteral("[network.ostka...]"));

    error->clear();
    if (!p.parse(args)) {
        *error = p.errorText();
        return false;
    }
    if (p.isSet(help)) {
        *helpText = p.helpText();
        return false;
    }
    Options o;
    o.networks = p.positionalArguments();
    if (o.networks.isEmpty()) {
        o.networks << sampleNetwork();
        o.sampleDefault = true;
    }
    o.gpxFiles = p.values(gpx);
    o.pluginPath = p.value(plugin);
    o.screenshot = p.value(shot);
    o.timelinePng = p.value(tl);
    o.timelineSvg = p.value(tlSvg);
    if (p.isSet(speedKmh)) {
        bool ok = false;
        o.progressionKmh = p.value(speedKmh).toDouble(&ok);
        if (!ok || !(o.progressionKmh >= 5.0) || o.progressionKmh > 150.0) {
            *error = QStringLiteral("--speed-kmh needs a speed from 5 to 150 km/h, not \"%1\"").arg(p.value(speedKmh));
            return false;
        }
    }
    o.route = p.value(route);
    o.exportPlans = p.value(plans);
    o.plain = p.isSet(plain);
    o.outDir = p.isSet(outDir) ? p.value(outDir) : QDir::currentPath();
    if (p.isSet(after) && !parseInt(p.value(after), 0, 24 * 3600 * 1000, &o.afterMs)) {
        *error = QStringLiteral("--after needs milliseconds from 0 to 86400000, not \"%1\"").arg(p.value(after));
        return false;
    }
    if (p.isSet(quit) && !parseInt(p.value(quit), 0, 24 * 3600 * 1000, &o.quitAfterMs)) {
        *error = QStringLiteral("--quit-after needs milliseconds, not \"%1\"").arg(p.value(quit));
        return false;
    }
    o.windowShot = p.value(shotWin);
    if (p.isSet(zoom) && !parseInt(p.value(zoom), 1, 22, &o.zoom)) {
        *error = QStringLiteral("--zoom needs a whole number from 1 to 22, not \"%1\"").arg(p.value(zoom));
        return false;
    }
    if (p.isSet(center)) {
        const QStringList parts = p.value(center).split(QLatin1Char(','));
        bool okLon = false, okLat = false;
        const double lon = parts.value(0).trimmed().toDouble(&okLon);
        const double lat = parts.value(1).trimmed().toDouble(&okLat);
        if (parts.size() != 2 || !okLon || !okLat || std::abs(lon) > 180.0 || std::abs(lat) > 85.0) {
            *error = QStringLiteral("--center needs LON,LAT in degrees, for example 13.40,52.52, not \"%1\"").arg(p.value(center));
            return false;
        }
        o.hasCenter = true;
        o.center = QPointF(lon, lat);
    }
    if (p.isSet(size)) {
        const QStringList parts = p.value(size).toLower().split(QLatin1Char('x'));
        int w = 0, h = 0;
        if (parts.size() != 2 || !parseInt(parts.at(0), 200, 8000, &w) || !parseInt(parts.at(1), 200, 8000, &h)) {
            *error = QStringLiteral("--size needs WIDTHxHEIGHT in pixels (200 to 8000), not \"%1\"").arg(p.value(size));
            return false;
        }
        o.size = QSize(w, h);
    }
    if (p.isSet(log) && !parseInt(p.value(log), 0, 3, &o.logLevel)) {
        *error = QStringLiteral("--log-level needs 0 to 3, not \"%1\"").arg(p.value(log));
        return false;
    }
    if (p.isSet(speed)) {
        bool ok = false;
        o.speed = p.value(speed).toDouble(&ok);
        if (!ok || !(o.speed >= 0.0) || o.speed > 1000.0) {
            *error = QStringLiteral("--speed needs a number from 0 to 1000, not \"%1\"").arg(p.value(speed));
            return false;
        }
    }
    o.headless = p.isSet(headless) || !o.screenshot.isEmpty() || !o.timelinePng.isEmpty()
        || !o.timelineSvg.isEmpty() || !hasDisplay;
    if (o.headless && o.screenshot.isEmpty() && o.timelinePng.isEmpty() && o.timelineSvg.isEmpty()) {
        o.screenshot = QDir(o.outDir).filePath(QStringLiteral("map.png"));
        o.timelinePng = QDir(o.outDir).filePath(QStringLiteral("timeline.png"));
        o.picturesDefaulted = true;
    }
    *out = o;
    return true;
}
