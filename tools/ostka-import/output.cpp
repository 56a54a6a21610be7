// ostka-import: writing the network and the plan file, both or neither.
#include "importer.h"

#include <filecheck.h>
#include <filepair.h>
#include <signalplan.h>

#include <ostrika/network.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

QByteArray plansToJson(const QMap<int, ControllerPlanOut> &plans)
{
    SignalPlanSet set;
    for (const ControllerPlanOut &p : plans) {
        ControllerPlan plan;
        plan.controllerId = p.controllerId;
        plan.cycle = double(p.cycleMs) / 1000.0;
        plan.offset = double(p.offsetMs) / 1000.0;
        plan.notes.insert(QStringLiteral("sumoId"), p.sumoId);
        plan.notes.insert(QStringLiteral("program"), p.programId);
        for (auto g = p.groups.constBegin(); g != p.groups.constEnd(); ++g) {
            QVector<PlanPhase> &phases = plan.groups[g.key()];
            phases.reserve(g->size());
            for (const auto &step : *g)
                phases.append({step.first, double(step.second) / 1000.0});
        }
        set.plans.insert(plan.controllerId, plan);
    }
    return set.toJson();
}

bool importToFiles(const ImportOptions &options, const QString &outputBase, ImportSummary *summary,
                   QString *error)
{
    Ostrika::Network network;
    QMap<int, ControllerPlanOut> plans;
    if (!importSumo(options, &network, &plans, summary, error))
        return false;
#ifdef __GLIBC__
    // The SUMO network was freed in hundreds of thousands of small pieces that glibc keeps
    // for reuse; the document written next is one large block it would not take them for.
    malloc_trim(0);
#endif
    if (options.progress)
        options.progress(QStringLiteral("writing"), 0.0);
    const QByteArray netData = network.toData();
    if (netData.isEmpty()) {
        *error = QStringLiteral("Cannot write the network: %1").arg(network.errorString());
        return false;
    }
    // A file the readers would refuse is no result.
    if (netData.size() > FileCheck::ceiling(FileCheck::Kind::Network)) {
        *error = QStringLiteral("The network would have %1 bytes, more than the %2 MiB %3 may have")
                     .arg(netData.size()).arg(FileCheck::ceiling(FileCheck::Kind::Network) / FileCheck::MiB)
                     .arg(FileCheck::describe(FileCheck::Kind::Network));
        return false;
    }
    return FilePair::write({{outputBase + QStringLiteral(".ostka"), netData},
                            {outputBase + QStringLiteral(".plans.json"), plansToJson(plans)}},
                           error);
}
