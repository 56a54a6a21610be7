// ostrik-view: choosing the plans a network's controllers run.
#pragma once

#include "signalplan.h"

#include <QStringList>

namespace Ostrika {
class Network;
}

/*!
 * The plans for the controllers of \a network, read from \a networkFile.
 *
 * The plan file beside the network ("<name>.plans.json") is used when it is valid; a
 * controller it does not list, or lists without every one of the network's groups, runs a
 * derived plan, and plans of controllers the network does not have are dropped. An invalid
 * file is ignored as a whole in favour of derived plans. \a notes receives a line for each
 * of these decisions; \a source says where the plans came from.
 */
SignalPlanSet plansForNetwork(const Ostrika::Network &network, const QString &networkFile,
                              QStringList *notes, QString *source);
