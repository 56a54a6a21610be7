// End-to-end tests: ostrik-view run headless on the bundled sample and on bad input.
#include <ostrika/ostrika.h>

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

struct Run
{
    int code = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

Run run(const QStringList &args, const QString &workDir = QString(), bool stripDisplay = false)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (stripDisplay) {
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    }
    p.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(OSTRIK_VIEW_EXE), args);
    Run r;
#ifdef OSTRIK_SANITIZED
    const int limitMs = 300000; // a sanitized host importing and following SUMO runs several times slower
#else
    const int limitMs = 90000;
#endif
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.code = p.exitCode();
    r.status = p.exitStatus();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString sample(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/") + name;
}

struct Pixels
{
    int red = 0, green = 0, yellow = 0;
    QSet<QRgb> colours;
};

Pixels classify(const QImage &img)
{
    Pixels px;
    for (int y = 0; y < img.height(); y += 1) {
        for (int x = 0; x < img.width(); x += 1) {
            const QColor c = img.pixelColor(x, y);
            px.colours.insert(c.rgb());
            const int r = c.red(), g = c.green(), b = c.blue();
            // Signal colours are drawn translucently over the grey junction area: classify
            // by hue rather than by the pure colour.
            if (r > 150 && r > 2.5 * g && r > 2.5 * b)
                ++px.red;
            else if (g > 120 && g > 1.6 * r && g > 1.6 * b)
                ++px.green;
            else if (r > 140 && g > 140 && std::abs(r - g) < 25 && b < 0.6 * std::min(r, g))
                ++px.yellow;
        }
    }
    return px;
}

int number(const QString &text, const QString &pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

class TestOstrikView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(sample(QStringLiteral("town.ostka"))), "the bundled sample network is missing");
    }

    void sampleShowsLiveStates()
    {
        QTemporaryDir dir;
        const QString png = dir.filePath(QStringLiteral("map.png"));
        const QString tl = dir.filePath(QStringLiteral("timeline.png"));
        // The summary reports the states of the subscribed controllers; take pictures until
        // one moment has a yellow among them, then every colour the summary names must be drawn.
        bool sawYellow = false;
        for (int after = 20000; after <= 32000 && !sawYellow; after += 1500) {
            const Run r = run({sample(QStringLiteral("town.ostka")), QStringLiteral("--plain"),
                               QStringLiteral("--screenshot"), png, QStringLiteral("--timeline-png"), tl,
                               QStringLiteral("--after"), QString::number(after), QStringLiteral("--zoom"), QStringLiteral("18")});
            QCOMPARE(r.status, QProcess::NormalExit);
            QVERIFY2(r.code == 0, qPrintable(r.err));
            QVERIFY2(r.out.contains(QLatin1String("networks loaded: 1 (town.ostka)")), qPrintable(r.out));
            const int simulated = number(r.out, QStringLiteral("controllers: (\\d+) simulated"));
            const int bound = number(r.out, QStringLiteral("(\\d+) bound by the plugin"));
            const int subscribed = number(r.out, QStringLiteral("(\\d+) subscribed"));
            QVERIFY2(simulated > 0, qPrintable(r.out));
            QCOMPARE(bound, simulated);
            QVERIFY2(subscribed > 0 && subscribed <= simulated, qPrintable(r.out));
            QVERIFY2(number(r.out, QStringLiteral("routes: (\\d+)")) > 0, qPrintable(r.out));
            QVERIFY2(r.out.contains(QLatin1String("simulation time: ") + QString::number(after / 1000.0, 'f', 1)),
                     qPrintable(r.out));

            const QImage img(png);
            QCOMPARE(img.size(), QSize(1280, 800));
            const Pixels px = classify(img);
            QVERIFY2(px.colours.size() > 50, "the map looks blank");
            QVERIFY2(px.red > 30, qPrintable(QStringLiteral("red pixels: %1").arg(px.red)));
            QVERIFY2(px.green > 30, qPrintable(QStringLiteral("green pixels: %1").arg(px.green)));
            const QString shown = r.out.section(QLatin1String("signal groups shown:"), 1).section(QLatin1Char('\n'), 0, 0);
            if (shown.contains(QLatin1String("yellow")) && !shown.contains(QLatin1String("yellow flashing"))) {
                sawYellow = true;
                QVERIFY2(px.yellow > 30, qPrintable(QStringLiteral("yellow pixels: %1 at %2 ms").arg(px.yellow).arg(after)));
            }
            const QImage diagram(tl);
            QVERIFY(!diagram.isNull());
            QVERIFY(classify(diagram).colours.size() > 20);
        }
        QVERIFY2(sawYellow, "no moment with a yellow signal group in view");
    }

    void gpxTrackIsDrawn()
    {
        QTemporaryDir dir;
        const Run r = run({sample(QStringLiteral("town.ostka")), QStringLiteral("--gpx"), sample(QStringLiteral("town-route.gpx")),
                           QStringLiteral("--screenshot"), dir.filePath(QStringLiteral("m.png"))});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QLatin1String("GPX tracks: 1")), qPrintable(r.out));
    }

    void diagramAsSvgAndPng()
    {
        QTemporaryDir dir;
        const QString svg = dir.filePath(QStringLiteral("t.svg")), png = dir.filePath(QStringLiteral("t.png"));
        const Run r = run({sample(QStringLiteral("town.ostka")), QStringLiteral("--route"), QStringLiteral("Main Street out-and-back"),
                           QStringLiteral("--timeline-svg"), svg, QStringLiteral("--timeline-png"), png,
                           QStringLiteral("--speed-kmh"), QStringLiteral("40"), QStringLiteral("--after"), QStringLiteral("0")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QLatin1String("out-and-back route")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("through-band at 40 km/h: forward")), qPrintable(r.out));
        QCOMPARE(QImage(png).size(), QSize(1400, 900));
        QFile f(svg);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QVERIFY(xml.readNextStartElement());
        QCOMPARE(xml.name().toString(), QStringLiteral("svg"));
        QVERIFY(QFileInfo(svg).size() > 10000);
    }

    void defaultsWithoutDisplay()
    {
        QTemporaryDir dir;
        const Run r = run({sample(QStringLiteral("town.ostka"))}, dir.path(), true);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("map.png"))));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("timeline.png"))));
        QVERIFY2(r.out.contains(QLatin1String("networks loaded: 1")), qPrintable(r.out));
    }

    void networkWithoutRoutesOrLights()
    {
        QTemporaryDir dir;
        Ostrika::Network net;
        net.geoUtil()->setOrigin(QPointF(16.6, 49.19));
        auto *a = net.addNode(1, QStringLiteral("A"), QPointF(0, 0));
        auto *b = net.addNode(2, QStringLiteral("B"), QPointF(200, 0));
        auto *e = net.addEdge(3, QStringLiteral("road"), a, b, {QPointF(0, 0), QPointF(200, 0)});
        QVERIFY(net.addLane(4, QString(), e, 3.5, Ostrika::Lane::Passenger, {QPointF(0, 0), QPointF(200, 0)}));
        const QString file = dir.filePath(QStringLiteral("plain.ostka"));
        QVERIFY2(net.save(file), qPrintable(net.errorString()));
        // Default pictures: the map is written, the timeline is skipped with a note.
        const Run r = run({file}, dir.path(), true);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("map.png"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("timeline.png"))));
        QVERIFY2(r.out.contains(QLatin1String("no timeline written")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("controllers: 0 simulated")), qPrintable(r.out));
        // Asked for explicitly, a timeline without a route is an error.
        const Run r2 = run({file, QStringLiteral("--timeline-png"), dir.filePath(QStringLiteral("t.png"))});
        QCOMPARE(r2.code, 2);
        QVERIFY2(r2.err.contains(QLatin1String("no route for a timeline")), qPrintable(r2.err));
    }

    void partialPlanFileIsCompleted()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(sample(QStringLiteral("town.ostka")), dir.filePath(QStringLiteral("town.ostka"))));
        // A plan for one controller with one group only: the controller's other groups would
        // never change, so it runs a derived plan; the other controllers are derived anyway.
        QFile plans(dir.filePath(QStringLiteral("town.plans.json")));
        QVERIFY(plans.open(QIODevice::WriteOnly));
        plans.write(R"({"format": "ostrik-signal-plans", "version": 1,
                        "controllers": {"6": {"cycle": 60, "groups": {"1": [[1, 30], [4, 30]]}}}})");
        plans.close();
        const Run r = run({dir.filePath(QStringLiteral("town.ostka")), QStringLiteral("--screenshot"),
                           dir.filePath(QStringLiteral("m.png")), QStringLiteral("--export-plans"),
                           dir.filePath(QStringLiteral("used.json"))});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QLatin1String("plan file: controller 6 lacks groups")), qPrintable(r.out));
        QFile used(dir.filePath(QStringLiteral("used.json")));
        QVERIFY(used.open(QIODevice::ReadOnly));
        const QByteArray json = used.readAll();
        QVERIFY(json.contains("\"6\": {\n      \"cycle\": 80"));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("fileContent"); // written to bad.ostka when not empty
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing network") << QStringList{QStringLiteral("/nonexistent/none.ostka")} << QByteArray()
                                         << 2 << "network file /nonexistent/none.ostka does not exist";
        QTest::newRow("malformed network") << QStringList{QStringLiteral("@bad")} << QByteArray("this is no road network")
                                           << 2 << "cannot read network";
        QTest::newRow("empty network file") << QStringList{QStringLiteral("@bad")} << QByteArray(" ") << 2 << "cannot read network";
        QTest::newRow("not an ostka file") << QStringList{sample(QStringLiteral("town-route.gpx"))} << QByteArray()
                                           << 2 << "expected the suffix .ostka";
        QTest::newRow("missing gpx") << QStringList{sample(QStringLiteral("town.ostka")), QStringLiteral("--gpx"), QStringLiteral("/nonexistent/t.gpx")}
                                     << QByteArray() << 2 << "GPX file /nonexistent/t.gpx does not exist";
        QTest::newRow("unknown route") << QStringList{sample(QStringLiteral("town.ostka")), QStringLiteral("--route"), QStringLiteral("No such route")}
                                       << QByteArray() << 2 << "no route named \"No such route\"";
        QTest::newRow("bad zoom") << QStringList{QStringLiteral("--zoom"), QStringLiteral("40")} << QByteArray() << 1 << "--zoom";
        QTest::newRow("bad band speed") << QStringList{QStringLiteral("--speed-kmh"), QStringLiteral("0")} << QByteArray() << 1 << "--speed-kmh";
        QTest::newRow("bad centre") << QStringList{QStringLiteral("--center"), QStringLiteral("abc")} << QByteArray() << 1 << "--center";
        QTest::newRow("missing plugin") << QStringList{QStringLiteral("--plugin"), QStringLiteral("/nonexistent/libX.so")}
                                        << QByteArray() << 4 << "plugin library not found";
        QTest::newRow("SUMO started and followed at once")
            << QStringList{QStringLiteral("--sumo"), QStringLiteral("a.sumocfg"), QStringLiteral("--traci"), QStringLiteral("8813")}
            << QByteArray() << 1 << "give one of them";
        QTest::newRow("bad TraCI port") << QStringList{QStringLiteral("--traci"), QStringLiteral("localhost:port")}
                                        << QByteArray() << 1 << "--traci needs HOST:PORT";
        QTest::newRow("SUMO with two networks")
            << QStringList{QStringLiteral("--sumo"), QStringLiteral("a.sumocfg"), QStringLiteral("a.ostka"), QStringLiteral("b.ostka")}
            << QByteArray() << 1 << "at most one network";
        // SUMO reads the configuration itself and says what is wrong with it.
        QTest::newRow("configuration SUMO refuses") << QStringList{QStringLiteral("--sumo"), QStringLiteral("@bad")}
            << QByteArray("<configuration><input><net-file value=\"gone.net.xml\"/></input></configuration>")
            << 2 << "SUMO did not start: Error:";
        QTest::newRow("configuration that is a directory")
            << QStringList{QStringLiteral("--sumo"), QStringLiteral("/tmp")} << QByteArray() << 2 << "not a regular file";
        QTest::newRow("network that is no import of SUMO's")
            << QStringList{QStringLiteral("--sumo"), sample(QStringLiteral("sumo/grid.sumocfg")), QStringLiteral("@bad")}
            << QByteArray(" ") << 2 << "cannot read network";
    }
    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, fileContent);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString bad = dir.filePath(args.contains(QLatin1String("--sumo")) && args.indexOf(QLatin1String("@bad")) == 1
                                             ? QStringLiteral("bad.sumocfg") : QStringLiteral("bad.ostka"));
        if (!fileContent.isEmpty()) {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(fileContent);
        }
        args.replaceInStrings(QStringLiteral("@bad"), bad);
        const QString png = dir.filePath(QStringLiteral("out.png"));
        args << QStringLiteral("--screenshot") << png << QStringLiteral("--timeline-png") << dir.filePath(QStringLiteral("t.png"));
        const Run r = run(args);
        QCOMPARE(r.status, QProcess::NormalExit);
        QVERIFY2(r.code == code, qPrintable(QStringLiteral("exit %1: %2").arg(r.code).arg(r.err)));
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY2(r.err.contains(QLatin1String("ostrik-view: error: ")), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(png));
    }

    // The bundled SUMO scenario, live: SUMO's controllers, its vehicles, their trajectories.
    void sumoScenarioLive()
    {
        QTemporaryDir dir;
        const Run r = run({QStringLiteral("--sumo"), sample(QStringLiteral("sumo/grid.sumocfg")), QStringLiteral("--headless"),
                           QStringLiteral("--after"), QStringLiteral("90000"), QStringLiteral("--zoom"), QStringLiteral("17"),
                           QStringLiteral("--route"), QStringLiteral("Avenue eastbound"), QStringLiteral("--out-dir"), dir.path()});
        QVERIFY2(r.code == 0, qPrintable(r.err + r.out));
        QVERIFY2(r.out.contains(QLatin1String("controllers: 9 driven by SUMO, 9 online, 9 bound by the plugin")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("SUMO: connected to SUMO 1.")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("time 90.0 s, 90 steps followed")), qPrintable(r.out));
        QVERIFY2(number(r.out, QStringLiteral("(\\d+) vehicle trajectories")) > 0, qPrintable(r.out));
        QVERIFY2(number(r.out, QStringLiteral("steps followed, (\\d+) vehicles")) > 10, qPrintable(r.out));
        const Pixels px = classify(QImage(dir.filePath(QStringLiteral("map.png"))));
        QVERIFY(px.red > 30 && px.green > 30);
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("timeline.png"))));

        const Run bare = run({QStringLiteral("--sumo"), sample(QStringLiteral("sumo/grid.sumocfg")), QStringLiteral("--no-vehicles"),
                              QStringLiteral("--after"), QStringLiteral("20000"), QStringLiteral("--screenshot"),
                              dir.filePath(QStringLiteral("bare.png"))});
        QVERIFY2(bare.code == 0, qPrintable(bare.err));
        QVERIFY2(bare.out.contains(QLatin1String("20 steps followed, 0 vehicles")), qPrintable(bare.out));
    }

    void badPlanFileFallsBack()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(sample(QStringLiteral("town.ostka")), dir.filePath(QStringLiteral("town.ostka"))));
        QFile plans(dir.filePath(QStringLiteral("town.plans.json")));
        QVERIFY(plans.open(QIODevice::WriteOnly));
        plans.write("{\"format\": \"ostrik-signal-plans\", \"version\": 1, \"controllers\": {\"1\": {\"cycle\": 0}}}");
        plans.close();
        const Run r = run({dir.filePath(QStringLiteral("town.ostka")), QStringLiteral("--screenshot"),
                           dir.filePath(QStringLiteral("m.png"))});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QLatin1String("ignoring the plan file")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QLatin1String("controller 1: the cycle must be a positive number")), qPrintable(r.out));
        QVERIFY2(number(r.out, QStringLiteral("(\\d+) subscribed")) > 0, qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestOstrikView)
#include "tst_ostrikview.moc"
