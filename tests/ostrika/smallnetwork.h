// Test data: a small junction in the ".ostka" format (the format document shows the same one).
#pragma once

#include <QByteArray>

inline QByteArray smallNetwork()
{
    return QByteArrayLiteral(R"({
  "format": "ostka",
  "version": 1,
  "origin": [13.40495, 52.52008],
  "nodes": [
    {"id": 1, "name": "west", "position": [-100, 0], "type": 2},
    {"id": 2, "name": "centre", "position": [0, 0], "type": 1},
    {"id": 3, "name": "east", "position": [100, 0], "type": 2},
    {"id": 4, "name": "north", "position": [0, 100], "type": 2}
  ],
  "edges": [
    {"id": 10, "name": "Main Street eastbound", "from": 1, "to": 2, "shape": [-100, -3.25, -8, -3.25],
     "lanes": [{"id": 11, "width": 3.5, "allow": "all"},
               {"id": 12, "width": 3, "allow": ["passenger", "motorcycle"]}]},
    {"id": 13, "from": 2, "to": 3, "shape": [8, -1.75, 100, -1.75],
     "lanes": [{"id": 14, "width": 3.5, "allow": ["passenger", "bus"], "shape": [8, -1.75, 100, -1.75]}]},
    {"id": 15, "from": 2, "to": 4, "shape": [1.75, 8, 1.75, 100], "lanes": [{"id": 16, "width": 3.5}]},
    {"id": 17, "from": 3, "to": 2, "shape": [100, 1.75, 8, 1.75], "lanes": [{"id": 18, "width": 3.5}]},
    {"id": 19, "from": 2, "to": 1, "shape": [-8, 1.75, -100, 1.75], "lanes": [{"id": 20, "width": 3.5}]}
  ],
  "stoplines": [
    {"id": 21, "lane": 11},
    {"id": 22, "lane": 12, "line": [-8, 0, -8, -3]},
    {"id": 23, "lane": 18, "line": [8, 0, 8, 3.5]}
  ],
  "granules": [
    {"id": 30, "name": "Main Street / North Road", "tl": 7, "nodes": [2]}
  ],
  "signalGroups": [
    {"id": 31, "name": "K1", "granule": 30, "tl": 1},
    {"id": 32, "name": "K2", "granule": 30, "tl": 2},
    {"id": 33, "name": "P1", "granule": 30, "tl": 3}
  ],
  "connections": [
    {"id": 40, "from": 11, "to": 14, "stopline": 21, "granule": 30, "groups": [31],
     "shape": [-8, -4.75, 8, -1.75]},
    {"id": 41, "from": 12, "to": 16, "stopline": 22, "granule": 30, "groups": [32]},
    {"id": 42, "from": 18, "to": 20, "stopline": 23, "granule": 30, "groups": [31], "lanesAngle": 0},
    {"id": 43, "from": 18, "to": 16, "stopline": 23, "granule": 30, "groups": [32]},
    {"id": 44, "from": 12, "to": 20, "granule": 30, "groups": [32], "exclude_from_route": 51}
  ],
  "crosswalks": [
    {"id": 45, "granule": 30, "sg": 3, "width": 4, "shape": [-12, -7, -12, 7]}
  ],
  "routes": [
    {"id": 50, "name": "Main Street east", "edges": [10, 13], "allow": ["passenger", "bus"]},
    {"id": 51, "name": "Out and back", "edges": [10, 19],
     "shape": [-100, -3.25, -8, -3.25, -8, 1.75, -100, 1.75]}
  ]
}
)");
}
