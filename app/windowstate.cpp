// ostrik-view: window geometry and dock layout across runs.
#include "windowstate.h"

#include "hostsettings.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>

namespace {
// Bumped when the docks change so that an old layout is not forced onto new docks.
constexpr int LayoutVersion = 1;
}

WindowState::WindowState(QMainWindow *window) : QObject(window), m_window(window)
{
    window->installEventFilter(this);
    // File → Quit ends the application without closing the window first.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &WindowState::save);
    restore();
}

bool WindowState::restore()
{
    const auto settings = HostSettings::open(QStringLiteral("window"));
    if (!settings)
        return false;
    const bool geometry = m_window->restoreGeometry(settings->value(QStringLiteral("geometry")).toByteArray());
    const bool docks = m_window->restoreState(settings->value(QStringLiteral("docks")).toByteArray(), LayoutVersion);
    return geometry && docks;
}

void WindowState::save() const
{
    const auto settings = HostSettings::open(QStringLiteral("window"));
    if (!settings)
        return;
    settings->setValue(QStringLiteral("geometry"), m_window->saveGeometry());
    settings->setValue(QStringLiteral("docks"), m_window->saveState(LayoutVersion));
}

bool WindowState::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Close)
        save();
    return QObject::eventFilter(watched, event);
}
