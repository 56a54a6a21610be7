// ostrik-view: main window, menus and the actions that call the plugin.
#include "mainwindow.h"

#include "controllerlist.h"
#include "controllerstate.h"
#include "cursortracker.h"
#include "dropimport.h"
#include "findobject.h"
#include "livesumo.h"
#include "loadprogress.h"
#include "mappanels.h"
#include "networkfit.h"
#include "mapview.h"
#include "networktitles.h"
#include "recentfiles.h"
#include "selectionsync.h"
#include "session.h"
#include "sumodock.h"
#include "sumoimport.h"
#include "timelinewindow.h"
#include "windowstate.h"

#include <mirel/itemmodel.h>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

MainWindow::MainWindow(DemoSession *session, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
    , m_tree(new QTreeView)
    , m_zoomLabel(new QLabel)
    , m_cursorLabel(new QLabel)
    , m_timeLabel(new QLabel)
    , m_liveLabel(new QLabel)
    , m_sumoLabel(new QLabel)
    , m_recent(new RecentFiles(this))
    , m_import(new SumoImport(this))
{
    setWindowTitle(tr("Ostrik demo host"));
    resize(1400, 900);
    setCentralWidget(session->view());

    m_tree->setModel(session->itemModel());
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The model tells each row's object about its selection: the plugin's route items
    // then show and select their route on the map.
    session->itemModel()->attachSelectionModel(m_tree->selectionModel());
    auto *dock = new QDockWidget(tr("Objects"), this);
    dock->setObjectName(QStringLiteral("objects"));
    auto *caption = new QLabel(NetworkTitles::treeCaption(*session));
    caption->setWordWrap(true);
    auto *objects = new QWidget;
    auto *objectsLayout = new QVBoxLayout(objects);
    objectsLayout->setContentsMargins(0, 0, 0, 0);
    objectsLayout->addWidget(caption);
    objectsLayout->addWidget(m_tree, 1);
    dock->setWidget(objects);
    new SelectionSync(session, m_tree);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    resizeDocks({dock}, {340}, Qt::Horizontal);

    statusBar()->addWidget(m_zoomLabel);
    statusBar()->addWidget(m_cursorLabel, 1);
    statusBar()->addPermanentWidget(m_sumoLabel);
    statusBar()->addPermanentWidget(m_liveLabel);
    statusBar()->addPermanentWidget(m_timeLabel);
    connect(session->view(), &OsmView::zoomChanged, this, &MainWindow::updateStatus);
    auto *cursor = new CursorTracker(session->view());
    connect(cursor, &CursorTracker::moved, this, [this](const QPointF &p) {
        m_cursorLabel->setText(tr("lon %1  lat %2").arg(p.x(), 0, 'f', 6).arg(p.y(), 0, 'f', 6));
    });
    connect(session, &DemoSession::networksChanged, this, [this, caption] {
        caption->setText(NetworkTitles::treeCaption(*m_session));
        setWindowTitle(NetworkTitles::windowTitle(*m_session));
        QTimer::singleShot(0, m_tree, &QTreeView::expandAll);
    });
    auto *status = new QTimer(this);
    connect(status, &QTimer::timeout, this, &MainWindow::updateStatus);
    status->start(250);

    addSumoParts();
    m_panels = new MapPanels(session, this);
    createActions();
    updateStatus();

    auto *drops = new DropImport(this);
    drops->watch(this);
    drops->watch(session->view());
    connect(drops, &DropImport::openNetwork, this, &MainWindow::openNetworkFile);
    connect(drops, &DropImport::openGpx, this, &MainWindow::openGpxFile);
    connect(drops, &DropImport::importSumoNetwork, this, &MainWindow::importSumoNetwork);
    connect(drops, &DropImport::refused, this, [this](const QString &m) { statusBar()->showMessage(m, 8000); });
    connect(m_recent, &RecentFiles::openRequested, this, &MainWindow::openAny);
    new LoadProgress(session, this);
    // Last, once every dock exists: the saved layout places them by name.
    new WindowState(this);
}

void MainWindow::addSumoParts()
{
    LiveSumo *live = m_session->liveSumo();
    m_sumoLabel->setVisible(live);
    if (!live)
        return;
    m_sumoDock = new SumoDock(live, this);
    addDockWidget(Qt::BottomDockWidgetArea, m_sumoDock);
    resizeDocks({m_sumoDock}, {150}, Qt::Vertical);
    connect(live, &LiveSumo::changed, this, &MainWindow::updateStatus);
    m_session->view()->setVehicleLegendVisible(true);
}

void MainWindow::createActions()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open network\u2026"), this, &MainWindow::openNetwork, QKeySequence::Open);
    file->addAction(tr("Open &GPX track\u2026"), this, &MainWindow::openGpx, QKeySequence(tr("Ctrl+G")));
    file->addAction(tr("&Import SUMO network\u2026"), this, &MainWindow::importSumo, QKeySequence(tr("Ctrl+I")));
    file->addMenu(m_recent->menu(file));
    file->addAction(tr("&Unload all"), this, &MainWindow::unloadAll);
    file->addSeparator();
    file->addAction(tr("Export signal &plans\u2026"), this, [this] {
        const QString f = QFileDialog::getSaveFileName(this, tr("Export signal plans"), QStringLiteral("plans.json"),
                                                       tr("Signal plans (*.plans.json *.json)"));
        if (f.isEmpty())
            return;
        SignalPlanSet set;
        set.plans = m_session->simulation().plans();
        QString error;
        if (!set.save(f, &error))
            QMessageBox::warning(this, tr("Export signal plans"), error);
    });
    file->addSeparator();
    file->addAction(tr("&Quit"), qApp, &QApplication::quit, QKeySequence::Quit);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    QAction *zoomIn = view->addAction(tr("Zoom &in"), this, [this] { zoomBy(1); });
    // Ctrl++ needs Shift on most keyboards; Ctrl+= is the same key without it.
    zoomIn->setShortcuts(QKeySequence::keyBindings(QKeySequence::ZoomIn) << QKeySequence(tr("Ctrl+=")));
    view->addAction(tr("Zoom &out"), this, [this] { zoomBy(-1); }, QKeySequence::ZoomOut);
    view->addAction(tr("&Fit network"), this, &MainWindow::fitNetwork, QKeySequence(tr("Ctrl+0")));
    view->addAction(tr("&Busiest junction"), this, [this] { centreOnBusiestJunction(18); }, QKeySequence(tr("Ctrl+J")));
    view->addSeparator();
    view->addAction(tr("&Find object by name\u2026"), this, &MainWindow::findObject, QKeySequence::Find);
    view->addSeparator();
    // Filled when shown, so that docks added later by anyone are listed too.
    QMenu *panels = view->addMenu(tr("&Panels"));
    connect(panels, &QMenu::aboutToShow, this, [this, panels] {
        panels->clear();
        for (QDockWidget *d : findChildren<QDockWidget *>())
            panels->addAction(d->toggleViewAction());
    });

    QMenu *route = menuBar()->addMenu(tr("&Route"));
    route->addAction(tr("Show &timeline for the selected route"), this, &MainWindow::showTimeline,
                     QKeySequence(tr("Ctrl+T")));

    QMenu *sim = menuBar()->addMenu(tr("&Simulation"));
    m_runAction = sim->addAction(tr("&Running"));
    m_runAction->setCheckable(true);
    m_runAction->setChecked(m_session->source().isRunning());
    m_runAction->setShortcut(QKeySequence(tr("Ctrl+R")));
    connect(m_runAction, &QAction::toggled, this, [this](bool on) { m_session->source().setRunning(on); });
    sim->addAction(tr("&Step"), this, [this] { m_session->source().stepOnce(); }, QKeySequence(tr("Ctrl+.")));
    auto *speeds = new QActionGroup(this);
    for (double s : {1.0, 2.0, 5.0, 10.0, 50.0}) {
        QAction *a = sim->addAction(tr("Speed \u00d7%1").arg(s));
        a->setCheckable(true);
        a->setChecked(s == m_session->source().speed());
        speeds->addAction(a);
        connect(a, &QAction::triggered, this, [this, s] { m_session->source().setSpeed(s); });
    }
    if (m_sumoDock) {
        sim->addSeparator();
        sim->addActions(m_sumoDock->connectionActions());
    }
    m_panels->controllerList()->fillMenu(menuBar()->addMenu(tr("&Controllers")));

    QMenu *tools = menuBar()->addMenu(tr("&Tools"));
    tools->addAction(tr("Plugin &settings\u2026"), this, [this] {
        m_session->plugin().showSettingsDialog(this);
        m_panels->settingsChanged();
    });

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&About"), this, [this] {
        QMessageBox::about(this, tr("About the Ostrik demo host"),
            tr("<p>Demo host application for the Ostrik plugin.</p><p>Plugin: %1<br>Version: %2</p>")
                .arg(m_session->plugin().fileName().toHtmlEscaped(), m_session->plugin().moduleVersion()));
    });
}

void MainWindow::updateStatus()
{
    const MapView *v = m_session->view();
    m_zoomLabel->setText(tr("Zoom %1").arg(v->zoom()));
    const QString clock = m_session->clockText();
    m_timeLabel->setText(clock);
    const QList<Corvel::Light *> lights = m_session->simulation().project()->lights();
    const QString live = controllerCountText(countControllers(lights), lights.size());
    m_liveLabel->setText(live);
    QStringList lines{clock, live};
    if (const LiveSumo *sumo = m_session->liveSumo()) {
        const bool ended = sumo->phase() == LiveSumo::Phase::Ended || sumo->phase() == LiveSumo::Phase::Failed;
        m_sumoLabel->setText(sumo->statusText());
        m_sumoLabel->setStyleSheet(ended ? QStringLiteral("color: #b00020; font-weight: bold") : QString());
        lines << sumo->statusText();
    }
    if (m_runAction && m_runAction->isChecked() != m_session->source().isRunning()) {
        const QSignalBlocker block(m_runAction);
        m_runAction->setChecked(m_session->source().isRunning());
    }
    m_session->view()->setStatusLines(lines);
}

void MainWindow::openNetworkFile(const QString &file)
{
    QString error;
    QStringList notes;
    if (!m_session->openNetwork(file, &error, &notes)) {
        QMessageBox::warning(this, tr("Open network"), error);
        return;
    }
    m_recent->add(file);
    statusBar()->showMessage(notes.join(QStringLiteral("; ")), 8000);
}

void MainWindow::openGpxFile(const QString &file)
{
    QString error;
    if (!m_session->openGpx(file, &error)) {
        QMessageBox::warning(this, tr("Open GPX track"), error);
        return;
    }
    m_recent->add(file);
}

void MainWindow::openAny(const QString &file)
{
    switch (DropImport::kindOf(file)) {
    case DropImport::Kind::Gpx: openGpxFile(file); break;
    case DropImport::Kind::SumoNetwork: importSumoNetwork(file); break;
    default: openNetworkFile(file); break;
    }
}

void MainWindow::importSumo()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Import SUMO network"), m_recent->lastFolder(),
        tr("SUMO networks (*.net.xml *.net.xml.gz);;All files (*)"));
    if (!file.isEmpty())
        importSumoNetwork(file);
}

void MainWindow::importSumoNetwork(const QString &netFile)
{
    // Numbered after the controllers already open, the import never clashes with them.
    const QList<int> ids = m_session->controllerIds();
    const int first = ids.isEmpty() ? 0 : *std::max_element(ids.cbegin(), ids.cend()) + 1;
    m_import->disconnect(this);
    connect(m_import, &SumoImport::imported, this, [this, netFile](const QString &network, const QStringList &warnings) {
        m_recent->add(netFile);
        openNetworkFile(network);
        if (!warnings.isEmpty())
            statusBar()->showMessage(tr("ostka-import: %1").arg(warnings.join(QStringLiteral("; "))), 12000);
    });
    connect(m_import, &SumoImport::failed, this, [this](const QString &error) {
        QMessageBox::warning(this, tr("Import SUMO network"), error);
    });
    m_import->start(netFile, first);
}

void MainWindow::openNetwork()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Open network"), m_recent->lastFolder(),
                                                      tr("Road networks (*.ostka);;All files (*)"));
    if (file.isEmpty())
        return;
    const bool first = m_session->networkFiles().isEmpty();
    openNetworkFile(file);
    if (first && !m_session->networkFiles().isEmpty())
        centreOnBusiestJunction(18);
}

void MainWindow::openGpx()
{
    const QString file = QFileDialog::getOpenFileName(this, tr("Open GPX track"), m_recent->lastFolder(),
                                                      tr("GPX tracks (*.gpx);;All files (*)"));
    if (!file.isEmpty())
        openGpxFile(file);
}

void MainWindow::unloadAll()
{
    m_session->unloadAll();
    statusBar()->showMessage(tr("Everything unloaded."), 4000);
}

QString MainWindow::selectedRouteName() const
{
    const QModelIndex index = m_tree->currentIndex();
    if (!index.isValid() || !m_tree->selectionModel()->isSelected(index))
        return QString();
    const QObject *obj = m_session->itemModel()->objectAt(index);
    return obj ? obj->property("description").toString() : QString();
}

void MainWindow::showTimeline()
{
    QString route = selectedRouteName();
    if (route.isEmpty()) {
        const QStringList names = m_session->routeNames();
        if (names.isEmpty()) {
            QMessageBox::information(this, tr("Route timeline"), tr("Load a network with routes first."));
            return;
        }
        bool ok = false;
        route = QInputDialog::getItem(this, tr("Route timeline"), tr("No route is selected in the tree. Route:"),
                                      names, 0, false, &ok);
        if (!ok)
            return;
    }
    if (!m_timeline)
        m_timeline = new TimelineWindow(m_session, this);
    m_timeline->resize(1200, 760);
    m_timeline->showRoute(route);
    m_timeline->show();
    m_timeline->raise();
}

void MainWindow::findObject()
{
    FindObject dialog(m_session, this);
    if (dialog.exec() == QDialog::Accepted)
        statusBar()->showMessage(tr("Found \u201c%1\u201d.").arg(dialog.nameEdit()->text().trimmed()), 4000);
}

void MainWindow::zoomBy(int steps)
{
    MapView *v = m_session->view();
    const QPointF c = v->centerGeo();
    v->setZoom(v->zoom() + steps);
    v->centerOnGeo(c);
}

void MainWindow::fitNetwork()
{
    QList<QRectF> bounds;
    for (const auto &n : m_session->networksByFile())
        bounds << NetworkFit::boundsOf(*n.second);
    const QRectF r = NetworkFit::target(bounds, m_session->view()->centerGeo());
    if (!r.isNull())
        m_session->view()->fitGeo(NetworkFit::withMargin(r));
}

void MainWindow::centreOnBusiestJunction(int zoom)
{
    if (m_session->networkFiles().isEmpty())
        return;
    m_session->view()->setZoom(zoom);
    m_session->view()->centerOnGeo(m_session->busiestJunction());
}
