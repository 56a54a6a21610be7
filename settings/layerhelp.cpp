// SettingDialog: what each layer of the layer table shows, in plain words.
#include "settings/layerhelp.h"

#include <QCoreApplication>

QString layerHelp(const QString &name)
{
    // The names stay as the plugin stores them; only their explanation is for people.
    static const struct { const char *name; const char *help; } texts[] = {
        {"Granules", QT_TRANSLATE_NOOP("SettingDialog",
            "Junction areas (granules): the paved area of each junction with a dashed outline. "
            "A junction whose lights one controller runs is one granule.")},
        {"Edges", QT_TRANSLATE_NOOP("SettingDialog",
            "Roads (edges): one carriageway per direction of travel between two nodes.")},
        {"Lanes", QT_TRANSLATE_NOOP("SettingDialog", "The lanes of each road.")},
        {"CrossWalks", QT_TRANSLATE_NOOP("SettingDialog",
            "Pedestrian crossings, coloured by the state of their signal group.")},
        {"Connections", QT_TRANSLATE_NOOP("SettingDialog",
            "Movements through a junction from one lane to another, coloured by the state of the "
            "signal group (the signal heads that switch together) that governs them.")},
        {"Stoplines", QT_TRANSLATE_NOOP("SettingDialog", "Stop lines where lanes enter a junction.")},
        {"Routes", QT_TRANSLATE_NOOP("SettingDialog",
            "Routes through the network, as listed in the object tree. A route selected there "
            "shows even while this layer is hidden.")},
        {"Nodes", QT_TRANSLATE_NOOP("SettingDialog", "Nodes: the points where roads meet or end.")},
        {"Splits", QT_TRANSLATE_NOOP("SettingDialog",
            "Split points: nodes that only split a road in two, not junctions. Hidden by default.")},
        {"Markers", QT_TRANSLATE_NOOP("SettingDialog",
            "Marker items placed on top of the network. Hidden by default.")},
        {"redSignals", QT_TRANSLATE_NOOP("SettingDialog",
            "Red and red-yellow signals: a disc at the start of each movement whose signal group "
            "shows red or red-yellow, in place of the movement's line.")},
    };
    for (const auto &t : texts) {
        if (name == QLatin1String(t.name))
            return QCoreApplication::translate("SettingDialog", t.help);
    }
    return QCoreApplication::translate("SettingDialog",
        "A layer named in the plugin's settings; networks without a layer of this name ignore it.");
}
