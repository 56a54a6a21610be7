// ostka-import: writing the network and the plan file, both or neither.
#include "importer.h"

#include <signalplan.h>

#include <ostrika/network.h>

#include <filecheck.h>

#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray encoded(const QString &file)
{
    return QFile::encodeName(file);
}

// An output keeps the mode of the file it replaces; a new one gets what the umask leaves of 0666.
mode_t outputMode(const QString &target)
{
    struct stat st;
    if (::stat(encoded(target).constData(), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

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
    if (::fchmod(f.handle(), outputMode(target)) != 0) {
        *error = QStringLiteral("Cannot set the mode of \"%1\": %2").arg(target, systemError());
        f.remove();
        return false;
    }
    return true;
}

// A second name for the earlier \a file, so that it can be put back; none when there is none.
bool keepEarlier(const QString &file, QString *backup, QString *error)
{
    backup->clear();
    struct stat st;
    if (::lstat(encoded(file).constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return true;
    QTemporaryFile reserve(file + QStringLiteral(".XXXXXX"));
    if (!reserve.open()) {
        *error = QStringLiteral("Cannot write beside \"%1\": %2").arg(file, reserve.errorString());
        return false;
    }
    const QString name = reserve.fileName();
    reserve.remove();
    // A hard link keeps the file where it is; moving it aside is the fallback.
    if (::link(encoded(file).constData(), encoded(name).constData()) != 0
            && std::rename(encoded(file).constData(), encoded(name).constData()) != 0) {
        *error = QStringLiteral("Cannot keep the earlier \"%1\": %2").arg(file, systemError());
        return false;
    }
    *backup = name;
    return true;
}

// rename(2) replaces an existing file atomically, which QFile::rename does not.
bool replace(const QString &temp, const QString &target, QString *error)
{
    if (std::rename(encoded(temp).constData(), encoded(target).constData()) == 0)
        return true;
    *error = QStringLiteral("Cannot create \"%1\": %2").arg(target, systemError());
    QFile::remove(temp);
    return false;
}

void putBack(const QString &backup, const QString &target)
{
    if (backup.isEmpty())
        QFile::remove(target);
    else
        std::rename(encoded(backup).constData(), encoded(target).constData());
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
    if (netData.size() > FileCheck::ceiling(FileCheck::Kind::Network)) {
        *error = QStringLiteral("The network would have %1 bytes, more than the %2 MiB %3 may have")
                     .arg(netData.size()).arg(FileCheck::ceiling(FileCheck::Kind::Network) / FileCheck::MiB)
                     .arg(FileCheck::describe(FileCheck::Kind::Network));
        return false;
    }
    const QString netFile = outputBase + QStringLiteral(".ostka");
    const QString planFile = outputBase + QStringLiteral(".plans.json");
    QString netTemp, planTemp, backup;
    if (!writeTemp(netFile, netData, &netTemp, error))
        return false;
    if (!writeTemp(planFile, plansToJson(plans), &planTemp, error)) {
        QFile::remove(netTemp);
        return false;
    }
    // The earlier network stays reachable until the plan file is in place too.
    if (!keepEarlier(netFile, &backup, error)) {
        QFile::remove(netTemp);
        QFile::remove(planTemp);
        return false;
    }
    if (!replace(netTemp, netFile, error)) {
        QFile::remove(planTemp);
        if (!backup.isEmpty())
            std::rename(encoded(backup).constData(), encoded(netFile).constData());
        return false;
    }
    if (!replace(planTemp, planFile, error)) {
        putBack(backup, netFile);
        return false;
    }
    if (!backup.isEmpty())
        QFile::remove(backup);
    return true;
}
