// Host map: the map view.
#pragma once

#include "mirel_export.h"

#include <QGraphicsView>

/*!
 * The host's map view over a scene in geographic coordinates, north up. "zoom" is on the
 * slippy-map scale: zoom z shows 256 * 2^z pixels per 360 degrees of longitude; latitude
 * is stretched by 1 / cos(latitude of the view centre) so that the map is locally true to
 * shape. The wheel zooms by one step about the cursor, dragging with the left button pans.
 * Zoom is clamped to [minimumZoom(), maximumZoom()] = [1, 22].
 */
class MIREL_EXPORT OsmView : public QGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(int zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
public:
    explicit OsmView(QGraphicsScene *scene, QWidget *parent = nullptr);

    int zoom() const { return m_zoom; }
    void setZoom(int zoom);
    static int minimumZoom() { return 1; }
    static int maximumZoom() { return 22; }

    //! Centres the view on a geographic point (longitude, latitude).
    void centerOnGeo(const QPointF &lonLat);
    QPointF centerGeo() const;
    //! The largest zoom at which \a lonLatRect fits into the viewport.
    void fitGeo(const QRectF &lonLatRect);

Q_SIGNALS:
    void zoomChanged(int zoom);
    //! Geographic position under the mouse cursor.
    void cursorMoved(const QPointF &lonLat);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void applyTransform(const QPointF &centre);

    int m_zoom = 17;
};
