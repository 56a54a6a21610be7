// ostka-import: writing the network and the plan file, both or neither.
#include "importer.h"

#include <ostrika/network.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace {

QByteArray seconds(qint64 ms)
{
    return QByteArray::number(double(ms) / 1000.0, 'g', 15);
}

QByteArray jsonString(const QString &s)
{
    QByteArray out = "\"";
    for (const QChar c : s) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += '\\' + QString(c).toUtf8();
        else if (c.unicode() < 0x20)
            out += "\\u" + QByteArray::number(c.unicode(), 16).rightJustified(4, '0');
        else
            out += QString(c).toUtf8();
    }
    return out + '"';
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
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                     | QFileDevice::ReadOther);
    return true;
}

} // namespace

QByteArray plansToJson(const QMap<int, ControllerPlanOut> &plans)
{
    QByteArray out = "{\n  \"format\": \"ostrik-signal-plans\",\n  \"version\": 1,\n  \"controllers\": {";
    bool firstCtrl = true;
    for (const ControllerPlanOut &p : plans) {
        out += firstCtrl ? "\n" : ",\n";
        firstCtrl = false;
        out += "    \"" + QByteArray::number(p.controllerId) + "\": {\n      \"sumoId\": " + jsonString(p.sumoId)
            + ",\n      \"program\": " + jsonString(p.programId) + ",\n      \"cycle\": " + seconds(p.cycleMs)
            + ",\n      \"offset\": " + seconds(p.offsetMs) + ",\n      \"groups\": {";
        bool firstGroup = true;
        for (auto g = p.groups.constBegin(); g != p.groups.constEnd(); ++g) {
            out += firstGroup ? "\n" : ",\n";
            firstGroup = false;
            out += "        \"" + QByteArray::number(g.key()) + "\": [";
            for (int i = 0; i < g->size(); ++i)
                out += (i ? ", [" : "[") + QByteArray::number(g->at(i).first) + ", " + seconds(g->at(i).second) + "]";
            out += "]";
        }
        out += firstGroup ? "}\n    }" : "\n      }\n    }";
    }
    out += firstCtrl ? "}\n}\n" : "\n  }\n}\n";
    return out;
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
