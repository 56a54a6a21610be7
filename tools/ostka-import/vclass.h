// ostka-import: SUMO vehicle classes as Ostrika::Lane::VehicleClass bits.
#pragma once

#include <QString>

namespace VClass {

/*!
 * The Ostrika class bits of one SUMO vClass name, 1.x and pre-1.0 names alike
 * (docs/sumo-import.md has the table). "all" gives every bit; a SUMO class without
 * an Ostrika counterpart (aircraft, drone, container, ...) gives 0 and \a known true.
 * \a known false: the name is not a SUMO class at all.
 */
int bitsForName(const QString &name, bool *known);

/*!
 * The classes a lane (or a vehicle type list) admits from SUMO's allow/disallow lists:
 * allow when given, else everything but disallow, else everything. False with the
 * offending name in \a unknown when a list names no SUMO class.
 */
bool permissions(bool hasAllow, const QString &allow, bool hasDisallow, const QString &disallow,
                 int *mask, QString *unknown);

} // namespace VClass
