// Logging: line format, severities, tag cache and the level filter seen through the plugin.
#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "logcapture.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A host scene whose layer factory fails.
class NoLayerScene : public QGraphicsScene
{
    Q_OBJECT
public:
    Q_INVOKABLE QGraphicsObject *addLayer(const QString &name)
    {
        asked << name;
        return nullptr;
    }
    QStringList asked;
};

} // namespace

class TestLogging : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void emitFunctionsWriteTagColonMessage();
    void messageTextIsNotAFormat();
    void tagCacheKeepsOneObjectPerName();
    void levelFilter_data();
    void levelFilter();

private:
    QTemporaryDir dir;
};

void TestLogging::initTestCase()
{
    QVERIFY(dir.isValid());
    QCoreApplication::setOrganizationName("OstrikTests");
    QCoreApplication::setApplicationName("tst_logging");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QSettings().clear();
}

void TestLogging::cleanup()
{
    logLevel = 2;
}

void TestLogging::emitFunctionsWriteTagColonMessage()
{
    LogCapture capture;
    logError(pluginTag(), "File /tmp/x.ostka not exists");
    logWarning(pluginTag(), "Adding layer 'Ostrik' failed");
    logInfo(pluginTag(), "Network a.ostka loaded");
    QCOMPARE(LogCapture::texts(), (QStringList{"OstrikgPlugin: File /tmp/x.ostka not exists",
                                             "OstrikgPlugin: Adding layer 'Ostrik' failed",
                                             "OstrikgPlugin: Network a.ostka loaded"}));
    QCOMPARE(LogCapture::types(), (QList<int>{QtCriticalMsg, QtWarningMsg, QtInfoMsg}));
    for (const LogCapture::Message &m : LogCapture::messages())
        QVERIFY2(m.withoutContext, "no file, line or function");
}

void TestLogging::messageTextIsNotAFormat()
{
    LogCapture capture;
    logWarning(pluginTag(), "50% done %s %d %n");
    logError(*logTag("Other"), QString());
    QCOMPARE(LogCapture::texts(), (QStringList{"OstrikgPlugin: 50% done %s %d %n", "Other: "}));
}

void TestLogging::tagCacheKeepsOneObjectPerName()
{
    const QString *a = logTag("OstrikgPlugin");
    const QString *b = logTag(QString("Ostrikg") + "Plugin");
    QCOMPARE(a, b);
    QCOMPARE(&pluginTag(), a);
    QCOMPARE(*a, QStringLiteral("OstrikgPlugin"));
    const QString *other = logTag("SettingDialog");
    QVERIFY(other != a);
    QCOMPARE(*other, QStringLiteral("SettingDialog"));
    QCOMPARE(logTag("SettingDialog"), other);
}

void TestLogging::levelFilter_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QList<int>>("expected"); // QtMsgType values
    QTest::newRow("0: nothing") << 0 << QList<int>{};
    QTest::newRow("1: errors") << 1 << QList<int>{QtCriticalMsg};
    QTest::newRow("2: and warnings") << 2 << QList<int>{QtCriticalMsg, QtWarningMsg};
    QTest::newRow("3: everything") << 3 << QList<int>{QtCriticalMsg, QtWarningMsg, QtInfoMsg};
    QTest::newRow("7: like 3") << 7 << QList<int>{QtCriticalMsg, QtWarningMsg, QtInfoMsg};
    QTest::newRow("-1: like 0") << -1 << QList<int>{};
}

void TestLogging::levelFilter()
{
    QFETCH(int, level);
    QFETCH(QList<int>, expected);
    // A missing file is an error; a failing "addLayer" a warning; any other suffix
    // still ends with the information that the network is loaded.
    const QString missing = dir.filePath("missing.ostka");
    const QString other = dir.filePath("notes.txt");
    {
        QFile f(other);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a network\n");
    }
    OstrikgPlugin plugin;
    QVERIFY(plugin.setProperty("loggingLevel", level));
    NoLayerScene scene;
    LogCapture capture;
    bool ok = true;
    QVERIFY(QMetaObject::invokeMethod(&plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, missing),
                                      Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr)));
    QCOMPARE(ok, false);
    QVERIFY(QMetaObject::invokeMethod(&plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, other),
                                      Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, nullptr)));
    QCOMPARE(ok, true);
    QCOMPARE(scene.asked, QStringList{"Ostrik"});
    const QStringList all = {QStringLiteral("OstrikgPlugin: File %1 not exists").arg(missing),
                             QStringLiteral("OstrikgPlugin: Adding layer 'Ostrik' failed"),
                             QStringLiteral("OstrikgPlugin: Network %1 loaded").arg(other)};
    QCOMPARE(LogCapture::texts(), all.mid(0, expected.size()));
    QCOMPARE(LogCapture::types(), expected);
}

QTEST_MAIN(TestLogging)
#include "tst_logging.moc"
