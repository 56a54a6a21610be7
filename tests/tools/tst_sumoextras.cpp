// Tests of what ostka-import reads beside the network: signal programs from additional files
// (checked against SUMO's own signal states), trips routed (checked against SUMO's router),
// vehicles of vTypes no file defines, and the first controller id.
#include "importfixture.h"
#include "signalplan.h"
#include "testfiles.h"

#include <ostrika/connection.h>
#include <ostrika/edge.h>
#include <ostrika/granule.h>
#include <ostrika/lane.h>
#include <ostrika/network.h>
#include <ostrika/node.h>
#include <ostrika/route.h>
#include <ostrika/signalgroup.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <limits>
#include <memory>

using namespace Ostrika;

namespace {

const QString Scenarios = QStringLiteral("/usr/share/sumo/tools/sumolib/scenario/scenarios");
const QPointF Origin(13.4, 52.5);

Imported import(const QString &net, const QStringList &files, int firstController = 1)
{
    ImportOptions o;
    o.netFile = net;
    o.routeFiles = files;
    o.hasOrigin = true;
    o.origin = Origin;
    o.firstController = firstController;
    return importWith(o);
}

QString fixture(const QString &name)
{
    return QFINDTESTDATA(QStringLiteral("data/") + name);
}

//! Route name -> its SUMO edge ids.
QMap<QString, QStringList> routesOf(const Network *net)
{
    QMap<QString, QStringList> routes;
    const QList<Route *> all = net->findChildren<Route *>();
    for (const Route *r : all) {
        QStringList edges;
        for (const Edge *e : r->routeEdges())
            edges << e->objectName();
        routes.insert(r->objectName(), edges);
    }
    return routes;
}

//! Runs a SUMO program to its end; empty on success, else what went wrong.
QString runSumo(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("SUMO_HOME")))
        env.insert(QStringLiteral("SUMO_HOME"), QStringLiteral("/usr/share/sumo"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args + QStringList{QStringLiteral("--xml-validation"), QStringLiteral("never")});
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(program, QString::fromLocal8Bit(p.readAll()));
    return QString();
}

//! SUMO's states of light \a id per simulation step (time, state), from a SaveTLSStates file.
QVector<QPair<double, QString>> savedStates(const QString &file, const QString &id, QString *programId)
{
    QFile f(file);
    QVector<QPair<double, QString>> states;
    if (!f.open(QIODevice::ReadOnly))
        return states;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("tlsState")
            && xml.attributes().value(QStringLiteral("id")) == id) {
            *programId = xml.attributes().value(QStringLiteral("programID")).toString();
            states.append({xml.attributes().value(QStringLiteral("time")).toDouble(),
                           xml.attributes().value(QStringLiteral("state")).toString()});
        }
    }
    return xml.hasError() ? QVector<QPair<double, QString>>() : states;
}

} // namespace

class TestSumoExtras : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programsMatchSumo_data();
    void programsMatchSumo();
    void programChecks_data();
    void programChecks();
    void tripsRoutedByTravelTime();
    void tripsRoutedLikeSumo();
    void unnamedRoutesOfADistribution();
    void undefinedVTypesKeepRoutes();
    void firstController();
    void firstControllerOnTheCommandLine_data();
    void firstControllerOnTheCommandLine();
};

void TestSumoExtras::programsMatchSumo_data()
{
    QTest::addColumn<QString>("net");
    QTest::addColumn<QStringList>("additional");
    QTest::addColumn<QByteArray>("ownAdditional"); // written beside, loaded last when not empty
    QTest::addColumn<QString>("light");
    QTest::addColumn<QString>("program");          // the program SUMO runs
    QTest::addColumn<double>("step");              // SUMO's step length, seconds
    const QString rilsa1 = Scenarios + QStringLiteral("/RealWorld/RiLSA_example1/");
    const QString rilsa3 = Scenarios + QStringLiteral("/RealWorld/RiLSA_example3/");
    QTest::newRow("RiLSA example 1") << rilsa1 + "rilsa1.net.xml" << QStringList{rilsa1 + "rilsa1_tls.add.xml"}
                                     << QByteArray() << "0" << "own" << 1.0;
    QTest::newRow("RiLSA example 3") << rilsa3 + "rilsa3.net.xml" << QStringList{rilsa3 + "rilsa3_tls.add.xml"}
                                     << QByteArray() << "0" << "own" << 1.0;
    QTest::newRow("RiLSA 1 with crossings") << Scenarios + "/RiLSA1/rilsa1.net.xml"
                                            << QStringList{Scenarios + "/RiLSA1/tls.add.xml"} << QByteArray()
                                            << "0" << "own" << 1.0;
    QTest::newRow("cross game") << "/usr/share/sumo/tools/game/cross/cross.net.xml"
                                << QStringList{"/usr/share/sumo/tools/game/cross/cross.tls.add.xml"}
                                << QByteArray() << "0" << "manual" << 1.0;
    // Two additional files: the later program runs, delayed by its offset, red-yellow and all
    // (SUMO switches phases at whole steps: half-second steps for a half-second offset).
    QTest::newRow("later file, offset") << rilsa1 + "rilsa1.net.xml" << QStringList{rilsa1 + "rilsa1_tls.add.xml"}
                                        << QByteArray("<additional>\n"
                                                      "  <tlLogic id=\"0\" type=\"static\" programID=\"late\" offset=\"7.5\">\n"
                                                      "    <phase duration=\"20\" state=\"GGgrrrGGgrrr\"/>\n"
                                                      "    <phase duration=\"3\" state=\"yyyrrryyyrrr\"/>\n"
                                                      "    <phase duration=\"2\" state=\"rrrurrrrrurr\"/>\n"
                                                      "    <phase duration=\"15\" state=\"rrrGGgrrrGGg\"/>\n"
                                                      "    <phase duration=\"4\" state=\"rrryyyrrryyy\"/>\n"
                                                      "    <phase duration=\"6\" state=\"oooooooooooo\"/>\n"
                                                      "  </tlLogic>\n"
                                                      "</additional>\n")
                                        << "0" << "late" << 0.5;
}

void TestSumoExtras::programsMatchSumo()
{
    QFETCH(QString, net);
    QFETCH(QStringList, additional);
    QFETCH(QByteArray, ownAdditional);
    QFETCH(QString, light);
    QFETCH(QString, program);
    QFETCH(double, step);
    if (!QFileInfo::exists(net) || QStandardPaths::findExecutable(QStringLiteral("sumo")).isEmpty())
        QSKIP("SUMO and its tools are not installed (scripts/install-deps.sh installs them)");
    QTemporaryDir dir;
    if (!ownAdditional.isEmpty()) {
        additional << dir.filePath(QStringLiteral("own.add.xml"));
        QVERIFY(writeFile(additional.constLast(), ownAdditional));
    }
    const Imported r = import(net, additional);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.summary.programsRead, additional.size());

    // The light's granule drives its junction: every link of the program is a group with connections.
    const QList<Granule *> granules = r.net->findChildren<Granule *>();
    QCOMPARE(granules.size(), 1);
    const Granule *g = granules.constFirst();
    QCOMPARE(g->objectName(), light);
    QVERIFY(!g->nodes().isEmpty());
    QCOMPARE(g->nodes().constFirst()->objectName(), light);
    QVERIFY(!g->connections().isEmpty());
    for (const Connection *c : g->connections())
        QVERIFY2(!c->signalGroups().isEmpty(), qPrintable(c->objectName()));

    // The plan file, read as the demo host reads it, against SUMO's states second by second.
    SignalPlanSet set;
    QString error;
    QVERIFY2(set.fromJson(plansToJson(r.plans), &error), qPrintable(error));
    const ControllerPlan plan = set.plans.value(g->tlId());
    QCOMPARE(r.plans.value(g->tlId()).programId, program);
    const QString save = dir.filePath(QStringLiteral("save.add.xml"));
    const QString states = dir.filePath(QStringLiteral("states.xml"));
    QVERIFY(writeFile(save, QStringLiteral("<additional><timedEvent type=\"SaveTLSStates\" dest=\"%1\"/></additional>")
                                .arg(states).toUtf8()));
    const int seconds = int(plan.cycle) + 10;
    const QString failure = runSumo(QStringLiteral("sumo"),
        {QStringLiteral("-n"), net, QStringLiteral("-a"), (additional + QStringList{save}).join(QLatin1Char(',')),
         QStringLiteral("--end"), QString::number(seconds), QStringLiteral("--step-length"), QString::number(step),
         QStringLiteral("--no-step-log")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QString sumoProgram;
    const QVector<QPair<double, QString>> sumo = savedStates(states, light, &sumoProgram);
    QCOMPARE(sumoProgram, program);
    QCOMPARE(sumo.size(), int(seconds / step));
    QCOMPARE(plan.groups.size(), sumo.constFirst().second.size());
    for (const auto &[t, state] : sumo) {
        for (int link = 0; link < state.size(); ++link) {
            const int expected = SignalCode::fromSumo(state.at(link));
            const int actual = plan.stateAt(link + 1, t);
            if (actual != expected)
                QFAIL(qPrintable(QStringLiteral("at %1 s, link %2: SUMO shows '%3' (%4), the plan %5")
                                     .arg(t).arg(link).arg(state.at(link)).arg(expected).arg(actual)));
        }
    }
}

void TestSumoExtras::programChecks_data()
{
    QTest::addColumn<QByteArray>("additional");
    QTest::addColumn<QString>("error");    // empty: imports
    QTest::addColumn<QString>("warning");  // expected among the warnings when it imports
    QTest::addColumn<QString>("program");  // the program the light then runs
    const QByteArray cycle = "    <phase duration=\"30\" state=\"GGGGGGGG\"/>\n    <phase duration=\"5\" state=\"rrrrrrrr\"/>\n";
    QTest::newRow("add root") << "<add>\n  <tlLogic id=\"C\" programID=\"x\">\n" + cycle + "  </tlLogic>\n</add>\n"
                              << QString() << QString() << "x";
    QTest::newRow("replaces the same program")
        << "<additional>\n  <tlLogic id=\"C\" programID=\"night\">\n" + cycle + "  </tlLogic>\n</additional>\n"
        << QString() << "<tlLogic id=\"C\" programID=\"night\">: replaces the program of the same id and programID at"
        << "night";
    QTest::newRow("program switches") << "<additional>\n  <WAUT id=\"w\" refTime=\"0\" startProg=\"0\"/>\n"
                                         "  <tlLogic id=\"C\" programID=\"y\">\n" + cycle + "  </tlLogic>\n</additional>\n"
                                      << QString() << "(<WAUT>) are not imported" << "y";
    QTest::newRow("unknown light") << "<additional>\n  <tlLogic id=\"Q\" programID=\"x\">\n" + cycle
                                          + "  </tlLogic>\n</additional>\n"
                                   << ":2: <tlLogic id=\"Q\" programID=\"x\">: the network has no traffic light \"Q\""
                                   << QString() << QString();
    QTest::newRow("too few signals") << QByteArray("<additional>\n  <tlLogic id=\"C\" programID=\"x\">\n"
                                                   "    <phase duration=\"30\" state=\"GGGG\"/>\n  </tlLogic>\n</additional>\n")
                                     << ":2: <tlLogic id=\"C\">: the program has 4 signals, but the network's connections "
                                        "use link index 7" << QString() << QString();
    QTest::newRow("bad letter") << QByteArray("<additional>\n  <tlLogic id=\"C\" programID=\"x\">\n"
                                              "    <phase duration=\"30\" state=\"GGGGGGGZ\"/>\n  </tlLogic>\n</additional>\n")
                                << ":3: <phase>: unknown signal state 'Z' at link index 7" << QString() << QString();
    QTest::newRow("not an additional file") << QByteArray("<net>\n</net>\n")
                                            << ":1: not a SUMO route or additional file: the root element is <net>"
                                            << QString() << QString();
}

void TestSumoExtras::programChecks()
{
    QFETCH(QByteArray, additional);
    QFETCH(QString, error);
    QFETCH(QString, warning);
    QFETCH(QString, program);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("tls.add.xml"));
    QVERIFY(writeFile(file, additional));
    const Imported r = import(fixture(QStringLiteral("cross.net.xml")), {file});
    if (!error.isEmpty()) {
        QVERIFY(!r.ok);
        QVERIFY2(r.error.startsWith(file + error), qPrintable(r.error));
        return;
    }
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.plans.size(), 1);
    QCOMPARE(r.plans.first().programId, program);
    QCOMPARE(r.plans.first().cycleMs, qint64(35000));
    QCOMPARE(r.plans.first().groups.value(8), (QVector<QPair<int, qint64>>{{1, 30000}, {4, 5000}}));
    if (!warning.isEmpty()) {
        const QString all = r.summary.warnings.join(QLatin1Char('\n'));
        QVERIFY2(all.contains(warning), qPrintable(all));
    }
}

void TestSumoExtras::tripsRoutedByTravelTime()
{
    const Imported r = import(fixture(QStringLiteral("detour.net.xml")), {fixture(QStringLiteral("detour.trips.xml"))});
    QVERIFY2(r.ok, qPrintable(r.error));
    // Cars take the longer but faster detour, buses their own faster lane, "via" the slow street.
    const QMap<QString, QStringList> expected = {
        {QStringLiteral("trip car"), {"AB", "BF", "FC", "CD"}},
        {QStringLiteral("trip bus"), {"AB", "BE", "EC", "CD"}},
        {QStringLiteral("flow slow"), {"AB", "BC", "CD"}},
    };
    QCOMPARE(routesOf(r.net.get()), expected);
    QCOMPARE(int(byName<Route>(r.net.get(), QStringLiteral("trip bus"))->allowedVehicles()), int(Lane::Bus));
    QCOMPARE(int(byName<Route>(r.net.get(), QStringLiteral("trip car"))->allowedVehicles()), int(Lane::Passenger));
    QCOMPARE(r.summary.tripsRouted, 4);
    QCOMPARE(r.summary.tripsSkipped, 2);
    const QString warnings = r.summary.warnings.join(QLatin1Char('\n'));
    const QString trips = fixture(QStringLiteral("detour.trips.xml"));
    for (const QString &w : {QStringLiteral("%1:9: <trip id=\"back\">: skipped: no path from the edge \"CD\" to \"AB\" "
                                            "for passenger cars").arg(trips),
                             QStringLiteral("%1:10: <trip id=\"walker\">: skipped: no lane of the edge \"DC\" admits "
                                            "passenger cars").arg(trips),
                             QStringLiteral("%1: 1 trips without \"from\" and \"to\" edges skipped").arg(trips)})
        QVERIFY2(warnings.contains(w), qPrintable(warnings));

    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.trips.xml"));
    QVERIFY(writeFile(bad, "<routes>\n  <trip id=\"t\" depart=\"0\" from=\"AB\" to=\"nowhere\"/>\n</routes>\n"));
    const Imported unknown = import(fixture(QStringLiteral("detour.net.xml")), {bad});
    QVERIFY(!unknown.ok);
    QCOMPARE(unknown.error, bad + QStringLiteral(":2: <trip id=\"t\">: the edge \"nowhere\" is not a road of the network"));
}

void TestSumoExtras::unnamedRoutesOfADistribution()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dist.rou.xml"));
    QVERIFY(writeFile(file, "<routes>\n  <routeDistribution id=\"horizontal\">\n"
                            "    <route edges=\"AJ1 J1J2\"/>\n    <route edges=\"BJ2 J2J1 J1A\" probability=\"2\"/>\n"
                            "  </routeDistribution>\n  <vehicle id=\"v\" route=\"horizontal\" depart=\"0\"/>\n</routes>\n"));
    const Imported r = import(fixture(QStringLiteral("joined.net.xml")), {file});
    QVERIFY2(r.ok, qPrintable(r.error));
    const QMap<QString, QStringList> expected = {{QStringLiteral("horizontal#0"), {"AJ1", "J1J2"}},
                                                 {QStringLiteral("horizontal#1"), {"BJ2", "J2J1", "J1A"}}};
    QCOMPARE(routesOf(r.net.get()), expected);
    QCOMPARE(int(byName<Route>(r.net.get(), QStringLiteral("horizontal#1"))->allowedVehicles()), int(Lane::Passenger));
}

void TestSumoExtras::tripsRoutedLikeSumo()
{
    const QString net = QStringLiteral("/usr/share/sumo/tools/game/DRT/osm.net.xml");
    if (!QFileInfo::exists(net) || QStandardPaths::findExecutable(QStringLiteral("duarouter")).isEmpty())
        QSKIP("SUMO and its tools are not installed (scripts/install-deps.sh installs them)");
    const Imported plain = import(net, {});
    QVERIFY2(plain.ok, qPrintable(plain.error));
    QStringList edges;
    const QList<Edge *> all = plain.net->findChildren<Edge *>();
    for (const Edge *e : all) {
        for (const Lane *l : e->lanes()) {
            if (l->allowed() & Lane::Passenger) {
                edges << e->objectName();
                break;
            }
        }
    }
    std::sort(edges.begin(), edges.end());
    // Trips between roads picked by a fixed sequence, a few of them without a path.
    QByteArray trips = "<routes>\n";
    quint32 seed = 12345;
    auto next = [&seed, &edges] { seed = seed * 1664525u + 1013904223u; return edges.at(int((seed >> 8) % quint32(edges.size()))); };
    constexpr int Count = 150;
    for (int i = 0; i < Count; ++i)
        trips += QStringLiteral("  <trip id=\"%1\" depart=\"%1\" from=\"%2\" to=\"%3\"/>\n").arg(i).arg(next(), next()).toUtf8();
    trips += "</routes>\n";
    QTemporaryDir dir;
    const QString tripFile = dir.filePath(QStringLiteral("trips.xml"));
    const QString routeFile = dir.filePath(QStringLiteral("routes.xml"));
    QVERIFY(writeFile(tripFile, trips));
    // SUMO's router without junction-internal lanes costs an edge by length over speed, as the importer does.
    const QString failure = runSumo(QStringLiteral("duarouter"),
        {QStringLiteral("-n"), net, QStringLiteral("--route-files"), tripFile, QStringLiteral("-o"), routeFile,
         QStringLiteral("--ignore-errors"), QStringLiteral("--no-internal-links"), QStringLiteral("--no-step-log"),
         QStringLiteral("--no-warnings")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QMap<QString, QStringList> sumo;
    QFile f(routeFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&f);
    QString vehicle;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("vehicle"))
            vehicle = xml.attributes().value(QStringLiteral("id")).toString();
        else if (xml.isStartElement() && xml.name() == QLatin1String("route"))
            sumo.insert(QStringLiteral("trip ") + vehicle,
                        xml.attributes().value(QStringLiteral("edges")).toString().split(QLatin1Char(' ')));
    }
    QVERIFY(!xml.hasError());

    const Imported r = import(net, {tripFile});
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY2(sumo.size() > Count / 2, qPrintable(QString::number(sumo.size())));
    QCOMPARE(r.summary.tripsRouted, sumo.size());
    QCOMPARE(r.summary.tripsSkipped, Count - sumo.size());
    // Equal edge lists become one route, so compare by edges.
    QSet<QString> ours;
    const QMap<QString, QStringList> routes = routesOf(r.net.get());
    for (const QStringList &e : routes)
        ours.insert(e.join(QLatin1Char(' ')));
    for (auto it = sumo.constBegin(); it != sumo.constEnd(); ++it)
        QVERIFY2(ours.contains(it->join(QLatin1Char(' '))), qPrintable(it.key()));
}

void TestSumoExtras::undefinedVTypesKeepRoutes()
{
    const QString dir = Scenarios + QStringLiteral("/RealWorld/RiLSA_example1/");
    if (!QFileInfo::exists(dir))
        QSKIP("the SUMO tools package is not installed (scripts/install-deps.sh installs it)");
    const QString net = dir + QStringLiteral("rilsa1.net.xml");
    const QString routes = dir + QStringLiteral("genroutes.rou.xml");
    const QString types = dir + QStringLiteral("vtypes.add.xml");
    const Imported without = import(net, {routes});
    QVERIFY2(without.ok, qPrintable(without.error));
    const QString warnings = without.summary.warnings.join(QLatin1Char('\n'));
    QVERIFY2(warnings.contains(QLatin1String("name vTypes that none of the given files defines (LKW, PKW)")),
             qPrintable(warnings));
    // The types' file, given after the routes as well as before, changes the classes only.
    for (const QStringList &files : {QStringList{types, routes}, QStringList{routes, types}}) {
        const Imported with = import(net, files);
        QVERIFY2(with.ok, qPrintable(with.error));
        QVERIFY2(with.summary.warnings.isEmpty(), qPrintable(with.summary.warnings.join(QLatin1Char('\n'))));
        QCOMPARE(routesOf(with.net.get()), routesOf(without.net.get()));
        QVERIFY(with.summary.routes >= 12);
        // Neither type names a vClass: SUMO takes them for passenger cars.
        const QList<Route *> all = with.net->findChildren<Route *>();
        for (const Route *route : all)
            QCOMPARE(int(route->allowedVehicles()), int(Lane::Passenger));
    }
    // Without the types a route admits what its roads admit.
    const QList<Route *> all = without.net->findChildren<Route *>();
    for (const Route *route : all)
        QVERIFY(route->allowedVehicles() & Lane::Passenger);
}

void TestSumoExtras::firstController()
{
    const QString net = fixture(QStringLiteral("cross.net.xml"));
    const Imported r = import(net, {}, 101);
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.plans.keys(), QList<int>{101});
    QCOMPARE(r.plans.value(101).controllerId, 101);
    const QList<Granule *> granules = r.net->findChildren<Granule *>();
    QCOMPARE(granules.size(), 1);
    QCOMPARE(granules.constFirst()->tlId(), 101);
    SignalPlanSet set;
    QString error;
    QVERIFY2(set.fromJson(plansToJson(r.plans), &error), qPrintable(error));
    QCOMPARE(set.plans.keys(), QList<int>{101});

    const Imported last = import(net, {}, std::numeric_limits<int>::max());
    QVERIFY2(last.ok, qPrintable(last.error));
    QCOMPARE(last.plans.keys(), QList<int>{std::numeric_limits<int>::max()});
    const Imported zero = import(net, {}, 0);
    QVERIFY(!zero.ok);
    QVERIFY2(zero.error.contains(QLatin1String("the first controller id must be 1 to")), qPrintable(zero.error));
}

void TestSumoExtras::firstControllerOnTheCommandLine_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("40") << "40" << 0;
    QTest::newRow("zero") << "0" << 2;
    QTest::newRow("negative") << "-3" << 2;
    QTest::newRow("text") << "ten" << 2;
    QTest::newRow("too large") << "2147483648" << 2;
}

void TestSumoExtras::firstControllerOnTheCommandLine()
{
    QFETCH(QString, value);
    QFETCH(int, exitCode);
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("town"));
    QProcess p;
    p.start(QStringLiteral(OSTKA_IMPORT_EXE), {QStringLiteral("--first-controller"), value, QStringLiteral("-o"), base,
                                               fixture(QStringLiteral("cross.net.xml"))});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), exitCode);
    if (exitCode != 0) {
        QVERIFY(p.readAllStandardError().contains("--first-controller must be a whole number from 1"));
        QVERIFY(!QFileInfo::exists(base + QStringLiteral(".ostka")));
        return;
    }
    QVERIFY(p.readAllStandardError().contains("controller id 40"));
    Network loaded;
    QVERIFY2(loaded.load(base + QStringLiteral(".ostka")), qPrintable(loaded.errorString()));
    QCOMPARE(loaded.findChildren<Granule *>().constFirst()->tlId(), 40);
    SignalPlanSet set;
    QString error;
    QVERIFY2(set.load(base + QStringLiteral(".plans.json"), &error), qPrintable(error));
    QCOMPARE(set.plans.keys(), QList<int>{40});
}

QTEST_GUILESS_MAIN(TestSumoExtras)
#include "tst_sumoextras.moc"
