// ostrik-view: the overview, inspection and controller panels, wired to the session and window.
#pragma once

#include "networkpicker.h"

#include <QObject>

class ControllerList;
class DemoSession;
class InfoPanel;
class MapInspector;
class OverviewLayer;
class QLabel;
class QMainWindow;

/*!
 * Adds to \a window the host's overview layer on the map, the zoom hint in the status bar,
 * hover and click inspection with its Info dock, and the Controllers dock; keeps them in
 * step with the session's networks, the view's zoom and the controllers' states.
 */
class MapPanels : public QObject
{
    Q_OBJECT
public:
    MapPanels(DemoSession *session, QMainWindow *window);

    OverviewLayer *overview() const { return m_overview; }
    MapInspector *inspector() const { return m_inspector; }
    InfoPanel *infoPanel() const { return m_info; }
    ControllerList *controllerList() const { return m_controllers; }
    QLabel *hintLabel() const { return m_hint; }

    //! Reads the plugin's minimum zoom again (after its settings dialog).
    void settingsChanged();

private:
    void networksChanged();
    void zoomChanged();
    void statesChanged();

    DemoSession *m_session;
    NetworkPicker m_picker;
    OverviewLayer *m_overview;
    MapInspector *m_inspector;
    InfoPanel *m_info;
    ControllerList *m_controllers;
    QLabel *m_hint;
};
