// ostka-import: SUMO road network (and routes) to ".ostka" plus the demo host's signal plans.
#include "importer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

void printErr(const QString &text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// SUMO names networks NAME.net.xml[.gz]; the outputs take NAME.
QString defaultBase(const QString &netFile)
{
    QString base = netFile;
    for (const char *suffix : {".gz", ".xml", ".net"}) {
        if (base.endsWith(QLatin1String(suffix)))
            base.chop(int(qstrlen(suffix)));
    }
    return base;
}

bool parseOrigin(const QString &text, QPointF *origin)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool okLon = false, okLat = false;
    if (parts.size() != 2)
        return false;
    const double lon = parts.at(0).trimmed().toDouble(&okLon);
    const double lat = parts.at(1).trimmed().toDouble(&okLat);
    if (!okLon || !okLat || lon < -180 || lon > 180 || lat < -85 || lat > 85)
        return false;
    *origin = QPointF(lon, lat);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ostka-import"));
    QCommandLineParser cli;
    cli.setApplicationDescription(QStringLiteral(
        "Imports a SUMO road network (.net.xml, plain or gzipped) and optional route and additional "
        "files (routes, trips, vehicle types, traffic-light programs) into NAME.ostka and the signal "
        "plans of its traffic lights into NAME.plans.json."));
    const QCommandLineOption help = cli.addHelpOption();
    cli.addPositionalArgument(QStringLiteral("network"), QStringLiteral("SUMO network file"));
    cli.addPositionalArgument(QStringLiteral("files"), QStringLiteral("SUMO route and additional files, read in this order"),
                              QStringLiteral("[routes-or-additional...]"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Output NAME (default: the network's name beside it)."), QStringLiteral("NAME"));
    const QCommandLineOption origin(QStringLiteral("origin"),
        QStringLiteral("Place of a network that is not geo-referenced: where its position netOffset (0,0 without one) lies."),
        QStringLiteral("LON,LAT"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
        QStringLiteral("No progress or summary output."));
    const QCommandLineOption firstController(QStringLiteral("first-controller"),
        QStringLiteral("Controller ids start at N (default 1), so that networks opened together do not share ids."),
        QStringLiteral("N"));
    cli.addOptions({output, origin, firstController, quiet});
    if (!cli.parse(QCoreApplication::arguments())) {
        printErr(QStringLiteral("ostka-import: %1 (see --help)").arg(cli.errorText()));
        return 2;
    }
    if (cli.isSet(help))
        cli.showHelp(0);

    const QStringList args = cli.positionalArguments();
    if (args.isEmpty()) {
        printErr(QStringLiteral("ostka-import: no network file given (see --help)"));
        return 2;
    }
    ImportOptions options;
    options.netFile = args.constFirst();
    options.routeFiles = args.mid(1);
    if (cli.isSet(origin)) {
        if (!parseOrigin(cli.value(origin), &options.origin)) {
            printErr(QStringLiteral("ostka-import: --origin must be LON,LAT in degrees (longitude -180..180, "
                                    "latitude -85..85), not \"%1\"").arg(cli.value(origin)));
            return 2;
        }
        options.hasOrigin = true;
    }
    if (cli.isSet(firstController)) {
        bool ok = false;
        options.firstController = cli.value(firstController).toInt(&ok);
        if (!ok || options.firstController < 1) {
            printErr(QStringLiteral("ostka-import: --first-controller must be a whole number from 1 to %1, not \"%2\"")
                         .arg(std::numeric_limits<int>::max()).arg(cli.value(firstController)));
            return 2;
        }
    }
    const bool verbose = !cli.isSet(quiet);
    QElapsedTimer timer;
    timer.start();
    int lastShown = -1;
    QString lastStage;
    const bool tty = isatty(fileno(stderr));
    if (verbose) {
        // Only imports that take a while get a progress display.
        options.progress = [&](const QString &stage, double fraction) {
            if (timer.elapsed() < 1000)
                return;
            const int percent = int(fraction * 100);
            if (stage == lastStage && percent / 10 == lastShown / 10 && !tty)
                return;
            lastStage = stage;
            lastShown = percent;
            std::fprintf(stderr, tty ? "\r%s %3d%%   " : "%s %d%%\n", qPrintable(stage), percent);
            std::fflush(stderr);
        };
    }
    const QString base = cli.isSet(output) ? cli.value(output) : defaultBase(options.netFile);
    ImportSummary summary;
    QString error;
    const bool ok = importToFiles(options, base, &summary, &error);
    if (verbose && tty && lastShown >= 0)
        std::fprintf(stderr, "\n");
    for (const QString &w : qAsConst(summary.warnings))
        printErr(QStringLiteral("ostka-import: warning: %1").arg(w));
    if (!ok) {
        printErr(QStringLiteral("ostka-import: %1").arg(error));
        return 1;
    }
    if (!verbose)
        return 0;
    QStringList extras;
    if (summary.granules == 1)
        extras << QStringLiteral("controller id %1").arg(options.firstController);
    else if (summary.granules > 1)
        extras << QStringLiteral("controller ids %1 to %2").arg(options.firstController)
                      .arg(options.firstController + summary.granules - 1);
    if (summary.programsRead > 0)
        extras << QStringLiteral("%1 programs from additional files").arg(summary.programsRead);
    if (summary.tripsRouted + summary.tripsSkipped > 0)
        extras << QStringLiteral("%1 trips routed, %2 skipped").arg(summary.tripsRouted).arg(summary.tripsSkipped);
    printErr(QStringLiteral("%1.ostka: %2 nodes, %3 edges, %4 lanes, %5 connections, %6 controllers, "
                            "%7 signal groups, %8 crosswalks, %9 routes (%10 ms)")
                 .arg(base).arg(summary.nodes).arg(summary.edges).arg(summary.lanes)
                 .arg(summary.connections).arg(summary.granules).arg(summary.signalGroups)
                 .arg(summary.crosswalks).arg(summary.routes).arg(timer.elapsed()));
    if (!extras.isEmpty())
        printErr(QStringLiteral("  %1").arg(extras.join(QStringLiteral("; "))));
    return 0;
}
