// Tests of the SUMO network importer against hand-written fixtures and independent geodesy.
#include "hostilefiles.h"
#include "importfixture.h"
#include "testfiles.h"

#include <ostrika/connection.h>
#include <ostrika/crosswalk.h>
#include <ostrika/edge.h>
#include <ostrika/granule.h>
#include <ostrika/lane.h>
#include <ostrika/network.h>
#include <ostrika/node.h>
#include <ostrika/route.h>
#include <ostrika/signalgroup.h>
#include <ostrika/stopline.h>

#ifdef HAVE_SIGNALPLAN
#include "signalplan.h"
#endif

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <zlib.h>

#include <cmath>
#include <memory>

#include <sys/stat.h>

using namespace Ostrika;

namespace {

constexpr double WgsA = 6378137.0;
constexpr double WgsF = 1 / 298.257223563;
constexpr double Deg = M_PI / 180.0;

// UTM (northern hemisphere) to lon/lat with Krueger's third-order series (about 1 mm), independent of PROJ.
QPointF utmToLonLat(double easting, double northing, int zone)
{
    const double n = WgsF / (2 - WgsF);
    const double A = WgsA / (1 + n) * (1 + n * n / 4 + n * n * n * n / 64);
    const double beta[3] = {n / 2 - 2 * n * n / 3 + 37 * n * n * n / 96, n * n / 48 + n * n * n / 15,
                            17 * n * n * n / 480};
    const double delta[3] = {2 * n - 2 * n * n / 3 - 2 * n * n * n, 7 * n * n / 3 - 8 * n * n * n / 5,
                             56 * n * n * n / 15};
    const double k0 = 0.9996;
    const double xi = northing / (k0 * A), eta = (easting - 500000.0) / (k0 * A);
    double xi1 = xi, eta1 = eta;
    for (int j = 1; j <= 3; ++j) {
        xi1 -= beta[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
        eta1 -= beta[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
    }
    const double chi = std::asin(std::sin(xi1) / std::cosh(eta1));
    double phi = chi;
    for (int j = 1; j <= 3; ++j)
        phi += delta[j - 1] * std::sin(2 * j * chi);
    const double lambda0 = (zone * 6 - 183) * Deg;
    const double lambda = lambda0 + std::atan(std::sinh(eta1) / std::cos(xi1));
    return QPointF(lambda / Deg, phi / Deg);
}

// Local east/north metres around a point on WGS 84, to first order (good to millimetres here).
QPointF localToLonLat(const QPointF &origin, double east, double north)
{
    const double e2 = WgsF * (2 - WgsF);
    const double phi = origin.y() * Deg;
    const double w = 1 - e2 * std::sin(phi) * std::sin(phi);
    const double meridian = WgsA * (1 - e2) / std::pow(w, 1.5);
    const double normal = WgsA / std::sqrt(w);
    return QPointF(origin.x() + east / (normal * std::cos(phi)) / Deg, origin.y() + north / meridian / Deg);
}

#define COMPARE_NEAR(actual, expected, tolerance)                                                  \
    do {                                                                                           \
        const double a_ = (actual), e_ = (expected);                                               \
        if (!(std::abs(a_ - e_) <= (tolerance)))                                                   \
            QFAIL(qPrintable(QStringLiteral("%1 is %2, expected %3 (tolerance %4)")                \
                                 .arg(QLatin1String(#actual)).arg(a_, 0, 'g', 15)                  \
                                 .arg(e_, 0, 'g', 15).arg(tolerance)));                            \
    } while (false)

QByteArray gzip(const QByteArray &data)
{
    QByteArray out(int(compressBound(uLong(data.size()))) + 64, Qt::Uninitialized);
    z_stream zs{};
    deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    zs.avail_in = uInt(data.size());
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(int(zs.total_out));
    deflateEnd(&zs);
    return out;
}

// \a copies gzip members of \a zeros zero bytes each, one after the other.
QByteArray zeroBomb(int zeros, int copies)
{
    const QByteArray member = gzip(QByteArray(zeros, '\0'));
    QByteArray out;
    out.reserve(member.size() * copies);
    for (int i = 0; i < copies; ++i)
        out += member;
    return out;
}

int modeOf(const QString &file)
{
    struct stat st;
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// 1-based line of the first occurrence of \a needle.
int lineOf(const QByteArray &text, const QByteArray &needle)
{
    const int at = text.indexOf(needle);
    return at < 0 ? -1 : text.left(at).count('\n') + 1;
}

} // namespace

class TestSumoImport : public QObject
{
    Q_OBJECT

private:
    Imported import(const QString &net, const QStringList &routes = {}, const QPointF *origin = nullptr)
    {
        ImportOptions o;
        o.netFile = net;
        o.routeFiles = routes;
        if (origin) {
            o.hasOrigin = true;
            o.origin = *origin;
        }
        return importWith(o);
    }
    QString data(const QString &name) { return QFINDTESTDATA(QStringLiteral("data/") + name); }

    // Planar position of a UTM-33 point of the cross fixture (net coordinates minus netOffset).
    QPointF crossPlanar(const Network *net, double x, double y)
    {
        return net->geoUtil()->geoToXY(utmToLonLat(x + 398790.46, y + 5809246.45, 33));
    }

private Q_SLOTS:
    void crossCounts()
    {
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(countOf<Node>(r.net.get()), 6);
        QCOMPARE(countOf<Edge>(r.net.get()), 8);
        QCOMPARE(countOf<Lane>(r.net.get()), 9);
        QCOMPARE(countOf<Connection>(r.net.get()), 6);
        QCOMPARE(countOf<Stopline>(r.net.get()), 5);
        QCOMPARE(countOf<Granule>(r.net.get()), 1);
        QCOMPARE(countOf<SignalGroup>(r.net.get()), 8);
        QCOMPARE(countOf<CrossWalk>(r.net.get()), 2);
        QCOMPARE(r.summary.connections, 6);

        QCOMPARE(byName<Node>(r.net.get(), QStringLiteral("C"))->type(), int(Node::Junction));
        QCOMPARE(byName<Node>(r.net.get(), QStringLiteral("W"))->type(), int(Node::DeadEnd));
        QCOMPARE(byName<Node>(r.net.get(), QStringLiteral(":C_5_0"))->type(), int(Node::Hidden));
        const Edge *wc = byName<Edge>(r.net.get(), QStringLiteral("WC"));
        QVERIFY(wc);
        QCOMPARE(wc->start()->objectName(), QStringLiteral("W"));
        QCOMPARE(wc->end()->objectName(), QStringLiteral("C"));
        QCOMPARE(wc->lanes().size(), 2);
        QCOMPARE(wc->lanes().at(0)->objectName(), QStringLiteral("WC_0"));
        QCOMPARE(wc->lanes().at(1)->objectName(), QStringLiteral("WC_1"));
        // Internal, crossing and walking-area edges are not roads.
        QVERIFY(!byName<Edge>(r.net.get(), QStringLiteral(":C_0")));
        QVERIFY(!byName<Edge>(r.net.get(), QStringLiteral(":C_c0")));
    }

    void crossGeoReference_data()
    {
        QTest::addColumn<QString>("junction");
        QTest::addColumn<QPointF>("sumo");
        QTest::newRow("centre") << "C" << QPointF(100, 100);
        QTest::newRow("west dead end") << "W" << QPointF(0, 100);
        QTest::newRow("north dead end") << "N" << QPointF(100, 200);
        QTest::newRow("internal") << ":C_5_0" << QPointF(101.6, 104);
    }

    void crossGeoReference()
    {
        QFETCH(QString, junction);
        QFETCH(QPointF, sumo);
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const Node *n = byName<Node>(r.net.get(), junction);
        QVERIFY(n);
        const QPointF expected = utmToLonLat(sumo.x() + 398790.46, sumo.y() + 5809246.45, 33);
        const QPointF actual = r.net->geoUtil()->xyToGeo(n->position());
        COMPARE_NEAR(actual.x(), expected.x(), 5e-8);
        COMPARE_NEAR(actual.y(), expected.y(), 5e-8);
        // The origin is the middle of the converted boundary: junction C.
        const QPointF origin = r.net->geoUtil()->origin();
        const QPointF centre = utmToLonLat(100 + 398790.46, 100 + 5809246.45, 33);
        COMPARE_NEAR(origin.x(), centre.x(), 5e-8);
        COMPARE_NEAR(origin.y(), centre.y(), 5e-8);
    }

    void crossLanes_data()
    {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<double>("metres");
        QTest::addColumn<int>("classes");
        QTest::newRow("disallow list") << "WC_0" << 3.5
                                       << int(Lane::AllClasses & ~(Lane::Pedestrian | Lane::Bicycle));
        QTest::newRow("allow list") << "WC_1" << 3.0 << int(Lane::Bus | Lane::Taxi);
        QTest::newRow("no list, default width") << "CW_0" << 3.2 << int(Lane::AllClasses);
        QTest::newRow("width -1 means default") << "EC_0" << 3.2 << int(Lane::Tram | Lane::RailUrban);
        QTest::newRow("allow all") << "CS_0" << 3.2 << int(Lane::AllClasses);
    }

    void crossLanes()
    {
        QFETCH(QString, lane);
        QFETCH(double, metres);
        QFETCH(int, classes);
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const Lane *l = byName<Lane>(r.net.get(), lane);
        QVERIFY(l);
        QCOMPARE(int(l->allowed()), classes);
        const double lat = r.net->geoUtil()->xyToGeo(l->polyline().constFirst()).y();
        COMPARE_NEAR(l->width(), metres / std::cos(lat * Deg), 1e-9);
        COMPARE_NEAR(l->width(), metres / std::cos(52.425 * Deg), 2e-3);
    }

    void crossStoplines_data()
    {
        QTest::addColumn<QString>("lane");
        QTest::addColumn<QPointF>("left");  // SUMO coordinates
        QTest::addColumn<QPointF>("right");
        QTest::newRow("eastbound, 3.5 m") << "WC_0" << QPointF(90, 97) << QPointF(90, 93.5);
        QTest::newRow("eastbound, 3 m") << "WC_1" << QPointF(90, 100) << QPointF(90, 97);
        QTest::newRow("southbound") << "NC_0" << QPointF(100, 110) << QPointF(96.8, 110);
        QTest::newRow("westbound") << "EC_0" << QPointF(110, 100) << QPointF(110, 103.2);
    }

    void crossStoplines()
    {
        QFETCH(QString, lane);
        QFETCH(QPointF, left);
        QFETCH(QPointF, right);
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const Lane *l = byName<Lane>(r.net.get(), lane);
        QVERIFY(l && l->stopline());
        const QLineF line = l->stopline()->line();
        const QPointF el = crossPlanar(r.net.get(), left.x(), left.y());
        const QPointF er = crossPlanar(r.net.get(), right.x(), right.y());
        // Grid metres and true metres differ by the UTM scale (0.04 %): a few millimetres here.
        COMPARE_NEAR(line.p1().x(), el.x(), 0.01);
        COMPARE_NEAR(line.p1().y(), el.y(), 0.01);
        COMPARE_NEAR(line.p2().x(), er.x(), 0.01);
        COMPARE_NEAR(line.p2().y(), er.y(), 0.01);
        // Lanes that start no connection get no stop line.
        QVERIFY(!byName<Lane>(r.net.get(), QStringLiteral("CE_0"))->stopline());
    }

    void crossConnections_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("group");
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("points");
        QTest::newRow("straight via internal lane") << "WC_0 -> CE_0" << 1 << 0.0 << 2;
        QTest::newRow("left via two internal lanes") << "WC_1 -> CN_0" << 2 << 270.0 << 3;
        QTest::newRow("right without internal lane") << "WC_0 -> CS_0" << 3 << 90.0 << 2;
        QTest::newRow("southbound") << "NC_0 -> CS_0" << 4 << 0.0 << 2;
        QTest::newRow("northbound") << "SC_0 -> CN_0" << 6 << 0.0 << 2;
    }

    void crossConnections()
    {
        QFETCH(QString, name);
        QFETCH(int, group);
        QFETCH(double, angle);
        QFETCH(int, points);
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const Connection *c = byName<Connection>(r.net.get(), name);
        QVERIFY(c);
        QCOMPARE(c->granule(), byName<Granule>(r.net.get(), QStringLiteral("C")));
        QCOMPARE(c->signalGroups().size(), 1);
        QCOMPARE(c->signalGroups().constFirst()->tlId(), group);
        QCOMPARE(c->from(), c->startLane()->stopline());
        const double diff = std::remainder(c->lanesAngle() - angle, 360.0);
        COMPARE_NEAR(diff, 0.0, 3.0);
        QCOMPARE(c->polyline().count(), points);
        QCOMPARE(c->polyline().constFirst(), c->startLane()->polyline().constLast());
        QCOMPARE(c->polyline().constLast(), c->endLane()->polyline().constFirst());
        if (points == 3) {
            const QPointF bend = crossPlanar(r.net.get(), 101.6, 104);
            COMPARE_NEAR(c->polyline().at(1).x(), bend.x(), 5e-3);
            COMPARE_NEAR(c->polyline().at(1).y(), bend.y(), 5e-3);
        }
    }

    void crossCrosswalks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("group");
        QTest::addColumn<double>("metres");
        QTest::addColumn<QPointF>("from");
        QTest::newRow("west arm") << ":C_c0" << 7 << 4.0 << QPointF(88, 104);
        QTest::newRow("north arm") << ":C_c1" << 8 << 3.0 << QPointF(96, 112);
    }

    void crossCrosswalks()
    {
        QFETCH(QString, name);
        QFETCH(int, group);
        QFETCH(double, metres);
        QFETCH(QPointF, from);
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const CrossWalk *cw = byName<CrossWalk>(r.net.get(), name);
        QVERIFY(cw);
        QCOMPARE(cw->signalGroupTlId(), group);
        QCOMPARE(cw->granule(), byName<Granule>(r.net.get(), QStringLiteral("C")));
        COMPARE_NEAR(cw->width(), metres / std::cos(52.425 * Deg), 2e-3);
        const QPointF e = crossPlanar(r.net.get(), from.x(), from.y());
        COMPARE_NEAR(cw->polyline().constFirst().x(), e.x(), 5e-3);
        COMPARE_NEAR(cw->polyline().constFirst().y(), e.y(), 5e-3);
    }

    void crossGranuleAndPlan()
    {
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const Granule *g = byName<Granule>(r.net.get(), QStringLiteral("C"));
        QVERIFY(g);
        QCOMPARE(g->tlId(), 1);
        QCOMPARE(g->nodes().size(), 1);
        QCOMPARE(g->signalGroups().size(), 8);
        QCOMPARE(g->signalGroups().at(6)->tlId(), 7);
        // The program loaded last runs ("0", not "night").
        QCOMPARE(r.plans.size(), 1);
        const ControllerPlanOut &p = r.plans.value(1);
        QCOMPARE(p.sumoId, QStringLiteral("C"));
        QCOMPARE(p.programId, QStringLiteral("0"));
        QCOMPARE(p.cycleMs, qint64(66000));
        QCOMPARE(p.offsetMs, qint64(5000));
        using Seq = QVector<QPair<int, qint64>>;
        QCOMPARE(p.groups.value(1), (Seq{{1, 31000}, {16, 4000}, {4, 31000}}));
        QCOMPARE(p.groups.value(3), (Seq{{1, 31000}, {16, 4000}, {4, 31000}})); // 's' is green
        QCOMPARE(p.groups.value(4), (Seq{{4, 35000}, {20, 2000}, {1, 25500}, {16, 3500}}));
        QCOMPARE(p.groups.value(7), (Seq{{4, 37000}, {1, 25500}, {4, 3500}}));
        for (auto it = p.groups.constBegin(); it != p.groups.constEnd(); ++it) {
            qint64 sum = 0;
            for (const auto &ph : *it)
                sum += ph.second;
            QCOMPARE(sum, p.cycleMs);
        }
    }

    void signalLetters_data()
    {
        QTest::addColumn<QChar>("letter");
        QTest::addColumn<int>("code");
        QTest::newRow("G priority green") << QChar('G') << 1;
        QTest::newRow("g green") << QChar('g') << 1;
        QTest::newRow("s green arrow with stop") << QChar('s') << 1;
        QTest::newRow("y yellow") << QChar('y') << 16;
        QTest::newRow("r red") << QChar('r') << 4;
        QTest::newRow("u red-yellow") << QChar('u') << 20;
        QTest::newRow("o off, blinking") << QChar('o') << 32;
        QTest::newRow("O off") << QChar('O') << 0;
        QTest::newRow("x unknown") << QChar('x') << -1;
        QTest::newRow("R unknown") << QChar('R') << -1;
    }

    void signalLetters()
    {
        QFETCH(QChar, letter);
        QFETCH(int, code);
        QCOMPARE(SignalCode::fromSumo(letter), code);
    }

    void planFileFormat()
    {
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        const QByteArray json = plansToJson(r.plans);
        QJsonParseError pe;
        const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
        QCOMPARE(pe.error, QJsonParseError::NoError);
        const QJsonObject root = doc.object();
        QCOMPARE(root.value(QStringLiteral("format")).toString(), QStringLiteral("ostrik-signal-plans"));
        QCOMPARE(root.value(QStringLiteral("version")).toInt(), 1);
        const QJsonObject c = root.value(QStringLiteral("controllers")).toObject().value(QStringLiteral("1")).toObject();
        QCOMPARE(c.value(QStringLiteral("cycle")).toDouble(), 66.0);
        QCOMPARE(c.value(QStringLiteral("sumoId")).toString(), QStringLiteral("C"));
        QCOMPARE(c.value(QStringLiteral("groups")).toObject().value(QStringLiteral("4")).toArray().at(2).toArray().at(1).toDouble(), 25.5);
#ifdef HAVE_SIGNALPLAN
        // The demo host's own reader must accept the file and run the program.
        SignalPlanSet set;
        QString error;
        QVERIFY2(set.fromJson(json, &error), qPrintable(error));
        QCOMPARE(set.plans.value(1).stateAt(1, 5.0), int(SignalState::Green));   // offset 5 s
        QCOMPARE(set.plans.value(1).stateAt(1, 4.0), int(SignalState::Red));
        QCOMPARE(set.plans.value(1).stateAt(4, 5.0 + 36.0), int(SignalState::RedYellow));
#endif
    }

    void joinedProgram()
    {
        const Imported r = import(data(QStringLiteral("joined.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(countOf<Granule>(r.net.get()), 1);
        const Granule *g = byName<Granule>(r.net.get(), QStringLiteral("joinedS_1"));
        QVERIFY(g);
        QCOMPARE(g->tlId(), 1);
        QStringList nodes;
        for (const Node *n : g->nodes())
            nodes << n->objectName();
        nodes.sort();
        QCOMPARE(nodes, (QStringList{QStringLiteral("J1"), QStringLiteral("J2")}));
        QCOMPARE(g->connections().size(), 4);
        QCOMPARE(byName<Connection>(r.net.get(), QStringLiteral("J1J2_0 -> J2B_0"))->signalGroups().constFirst()->tlId(), 3);
        const ControllerPlanOut &p = r.plans.value(1);
        QCOMPARE(p.cycleMs, qint64(46000));
        QCOMPARE(p.offsetMs, qint64(-10000));
        using Seq = QVector<QPair<int, qint64>>;
        QCOMPARE(p.groups.value(3), (Seq{{4, 23000}, {1, 20000}, {16, 3000}}));
        // UTM zone 32: junction J2.
        const QPointF expected = utmToLonLat(200 + 500000, 5400000, 32);
        const QPointF actual = r.net->geoUtil()->xyToGeo(byName<Node>(r.net.get(), QStringLiteral("J2"))->position());
        COMPARE_NEAR(actual.x(), expected.x(), 5e-8);
        COMPARE_NEAR(actual.y(), expected.y(), 5e-8);
    }

    // Plans are fixed time: a program that reacts to traffic is named, with the way to see it live.
    void programsThatReactToTrafficAreNamed_data()
    {
        QTest::addColumn<QString>("net");
        QTest::addColumn<QString>("warning");
        QTest::newRow("actuated (the program loaded last)") << QStringLiteral("cross.net.xml")
            << QStringLiteral("1 of 1 traffic-light programs react to traffic (actuated: C); the plan file runs them as "
                              "fixed time with their phases' durations. To see them live, run the simulation in SUMO and "
                              "follow it: ostrik-view --sumo CONFIG.sumocfg");
        QTest::newRow("fixed time") << QStringLiteral("joined.net.xml") << QString();
    }
    void programsThatReactToTrafficAreNamed()
    {
        QFETCH(QString, net);
        QFETCH(QString, warning);
        const Imported r = import(data(net));
        QVERIFY2(r.ok, qPrintable(r.error));
        const QStringList about = r.summary.warnings.filter(QStringLiteral("react to traffic"));
        QCOMPARE(about, warning.isEmpty() ? QStringList() : QStringList{warning});
    }

    void routes_data()
    {
        QTest::addColumn<bool>("gzipped");
        QTest::newRow("plain") << false;
        QTest::newRow("gzip") << true;
    }

    void routes()
    {
        QFETCH(bool, gzipped);
        QTemporaryDir dir;
        QString file = data(QStringLiteral("joined.rou.xml"));
        if (gzipped) {
            const QString gz = dir.filePath(QStringLiteral("joined.rou.xml.gz"));
            QVERIFY(writeFile(gz, gzip(readAll(file))));
            file = gz;
        }
        const Imported r = import(data(QStringLiteral("joined.net.xml")), {file});
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(countOf<Route>(r.net.get()), 4);
        struct Expect { const char *name; QStringList edges; int classes; };
        const Expect expect[] = {
            {"through", {"AJ1", "J1J2", "J2B"}, Lane::Bus | Lane::Passenger}, // bus1 and car1's own route
            {"vehicle car2", {"BJ2", "J2J1", "J1A"}, Lane::Passenger},
            {"short", {"J1J2", "J2B"}, Lane::Bus},                            // flow defined before its route
            {"unused", {"AJ1", "J1J2"}, Lane::AllClasses},                    // no vehicle: what the lanes admit
        };
        for (const Expect &e : expect) {
            const Route *route = byName<Route>(r.net.get(), QLatin1String(e.name));
            QVERIFY2(route, e.name);
            QStringList edges;
            for (const Edge *edge : route->routeEdges())
                edges << edge->objectName();
            QCOMPARE(edges, e.edges);
            QCOMPARE(int(route->allowedVehicles()), e.classes);
        }
    }

    void noLocation()
    {
        const Imported missing = import(data(QStringLiteral("nolocation.net.xml")));
        QVERIFY(!missing.ok);
        QVERIFY2(missing.error.contains(QLatin1String("--origin")), qPrintable(missing.error));
        QVERIFY2(missing.error.contains(QLatin1String("no <location> element")), qPrintable(missing.error));

        const QPointF origin(10.0, 50.0);
        const Imported r = import(data(QStringLiteral("nolocation.net.xml")), {}, &origin);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(countOf<Node>(r.net.get()), 3);
        const QPointF a = r.net->geoUtil()->xyToGeo(byName<Node>(r.net.get(), QStringLiteral("a"))->position());
        COMPARE_NEAR(a.x(), 10.0, 1e-9);
        COMPARE_NEAR(a.y(), 50.0, 1e-9);
        const struct { const char *id; double east, north; } points[] = {{"b", 100, 0}, {"c", 100, 100}};
        for (const auto &p : points) {
            const QPointF expected = localToLonLat(origin, p.east, p.north);
            const QPointF actual = r.net->geoUtil()->xyToGeo(byName<Node>(r.net.get(), QLatin1String(p.id))->position());
            COMPARE_NEAR(actual.x(), expected.x(), 1e-7);
            COMPARE_NEAR(actual.y(), expected.y(), 1e-7);
        }
        COMPARE_NEAR(byName<Lane>(r.net.get(), QStringLiteral("ab_0"))->width(), 3.2 / std::cos(50 * Deg), 1e-4);
    }

    void oldFormat()
    {
        const Imported missing = import(data(QStringLiteral("old.net.xml")));
        QVERIFY(!missing.ok);
        QVERIFY2(missing.error.contains(QLatin1String("projParameter=\"!\"")), qPrintable(missing.error));

        const QPointF origin(8.0, 49.0);
        const Imported r = import(data(QStringLiteral("old.net.xml")), {}, &origin);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(countOf<Edge>(r.net.get()), 2);
        QCOMPARE(countOf<Lane>(r.net.get()), 3);
        QCOMPARE(int(byName<Lane>(r.net.get(), QStringLiteral("1i_0"))->allowed()), int(Lane::Bus | Lane::Emergency));
        QCOMPARE(int(byName<Lane>(r.net.get(), QStringLiteral("1i_1"))->allowed()),
                 int(Lane::AllClasses & ~(Lane::Pedestrian | Lane::Bicycle | Lane::Bus)));
        // netOffset (50, 0): junction m lies at the origin, e 50 m east of it.
        const QPointF m = r.net->geoUtil()->xyToGeo(byName<Node>(r.net.get(), QStringLiteral("m"))->position());
        COMPARE_NEAR(m.x(), 8.0, 1e-9);
        COMPARE_NEAR(m.y(), 49.0, 1e-9);
        const QPointF e = r.net->geoUtil()->xyToGeo(byName<Node>(r.net.get(), QStringLiteral("e"))->position());
        const QPointF expected = localToLonLat(origin, 50, 0);
        COMPARE_NEAR(e.x(), expected.x(), 1e-7);
        COMPARE_NEAR(e.y(), expected.y(), 1e-7);
        const Connection *c = byName<Connection>(r.net.get(), QStringLiteral("1i_0 -> 1o_0"));
        QVERIFY(c);
        QCOMPARE(c->signalGroups().constFirst()->tlId(), 1);
        using Seq = QVector<QPair<int, qint64>>;
        QCOMPARE(r.plans.value(1).groups.value(1), (Seq{{1, 31000}, {16, 6000}, {4, 31000}}));
    }

    void gzippedNetwork()
    {
        QTemporaryDir dir;
        const QString gz = dir.filePath(QStringLiteral("cross.net.xml.gz"));
        QVERIFY(writeFile(gz, gzip(readAll(data(QStringLiteral("cross.net.xml"))))));
        const Imported plain = import(data(QStringLiteral("cross.net.xml")));
        const Imported packed = import(gz);
        QVERIFY2(packed.ok, qPrintable(packed.error));
        QCOMPARE(packed.net->toData(), plain.net->toData());
    }

    void badInput_data()
    {
        QTest::addColumn<QByteArray>("from");   // text of cross.net.xml to replace ...
        QTest::addColumn<QByteArray>("to");     // ... by this
        QTest::addColumn<QString>("message");   // expected in the error, with the line of 'to'
        QTest::newRow("not a network") << QByteArray("<net version=\"1.9\" junctionCornerDetail=\"5\" limitTurnSpeed=\"5.50\">")
                                       << QByteArray("<routes>") << "not a SUMO network: the root element is <routes>";
        QTest::newRow("missing lane") << QByteArray("fromLane=\"1\" toLane=\"0\" via=\":C_1_0\"")
                                      << QByteArray("fromLane=\"4\" toLane=\"0\" via=\":C_1_0\"")
                                      << "<connection from=\"WC\" to=\"CN\">: the lane \"WC_4\" does not exist";
        QTest::newRow("missing edge") << QByteArray("<connection from=\"SC\"") << QByteArray("<connection from=\"XY\"")
                                      << "the edge \"XY\" does not exist";
        QTest::newRow("unknown projection") << QByteArray("+proj=utm +zone=33") << QByteArray("+proj=nosuchthing +zone=33")
                                            << "<location>: unknown projection";
        QTest::newRow("bad number") << QByteArray("width=\"3.50\"") << QByteArray("width=\"wide\"")
                                    << "<lane id=\"WC_0\">: the attribute \"width\" is not a number";
        QTest::newRow("bad shape") << QByteArray("shape=\"0.00,95.25 90.00,95.25\"") << QByteArray("shape=\"0.00,95.25 90.00\"")
                                   << "<lane id=\"WC_0\">: the attribute \"shape\"";
        QTest::newRow("unknown signal letter") << QByteArray("\"rrrururr\"") << QByteArray("\"rrruXurr\"")
                                               << "<phase>: unknown signal state 'X' at link index 4";
        QTest::newRow("state length") << QByteArray("\"yyyryrry\"") << QByteArray("\"yyyryrr\"")
                                      << "<phase>: the state has 7 signals";
        QTest::newRow("link index too large") << QByteArray("tl=\"C\" linkIndex=\"5\"") << QByteArray("tl=\"C\" linkIndex=\"8\"")
                                              << "linkIndex 8 is outside the 8 signals";
        QTest::newRow("unknown vehicle class") << QByteArray("allow=\"bus taxi\"") << QByteArray("allow=\"bus hovercraft\"")
                                               << "<lane id=\"WC_1\">: unknown vehicle class \"hovercraft\"";
        QTest::newRow("unknown junction") << QByteArray("from=\"S\" to=\"C\"") << QByteArray("from=\"Q\" to=\"C\"")
                                          << "<edge id=\"SC\">: the junction \"Q\" does not exist";
        QTest::newRow("broken XML") << QByteArray("<junction id=\"E\"") << QByteArray("<junction id=\"E\" <")
                                    << "not well-formed XML";
    }

    void badInput()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        QFETCH(QString, message);
        QByteArray text = readAll(data(QStringLiteral("cross.net.xml")));
        QVERIFY(text.contains(from));
        text.replace(from, to);
        QTemporaryDir dir;
        const QString net = dir.filePath(QStringLiteral("bad.net.xml"));
        QVERIFY(writeFile(net, text));
        ImportOptions o;
        o.netFile = net;
        ImportSummary summary;
        QString error;
        QVERIFY(!importToFiles(o, dir.filePath(QStringLiteral("bad")), &summary, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QVERIFY2(error.startsWith(QStringLiteral("%1:%2: ").arg(net).arg(lineOf(text, to))), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bad.net.xml")});
    }

    void badRoutes_data()
    {
        QTest::addColumn<QByteArray>("routes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("line");
        QTest::newRow("unknown edge") << QByteArray("<routes>\n<route id=\"r\" edges=\"AJ1 nowhere\"/>\n</routes>\n")
                                      << "<route id=\"r\">: the edge \"nowhere\" is not a road of the network" << 2;
        QTest::newRow("gap") << QByteArray("<routes>\n\n<route id=\"r\" edges=\"AJ1 J2B\"/>\n</routes>\n")
                             << "the edge \"J2B\" does not start where \"AJ1\" ends" << 3;
        QTest::newRow("undefined route") << QByteArray("<routes>\n<vehicle id=\"v\" route=\"nope\"/>\n</routes>\n")
                                         << "<vehicle id=\"v\">: the route \"nope\" is not defined" << 2;
        QTest::newRow("vehicle without route") << QByteArray("<routes>\n<vehicle id=\"v\" type=\"tank\"/>\n</routes>\n")
                                               << "<vehicle id=\"v\">: no route" << 2;
        QTest::newRow("not a route file") << QByteArray("<net>\n</net>\n")
                                          << "not a SUMO route or additional file: the root element is <net>" << 1;
    }

    void badRoutes()
    {
        QFETCH(QByteArray, routes);
        QFETCH(QString, message);
        QFETCH(int, line);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("bad.rou.xml"));
        QVERIFY(writeFile(file, routes));
        ImportOptions o;
        o.netFile = data(QStringLiteral("joined.net.xml"));
        o.routeFiles = QStringList{file};
        ImportSummary summary;
        QString error;
        QVERIFY(!importToFiles(o, dir.filePath(QStringLiteral("out")), &summary, &error));
        QVERIFY2(error.startsWith(QStringLiteral("%1:%2: ").arg(file).arg(line)), qPrintable(error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bad.rou.xml")});
    }

    void unreadableFiles()
    {
        QTemporaryDir dir;
        const QString gz = dir.filePath(QStringLiteral("broken.net.xml.gz"));
        QVERIFY(writeFile(gz, gzip(readAll(data(QStringLiteral("cross.net.xml")))).left(300)));
        const Imported truncated = import(gz);
        QVERIFY(!truncated.ok);
        QVERIFY2(truncated.error.contains(QLatin1String("corrupt or truncated")), qPrintable(truncated.error));
        const Imported missing = import(dir.filePath(QStringLiteral("none.net.xml")));
        QVERIFY(!missing.ok);
        QVERIFY2(missing.error.startsWith(QLatin1String("Cannot open")), qPrintable(missing.error));
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("asRoutes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO network") << "fifo" << false << "it is a FIFO, not a regular file";
        QTest::newRow("FIFO routes") << "fifo" << true << "it is a FIFO, not a regular file";
        QTest::newRow("network linked to /dev/zero") << "-> /dev/zero" << false
                                                     << "it is a character device, not a regular file";
        QTest::newRow("routes linked to /dev/urandom") << "-> /dev/urandom" << true
                                                       << "it is a character device, not a regular file";
        QTest::newRow("1 GiB network") << "sparse 1073741824" << false
                                       << "it has 1073741824 bytes, more than the 512 MiB a SUMO file may have";
    }

    void hostileFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, asRoutes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(asRoutes ? QStringLiteral("x.rou.xml") : QStringLiteral("x.net.xml"));
        QVERIFY(HostileFiles::make(path, file));
        HostileFiles::FifoRelease release(path);
        const Imported r = asRoutes ? import(data(QStringLiteral("joined.net.xml")), {path}) : import(path);
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QStringLiteral("Cannot open \"%1\": %2").arg(path, reason));
        QVERIFY(!release.released());
    }

    void decompressionBomb_data()
    {
        QTest::addColumn<int>("zeros");
        QTest::addColumn<int>("copies");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("reason");
        const qint64 sumoLimit = 512 * 1024 * 1024;
        QTest::newRow("8 GiB of zeros in 128 members") << (64 << 20) << 128 << sumoLimit
                                                       << "it expands to more than 16 MiB plus 100 times the compressed bytes read";
        QTest::newRow("one member, 1000-fold") << (32 << 20) << 1 << sumoLimit
                                               << "it expands to more than 16 MiB plus 100 times the compressed bytes read";
        QTest::newRow("past the absolute limit") << (1 << 20) << 8 << qint64(4 << 20)
                                                 << "it expands to more than the 4 MiB a SUMO file may have";
    }

    void decompressionBomb()
    {
        QFETCH(int, zeros);
        QFETCH(int, copies);
        QFETCH(qint64, limit);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString bomb = dir.filePath(QStringLiteral("bomb.net.xml.gz"));
        QVERIFY(writeFile(bomb, zeroBomb(zeros, copies)));
        QByteArray content;
        QString error;
        QVERIFY(!readMaybeGzipped(bomb, &content, &error, limit));
        QCOMPARE(error, QStringLiteral("Cannot decompress \"%1\": %2").arg(bomb, reason));
        QVERIFY(content.isEmpty());
    }

    void decompressionBombCommandLine()
    {
        QTemporaryDir dir;
        const QString bomb = dir.filePath(QStringLiteral("bomb.net.xml.gz"));
        QVERIFY(writeFile(bomb, zeroBomb(64 << 20, 128)));
        QProcess p;
        p.start(QStringLiteral(OSTKA_IMPORT_EXE), {QStringLiteral("-q"), bomb});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(p.readAllStandardError(),
                 QStringLiteral("ostka-import: Cannot decompress \"%1\": it expands to more than 16 MiB plus 100 "
                                "times the compressed bytes read\n").arg(bomb).toLocal8Bit());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("bomb.net.xml.gz")});
    }

    void failedRenameKeepsEarlierFiles_data()
    {
        QTest::addColumn<bool>("earlierNetwork");
        QTest::newRow("earlier network") << true;
        QTest::newRow("no earlier network") << false;
    }

    // The plan file cannot replace a directory: the network file must not have changed either.
    void failedRenameKeepsEarlierFiles()
    {
        QFETCH(bool, earlierNetwork);
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("out"));
        if (earlierNetwork)
            QVERIFY(writeFile(base + QStringLiteral(".ostka"), "earlier network"));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("out.plans.json/keep")));
        ImportOptions o;
        o.netFile = data(QStringLiteral("cross.net.xml"));
        ImportSummary summary;
        QString error;
        QVERIFY(!importToFiles(o, base, &summary, &error));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 earlierNetwork ? QStringList{QStringLiteral("out.ostka")} : QStringList());
        if (earlierNetwork)
            QCOMPARE(readAll(base + QStringLiteral(".ostka")), QByteArray("earlier network"));
        QVERIFY(QFileInfo(base + QStringLiteral(".plans.json/keep")).isDir());
        QCOMPARE(error, QStringLiteral("Cannot create \"%1.plans.json\": Is a directory").arg(base));
    }

    void outputModes_data()
    {
        QTest::addColumn<int>("umaskBits");
        QTest::addColumn<int>("earlierMode"); // -1: no earlier outputs
        QTest::addColumn<int>("expected");
        QTest::newRow("new, umask 022") << 022 << -1 << 0644;
        QTest::newRow("new, umask 077") << 077 << -1 << 0600;
        QTest::newRow("new, umask 002") << 002 << -1 << 0664;
        QTest::newRow("earlier 0600, umask 077") << 077 << 0600 << 0600;
        QTest::newRow("earlier 0600, umask 022") << 022 << 0600 << 0600;
        QTest::newRow("earlier 0640, umask 077") << 077 << 0640 << 0640;
    }

    void outputModes()
    {
        QFETCH(int, umaskBits);
        QFETCH(int, earlierMode);
        QFETCH(int, expected);
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("out"));
        const QStringList outputs{base + QStringLiteral(".ostka"), base + QStringLiteral(".plans.json")};
        if (earlierMode >= 0) {
            for (const QString &file : outputs) {
                QVERIFY(writeFile(file, "earlier"));
                QCOMPARE(::chmod(QFile::encodeName(file).constData(), mode_t(earlierMode)), 0);
            }
        }
        ImportOptions o;
        o.netFile = data(QStringLiteral("cross.net.xml"));
        ImportSummary summary;
        QString error;
        const mode_t saved = ::umask(mode_t(umaskBits));
        const bool ok = importToFiles(o, base, &summary, &error);
        ::umask(saved);
        QVERIFY2(ok, qPrintable(error));
        for (const QString &file : outputs)
            QCOMPARE(modeOf(file), expected);
    }

    void commandLine()
    {
        QTemporaryDir dir;
        const QString base = dir.filePath(QStringLiteral("town"));
        // An earlier result stays untouched when an import fails.
        QVERIFY(writeFile(base + QStringLiteral(".ostka"), "earlier"));
        QProcess p;
        p.start(QStringLiteral(OSTKA_IMPORT_EXE), {data(QStringLiteral("nolocation.net.xml")), QStringLiteral("-o"), base});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(p.readAllStandardError().contains("--origin LON,LAT"));
        QCOMPARE(readAll(base + QStringLiteral(".ostka")), QByteArray("earlier"));
        QVERIFY(!QFile::exists(base + QStringLiteral(".plans.json")));

        p.start(QStringLiteral(OSTKA_IMPORT_EXE), {QStringLiteral("-q"), data(QStringLiteral("joined.net.xml")),
                                                    data(QStringLiteral("joined.rou.xml")), QStringLiteral("-o"), base});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(p.readAllStandardError(), QByteArray());
        Network loaded;
        QVERIFY2(loaded.load(base + QStringLiteral(".ostka")), qPrintable(loaded.errorString()));
        QCOMPARE(countOf<Route>(&loaded), 4);
        QCOMPARE(countOf<Granule>(&loaded), 1);
        const QJsonDocument plans = QJsonDocument::fromJson(readAll(base + QStringLiteral(".plans.json")));
        QCOMPARE(plans.object().value(QStringLiteral("controllers")).toObject().keys(), QStringList{QStringLiteral("1")});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("town.ostka"), QStringLiteral("town.plans.json")}));

        p.start(QStringLiteral(OSTKA_IMPORT_EXE), {data(QStringLiteral("old.net.xml")), QStringLiteral("--origin"),
                                                    QStringLiteral("200,10"), QStringLiteral("-o"), base});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--origin must be LON,LAT"));

        p.start(QStringLiteral(OSTKA_IMPORT_EXE), {QStringLiteral("--no-such-option"), data(QStringLiteral("old.net.xml"))});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("no-such-option"));
    }

    void savedNetworkLoadsBack()
    {
        const Imported r = import(data(QStringLiteral("cross.net.xml")));
        QVERIFY2(r.ok, qPrintable(r.error));
        Network loaded;
        QVERIFY2(loaded.loadFromData(r.net->toData()), qPrintable(loaded.errorString()));
        QCOMPARE(loaded.objectCount(), r.net->objectCount());
        QCOMPARE(loaded.toData(), r.net->toData());
    }

    void sumoToolsNetworks()
    {
        const QString root = QStringLiteral("/usr/share/sumo/tools");
        if (!QFileInfo::exists(root))
            QSKIP("the SUMO tools package is not installed");
        QDirIterator it(root, {QStringLiteral("*.net.xml"), QStringLiteral("*.net.xml.gz")}, QDir::Files,
                        QDirIterator::Subdirectories);
        int count = 0;
        const QPointF origin(13.4, 52.5);
        while (it.hasNext()) {
            const QString file = it.next();
            const Imported r = import(file, {}, &origin);
            QVERIFY2(r.ok, qPrintable(r.error));
            QVERIFY2(r.summary.edges > 0, qPrintable(file));
            Network loaded;
            QVERIFY2(loaded.loadFromData(r.net->toData()), qPrintable(file + QLatin1String(": ") + loaded.errorString()));
#ifdef HAVE_SIGNALPLAN
            SignalPlanSet set;
            QString error;
            QVERIFY2(set.fromJson(plansToJson(r.plans), &error), qPrintable(file + QLatin1String(": ") + error));
#endif
            ++count;
        }
        QVERIFY(count > 0);
        qInfo("imported %d SUMO networks", count);
    }
};

QTEST_GUILESS_MAIN(TestSumoImport)
#include "tst_sumoimport.moc"
