// ostrik-view: the window's SUMO panel: connection state, reconnecting, SUMO's messages.
#pragma once

#include <QDockWidget>

class LiveSumo;
class QAction;
class QLabel;
class QPlainTextEdit;

/*!
 * Shows what the SUMO source says: its state (red once the connection ended, with every
 * SUMO controller offline), a log of its notes and SUMO's own output, and buttons to
 * reconnect and disconnect (actions that the window's menu shows as well). Keeps the last
 * MaxLines lines.
 */
class SumoDock : public QDockWidget
{
    Q_OBJECT
public:
    static constexpr int MaxLines = 2000;

    explicit SumoDock(LiveSumo *live, QWidget *parent = nullptr);

    QString logText() const;
    //! Reconnect and Disconnect, enabled when they can be done.
    QList<QAction *> connectionActions() const;

private:
    void update();

    LiveSumo *m_live;
    QLabel *m_state;
    QPlainTextEdit *m_log;
    QAction *m_reconnect;
    QAction *m_disconnect;
};
