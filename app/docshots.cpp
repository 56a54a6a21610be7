// ostrik-docshots: the demo host's documentation pictures of the overview, the info panel,
// the controller list and the offline look, made by driving the real window.
//
// ostrik-docshots OUT_DIR [NETWORK.ostka [OVERVIEW_NETWORK.ostka]]
#include "controllerlist.h"
#include "headless.h"
#include "infopanel.h"
#include "mainwindow.h"
#include "mapview.h"
#include "options.h"
#include "session.h"

#include <ostrika/ostrika.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTableView>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

void pumpFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(const QImage &image, const QString &file)
{
    if (image.save(file, "PNG", 0))
        return true;
    QTextStream(stderr) << "ostrik-docshots: cannot write " << file << "\n";
    return false;
}

void click(QWidget *viewport, const QPoint &at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &release);
}

const Ostrika::Granule *busiest(const DemoSession &s)
{
    const Ostrika::Granule *best = nullptr;
    for (const auto &n : s.networksByFile())
        for (const Ostrika::Granule *g : n.second->findChildren<Ostrika::Granule *>())
            if (g->tlId() > 0 && (!best || g->signalGroups().size() > best->signalGroups().size()))
                best = g;
    return best;
}

// One window on \a network; \a shoot takes its pictures.
bool withWindow(const QString &network, const std::function<bool(DemoSession &, MainWindow &)> &shoot)
{
    DemoSession session;
    QString error;
    if (!session.init(QString(), &error) || !session.openNetwork(network, &error)) {
        QTextStream(stderr) << "ostrik-docshots: " << error << "\n";
        return false;
    }
    bool ok = false;
    {
        MainWindow window(&session);
        window.resize(1240, 720);
        window.show();
        pumpFor(200);
        ok = shoot(session, window);
        session.plugin().release();
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pictures show a first run, and never touch the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QApplication::setOrganizationName(QStringLiteral("Ostrik"));
    QApplication::setApplicationName(QStringLiteral("ostrik-view"));
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: ostrik-docshots OUT_DIR [NETWORK.ostka [OVERVIEW_NETWORK.ostka]]\n";
        return 1;
    }
    const QDir out(args.at(1));
    const QString network = args.size() > 2 ? args.at(2) : Options::sampleNetwork();
    const QString overviewNetwork = args.size() > 3 ? args.at(3) : network;

    const bool overview = withWindow(overviewNetwork, [&](DemoSession &s, MainWindow &w) {
        w.fitNetwork();
        if (s.view()->zoom() >= 17)
            s.view()->setZoom(15);
        const QList<int> ids = s.controllerIds();
        if (!ids.isEmpty())
            s.simulation().setOnline(ids.at(ids.size() / 2), false);
        pumpFor(700);
        return save(s.view()->viewport()->grab().toImage(), out.filePath(QStringLiteral("demo-overview.png")));
    });

    const bool inspect = withWindow(network, [&](DemoSession &s, MainWindow &w) {
        const Ostrika::Granule *g = busiest(s);
        if (!g)
            return false;
        // The panel alone on its side, so every group shows.
        if (auto *list = w.findChild<ControllerList *>())
            list->hide();
        w.centreOnBusiestJunction(18);
        s.simulation().advanceTo(20.0);
        settleSubscriptions(s);
        click(s.view()->viewport(), s.view()->mapFromScene(g->network()->geoUtil()->xyToGeo(g->position())));
        pumpFor(300);
        // The map and the panel, without the object tree.
        const QPoint left = s.view()->mapTo(&w, QPoint(0, 0));
        return save(w.grab(QRect(left.x(), 0, w.width() - left.x(), w.height())).toImage(),
                    out.filePath(QStringLiteral("demo-info.png")));
    });

    const bool controllers = withWindow(network, [&](DemoSession &s, MainWindow &w) {
        const Ostrika::Granule *g = busiest(s);
        auto *list = w.findChild<ControllerList *>();
        if (!g || !list)
            return false;
        w.centreOnBusiestJunction(18);
        settleSubscriptions(s);
        s.simulation().setOnline(g->tlId(), false);
        list->filterField()->setText(QStringLiteral("G1"));
        const QModelIndex first = list->table()->model()->index(0, ControllerTableModel::Id);
        if (first.isValid())
            s.simulation().setOnline(first.data().toInt(), false);
        pumpFor(700);
        bool ok = save(list->grab().toImage(), out.filePath(QStringLiteral("demo-controllers.png")));
        // The offline junction with the legend beside it.
        const QRect vp = s.view()->viewport()->rect();
        const QPoint at = s.view()->mapFromScene(g->network()->geoUtil()->xyToGeo(g->position()));
        QRect crop(at.x() - 160, at.y() - 130, 0, 0);
        crop.setRight(vp.right());
        crop.setBottom(vp.bottom());
        ok = save(s.view()->viewport()->grab(crop & vp).toImage(), out.filePath(QStringLiteral("demo-offline.png"))) && ok;
        return ok;
    });
    return overview && inspect && controllers ? 0 : 3;
}
