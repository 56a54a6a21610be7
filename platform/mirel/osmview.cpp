// Host map: the map view.
#include "osmview.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QtMath>

#include <cmath>

namespace {
constexpr double TileSize = 256.0;
constexpr double MaxLatitude = 85.0511;

double pixelsPerDegree(int zoom)
{
    return TileSize * std::ldexp(1.0, zoom) / 360.0;
}

// Mercator's local north-south stretch at a latitude.
double latitudeStretch(double latitude)
{
    return 1.0 / std::cos(qDegreesToRadians(qBound(-MaxLatitude, latitude, MaxLatitude)));
}
} // namespace

OsmView::OsmView(QGraphicsScene *scene, QWidget *parent) : QGraphicsView(scene, parent)
{
    setDragMode(ScrollHandDrag);
    setTransformationAnchor(AnchorViewCenter);
    setResizeAnchor(AnchorViewCenter);
    setMouseTracking(true);
    applyTransform(scene ? scene->sceneRect().center() : QPointF());
}

void OsmView::setZoom(int zoom)
{
    zoom = qBound(minimumZoom(), zoom, maximumZoom());
    if (zoom == m_zoom)
        return;
    const QPointF centre = centerGeo();
    m_zoom = zoom;
    applyTransform(centre);
    Q_EMIT zoomChanged(m_zoom);
}

void OsmView::centerOnGeo(const QPointF &lonLat)
{
    applyTransform(lonLat);
}

QPointF OsmView::centerGeo() const
{
    return mapToScene(viewport()->rect()).boundingRect().center();
}

void OsmView::fitGeo(const QRectF &lonLatRect)
{
    const QRectF r = lonLatRect.normalized();
    const QSize size = viewport()->size();
    const double stretch = latitudeStretch(r.center().y());
    int zoom = minimumZoom();
    for (int z = maximumZoom(); z > minimumZoom(); --z) {
        const double s = pixelsPerDegree(z);
        if (r.width() * s <= size.width() && r.height() * s * stretch <= size.height()) {
            zoom = z;
            break;
        }
    }
    const bool changed = zoom != m_zoom;
    m_zoom = zoom;
    applyTransform(r.center());
    if (changed)
        Q_EMIT zoomChanged(m_zoom);
}

void OsmView::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    const int zoom = qBound(minimumZoom(), m_zoom + (delta > 0 ? 1 : delta < 0 ? -1 : 0), maximumZoom());
    event->accept();
    if (zoom == m_zoom)
        return;
    // Keep the geographic point under the cursor where it is.
    const QPoint pos = event->position().toPoint();
    const QPointF before = mapToScene(pos);
    m_zoom = zoom;
    applyTransform(centerGeo());
    const QPointF after = mapToScene(pos);
    centerOn(centerGeo() + (before - after));
    Q_EMIT zoomChanged(m_zoom);
}

void OsmView::mouseMoveEvent(QMouseEvent *event)
{
    Q_EMIT cursorMoved(mapToScene(event->pos()));
    QGraphicsView::mouseMoveEvent(event);
}

void OsmView::applyTransform(const QPointF &centre)
{
    const double s = pixelsPerDegree(m_zoom);
    // Negative y scale: latitude grows upwards on screen.
    setTransform(QTransform::fromScale(s, -s * latitudeStretch(centre.y())));
    centerOn(centre);
}
