// ostrik-view: the demo host's objects and what it asks of the plugin.
#include "session.h"

#include "hostdefaults.h"
#include "livesumo.h"
#include "mapview.h"
#include "networkclash.h"
#include "plansetup.h"

#include <mirel/itemmodel.h>
#include <mirel/mapscene.h>
#include <ostrika/ostrika.h>

#include <QFileInfo>
#include <QGraphicsItem>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

namespace {

bool checkNetworkFile(const QFileInfo &fi, QString *error)
{
    const QString fileName = fi.filePath();
    if (!fi.exists()) {
        *error = QStringLiteral("network file %1 does not exist").arg(fileName);
        return false;
    }
    if (!fi.isFile() || !fi.isReadable()) {
        *error = QStringLiteral("network file %1 is not a readable file").arg(fileName);
        return false;
    }
    if (fi.suffix().toLower() != QLatin1String("ostka")) {
        *error = QStringLiteral("%1 is not a road network (expected the suffix .ostka)").arg(fileName);
        return false;
    }
    return true;
}

} // namespace

DemoSession::DemoSession(QObject *parent)
    : QObject(parent)
    , m_kernel(new Mirel::Kernel)
    , m_model(new Mirel::ItemModel)
    , m_scene(new Mirel::MapScene)
    , m_sim(new Simulation)
{
    m_kernel->setItemModel(m_model);
    m_view = new MapView(m_scene);
}

DemoSession::~DemoSession()
{
    // SUMO goes first (its vehicles live in the scene), then the plugin, which unloads its
    // networks from the scene it still finds alive.
    delete m_live;
    m_plugin.release();
    for (QGraphicsItem *item : qAsConst(m_gpxItems))
        if (m_scene->items().contains(item))
            delete item;
    delete m_view.data();
    delete m_scene;
    delete m_sim;
    delete m_kernel;
    delete m_model;
}

bool DemoSession::init(const QString &pluginPath, QString *error)
{
    // Before the plugin exists: it reads its settings once, when it is created.
    HostDefaults::seedPluginSettings();
    return m_plugin.load(pluginPath, m_kernel, error);
}

const Ostrika::Network *DemoSession::loadThroughPlugin(const QFileInfo &fi, QList<int> *created, QString *error)
{
    const QString fileName = fi.filePath();
    DemoProject *project = m_sim->project();
    project->learn(true);
    const bool loaded = m_plugin.loadOstrik(fileName, m_scene, project);
    project->learn(false);
    *created = project->createdIds();
    if (!loaded) {
        for (int id : qAsConst(*created))
            project->dropLight(id);
        // Only a file the plugin refused is read by the host, to tell the user why.
        Ostrika::Network probe;
        if (!probe.load(fi.absoluteFilePath(), false))
            *error = QStringLiteral("cannot read network %1: %2").arg(fileName, probe.errorString());
        else
            *error = m_plugin.lastError().isEmpty()
                ? QStringLiteral("the plugin could not load %1 (see its messages above)").arg(fileName)
                : m_plugin.lastError();
        return nullptr;
    }
    const Ostrika::Network *net = loadedNetwork(fi.absoluteFilePath(), project->askedIds());
    if (!net) {
        for (int id : qAsConst(*created))
            project->dropLight(id);
        *error = QStringLiteral("the plugin drew %1, but it cannot be read any more").arg(fileName);
    }
    return net;
}

QString DemoSession::controllerClash(const QFileInfo &fi) const
{
    // Opening a network again reloads it; only the others hold ids against it.
    const QString path = fi.absoluteFilePath();
    QMap<QString, QList<int>> taken;
    for (auto it = m_networks.cbegin(); it != m_networks.cend(); ++it)
        if (it.key() != path && it.value())
            taken.insert(it.key(), NetworkClash::controllerIds(*it.value()));
    if (taken.isEmpty())
        return QString();
    // The plugin cannot take back one network of several: its ids are read before it sees
    // the file. A file that cannot be read is left to the plugin's load, which says why.
    Ostrika::Network probe;
    if (!probe.load(path, false))
        return QString();
    return NetworkClash::check(fi.filePath(), NetworkClash::controllerIds(probe), taken);
}

void DemoSession::remember(const QFileInfo &fi, const Ostrika::Network *net)
{
    const QString path = fi.absoluteFilePath();
    m_networks.insert(path, net);
    m_loadOrder.removeAll(path);
    m_loadOrder.append(path);
}

QString DemoSession::networkOfController(int id) const
{
    return controllerNetworks().value(id);
}

QMap<int, QString> DemoSession::controllerNetworks() const
{
    QMap<int, QString> names;
    for (auto it = m_networks.cbegin(); it != m_networks.cend(); ++it)
        if (it.value())
            for (int id : NetworkClash::controllerIds(*it.value()))
                names.insert(id, QFileInfo(it.key()).fileName());
    return names;
}

QStringList DemoSession::objectNames() const
{
    QSet<QString> names;
    for (const Ostrika::Network *n : networks())
        for (const QObject *o : n->findChildren<QObject *>())
            if (!o->objectName().isEmpty())
                names.insert(o->objectName());
    QStringList sorted = names.values();
    sorted.sort(Qt::CaseInsensitive);
    return sorted;
}

bool DemoSession::openNetwork(const QString &fileName, QString *error, QStringList *notes)
{
    Q_EMIT loading(fileName, 1);
    const auto done = qScopeGuard([&] { Q_EMIT loading(fileName, 0); });
    const QFileInfo fi(fileName);
    if (!checkNetworkFile(fi, error))
        return false;
    *error = controllerClash(fi);
    if (!error->isEmpty())
        return false;
    Q_EMIT loading(fileName, 2);
    QList<int> created;
    const Ostrika::Network *net = loadThroughPlugin(fi, &created, error);
    if (!net)
        return false;
    Q_EMIT loading(fileName, 3);

    QString source;
    SignalPlanSet plans = plansForNetwork(*net, fi.absoluteFilePath(), notes, &source);
    // A controller SUMO drives is never driven by a plan as well.
    for (int id : plans.plans.keys()) {
        if (m_live && m_live->drives(id)) {
            plans.plans.remove(id);
            if (notes)
                notes->append(QStringLiteral("controller %1 of %2 is SUMO's; its fixed-time plan does not run")
                                  .arg(id).arg(fi.fileName()));
        }
    }
    m_sim->addPlans(plans);
    // A controller the host has no plan for is not simulated: the plugin sees it go.
    for (int id : qAsConst(created))
        if (!plans.plans.contains(id))
            m_sim->project()->dropLight(id);
    remember(fi, net);
    m_planSources.append(QStringLiteral("%1: %2").arg(fi.fileName(), source));
    if (notes)
        notes->append(QStringLiteral("signal plans for %1: %2").arg(fi.fileName(), source));
    Q_EMIT networksChanged();
    return true;
}

bool DemoSession::openDrivenNetwork(const QString &fileName,
                                    const std::function<QList<int>(const Ostrika::Network &)> &prepare, QString *error)
{
    const QFileInfo fi(fileName);
    if (!checkNetworkFile(fi, error))
        return false;
    *error = controllerClash(fi);
    if (!error->isEmpty())
        return false;
    QList<int> created;
    const Ostrika::Network *net = loadThroughPlugin(fi, &created, error);
    if (!net)
        return false;
    const QList<int> driven = prepare(*net);
    // A controller the source does not drive stays dark: the plugin sees it go.
    for (int id : qAsConst(created))
        if (!driven.contains(id))
            m_sim->project()->dropLight(id);
    remember(fi, net);
    m_planSources.append(QStringLiteral("%1: live from SUMO").arg(fi.fileName()));
    Q_EMIT networksChanged();
    return true;
}

QList<const Ostrika::Network *> DemoSession::networks() const
{
    QList<const Ostrika::Network *> out;
    for (const auto &n : m_networks)
        if (n)   // the plugin owns them; a network it dropped is skipped
            out << n.data();
    return out;
}

bool DemoSession::isKnown(const Ostrika::Network *net) const
{
    for (const auto &n : m_networks)
        if (n == net)
            return true;
    return false;
}

const Ostrika::Network *DemoSession::loadedNetwork(const QString &path, const QList<int> &controllers)
{
    m_ownCopies.remove(path);
    // Ids shared with a network loaded before may find that one: the first new network counts.
    for (int id : controllers) {
        const auto *g = qobject_cast<const Ostrika::Granule *>(m_plugin.granule(id));
        const Ostrika::Network *net = g ? g->network() : nullptr;
        if (net && !isKnown(net))
            return net;
    }
    // Without a controller of its own the plugin shows no way to its objects; such a network
    // has no plans to run, and the host reads it for its routes and extent.
    auto own = std::make_shared<Ostrika::Network>();
    if (!own->load(path, false))
        return nullptr;
    m_ownCopies.insert(path, own);
    return own.get();
}

LiveSumo *DemoSession::followSumo()
{
    if (!m_live) {
        m_live = new LiveSumo(this);
    }
    return m_live;
}

ControllerSource &DemoSession::source()
{
    if (m_live)
        return m_live->controllers();
    return *m_sim;
}

QString DemoSession::clockText() const
{
    const double t = m_live ? m_live->controllers().time() : m_sim->time();
    const QString clock = QStringLiteral("%1:%2").arg(int(t) / 60, 2, 10, QLatin1Char('0'))
                              .arg(std::fmod(t, 60.0), 4, 'f', 1, QLatin1Char('0'));
    return m_live ? tr("SUMO time %1").arg(clock) : tr("Simulated time %1").arg(clock);
}

QList<int> DemoSession::controllerIds() const
{
    QList<int> ids;
    for (const Corvel::Light *l : m_sim->project()->lights())
        ids << l->id();
    return ids;
}

bool DemoSession::openGpx(const QString &fileName, QString *error)
{
    if (!QFileInfo(fileName).isFile()) {
        *error = QStringLiteral("GPX file %1 does not exist").arg(fileName);
        return false;
    }
    const QList<QGraphicsItem *> before = m_scene->items();
    if (!m_plugin.loadGpxTrack(fileName)) {
        *error = m_networks.isEmpty()
            ? QStringLiteral("cannot draw %1: load a network first (the track goes onto its map)").arg(fileName)
            : QStringLiteral("cannot draw %1: not a readable GPX file with a track").arg(fileName);
        return false;
    }
    // The track arrives without a z-value, below the network's layers; the host lifts it
    // above them so the recorded drive stays visible over the roads.
    qreal top = 0.0;
    QList<QGraphicsItem *> added;
    for (QGraphicsItem *item : m_scene->items()) {
        if (item->parentItem())
            continue;
        if (before.contains(item))
            top = std::max(top, item->zValue());
        else
            added << item;
    }
    for (QGraphicsItem *item : qAsConst(added)) {
        item->setZValue(top + 1.0);
        m_gpxItems.append(item);
    }
    // The host reads the times itself for the diagram; a track without them is only drawn.
    QString noTimes;
    m_drives.add(fileName, &noTimes);
    Q_EMIT networksChanged();
    return true;
}

void DemoSession::unloadAll()
{
    // Following SUMO ends with its network; its controllers go with the project below.
    delete m_live;
    m_live = nullptr;
    m_plugin.unloadAll();
    for (QGraphicsItem *item : qAsConst(m_gpxItems))
        if (m_scene->items().contains(item))
            delete item;
    m_gpxItems.clear();
    m_drives.clear();
    m_networks.clear();
    m_ownCopies.clear();
    m_loadOrder.clear();
    m_planSources.clear();
    m_sim->clear();
    Q_EMIT networksChanged();
}

QList<QPair<QString, const Ostrika::Network *>> DemoSession::networksByFile() const
{
    QList<QPair<QString, const Ostrika::Network *>> out;
    for (auto it = m_networks.cbegin(); it != m_networks.cend(); ++it)
        if (it.value())
            out.append({it.key(), it.value().data()});
    return out;
}

QStringList DemoSession::routeNames(const QString &networkFile) const
{
    QStringList names;
    for (auto n = m_networks.cbegin(); n != m_networks.cend(); ++n) {
        if (!n.value() || (!networkFile.isEmpty() && n.key() != networkFile))
            continue;
        for (const Ostrika::Route *r : n.value()->findChildren<Ostrika::Route *>())
            if (!r->objectName().isEmpty() && !names.contains(r->objectName()))
                names << r->objectName();
    }
    return names;
}

QString DemoSession::longestRoute() const
{
    QString name;
    double best = -1.0;
    for (const Ostrika::Network *n : networks()) {
        for (const Ostrika::Route *r : n->findChildren<Ostrika::Route *>()) {
            if (!r->objectName().isEmpty() && r->polyline().length() > best) {
                best = r->polyline().length();
                name = r->objectName();
            }
        }
    }
    return name;
}

int DemoSession::gpxTrackCount() const
{
    int n = 0;
    for (QGraphicsItem *item : m_gpxItems)
        n += m_scene->items().contains(item) ? 1 : 0;
    return n;
}

QRectF DemoSession::networkBounds() const
{
    QRectF r;
    for (const Ostrika::Network *n : networks()) {
        for (const Ostrika::Node *node : n->findChildren<Ostrika::Node *>()) {
            const QPointF g = n->geoUtil()->xyToGeo(node->position());
            r = r.isNull() ? QRectF(g, QSizeF(1e-9, 1e-9)) : r.united(QRectF(g, QSizeF(1e-9, 1e-9)));
        }
    }
    return r;
}

QPointF DemoSession::busiestJunction() const
{
    int best = -1;
    QPointF at = networkBounds().center();
    for (const Ostrika::Network *n : networks()) {
        for (const Ostrika::Granule *g : n->findChildren<Ostrika::Granule *>()) {
            if (g->tlId() <= 0)
                continue;
            const int weight = g->signalGroups().size() * 100 + g->connections().size();
            if (weight > best) {
                best = weight;
                at = n->geoUtil()->xyToGeo(g->position());
            }
        }
    }
    return at;
}

const Ostrika::Route *DemoSession::hostRoute(const QString &routeName) const
{
    for (const Ostrika::Network *n : networks())
        for (const Ostrika::Route *r : n->findChildren<Ostrika::Route *>())
            if (r->objectName() == routeName)
                return r;
    return nullptr;
}

bool DemoSession::timeline(const QString &routeName, double from, double span, TimelineDiagram *out, QString *error)
{
    QObject *route = m_plugin.findObjectByName(routeName);
    if (!route || !route->inherits("Ostrika::Route")) {
        const QStringList known = routeNames();
        *error = QStringLiteral("no route named \"%1\" in the loaded networks%2").arg(routeName,
            known.isEmpty() ? QString() : QStringLiteral(" (routes: %1)").arg(known.join(QStringLiteral(", "))));
        return false;
    }
    const QVariantMap data = m_plugin.getTimelineData(route);
    // The route's model object tells its shape, junction names and metres.
    const Ostrika::Route *own = hostRoute(routeName);
    const Ostrika::Network *net = own ? own->network() : nullptr;
    double perMetre = 1.0;
    if (net && !own->polyline().isEmpty())
        perMetre = Ostrika::GeoUtil::unitsPerMetre(net->geoUtil()->xyToGeo(own->polyline().constFirst()).y());
    const RouteReading reading = RouteReading::of(own, perMetre);
    const bool defaultSpan = !(span > 0.0);
    if (defaultSpan) {
        // A live controller's plan-file approximation still tells its usual cycle.
        QMap<int, ControllerPlan> cycles = m_sim->plans();
        if (m_live)
            for (const ControllerPlan &p : m_live->approximations())
                cycles.insert(p.controllerId, p);
        span = TimelineDiagram::defaultSpan(data, cycles);
    }
    *out = TimelineDiagram::build(data, m_sim->plans(), reading, from, from + span, routeName);
    if (net) {
        const RouteProjector projector(own->polyline(), *net->geoUtil(), perMetre,
                                       reading.shape() == RouteReading::OutAndBack ? reading.turn() : -1.0);
        const QVector<Trajectory> drives = m_drives.along(projector, out->length, from);
        // A default window grows to show the whole drive (up to half an hour).
        double end = from + span;
        for (const Trajectory &t : drives)
            end = std::max(end, std::min(from + 1800.0, t.points.constLast().x() + 10.0));
        if (defaultSpan && end > from + span)
            *out = TimelineDiagram::build(data, m_sim->plans(), reading, from, end, routeName);
        out->trajectories = drives;
        if (m_live)
            out->trajectories += m_live->trajectories(projector, out->from, out->to);
    }
    addLiveParts(out);
    return true;
}

void DemoSession::addLiveParts(TimelineDiagram *out) const
{
    if (!m_live) {
        out->now = m_sim->time();
        return;
    }
    out->now = m_live->controllers().time();
    for (TimelineDiagram::Bar &b : out->bars) {
        if (!m_live->drives(b.controller))
            continue;
        b.intervals = m_live->history().intervals(b.controller, b.group, out->from, out->to);
        b.hasPlan = true;
        out->live.insert(b.controller);
    }
}

QList<int> DemoSession::subscribedControllers() const
{
    QList<int> ids;
    for (const Corvel::Light *l : m_sim->project()->lights())
        if (l->eventMask() & Corvel::Light::SignalGroupEvents)
            ids << l->id();
    return ids;
}

QStringList DemoSession::summary() const
{
    QStringList out;
    out << QStringLiteral("plugin: %1 (module version %2)").arg(m_plugin.fileName(), m_plugin.moduleVersion());
    QStringList names;
    for (const QString &f : m_networks.keys())
        names << QFileInfo(f).fileName();
    out << QStringLiteral("networks loaded: %1%2").arg(m_networks.size())
               .arg(names.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(names.join(QStringLiteral(", "))));
    const QList<int> subscribed = subscribedControllers();
    const QList<Corvel::Light *> lights = m_sim->project()->lights();
    const int online = int(std::count_if(lights.cbegin(), lights.cend(), [](const Corvel::Light *l) { return l->isConnected(); }));
    const QSet<int> bound = m_sim->project()->boundIds();
    const int driven = m_live ? m_live->controllers().boundControllers().size() : 0;
    const QString kinds = driven > 0 ? QStringLiteral("%1 driven by SUMO%2").arg(driven)
                                           .arg(m_sim->plans().isEmpty() ? QString() : QStringLiteral(", %1 simulated").arg(m_sim->plans().size()))
                                     : QStringLiteral("%1 simulated").arg(m_sim->plans().size());
    out << QStringLiteral("controllers: %1, %2 online, %3 bound by the plugin, %4 subscribed (event mask 0x20)")
               .arg(kinds).arg(online).arg(bound.size()).arg(subscribed.size());
    QMap<int, int> perState;
    int groups = 0;
    for (int id : subscribed) {
        const Corvel::Light *l = m_sim->light(id);
        if (!l || !l->isConnected())
            continue;
        for (int g : l->groups()) {
            ++perState[l->groupState(g)];
            ++groups;
        }
    }
    QStringList states;
    for (auto it = perState.cbegin(); it != perState.cend(); ++it)
        states << QStringLiteral("%1 %2").arg(SignalState::name(it.key())).arg(it.value());
    out << QStringLiteral("signal groups shown: %1%2").arg(groups)
               .arg(states.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(states.join(QStringLiteral(", "))));
    const QStringList routes = routeNames();
    out << QStringLiteral("routes: %1%2").arg(routes.size())
               .arg(routes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(routes.join(QStringLiteral(", "))));
    out << QStringLiteral("GPX tracks: %1").arg(gpxTrackCount());
    if (m_live) {
        const SumoControllers &c = m_live->controllers();
        out << QStringLiteral("SUMO: %1; time %2 s, %3 steps followed, %4 vehicles")
                   .arg(m_live->statusText()).arg(c.time(), 0, 'f', 1).arg(c.stepsApplied()).arg(c.vehicles().size());
    } else {
        out << QStringLiteral("simulation time: %1 s").arg(m_sim->time(), 0, 'f', 1);
    }
    return out;
}
