// ostrik-view: the light overview the host draws where the plugin draws no network.
#pragma once

#include "controllerstate.h"

#include <QGraphicsObject>
#include <QLineF>
#include <QPixmap>
#include <QVector>

#include <functional>

namespace Corvel {
class Light;
}
namespace Ostrika {
class Network;
}

/*!
 * One scene item over every loaded network. Below the plugin's minimum zoom (where the plugin
 * draws nothing) it paints the road centre lines and a dot per signalised junction,
 * coloured by its controller's state (hintText() says why there is no more). From the minimum zoom on it
 * paints only a mark on each junction whose controller is offline, since the plugin shows
 * an offline junction in the same neutral look as one it does not follow.
 *
 * Everything is read once per setNetworks() into flat arrays in geographic coordinates;
 * painting culls by the exposed rectangle and draws each kind in one call. The item
 * accepts no mouse buttons and has no shape, so dragging, clicking and item look-ups at a
 * point reach the view, the plugin and the network's items.
 */
class OverviewLayer : public QGraphicsObject
{
    Q_OBJECT
public:
    //! Finds the project's controller of an id (null: none).
    using LightLookup = std::function<const Corvel::Light *(int id)>;

    explicit OverviewLayer(LightLookup lookup, QGraphicsItem *parent = nullptr);

    //! Reads the roads and signalised junctions of \a networks (which must outlive the next call).
    void setNetworks(const QList<const Ostrika::Network *> &networks);
    //! The view's zoom (slippy-map scale).
    void setZoom(int zoom);
    //! The zoom from which the plugin draws the network (its setting "minZoom", 17 by default).
    void setMinimumZoom(int zoom);
    int minimumZoom() const { return m_minZoom; }

    //! True while the overview is drawn: a network is loaded and the zoom is below the minimum.
    bool showsOverview() const;
    //! "Zoom in to 17 to see signals" while the overview is drawn, else empty.
    QString hintText() const;
    int roadCount() const { return m_roads.size(); }
    int junctionCount() const { return m_junctions.size(); }

    QRectF boundingRect() const override;
    //! Empty: the item is never "under the cursor" for the scene's item look-ups.
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

private:
    struct Road
    {
        QRectF bounds;
        int first = 0;
        int count = 0;
        bool minor = false; //!< no lane open to road vehicles: paths, rails
    };
    struct Junction
    {
        QPointF geo;
        int controller = 0;
    };

    void paintRoads(QPainter *painter, const QRectF &exposed) const;
    void paintJunctions(QPainter *painter, const QRectF &exposed) const;
    void paintOffline(QPainter *painter, const QRectF &exposed) const;
    static QPixmap dotSprite(ControllerState state, double radius, qreal dpr);

    LightLookup m_lookup;
    QVector<QLineF> m_lines;
    QVector<Road> m_roads;
    QVector<Junction> m_junctions;
    int m_zoom = 17;
    int m_minZoom = 17;
};
