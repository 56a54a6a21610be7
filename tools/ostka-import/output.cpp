// ostka-import: writing the network and the plan file, both or neither.
#include "importer.h"

#include <signalplan.h>

#include <ostrika/network.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

// A temporary file beside the target, so that the rename stays on one file system.
bool writeTemp(const QString &target, const QByteArray &data, QString *tempName, QString *error)
{
    QTemporaryFile f(target + QStringLiteral(".XXXXXX"));
    f.setAutoRemove(false);
    if (!f.open()) {
        *error = QStringLiteral("Cannot write beside \"%1\": %2").arg(target, f.errorString());
        return false;
    }
    *tempName = f.fileName();
    if (f.write(data) != data.size() || !f.flush()) {
        *error = QStringLiteral("Cannot write \"%1\": %2").arg(target, f.errorString());
        f.remove();
        return false;
    }
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                     | QFileDevice::ReadOther);
    return true;
}

} // namespace

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
    if (options.progress)
        options.progress(QStringLiteral("writing"), 0.0);
    const QByteArray netData = network.toData();
    if (netData.isEmpty()) {
        *error = QStringLiteral("Cannot write the network: %1").arg(network.errorString());
        return false;
    }
    const QString netFile = outputBase + QStringLiteral(".ostka");
    const QString planFile = outputBase + QStringLiteral(".plans.json");
    QString netTemp, planTemp;
    if (!writeTemp(netFile, netData, &netTemp, error))
        return false;
    if (!writeTemp(planFile, plansToJson(plans), &planTemp, error)) {
        QFile::remove(netTemp);
        return false;
    }
    // rename(2) replaces an existing file atomically, which QFile::rename does not.
    if (std::rename(QFile::encodeName(netTemp).constData(), QFile::encodeName(netFile).constData()) != 0) {
        *error = QStringLiteral("Cannot create \"%1\"").arg(netFile);
        QFile::remove(netTemp);
        QFile::remove(planTemp);
        return false;
    }
    if (std::rename(QFile::encodeName(planTemp).constData(), QFile::encodeName(planFile).constData()) != 0) {
        *error = QStringLiteral("Cannot create \"%1\"").arg(planFile);
        QFile::remove(planTemp);
        return false;
    }
    return true;
}
