// SUMO live source: which of SUMO's traffic lights drive which controllers of the network.
#pragma once

#include "sumotypes.h"

/*!
 * Matches SUMO's traffic lights to the network's controllers by SUMO id. A light becomes
 * a slot when exactly one controller names it and the controller's signal groups are
 * numbered 1..links. Everything else gives one message naming the id and is left out,
 * so the rest keeps working:
 * - a light SUMO has and the network lacks (rail signals and rail crossings, which the
 *   importer leaves to SUMO, are called so);
 * - a light whose link count differs from the controller's signal groups;
 * - a controller whose light SUMO does not have, that has no SUMO id, or that names a
 *   light another controller names already (the lower controller id wins).
 * Slots keep SUMO's order; messages come in SUMO's order, then the controllers'.
 */
struct LightMapping
{
    QVector<LightSlot> lights; //!< the lights SUMO drives here, by slot
    QStringList messages;

    static LightMapping build(const QVector<SumoLight> &sumo, const QVector<LightBinding> &network);
};
