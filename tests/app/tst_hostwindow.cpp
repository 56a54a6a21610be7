// The demo host's window driven as a user drives it (offscreen, with the real plugin): two
// networks at once, remembered settings, dropped files, keyboard, finding and selecting.
#include "findobject.h"
#include "loadprogress.h"
#include "hostdefaults.h"
#include "mainwindow.h"
#include "mapview.h"
#include "networkclash.h"
#include "session.h"
#include "testhost.h"
#include "testnetwork.h"
#include "timelinewindow.h"

#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QDockWidget>
#include <QGraphicsItem>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/") + name;
}

const QString TownRoute = QStringLiteral("Main Street out-and-back");

/*!
 * For the documentation: when OSTRIK_HOST_DOCS_DIR names a folder, the visible \a widgets
 * (top-level windows and popups) as one picture \a name there, at their places on screen.
 */
void saveShot(const QString &name, const QList<QWidget *> &widgets)
{
    const QString dir = qEnvironmentVariable("OSTRIK_HOST_DOCS_DIR");
    if (dir.isEmpty())
        return;
    QRect area;
    for (const QWidget *w : widgets)
        area |= w->geometry();
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (QWidget *w : widgets)
        painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
    painter.end();
    if (!image.save(dir + QLatin1Char('/') + name, "PNG"))
        qWarning("cannot write %s", qPrintable(name));
}

// The text of the next message box, which is closed; collected while \a action runs.
QString messageDuring(const std::function<void()> &action, const QString &shot = QString())
{
    QString text;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            text = box->text();
            if (!shot.isEmpty())
                saveShot(shot, {box});
            box->accept();
        }
    });
    poll.start(20);
    action();
    return text;
}

// Every controller of the plans shows its plan's states at the current time.
QString wrongSignals(DemoSession &s)
{
    const double t = s.simulation().time();
    for (const ControllerPlan &plan : s.simulation().plans()) {
        const Corvel::Light *light = s.simulation().light(plan.controllerId);
        if (!light)
            return QStringLiteral("no controller %1").arg(plan.controllerId);
        for (int g : light->groups())
            if (light->groupState(g) != plan.stateAt(g, t))
                return QStringLiteral("controller %1 group %2").arg(plan.controllerId).arg(g);
    }
    return QString();
}

// A window around a session that has the town open.
struct Host
{
    std::unique_ptr<DemoSession> session = std::make_unique<DemoSession>();
    std::unique_ptr<MainWindow> window;

    //! \a size: the size the window is given (invalid: the one it restores or builds).
    explicit Host(const QSize &size = QSize(1280, 860))
    {
        QString error;
        if (!session->init(QString(), &error))
            qWarning("%s", qPrintable(error));
        session->source().setRunning(false);
        window = std::make_unique<MainWindow>(session.get());
        if (size.isValid())
            window->resize(size);
        window->show();
        window->openNetworkFile(sample(QStringLiteral("town.ostka")));
        window->centreOnBusiestJunction(18);
    }
    ~Host()
    {
        // The window owns the view: the plugin unloads while both still exist.
        session->plugin().release();
        window.reset();
    }
    MapView *view() const { return session->view(); }
    QTreeView *tree() const { return window->findChild<QTreeView *>(); }
    QMenu *menu(const QString &title) const
    {
        for (QMenu *m : window->findChildren<QMenu *>())
            if (m->title() == title)
                return m;
        return nullptr;
    }
    QLabel *statusLabel(const QString &start) const
    {
        for (QLabel *l : window->statusBar()->findChildren<QLabel *>())
            if (l->text().startsWith(start))
                return l;
        return nullptr;
    }
    void activate()
    {
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void sendDrop(const QStringList &files, bool *accepted)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &f : files)
            urls << QUrl::fromLocalFile(f);
        mime.setUrls(urls);
        QWidget *target = view()->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        *accepted = enter.isAccepted();
        if (!*accepted)
            return;
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
    }
};

// A pixel of the map where nothing is drawn.
QPoint emptySpot(const QGraphicsView *view)
{
    const QSize size = view->viewport()->size();
    for (int y = 5; y < size.height(); y += 20)
        for (int x = 5; x < size.width(); x += 20)
            if (view->items(QPoint(x, y)).isEmpty())
                return QPoint(x, y);
    return QPoint();
}

QString lonLat(const QPointF &p)
{
    return QStringLiteral("lon %1  lat %2").arg(p.x(), 0, 'f', 6).arg(p.y(), 0, 'f', 6);
}

} // namespace

class TestHostWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("OstrikTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_hostwindow"));
        // The sandbox of the test run, never the user's own settings.
        QVERIFY(!qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME"));
        QVERIFY(QSettings().fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
    }

    void init()
    {
        QSettings settings;
        settings.remove(QStringLiteral("window"));
        settings.remove(QStringLiteral("files"));
    }

    void idRanges_data()
    {
        QTest::addColumn<QList<int>>("ids");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QList<int>{} << QString();
        QTest::newRow("one") << QList<int>{7} << QStringLiteral("7");
        QTest::newRow("runs, unordered, repeated") << QList<int>{12, 3, 1, 2, 9, 11, 2, 10}
                                                   << QStringLiteral("1\u20133, 9\u201312");
    }
    void idRanges()
    {
        QFETCH(QList<int>, ids);
        QFETCH(QString, text);
        QCOMPARE(NetworkClash::ranges(ids), text);
    }

    void secondNetwork_data()
    {
        QTest::addColumn<int>("firstTl");
        QTest::addColumn<int>("secondTl");
        QTest::addColumn<QString>("clashing"); // empty: the network opens
        QTest::newRow("both ids taken") << 2 << 3 << QStringLiteral("ids 2\u20133 are");
        QTest::newRow("one id taken") << 101 << 15 << QStringLiteral("id 15 is");
        QTest::newRow("ids of its own") << 101 << 102 << QString();
    }
    void secondNetwork()
    {
        QFETCH(int, firstTl);
        QFETCH(int, secondTl);
        QFETCH(QString, clashing);
        Host h;
        QTemporaryDir dir;
        const QString second = dir.filePath(QStringLiteral("second.ostka"));
        QString error;
        QVERIFY2(writeJunctions(second, QPointF(16.62, 49.20), twoJunctions(firstTl, secondTl), 1000, &error),
                 qPrintable(error));
        const QList<int> townIds = h.session->controllerIds();
        QObject *townGranule = h.session->plugin().granule(townIds.value(0));
        QVERIFY(townGranule);
        const QString townGranuleName = townGranule->objectName();
        h.session->simulation().advanceTo(30.0);

        const QString message = messageDuring([&] { h.window->openNetworkFile(second); },
                                              QTest::currentDataTag() == QByteArray("both ids taken")
                                                  ? QStringLiteral("host-clash.png") : QString());
        h.session->simulation().advanceTo(47.5);
        QCOMPARE(wrongSignals(*h.session), QString());
        // The town's junctions stay bound to the town's controllers.
        QCOMPARE(h.session->plugin().granule(townIds.value(0))->objectName(), townGranuleName);
        QCOMPARE(h.session->networkOfController(townIds.value(0)), QStringLiteral("town.ostka"));

        if (!clashing.isEmpty()) {
            QVERIFY2(message.contains(QStringLiteral("controller %1 already used by town.ostka").arg(clashing)),
                     qPrintable(message));
            QVERIFY2(message.contains(QLatin1String("ostka-renumber --first-controller 16 second.ostka")),
                     qPrintable(message));
            QVERIFY(message.contains(QLatin1String("ostka-import --first-controller 16")));
            // Nothing of it stays.
            QCOMPARE(h.session->networkFiles().size(), 1);
            QCOMPARE(h.session->controllerIds(), townIds);
            QVERIFY(!h.session->plugin().findObjectByName(QStringLiteral("R1")));
            QCOMPARE(h.window->windowTitle(), QStringLiteral("town.ostka \u2014 Ostrik demo host"));
            return;
        }
        QCOMPARE(message, QString());
        QCOMPARE(h.session->networkFiles().size(), 2);
        QCOMPARE(h.session->networkOfController(firstTl), QStringLiteral("second.ostka"));
        QCOMPARE(h.session->plugin().granule(firstTl)->objectName(), QStringLiteral("J%1_G").arg(firstTl));
        QCOMPARE(h.session->simulation().light(firstTl)->isConnected(), true);
        QCOMPARE(h.window->windowTitle(), QStringLiteral("second.ostka and 1 more \u2014 Ostrik demo host"));
        // The tree lists the last network's routes and says so; the diagram offers them all.
        const QList<QLabel *> labels = h.window->findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
            return l->text().startsWith(QLatin1String("Routes of second.ostka, the network opened last"));
        }));
        QVERIFY(findRow(h.session->itemModel(), QStringLiteral("R1")).isValid());
        QVERIFY(!findRow(h.session->itemModel(), TownRoute).isValid());
        TimelineWindow timeline(h.session.get());
        const auto *routes = timeline.findChild<QComboBox *>();
        QVERIFY(routes->findText(QStringLiteral("R1")) >= 0);
        QVERIFY(routes->findText(TownRoute) >= 0);

        // A third network without routes: the tree's caption says so.
        TestNetwork third(QPointF(16.64, 49.21), 5000);
        JunctionSpec lone;
        lone.tlId = 300;
        lone.connections = {{{1}}};
        QVERIFY(third.addJunction(lone));
        QVERIFY2(third.save(dir.filePath(QStringLiteral("third.ostka"))), qPrintable(third.error));
        h.window->openNetworkFile(dir.filePath(QStringLiteral("third.ostka")));
        QCOMPARE(h.session->networkFiles().size(), 3);
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
            return l->text().startsWith(QLatin1String("third.ostka has no routes, the network opened last (3 are open)"));
        }));
        QVERIFY(routes->findText(TownRoute) >= 0);
    }

    void settingsAreRememberedAcrossTwoWindows()
    {
        {
            Host h;
            h.window->resize(1111, 777);
            auto *objects = h.window->findChild<QDockWidget *>(QStringLiteral("objects"));
            QVERIFY(objects);
            objects->close();
            h.window->openGpxFile(sample(QStringLiteral("town-route.gpx")));
            QCOMPARE(h.session->gpxTrackCount(), 1);
            h.window->close();
        }
        Host h{QSize()};
        QCOMPARE(h.window->size(), QSize(1111, 777));
        auto *objects = h.window->findChild<QDockWidget *>(QStringLiteral("objects"));
        QVERIFY(objects->isHidden());
        // The closed dock comes back from View → Panels.
        QMenu *panels = h.menu(QStringLiteral("&Panels"));
        QVERIFY(panels);
        QMetaObject::invokeMethod(panels, "aboutToShow");
        QAction *objectsAction = nullptr;
        for (QAction *a : panels->actions())
            if (a->text() == QLatin1String("Objects"))
                objectsAction = a;
        QVERIFY(objectsAction);
        QVERIFY(!objectsAction->isChecked());
        objectsAction->trigger();
        QVERIFY(objects->isVisible());

        // Newest first: the network this window opened again, then the first window's track.
        QMenu *recent = h.menu(QStringLiteral("Open &recent"));
        QVERIFY(recent);
        QMenu *file = qobject_cast<QMenu *>(recent->parentWidget());
        if (file && !qEnvironmentVariableIsEmpty("OSTRIK_HOST_DOCS_DIR")) {
            file->popup(h.window->mapToGlobal(QPoint(0, h.window->menuBar()->height())));
            recent->popup(file->mapToGlobal(file->actionGeometry(recent->menuAction()).topRight()));
            QVERIFY(QTest::qWaitForWindowExposed(recent));
            saveShot(QStringLiteral("host-recent.png"), {file, recent});
            recent->hide();
            file->hide();
        }
        QMetaObject::invokeMethod(recent, "aboutToShow");
        QStringList entries;
        for (QAction *a : recent->actions())
            entries << a->text();
        QCOMPARE(entries.mid(0, 2), (QStringList{QStringLiteral("&1  town.ostka"), QStringLiteral("&2  town-route.gpx")}));
        QSettings settings;
        QCOMPARE(settings.value(QStringLiteral("files/lastFolder")).toString(), QFileInfo(sample(QString())).absolutePath());
        // The plugin's own group holds nothing of the host's.
        settings.beginGroup(QStringLiteral("ostrikPlugin"));
        QVERIFY(!settings.childKeys().contains(QStringLiteral("geometry")));
        QVERIFY(!settings.childKeys().contains(QStringLiteral("recent")));
    }

    void droppedFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("networks");
        QTest::addColumn<int>("tracks");
        QTest::newRow("GPX track") << sample(QStringLiteral("town-route.gpx")) << true << 1 << 1;
        QTest::newRow("road network again") << sample(QStringLiteral("town.ostka")) << true << 1 << 0;
        QTest::newRow("SUMO network") << sample(QStringLiteral("sumo/grid.net.xml")) << true << 2 << 0;
        QTest::newRow("other file") << sample(QStringLiteral("town.plans.json")) << false << 1 << 0;
    }
    void droppedFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, accepted);
        QFETCH(int, networks);
        QFETCH(int, tracks);
        Host h;
        bool taken = false;
        h.sendDrop({file}, &taken);
        QCOMPARE(taken, accepted);
        if (file.endsWith(QLatin1String(".net.xml"))) {
            // The importer runs with its progress shown, numbering after the town's controllers.
            auto *progress = h.window->findChild<QProgressDialog *>();
            QVERIFY(progress && progress->isVisible());
            QVERIFY(progress->labelText().startsWith(QLatin1String("Importing grid.net.xml")));
            saveShot(QStringLiteral("host-import.png"), {progress});
            QTRY_COMPARE_WITH_TIMEOUT(h.session->networkFiles().size(), networks, 90000);
            QVERIFY(!h.window->findChild<QProgressDialog *>());
            QCOMPARE(h.session->networkOfController(16), QStringLiteral("grid.ostka"));
            QCOMPARE(wrongSignals(*h.session), QString());
        }
        QCOMPARE(h.session->networkFiles().size(), networks);
        QCOMPARE(h.session->gpxTrackCount(), tracks);
    }

    void droppedUnknownFilesAreNamed()
    {
        Host h;
        QTemporaryDir dir;
        const QString notes = dir.filePath(QStringLiteral("notes.txt"));
        bool taken = false;
        h.sendDrop({sample(QStringLiteral("town-route.gpx")), notes}, &taken);
        QVERIFY(taken);
        QCOMPARE(h.session->gpxTrackCount(), 1);
        QVERIFY2(h.window->statusBar()->currentMessage().startsWith(QLatin1String("Not opened: notes.txt")),
                 qPrintable(h.window->statusBar()->currentMessage()));
    }

    void openingShowsItsStages()
    {
        Host h;
        h.session->unloadAll();
        LoadProgress progress(h.session.get(), h.window.get(), 0); // every file counts as big here
        QStringList seen;
        connect(h.session.get(), &DemoSession::loading, this, [&](const QString &, int stage) {
            const QProgressDialog *d = progress.dialog();
            seen << (d ? QStringLiteral("%1 %2 %3").arg(stage).arg(d->isVisible()).arg(d->labelText())
                       : QStringLiteral("%1 none").arg(stage));
        });
        h.window->openNetworkFile(sample(QStringLiteral("town.ostka")));
        QCOMPARE(seen, (QStringList{QStringLiteral("1 1 Reading town.ostka (0.1 MB)\u2026"),
                                    QStringLiteral("2 1 Drawing town.ostka (0.1 MB)\u2026"),
                                    QStringLiteral("3 1 Setting up the controllers of town.ostka (0.1 MB)\u2026"),
                                    QStringLiteral("0 none")}));
        QVERIFY(!QApplication::overrideCursor());
        // A file that fails to open takes its dialog and busy cursor with it.
        seen.clear();
        const QString message = messageDuring([&] { h.window->openNetworkFile(QStringLiteral("/nonexistent/x.ostka")); });
        QVERIFY(message.contains(QLatin1String("does not exist")));
        QCOMPARE(seen, (QStringList{QStringLiteral("1 1 Reading x.ostka (0.0 MB)\u2026"), QStringLiteral("0 none")}));
        QVERIFY(!QApplication::overrideCursor());
    }

    void keyboardZoomAndCursor()
    {
        Host h;
        h.activate();
        QWidget *map = h.view()->viewport();
        const QPoint pixel(200, 150);
        QMouseEvent move(QEvent::MouseMove, pixel, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(map, &move);
        QLabel *cursor = nullptr;
        QTRY_VERIFY((cursor = h.statusLabel(QStringLiteral("lon "))));
        QTRY_COMPARE(cursor->text(), lonLat(h.view()->mapToScene(pixel)));

        const int zoom = h.view()->zoom();
        QTest::keyClick(h.window.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(h.view()->zoom(), zoom + 1);
        QCOMPARE(cursor->text(), lonLat(h.view()->mapToScene(pixel)));
        QTest::keyClick(h.window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(h.view()->zoom(), zoom);
        QCOMPARE(cursor->text(), lonLat(h.view()->mapToScene(pixel)));

        // A drag: the position shown is the one under the pointer where it ends.
        const QPoint empty = emptySpot(h.view());
        QVERIFY(!empty.isNull());
        QTest::mousePress(map, Qt::LeftButton, Qt::NoModifier, empty);
        const QPoint end = empty + QPoint(120, 80);
        QMouseEvent drag(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(map, &drag);
        QTest::mouseRelease(map, Qt::LeftButton, Qt::NoModifier, end);
        QTRY_COMPARE(cursor->text(), lonLat(h.view()->mapToScene(end)));
    }

    void routeSelectedInTheTreeComesIntoViewAndTheMapAgrees()
    {
        // A user who shows every route (the host hides them on a first run): an unselected
        // route must be drawn to be clicked on the map.
        QSettings().setValue(QStringLiteral("ostrikPlugin/visibleLayers"),
                             (HostDefaults::visibleLayers() << QStringLiteral("Routes")).join(QLatin1Char(',')));
        Host h;
        QSettings().remove(QStringLiteral("ostrikPlugin/visibleLayers"));
        h.activate();
        QGraphicsItem *route = h.session->plugin().findItemByName(TownRoute);
        QVERIFY(route);
        const QRectF bounds = route->sceneBoundingRect();
        // Far from the route, closer than it fits.
        h.view()->setZoom(19);
        h.view()->centerOnGeo(bounds.center() + QPointF(0.05, 0.05));
        QVERIFY(!h.view()->visibleGeoRect().intersects(bounds));

        QTreeView *tree = h.tree();
        tree->expandAll();
        const QModelIndex row = findRow(tree->model(), TownRoute);
        QVERIFY(row.isValid());
        tree->scrollTo(row);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, tree->visualRect(row).center());
        QVERIFY(route->isSelected());
        QVERIFY(h.view()->zoom() >= 17);
        QVERIFY(h.view()->visibleGeoRect().contains(bounds.center()));
        QVERIFY(h.view()->visibleGeoRect().intersects(bounds));

        // Ctrl+T shows its diagram; Escape closes the diagram's window.
        QTest::keyClick(h.window.get(), Qt::Key_T, Qt::ControlModifier);
        auto *timeline = h.window->findChild<TimelineWindow *>();
        QVERIFY(timeline && timeline->isVisible());
        QCOMPARE(timeline->findChild<QComboBox *>()->currentText(), TownRoute);
        QApplication::setActiveWindow(timeline);
        QVERIFY(QTest::qWaitForWindowActive(timeline));
        QTest::keyClick(timeline, Qt::Key_Escape);
        QVERIFY(!timeline->isVisible());

        // A click on an empty spot of the map clears the selection in both.
        QWidget *map = h.view()->viewport();
        const QPoint empty = emptySpot(h.view());
        QVERIFY(!empty.isNull());
        QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, empty);
        QVERIFY(!route->isSelected());
        QVERIFY(tree->selectionModel()->selectedRows().isEmpty());

        // A click on the route selects its row.
        QPoint onRoute;
        for (int y = 2; y < map->height() && onRoute.isNull(); y += 2)
            for (int x = 2; x < map->width() && onRoute.isNull(); x += 2)
                if (h.view()->items(QPoint(x, y)).value(0) == route)
                    onRoute = QPoint(x, y);
        QVERIFY(!onRoute.isNull());
        QTest::mouseClick(map, Qt::LeftButton, Qt::NoModifier, onRoute);
        QVERIFY(route->isSelected());
        QCOMPARE(tree->selectionModel()->selectedRows().value(0).data().toString(), TownRoute);

        // Unloading a selected route leaves an empty tree and map, and the town opens again.
        h.session->unloadAll();
        QVERIFY(tree->selectionModel()->selectedRows().isEmpty());
        QVERIFY(h.session->scene()->selectedItems().isEmpty());
        h.window->openNetworkFile(sample(QStringLiteral("town.ostka")));
        QVERIFY(findRow(tree->model(), TownRoute).isValid());
    }

    void findWithCompletion()
    {
        Host h;
        FindObject find(h.session.get(), h.window.get());
        find.show();
        QVERIFY(QTest::qWaitForWindowExposed(&find));
        QTest::keyClicks(find.nameEdit(), QStringLiteral("street out"));
        QCompleter *c = find.completer();
        QTRY_VERIFY(c->popup()->isVisible());
        QStringList offered;
        for (int i = 0; c->setCurrentRow(i); ++i)
            offered << c->currentCompletion();
        QVERIFY2(offered.contains(TownRoute), qPrintable(offered.join(QLatin1Char('|'))));
        for (const QString &name : offered)
            QVERIFY(name.contains(QLatin1String("street out"), Qt::CaseInsensitive));
        c->setCurrentRow(0);
        saveShot(QStringLiteral("host-find.png"), {&find, c->popup()});

        // A name nobody has keeps the dialog open and says so.
        find.nameEdit()->setText(QStringLiteral("Nowhere Lane"));
        QTest::keyClick(find.nameEdit(), Qt::Key_Return);
        QVERIFY(find.isVisible());
        const QList<QLabel *> labels = find.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *l) {
            return l->text() == QStringLiteral("No drawn object is named \u201cNowhere Lane\u201d.");
        }));

        h.view()->setZoom(15);
        find.nameEdit()->setText(TownRoute);
        QTest::keyClick(find.nameEdit(), Qt::Key_Return);
        QCOMPARE(find.result(), int(QDialog::Accepted));
        const QRectF bounds = h.session->plugin().findItemByName(TownRoute)->sceneBoundingRect();
        QVERIFY(h.view()->zoom() >= 17);
        QVERIFY(h.view()->visibleGeoRect().contains(bounds.center()));
        // The ring around it, drawn over everything, goes away by itself.
        const auto rings = [&] {
            int n = 0;
            for (QGraphicsItem *i : h.session->scene()->items(bounds.center()))
                n += (i->flags() & QGraphicsItem::ItemIgnoresTransformations) && i->zValue() >= 1e6 ? 1 : 0;
            return n;
        };
        QCOMPARE(rings(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(rings(), 0, 5000);
    }
};

QTEST_MAIN(TestHostWindow)
#include "tst_hostwindow.moc"
