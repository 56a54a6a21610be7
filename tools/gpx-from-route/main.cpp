// gpx-from-route: writes a GPX track of a car driving one route of a network.
#include "drive.h"

#include <ostrika/ostrika.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTextStream>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {

const Ostrika::Route *pickRoute(const Ostrika::Network &net, const QString &name)
{
    const Ostrika::Route *best = nullptr;
    for (const Ostrika::Route *r : net.findChildren<Ostrika::Route *>()) {
        if (!name.isEmpty()) {
            if (r->objectName() == name)
                return r;
            continue;
        }
        if (!best || r->polyline().length() > best->polyline().length())
            best = r;
    }
    return best;
}

// Standard normal deviate from two uniform ones (Box-Muller).
double gauss(QRandomGenerator &rng)
{
    const double u1 = std::max(1e-12, rng.generateDouble());
    const double u2 = rng.generateDouble();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * M_PI * u2);
}

struct Options
{
    QString network;
    QString route;        //!< empty: the longest
    bool routeGiven = false;
    QString out;
    bool outGiven = false; //!< false: standard output
    QDateTime start;
    quint32 seed = 0;
};

// Reads the command line; false, after saying why, when it is not usable.
bool readOptions(const QCoreApplication &app, Options *o, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a GPX track recorded by a car driving a route of a network (.ostka): it stops\n"
        "at every other signalised junction and adds a little GPS noise."));
    parser.addHelpOption();
    const QCommandLineOption routeOpt(QStringLiteral("route"), QStringLiteral("Route name (default: the longest)."), QStringLiteral("name"));
    const QCommandLineOption outOpt(QStringLiteral("out"), QStringLiteral("Output file (default: standard output)."), QStringLiteral("file"));
    const QCommandLineOption startOpt(QStringLiteral("start"), QStringLiteral("Start time, ISO 8601 UTC."), QStringLiteral("time"),
                                      QStringLiteral("2026-05-12T07:42:10Z"));
    const QCommandLineOption seedOpt(QStringLiteral("seed"), QStringLiteral("Noise seed."), QStringLiteral("n"), QStringLiteral("7"));
    parser.addOptions({routeOpt, outOpt, startOpt, seedOpt});
    parser.addPositionalArgument(QStringLiteral("network"), QStringLiteral("The .ostka file."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        err << parser.helpText();
        return false;
    }
    o->network = parser.positionalArguments().first();
    o->route = parser.value(routeOpt);
    o->routeGiven = parser.isSet(routeOpt);
    o->out = parser.value(outOpt);
    o->outGiven = parser.isSet(outOpt);
    o->start = QDateTime::fromString(parser.value(startOpt), Qt::ISODate);
    bool seedOk = false;
    o->seed = parser.value(seedOpt).toUInt(&seedOk);
    if (!o->start.isValid() || !seedOk) {
        err << "gpx-from-route: --start takes an ISO 8601 time and --seed a whole number\n";
        return false;
    }
    return true;
}

// Where along the route (m) the car meets signalised junctions: it catches a red at every other one.
QVector<DriveStop> stopsAlong(const Ostrika::Network &net, const Ostrika::GeoPolyline &pl, double perMetre)
{
    QVector<double> junctions;
    for (const Ostrika::Granule *g : net.findChildren<Ostrika::Granule *>())
        if (g->tlId() > 0)
            for (double d : pl.pointToDistance(g->position(), 25.0))
                junctions << d / perMetre;
    std::sort(junctions.begin(), junctions.end());
    QVector<DriveStop> stops;
    for (int i = 0; i < junctions.size(); ++i) {
        // Stop a few metres before the junction centre, at the stop line.
        const double at = std::max(0.0, junctions.at(i) - 12.0);
        stops.append({at, i % 2 == 1 ? 14.0 + (i * 11) % 23 : 0.0});
    }
    return stops;
}

// The drive as a GPX 1.1 document, each point with GPS noise that wanders slowly.
QByteArray trackXml(const Ostrika::Network &net, const Ostrika::Route &route, const QVector<DriveSample> &drive,
                    double perMetre, const QDateTime &start, quint32 seed)
{
    const Ostrika::GeoPolyline &pl = route.polyline();
    QByteArray xml;
    QXmlStreamWriter w(&xml);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("gpx"));
    w.writeDefaultNamespace(QStringLiteral("http://www.topografix.com/GPX/1/1"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("1.1"));
    w.writeAttribute(QStringLiteral("creator"), QStringLiteral("gpx-from-route (Ostrik)"));
    w.writeStartElement(QStringLiteral("metadata"));
    w.writeTextElement(QStringLiteral("name"), route.objectName());
    w.writeTextElement(QStringLiteral("time"), start.toUTC().toString(Qt::ISODate));
    w.writeEndElement();
    w.writeStartElement(QStringLiteral("trk"));
    w.writeTextElement(QStringLiteral("name"), route.objectName());
    w.writeTextElement(QStringLiteral("type"), QStringLiteral("driving"));
    w.writeStartElement(QStringLiteral("trkseg"));
    QRandomGenerator rng(seed);
    double nx = 0.0, ny = 0.0; // GPS error in metres, slowly wandering
    for (const DriveSample &d : drive) {
        nx = 0.85 * nx + 0.45 * gauss(rng);
        ny = 0.85 * ny + 0.45 * gauss(rng);
        const QPointF xy = pl.pointAt(d.s * perMetre) + QPointF(nx, ny) * perMetre;
        const QPointF geo = net.geoUtil()->xyToGeo(xy);
        w.writeStartElement(QStringLiteral("trkpt"));
        w.writeAttribute(QStringLiteral("lat"), QString::number(geo.y(), 'f', 7));
        w.writeAttribute(QStringLiteral("lon"), QString::number(geo.x(), 'f', 7));
        // A gentle slope with the receiver's vertical jitter on top.
        const double ele = 212.0 + 6.0 * std::sin(d.s / 350.0) + 0.6 * gauss(rng);
        w.writeTextElement(QStringLiteral("ele"), QString::number(ele, 'f', 1));
        w.writeTextElement(QStringLiteral("time"), start.addMSecs(qint64(std::llround(d.t * 1000.0))).toUTC().toString(Qt::ISODate));
        w.writeEndElement();
    }
    w.writeEndElement(); // trkseg
    w.writeEndElement(); // trk
    w.writeEndElement(); // gpx
    w.writeEndDocument();
    return xml;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gpx-from-route"));
    QTextStream err(stderr);
    Options o;
    if (!readOptions(app, &o, err))
        return 2;

    Ostrika::Network net;
    if (!net.load(o.network)) {
        err << "gpx-from-route: cannot read " << o.network << ": " << net.errorString() << '\n';
        return 1;
    }
    const Ostrika::Route *route = pickRoute(net, o.route);
    if (!route || route->polyline().count() < 2) {
        err << "gpx-from-route: " << o.network << " has no " << (o.routeGiven ? "such route" : "route") << '\n';
        return 1;
    }
    const Ostrika::GeoPolyline &pl = route->polyline();
    const double perMetre = Ostrika::GeoUtil::unitsPerMetre(net.geoUtil()->xyToGeo(pl.constFirst()).y());
    const double length = pl.length() / perMetre;
    const QVector<DriveSample> drive = simulateDrive(length, stopsAlong(net, pl, perMetre));
    const QByteArray xml = trackXml(net, *route, drive, perMetre, o.start, o.seed);

    if (!o.outGiven) {
        QTextStream(stdout) << xml;
        return 0;
    }
    QSaveFile out(o.out);
    if (!out.open(QIODevice::WriteOnly) || out.write(xml) != xml.size() || !out.commit()) {
        err << "gpx-from-route: cannot write " << o.out << ": " << out.errorString() << '\n';
        return 1;
    }
    QTextStream(stdout) << "gpx-from-route: " << drive.size() << " points, " << qRound(length) << " m in "
                        << qRound(drive.isEmpty() ? 0.0 : drive.constLast().t) << " s along \""
                        << route->objectName() << "\"\n";
    return 0;
}
