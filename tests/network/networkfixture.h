// Shared by the network tests: a stand-in host around the plugin and small networks built in code.
#pragma once

#include "plugin/logging.h"
#include "plugin/ostrikgplugin.h"

#include <corvel/light.h>
#include <corvel/response.h>
#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QDir>
#include <QScrollBar>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>

// Friend of the plugin: the private state that no host call shows.
class PluginProbe
{
public:
    static QMap<QString, Ostrikga::Networkg *> networks(const OstrikgPlugin *p) { return p->networks; }
    static QGraphicsObject *layer(const OstrikgPlugin *p) { return p->layer; }
    static QGraphicsView *view(const OstrikgPlugin *p) { return p->view; }
    static int zoom(const OstrikgPlugin *p) { return p->zoom; }
    static int minZoom(const OstrikgPlugin *p) { return p->minZoom; }
    static QStringList visibleLayers(const OstrikgPlugin *p) { return p->visibleLayers; }
    static bool checkScheduled(const OstrikgPlugin *p) { return p->moveClock.isValid(); }
    static void forgetScheduledCheck(OstrikgPlugin *p) { p->moveClock.invalidate(); }
    static int pulseTimerId(const OstrikgPlugin *p) { return p->pulseTimerId; }
    static int checkTimerId(const OstrikgPlugin *p) { return p->checkTimerId; }
    static int pulseCount(const OstrikgPlugin *p) { return p->pulses.size(); }
    static int lightCount(const OstrikgPlugin *p) { return p->lights.size(); }
    static QObject *lightNetwork(const OstrikgPlugin *p, int id)
    {
        const LightEntry *e = p->lights.value(id);
        return e ? e->network : nullptr;
    }
    static QGraphicsScene *mapScene(const OstrikgPlugin *p) { return p->mapScene; }
};

// The plugin reads its settings at construction: keep them in the test's own sandbox.
inline void useTestSettings()
{
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(QStringLiteral("network"));
}

// Every log line of the plugin, as the host's message handler sees it.
struct LogCapture
{
    LogCapture() { lines().clear(); previous = qInstallMessageHandler(&handler); }
    ~LogCapture() { qInstallMessageHandler(previous); }
    static QStringList &lines()
    {
        static QStringList all;
        return all;
    }
    static QStringList pluginLines()
    {
        QStringList out;
        for (const QString &l : qAsConst(lines())) {
            if (l.contains(QLatin1String("OstrikgPlugin: ")))
                out.append(l);
        }
        return out;
    }
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &msg)
    {
        static const char *const names[] = {"debug", "warning", "critical", "fatal", "info"};
        lines().append(QStringLiteral("%1 %2").arg(QLatin1String(names[type]), msg));
    }
    QtMessageHandler previous = nullptr;
};

// Describes one small network: two junction nodes and a hidden helper node, two edges, a
// signal-controlled granule with one connection, and one route over both edges.
struct NetSpec
{
    QString prefix;          // object names start with it
    QPointF originGeo{13.40, 52.52};
    int tlId = 7;
    int idBase = 0;          // added to every object id
    QString firstNodeName;   // empty: prefix + "A"
    QString signalGroupName; // empty: prefix + "SG1"
};

inline bool buildNetwork(const NetSpec &layout, const QString &fileName, QString *error = nullptr)
{
    Ostrika::Network net;
    net.geoUtil()->setOrigin(layout.originGeo);
    const QString p = layout.prefix;
    const int b = layout.idBase;
    const auto all = Ostrika::Lane::GeneralTraffic;
    auto *a = net.addNode(b + 1, layout.firstNodeName.isEmpty() ? p + "A" : layout.firstNodeName, {0, 0}, Ostrika::Node::Junction);
    auto *m = net.addNode(b + 2, p + "B", {100, 0}, Ostrika::Node::Junction);
    auto *c = net.addNode(b + 3, p + "C", {200, 0}, Ostrika::Node::DeadEnd);
    auto *h = net.addNode(b + 4, p + "H", {50, 50}, Ostrika::Node::Hidden);
    auto *e1 = net.addEdge(b + 10, p + "AB", a, m, {{0, 0}, {100, 0}});
    auto *e2 = net.addEdge(b + 11, p + "BC", m, c, {{100, 0}, {200, 0}});
    auto *l1 = net.addLane(b + 20, p + "AB_0", e1, 3.5, all, {{0, -1.75}, {100, -1.75}});
    auto *l2 = net.addLane(b + 21, p + "BC_0", e2, 3.5, all, {{100, -1.75}, {200, -1.75}});
    auto *s1 = net.addStopline(b + 30, p + "S1", l1, QLineF(QPointF(98, 0), QPointF(98, -3.5)));
    auto *g = net.addGranule(b + 40, p + "G", layout.tlId, QPointF(qQNaN(), qQNaN()));
    auto *sg = g ? net.addSignalGroup(
                     b + 41, layout.signalGroupName.isEmpty() ? p + "SG1" : layout.signalGroupName, g, 1) : nullptr;
    auto *conn = net.addConnection(b + 50, p + "C1", l1, l2, s1, {{98, -1.75}, {102, -1.75}}, g,
                                   qQNaN());
    auto *route = net.addRoute(b + 60, p + "R1", {e1, e2}, all);
    if (!a || !m || !c || !h || !e1 || !e2 || !l1 || !l2 || !s1 || !g || !sg || !conn || !route) {
        if (error)
            *error = net.errorString();
        return false;
    }
    g->addNode(m);
    sg->addConnection(conn);
    if (!net.save(fileName)) {
        if (error)
            *error = net.errorString();
        return false;
    }
    return true;
}

// The host around one plugin object: kernel with item model, map scene and map view.
class Host
{
public:
    explicit Host(bool withModel = true, bool withView = true)
    {
        if (withModel)
            kernel.setItemModel(&model);
        plugin = new OstrikgPlugin;
        plugin->setParent(&kernel);
        if (withView) {
            view.reset(new OsmView(&scene));
            view->resize(400, 300);
        }
    }
    ~Host()
    {
        delete plugin; // unloads while scene, view and model still exist
        view.reset();
    }

    bool load(const QString &file, QObject *project = nullptr)
    {
        bool ok = false;
        const bool called = QMetaObject::invokeMethod(
            plugin, "loadOstrik", Q_RETURN_ARG(bool, ok), Q_ARG(QString, file),
            Q_ARG(QGraphicsScene *, &scene), Q_ARG(QObject *, project));
        if (!called)
            qWarning("loadOstrik could not be called");
        return ok;
    }
    void unload() { QMetaObject::invokeMethod(plugin, "unloadAll"); }

    QObject *findObjectByName(const QString &name)
    {
        QObject *obj = nullptr;
        QMetaObject::invokeMethod(plugin, "findObjectByName", Q_RETURN_ARG(QObject *, obj),
                                  Q_ARG(QString, name));
        return obj;
    }
    QGraphicsItem *findItemByName(const QString &name)
    {
        QGraphicsItem *item = nullptr;
        QMetaObject::invokeMethod(plugin, "findItemByName", Q_RETURN_ARG(QGraphicsItem *, item),
                                  Q_ARG(QString, name));
        return item;
    }

    // The graphics network a loaded object belongs to.
    Ostrikga::Networkg *networkOf(const QString &objectName)
    {
        auto *obj = qobject_cast<Ostrika::NetObject *>(findObjectByName(objectName));
        return obj ? qobject_cast<Ostrikga::Networkg *>(obj->network()) : nullptr;
    }
    static Ostrikga::Layer *layerOf(Ostrikga::Networkg *net, const QString &name)
    {
        return net ? net->layer(name) : nullptr;
    }

    // Names of the layers of \a net that are visible.
    static QStringList shownLayers(Ostrikga::Networkg *net)
    {
        QStringList out;
        if (!net)
            return out;
        const QList<Ostrikga::Layer *> layers = net->layers();
        for (Ostrikga::Layer *l : layers) {
            if (l->isVisible())
                out.append(l->objectName());
        }
        return out;
    }

    // The rows under the plugin's "Routes" sub-section for \a fileName, or an invalid index.
    QModelIndex routesIndex(const QString &fileName) const
    {
        QObject *routes = model.section(QStringLiteral("Road networks/%1/Routes").arg(fileName));
        return routes ? model.indexOf(routes) : QModelIndex();
    }

    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    OstrikgPlugin *plugin = nullptr;
};
