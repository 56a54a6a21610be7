// Tests of the live SUMO source against a real SUMO running the bundled scenario.
#include "lightmapping.h"
#include "networkbindings.h"
#include "runningsumo.h"
#include "sumocontrollers.h"

#include <corvel/light.h>
#include <corvel/notification.h>
#include <corvel/response.h>
#include <ostrika/ostrika.h>
#include <signalplan.h>

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <memory>

Q_DECLARE_METATYPE(QVector<SumoLight>)
Q_DECLARE_METATYPE(QVector<LightBinding>)

namespace {

QString scenario(const QString &name)
{
    return QStringLiteral(OSTRIK_SOURCE_SAMPLES "/sumo/") + name;
}

// SUMO's own record of its signals: time -> light id -> state letters.
using StateLog = QMap<double, QMap<QString, QByteArray>>;

StateLog readStates(const QString &file)
{
    StateLog log;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return log;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("tlsState"))
            continue;
        const auto a = xml.attributes();
        log[a.value(QLatin1String("time")).toDouble()][a.value(QLatin1String("id")).toString()]
            = a.value(QLatin1String("state")).toLatin1();
    }
    return log;
}

QVector<int> codes(const QByteArray &letters)
{
    QVector<int> out;
    for (char c : letters)
        out << SignalState::fromSumo(c);
    return out;
}

QVector<int> groupStates(const Corvel::Light *light, int links)
{
    QVector<int> out;
    for (int g = 1; g <= links; ++g)
        out << light->groupState(g);
    return out;
}

} // namespace

class TestSumoLive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Ostrika::Network> m_net;
    SignalPlanSet m_plans;
    QVector<LightBinding> m_bindings;
    QVector<ReferencePoint> m_references;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The scenario with SUMO writing its own signal states (and vehicles) into the temporary folder.
    SumoControllers::Launch launch(const QString &tag, const QStringList &more = {}) const
    {
        QFile add(path(tag + QStringLiteral(".add.xml")));
        if (add.open(QIODevice::WriteOnly))
            add.write(QStringLiteral("<additional><timedEvent type=\"SaveTLSStates\" dest=\"%1\"/></additional>")
                          .arg(path(tag + QStringLiteral(".states.xml"))).toUtf8());
        SumoControllers::Launch l;
        l.config = scenario(QStringLiteral("grid.sumocfg"));
        l.extraArgs << QStringLiteral("-a") << add.fileName() << more;
        return l;
    }

    static bool waitLive(SumoControllers &c)
    {
        const bool settled = QTest::qWaitFor([&] { return c.isLive() || c.state() == SumoControllers::State::Lost; }, 30000);
        if (!settled)
            qWarning("SUMO neither connected nor failed within 30 s");
        if (!c.isLive())
            qWarning("%s", qPrintable(c.stateText()));
        return c.isLive();
    }

    static void stopAndWait(SumoControllers &c)
    {
        const qint64 pid = c.processId();
        c.stop();
        // SUMO writes its outputs when it ends.
        QTRY_VERIFY_WITH_TIMEOUT(pid == 0 || ::kill(pid_t(pid), 0) != 0, 10000);
    }

    QString sumoIdOf(int controller) const
    {
        for (const LightBinding &b : m_bindings)
            if (b.controllerId == controller)
                return b.sumoId;
        return QString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QProcess import;
        import.start(QStringLiteral(OSTKA_IMPORT_EXE),
                     {QStringLiteral("-q"), scenario(QStringLiteral("grid.net.xml")),
                      scenario(QStringLiteral("corridors.rou.xml")), QStringLiteral("-o"), path(QStringLiteral("grid"))});
        QVERIFY(import.waitForFinished(60000));
        QVERIFY2(import.exitCode() == 0, import.readAllStandardError().constData());
        m_net = std::make_unique<Ostrika::Network>();
        QVERIFY2(m_net->load(path(QStringLiteral("grid.ostka")), false), qPrintable(m_net->errorString()));
        QString error;
        QVERIFY2(m_plans.load(path(QStringLiteral("grid.plans.json")), &error), qPrintable(error));
        m_bindings = NetworkBindings::bindings(*m_net, m_plans);
        m_references = NetworkBindings::referencePoints(*m_net);
        QCOMPARE(m_bindings.size(), 9);
        QVERIFY(m_references.size() >= 20);
    }

    // The heart of it: at every step every controller shows what SUMO's controllers show.
    void statesFollowSumoStepByStep()
    {
        Corvel::Project project;
        SumoControllers c(&project);
        c.setBindings(m_bindings);
        c.setReferencePoints(m_references);

        // What the host sees: per step, each controller's group states and its notifications.
        QMap<double, QMap<QString, QVector<int>>> shown;
        QMap<int, QVector<int>> previous;
        QMap<int, QSet<int>> notified;
        QStringList faults;
        for (const LightBinding &b : qAsConst(m_bindings)) {
            Corvel::Light *light = project.object(b.controllerId);
            QVERIFY(light);
            QVERIFY(!light->isConnected());
            light->setEventMask(Corvel::Light::SignalGroupEvents);
            connect(light, &Corvel::Light::notification, this, [&, id = b.controllerId](const Notification *n) {
                QCOMPARE(n->id(), int(Notification::SignalGroupState));
                notified[id].insert(n->data().toList().value(0).toInt());
            });
        }
        connect(&c, &SumoControllers::stepApplied, this, [&](double t) {
            for (const LightBinding &b : qAsConst(m_bindings)) {
                const QVector<int> now = groupStates(project.object(b.controllerId), b.groups);
                shown[t][b.sumoId] = now;
                // The first step's states are in place before the controllers come online
                // (a subscriber then asks for them): no notifications for it.
                QSet<int> changed;
                const QVector<int> before = previous.value(b.controllerId);
                for (int g = 0; g < now.size() && !before.isEmpty(); ++g)
                    if (before[g] != now[g])
                        changed.insert(g + 1);
                if (changed != notified.value(b.controllerId) && faults.size() < 5)
                    faults << QStringLiteral("t=%1 %2: changed groups %3, notified %4").arg(t).arg(b.sumoId)
                                  .arg(changed.size()).arg(notified.value(b.controllerId).size());
                previous[b.controllerId] = now;
            }
            notified.clear();
        });

        c.start(launch(QStringLiteral("steps")));
        QVERIFY(waitLive(c));
        QCOMPARE(c.hello().lights.size(), 9);
        QVERIFY(c.hello().messages.isEmpty());
        c.runTo(300.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 300.0, 60000);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        for (const LightBinding &b : qAsConst(m_bindings))
            QVERIFY(project.object(b.controllerId)->isConnected());

        // "GET_GROUP" answers the latest step's state.
        Corvel::Light *light = project.object(m_bindings.first().controllerId);
        Response *r = light->sendCommand(QStringLiteral("GET_GROUP"), 1);
        QVERIFY(r);
        QSignalSpy finished(r, &Response::finished);
        QVERIFY(finished.wait(2000));
        QCOMPARE(r->data().toList(), (QVariantList{1, shown.last().value(m_bindings.first().sumoId).value(0)}));
        stopAndWait(c);

        const StateLog sumo = readStates(path(QStringLiteral("steps.states.xml")));
        QVERIFY(sumo.size() >= 300);
        QCOMPARE(shown.size(), 300);
        int compared = 0;
        for (auto step = shown.cbegin(); step != shown.cend(); ++step) {
            // SUMO records a step's states under the time the step began.
            const QMap<QString, QByteArray> own = sumo.value(step.key() - c.hello().stepLength);
            for (auto l = step->cbegin(); l != step->cend(); ++l) {
                QVERIFY2(own.contains(l.key()), qPrintable(QStringLiteral("t=%1: SUMO wrote nothing for %2").arg(step.key()).arg(l.key())));
                QCOMPARE(l.value(), codes(own.value(l.key())));
                ++compared;
            }
        }
        QCOMPARE(compared, 300 * 9);

        // Actuated and delay-based programs are live: somewhere they differ from the plan
        // file's fixed-time approximation; the fixed-time ones never do.
        for (const ControllerPlan &plan : qAsConst(m_plans.plans)) {
            const QString id = plan.notes.value(QStringLiteral("sumoId"));
            int differing = 0;
            for (auto step = shown.cbegin(); step != shown.cend(); ++step) {
                const QVector<int> states = step->value(id);
                for (int g = 0; g < states.size(); ++g)
                    differing += states[g] != plan.stateAt(g + 1, step.key() - c.hello().stepLength) ? 1 : 0;
            }
            const bool fixedTime = id == QLatin1String("B3") || id == QLatin1String("D1");
            if (fixedTime)
                QVERIFY2(differing == 0, qPrintable(QStringLiteral("%1 differs from its plan %2 times").arg(id).arg(differing)));
            else
                QVERIFY2(differing > 0, qPrintable(QStringLiteral("%1 ran exactly like its fixed-time plan").arg(id)));
        }
    }

    // Vehicles are where SUMO puts them (SUMO's own geo-referenced trajectory output).
    void vehiclesAreWhereSumoHasThem()
    {
        Corvel::Project project;
        SumoControllers c(&project);
        c.setBindings(m_bindings);
        c.setReferencePoints(m_references);
        const QString fcd = path(QStringLiteral("fcd.xml"));
        c.start(launch(QStringLiteral("fcd"), {QStringLiteral("--fcd-output"), fcd, QStringLiteral("--fcd-output.geo")}));
        QVERIFY(waitLive(c));
        QVERIFY(c.hello().geo.valid());
        QVERIFY2(c.hello().geo.residual < 0.05, qPrintable(QString::number(c.hello().geo.residual)));
        QMap<double, QVector<SumoVehicle>> seen;
        connect(&c, &SumoControllers::stepApplied, this, [&](double t) { seen[t] = c.vehicles(); });
        c.runTo(120.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 120.0, 60000);
        stopAndWait(c);

        QMap<double, QVector<QPointF>> sumo;
        QFile f(fcd);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        double t = -1;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("timestep"))
                t = xml.attributes().value(QLatin1String("time")).toDouble();
            else if (xml.name() == QLatin1String("vehicle"))
                sumo[t] << QPointF(xml.attributes().value(QLatin1String("x")).toDouble(),
                                   xml.attributes().value(QLatin1String("y")).toDouble());
        }
        int checked = 0;
        for (double at : {30.0, 60.0, 119.0}) {
            // Vehicle records carry the time the step began, as the signal states do.
            const QVector<QPointF> theirs = sumo.value(at - 1.0);
            const QVector<SumoVehicle> ours = seen.value(at);
            QVERIFY(!ours.isEmpty());
            QCOMPARE(ours.size(), theirs.size());
            for (const SumoVehicle &v : ours) {
                double best = 1e9;
                for (const QPointF &p : theirs)
                    best = std::min(best, QLineF(p, v.geo).length() * 111320.0);
                QVERIFY2(best < 0.5, qPrintable(QStringLiteral("a vehicle %1 m from SUMO's").arg(best)));
                ++checked;
            }
        }
        QVERIFY(checked > 20);
    }

    void killedSumoTakesEveryControllerOffline()
    {
        Corvel::Project project;
        SumoControllers c(&project);
        c.setBindings(m_bindings);
        c.start(launch(QStringLiteral("kill")));
        QVERIFY(waitLive(c));
        c.runTo(20.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 20.0, 30000);
        for (int id : c.boundControllers())
            QVERIFY(project.object(id)->isConnected());
        QSignalSpy offline(project.object(c.boundControllers().first()), &Corvel::Light::connected);

        c.setRunning(true);
        c.setSpeed(50.0);
        QVERIFY(::kill(pid_t(c.processId()), SIGKILL) == 0);
        QTRY_COMPARE_WITH_TIMEOUT(int(c.state()), int(SumoControllers::State::Lost), 10000);
        for (int id : c.boundControllers())
            QVERIFY(!project.object(id)->isConnected());
        QCOMPARE(offline.count(), 1);
        QCOMPARE(offline.first().first().toBool(), false);
        QVERIFY(c.vehicles().isEmpty());
        QVERIFY2(c.stateText().contains(QLatin1String("unexpectedly")) || c.stateText().contains(QLatin1String("failed")),
                 qPrintable(c.stateText()));

        // And again, from SUMO's beginning.
        c.reconnect();
        QVERIFY(waitLive(c));
        c.runTo(5.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 5.0 && c.time() < 20.0, 30000);
        for (int id : c.boundControllers())
            QVERIFY(project.object(id)->isConnected());
    }

    void refusedStartGivesSumosOwnMessage_data()
    {
        QTest::addColumn<QString>("config");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("expected");
        QTest::newRow("config names a missing net file")
            << QStringLiteral("<configuration><input><net-file value=\"nowhere.net.xml\"/></input></configuration>")
            << QStringLiteral("sumo") << QStringLiteral("nowhere.net.xml");
        QTest::newRow("config is not well-formed")
            << QStringLiteral("<configuration><!-- a -- b --><input/></configuration>")
            << QStringLiteral("sumo") << QStringLiteral("illegal in comment");
        QTest::newRow("SUMO is not installed under that name")
            << QStringLiteral("<configuration/>") << QStringLiteral("/nonexistent/sumo")
            << QStringLiteral("cannot start SUMO");
    }

    void refusedStartGivesSumosOwnMessage()
    {
        QFETCH(QString, config);
        QFETCH(QString, program);
        QFETCH(QString, expected);
        const QString file = path(QStringLiteral("refused.sumocfg"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(config.toUtf8());
        f.close();
        Corvel::Project project;
        SumoControllers c(&project);
        c.setBindings(m_bindings);
        QSignalSpy messages(&c, &SumoControllers::message);
        SumoControllers::Launch l;
        l.config = file;
        l.program = program;
        c.start(l);
        QTRY_COMPARE_WITH_TIMEOUT(int(c.state()), int(SumoControllers::State::Lost), 20000);
        QVERIFY2(c.stateText().contains(expected), qPrintable(c.stateText()));
        QVERIFY(!messages.isEmpty());
        for (int id : c.boundControllers())
            QVERIFY(!project.object(id)->isConnected());
    }

    // The --traci way: SUMO started by someone else, waiting on a port.
    void attachesToARunningSumo()
    {
        RunningSumo sumo(scenario(QStringLiteral("grid.sumocfg")));
        QVERIFY(sumo.started());
        const int port = sumo.port();
        // Without a network first: SUMO says which net it runs, then the host binds.
        Corvel::Project project;
        SumoControllers c(&project);
        SumoControllers::Launch l;
        l.port = port;
        c.start(l);
        QVERIFY(waitLive(c));
        QCOMPARE(c.processId(), qint64(0));
        QVERIFY2(c.hello().netFile.endsWith(QLatin1String("grid.net.xml")), qPrintable(c.hello().netFile));
        QVERIFY(c.hello().lights.isEmpty());
        QVERIFY(c.hello().messages.isEmpty());
        c.rebind(m_bindings, m_references);
        QTRY_COMPARE(c.hello().lights.size(), 9);
        QVERIFY(c.hello().geo.valid());
        c.runTo(10.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 10.0, 30000);
        for (int id : c.boundControllers())
            QVERIFY(project.object(id)->isConnected());
        c.stop();
        // Closing the connection ends that SUMO run.
        QVERIFY(sumo.ended(10000));

        l.port = port;
        l.attachTimeoutMs = 300;
        c.start(l);
        QTRY_COMPARE_WITH_TIMEOUT(int(c.state()), int(SumoControllers::State::Lost), 10000);
        QVERIFY2(c.stateText().contains(QLatin1String("no SUMO answers")), qPrintable(c.stateText()));
    }

    // A light the network lacks and a link-count mismatch: a message each, the rest runs.
    void mismatchedLightsAreReportedAndTheRestRuns()
    {
        QVector<LightBinding> bindings = m_bindings;
        int renamed = 0, shortened = 0;
        for (LightBinding &b : bindings) {
            if (b.sumoId == QLatin1String("C3")) {
                b.sumoId = QStringLiteral("C3-old");
                renamed = b.controllerId;
            } else if (b.sumoId == QLatin1String("D2")) {
                --b.groups;
                --b.maxGroup;
                shortened = b.controllerId;
            }
        }
        QVERIFY(renamed && shortened);
        Corvel::Project project;
        SumoControllers c(&project);
        c.setBindings(bindings);
        QSignalSpy messages(&c, &SumoControllers::message);
        c.start(launch(QStringLiteral("mismatch")));
        QVERIFY(waitLive(c));
        QStringList texts;
        for (const QList<QVariant> &m : qAsConst(messages))
            texts << m.first().toString();
        QCOMPARE(texts.filter(QStringLiteral("\"C3\" is not in the network")).size(), 1);
        QCOMPARE(texts.filter(QStringLiteral("\"C3-old\") is not in SUMO's simulation")).size(), 1);
        QCOMPARE(texts.filter(QStringLiteral("traffic light \"D2\": SUMO has 16 links, the network's controller %1 has 15 signal groups")
                                  .arg(shortened)).size(), 1);
        QCOMPARE(c.hello().lights.size(), 7);

        QMap<double, QMap<QString, QVector<int>>> shown;
        connect(&c, &SumoControllers::stepApplied, this, [&](double t) {
            for (const LightSlot &s : c.hello().lights)
                shown[t][s.sumoId] = groupStates(project.object(s.controllerId), s.links);
        });
        c.runTo(60.0);
        QTRY_VERIFY_WITH_TIMEOUT(c.time() >= 60.0, 30000);
        QVERIFY(!project.object(renamed)->isConnected());
        QVERIFY(!project.object(shortened)->isConnected());
        stopAndWait(c);
        const StateLog sumo = readStates(path(QStringLiteral("mismatch.states.xml")));
        QCOMPARE(shown.size(), 60);
        for (auto step = shown.cbegin(); step != shown.cend(); ++step)
            for (auto l = step->cbegin(); l != step->cend(); ++l)
                QCOMPARE(l.value(), codes(sumo.value(step.key() - 1.0).value(l.key())));
    }

    void matching_data()
    {
        QTest::addColumn<QVector<SumoLight>>("sumo");
        QTest::addColumn<QVector<LightBinding>>("network");
        QTest::addColumn<QStringList>("matched");
        QTest::addColumn<QStringList>("messages");
        const QVector<LightBinding> net{{QStringLiteral("a"), 1, 4, 4}, {QStringLiteral("b"), 2, 2, 2}};
        QTest::newRow("all match, SUMO's order")
            << QVector<SumoLight>{{QStringLiteral("b"), 2, 3}, {QStringLiteral("a"), 4, 3}} << net
            << QStringList{QStringLiteral("b=2"), QStringLiteral("a=1")} << QStringList();
        QTest::newRow("rail signal and crossing are named so")
            << QVector<SumoLight>{{QStringLiteral("a"), 4, 3}, {QStringLiteral("b"), 2, 0}, {QStringLiteral("r"), 1, 1},
                                  {QStringLiteral("x"), 3, 2}, {QStringLiteral("q"), 3, 3}} << net
            << QStringList{QStringLiteral("a=1"), QStringLiteral("b=2")}
            << QStringList{QStringLiteral("SUMO's rail signal \"r\" is not in the network (ostka-import leaves rail signals and crossings to SUMO); it is not shown"),
                           QStringLiteral("SUMO's rail crossing \"x\" is not in the network (ostka-import leaves rail signals and crossings to SUMO); it is not shown"),
                           QStringLiteral("SUMO's traffic light \"q\" is not in the network; it is not shown")};
        QTest::newRow("groups not numbered 1..n")
            << QVector<SumoLight>{{QStringLiteral("a"), 4, 3}} << QVector<LightBinding>{{QStringLiteral("a"), 1, 4, 5}}
            << QStringList()
            << QStringList{QStringLiteral("traffic light \"a\": SUMO has 4 links, the network's controller 1 has 4 signal groups numbered up to 5; controller 1 stays offline")};
        QTest::newRow("no id, duplicate id, not in SUMO")
            << QVector<SumoLight>{{QStringLiteral("a"), 4, 3}}
            << QVector<LightBinding>{{QString(), 3, 2, 2}, {QStringLiteral("a"), 5, 4, 4}, {QStringLiteral("a"), 1, 4, 4},
                                     {QStringLiteral("gone"), 7, 1, 1}}
            << QStringList{QStringLiteral("a=1")}
            << QStringList{QStringLiteral("controller 3 has no SUMO id in its plan file; it stays offline"),
                           QStringLiteral("controllers 1 and 5 both name SUMO's traffic light \"a\"; controller 5 stays offline"),
                           QStringLiteral("controller 7 (SUMO id \"gone\") is not in SUMO's simulation; it stays offline")};
    }

    void matching()
    {
        QFETCH(QVector<SumoLight>, sumo);
        QFETCH(QVector<LightBinding>, network);
        QFETCH(QStringList, matched);
        QFETCH(QStringList, messages);
        const LightMapping m = LightMapping::build(sumo, network);
        QStringList got;
        for (const LightSlot &s : m.lights)
            got << QStringLiteral("%1=%2").arg(s.sumoId).arg(s.controllerId);
        QCOMPARE(got, matched);
        QCOMPARE(m.messages, messages);
    }

    void letters_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("code");
        QTest::newRow("G priority green") << 'G' << 1;
        QTest::newRow("g yielding green") << 'g' << 1;
        QTest::newRow("s green that stops first") << 's' << 1;
        QTest::newRow("y yellow") << 'y' << 16;
        QTest::newRow("r red") << 'r' << 4;
        QTest::newRow("u red-yellow") << 'u' << 20;
        QTest::newRow("o off, blinking") << 'o' << 32;
        QTest::newRow("O off") << 'O' << 0;
        QTest::newRow("unknown") << 'x' << -1;
    }

    void letters()
    {
        QFETCH(char, letter);
        QFETCH(int, code);
        QCOMPARE(SignalState::fromSumo(letter), code);
    }
};

QTEST_GUILESS_MAIN(TestSumoLive)
#include "tst_sumolive.moc"
