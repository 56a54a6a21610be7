// Tests of the demo host's session with the real plugin: loading, tree selection,
// controllers going offline and online, GPX tracks, timelines and unloading.
#include "headless.h"
#include "mainwindow.h"
#include "timelinewidget.h"
#include "timelinewindow.h"
#include "planderiver.h"
#include "mapview.h"
#include "session.h"
#include "testhost.h"

#include <testnetwork.h>

#include <mirel/itemmodel.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <mirel/mapscene.h>

#include <QApplication>
#include <QDialog>
#include <QGraphicsItem>
#include <QItemSelectionModel>
#include <QtTest>

#include <algorithm>

namespace {

QString sample(const QString &name)
{
    return QStringLiteral(OSTRIK_SAMPLES_DIR "/") + name;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<DemoSession> open()
    {
        auto s = std::make_unique<DemoSession>();
        QString error;
        if (!s->init(QString(), &error))
            qWarning("%s", qPrintable(error));
        s->view()->resize(1280, 800);
        s->view()->setZoom(18);
        s->view()->show();
        if (!s->openNetwork(sample(QStringLiteral("town.ostka")), &error))
            qWarning("%s", qPrintable(error));
        s->view()->centerOnGeo(s->busiestJunction());
        settleSubscriptions(*s);
        return s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("OstrikTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_session"));
    }

    void pluginIsCalledByName()
    {
        auto s = open();
        QVERIFY(s->plugin().isLoaded());
        QCOMPARE(s->plugin().moduleVersion(), QStringLiteral("0.1.19"));
        QCOMPARE(s->networkFiles().size(), 1);
        QVERIFY(!s->subscribedControllers().isEmpty());
        // Every controller of the sample was bound: the plugin asked the project for it.
        QCOMPARE(s->simulation().project()->boundIds().size(), s->simulation().plans().size());
    }

    // The host reads no network itself: the controllers come from the plugin's binding and
    // their groups from the plugin's objects, for every network opened.
    void controllersLearntFromThePluginsBinding()
    {
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("first.ostka"));
        const QString second = dir.filePath(QStringLiteral("second.ostka"));
        QVERIFY(writeJunctions(first, QPointF(13.40, 52.52),
                               {{41, QPointF(0, 0), {ConnSpec{{1}}, ConnSpec{{2}, 90.0}, ConnSpec{{3}}}, {}, true},
                                // A controller without any group: no plan can be derived for it.
                                {42, QPointF(400, 0), {}, {}, true}}, 0));
        QVERIFY(writeJunctions(second, QPointF(13.41, 52.52), {{51, QPointF(0, 0), {ConnSpec{{7}}}, {}, true}}, 0));
        DemoSession s;
        QString error;
        QVERIFY2(s.init(QString(), &error), qPrintable(error));
        QVERIFY2(s.openNetwork(first, &error), qPrintable(error));
        QVERIFY2(s.openNetwork(second, &error), qPrintable(error));

        QCOMPARE(s.simulation().plans().keys(), (QList<int>{41, 51}));
        QCOMPARE(s.simulation().plans().value(41).groups.keys(), (QList<int>{1, 2, 3}));
        QCOMPARE(s.simulation().plans().value(51).groups.keys(), (QList<int>{7}));
        QVERIFY(s.simulation().light(41));
        QCOMPARE(s.simulation().light(41)->groups(), (QList<int>{1, 2, 3}));
        // The controller without a plan was taken away again, and the plugin let go of it.
        QVERIFY(!s.simulation().light(42));
        QCOMPARE(s.simulation().project()->boundIds(), (QSet<int>{41, 51}));
        QVERIFY(!s.summary().filter(QStringLiteral("2 simulated, 2 online, 2 bound")).isEmpty());
        QCOMPARE(s.networkFiles().size(), 2);
    }

    // A network without any controller gives the plugin no way to its objects: the host
    // reads that one itself, and its routes and extent still count beside the others.
    void networkWithoutControllersKeepsItsRoutes()
    {
        QTemporaryDir dir;
        StripSpec lit;
        lit.prefix = QStringLiteral("Lit");
        StripSpec dark;
        dark.prefix = QStringLiteral("Dark");
        dark.tlId = 0;
        dark.idBase = 1000;
        dark.originGeo = QPointF(13.45, 52.52);
        const QString litFile = dir.filePath(QStringLiteral("lit.ostka"));
        const QString darkFile = dir.filePath(QStringLiteral("dark.ostka"));
        QString error;
        QVERIFY2(writeStrip(lit, litFile, &error) && writeStrip(dark, darkFile, &error), qPrintable(error));
        DemoSession s;
        QVERIFY2(s.init(QString(), &error), qPrintable(error));
        QVERIFY2(s.openNetwork(litFile, &error), qPrintable(error));
        QVERIFY2(s.openNetwork(darkFile, &error), qPrintable(error));

        QCOMPARE(s.networkFiles().size(), 2);
        QCOMPARE(s.simulation().plans().keys(), (QList<int>{7}));
        QStringList routes = s.routeNames();
        routes.sort();
        QCOMPARE(routes, (QStringList{QStringLiteral("DarkR1"), QStringLiteral("LitR1")}));
        QVERIFY2(s.networkBounds().right() > 13.45, qPrintable(QString::number(s.networkBounds().right())));
        QVERIFY(s.networkBounds().left() < 13.41);
        TimelineDiagram diagram;
        QVERIFY2(s.timeline(QStringLiteral("DarkR1"), 0.0, 0.0, &diagram, &error), qPrintable(error));
        QVERIFY(diagram.length > 100.0);
    }

    // A source that drives controllers itself gets the plugin's network to pick them; the
    // controllers it leaves out are taken away, and no plan runs for any of them.
    void drivenNetworkKeepsOnlyTheDrivenControllers()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("driven.ostka"));
        QVERIFY(writeJunctions(file, QPointF(13.40, 52.52),
                               {{61, QPointF(0, 0), {ConnSpec{{1}}, ConnSpec{{2}, 90.0}}, {}, true},
                                {62, QPointF(400, 0), {ConnSpec{{1}}}, {}, true}}, 0));
        DemoSession s;
        QString error;
        QVERIFY2(s.init(QString(), &error), qPrintable(error));
        QList<int> seen;
        const bool opened = s.openDrivenNetwork(file, [&](const Ostrika::Network &net) {
            for (const Ostrika::Granule *g : net.findChildren<Ostrika::Granule *>())
                seen << g->tlId();
            s.simulation().project()->addLight(61)->setConnected(false);
            return QList<int>{61};
        }, &error);
        QVERIFY2(opened, qPrintable(error));
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, (QList<int>{61, 62}));
        QCOMPARE(s.controllerIds(), (QList<int>{61}));
        QCOMPARE(s.simulation().project()->boundIds(), (QSet<int>{61}));
        QVERIFY(s.simulation().plans().isEmpty());
        QCOMPARE(s.networkFiles().size(), 1);
    }

    // The headless wait follows events: it ends once the answers are in, and a controller
    // that never answers ends it at the bound with a note naming it, instead of hanging.
    void waitingEndsWithAnswersOrAtTheBound()
    {
        DemoSession s;
        QString error;
        QVERIFY2(s.init(QString(), &error), qPrintable(error));
        s.view()->resize(1280, 800);
        s.view()->setZoom(18);
        s.view()->show();
        QVERIFY2(s.openNetwork(sample(QStringLiteral("town.ostka")), &error), qPrintable(error));
        const QPointF busiest = s.busiestJunction();
        s.view()->centerOnGeo(busiest);
        QCOMPARE(settleSubscriptions(s), QString());
        const QList<int> answered = s.subscribedControllers();
        QVERIFY(!answered.isEmpty());

        // Zoomed out beyond the plugin's minimum zoom, then back with controllers that never answer.
        s.view()->setZoom(10);
        QCOMPARE(settleSubscriptions(s), QString());
        QVERIFY(s.subscribedControllers().isEmpty());
        for (int id : s.simulation().plans().keys())
            s.simulation().light(id)->setResponseDelay(3600 * 1000);
        s.view()->setZoom(18);
        s.view()->centerOnGeo(busiest);
        const QString note = settleSubscriptions(s, 1500);
        QVERIFY2(note.contains(QLatin1String("had not answered")), qPrintable(note));
        QVERIFY2(note.contains(QString::number(answered.first())), qPrintable(note));
        QCOMPARE(s.subscribedControllers(), answered);
    }

    void selectingARouteRowSelectsItOnTheMap()
    {
        auto s = open();
        const QString route = s->routeNames().value(0);
        QVERIFY(!route.isEmpty());
        const QModelIndex row = findRow(s->itemModel(), route);
        QVERIFY(row.isValid());
        QItemSelectionModel sel(s->itemModel());
        s->itemModel()->attachSelectionModel(&sel);
        QVERIFY(s->scene()->selectedItems().isEmpty());
        sel.select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QGraphicsItem *item = s->plugin().findItemByName(route);
        QVERIFY(item);
        QVERIFY(item->isSelected());
        sel.clearSelection();
        QVERIFY(!item->isSelected());
    }

    void findAndPulse()
    {
        auto s = open();
        const QString route = s->longestRoute();
        QGraphicsItem *item = s->plugin().findItemByName(route);
        QVERIFY(item);
        QCOMPARE(s->plugin().item2object(item), s->plugin().findObjectByName(route));
        auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item);
        QVERIFY(g);
        s->plugin().pulseItem(item, QColor(255, 0, 255), 300);
        QCOMPARE(g->color(), QColor(255, 0, 255));
        QTRY_VERIFY_WITH_TIMEOUT(!g->hasOverrideColor(), 3000);
        s->plugin().setItemColor(item, Qt::blue);
        QCOMPARE(g->color(), QColor(Qt::blue));
        s->plugin().resetItemColor(item);
        QVERIFY(!g->hasOverrideColor());
        QVERIFY(s->plugin().lastError().isEmpty());
    }

    void settingsDialogOpensAndCloses()
    {
        auto s = open();
        QString title;
        QTimer::singleShot(300, [&] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                title = w->windowTitle();
                if (auto *d = qobject_cast<QDialog *>(w))
                    d->reject();
            }
        });
        s->plugin().showSettingsDialog(s->view());
        QCOMPARE(title, QStringLiteral("Settings for 'Ostrik' plugin"));
    }

    void offlineAndBackOnlineRequestsFreshStates()
    {
        auto s = open();
        const int id = s->subscribedControllers().value(0);
        Corvel::Light *light = s->simulation().light(id);
        QVERIFY(light);
        const int before = light->commandCount();
        s->simulation().setOnline(id, false);
        QVERIFY(!light->isConnected());
        s->simulation().setOnline(id, true);
        // One "GET_GROUP" per signal group when the controller comes back.
        QTRY_COMPARE(light->commandCount(), before + light->groups().size());
        QCOMPARE(light->commands().last().first.toString(), QStringLiteral("GET_GROUP"));
    }

    void statesFollowTheClock()
    {
        auto s = open();
        const int id = s->subscribedControllers().value(0);
        const ControllerPlan plan = s->simulation().plans().value(id);
        Corvel::Light *light = s->simulation().light(id);
        s->simulation().advanceTo(37.3);
        for (int g : light->groups())
            QCOMPARE(light->groupState(g), plan.stateAt(g, 37.3));
    }

    void gpxAndUnload()
    {
        auto s = open();
        QString error;
        QVERIFY2(s->openGpx(sample(QStringLiteral("town-route.gpx")), &error), qPrintable(error));
        QCOMPARE(s->gpxTrackCount(), 1);
        QVERIFY(!s->openGpx(QStringLiteral("/nonexistent.gpx"), &error));
        QVERIFY(error.contains(QLatin1String("does not exist")));
        QCOMPARE(s->gpxTrackCount(), 1);

        QSignalSpy unloaded(s->plugin().instance(), SIGNAL(networksUnloaded()));
        s->unloadAll();
        QCOMPARE(unloaded.count(), 1);
        QCOMPARE(s->gpxTrackCount(), 0);
        QVERIFY(s->networkFiles().isEmpty());
        QVERIFY(s->simulation().plans().isEmpty());
        QVERIFY(s->scene()->items().isEmpty());
        QVERIFY(!s->plugin().findItemByName(QStringLiteral("Main Street out-and-back")));
        // And it loads again.
        QVERIFY2(s->openNetwork(sample(QStringLiteral("town.ostka")), &error), qPrintable(error));
        QCOMPARE(s->networkFiles().size(), 1);
    }

    void timelineOfARoute()
    {
        auto s = open();
        TimelineDiagram d;
        QString error;
        QVERIFY2(s->timeline(s->longestRoute(), 0.0, 0.0, &d, &error), qPrintable(error));
        QVERIFY(!d.bars.isEmpty());
        QVERIFY(d.controllers > 0);
        QVERIFY(d.to - d.from >= 2 * PlanDeriver::Cycle - 1e-9);
        for (const auto &b : d.bars)
            QVERIFY2(b.hasPlan, qPrintable(QStringLiteral("no plan for %1/%2").arg(b.controller).arg(b.group)));
        QVERIFY(!s->timeline(QStringLiteral("Nowhere"), 0.0, 0.0, &d, &error));
        QVERIFY(error.contains(QLatin1String("no route named")));
    }

    void windowActions()
    {
        auto s = open();
        MainWindow window(s.get());
        window.show();
        window.fitNetwork();
        const QRectF all = s->networkBounds();
        QVERIFY(s->view()->visibleGeoRect().contains(all.center()));
        QVERIFY(s->view()->zoom() < 18);
        window.centreOnBusiestJunction(19);
        QCOMPARE(s->view()->zoom(), 19);
        const QPointF c = s->view()->centerGeo();
        QVERIFY(qAbs(c.x() - s->busiestJunction().x()) < 1e-4);
        QVERIFY(qAbs(c.y() - s->busiestJunction().y()) < 1e-4);

        TimelineWindow tl(s.get());
        tl.showRoute(s->longestRoute());
        const TimelineWidget *w = tl.findChild<TimelineWidget *>();
        QVERIFY(w);
        QVERIFY(!w->diagram().bars.isEmpty());
        QCOMPARE(w->diagram().route, s->longestRoute());
        // The window follows the clock: "now" stays inside the shown span.
        s->simulation().advanceTo(400.0);
        tl.show();
        s->simulation().advanceTo(401.0);
        QVERIFY(w->diagram().from <= 401.0 && 401.0 < w->diagram().to);
        // The view goes with the window; the session must not delete it twice.
        s->plugin().release();
    }
};

QTEST_MAIN(TestSession)
#include "tst_session.moc"
