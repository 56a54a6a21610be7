// Following SUMO live: the host's share of a SUMO step on a 10,000-junction grid with
// 2,000 actuated traffic lights and random traffic, against SUMO's own step time.
//
// Three SUMOs run the same scenario side by side and are stepped in turn, one step each:
//   bare     - followed with no subscription at all: SUMO's step plus an empty round trip;
//   lights   - every light subscribed, matched, written into its controller, with a
//              subscriber on every controller (more than the plugin, which takes those in view);
//   vehicles - the same plus every vehicle's position, angle and speed (its length once).
// The host's share of a step is (round trip - bare round trip) + comparing + applying.
// Medians over the measured steps; wall and CPU time (per thread for the host, per process
// for SUMO).
#include "networkbindings.h"
#include "sumocontrollers.h"

#include <corvel/light.h>
#include <corvel/notification.h>
#include <ostrika/ostrika.h>
#include <signalplan.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <QEventLoop>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

bool runTool(const QString &program, const QStringList &args, const QString &dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        return false;
    }
    return true;
}

// 2,000 of the grid's inner junctions, evenly spread (about every fifth).
QStringList lightJunctions(const QString &net)
{
    QFile f(net);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList inner;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("junction"))
            continue;
        const auto a = xml.attributes();
        if (a.value(QLatin1String("type")) == QLatin1String("priority")
            && a.value(QLatin1String("incLanes")).toString().split(QLatin1Char(' ')).size() == 4)
            inner << a.value(QLatin1String("id")).toString();
    }
    QStringList chosen;
    for (int i = 0; i < 2000 && !inner.isEmpty(); ++i)
        chosen << inner.at(int(qint64(i) * inner.size() / 2000));
    return chosen;
}

// Each part is made once and kept: the grids (netgenerate), the trips, the configuration, the import.
bool makeScenario(const QString &dir)
{
    auto have = [&](const char *name) { return QFileInfo::exists(dir + QLatin1Char('/') + QLatin1String(name)); };
    const QStringList grid{QStringLiteral("--grid"), QStringLiteral("--grid.number"), QStringLiteral("100"),
                           QStringLiteral("--grid.length"), QStringLiteral("100"), QStringLiteral("--no-turnarounds")};
    if (!have("plain.net.xml") && !runTool(QStringLiteral("netgenerate"), grid + QStringList{QStringLiteral("-o"), QStringLiteral("plain.net.xml")}, dir))
        return false;
    if (!have("grid.net.xml")) {
        const QStringList lights = lightJunctions(dir + QStringLiteral("/plain.net.xml"));
        std::fprintf(stderr, "%d actuated lights\n", int(lights.size()));
        if (!runTool(QStringLiteral("netgenerate"), grid + QStringList{QStringLiteral("--tls.set"), lights.join(QLatin1Char(',')),
                     QStringLiteral("--tls.default-type"), QStringLiteral("actuated"), QStringLiteral("-o"), QStringLiteral("grid.net.xml")}, dir))
            return false;
    }
    // About one trip a second across the 10 km grid: a few hundred vehicles on the road.
    if (!have("grid.trips.xml")
        && !runTool(QStringLiteral("python3"), {QStringLiteral("/usr/share/sumo/tools/randomTrips.py"), QStringLiteral("-n"),
                    QStringLiteral("grid.net.xml"), QStringLiteral("-o"), QStringLiteral("grid.trips.xml"), QStringLiteral("--seed"),
                    QStringLiteral("42"), QStringLiteral("-b"), QStringLiteral("0"), QStringLiteral("-e"), QStringLiteral("3600"),
                    QStringLiteral("-p"), QStringLiteral("1"), QStringLiteral("--min-distance"), QStringLiteral("1000")}, dir))
        return false;
    QFile cfg(dir + QStringLiteral("/grid.sumocfg"));
    if (!have("grid.sumocfg")) {
        if (!cfg.open(QIODevice::WriteOnly))
            return false;
        cfg.write("<configuration><input><net-file value=\"grid.net.xml\"/><route-files value=\"grid.trips.xml\"/></input>"
                  "<time><end value=\"3600\"/></time><report><no-step-log value=\"true\"/><no-warnings value=\"true\"/></report>"
                  "</configuration>\n");
        cfg.close();
    }
    return have("grid.ostka")
        || runTool(QStringLiteral(OSTKA_IMPORT), {QStringLiteral("-q"), QStringLiteral("--origin"), QStringLiteral("13.40,52.50"),
                   QStringLiteral("grid.net.xml"), QStringLiteral("-o"), QStringLiteral("grid")}, dir);
}

// CPU seconds a process used so far (user + system), from /proc.
double processCpu(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = f.readAll().split(')').value(1).trimmed().split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

double median(QVector<double> v)
{
    if (v.isEmpty())
        return 0.0;
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

struct Follower;
bool stepTo(Follower &f, double seconds);

struct Follower
{
    QString name;
    Corvel::Project project;
    std::unique_ptr<SumoControllers> controllers;
    QVector<double> traci, extra, map, apply, handover, workerCpu, applyCpu, share;
    double sumoCpuStart = 0.0;
    double sumoCpu = 0.0;
    int notifications = 0;
    int changes = 0;
};

// Steps and waits in an event loop, as the window does (the handover is then what it is live).
bool stepTo(Follower &f, double seconds)
{
    SumoControllers *c = f.controllers.get();
    QEventLoop loop;
    QObject::connect(c, &SumoControllers::stepApplied, &loop, [&] {
        if (c->time() >= seconds)
            loop.quit();
    });
    QObject::connect(c, &SumoControllers::stateChanged, &loop, &QEventLoop::quit);
    c->runTo(seconds);
    loop.exec();
    return c->isLive() && c->time() >= seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser cli;
    cli.addHelpOption();
    const QCommandLineOption dirOpt(QStringLiteral("dir"), QStringLiteral("Scenario folder (kept between runs)."),
                                    QStringLiteral("dir"), QDir::tempPath() + QStringLiteral("/ostrik-bench-sumolive"));
    const QCommandLineOption stepsOpt(QStringLiteral("steps"), QStringLiteral("Measured steps (default 300)."),
                                      QStringLiteral("n"), QStringLiteral("300"));
    const QCommandLineOption warmOpt(QStringLiteral("warmup"), QStringLiteral("Steps before measuring, while traffic fills the grid (default 300)."),
                                     QStringLiteral("n"), QStringLiteral("300"));
    cli.addOptions({dirOpt, stepsOpt, warmOpt});
    cli.process(app);
    const QString dir = cli.value(dirOpt);
    QDir().mkpath(dir);
    qputenv("SUMO_HOME", qgetenv("SUMO_HOME").isEmpty() ? QByteArray("/usr/share/sumo") : qgetenv("SUMO_HOME"));
    std::fprintf(stderr, "scenario in %s (made once; a few minutes)\n", qPrintable(dir));
    if (!makeScenario(dir))
        return 1;

    Ostrika::Network net;
    SignalPlanSet plans;
    QString error;
    if (!net.load(dir + QStringLiteral("/grid.ostka"), false) || !plans.load(dir + QStringLiteral("/grid.plans.json"), &error)) {
        std::fprintf(stderr, "cannot read the import: %s %s\n", qPrintable(net.errorString()), qPrintable(error));
        return 1;
    }
    const QVector<LightBinding> bindings = NetworkBindings::bindings(net, plans);
    const QVector<ReferencePoint> references = NetworkBindings::referencePoints(net);
    int junctions = 0;
    for (const Ostrika::Node *n : net.findChildren<Ostrika::Node *>())
        junctions += n->type() == Ostrika::Node::Hidden ? 0 : 1;
    std::printf("grid: %d junctions, %d controllers\n", junctions, int(bindings.size()));

    std::vector<std::unique_ptr<Follower>> followers;
    for (const char *name : {"bare", "lights", "vehicles"}) {
        auto f = std::make_unique<Follower>();
        f->name = QString::fromLatin1(name);
        f->controllers = std::make_unique<SumoControllers>(&f->project);
        if (f->name != QLatin1String("bare")) {
            f->controllers->setBindings(bindings);
            Follower *self = f.get();
            for (Corvel::Light *l : f->project.lights()) {
                l->setEventMask(Corvel::Light::SignalGroupEvents);
                QObject::connect(l, &Corvel::Light::notification, l, [self](const Notification *n) {
                    self->notifications += n->data().toList().size() == 2 ? 1 : 0;
                });
            }
        }
        f->controllers->setReferencePoints(f->name == QLatin1String("vehicles") ? references : QVector<ReferencePoint>());
        f->controllers->setFollowVehicles(f->name == QLatin1String("vehicles"));
        SumoControllers::Launch launch;
        launch.config = dir + QStringLiteral("/grid.sumocfg");
        f->controllers->start(launch);
        followers.push_back(std::move(f));
    }
    for (auto &f : followers) {
        if (!QTest::qWaitFor([&] { return f->controllers->isLive() || f->controllers->state() == SumoControllers::State::Lost; }, 600000)
            || !f->controllers->isLive()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(f->name), qPrintable(f->controllers->stateText()));
            return 1;
        }
    }
    std::printf("SUMO %s; %d lights matched\n", qPrintable(followers[1]->controllers->hello().version),
                int(followers[1]->controllers->hello().lights.size()));

    const int warmup = cli.value(warmOpt).toInt(), steps = cli.value(stepsOpt).toInt();
    for (int k = 1; k <= warmup + steps; ++k) {
        const bool measured = k > warmup;
        if (k == warmup + 1)
            for (auto &f : followers)
                f->sumoCpuStart = processCpu(f->controllers->processId());
        // Interleaved: one step of each, in an order that rotates, so that load on the machine
        // and the order itself hit all alike.
        QVector<double> round(int(followers.size()));
        for (size_t turn = 0; turn < followers.size(); ++turn) {
            const size_t i = (turn + size_t(k)) % followers.size();
            auto &f = followers[i];
            if (!stepTo(*f, k)) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(f->name), qPrintable(f->controllers->stateText()));
                return 1;
            }
            round[int(i)] = f->controllers->lastCosts().traci;
        }
        for (size_t i = 0; i < followers.size() && measured; ++i) {
            auto &f = followers[i];
            const SumoControllers::StepCosts c = f->controllers->lastCosts();
            f->traci << c.traci;
            f->map << c.map;
            f->apply << c.apply;
            f->handover << c.handover;
            f->workerCpu << c.workerCpu;
            f->applyCpu << c.applyCpu;
            f->extra << c.traci - round.first();
            f->share << std::max(0.0, c.traci - round.first()) + c.map + c.apply;
            f->changes += f->controllers->lastChanges().size();
        }
        if (k % 100 == 0)
            std::fprintf(stderr, "step %d, %d vehicles\n", k, int(followers[2]->controllers->vehicles().size()));
    }
    for (auto &f : followers)
        f->sumoCpu = processCpu(f->controllers->processId()) - f->sumoCpuStart;

    // SUMO's own step: the bare follower's round trip (an empty answer) and SUMO's CPU per step.
    const double sumoStep = median(followers[0]->traci);
    const double sumoCpu = 1000.0 * followers[0]->sumoCpu / steps;
    std::printf("\nmedians over %d steps after %d (ms per step; %d vehicles at the end)\n", steps, warmup,
                int(followers[2]->controllers->vehicles().size()));
    std::printf("%-9s %9s %9s %8s %8s %9s %9s %10s %9s %9s %9s\n", "follower", "roundtrip", "+vs bare", "compare",
                "apply", "share", "share/%", "host cpu", "+sumo cpu", "handover", "changes");
    for (auto &f : followers) {
        const double share = median(f->share);
        QVector<double> hostCpu;
        for (int i = 0; i < f->workerCpu.size(); ++i)
            hostCpu << f->workerCpu.at(i) + f->applyCpu.at(i);
        std::printf("%-9s %9.3f %9.3f %8.3f %8.3f %9.3f %8.1f%% %10.3f %9.3f %9.3f %9.1f\n", qPrintable(f->name),
                    median(f->traci), median(f->extra), median(f->map), median(f->apply), share, 100.0 * share / sumoStep,
                    median(hostCpu), 1000.0 * f->sumoCpu / steps - sumoCpu, median(f->handover),
                    double(f->changes) / steps);
    }
    std::printf("\nSUMO's own step: %.3f ms round trip (median), %.3f ms CPU (mean); notifications per step "
                "(lights): %.1f\n", sumoStep, sumoCpu, double(followers[1]->notifications) / (warmup + steps));
    return 0;
}
