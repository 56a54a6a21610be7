// SettingDialog: the plugin's settings (zoom, logging, signal groups, layers).
#include "settings/settingdialog.h"

#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"
#include "settings/checkboxdelegate.h"
#include "settings/layerhelp.h"
#include "ui_settingdialog.h"

#include <filecheck.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QGraphicsScene>
#include <QPointer>
#include <QSettings>

namespace {

QTableWidgetItem *visibleItem(bool visible)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, visible);
    return item;
}

QTableWidgetItem *nameItem(const QString &name)
{
    auto *item = new QTableWidgetItem(name);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

SettingDialog::SettingDialog(OstrikgPlugin *plugin, QWidget *parent)
    : QDialog(parent), ui(new Ui::SettingDialog), plugin(plugin)
{
    ui->setupUi(this);
    ui->logLevel->setCurrentIndex(logLevel - 1);
    ui->minZoom->setValue(plugin->minZoom);
    ui->allowProcessTlEvents->setChecked(plugin->allowProcessTlEvents);
    ui->layers->setItemDelegateForColumn(0, new CheckBoxDelegate(this, false, false));
    fillLayers();
    ui->layers->resizeColumnsToContents();
}

SettingDialog::~SettingDialog()
{
    delete ui;
}

void SettingDialog::fillLayers()
{
    QStringList remaining = plugin->visibleLayers;
    QStringList names;
    {
        QGraphicsScene scene;
        Ostrikga::Networkg network(&scene);
        const QList<Ostrikga::Layer *> layers = network.layers();
        for (const Ostrikga::Layer *layer : layers)
            names << layer->objectName();
    }
    auto addRow = [this](const QString &name, bool visible) {
        const int row = ui->layers->rowCount();
        ui->layers->insertRow(row);
        ui->layers->setItem(row, 0, visibleItem(visible));
        ui->layers->setItem(row, 1, nameItem(name));
        for (int column = 0; column < 2; ++column)
            ui->layers->item(row, column)->setToolTip(layerHelp(name));
    };
    for (const QString &name : qAsConst(names))
        addRow(name, remaining.removeOne(name));
    for (const QString &name : qAsConst(remaining))
        addRow(name, true);
}

void SettingDialog::accept()
{
    // The running plugin takes the values either way; the store only when its file is sound.
    const QString refused = FileCheck::checkSettings();
    if (!refused.isEmpty() && logLevel > 0)
        logError(pluginTag(), tr("Settings not saved: %1").arg(refused));
    QVariantMap values;

    // No entry shown means a stored level outside the list, which stays until one is picked.
    if (ui->logLevel->currentIndex() >= 0) {
        const int level = ui->logLevel->currentIndex() + 1;
        if (level != logLevel)
            plugin->setLoggingLevel(level);
        values.insert(QStringLiteral("logLevel"), level);
    }

    const int zoom = ui->minZoom->value();
    if (zoom != plugin->minZoom)
        plugin->setMinZoom(zoom);
    values.insert(QStringLiteral("minZoom"), zoom);

    QStringList visible;
    for (int row = 0; row < ui->layers->rowCount(); ++row) {
        const QTableWidgetItem *mark = ui->layers->item(row, 0);
        const QTableWidgetItem *name = ui->layers->item(row, 1);
        if (mark && name && mark->data(Qt::EditRole).toBool())
            visible << name->text();
    }
    if (visible != plugin->visibleLayers)
        plugin->setVisibleLayers(visible);
    values.insert(QStringLiteral("visibleLayers"), visible.join(QLatin1Char(',')));

    const bool allow = ui->allowProcessTlEvents->isChecked();
    if (allow != plugin->allowProcessTlEvents)
        plugin->setAllowProcessTlEvents(allow);
    values.insert(QStringLiteral("allowProcessTlEvents"), allow ? 1 : 0);

    if (refused.isEmpty()) {
        QSettings settings;
        settings.beginGroup(QStringLiteral("ostrikPlugin"));
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            settings.setValue(it.key(), it.value());
        settings.endGroup();
    }
    QDialog::accept();
}

void OstrikgPlugin::showSettingsDialog(QWidget *parent)
{
    // Heap-allocated and guarded: the parent may delete the dialog while exec() runs.
    QPointer<SettingDialog> dialog = new SettingDialog(this, parent);
    dialog->exec();
    delete dialog.data();
}
