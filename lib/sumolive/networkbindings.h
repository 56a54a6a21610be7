// SUMO live source: what the host's network says about the lights and junctions SUMO has.
#pragma once

#include "sumotypes.h"

class SignalPlanSet;
namespace Ostrika {
class Network;
}

namespace NetworkBindings {
/*!
 * One binding per controller of \a network (granule controller id > 0): its SUMO id from
 * \a plans (the "sumoId" ostka-import writes; empty when the plan file has none), and how
 * many signal groups the network gives it.
 */
QVector<LightBinding> bindings(const Ostrika::Network &network, const SignalPlanSet &plans);
/*!
 * Up to \a max junctions spread evenly over the network (the one nearest to the centre of
 * each cell of a grid over it), named by their SUMO id, with their longitude/latitude.
 * Hidden (SUMO-internal) nodes are left out.
 */
QVector<ReferencePoint> referencePoints(const Ostrika::Network &network, int max = 49);
}
