// ostrik-view: focusing the map on an object.
#include "mapfocus.h"

#include "mapview.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsScene>
#include <QPen>
#include <QVariantAnimation>

#include <cmath>

namespace {

//! A ring of a fixed size on screen whatever the zoom; deletes itself when its animation ends.
class PulseRing : public QGraphicsObject
{
public:
    PulseRing()
    {
        setFlag(ItemIgnoresTransformations);
        setZValue(1e6);
        auto *animation = new QVariantAnimation(this);
        animation->setStartValue(48.0);
        animation->setEndValue(8.0);
        animation->setDuration(650);
        animation->setLoopCount(3);
        connect(animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &v) {
            prepareGeometryChange();
            m_radius = v.toDouble();
        });
        connect(animation, &QVariantAnimation::finished, this, &QObject::deleteLater);
        animation->start();
    }

    QRectF boundingRect() const override { return QRectF(-52.0, -52.0, 104.0, 104.0); }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(Qt::NoBrush);
        // A white halo under the magenta line keeps the ring visible on dark and light roads.
        painter->setPen(QPen(Qt::white, 7.0));
        painter->drawEllipse(QPointF(), m_radius, m_radius);
        painter->setPen(QPen(QColor(230, 0, 230), 3.5));
        painter->drawEllipse(QPointF(), m_radius, m_radius);
    }

private:
    double m_radius = 48.0;
};

} // namespace

void MapFocus::bringIntoView(MapView *view, const QRectF &geoRect)
{
    if (!view)
        return;
    const QRectF r = geoRect.normalized();
    if (view->zoom() >= DrawnFromZoom && view->visibleGeoRect().contains(r))
        return;
    // One zoom change straight to the chosen zoom: passing below the plugin's minimum zoom
    // on the way would hide the network for a moment, and a hidden item loses its selection.
    const QSizeF pixels = view->mapFromScene(r).boundingRect().size();
    const QSize room = view->viewport()->size();
    int zoom = DrawnFromZoom;
    for (int z = ClosestZoom; z > DrawnFromZoom; --z) {
        const double scale = std::ldexp(1.0, z - view->zoom());
        if (pixels.width() * scale <= room.width() && pixels.height() * scale <= room.height()) {
            zoom = z;
            break;
        }
    }
    view->setZoom(zoom);
    view->centerOnGeo(r.center());
}

void MapFocus::pulseAt(QGraphicsScene *scene, const QPointF &geo)
{
    if (!scene)
        return;
    auto *ring = new PulseRing;
    ring->setPos(geo);
    scene->addItem(ring);
}
