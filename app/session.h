// ostrik-view: everything the demo host owns: kernel, model, map, plugin, controllers.
#pragma once

#include "pluginhost.h"
#include "recordeddrives.h"
#include "simulation.h"
#include "mapview.h"
#include "timelinediagram.h"

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QStringList>

#include <functional>
#include <memory>

class ControllerSource;
class LiveSumo;
class MapView;
class QFileInfo;
class QGraphicsItem;
namespace Mirel {
class ItemModel;
class Kernel;
class MapScene;
}
namespace Ostrika {
class Network;
class Route;
}

/*!
 * The demo host: its kernel (with the item model) is the plugin's parent, its map scene and
 * view are what the plugin draws into, and its project holds one simulated controller per
 * controller id of every loaded network. Each network file is read once, by the plugin: the
 * host learns the controllers from the plugin's binding of them and reads the groups,
 * routes and geometry its plans and views need from the plugin's network objects, found by
 * controller id (the plugin's granule()), which the plugin owns and the host holds weakly.
 * Only a network without controllers, which the plugin shows no way to, is read by the host
 * itself (for its routes and extent), a network opened beside others (its controller ids
 * are checked against theirs before the plugin sees it) and a file the plugin refused (to
 * say why).
 */
class DemoSession : public QObject
{
    Q_OBJECT
public:
    explicit DemoSession(QObject *parent = nullptr);
    ~DemoSession() override;

    //! Loads the plugin (see PluginHost::candidatePaths) and adopts it into the kernel.
    bool init(const QString &pluginPath, QString *error);

    /*!
     * Opens a network: checks the file, hands it to the plugin's loadOstrik and sets up the
     * controllers the plugin bound (plans from "<name>.plans.json" next to it, else derived);
     * a controller without a plan is taken away again. On failure nothing of it stays and
     * \a error says why.
     * \a notes receives remarks for the user (where the plans came from, a bad plan file).
     */
    bool openNetwork(const QString &fileName, QString *error, QStringList *notes = nullptr);
    /*!
     * Opens a network whose controllers another source drives: checked and loaded like
     * openNetwork, but no plans run; \a prepare gets the plugin's network once it is bound and
     * returns the controllers the source drives (it sets them up in the project); the others
     * the plugin bound are taken away again.
     */
    bool openDrivenNetwork(const QString &fileName,
                           const std::function<QList<int>(const Ostrika::Network &)> &prepare, QString *error);
    //! Draws a GPX track through the plugin; the host keeps the item so it can remove it.
    bool openGpx(const QString &fileName, QString *error);
    //! The plugin unloads everything; the host drops its controllers and GPX tracks.
    void unloadAll();

    PluginHost &plugin() { return m_plugin; }
    Simulation &simulation() { return *m_sim; }
    //! Starts following SUMO (once; later calls return the same object).
    LiveSumo *followSumo();
    //! The SUMO source, or null when the controllers run fixed-time plans only.
    LiveSumo *liveSumo() const { return m_live; }
    //! The clock the window shows and runs: SUMO's while following it, else the simulation's.
    ControllerSource &source();
    //! "Simulated time mm:ss.s", or "SUMO time mm:ss.s" while following SUMO.
    QString clockText() const;
    //! Every controller of the project, whichever source drives it.
    QList<int> controllerIds() const;
    Mirel::ItemModel *itemModel() const { return m_model; }
    Mirel::MapScene *scene() const { return m_scene; }
    MapView *view() const { return m_view; }

    QStringList networkFiles() const { return m_networks.keys(); }
    //! Each loaded network with its absolute file name (a network the plugin dropped is left out).
    QList<QPair<QString, const Ostrika::Network *>> networksByFile() const;
    //! The network opened last (absolute path; empty when none): the one whose routes the tree lists.
    QString shownNetwork() const { return m_loadOrder.value(m_loadOrder.size() - 1); }
    //! File name of the open network whose granules use controller \a id (empty: none).
    QString networkOfController(int id) const;
    //! networkOfController() of every controller id the open networks use, in one pass.
    QMap<int, QString> controllerNetworks() const;
    //! Names of every named object of the open networks, sorted, each once.
    QStringList objectNames() const;
    //! Named routes of every open network, or only of the open network \a networkFile (absolute path).
    QStringList routeNames(const QString &networkFile = QString()) const;
    //! Name of the longest named route (empty when there is none).
    QString longestRoute() const;
    int gpxTrackCount() const;
    //! Geographic bounds of all loaded networks (null when none).
    QRectF networkBounds() const;
    //! Geographic centre of the controlled granule with the most signal groups and connections.
    QPointF busiestJunction() const;
    //! Where the plans of each network came from ("plan file ..." / "derived ...").
    QStringList planSources() const { return m_planSources; }

    /*!
     * The time-distance diagram of the named route over [from, from + span) (span <= 0: two
     * cycles, widened to show a whole recorded drive that follows the route), with the opened
     * GPX tracks that follow the route as trajectories starting at \a from. False with
     * \a error when the route is unknown to the plugin or not a route.
     */
    bool timeline(const QString &routeName, double from, double span, TimelineDiagram *out, QString *error);

    //! The headless summary: networks, controllers bound/subscribed, group states shown, routes.
    QStringList summary() const;
    //! Controllers whose event mask has the signal-group bit set by a subscriber.
    QList<int> subscribedControllers() const;

Q_SIGNALS:
    void networksChanged();
    //! A network is being opened: \a stage of 3 (1 reading, 2 drawing, 3 controllers; 0 done, opened or not).
    void loading(const QString &fileName, int stage);

private:
    /*!
     * The plugin loads the file while the project learns which controllers it binds; returns
     * the plugin's network (or the host's own reading of one without controllers), with the
     * controllers made for it in \a created. On failure those are gone again and \a error says why.
     */
    const Ostrika::Network *loadThroughPlugin(const QFileInfo &fi, QList<int> *created, QString *error);
    /*!
     * Empty, or why the network \a fi cannot join the open networks (controller ids taken).
     * With other networks open the host reads the file for its ids before the plugin sees it.
     */
    QString controllerClash(const QFileInfo &fi) const;
    void remember(const QFileInfo &fi, const Ostrika::Network *net);
    //! Adds diagram parts a live source knows: its recorded states and its vehicles.
    void addLiveParts(TimelineDiagram *out) const;
    //! The route's model object in the loaded networks.
    const Ostrika::Route *hostRoute(const QString &routeName) const;
    //! The plugin's network just loaded, found through the controllers it bound (see class).
    const Ostrika::Network *loadedNetwork(const QString &path, const QList<int> &controllers);
    bool isKnown(const Ostrika::Network *net) const;
    QList<const Ostrika::Network *> networks() const;

    Mirel::Kernel *m_kernel;
    Mirel::ItemModel *m_model;
    Mirel::MapScene *m_scene;
    QPointer<MapView> m_view;
    Simulation *m_sim;
    LiveSumo *m_live = nullptr;
    PluginHost m_plugin;
    QMap<QString, QPointer<const Ostrika::Network>> m_networks;
    QMap<QString, std::shared_ptr<Ostrika::Network>> m_ownCopies; // networks without controllers
    QStringList m_loadOrder;
    QList<QGraphicsItem *> m_gpxItems;
    RecordedDrives m_drives;
    QStringList m_planSources;
};
