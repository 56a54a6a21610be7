// Tests of SettingDialog driven as a user would: form, layer table, OK, Cancel, persistence.
#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "pluginprobe.h"
#include "settings/settingdialog.h"

#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {

const QString Group = QStringLiteral("ostrikPlugin");

QStringList emptyNetworkLayers()
{
    QGraphicsScene scene;
    Ostrikga::Networkg network(&scene);
    QStringList names;
    const QList<Ostrikga::Layer *> layers = network.layers();
    for (const Ostrikga::Layer *layer : layers)
        names << layer->objectName();
    return names;
}

QVariantMap storedSettings()
{
    QSettings settings;
    settings.beginGroup(Group);
    QVariantMap values;
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        values.insert(key, settings.value(key));
    return values;
}

//! The table as "name" or "name*" (checked) per row.
QStringList tableRows(const QTableWidget *table)
{
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        const bool checked = table->item(row, 0)->data(Qt::EditRole).toBool();
        rows << table->item(row, 1)->text() + (checked ? QStringLiteral("*") : QString());
    }
    return rows;
}

//! Editors a view opens are children of its viewport, which has none otherwise.
int openEditors(const QTableWidget *table)
{
    int count = 0;
    const QList<QWidget *> children = table->viewport()->findChildren<QWidget *>();
    for (const QWidget *child : children)
        count += child->isVisible() ? 1 : 0;
    return count;
}

int rowOf(const QTableWidget *table, const QString &name, int from = 0)
{
    for (int row = from; row < table->rowCount(); ++row) {
        if (table->item(row, 1)->text() == name)
            return row;
    }
    return -1;
}

struct Form
{
    explicit Form(SettingDialog &dialog)
        : minZoom(dialog.findChild<QSpinBox *>(QStringLiteral("minZoom"))),
          logLevel(dialog.findChild<QComboBox *>(QStringLiteral("logLevel"))),
          allow(dialog.findChild<QCheckBox *>(QStringLiteral("allowProcessTlEvents"))),
          layers(dialog.findChild<QTableWidget *>(QStringLiteral("layers"))),
          buttons(dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox")))
    {
    }
    bool complete() const { return minZoom && logLevel && allow && layers && buttons; }

    //! What a window system delivers for a double-click: press, release, double-click, release.
    void doubleClick(int row, int column) const
    {
        const QPoint centre = layers->visualRect(layers->model()->index(row, column)).center();
        QTest::mousePress(layers->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseRelease(layers->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseDClick(layers->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
        QTest::mouseRelease(layers->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    }
    void click(int row, int column) const
    {
        const QRect cell = layers->visualRect(layers->model()->index(row, column));
        QTest::mouseClick(layers->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    }
    bool checked(int row) const { return layers->item(row, 0)->data(Qt::EditRole).toBool(); }
    void clickButton(QDialogButtonBox::StandardButton which) const
    {
        QTest::mouseClick(buttons->button(which), Qt::LeftButton);
    }
    void clickCheckBox() const
    {
        QTest::mouseClick(allow, Qt::LeftButton, Qt::NoModifier, QPoint(6, allow->height() / 2));
    }

    QSpinBox *minZoom;
    QComboBox *logLevel;
    QCheckBox *allow;
    QTableWidget *layers;
    QDialogButtonBox *buttons;
};

} // namespace

class TestSettingDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void form();
    void initialSizeIsTidy();
    void loadsPluginValues_data();
    void loadsPluginValues();
    void defaultLayerTable();
    void tableInteraction();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void okWithoutChange();
    void okAppliesChanges();
    void storedZoomClamped();
    void levelOutsideRange_data();
    void levelOutsideRange();
    void nameListedTwice();
    void unknownNameUncheckedIsGone();
    void uncheckEverything();
    void reorderedNamesAreAChange();
    void signalGroupsOff();
    void showSettingsDialog_data();
    void showSettingsDialog();
    void parentDeletedWhileOpen();

private:
    void runModal(const std::function<void(SettingDialog *)> &action);

    QTemporaryDir settingsDir;
    OstrikgPlugin *plugin = nullptr;
    QStringList networkLayers;
};

void TestSettingDialog::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_settingdialog"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, settingsDir.filePath("system"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    networkLayers = emptyNetworkLayers();
    QVERIFY(networkLayers.contains(QStringLiteral("Splits")));
    QVERIFY(networkLayers.contains(QStringLiteral("Markers")));
}

void TestSettingDialog::init()
{
    QSettings().clear();
    logLevel = 2;
    plugin = new OstrikgPlugin;
    PluginProbe(*plugin).minZoom() = 17;
    PluginProbe(*plugin).allowProcessTlEvents() = true;
    PluginProbe(*plugin).visibleLayers() = QStringList{QStringLiteral("Edges"), QStringLiteral("Nodes")};
}

void TestSettingDialog::cleanup()
{
    delete plugin;
    plugin = nullptr;
    QSettings().clear();
    logLevel = 2;
}

void TestSettingDialog::form()
{
    SettingDialog dialog(plugin);
    QCOMPARE(dialog.objectName(), QStringLiteral("SettingDialog"));
    QCOMPARE(QString(dialog.metaObject()->className()), QStringLiteral("SettingDialog"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings for 'Ostrik' plugin"));
    QCOMPARE(dialog.size(), QSize(334, 480));

    auto *layout = qobject_cast<QVBoxLayout *>(dialog.layout());
    QVERIFY(layout);
    QCOMPARE(layout->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(layout->count(), 6);
    QCOMPARE(layout->itemAt(0)->layout()->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(layout->itemAt(1)->layout()->objectName(), QStringLiteral("horizontalLayout_2"));
    const QStringList rows = {QStringLiteral("allowProcessTlEvents"), QStringLiteral("label_3"),
                              QStringLiteral("layers"), QStringLiteral("buttonBox")};
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(layout->itemAt(i + 2)->widget()->objectName(), rows[i]);

    QLayout *first = layout->itemAt(0)->layout();
    QCOMPARE(first->count(), 3);
    QCOMPARE(first->itemAt(0)->widget()->objectName(), QStringLiteral("label"));
    QCOMPARE(qobject_cast<QLabel *>(first->itemAt(0)->widget())->text(), QStringLiteral("Zoom for visibility:"));
    QCOMPARE(first->itemAt(1)->widget()->objectName(), QStringLiteral("minZoom"));
    QVERIFY(first->itemAt(2)->spacerItem());
    QCOMPARE(first->itemAt(2)->sizeHint(), QSize(40, 20));
    QCOMPARE(first->itemAt(2)->spacerItem()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(first->itemAt(2)->spacerItem()->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);

    QLayout *second = layout->itemAt(1)->layout();
    QCOMPARE(second->count(), 3);
    QCOMPARE(qobject_cast<QLabel *>(second->itemAt(0)->widget())->text(), QStringLiteral("Logging level:"));
    QCOMPARE(second->itemAt(0)->widget()->objectName(), QStringLiteral("label_2"));
    QCOMPARE(second->itemAt(1)->widget()->objectName(), QStringLiteral("logLevel"));
    QVERIFY(second->itemAt(2)->spacerItem());
    QCOMPARE(second->itemAt(2)->spacerItem()->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);

    Form f(dialog);
    QVERIFY(f.complete());
    QCOMPARE(f.minZoom->minimum(), 10);
    QCOMPARE(f.minZoom->maximum(), 19);
    QCOMPARE(f.logLevel->count(), 3);
    QCOMPARE(f.logLevel->itemText(0), QStringLiteral("Errors"));
    QCOMPARE(f.logLevel->itemText(1), QStringLiteral("Warnings"));
    QCOMPARE(f.logLevel->itemText(2), QStringLiteral("Informations"));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(f.logLevel->itemIcon(i).isNull());
        QVERIFY(!f.logLevel->itemData(i).isValid());
    }
    QCOMPARE(f.allow->text(), QStringLiteral("Show changes for signal groups"));
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("label_3"))->text(), QStringLiteral("Layers visibility:"));

    QCOMPARE(f.layers->columnCount(), 2);
    QCOMPARE(f.layers->horizontalHeaderItem(0)->text(), QStringLiteral("visible"));
    QCOMPARE(f.layers->horizontalHeaderItem(1)->text(), QStringLiteral("name"));
    QVERIFY(f.layers->verticalHeader()->isHidden());
    QCOMPARE(f.layers->verticalHeader()->defaultSectionSize(), 19);
    QVERIFY(f.layers->itemDelegateForColumn(0));
    QCOMPARE(QString(f.layers->itemDelegateForColumn(0)->metaObject()->className()),
             QStringLiteral("CheckBoxDelegate"));
    QCOMPARE(f.layers->itemDelegateForColumn(0)->parent(), &dialog);
    QVERIFY(!f.layers->itemDelegateForColumn(1));

    QCOMPARE(f.buttons->orientation(), Qt::Horizontal);
    QCOMPARE(f.buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
}

void TestSettingDialog::initialSizeIsTidy()
{
    // The default list: every layer but "Splits" and "Markers", plus "redSignals".
    QStringList names = networkLayers;
    names.removeOne(QStringLiteral("Splits"));
    names.removeOne(QStringLiteral("Markers"));
    names << QStringLiteral("redSignals");
    PluginProbe(*plugin).visibleLayers() = names;
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    const QRect area = dialog.rect();
    const QList<QWidget *> widgets = dialog.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget *w : widgets) {
        if (w->isVisible())
            QVERIFY2(area.contains(w->geometry()), qPrintable(w->objectName()));
    }
    // Every row and both columns are in view without scrolling.
    QCOMPARE(f.layers->rowCount(), networkLayers.size() + 1);
    QVERIFY2(f.layers->rowCount() * 19 <= f.layers->viewport()->height(),
             qPrintable(QString::number(f.layers->viewport()->height())));
    QVERIFY(!f.layers->horizontalScrollBar()->isVisible());
    QVERIFY(!f.layers->verticalScrollBar()->isVisible());
    QVERIFY(f.minZoom->width() >= f.minZoom->sizeHint().width());
    QVERIFY(f.logLevel->width() >= f.logLevel->sizeHint().width());
    QVERIFY(f.allow->width() >= f.allow->sizeHint().width());

    const QString png = qEnvironmentVariable("OSTRIK_SETTINGS_PNG");
    if (!png.isEmpty())
        QVERIFY(dialog.grab().save(png));
}

void TestSettingDialog::loadsPluginValues_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<bool>("allow");
    QTest::addColumn<int>("shownIndex");
    QTest::addColumn<int>("shownZoom");

    QTest::newRow("defaults") << 2 << 17 << true << 1 << 17;
    QTest::newRow("errors, 10, off") << 1 << 10 << false << 0 << 10;
    QTest::newRow("informations, 19") << 3 << 19 << true << 2 << 19;
    QTest::newRow("zoom 25 shown as 19") << 2 << 25 << true << 1 << 19;
    QTest::newRow("zoom 3 shown as 10") << 2 << 3 << true << 1 << 10;
    QTest::newRow("level 0: no entry") << 0 << 17 << true << -1 << 17;
    QTest::newRow("level 7: no entry") << 7 << 17 << true << -1 << 17;
}

void TestSettingDialog::loadsPluginValues()
{
    QFETCH(int, level);
    QFETCH(int, zoom);
    QFETCH(bool, allow);
    QFETCH(int, shownIndex);
    QFETCH(int, shownZoom);

    logLevel = level;
    PluginProbe(*plugin).minZoom() = zoom;
    PluginProbe(*plugin).allowProcessTlEvents() = allow;
    SettingDialog dialog(plugin);
    Form f(dialog);
    QCOMPARE(f.logLevel->currentIndex(), shownIndex);
    QCOMPARE(f.minZoom->value(), shownZoom);
    QCOMPARE(f.allow->isChecked(), allow);
    QVERIFY(storedSettings().isEmpty());
}

void TestSettingDialog::defaultLayerTable()
{
    // A plugin started without stored settings lists its defaults.
    delete plugin;
    plugin = new OstrikgPlugin;
    SettingDialog dialog(plugin);
    Form f(dialog);

    QStringList expected;
    for (const QString &name : qAsConst(networkLayers)) {
        const bool hidden = name == QLatin1String("Splits") || name == QLatin1String("Markers");
        expected << name + (hidden ? QString() : QStringLiteral("*"));
    }
    expected << QStringLiteral("redSignals*");
    QCOMPARE(tableRows(f.layers), expected);

    for (int row = 0; row < f.layers->rowCount(); ++row) {
        QCOMPARE(f.layers->item(row, 0)->data(Qt::EditRole).userType(), int(QMetaType::Bool));
        QVERIFY(f.layers->item(row, 0)->flags() & Qt::ItemIsEditable);
        QCOMPARE(f.layers->item(row, 1)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
}

void TestSettingDialog::tableInteraction()
{
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    const int edges = rowOf(f.layers, QStringLiteral("Edges"));
    const int lanes = rowOf(f.layers, QStringLiteral("Lanes"));
    QVERIFY(edges >= 0 && lanes >= 0);
    QVERIFY(f.checked(edges));
    QVERIFY(!f.checked(lanes));

    // A double-click toggles, a second one toggles back.
    f.doubleClick(lanes, 0);
    QVERIFY(f.checked(lanes));
    f.doubleClick(lanes, 0);
    QVERIFY(!f.checked(lanes));

    // A single click selects but does not toggle.
    f.click(edges, 0);
    QVERIFY(f.checked(edges));
    QCOMPARE(f.layers->currentRow(), edges);
    QCOMPARE(f.layers->currentColumn(), 0);

    // Space toggles the current cell; other keys are swallowed and open no editor.
    QTest::keyClick(f.layers, Qt::Key_Space);
    QVERIFY(!f.checked(edges));
    QTest::keyClick(f.layers, Qt::Key_Space);
    QVERIFY(f.checked(edges));
    QTest::keyClick(f.layers, Qt::Key_A);
    QTest::keyClick(f.layers, Qt::Key_F2);
    QTest::keyClick(f.layers, Qt::Key_0);
    QVERIFY(f.checked(edges));
    QCOMPARE(openEditors(f.layers), 0);

    // Arrow keys still move between cells.
    QTest::keyClick(f.layers, Qt::Key_Down);
    QCOMPARE(f.layers->currentRow(), edges + 1);

    // The name column cannot be edited, by mouse or keyboard.
    const QString name = f.layers->item(lanes, 1)->text();
    f.doubleClick(lanes, 1);
    QTest::keyClick(f.layers, Qt::Key_F2);
    QTest::keyClick(f.layers, Qt::Key_Space);
    QTest::keyClicks(f.layers, QStringLiteral("xyz"));
    QCOMPARE(f.layers->currentColumn(), 1);
    QCOMPARE(f.layers->item(lanes, 1)->text(), name);
    QVERIFY(!f.checked(lanes));
    QCOMPARE(openEditors(f.layers), 0);
}

void TestSettingDialog::cancelWritesNothing_data()
{
    QTest::addColumn<int>("how"); // 0 Cancel button, 1 Escape, 2 closing the window
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("window closed") << 2;
}

void TestSettingDialog::cancelWritesNothing()
{
    QFETCH(int, how);
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    QTest::keyClick(f.minZoom, Qt::Key_Down);
    QTest::keyClick(f.logLevel, Qt::Key_Down);
    f.clickCheckBox();
    f.doubleClick(0, 0);
    QCOMPARE(f.minZoom->value(), 16);
    QCOMPARE(f.logLevel->currentIndex(), 2);
    QVERIFY(!f.allow->isChecked());

    if (how == 0)
        f.clickButton(QDialogButtonBox::Cancel);
    else if (how == 1)
        QTest::keyClick(&dialog, Qt::Key_Escape);
    else
        dialog.close();

    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.isVisible());
    QVERIFY(storedSettings().isEmpty());
    QCOMPARE(logLevel, 2);
    QCOMPARE(PluginProbe(*plugin).minZoom(), 17);
    QCOMPARE(PluginProbe(*plugin).allowProcessTlEvents(), true);
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Edges", "Nodes"}));
}

void TestSettingDialog::okWithoutChange()
{
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    f.clickButton(QDialogButtonBox::Ok);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());

    const QVariantMap stored = storedSettings();
    QCOMPARE(stored.keys(), QStringList({"allowProcessTlEvents", "logLevel", "minZoom", "visibleLayers"}));
    QCOMPARE(stored.value("logLevel").userType(), int(QMetaType::Int));
    QCOMPARE(stored.value("logLevel").toInt(), 2);
    QCOMPARE(stored.value("minZoom").userType(), int(QMetaType::Int));
    QCOMPARE(stored.value("minZoom").toInt(), 17);
    QCOMPARE(stored.value("visibleLayers").userType(), int(QMetaType::QString));
    QCOMPARE(stored.value("visibleLayers").toString(), QStringLiteral("Edges,Nodes"));
    QCOMPARE(stored.value("allowProcessTlEvents").userType(), int(QMetaType::Int));
    QCOMPARE(stored.value("allowProcessTlEvents").toInt(), 1);

    QCOMPARE(logLevel, 2);
    QCOMPARE(PluginProbe(*plugin).minZoom(), 17);
    QCOMPARE(PluginProbe(*plugin).allowProcessTlEvents(), true);
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Edges", "Nodes"}));
}

void TestSettingDialog::okAppliesChanges()
{
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    QTest::keyClick(f.minZoom, Qt::Key_Up);
    QTest::keyClick(f.minZoom, Qt::Key_Up);
    QTest::keyClick(f.logLevel, Qt::Key_Up);
    f.clickCheckBox();
    f.doubleClick(rowOf(f.layers, QStringLiteral("Lanes")), 0);
    f.doubleClick(rowOf(f.layers, QStringLiteral("Nodes")), 0);
    f.clickButton(QDialogButtonBox::Ok);

    QCOMPARE(logLevel, 1);
    QCOMPARE(PluginProbe(*plugin).minZoom(), 19);
    QCOMPARE(PluginProbe(*plugin).allowProcessTlEvents(), false);
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Edges", "Lanes"}));

    const QVariantMap stored = storedSettings();
    QCOMPARE(stored.value("logLevel").toInt(), 1);
    QCOMPARE(stored.value("minZoom").toInt(), 19);
    QCOMPARE(stored.value("visibleLayers").toString(), QStringLiteral("Edges,Lanes"));
    QCOMPARE(stored.value("allowProcessTlEvents").toInt(), 0);

    // The next dialog shows what was accepted.
    SettingDialog again(plugin);
    Form g(again);
    QCOMPARE(g.minZoom->value(), 19);
    QCOMPARE(g.logLevel->currentIndex(), 0);
    QVERIFY(!g.allow->isChecked());
    QVERIFY(g.checked(rowOf(g.layers, QStringLiteral("Lanes"))));
    QVERIFY(!g.checked(rowOf(g.layers, QStringLiteral("Nodes"))));
}

void TestSettingDialog::storedZoomClamped()
{
    {
        QSettings settings;
        settings.beginGroup(Group);
        settings.setValue(QStringLiteral("minZoom"), 25);
    }
    delete plugin;
    plugin = new OstrikgPlugin;
    QCOMPARE(PluginProbe(*plugin).minZoom(), 25);

    SettingDialog dialog(plugin);
    Form f(dialog);
    QCOMPARE(f.minZoom->value(), 19);
    dialog.accept();
    QCOMPARE(storedSettings().value("minZoom").toInt(), 19);
    QCOMPARE(PluginProbe(*plugin).minZoom(), 19);
}

void TestSettingDialog::levelOutsideRange_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("level");   // as the plugin reads it
    QTest::newRow("0: logging off") << "0" << 0;
    QTest::newRow("4") << "4" << 4;
    QTest::newRow("5") << "5" << 5;
    QTest::newRow("7") << "7" << 7;
    QTest::newRow("-1") << "-1" << -1;
    QTest::newRow("not a number") << "abc" << 0;
}

// OK on an untouched form keeps a stored level the list has no entry for, in the running
// plugin and in the store; the other values are written as usual.
void TestSettingDialog::levelOutsideRange()
{
    QFETCH(QString, stored);
    QFETCH(int, level);
    QSettings().setValue(Group + QStringLiteral("/logLevel"), stored);
    delete plugin;
    plugin = new OstrikgPlugin;
    QCOMPARE(logLevel, level);
    SettingDialog dialog(plugin);
    Form f(dialog);
    QCOMPARE(f.logLevel->currentIndex(), -1);
    f.clickButton(QDialogButtonBox::Ok);
    QCOMPARE(logLevel, level);
    QCOMPARE(storedSettings().value("logLevel").toString(), stored);
    QCOMPARE(storedSettings().keys(), QStringList({"allowProcessTlEvents", "logLevel", "minZoom", "visibleLayers"}));

    // Picking an entry is a change like any other.
    SettingDialog again(plugin);
    Form g(again);
    QTest::keyClick(g.logLevel, Qt::Key_Down);
    QCOMPARE(g.logLevel->currentIndex(), 0);
    g.clickButton(QDialogButtonBox::Ok);
    QCOMPARE(logLevel, 1);
    QCOMPARE(storedSettings().value("logLevel").toInt(), 1);
}

void TestSettingDialog::nameListedTwice()
{
    PluginProbe(*plugin).visibleLayers() = QStringList{QStringLiteral("Nodes"), QStringLiteral("Nodes")};
    SettingDialog dialog(plugin);
    Form f(dialog);
    const int first = rowOf(f.layers, QStringLiteral("Nodes"));
    QCOMPARE(first, networkLayers.indexOf(QStringLiteral("Nodes")));
    QCOMPARE(rowOf(f.layers, QStringLiteral("Nodes"), first + 1), networkLayers.size());
    QCOMPARE(f.layers->rowCount(), networkLayers.size() + 1);
    QVERIFY(f.checked(first));
    QVERIFY(f.checked(networkLayers.size()));

    dialog.accept();
    QCOMPARE(storedSettings().value("visibleLayers").toString(), QStringLiteral("Nodes,Nodes"));
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Nodes", "Nodes"}));
}

void TestSettingDialog::unknownNameUncheckedIsGone()
{
    PluginProbe(*plugin).visibleLayers() = QStringList{QStringLiteral("Trams"), QStringLiteral("Edges")};
    {
        SettingDialog dialog(plugin);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Form f(dialog);
        QCOMPARE(f.layers->rowCount(), networkLayers.size() + 1);
        const int trams = f.layers->rowCount() - 1;
        QCOMPARE(f.layers->item(trams, 1)->text(), QStringLiteral("Trams"));
        QVERIFY(f.checked(trams));
        f.doubleClick(trams, 0);
        QVERIFY(!f.checked(trams));
        f.clickButton(QDialogButtonBox::Ok);
    }
    QCOMPARE(storedSettings().value("visibleLayers").toString(), QStringLiteral("Edges"));
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Edges"}));

    SettingDialog again(plugin);
    Form g(again);
    QCOMPARE(rowOf(g.layers, QStringLiteral("Trams")), -1);
    QCOMPARE(g.layers->rowCount(), networkLayers.size());
}

void TestSettingDialog::uncheckEverything()
{
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    for (int row = 0; row < f.layers->rowCount(); ++row) {
        if (f.checked(row)) {
            f.click(row, 0);
            QTest::keyClick(f.layers, Qt::Key_Space);
        }
    }
    QCOMPARE(tableRows(f.layers).filter(QStringLiteral("*")), QStringList());
    f.clickButton(QDialogButtonBox::Ok);

    const QVariantMap stored = storedSettings();
    QVERIFY(stored.contains("visibleLayers"));
    QCOMPARE(stored.value("visibleLayers").toString(), QString());
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList());
}

void TestSettingDialog::reorderedNamesAreAChange()
{
    PluginProbe(*plugin).visibleLayers() = QStringList{QStringLiteral("Nodes"), QStringLiteral("Edges")};
    SettingDialog dialog(plugin);
    Form f(dialog);
    f.clickButton(QDialogButtonBox::Ok);
    QCOMPARE(PluginProbe(*plugin).visibleLayers(), QStringList({"Edges", "Nodes"}));
    QCOMPARE(storedSettings().value("visibleLayers").toString(), QStringLiteral("Edges,Nodes"));
}

void TestSettingDialog::signalGroupsOff()
{
    SettingDialog dialog(plugin);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    Form f(dialog);
    QVERIFY(f.allow->isChecked());
    f.clickCheckBox();
    QVERIFY(!f.allow->isChecked());
    f.clickButton(QDialogButtonBox::Ok);
    QCOMPARE(PluginProbe(*plugin).allowProcessTlEvents(), false);
    QCOMPARE(storedSettings().value("allowProcessTlEvents"), QVariant(0));
}

void TestSettingDialog::runModal(const std::function<void(SettingDialog *)> &action)
{
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [poll, action] {
        auto *dialog = qobject_cast<SettingDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
    });
    poll->start();
}

void TestSettingDialog::showSettingsDialog_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK") << true;
    QTest::newRow("Cancel") << false;
}

void TestSettingDialog::showSettingsDialog()
{
    QFETCH(bool, ok);
    QWidget parent;
    parent.show();
    QPointer<SettingDialog> seen;
    bool modal = false;
    runModal([&](SettingDialog *dialog) {
        seen = dialog;
        modal = dialog->isModal() && dialog->parentWidget() == &parent;
        Form f(*dialog);
        QTest::keyClick(f.minZoom, Qt::Key_Down);
        f.clickButton(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel);
    });
    QVERIFY(QMetaObject::invokeMethod(plugin, "showSettingsDialog", Qt::DirectConnection,
                                      Q_ARG(QWidget *, &parent)));
    QVERIFY(modal);
    QVERIFY(seen.isNull()); // destroyed once exec() returned
    QVERIFY(parent.findChildren<SettingDialog *>().isEmpty());
    QCOMPARE(PluginProbe(*plugin).minZoom(), ok ? 16 : 17);
    QCOMPARE(storedSettings().value("minZoom"), ok ? QVariant(16) : QVariant());
}

void TestSettingDialog::parentDeletedWhileOpen()
{
    auto *parent = new QWidget;
    parent->show();
    runModal([parent](SettingDialog *) { delete parent; });
    plugin->showSettingsDialog(parent);
    QVERIFY(storedSettings().isEmpty());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(TestSettingDialog)
#include "tst_settingdialog.moc"
