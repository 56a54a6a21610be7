// The city-sized network of the benchmarks.
#pragma once

#include <QString>

/*!
 * The path of a SUMO grid of \a side x \a side junctions 100 m apart, every fifth one
 * signalised, made with netgenerate and imported with ostka-import (scripts/city-grid.sh) into
 * the build tree's bench-data folder. Made on first use (a minute or so for 100 x 100) and kept.
 * Returns an empty string and sets \a error when SUMO's tools or the import fail.
 */
QString cityGridNetwork(int side, QString *error);
