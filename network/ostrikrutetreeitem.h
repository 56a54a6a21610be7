// (in progress) The object-tree row of one route.
#pragma once
#include <mirel/objecttreeitem.h>
