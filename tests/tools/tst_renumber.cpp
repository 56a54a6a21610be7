// Tests of ostka-renumber: new controller ids in a network and its plan file, both or neither.
#include "renumber.h"
#include "signalplan.h"
#include "testfiles.h"

#include <ostrika/granule.h>
#include <ostrika/network.h>
#include <ostrika/signalgroup.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {

//! Granule name -> controller id, and the signal-group numbers in file order.
struct Controllers
{
    QMap<QString, int> byGranule;
    QList<int> groupNumbers;
};

Controllers controllersIn(const QString &file)
{
    Controllers c;
    Ostrika::Network net;
    if (!net.load(file))
        return c;
    const QList<Ostrika::Granule *> granules = net.findChildren<Ostrika::Granule *>();
    for (const Ostrika::Granule *g : granules)
        c.byGranule.insert(QString::number(g->id()), g->tlId());
    const QList<Ostrika::SignalGroup *> groups = net.findChildren<Ostrika::SignalGroup *>();
    for (const Ostrika::SignalGroup *g : groups)
        c.groupNumbers << g->tlId();
    return c;
}

// The T-junction of the format description, controller 7, with room for one granule edit.
QByteArray tJunction(const QByteArray &granule)
{
    return "{\"format\": \"ostka\", \"version\": 1, \"origin\": [13.4, 52.5],\n"
           " \"nodes\": [{\"id\": 1, \"position\": [-100, 0], \"type\": 2}, {\"id\": 2, \"position\": [0, 0]},\n"
           "           {\"id\": 3, \"position\": [100, 0], \"type\": 2}],\n"
           " \"edges\": [{\"id\": 10, \"from\": 1, \"to\": 2, \"lanes\": [{\"id\": 11, \"width\": 3.5}]},\n"
           "           {\"id\": 13, \"from\": 2, \"to\": 3, \"lanes\": [{\"id\": 14, \"width\": 3.5}]}],\n"
           " \"granules\": [" + granule + "],\n"
           " \"signalGroups\": [{\"id\": 31, \"granule\": 30, \"tl\": 1}],\n"
           " \"connections\": [{\"id\": 40, \"from\": 11, \"to\": 14, \"granule\": 30, \"groups\": [31]}]}\n";
}

} // namespace

class TestRenumber : public QObject
{
    Q_OBJECT

private:
    QString town() const { return QString::fromLocal8Bit(qgetenv("OSTRIK_SOURCE_DIR")) + QStringLiteral("/samples/town"); }
    //! A copy of the sample town (network and plan file) in \a dir; its base name.
    QString copyTown(const QTemporaryDir &dir)
    {
        const QString base = dir.filePath(QStringLiteral("town"));
        QFile::copy(town() + QStringLiteral(".ostka"), base + QStringLiteral(".ostka"));
        QFile::copy(town() + QStringLiteral(".plans.json"), base + QStringLiteral(".plans.json"));
        return base;
    }

private Q_SLOTS:
    void renumbersBothFiles();
    void renumbersIntoNewFiles();
    void keepsFileModes();
    void onlyTheControllerIdsChange_data();
    void onlyTheControllerIdsChange();
    void failureChangesNothing_data();
    void failureChangesNothing();
    void commandLine_data();
    void commandLine();
};

void TestRenumber::renumbersBothFiles()
{
    QTemporaryDir dir;
    const QString base = copyTown(dir);
    const Controllers before = controllersIn(base + QStringLiteral(".ostka"));
    QVERIFY(before.byGranule.size() > 10);
    SignalPlanSet plansBefore;
    QString error;
    QVERIFY2(plansBefore.load(base + QStringLiteral(".plans.json"), &error), qPrintable(error));

    RenumberRequest request;
    request.network = base + QStringLiteral(".ostka");
    request.plans = base + QStringLiteral(".plans.json");
    request.first = 101;
    ControllerRenumbering renumbering(request.first);
    QStringList written;
    QVERIFY2(renumberFiles(request, &renumbering, &written, &error), qPrintable(error));
    QCOMPARE(written, (QStringList{request.network, request.plans}));
    QCOMPARE(renumbering.lowest(), 2);
    QCOMPARE(renumbering.shift(), qint64(99));

    // Every controlled granule moves by 99, granules without controller and group numbers stay.
    const Controllers after = controllersIn(request.network);
    QCOMPARE(after.byGranule.keys(), before.byGranule.keys());
    for (auto it = before.byGranule.constBegin(); it != before.byGranule.constEnd(); ++it)
        QCOMPARE(after.byGranule.value(it.key()), *it > 0 ? *it + 99 : *it);
    QCOMPARE(after.groupNumbers, before.groupNumbers);
    // The plans follow their controllers, unchanged.
    SignalPlanSet plansAfter;
    QVERIFY2(plansAfter.load(request.plans, &error), qPrintable(error));
    QCOMPARE(plansAfter.plans.size(), plansBefore.plans.size());
    for (const ControllerPlan &p : qAsConst(plansBefore.plans)) {
        const ControllerPlan q = plansAfter.plans.value(p.controllerId + 99);
        QCOMPARE(q.controllerId, p.controllerId + 99);
        QCOMPARE(q.cycle, p.cycle);
        QCOMPARE(q.offset, p.offset);
        QCOMPARE(q.groups.keys(), p.groups.keys());
        for (int g : p.groups.keys())
            QCOMPARE(q.stateAt(g, 33.0), p.stateAt(g, 33.0));
    }
    // Back to the old ids gives the very same bytes.
    ControllerRenumbering back(2);
    request.first = 2;
    QVERIFY2(renumberFiles(request, &back, &written, &error), qPrintable(error));
    QCOMPARE(readAll(request.network), readAll(town() + QStringLiteral(".ostka")));
    QCOMPARE(readAll(request.plans), readAll(town() + QStringLiteral(".plans.json")));
}

void TestRenumber::renumbersIntoNewFiles()
{
    QTemporaryDir dir;
    const QString base = copyTown(dir);
    RenumberRequest request;
    request.network = base + QStringLiteral(".ostka");
    request.plans = base + QStringLiteral(".plans.json");
    request.outputBase = dir.filePath(QStringLiteral("second"));
    request.first = 16;
    ControllerRenumbering renumbering(request.first);
    QStringList written;
    QString error;
    QVERIFY2(renumberFiles(request, &renumbering, &written, &error), qPrintable(error));
    QCOMPARE(written, (QStringList{request.outputBase + ".ostka", request.outputBase + ".plans.json"}));
    QCOMPARE(readAll(request.network), readAll(town() + QStringLiteral(".ostka")));
    QCOMPARE(readAll(request.plans), readAll(town() + QStringLiteral(".plans.json")));
    const Controllers renumbered = controllersIn(request.outputBase + QStringLiteral(".ostka"));
    const QList<int> ids = renumbered.byGranule.values();
    QCOMPARE(*std::max_element(ids.begin(), ids.end()), 29);
    SignalPlanSet plans;
    QVERIFY2(plans.load(request.outputBase + QStringLiteral(".plans.json"), &error), qPrintable(error));
    QCOMPARE(plans.plans.firstKey(), 16);
    QCOMPARE(plans.plans.lastKey(), 29);
}

void TestRenumber::keepsFileModes()
{
    QTemporaryDir dir;
    const QString base = copyTown(dir);
    const QStringList files{base + QStringLiteral(".ostka"), base + QStringLiteral(".plans.json")};
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    for (const QString &f : files)
        QVERIFY(QFile::setPermissions(f, ownerOnly));
    RenumberRequest request;
    request.network = files.at(0);
    request.plans = files.at(1);
    request.first = 7;
    ControllerRenumbering renumbering(request.first);
    QStringList written;
    QString error;
    QVERIFY2(renumberFiles(request, &renumbering, &written, &error), qPrintable(error));
    for (const QString &f : files)
        QCOMPARE(QFile::permissions(f) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);
}

void TestRenumber::onlyTheControllerIdsChange_data()
{
    QTest::addColumn<QByteArray>("granule");
    QTest::addColumn<QByteArray>("renumbered"); // empty: refused
    QTest::newRow("plain") << QByteArray("{\"id\": 30, \"tl\": 7, \"nodes\": [2]}")
                           << QByteArray("{\"id\": 30, \"tl\": 20, \"nodes\": [2]}");
    QTest::newRow("key given twice: the first counts")
        << QByteArray("{\"id\": 30, \"tl\": 7, \"tl\": 9}") << QByteArray("{\"id\": 30, \"tl\": 20, \"tl\": 9}");
    QTest::newRow("escaped key") << QByteArray("{\"id\": 30, \"t\\u006c\": 7}") << QByteArray("{\"id\": 30, \"t\\u006c\": 20}");
    QTest::newRow("nested unknown field")
        << QByteArray("{\"x\": {\"tl\": 3, \"s\": \"]}\\\"\"}, \"id\": 30, \"tl\": 7}")
        << QByteArray("{\"x\": {\"tl\": 3, \"s\": \"]}\\\"\"}, \"id\": 30, \"tl\": 20}");
    QTest::newRow("no controller") << QByteArray("{\"id\": 30, \"tl\": 0}") << QByteArray();
}

void TestRenumber::onlyTheControllerIdsChange()
{
    QFETCH(QByteArray, granule);
    QFETCH(QByteArray, renumbered);
    ControllerRenumbering renumbering(20);
    QByteArray out;
    QString error;
    const bool ok = renumbering.renumberNetwork(tJunction(granule), &out, &error);
    if (renumbered.isEmpty()) {
        QVERIFY(!ok);
        QCOMPARE(error, QStringLiteral("the network has no controller to renumber"));
        return;
    }
    QVERIFY2(ok, qPrintable(error));
    QCOMPARE(out, tJunction(renumbered));
}

void TestRenumber::failureChangesNothing_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<QByteArray>("plans");      // replaces the plan file when not empty
    QTest::addColumn<bool>("blockPlanOutput");  // a folder where the plan file is to be written
    QTest::addColumn<QString>("message");
    QTest::newRow("past the largest id") << std::numeric_limits<int>::max() - 5 << QByteArray() << false
                                         << "would end at";
    QTest::newRow("broken plan file") << 101 << QByteArray("{\"format\": \"ostrik-signal-plans\", \"vers") << false
                                      << "town.plans.json: not valid JSON";
    QTest::newRow("plan below 1") << 1 << QByteArray("{\"format\": \"ostrik-signal-plans\", \"version\": 1, \"controllers\": "
                                                     "{\"1\": {\"cycle\": 10, \"groups\": {\"1\": [[1, 10]]}}}}")
                                  << false << "the plan of controller 1 would get the id 0";
    QTest::newRow("plan file cannot be written") << 101 << QByteArray() << true << "out.plans.json";
}

void TestRenumber::failureChangesNothing()
{
    QFETCH(int, first);
    QFETCH(QByteArray, plans);
    QFETCH(bool, blockPlanOutput);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString base = copyTown(dir);
    RenumberRequest request;
    request.network = base + QStringLiteral(".ostka");
    request.plans = base + QStringLiteral(".plans.json");
    request.first = first;
    if (!plans.isEmpty())
        QVERIFY(writeFile(request.plans, plans));
    if (blockPlanOutput) {
        QVERIFY(QFile::remove(request.plans));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out.plans.json")));
        QVERIFY(QFile::copy(town() + QStringLiteral(".plans.json"), dir.filePath(QStringLiteral("plans.json"))));
        request.plans = dir.filePath(QStringLiteral("plans.json"));
        request.outputBase = dir.filePath(QStringLiteral("out"));
        QVERIFY(writeFile(request.outputBase + QStringLiteral(".ostka"), "earlier"));
    }
    const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    const QByteArray networkBefore = readAll(request.network), plansBefore = readAll(request.plans);
    ControllerRenumbering renumbering(first);
    QStringList written;
    QString error;
    QVERIFY(!renumberFiles(request, &renumbering, &written, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QCOMPARE(readAll(request.network), networkBefore);
    QCOMPARE(readAll(request.plans), plansBefore);
    if (blockPlanOutput)
        QCOMPARE(readAll(request.outputBase + QStringLiteral(".ostka")), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), filesBefore);
}

void TestRenumber::commandLine_data()
{
    QTest::addColumn<QStringList>("args");      // "NET" stands for the copied network
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("lowest");            // the network's lowest controller id afterwards
    QTest::newRow("plan file found beside") << QStringList{"--first-controller", "40", "NET"} << 0
                                            << "controller ids 2 to 15 are now 40 to 53 in" << 40;
    QTest::newRow("no first id") << QStringList{"NET"} << 2 << "give --first-controller N" << 2;
    QTest::newRow("zero") << QStringList{"--first-controller", "0", "NET"} << 2 << "must be a whole number from 1" << 2;
    QTest::newRow("missing network") << QStringList{"--first-controller", "5", "nowhere.ostka"} << 1
                                     << "Cannot open \"nowhere.ostka\": no such file (no file changed)" << 2;
}

void TestRenumber::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(int, lowest);
    QTemporaryDir dir;
    const QString net = copyTown(dir) + QStringLiteral(".ostka");
    args.replaceInStrings(QStringLiteral("NET"), net);
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(OSTKA_RENUMBER_EXE), args);
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(err.contains(message), qPrintable(err));
    int networkLowest = std::numeric_limits<int>::max();
    const QList<int> ids = controllersIn(net).byGranule.values();
    for (int id : ids) {
        if (id > 0)
            networkLowest = std::min(networkLowest, id);
    }
    QCOMPARE(networkLowest, lowest);
    SignalPlanSet plans;
    QString error;
    QVERIFY2(plans.load(dir.filePath(QStringLiteral("town.plans.json")), &error), qPrintable(error));
    QCOMPARE(plans.plans.firstKey(), lowest);
}

QTEST_GUILESS_MAIN(TestRenumber)
#include "tst_renumber.moc"
