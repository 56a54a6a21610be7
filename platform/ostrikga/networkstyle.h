// Ostrikga network graphics: the look of every kind of network object, in one place.
#pragma once

#include "ostrikga_export.h"

#include <QColor>

namespace Ostrikga {

/*!
 * Colours, line widths, sizes and level-of-detail limits of the network drawing. Every
 * drawing of the library reads them from here, so changing the look is a change of values in
 * networkstyle.cpp. Line widths are in device pixels (cosmetic pens); sizes are in metres;
 * "Px" limits compare a width on screen, in pixels.
 *
 * Where an object is drawn in an override colour (GenericGraphicsItem::setColor), that colour
 * takes the place of the object's normal colour; the fixed colours (outlines, paving, the
 * node ring) stay.
 */
struct OSTRIKGA_EXPORT NetworkStyle
{
    // Normal colours of the objects.
    QColor junctionNode;
    QColor deadEndNode;
    QColor splitNode;
    QColor hiddenNode;
    QColor connection;
    QColor edge;
    QColor lane;          // a lane cars use
    QColor sidewalkLane;  // pedestrians only
    QColor bikeLane;      // bicycles (and pedestrians) only
    QColor busLane;       // buses and other privileged classes, no private cars
    QColor railLane;      // rail and tram only
    QColor stopline;
    QColor crosswalk;
    QColor route;
    QColor signalisedGranule; // outline of a junction area with a controller
    QColor plainGranule;

    // Fixed colours.
    QColor nodeRing;     // the marker ring around a node
    QColor laneOutline;  // edges of a lane band
    QColor granulePaving;

    // Line widths, pixels.
    qreal nodeRingWidth;
    qreal connectionLineWidth; // simple view
    qreal edgeWidth;
    qreal laneLineWidth;       // a lane too narrow for its band
    qreal laneOutlineWidth;
    qreal stoplineWidth;
    qreal granuleOutlineWidth;
    qreal routeWidth;
    qreal deadEndWidth;        // outline of the dead-end square
    qreal selectedRouteWidth;

    // Opacity factors applied to the object's colour.
    qreal connectionBandOpacity;  // full view band
    qreal crosswalkBandOpacity;   // crossing drawn as one band
    int selectedRouteAlpha;       // 0..255
    int connectionArrowDarker;    // QColor::darker factor of the direction arrow

    // Sizes, metres.
    double nodeRadius;
    double nodeMarkerRadius;
    double deadEndSize;           // side of the dead-end square
    double connectionBandShare;   // a connection band's width as a share of its lane's
    double defaultLaneWidth;      // a connection without start lane
    double crosswalkStripe;
    double routePickWidth;
    double granulePad;

    // Level of detail: below these on-screen widths the simpler drawing is used.
    qreal laneBandMinPx;          // lane band, else its centre line
    qreal laneOutlineMinPx;       // outline of a lane band, else the band alone
    qreal crosswalkStripeMinPx;   // zebra stripes, else one pale band
    qreal connectionArrowMinPx;   // arrow head of a full-view connection, else none
    qreal bandOverlapMinPx;       // overlapping connection bands deepen, else fill as one

    //! The style every network is drawn with.
    static const NetworkStyle &standard();
};

} // namespace Ostrikga
