// ostka-import: what route and additional files add to the network: programs and routed trips.
#pragma once

#include "importer.h"

/*!
 * Adds the programs of \a routes to \a net after its own, as SUMO loads them; a light then
 * runs the program loaded last. A program with the id and programID of an earlier one
 * replaces it with a warning (SUMO itself stops on such a pair). False with
 * "FILE:LINE: <tlLogic ...>: ..." for a program of a light the network has no program for.
 */
bool addPrograms(const RouteCollector &routes, SumoNet *net, ImportSummary *summary, QString *error);

/*!
 * Gives each trip of \a routes its route along the fastest path (SumoRouter). A trip without
 * a path is skipped with a warning (the first ten named, then a count); false with
 * "FILE:LINE: <trip ...>: ..." for a trip naming an edge the network does not have.
 */
bool routeTrips(const SumoNet &net, RouteCollector *routes, ImportSummary *summary,
                const ProgressFn &progress, QString *error);
