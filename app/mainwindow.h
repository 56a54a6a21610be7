// ostrik-view: the main window of the demo host.
#pragma once

#include <QMainWindow>
#include <QPointer>

class DemoSession;
class MapPanels;
class QAction;
class QLabel;
class QMenu;
class QTreeView;
class RecentFiles;
class SumoDock;
class SumoImport;
class TimelineWindow;

class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(DemoSession *session, QWidget *parent = nullptr);

    void openNetworkFile(const QString &file);
    void openGpxFile(const QString &file);
    //! Imports a SUMO network (numbering its controllers after those open) and opens it.
    void importSumoNetwork(const QString &netFile);
    void fitNetwork();
    void centreOnBusiestJunction(int zoom);

private:
    void createActions();
    void openNetwork();
    void openGpx();
    void importSumo();
    void openAny(const QString &file);
    void unloadAll();
    void showTimeline();
    void findObject();
    void zoomBy(int steps);
    void updateStatus();
    void addSumoParts();
    QString selectedRouteName() const;

    DemoSession *m_session;
    QTreeView *m_tree;
    MapPanels *m_panels = nullptr;
    QLabel *m_zoomLabel;
    QLabel *m_cursorLabel;
    QLabel *m_timeLabel;
    QLabel *m_liveLabel;
    QLabel *m_sumoLabel;
    QAction *m_runAction = nullptr;
    SumoDock *m_sumoDock = nullptr;
    QPointer<TimelineWindow> m_timeline;
    RecentFiles *m_recent;
    SumoImport *m_import;
};
