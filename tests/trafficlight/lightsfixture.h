// Shared by the traffic-light tests: a probe into the plugin, signalised junctions built in code,
// a stand-in project and a log capture.
#pragma once

#include "plugin/ostrikgplugin.h"
#include "trafficlight/sgredyellowitem.h"

#include <corvel/response.h>
#include <corvel/light.h>
#include <corvel/notification.h>
#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <mirel/osmview.h>
#include <ostrika/ostrika.h>
#include <ostrikga/genericgraphicsitem.h>
#include <ostrikga/layer.h>
#include <ostrikga/networkg.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include <memory>

// Friend of the plugin: private routines and state that no host call reaches.
class PluginProbe
{
public:
    explicit PluginProbe(OstrikgPlugin *plugin) : p(plugin) {}

    QMap<int, LightEntry *> lights() const { return p->lights; }
    LightEntry *entry(int id) const { return p->lights.value(id, nullptr); }
    QList<QGraphicsItem *> blinkItems() const { return p->blinkItems; }
    int blinkTimerId() const { return p->blinkTimerId; }
    bool blinkOn() const { return p->blinkOn; }
    bool blinkClockValid() const { return p->blinkClock.isValid(); }
    qint64 blinkClockElapsed() const { return p->blinkClock.isValid() ? p->blinkClock.elapsed() : -1; }
    bool processingActive() const { return p->processingActive; }
    bool checkScheduled() const { return p->moveClock.isValid(); }
    int checkTimerId() const { return p->checkTimerId; }
    int minZoom() const { return p->minZoom; }
    bool allowProcessTlEvents() const { return p->allowProcessTlEvents; }
    QMap<QString, Ostrikga::Networkg *> networks() const { return p->networks; }
    QGraphicsObject *layer() const { return p->layer; }
    QGraphicsView *view() const { return p->view; }

    void bind(Ostrikga::Networkg *net, QObject *project, Ostrikga::Layer *layer)
    {
        p->bindControllers(net, project, layer);
    }
    void setProcessing(LightEntry *e, bool on) { p->setLightProcessing(e, on); }
    void setBlinking(QGraphicsItem *item, bool on) { p->setItemBlinking(item, on); }
    void blinkTick() { p->blinkTick(); }
    void checkTick() { p->checkTick(); }
    void check() { p->checkVisibleGranules(); }
    void scheduleCheck() { p->moveClock.start(); }
    void apply(LightEntry *e, const QVariant &data) { p->applyGroupStateData(e, data); }
    void show(GroupItem *g, LightEntry *e, int s) { p->showGroupState(g, e, s); }
    void sync(LightEntry *e, bool online) { p->syncLightState(e, online); }
    void setView(QGraphicsView *v) { p->view = v; }
    void setLayer(QGraphicsObject *l) { p->layer = l; }
    void setZoom(int z) { p->zoom = z; }
    // The master switch alone, without the switching that setAllowProcessTlEvents does.
    void setAllowFlag(bool allow) { p->allowProcessTlEvents = allow; }
    // Takes an entry away as unloading does: switched off, then destroyed.
    void dropEntry(int id)
    {
        LightEntry *e = p->lights.take(id);
        p->setLightProcessing(e, false);
        p->destroyLightEntry(e);
    }
    // Removes every entry (tests that bind without loadOstrik clean up with it).
    void dropAll()
    {
        const QList<int> ids = p->lights.keys();
        for (int id : ids)
            dropEntry(id);
    }

private:
    OstrikgPlugin *p;
};

// Every message through Qt's handler, as the host sees it.
struct LogCapture
{
    LogCapture() { lines().clear(); previous = qInstallMessageHandler(&handler); }
    ~LogCapture() { qInstallMessageHandler(previous); }
    static QStringList &lines()
    {
        static QStringList all;
        return all;
    }
    static int count(const QString &line) { return lines().count(line); }
    static int countContaining(const QString &part)
    {
        int n = 0;
        for (const QString &l : qAsConst(lines()))
            n += l.contains(part) ? 1 : 0;
        return n;
    }
    static void handler(QtMsgType type, const QMessageLogContext &, const QString &msg)
    {
        static const char *const names[] = {"debug", "warning", "critical", "fatal", "info"};
        lines().append(QStringLiteral("%1 %2").arg(QLatin1String(names[type]), msg));
    }
    QtMessageHandler previous = nullptr;
};

// A host project holding any controller objects, subclasses included.
class TestProject : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE Corvel::Light *object(int id) const { return m_lights.value(id).data(); }
    void add(Corvel::Light *light) { m_lights.insert(light->id(), light); }

private:
    QMap<int, QPointer<Corvel::Light>> m_lights;
};

// A controller whose "eventMask" can become unreadable (not convertible to unsigned int).
class OddLight : public Corvel::Light
{
    Q_OBJECT
    Q_PROPERTY(QVariant eventMask READ oddMask WRITE setOddMask)
public:
    using Corvel::Light::Light;
    bool readable = true;
    QVariant oddMask() const
    {
        return readable ? QVariant(eventMask()) : QVariant(QStringLiteral("not a mask"));
    }
    void setOddMask(const QVariant &v) { setEventMask(v.toUInt()); }
    int notificationReceivers() const
    {
        return receivers(SIGNAL(notification(const Notification*)));
    }
    int connectedReceivers() const { return receivers(SIGNAL(connected(bool))); }
};

struct ConnSpec
{
    QList<int> groups;        // signal-group ids governing the connection
    double lanesAngle = 0.0;  // degrees, clockwise turn
    bool stopline = true;
};

struct JunctionSpec
{
    int tlId = 1;
    QPointF centre;           // planar
    QList<ConnSpec> connections;
    QList<int> crosswalkGroups;
    bool withNodes = true;    // false: the granule lists no node, so it has no node item
};

// Builds networks of signalised junctions. Object names: "J<tl>_N" (junction node),
// "J<tl>_C<k>" (connections), "J<tl>_X<k>" (crosswalks).
class NetBuilder
{
public:
    explicit NetBuilder(const QPointF &originGeo = QPointF(13.40, 52.52))
    {
        net.geoUtil()->setOrigin(originGeo);
    }

    bool addJunction(const JunctionSpec &s)
    {
        const QString p = QStringLiteral("J%1_").arg(s.tlId);
        const QPointF c = s.centre;
        auto *j = net.addNode(nextId++, p + "N", c, Ostrika::Node::Junction);
        auto *g = net.addGranule(nextId++, p + "G", s.tlId, QPointF(qQNaN(), qQNaN()));
        if (!j || !g)
            return fail();
        if (s.withNodes)
            g->addNode(j);
        QMap<int, Ostrika::SignalGroup *> groups;
        const int n = s.connections.size();
        for (int k = 0; k < n; ++k) {
            const ConnSpec &cs = s.connections.at(k);
            const double theta = qDegreesToRadians(k < 4 ? 90.0 * k : 90.0 * k + 45.0);
            const QPointF u(std::cos(theta), std::sin(theta));
            const QPointF right(u.y(), -u.x());
            const QPointF a = c - 60 * u;
            const QPointF b = c + 60 * u;
            auto *na = net.addNode(nextId++, p + QStringLiteral("A%1").arg(k), a, Ostrika::Node::DeadEnd);
            auto *nb = net.addNode(nextId++, p + QStringLiteral("B%1").arg(k), b, Ostrika::Node::DeadEnd);
            auto *ein = net.addEdge(nextId++, QString(), na, j, {a, c});
            auto *eout = net.addEdge(nextId++, QString(), j, nb, {c, b});
            if (!na || !nb || !ein || !eout)
                return fail();
            const QPointF startOfConn = c - 5 * u + 1.75 * right;
            auto *lin = net.addLane(nextId++, QString(), ein, 3.5, Ostrika::Lane::GeneralTraffic,
                                    {a + 1.75 * right, startOfConn});
            auto *lout = net.addLane(nextId++, QString(), eout, 3.5, Ostrika::Lane::GeneralTraffic,
                                     {c + 5 * u + 1.75 * right, b + 1.75 * right});
            if (!lin || !lout)
                return fail();
            Ostrika::Stopline *sl = nullptr;
            if (cs.stopline) {
                // Across the lane from its left edge to its right edge.
                sl = net.addStopline(nextId++, QString(), lin,
                                     QLineF(startOfConn - 1.75 * right, startOfConn + 1.75 * right));
                if (!sl)
                    return fail();
            }
            auto *conn = net.addConnection(nextId++, p + QStringLiteral("C%1").arg(k), lin, lout, sl,
                                           {startOfConn, c + 5 * u + 1.75 * right}, g, cs.lanesAngle);
            if (!conn)
                return fail();
            for (int gid : cs.groups) {
                Ostrika::SignalGroup *sg = groups.value(gid, nullptr);
                if (!sg) {
                    sg = net.addSignalGroup(nextId++, p + QStringLiteral("SG%1").arg(gid), g, gid);
                    if (!sg)
                        return fail();
                    groups.insert(gid, sg);
                }
                sg->addConnection(conn);
            }
        }
        for (int k = 0; k < s.crosswalkGroups.size(); ++k) {
            const QPointF y(0, 8 + 2 * k);
            if (!net.addCrossWalk(nextId++, p + QStringLiteral("X%1").arg(k), g,
                                  s.crosswalkGroups.at(k),
                                  {c + y + QPointF(-5, 0), c + y + QPointF(5, 0)}, 3.0))
                return fail();
        }
        return true;
    }

    bool save(const QString &file)
    {
        if (net.save(file))
            return true;
        return fail();
    }

    Ostrika::Network net;
    int nextId = 1;
    QString error;

private:
    bool fail()
    {
        error = net.errorString();
        return false;
    }
};

// A graphics network read from a file into a scene, with its "redSignals" layer, bound
// directly through the probe (no loadOstrik involved).
struct DrawnNet
{
    bool load(QGraphicsScene *scene, const QString &file)
    {
        net.reset(new Ostrikga::Networkg(scene));
        if (!net->load(file))
            return false;
        markers = net->insertLayer(QStringLiteral("redSignals"), QString());
        return markers != nullptr;
    }
    Ostrikga::GenericGraphicsItem *item(const QString &name) const
    {
        auto *obj = net->findChild<Ostrika::NetObject *>(name);
        return obj ? net->object2item(obj) : nullptr;
    }
    std::unique_ptr<Ostrikga::Networkg> net;
    Ostrikga::Layer *markers = nullptr;
};

// The records of one graphics item in an entry, in map order.
inline QList<GroupItem *> recordsOf(const LightEntry *e, const QGraphicsItem *item)
{
    QList<GroupItem *> out;
    for (GroupItem *g : e->groupItems) {
        if (g->item == item)
            out.append(g);
    }
    return out;
}

// Counts of red, yellow and dark pixels of a marker painted on white, filling the image.
struct MarkerPixels
{
    int red = 0;
    int yellow = 0;
    int dark = 0;
};

inline MarkerPixels paintMarker(SgRedYellowItem *m)
{
    QImage img(160, 160, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const QRectF bb = m->boundingRect();
    const double k = 150.0 / qMax(bb.width(), bb.height());
    p.translate(80, 80);
    p.scale(k, k);
    p.translate(-bb.center());
    m->paint(&p, nullptr, nullptr);
    p.end();
    MarkerPixels out;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = img.pixel(x, y);
            if (c == QColor(Qt::red).rgb())
                ++out.red;
            else if (c == QColor(Qt::yellow).rgb())
                ++out.yellow;
            else if (qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100)
                ++out.dark;
        }
    }
    return out;
}

// QPainterPath::contains flattens curves only down to a fixed size in path units, far above
// a marker's size in degrees: test containment on a magnified copy.
inline bool inside(const QPainterPath &path, const QPointF &pt)
{
    const QTransform magnify = QTransform::fromScale(1e6, 1e6);
    return magnify.map(path).contains(magnify.map(pt));
}

// True once every reply the controller created has finished.
inline bool allAnswered(const QObject *light)
{
    const QList<Response *> rs = light->findChildren<Response *>();
    for (const Response *r : rs) {
        if (!r->isFinished())
            return false;
    }
    return true;
}

inline void sandboxSettings(const char *name)
{
    QCoreApplication::setOrganizationName(QStringLiteral("OstrikTests"));
    QCoreApplication::setApplicationName(QString::fromLatin1(name));
}

inline QColor overrideColor(QGraphicsItem *item)
{
    auto *g = dynamic_cast<Ostrikga::GenericGraphicsItem *>(item);
    return g && g->hasOverrideColor() ? g->color() : QColor();
}

// The host around one plugin object, for tests that go through loadOstrik: kernel with an
// item model, map scene and map view. Declared in this order so the plugin goes first.
class LightsHost
{
public:
    LightsHost()
    {
        kernel.setItemModel(&model);
        view.reset(new OsmView(&scene));
        view->resize(800, 600);
        plugin = new OstrikgPlugin;
        plugin->setParent(&kernel);
    }
    ~LightsHost()
    {
        delete plugin;
        view.reset();
    }
    bool load(const QString &file, QObject *project)
    {
        bool ok = false;
        if (!QMetaObject::invokeMethod(plugin, "loadOstrik", Q_RETURN_ARG(bool, ok),
                                       Q_ARG(QString, file), Q_ARG(QGraphicsScene *, &scene),
                                       Q_ARG(QObject *, project)))
            qWarning("loadOstrik could not be called");
        return ok;
    }
    void unload() { QMetaObject::invokeMethod(plugin, "unloadAll"); }
    QGraphicsItem *itemByName(const QString &name)
    {
        QGraphicsItem *item = nullptr;
        QMetaObject::invokeMethod(plugin, "findItemByName", Q_RETURN_ARG(QGraphicsItem *, item),
                                  Q_ARG(QString, name));
        return item;
    }
    // Looks at the planar point \a xy of a network with origin \a originGeo at \a zoom.
    void lookAt(const QPointF &originGeo, const QPointF &xy, int zoom)
    {
        const Ostrika::GeoUtil g(originGeo);
        view->setZoom(zoom);
        view->centerOnGeo(g.xyToGeo(xy));
    }

    Mirel::Kernel kernel;
    Mirel::ItemModel model;
    Mirel::MapScene scene;
    std::unique_ptr<OsmView> view;
    OstrikgPlugin *plugin = nullptr;
};
