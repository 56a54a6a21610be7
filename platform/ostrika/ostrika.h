// Ostrika network model: everything at once.
#pragma once

#include "connection.h"
#include "crosswalk.h"
#include "edge.h"
#include "geopolyline.h"
#include "geoutil.h"
#include "granule.h"
#include "lane.h"
#include "netobject.h"
#include "network.h"
#include "node.h"
#include "route.h"
#include "signalgroup.h"
#include "stopline.h"
