// The plugin's settings file in its default place: a hostile one is refused, never read.
#include "hostilefiles.h"
#include "pluginprobe.h"
#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "settings/settingdialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {
QStringList *logLines = nullptr;

void captureLog(QtMsgType, const QMessageLogContext &, const QString &text)
{
    if (logLines)
        logLines->append(text);
}

QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/OstrikTests/tst_settingsfile.conf");
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void readFromTheDefaultPlace();
    void hostileFile_data();
    void hostileFile();
};

void TestSettingsFile::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_settingsfile"));
    QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).path()));
}

void TestSettingsFile::cleanup()
{
    QFile::remove(settingsFile());
    logLevel = 2;
}

// The place the checks look at is the one QSettings reads.
void TestSettingsFile::readFromTheDefaultPlace()
{
    QCOMPARE(QSettings().fileName(), settingsFile());
    QSettings().setValue(QStringLiteral("ostrikPlugin/minZoom"), 12);
    OstrikgPlugin plugin;
    QCOMPARE(PluginProbe(plugin).minZoom(), 12);
}

void TestSettingsFile::hostileFile_data()
{
    HostileFiles::refusalRows(2097152, QStringLiteral("1 MiB a settings file"));
}

// Defaults and one error line at start-up; OK in the dialog applies but writes nothing.
void TestSettingsFile::hostileFile()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    const QString path = settingsFile();
    QVERIFY(HostileFiles::make(path, file));
    HostileFiles::FifoRelease release(path);
    const QFileInfo before(path);

    QStringList lines;
    logLines = &lines;
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);
    auto plugin = std::make_unique<OstrikgPlugin>();
    QCOMPARE(PluginProbe(*plugin).minZoom(), 17);
    QCOMPARE(lines, QStringList{QStringLiteral("OstrikgPlugin: Settings not read: Cannot open \"%1\": %2")
                                    .arg(path, reason)});
    lines.clear();
    {
        SettingDialog dialog(plugin.get());
        dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    }
    qInstallMessageHandler(previous);
    logLines = nullptr;
    QCOMPARE(lines, QStringList{QStringLiteral("OstrikgPlugin: Settings not saved: Cannot open \"%1\": %2")
                                    .arg(path, reason)});
    QVERIFY(!release.released());
    const QFileInfo after(path);
    QCOMPARE(after.symLinkTarget(), before.symLinkTarget());
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.lastModified(), before.lastModified());
}

QTEST_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
