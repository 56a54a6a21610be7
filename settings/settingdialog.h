// SettingDialog: the plugin's settings (zoom, logging, signal groups, layers).
#pragma once

#include <QDialog>

class OstrikgPlugin;

namespace Ui {
class SettingDialog;
}

/*!
 * Modal dialog over the four persistent settings of \a plugin (which must outlive it):
 * the minimum zoom (10 to 19), the logging level (1 to 3; any other level shows no
 * current entry), whether signal-group changes are shown, and the visible layers (every
 * layer of an empty network, then the other names the plugin lists, checked).
 *
 * Values are read once, at construction. accept() applies each changed value to the
 * running plugin and writes the four keys of the group "ostrikPlugin" of the default
 * QSettings store; rejecting writes and changes nothing. A level outside 1 to 3 is never
 * changed by OK alone: it is neither applied nor written unless an entry was picked.
 * A settings file FileCheck refuses is not written (the values still apply, and an error
 * is logged).
 */
class SettingDialog : public QDialog
{
    Q_OBJECT

public:
    SettingDialog(OstrikgPlugin *plugin, QWidget *parent = nullptr);
    ~SettingDialog() override;

    void accept() override;

private:
    void fillLayers();

    Ui::SettingDialog *ui;
    OstrikgPlugin *plugin;
};
