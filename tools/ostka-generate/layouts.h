// ostka-generate: the plans of the bundled town and of large benchmark grids.
#pragma once

#include <QString>

namespace Ostrika {
class Network;
}

//! The bundled sample: a small grid town in Brno with 14 signalised junctions and routes.
bool buildTown(Ostrika::Network &network, QString *error);

//! A grid of \a junctions junctions, \a signalised of them with traffic lights, laid out
//! with a reproducible jitter from \a seed.
bool buildGrid(Ostrika::Network &network, int junctions, int signalised, quint32 seed,
               QString *error);
