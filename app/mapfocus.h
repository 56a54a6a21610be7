// ostrik-view: bringing a part of the map into view.
#pragma once

#include <QPointF>
#include <QRectF>

class MapView;
class QGraphicsScene;

namespace MapFocus {

//! The plugin draws nothing below this zoom (its default minimum zoom).
constexpr int DrawnFromZoom = 17;
//! Closer than this a small object fills the window without telling where it is.
constexpr int ClosestZoom = 19;

/*!
 * Moves \a view so that \a geoRect (longitude/latitude) is seen: unchanged when it already
 * lies inside the visible part at a zoom the network is drawn at; else centred at the closest
 * zoom from DrawnFromZoom to ClosestZoom where it fits (DrawnFromZoom when it fits at none).
 */
void bringIntoView(MapView *view, const QRectF &geoRect);

/*!
 * Draws a ring around \a geo on \a scene that shrinks onto it three times within two
 * seconds and then goes away: the host's own "here it is", seen over any colour. The ring
 * is the scene's child (it goes with the scene if the scene goes first).
 */
void pulseAt(QGraphicsScene *scene, const QPointF &geo);

} // namespace MapFocus
