// A small network with one object of every drawable kind, built through the model API.
#pragma once

#include <ostrika/ostrika.h>

#include <QByteArray>

namespace SmallNet {

// Planar metres at Brno are about 1.53 units; plain round numbers keep the test readable.
inline QByteArray data()
{
    Ostrika::Network net;
    net.geoUtil()->setOrigin(QPointF(16.60, 49.19));
    using L = Ostrika::Lane;
    auto *n1 = net.addNode(1, "J1", QPointF(0, 0), Ostrika::Node::Junction);
    auto *n2 = net.addNode(2, "J2", QPointF(200, 0), Ostrika::Node::Junction);
    auto *n3 = net.addNode(3, "S3", QPointF(400, 0), Ostrika::Node::Split);
    net.addNode(4, "H4", QPointF(200, 60), Ostrika::Node::Hidden);
    auto *e12 = net.addEdge(10, "J2-W-in", n1, n2, { QPointF(20, -3), QPointF(180, -3) });
    auto *e21 = net.addEdge(11, "J1-E-in", n2, n1, { QPointF(180, 3), QPointF(20, 3) });
    auto *e23 = net.addEdge(12, "S3-W-in", n2, n3, { QPointF(220, -3), QPointF(398, -3) });
    auto *l12 = net.addLane(20, "J2-W-in-0", e12, 6, L::GeneralTraffic,
                            { QPointF(20, -3), QPointF(180, -3) });
    net.addLane(21, "J1-E-in-0", e21, 6, L::GeneralTraffic, { QPointF(180, 3), QPointF(20, 3) });
    auto *l23 = net.addLane(22, "S3-W-in-0", e23, 6, L::GeneralTraffic,
                            { QPointF(220, -3), QPointF(398, -3) });
    auto *stop = net.addStopline(30, "J2-W-in-0-stop", l12, QLineF(180, 0, 180, -6));
    auto *g = net.addGranule(40, "G2", 5, QPointF(qQNaN(), qQNaN()));
    g->addNode(n2);
    auto *sg = net.addSignalGroup(41, "SG5.1", g, 1);
    net.addSignalGroup(42, "SG5.21", g, 21);
    auto *c = net.addConnection(50, "J2-W0-E0", l12, l23, stop,
                                { QPointF(180, -3), QPointF(200, -3), QPointF(220, -3) }, g, 0);
    sg->addConnection(c);
    net.addCrossWalk(60, "J2-E-crossing", g, 21, { QPointF(214, 8), QPointF(214, -8) }, 6);
    net.addRoute(70, "Through", { e12, e23 }, L::GeneralTraffic);
    net.addRoute(71, "Back", { e21 }, L::GeneralTraffic);
    return net.toData();
}

} // namespace SmallNet
