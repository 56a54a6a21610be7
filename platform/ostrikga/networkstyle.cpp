// Ostrikga network graphics: the look of every kind of network object, in one place.
#include "networkstyle.h"

namespace Ostrikga {

namespace {

NetworkStyle makeStandard()
{
    NetworkStyle s;
    s.junctionNode = QColor(30, 60, 160);
    s.deadEndNode = QColor(150, 40, 40);
    s.splitNode = QColor(110, 110, 110);
    s.hiddenNode = QColor(190, 190, 190);
    s.connection = QColor(110, 170, 255);
    s.edge = QColor(80, 80, 80);
    s.lane = QColor(125, 125, 125);
    s.stopline = QColor(Qt::white);
    s.crosswalk = QColor(245, 245, 245);
    s.route = QColor(200, 40, 190, 130);
    s.signalisedGranule = QColor(235, 140, 0);
    s.plainGranule = QColor(150, 150, 150);

    s.nodeRing = QColor(255, 140, 0);
    s.laneOutline = QColor(Qt::white);
    // Paved like the lanes, so the junction reads as one surface.
    s.granulePaving = QColor(112, 112, 112);

    s.nodeRingWidth = 2;
    s.connectionLineWidth = 2;
    s.edgeWidth = 1;
    s.laneLineWidth = 1;
    s.laneOutlineWidth = 1;
    s.stoplineWidth = 3;
    s.granuleOutlineWidth = 1.5;
    s.routeWidth = 5;
    s.selectedRouteWidth = 8;

    s.connectionBandOpacity = 0.45;
    s.crosswalkBandOpacity = 0.6;
    s.selectedRouteAlpha = 235;
    s.connectionArrowDarker = 140;

    s.nodeRadius = 1.2;
    s.nodeMarkerRadius = 3.5;
    s.defaultLaneWidth = 3.0;
    s.crosswalkStripe = 0.5;
    s.routePickWidth = 4.0;
    s.granulePad = 2.0;

    s.laneBandMinPx = 1.5;
    // Two one-pixel outlines would cover a narrower band almost whole, and cost most of its
    // drawing: the lanes of a road then read as one grey surface.
    s.laneOutlineMinPx = 4.0;
    // Narrower stripes would merge into noise: a pale band says "crossing" just as well.
    s.crosswalkStripeMinPx = 1.5;
    s.connectionArrowMinPx = 1.0;
    s.bandOverlapMinPx = 6.0;
    return s;
}

} // namespace

const NetworkStyle &NetworkStyle::standard()
{
    static const NetworkStyle style = makeStandard();
    return style;
}

} // namespace Ostrikga
