// Ostrikga network graphics: the look of every kind of network object, in one place.
#include "networkstyle.h"

namespace Ostrikga {

namespace {

NetworkStyle makeStandard()
{
    NetworkStyle s;
    s.junctionNode = QColor(30, 60, 160);
    // A grey open square: nothing at a road's end may read as a red light.
    s.deadEndNode = QColor(95, 95, 95);
    s.splitNode = QColor(110, 110, 110);
    s.hiddenNode = QColor(190, 190, 190);
    s.connection = QColor(110, 170, 255);
    s.edge = QColor(80, 80, 80);
    s.lane = QColor(125, 125, 125);
    // None of them a signal colour, nor the routes' magenta: pale stone footways and pedestrian
    // zones, dark teal cycle lanes, ochre bus lanes, dark ballast under rails and trams.
    s.sidewalkLane = QColor(214, 208, 196);
    s.bikeLane = QColor(60, 120, 120);
    s.busLane = QColor(150, 115, 70);
    s.railLane = QColor(72, 62, 56);
    s.stopline = QColor(Qt::white);
    s.crosswalk = QColor(245, 245, 245);
    // Thin and faint: many routes on one road must not bury the lanes and the signals.
    s.route = QColor(200, 40, 190, 80);
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
    s.routeWidth = 3;
    s.deadEndWidth = 1.5;
    s.selectedRouteWidth = 8;

    // Nearly opaque, so that a state colour stays itself over the grey paving and over a
    // crossing beneath it (translucent yellow read as olive, red under green as brown).
    s.connectionBandOpacity = 0.9;
    s.crosswalkBandOpacity = 0.85;
    s.selectedRouteAlpha = 235;
    s.connectionArrowDarker = 140;

    s.nodeRadius = 1.2;
    s.nodeMarkerRadius = 3.5;
    s.deadEndSize = 2.0;
    // Narrower than the lane, so the bands of one junction overlap less now that they are opaque.
    s.connectionBandShare = 0.55;
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
