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

QString text(const char *s)
{
    return QString::fromLatin1(s);
}

// Every option the demo understands, defined once for the parser and the steps that read it.
struct OptionTable
{
    QCommandLineOption help{{text("h"), text("help")}, text("Show this help.")};
    QCommandLineOption plugin{text("plugin"), text("Plugin library to load."), text("path")};
    QCommandLineOption gpx{text("gpx"), text("GPX track to draw (repeatable)."), text("file")};
    QCommandLineOption shot{text("screenshot"), text("Write a PNG of the map and exit."), text("file")};
    QCommandLineOption after{text("after"), text("Milliseconds of simulated (or SUMO) time before the pictures (default 20000)."), text("ms")};
    QCommandLineOption zoom{text("zoom"), text("Map zoom, 1 to 22 (default 18)."), text("z")};
    QCommandLineOption center{text("center"), text("Map centre (default: the busiest junction)."), text("lon,lat")};
    QCommandLineOption size{text("size"), text("Picture size (default 1280x800)."), text("WxH")};
    QCommandLineOption tl{text("timeline-png"), text("Write the route's time-distance diagram and exit."), text("file")};
    QCommandLineOption tlSvg{text("timeline-svg"), text("Write the route's time-distance diagram as SVG and exit."), text("file")};
    QCommandLineOption speedKmh{text("speed-kmh"), text("Progression speed of the diagram's through-bands, 5 to 150 km/h (default 50)."), text("v")};
    QCommandLineOption route{text("route"), text("Route of the diagram (default: the longest)."), text("name")};
    QCommandLineOption plans{text("export-plans"), text("Write the signal plans in effect as JSON."), text("file")};
    QCommandLineOption headless{text("headless"), text("No window: write map.png and timeline.png, print the summary.")};
    QCommandLineOption plain{text("plain"), text("Map picture without legend and status box.")};
    QCommandLineOption quit{text("quit-after"), text("Window mode: close after this many ms."), text("ms")};
    QCommandLineOption shotWin{text("window-shot"), text("Window mode: write a PNG of the window when closing."), text("file")};
    QCommandLineOption outDir{text("out-dir"), text("Folder of the default headless pictures (default: current)."), text("dir")};
    QCommandLineOption log{text("log-level"), text("Plugin logging level 0 to 3."), text("n")};
    QCommandLineOption speed{text("speed"), text("Simulated (or SUMO) seconds per second in the window (default 1)."), text("x")};
    QCommandLineOption sumo{text("sumo"), text("Start SUMO with this configuration and show its signals and vehicles live."), text("config.sumocfg")};
    QCommandLineOption traci{text("traci"), text("Follow a SUMO already running with --remote-port PORT on this machine."), text("host:port")};
    QCommandLineOption noVehicles{text("no-vehicles"), text("With SUMO: leave its vehicles out (less work on very large networks).")};

    void addTo(QCommandLineParser &p) const
    {
        p.addOptions({help, plugin, gpx, shot, after, zoom, center, size, tl, tlSvg, speedKmh, route, plans, headless,
                      plain, quit, shotWin, outDir, log, speed, sumo, traci, noVehicles});
        p.addPositionalArgument(text("network"), text(".ostka files (default: the bundled sample; with SUMO: the "
                                                      "import of its network, else imported on the fly)."),
                                text("[network.ostka...]"));
    }
};

bool parseInt(const QString &value, int lo, int hi, int *out)
{
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

// Reads a whole-number option when given; false with a message naming it otherwise.
bool readInt(const QCommandLineParser &p, const QCommandLineOption &o, int lo, int hi, const QString &what,
             int *out, QString *error)
{
    if (!p.isSet(o) || parseInt(p.value(o), lo, hi, out))
        return true;
    *error = QStringLiteral("--%1 needs %2, not \"%3\"").arg(o.names().constLast(), what, p.value(o));
    return false;
}

bool readDouble(const QCommandLineParser &p, const QCommandLineOption &o, double lo, double hi, const QString &what,
                double *out, QString *error)
{
    if (!p.isSet(o))
        return true;
    bool ok = false;
    const double v = p.value(o).toDouble(&ok);
    if (ok && v >= lo && v <= hi) {
        *out = v;
        return true;
    }
    *error = QStringLiteral("--%1 needs %2, not \"%3\"").arg(o.names().constLast(), what, p.value(o));
    return false;
}

void readFiles(const QCommandLineParser &p, const OptionTable &s, Options *o)
{
    o->networks = p.positionalArguments();
    o->gpxFiles = p.values(s.gpx);
    o->pluginPath = p.value(s.plugin);
    o->screenshot = p.value(s.shot);
    o->timelinePng = p.value(s.tl);
    o->timelineSvg = p.value(s.tlSvg);
    o->route = p.value(s.route);
    o->exportPlans = p.value(s.plans);
    o->plain = p.isSet(s.plain);
    o->windowShot = p.value(s.shotWin);
    o->outDir = p.isSet(s.outDir) ? p.value(s.outDir) : QDir::currentPath();
}

bool readNumbers(const QCommandLineParser &p, const OptionTable &s, Options *o, QString *error)
{
    const int day = 24 * 3600 * 1000;
    return readInt(p, s.after, 0, day, QStringLiteral("milliseconds from 0 to 86400000"), &o->afterMs, error)
        && readInt(p, s.quit, 0, day, QStringLiteral("milliseconds"), &o->quitAfterMs, error)
        && readInt(p, s.zoom, 1, 22, QStringLiteral("a whole number from 1 to 22"), &o->zoom, error)
        && readInt(p, s.log, 0, 3, QStringLiteral("0 to 3"), &o->logLevel, error)
        && readDouble(p, s.speed, 0.0, 1000.0, QStringLiteral("a number from 0 to 1000"), &o->speed, error)
        && readDouble(p, s.speedKmh, 5.0, 150.0, QStringLiteral("a speed from 5 to 150 km/h"), &o->progressionKmh, error);
}

bool readPlace(const QCommandLineParser &p, const OptionTable &s, Options *o, QString *error)
{
    if (p.isSet(s.center)) {
        const QStringList parts = p.value(s.center).split(QLatin1Char(','));
        bool okLon = false, okLat = false;
        const double lon = parts.value(0).trimmed().toDouble(&okLon);
        const double lat = parts.value(1).trimmed().toDouble(&okLat);
        if (parts.size() != 2 || !okLon || !okLat || std::abs(lon) > 180.0 || std::abs(lat) > 85.0) {
            *error = QStringLiteral("--center needs LON,LAT in degrees, for example 13.40,52.52, not \"%1\"").arg(p.value(s.center));
            return false;
        }
        o->hasCenter = true;
        o->center = QPointF(lon, lat);
    }
    if (p.isSet(s.size)) {
        const QStringList parts = p.value(s.size).toLower().split(QLatin1Char('x'));
        int w = 0, h = 0;
        if (parts.size() != 2 || !parseInt(parts.at(0), 200, 8000, &w) || !parseInt(parts.at(1), 200, 8000, &h)) {
            *error = QStringLiteral("--size needs WIDTHxHEIGHT in pixels (200 to 8000), not \"%1\"").arg(p.value(s.size));
            return false;
        }
        o->size = QSize(w, h);
    }
    return true;
}

// --sumo and --traci replace the fixed-time simulation: at most one network, its import.
bool readSumo(const QCommandLineParser &p, const OptionTable &s, Options *o, QString *error)
{
    if (p.isSet(s.sumo) && p.isSet(s.traci)) {
        *error = QStringLiteral("--sumo starts a SUMO, --traci follows a running one: give one of them");
        return false;
    }
    o->sumoConfig = p.value(s.sumo);
    o->sumoVehicles = !p.isSet(s.noVehicles);
    if (p.isSet(s.traci)) {
        const QString value = p.value(s.traci).trimmed();
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        o->traciHost = colon > 0 ? value.left(colon) : QStringLiteral("localhost");
        if (!parseInt(value.mid(colon + 1), 1, 65535, &o->traciPort)) {
            *error = QStringLiteral("--traci needs HOST:PORT (or PORT), for example localhost:8813, not \"%1\"").arg(value);
            return false;
        }
    }
    if (o->followsSumo() && o->networks.size() > 1) {
        *error = QStringLiteral("with SUMO, give at most one network: the import of SUMO's network");
        return false;
    }
    return true;
}

void decideOutputs(const QCommandLineParser &p, const OptionTable &s, bool hasDisplay, Options *o)
{
    if (o->networks.isEmpty() && !o->followsSumo()) {
        o->networks << Options::sampleNetwork();
        o->sampleDefault = true;
    }
    o->headless = p.isSet(s.headless) || !o->screenshot.isEmpty() || !o->timelinePng.isEmpty()
        || !o->timelineSvg.isEmpty() || !hasDisplay;
    if (o->headless && o->screenshot.isEmpty() && o->timelinePng.isEmpty() && o->timelineSvg.isEmpty()) {
        o->screenshot = QDir(o->outDir).filePath(QStringLiteral("map.png"));
        o->timelinePng = QDir(o->outDir).filePath(QStringLiteral("timeline.png"));
        o->picturesDefaulted = true;
    }
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
    const OptionTable table;
    table.addTo(p);
    error->clear();
    if (!p.parse(args)) {
        *error = p.errorText();
        return false;
    }
    if (p.isSet(table.help)) {
        *helpText = p.helpText();
        return false;
    }
    Options o;
    readFiles(p, table, &o);
    if (!readNumbers(p, table, &o, error) || !readPlace(p, table, &o, error) || !readSumo(p, table, &o, error))
        return false;
    decideOutputs(p, table, hasDisplay, &o);
    *out = o;
    return true;
}
