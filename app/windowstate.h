// ostrik-view: the main window comes back as the user left it.
#pragma once

#include <QObject>

class QMainWindow;

/*!
 * Restores \a window's geometry and dock layout (docks are matched by object name) from the
 * host's settings group "window" when constructed, and saves them when the window closes.
 * Construct it after every dock exists. A missing or unreadable entry leaves the window as
 * it was built.
 */
class WindowState : public QObject
{
    Q_OBJECT
public:
    explicit WindowState(QMainWindow *window);

    bool restore();
    void save() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow *m_window;
};
