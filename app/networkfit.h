// ostrik-view: which part of the loaded networks "Fit network" shows.
#pragma once

#include <QList>
#include <QPair>
#include <QPointF>
#include <QRectF>
#include <QString>

namespace Ostrika {
class Network;
}

/*!
 * Networks far apart (a town and a city a few hundred kilometres away) would fit only at a
 * zoom where both are specks on an empty map. "Fit network" therefore shows the group of
 * networks the view is on or nearest to: networks whose bounds overlap or lie within their
 * own size of each other form one group.
 */
namespace NetworkFit {

//! Geographic bounds of one network: its nodes and the shapes of its edges; null when empty.
QRectF boundsOf(const Ostrika::Network &network);
//! The bounds to fit, from each network's bounds and the view's centre (longitude, latitude).
QRectF target(const QList<QRectF> &bounds, const QPointF &viewCentre);
//! \a r grown by \a fraction of its size on every side, so that its edges do not touch the view's.
QRectF withMargin(const QRectF &r, double fraction = 0.05);

} // namespace NetworkFit
