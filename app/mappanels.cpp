// ostrik-view: wiring of the overview, the inspector and the docks.
#include "mappanels.h"

#include "controllerlist.h"
#include "hostdefaults.h"
#include "infopanel.h"
#include "mapinspector.h"
#include "mapview.h"
#include "overviewlayer.h"
#include "session.h"

#include <mirel/mapscene.h>

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>

MapPanels::MapPanels(DemoSession *session, QMainWindow *window)
    : QObject(window)
    , m_session(session)
    , m_hint(new QLabel)
{
    const auto lookup = [session](int id) -> const Corvel::Light * { return session->simulation().light(id); };
    m_overview = new OverviewLayer(lookup);
    session->scene()->addItem(m_overview);
    m_inspector = new MapInspector(session->view(), &m_picker, lookup, this);
    m_info = new InfoPanel(lookup, window);
    m_controllers = new ControllerList(session, window);
    window->addDockWidget(Qt::RightDockWidgetArea, m_info);
    window->addDockWidget(Qt::RightDockWidgetArea, m_controllers);
    window->resizeDocks({m_info, m_controllers}, {360, 360}, Qt::Horizontal);

    m_hint->setObjectName(QStringLiteral("zoomHint"));
    m_hint->setStyleSheet(QStringLiteral("color: #8a5a00; font-weight: bold"));
    window->statusBar()->addWidget(m_hint);

    connect(m_inspector, &MapInspector::picked, this, [this](const MapHit &hit) {
        m_info->showHit(hit);
        if (hit.isValid()) {
            m_info->show();
            m_info->raise();
        }
    });
    connect(m_controllers, &ControllerList::junctionRequested, this, [this](const QPointF &geo) {
        MapView *view = m_session->view();
        view->setZoom(std::max(view->zoom(), m_overview->minimumZoom() + 1));
        view->centerOnGeo(geo);
    });
    connect(session, &DemoSession::networksChanged, this, &MapPanels::networksChanged);
    connect(session->view(), &OsmView::zoomChanged, this, &MapPanels::zoomChanged);
    connect(&session->simulation(), &Simulation::controllersChanged, this, &MapPanels::statesChanged);
    // Following and SUMO's controllers change without a signal the host could connect to.
    auto *poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &MapPanels::statesChanged);
    poll->start(500);

    settingsChanged();
    networksChanged();
}

void MapPanels::settingsChanged()
{
    m_overview->setMinimumZoom(HostDefaults::pluginMinimumZoom());
    zoomChanged();
}

void MapPanels::networksChanged()
{
    const auto networks = m_session->networksByFile();
    m_picker.setNetworks(networks);
    QList<const Ostrika::Network *> plain;
    for (const auto &n : networks)
        plain << n.second;
    m_overview->setNetworks(plain);
    m_controllers->model()->reload();
    m_info->refresh();
    zoomChanged();
}

void MapPanels::zoomChanged()
{
    m_overview->setZoom(m_session->view()->zoom());
    m_session->view()->setOverviewLegend(m_overview->showsOverview());
    m_hint->setText(m_overview->hintText());
    m_session->view()->setHint(m_overview->hintText());
    m_hint->setVisible(!m_hint->text().isEmpty());
}

void MapPanels::statesChanged()
{
    if (m_controllers->model()->refreshStates())
        m_overview->update();
}
