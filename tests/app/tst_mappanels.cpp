// The window as a user sees it: the overview below the plugin's zoom, fitting the network,
// inspecting junctions and connections, the controller list and the offline look.
#include "controllerlist.h"
#include "headless.h"
#include "hostdefaults.h"
#include "infopanel.h"
#include "legend.h"
#include "mainwindow.h"
#include "mapview.h"
#include "overviewlayer.h"
#include "session.h"
#include "testnetwork.h"

#include <corvel/light.h>
#include <mirel/mapscene.h>
#include <ostrika/ostrika.h>
#include <signalplan.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QToolTip>
#include <QtTest>

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/") + name;
}

// Pixels within a small distance of a colour (antialiased edges blend a little).
int countNear(const QImage &image, const QColor &colour, int tolerance = 12)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (std::abs(qRed(line[x]) - colour.red()) <= tolerance && std::abs(qGreen(line[x]) - colour.green()) <= tolerance
                && std::abs(qBlue(line[x]) - colour.blue()) <= tolerance)
                ++n;
    }
    return n;
}

QImage mapPicture(DemoSession &s)
{
    QCoreApplication::processEvents();
    return s.view()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestMapPanels : public QObject
{
    Q_OBJECT

    std::unique_ptr<DemoSession> m_s;
    std::unique_ptr<MainWindow> m_window;

    OverviewLayer *overview() const
    {
        for (QGraphicsItem *item : m_s->scene()->items())
            if (auto *o = dynamic_cast<OverviewLayer *>(item))
                return o;
        return nullptr;
    }
    QLabel *hintLabel() const { return m_window->findChild<QLabel *>(QStringLiteral("zoomHint")); }
    QString liveText() const
    {
        for (const QLabel *l : m_window->statusBar()->findChildren<QLabel *>())
            if (l->text().contains(QLatin1String("controllers live")))
                return l->text();
        return QString();
    }
    const Ostrika::Granule *busiest() const
    {
        const Ostrika::Granule *best = nullptr;
        for (const auto &n : m_s->networksByFile())
            for (const Ostrika::Granule *g : n.second->findChildren<Ostrika::Granule *>())
                if (g->tlId() > 0 && (!best || g->signalGroups().size() * 100 + g->connections().size()
                                                    > best->signalGroups().size() * 100 + best->connections().size()))
                    best = g;
        return best;
    }
    QPoint onScreen(const Ostrika::NetObject *o, const QPointF &xy) const
    {
        return m_s->view()->mapFromScene(o->network()->geoUtil()->xyToGeo(xy));
    }
    void lookAtBusiest(int zoom)
    {
        m_window->centreOnBusiestJunction(zoom);
        settleSubscriptions(*m_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("OstrikTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_mappanels"));
        QSettings().clear();
    }

    void init()
    {
        m_s = std::make_unique<DemoSession>();
        QString error;
        QVERIFY2(m_s->init(QString(), &error), qPrintable(error));
        m_window = std::make_unique<MainWindow>(m_s.get());
        m_window->resize(1400, 900);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY2(m_s->openNetwork(sample(QStringLiteral("town.ostka")), &error), qPrintable(error));
        lookAtBusiest(18);
    }

    void cleanup()
    {
        // The window owns the view: the plugin unloads while it still exists.
        m_s->plugin().release();
        m_window.reset();
        m_s.reset();
    }

    // Zoomed out with the keyboard: the overview and its hint below 17, gone from 17 on.
    void overviewFollowsTheZoom_data()
    {
        QTest::addColumn<int>("zoomOutSteps");
        QTest::addColumn<bool>("overview");
        QTest::newRow("18: signals") << 0 << false;
        QTest::newRow("17: signals") << 1 << false;
        QTest::newRow("16: overview") << 2 << true;
        QTest::newRow("14: overview") << 4 << true;
    }
    void overviewFollowsTheZoom()
    {
        QFETCH(int, zoomOutSteps);
        QFETCH(bool, overview);
        OverviewLayer *layer = this->overview();
        m_s->view()->setFocus();
        for (int i = 0; i < zoomOutSteps; ++i)
            QTest::keyClick(m_window.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(m_s->view()->zoom(), 18 - zoomOutSteps);
        QVERIFY(layer);
        QCOMPARE(layer->showsOverview(), overview);
        // Never the item "under the cursor": look-ups at a point find the network's items.
        QVERIFY(!m_s->scene()->items(m_s->view()->centerGeo()).contains(layer));
        QCOMPARE(hintLabel()->isVisible(), overview);
        QCOMPARE(hintLabel()->text(), overview ? QStringLiteral("Zoom in to 17 to see signals") : QString());
        // The junction dots (all controllers online) are on the map only while the overview is.
        const int dots = countNear(mapPicture(*m_s), controllerStateColour(ControllerState::Online), 6);
        QVERIFY2(overview ? dots > 30 : dots == 0, qPrintable(QString::number(dots)));
    }

    // Fit shows the whole network at a zoom where it fills the view and something is drawn.
    void fitShowsTheNetwork()
    {
        m_s->view()->setZoom(7);
        QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
        const QRectF all = m_s->networkBounds();
        const QRectF seen = m_s->view()->visibleGeoRect();
        QVERIFY(seen.contains(all));
        QVERIFY2(all.width() > seen.width() / 3 || all.height() > seen.height() / 3,
                 qPrintable(QStringLiteral("zoom %1").arg(m_s->view()->zoom())));
        QVERIFY(m_s->view()->zoom() >= 14);
        const bool dots = countNear(mapPicture(*m_s), controllerStateColour(ControllerState::Online), 6) > 30;
        QVERIFY(dots || m_s->view()->zoom() >= 17);
    }

    // Two networks hundreds of kilometres apart: Fit shows the one the view is on, readable.
    void fitShowsTheNetworkInView()
    {
        QTemporaryDir dir;
        StripSpec strip;
        strip.prefix = QStringLiteral("far");
        strip.tlId = 99;
        const QString file = dir.filePath(QStringLiteral("far.ostka"));
        QString error;
        QVERIFY2(writeStrip(strip, file, &error), qPrintable(error));
        QVERIFY2(m_s->openNetwork(file, &error), qPrintable(error));
        const QRectF both = m_s->networkBounds();
        QVERIFY(both.width() > 2.0);

        QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
        const QPointF town = m_s->busiestJunction();
        QVERIFY(m_s->view()->visibleGeoRect().contains(town));
        QVERIFY2(m_s->view()->zoom() >= 14, qPrintable(QString::number(m_s->view()->zoom())));

        m_s->view()->centerOnGeo(strip.originGeo);
        QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
        QVERIFY(m_s->view()->visibleGeoRect().contains(strip.originGeo));
        QVERIFY(!m_s->view()->visibleGeoRect().contains(town));
        QVERIFY(m_s->view()->zoom() >= 17);
    }

    // A click on the busiest junction: its name, controller and every group's current state.
    void clickOnJunctionShowsItsGroups()
    {
        const Ostrika::Granule *g = busiest();
        QVERIFY(g);
        m_s->source().setRunning(false);
        const QPoint at = onScreen(g, g->position());
        QTest::mouseClick(m_s->view()->viewport(), Qt::LeftButton, {}, at);
        auto *info = m_window->findChild<InfoPanel *>();
        QVERIFY(info && info->isVisible());
        const QString text = info->plainText();
        QVERIFY2(text.contains(QStringLiteral("Junction \u201c%1\u201d").arg(g->objectName())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("controller %1: live").arg(g->tlId())), qPrintable(text));
        const Corvel::Light *light = m_s->simulation().light(g->tlId());
        for (const Ostrika::SignalGroup *sg : g->signalGroups()) {
            const QString row = QStringLiteral("SG %1\n%2\n%3").arg(sg->tlId()).arg(sg->objectName(),
                                                                                  SignalState::name(light->groupState(sg->tlId())));
            QVERIFY2(text.contains(row), qPrintable(row + QStringLiteral(" in\n") + text));
        }
        // The states follow the controller while the panel stays open.
        m_s->simulation().advanceBy(40.0);
        info->refresh();
        const Ostrika::SignalGroup *first = g->signalGroups().constFirst();
        QVERIFY(info->plainText().contains(QStringLiteral("SG %1\n%2\n%3").arg(first->tlId()).arg(first->objectName(),
            SignalState::name(light->groupState(first->tlId())))));

        // The tooltip over the same point says the same in short.
        QHelpEvent help(QEvent::ToolTip, at, m_s->view()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(m_s->view()->viewport(), &help);
        QVERIFY2(QToolTip::text().startsWith(QStringLiteral("Junction \u201c%1\u201d").arg(g->objectName())),
                 qPrintable(QToolTip::text()));
    }

    // A click on a connection names its lanes and the group that governs it; a drag is no click.
    void clickOnConnectionNamesItsGroup()
    {
        const Ostrika::Granule *g = busiest();
        const Ostrika::Connection *c = nullptr;
        for (const Ostrika::Connection *x : g->connections())
            if (!x->signalGroups().isEmpty() && x->polyline().length() > 10.0)
                c = x;
        QVERIFY(c);
        m_s->view()->setZoom(20);
        m_s->view()->centerOnGeo(g->network()->geoUtil()->xyToGeo(c->polyline().pointAt(c->polyline().length() / 4)));
        const QPoint at = onScreen(c, c->polyline().pointAt(c->polyline().length() / 4));
        auto *info = m_window->findChild<InfoPanel *>();
        QTest::mousePress(m_s->view()->viewport(), Qt::LeftButton, {}, at - QPoint(40, 0));
        QTest::mouseMove(m_s->view()->viewport(), at);
        QTest::mouseRelease(m_s->view()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(info->hit().kind, MapHit::None);
        QTest::mouseClick(m_s->view()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(info->hit().kind, MapHit::Connection);
        const QString text = info->plainText();
        QVERIFY2(text.contains(QStringLiteral("Connection \u201c%1\u201d").arg(c->objectName())), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("SG %1").arg(c->signalGroups().constFirst()->tlId())), qPrintable(text));
        QVERIFY2(text.contains(c->startLane()->edge()->objectName()), qPrintable(text));
    }

    // The list filters on what is typed and switches a controller off and on; the map, the
    // list and the status line then tell offline apart from not followed.
    void controllerListFiltersAndSwitches()
    {
        auto *list = m_window->findChild<ControllerList *>();
        QVERIFY(list);
        const Ostrika::Granule *g = busiest();
        const int total = m_s->controllerIds().size();
        QCOMPARE(list->table()->model()->rowCount(), total);
        QTest::keyClicks(list->filterField(), g->objectName());
        QAbstractItemModel *shown = list->table()->model();
        QVERIFY(shown->rowCount() >= 1 && shown->rowCount() < total);
        for (int r = 0; r < shown->rowCount(); ++r)
            QVERIFY(shown->index(r, ControllerTableModel::Junction).data().toString().contains(g->objectName()));
        int row = -1;
        for (int r = 0; r < shown->rowCount(); ++r)
            if (shown->index(r, ControllerTableModel::Id).data().toInt() == g->tlId())
                row = r;
        QVERIFY(row >= 0);
        // The list re-reads the states twice a second.
        QTRY_COMPARE(shown->index(row, ControllerTableModel::Live).data().toString(), QStringLiteral("live"));
        const QString before = liveText();
        const int liveBefore = before.section(QLatin1Char(' '), 0, 0).toInt();
        QVERIFY2(liveBefore > 0, qPrintable(before));

        const int markBefore = countNear(mapPicture(*m_s), controllerStateColour(ControllerState::Offline), 4);
        list->table()->setFocus();
        list->table()->setCurrentIndex(shown->index(row, ControllerTableModel::Online));
        QTest::keyClick(list->table(), Qt::Key_Space);
        QVERIFY(!m_s->simulation().light(g->tlId())->isConnected());
        QCOMPARE(shown->index(row, ControllerTableModel::Online).data().toString(), QStringLiteral("offline"));
        QCOMPARE(shown->index(row, ControllerTableModel::Live).data().toString(), QStringLiteral("offline"));
        // Out of view, online: not followed, and nothing on the map says otherwise.
        QVERIFY(list->model()->match(list->model()->index(0, ControllerTableModel::Live), Qt::DisplayRole,
                                     QStringLiteral("not followed")).size() == 1);
        QTest::qWait(600);
        const QImage offline = mapPicture(*m_s);
        QVERIFY2(countNear(offline, controllerStateColour(ControllerState::Offline), 4) > markBefore + 40,
                 "no offline mark on the junction");
        QTRY_COMPARE(liveText(), QStringLiteral("%1 of %2 controllers live, 1 offline").arg(liveBefore - 1).arg(total));

        QTest::keyClick(list->table(), Qt::Key_Space);
        QVERIFY(m_s->simulation().light(g->tlId())->isConnected());
        QTRY_COMPARE(liveText(), before);
        // Below 17 the offline junction is a ring, not a green dot.
        list->setAllOnline();
        m_s->simulation().setOnline(g->tlId(), false);
        m_s->view()->setZoom(15);
        QVERIFY(countNear(mapPicture(*m_s), controllerStateColour(ControllerState::Offline), 4) > 10);
    }

    // Sorting by id is numeric; a double click shows the controller's junction with signals.
    void controllerListSortsAndShowsTheJunction()
    {
        auto *list = m_window->findChild<ControllerList *>();
        QTableView *table = list->table();
        QAbstractItemModel *shown = table->model();
        QList<int> ids;
        for (int r = 0; r < shown->rowCount(); ++r)
            ids << shown->index(r, ControllerTableModel::Id).data().toInt();
        QList<int> sorted = ids;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(ids, sorted);
        QHeaderView *header = table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(ControllerTableModel::Id) + 5, header->height() / 2));
        QCOMPARE(shown->index(0, ControllerTableModel::Id).data().toInt(), sorted.constLast());

        m_s->view()->setZoom(14);
        const QModelIndex last = shown->index(shown->rowCount() - 1, ControllerTableModel::Junction);
        const QString junction = last.data().toString();
        table->scrollTo(last);
        QCoreApplication::processEvents();
        QSignalSpy clicked(table, &QTableView::doubleClicked);
        // A double click is a click and then a second press (QTest sends only the second).
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(last).center());
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(last).center());
        QCOMPARE(clicked.size(), 1);
        QVERIFY2(m_s->view()->zoom() >= 18, qPrintable(QString::number(m_s->view()->zoom())));
        const Ostrika::Granule *g = nullptr;
        for (const auto &n : m_s->networksByFile())
            g = g ? g : n.second->findChild<Ostrika::Granule *>(junction);
        QVERIFY(g);
        const QPointF at = g->network()->geoUtil()->xyToGeo(g->position());
        QVERIFY(QLineF(m_s->view()->centerGeo(), at).length() < 1e-4);
    }

    // Below 17 the dots answer the mouse too; after "Unload all" nothing is left to show.
    void tooltipOnADotAndUnloading()
    {
        const Ostrika::Granule *g = busiest();
        m_s->view()->setZoom(15);
        m_s->view()->centerOnGeo(g->network()->geoUtil()->xyToGeo(g->position()));
        const QPoint at = onScreen(g, g->position());
        QHelpEvent help(QEvent::ToolTip, at, m_s->view()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(m_s->view()->viewport(), &help);
        QVERIFY2(QToolTip::text().startsWith(QStringLiteral("Junction \u201c%1\u201d").arg(g->objectName())),
                 qPrintable(QToolTip::text()));
        QTest::mouseClick(m_s->view()->viewport(), Qt::LeftButton, {}, at);
        auto *info = m_window->findChild<InfoPanel *>();
        QCOMPARE(info->hit().kind, MapHit::Junction);

        m_s->unloadAll();
        info->refresh();
        QCOMPARE(info->hit().kind, MapHit::None);
        QVERIFY(info->plainText().startsWith(QStringLiteral("Click a junction")));
        QCOMPARE(m_window->findChild<ControllerList *>()->table()->model()->rowCount(), 0);
        QVERIFY(hintLabel()->text().isEmpty());
        QVERIFY(m_s->view()->hint().isEmpty());
    }

    // The host follows the plugin's own minimum zoom setting: both switch at the same zoom.
    void followsThePluginsMinimumZoom()
    {
        cleanup();
        QSettings().setValue(QStringLiteral("ostrikPlugin/minZoom"), 16);
        init();
        QSettings().remove(QStringLiteral("ostrikPlugin/minZoom"));
        lookAtBusiest(16);
        QVERIFY(!overview()->showsOverview());
        QVERIFY(!m_s->subscribedControllers().isEmpty());
        m_s->view()->setZoom(15);
        QCOMPARE(hintLabel()->text(), QStringLiteral("Zoom in to 16 to see signals"));
        QCOMPARE(m_s->view()->hint(), hintLabel()->text());
    }

    // The legend names the neutral look, and the overview's own symbols below 17.
    void legendExplainsEveryLook()
    {
        const QVector<Legend::Entry> signal = Legend::signalEntries(false);
        const auto neutral = std::find_if(signal.cbegin(), signal.cend(), [](const Legend::Entry &e) {
            return e.text == QLatin1String("no state, offline, not followed");
        });
        QVERIFY(neutral != signal.cend());
        QCOMPARE(neutral->a, Legend::neutralColour());
        m_s->view()->setZoom(18);
        const int blueAt18 = countNear(mapPicture(*m_s), Legend::neutralColour(), 0);
        m_s->view()->setLegendVisible(false);
        const int blueWithout = countNear(mapPicture(*m_s), Legend::neutralColour(), 0);
        QVERIFY2(blueAt18 > blueWithout, "the legend shows no neutral blue");
        m_s->view()->setLegendVisible(true);
        QCOMPARE(Legend::overviewEntries().size(), 4);
    }

    // The host hides the Routes layer on a first run, and leaves a stored choice alone.
    void routesLayerHiddenByDefault()
    {
        QSettings settings;
        const QString stored = settings.value(QStringLiteral("ostrikPlugin/visibleLayers")).toString();
        QVERIFY2(!stored.split(QLatin1Char(',')).contains(QStringLiteral("Routes")), qPrintable(stored));
        QVERIFY(stored.split(QLatin1Char(',')).contains(QStringLiteral("Lanes")));
        QGraphicsItem *route = m_s->plugin().findItemByName(m_s->longestRoute());
        QVERIFY(route);
        QVERIFY(!route->isVisible());
        // Selected in the tree, the route shows although its layer is hidden.
        auto *tree = m_window->findChild<QTreeView *>();
        tree->expandAll();
        const QModelIndexList rows = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole,
                                                          m_s->longestRoute(), 1, Qt::MatchRecursive);
        QCOMPARE(rows.size(), 1);
        tree->scrollTo(rows.constFirst());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(rows.constFirst()).center());
        QVERIFY(route->isVisible());
        settings.setValue(QStringLiteral("ostrikPlugin/visibleLayers"), QStringLiteral("Lanes,Routes"));
        settings.sync();
        QVERIFY(!HostDefaults::seedPluginSettings());
        QCOMPARE(QSettings().value(QStringLiteral("ostrikPlugin/visibleLayers")).toString(), QStringLiteral("Lanes,Routes"));
        settings.remove(QStringLiteral("ostrikPlugin/visibleLayers"));
        settings.sync();
        QVERIFY(HostDefaults::seedPluginSettings());
    }
};

QTEST_MAIN(TestMapPanels)
#include "tst_mappanels.moc"
