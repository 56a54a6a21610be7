// ostrik-view: which network the window and its object tree show, in words.
#pragma once

#include <QString>

class DemoSession;

namespace NetworkTitles {

//! "town.ostka — Ostrik demo host"; with more networks open: "berlin.ostka and 1 more — …".
QString windowTitle(const DemoSession &session);
/*!
 * The line above the object tree: the tree lists the routes of the network opened last only
 * (each load replaces the plugin's section), so it says which one and where all are offered.
 */
QString treeCaption(const DemoSession &session);

} // namespace NetworkTitles
