// ostrik-view: the window that shows a route's time-distance diagram, following the clock.
#pragma once

#include <QTimer>
#include <QWidget>

class DemoSession;
class QComboBox;
class QLabel;
class QSpinBox;
class TimelineWidget;

class TimelineWindow : public QWidget
{
    Q_OBJECT
public:
    explicit TimelineWindow(DemoSession *session, QWidget *parent = nullptr);

    //! Shows \a route (added to the route list if needed) and refreshes the diagram.
    void showRoute(const QString &route);

private:
    void refresh();
    void reloadRoutes();
    void savePicture();

    DemoSession *m_session;
    QComboBox *m_routes;
    QLabel *m_info;
    QSpinBox *m_speed;
    TimelineWidget *m_widget;
    double m_windowStart = -1.0;
    QTimer m_refreshLater;
};
