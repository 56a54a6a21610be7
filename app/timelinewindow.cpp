// ostrik-view: timeline window.
#include "timelinewindow.h"

#include "livesumo.h"
#include "session.h"
#include "timelinewidget.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

TimelineWindow::TimelineWindow(DemoSession *session, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_routes(new QComboBox)
    , m_info(new QLabel)
    , m_speed(new QSpinBox)
    , m_widget(new TimelineWidget)
{
    setWindowTitle(tr("Route timeline"));
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Route:")));
    top->addWidget(m_routes, 1);
    m_speed->setRange(5, 150);
    m_speed->setValue(50);
    m_speed->setSuffix(tr(" km/h"));
    m_speed->setToolTip(tr("Progression speed of the through-bands"));
    top->addWidget(new QLabel(tr("Band speed:")));
    top->addWidget(m_speed);
    auto *save = new QPushButton(tr("Save picture\u2026"));
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
    connect(save, &QPushButton::clicked, this, &TimelineWindow::savePicture);
    connect(m_speed, QOverload<int>::of(&QSpinBox::valueChanged), this, &TimelineWindow::refresh);
    connect(&session->simulation(), &Simulation::timeChanged, this, [this] {
        if (isVisible())
            refresh();
    });
    // SUMO may step many times a second: the diagram follows at most four times a second.
    m_refreshLater.setSingleShot(true);
    m_refreshLater.setInterval(250);
    connect(&m_refreshLater, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    if (LiveSumo *live = session->liveSumo())
        connect(&live->controllers(), &SumoControllers::stepApplied, this, [this] {
            if (!m_refreshLater.isActive())
                m_refreshLater.start();
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
    const double now = m_session->source().time();
    if (m_windowStart < 0.0 || now >= m_windowStart + span * 0.85 || now < m_windowStart)
        m_windowStart = std::floor(now / (span / 2.0)) * (span / 2.0);
    TimelineDiagram d;
    m_session->timeline(route, m_windowStart, span, &d, &error);
    d.setProgressionSpeed(m_speed->value() / 3.6);
    m_widget->setDiagram(d);
    m_info->setText(tr("%1 signal groups of %2 controllers along %3 m (%4 route); dashed line: now (t = %5 s)")
                        .arg(d.bars.size()).arg(d.controllers).arg(d.length, 0, 'f', 0)
                        .arg(RouteReading::shapeName(d.shape)).arg(now, 0, 'f', 1));
}

void TimelineWindow::savePicture()
{
    QString filter;
    QString file = QFileDialog::getSaveFileName(this, tr("Save diagram"), QStringLiteral("timeline.png"),
                                                tr("PNG images (*.png);;SVG drawings (*.svg)"), &filter);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += filter.contains(QLatin1String("svg")) ? QStringLiteral(".svg") : QStringLiteral(".png");
    QString error;
    if (!TimelineWidget::save(m_widget->diagram(), file, QSize(1400, 900), &error))
        QMessageBox::warning(this, tr("Save diagram"), error);
}
