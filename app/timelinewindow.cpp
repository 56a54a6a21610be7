// ostrik-view: timeline window.
#include "timelinewindow.h"

#include "session.h"
#include "timelinewidget.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

TimelineWindow::TimelineWindow(DemoSession *session, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_routes(new QComboBox)
    , m_info(new QLabel)
    , m_widget(new TimelineWidget)
{
    setWindowTitle(tr("Route timeline"));
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Route:")));
    top->addWidget(m_routes, 1);
    auto *save = new QPushButton(tr("Save PNG\u2026"));
    top->addWidget(save);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_widget, 1);
    layout->addWidget(m_info);
    reloadRoutes();

    connect(m_routes, &QComboBox::currentTextChanged, this, [this] {
        m_windowStart = -1.0;
        refresh();
    });
    connect(save, &QPushButton::clicked, this, &TimelineWindow::savePng);
    connect(&session->simulation(), &Simulation::timeChanged, this, [this] {
        if (isVisible())
            refresh();
    });
    connect(session, &DemoSession::networksChanged, this, &TimelineWindow::reloadRoutes);
}

void TimelineWindow::reloadRoutes()
{
    const QString current = m_routes->currentText();
    QSignalBlocker block(m_routes);
    m_routes->clear();
    m_routes->addItems(m_session->routeNames());
    const int i = m_routes->findText(current);
    m_routes->setCurrentIndex(i >= 0 ? i : 0);
    block.unblock();
    refresh();
}

void TimelineWindow::showRoute(const QString &route)
{
    if (m_routes->findText(route) < 0)
        m_routes->addItem(route);
    m_routes->setCurrentText(route);
    m_windowStart = -1.0;
    refresh();
}

void TimelineWindow::refresh()
{
    const QString route = m_routes->currentText();
    if (route.isEmpty()) {
        m_widget->setDiagram(TimelineDiagram());
        m_info->setText(tr("No route loaded."));
        return;
    }
    // The window jumps by half its span so that "now" stays in view without constant scrolling.
    TimelineDiagram probe;
    QString error;
    if (!m_session->timeline(route, 0.0, 0.0, &probe, &error)) {
        m_widget->setDiagram(TimelineDiagram());
        m_info->setText(error);
        return;
    }
    const double span = probe.to - probe.from;
    const double now = m_session->simulation().time();
    if (m_windowStart < 0.0 || now >= m_windowStart + span * 0.85 || now < m_windowStart)
        m_windowStart = std::floor(now / (span / 2.0)) * (span / 2.0);
    TimelineDiagram d;
    m_session->timeline(route, m_windowStart, span, &d, &error);
    m_widget->setDiagram(d);
    m_info->setText(tr("%1 signal groups of %2 controllers along %3 m; dashed line: now (t = %4 s)")
                        .arg(d.bars.size()).arg(d.controllers).arg(d.length, 0, 'f', 0).arg(now, 0, 'f', 1));
}

void TimelineWindow::savePng()
{
    const QString file = QFileDialog::getSaveFileName(this, tr("Save diagram"), QStringLiteral("timeline.png"),
                                                      tr("PNG images (*.png)"));
    if (file.isEmpty())
        return;
    if (!TimelineWidget::render(m_widget->diagram()).save(file, "PNG"))
        QMessageBox::warning(this, tr("Save diagram"), tr("Cannot write %1.").arg(file));
}
