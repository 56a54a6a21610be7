// Tests that the settings dialog explains its internal names where the user points at them.
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"
#include "settings/settingdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolTip>
#include <QtTest>

class TestSettingHelp : public QObject
{
    Q_OBJECT

private:
    //! The tooltip the table shows when the pointer rests on \a row, \a column.
    QString hover(QTableWidget *table, int row, int column)
    {
        QToolTip::hideText();
        const QPoint at = table->visualRect(table->model()->index(row, column)).center();
        QHelpEvent event(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(table->viewport(), &event);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }

    QTemporaryDir settingsDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(settingsDir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }

    void layerRowsExplainTheirNames_data()
    {
        QTest::addColumn<QString>("layer");
        QTest::addColumn<QString>("words");   // expected in its explanation
        QTest::newRow("Granules") << "Granules" << "Junction areas (granules)";
        QTest::newRow("Splits") << "Splits" << "only split a road in two, not junctions";
        QTest::newRow("redSignals") << "redSignals" << "shows red or red-yellow";
        QTest::newRow("Connections") << "Connections" << "signal group (the signal heads that switch together)";
        QTest::newRow("a name of the settings only") << "Tracks" << "networks without a layer of this name ignore it";
    }

    void layerRowsExplainTheirNames()
    {
        QFETCH(QString, layer);
        QFETCH(QString, words);
        OstrikgPlugin plugin;
        PluginProbe(plugin).visibleLayers() = QStringList{QStringLiteral("Edges"), QStringLiteral("redSignals"),
                                                          QStringLiteral("Tracks")};
        SettingDialog dialog(&plugin);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("layers"));
        int row = -1;
        for (int r = 0; r < table->rowCount(); ++r) {
            if (table->item(r, 1)->text() == layer)
                row = r;
        }
        QVERIFY2(row >= 0, "the layer keeps its name in the table");
        const QString onName = hover(table, row, 1);
        QVERIFY2(onName.contains(words), qPrintable(onName));
        QCOMPARE(hover(table, row, 0), onName);
    }

    void everyRowAndSettingIsExplained()
    {
        OstrikgPlugin plugin;
        SettingDialog dialog(&plugin);
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("layers"));
        QSet<QString> texts;
        for (int r = 0; r < table->rowCount(); ++r) {
            QVERIFY(!table->item(r, 1)->toolTip().isEmpty());
            texts.insert(table->item(r, 1)->toolTip());
        }
        QCOMPARE(texts.size(), table->rowCount()); // one explanation per layer, none shared
        QVERIFY(dialog.findChild<QSpinBox *>(QStringLiteral("minZoom"))->toolTip().contains(QLatin1String("zoom level")));
        QVERIFY(dialog.findChild<QCheckBox *>(QStringLiteral("allowProcessTlEvents"))->toolTip()
                    .contains(QLatin1String("signal groups (the signal heads that switch together)")));
        QVERIFY(dialog.findChild<QLabel *>(QStringLiteral("label_3"))->toolTip().contains(QLatin1String("Rest the pointer")));

        // For the documentation: the dialog with a row's tooltip, where a screen can be grabbed.
        const QString png = qEnvironmentVariable("OSTRIK_SETTINGS_HELP_PNG");
        if (png.isEmpty())
            return;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(!hover(table, 0, 1).isEmpty());
        QRect area = dialog.frameGeometry();
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (const QWidget *w : windows) {
            if (w->isVisible() && w->inherits("QTipLabel"))
                area |= w->geometry();
        }
        QTest::qWait(200);
        QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                    .save(png));
    }
};

QTEST_MAIN(TestSettingHelp)
#include "tst_settinghelp.moc"
