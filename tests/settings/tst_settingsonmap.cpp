// End to end: settings accepted in the dialog take effect at once on a loaded network.
#include "logcapture.h"
#include "pluginprobe.h"
#include "testhost.h"
#include "testnetwork.h"
#include "plugin/logging.h"

#include <ostrika/ostrika.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include "settings/settingdialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <functional>

class TestSettingsOnMap : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void minZoomAppliesAtOnce();
    void uncheckedLayerIsHidden();
    void cancelLeavesTheMapAlone();

private:
    void runDialog(TestHost &host, const std::function<void(SettingDialog *)> &edit,
                   QDialogButtonBox::StandardButton button);

    QTemporaryDir dir;
    QString networkFile;
};

void TestSettingsOnMap::initTestCase()
{
    useTestSettings();
    QVERIFY(dir.isValid());
    networkFile = dir.filePath(QStringLiteral("strip.ostka"));
    QString error;
    StripSpec layout;
    layout.prefix = QStringLiteral("s");
    QVERIFY2(writeStrip(layout, networkFile, &error), qPrintable(error));
}

void TestSettingsOnMap::init()
{
    QSettings().clear();
}

// Opens the dialog through the host call, lets \a edit change it, then presses \a button.
void TestSettingsOnMap::runDialog(TestHost &host, const std::function<void(SettingDialog *)> &edit,
                                  QDialogButtonBox::StandardButton button)
{
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [poll, edit, button] {
        auto *dialog = qobject_cast<SettingDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        edit(dialog);
        auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QTest::mouseClick(buttons->button(button), Qt::LeftButton);
    });
    poll->start();
    QMetaObject::invokeMethod(host.plugin, "showSettingsDialog", Q_ARG(QWidget *, host.view.get()));
}

void TestSettingsOnMap::minZoomAppliesAtOnce()
{
    TestHost host;
    host.view->setZoom(15);
    QVERIFY(host.load(networkFile));
    Ostrikga::Networkg *net = host.networkOf(QStringLiteral("sA"));
    QVERIFY(net);
    QVERIFY(!TestHost::layerOf(net, QStringLiteral("Edges"))->isVisible()); // 15 < 17

    runDialog(host, [](SettingDialog *dialog) {
        auto *zoom = dialog->findChild<QSpinBox *>(QStringLiteral("minZoom"));
        QTest::keyClick(zoom, Qt::Key_Down);
        QTest::keyClick(zoom, Qt::Key_Down);
    }, QDialogButtonBox::Ok);

    QCOMPARE(PluginProbe(host.plugin).minZoom(), 15);
    QVERIFY(TestHost::layerOf(net, QStringLiteral("Edges"))->isVisible());
    QVERIFY(!TestHost::layerOf(net, QStringLiteral("Splits"))->isVisible());
    QSettings settings;
    QCOMPARE(settings.value(QStringLiteral("ostrikPlugin/minZoom")).toInt(), 15);
}

void TestSettingsOnMap::uncheckedLayerIsHidden()
{
    TestHost host;
    QVERIFY(host.load(networkFile));
    Ostrikga::Networkg *net = host.networkOf(QStringLiteral("sA"));
    QVERIFY(net);
    QVERIFY(TestHost::layerOf(net, QStringLiteral("Edges"))->isVisible()); // zoom 17 shows it

    runDialog(host, [](SettingDialog *dialog) {
        auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("layers"));
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 1)->text() == QLatin1String("Edges")) {
                const QPoint centre = table->visualRect(table->model()->index(row, 0)).center();
                QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
                QTest::keyClick(table, Qt::Key_Space);
            }
        }
    }, QDialogButtonBox::Ok);

    QVERIFY(!PluginProbe(host.plugin).visibleLayers().contains(QStringLiteral("Edges")));
    QVERIFY(!TestHost::layerOf(net, QStringLiteral("Edges"))->isVisible());
    QVERIFY(TestHost::layerOf(net, QStringLiteral("Lanes"))->isVisible());
    QSettings settings;
    QVERIFY(!settings.value(QStringLiteral("ostrikPlugin/visibleLayers")).toString().split(',').contains("Edges"));
}

void TestSettingsOnMap::cancelLeavesTheMapAlone()
{
    TestHost host;
    QVERIFY(host.load(networkFile));
    Ostrikga::Networkg *net = host.networkOf(QStringLiteral("sA"));
    const QStringList shown = TestHost::shownLayers(net);
    QVERIFY(!shown.isEmpty());

    runDialog(host, [](SettingDialog *dialog) {
        auto *zoom = dialog->findChild<QSpinBox *>(QStringLiteral("minZoom"));
        QTest::keyClick(zoom, Qt::Key_Up);
        QTest::keyClick(zoom, Qt::Key_Up);
    }, QDialogButtonBox::Cancel);

    QCOMPARE(PluginProbe(host.plugin).minZoom(), 17);
    QCOMPARE(TestHost::shownLayers(net), shown);
    QVERIFY(QSettings().allKeys().isEmpty());
}

QTEST_MAIN(TestSettingsOnMap)
#include "tst_settingsonmap.moc"
