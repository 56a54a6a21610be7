// Fixed-time signal plans and their JSON file.
#include "signalplan.h"

#include <filecheck.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cmath>

namespace {

const char *const FormatName = "ostrik-signal-plans";

constexpr int FormatVersion = 1;
// Durations are written with at most millisecond precision, so sums may differ by rounding.
constexpr double SumTolerance = 1e-3;

// JSON string literal; control characters escaped.
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

bool positiveIntKey(const QString &key, int *value)
{
    bool ok = false;
    const int v = key.toInt(&ok);
    if (!ok || v <= 0 || QString::number(v) != key)
        return false;
    *value = v;
    return true;
}

} // namespace

QString SignalState::name(int code)
{
    switch (code) {
    case Off: return QStringLiteral("off");
    case Green: return QStringLiteral("green");
    case GreenFlashing: return QStringLiteral("green flashing");
    case GreenFlashingAlt: return QStringLiteral("green flashing (alt)");
    case Red: return QStringLiteral("red");
    case Yellow: return QStringLiteral("yellow");
    case RedYellow: return QStringLiteral("red-yellow");
    case YellowFlashing: return QStringLiteral("yellow flashing");
    default: return QStringLiteral("code %1").arg(code);
    }
}

double ControllerPlan::cycleTime(double seconds) const
{
    if (!(cycle > 0.0))
        return 0.0;
    double t = std::fmod(seconds - offset, cycle);
    if (t < 0.0)
        t += cycle;
    return t >= cycle ? 0.0 : t;
}

int ControllerPlan::stateAt(int group, double seconds) const
{
    const auto it = groups.constFind(group);
    if (it == groups.constEnd() || it->isEmpty())
        return SignalState::Off;
    const double t = cycleTime(seconds);
    double start = 0.0;
    for (const PlanPhase &p : *it) {
        if (t < start + p.duration)
            return p.state;
        start += p.duration;
    }
    // Only reachable through rounding at the very end of the cycle.
    return it->constLast().state;
}

QVector<ControllerPlan::Interval> ControllerPlan::intervals(int group, double from, double to) const
{
    QVector<Interval> out;
    const auto it = groups.constFind(group);
    if (it == groups.constEnd() || it->isEmpty() || !(cycle > 0.0) || !(to > from))
        return out;
    // Start of the cycle that contains 'from', in simulation time.
    double cycleStart = from - cycleTime(from);
    while (cycleStart < to) {
        double start = cycleStart;
        for (const PlanPhase &p : *it) {
            const double end = start + p.duration;
            const double a = std::max(start, from);
            const double b = std::min(end, to);
            if (b > a) {
                if (!out.isEmpty() && out.last().state == p.state && std::abs(out.last().end - a) < 1e-9)
                    out.last().end = b;
                else
                    out.append({a, b, p.state});
            }
            start = end;
        }
        cycleStart += cycle;
    }
    return out;
}

QString ControllerPlan::validate() const
{
    if (!std::isfinite(cycle) || cycle <= 0.0)
        return QStringLiteral("controller %1: the cycle must be a positive number of seconds").arg(controllerId);
    if (!std::isfinite(offset))
        return QStringLiteral("controller %1: the offset is not a number").arg(controllerId);
    for (auto it = groups.constBegin(); it != groups.constEnd(); ++it) {
        if (it->isEmpty())
            return QStringLiteral("controller %1, group %2: no phases").arg(controllerId).arg(it.key());
        double sum = 0.0;
        for (const PlanPhase &p : *it) {
            if (!SignalState::isValid(p.state))
                return QStringLiteral("controller %1, group %2: unknown state code %3")
                    .arg(controllerId).arg(it.key()).arg(p.state);
            if (!std::isfinite(p.duration) || p.duration <= 0.0)
                return QStringLiteral("controller %1, group %2: phase durations must be positive")
                    .arg(controllerId).arg(it.key());
            sum += p.duration;
        }
        if (std::abs(sum - cycle) > SumTolerance)
            return QStringLiteral("controller %1, group %2: phases add up to %3 s, the cycle is %4 s")
                .arg(controllerId).arg(it.key()).arg(sum).arg(cycle);
    }
    return QString();
}

bool SignalPlanSet::load(const QString &fileName, QString *error)
{
    QByteArray data;
    if (!FileCheck::readAll(fileName, FileCheck::Kind::SignalPlans, &data, error))
        return false;
    QString why;
    if (!fromJson(data, &why)) {
        *error = QStringLiteral("%1: %2").arg(fileName, why);
        return false;
    }
    return true;
}

bool SignalPlanSet::fromJson(const QByteArray &data, QString *error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &pe);
    if (pe.error != QJsonParseError::NoError) {
        *error = QStringLiteral("not valid JSON at offset %1: %2").arg(pe.offset).arg(pe.errorString());
        return false;
    }
    const QJsonObject root = doc.object();
    if (!doc.isObject() || root.value(QLatin1String("format")).toString() != QLatin1String(FormatName)) {
        *error = QStringLiteral("not a signal plan file (\"format\" must be \"%1\")").arg(QLatin1String(FormatName));
        return false;
    }
    if (root.value(QLatin1String("version")).toInt(-1) != FormatVersion) {
        *error = QStringLiteral("unsupported version (this program reads version %1)").arg(FormatVersion);
        return false;
    }
    const QJsonValue ctrlValue = root.value(QLatin1String("controllers"));
    if (!ctrlValue.isObject()) {
        *error = QStringLiteral("\"controllers\" must be an object");
        return false;
    }
    QMap<int, ControllerPlan> result;
    const QJsonObject ctrls = ctrlValue.toObject();
    for (auto it = ctrls.constBegin(); it != ctrls.constEnd(); ++it) {
        ControllerPlan plan;
        if (!positiveIntKey(it.key(), &plan.controllerId)) {
            *error = QStringLiteral("controller key \"%1\" is not a positive integer").arg(it.key());
            return false;
        }
        const QJsonObject c = it.value().toObject();
        const QJsonValue cycle = c.value(QLatin1String("cycle"));
        if (!cycle.isDouble()) {
            *error = QStringLiteral("controller %1: \"cycle\" is missing or not a number").arg(plan.controllerId);
            return false;
        }
        plan.cycle = cycle.toDouble();
        const QJsonValue offset = c.value(QLatin1String("offset"));
        if (!offset.isUndefined() && !offset.isDouble()) {
            *error = QStringLiteral("controller %1: \"offset\" is not a number").arg(plan.controllerId);
            return false;
        }
        plan.offset = offset.toDouble(0.0);
        const QJsonObject groups = c.value(QLatin1String("groups")).toObject();
        for (auto g = groups.constBegin(); g != groups.constEnd(); ++g) {
            int gid = 0;
            if (!positiveIntKey(g.key(), &gid)) {
                *error = QStringLiteral("controller %1: group key \"%2\" is not a positive integer")
                             .arg(plan.controllerId).arg(g.key());
                return false;
            }
            QVector<PlanPhase> phases;
            const QJsonArray arr = g.value().toArray();
            for (const QJsonValue &pv : arr) {
                const QJsonArray pair = pv.toArray();
                if (pair.size() != 2 || !pair.at(0).isDouble() || !pair.at(1).isDouble()) {
                    *error = QStringLiteral("controller %1, group %2: each phase must be [state code, seconds]")
                                 .arg(plan.controllerId).arg(gid);
                    return false;
                }
                const double code = pair.at(0).toDouble();
                if (code != std::floor(code)) {
                    *error = QStringLiteral("controller %1, group %2: state code %3 is not an integer")
                                 .arg(plan.controllerId).arg(gid).arg(code);
                    return false;
                }
                phases.append({int(code), pair.at(1).toDouble()});
            }
            plan.groups.insert(gid, phases);
        }
        // Text beside the plan (an importer's source ids) is kept, so it is written back.
        for (auto n = c.constBegin(); n != c.constEnd(); ++n)
            if (n.value().isString())
                plan.notes.insert(n.key(), n.value().toString());
        const QString why = plan.validate();
        if (!why.isEmpty()) {
            *error = why;
            return false;
        }
        result.insert(plan.controllerId, plan);
    }
    plans = result;
    return true;
}

QByteArray SignalPlanSet::toJson() const
{
    // Written by hand rather than through QJsonDocument: ids in numeric order and one line
    // per group keep the file readable for whoever tunes the plans.
    auto num = [](double v) { return QByteArray::number(std::round(v * 1000.0) / 1000.0, 'g', 12); };
    QByteArray out = "{\n  \"format\": \"" + QByteArray(FormatName) + "\",\n  \"version\": "
        + QByteArray::number(FormatVersion) + ",\n  \"controllers\": {";
    bool firstCtrl = true;
    for (const ControllerPlan &p : plans) {
        out += firstCtrl ? "\n" : ",\n";
        firstCtrl = false;
        out += "    \"" + QByteArray::number(p.controllerId) + "\": {\n";
        for (auto n = p.notes.constBegin(); n != p.notes.constEnd(); ++n)
            out += "      " + jsonString(n.key()) + ": " + jsonString(n.value()) + ",\n";
        out += "      \"cycle\": " + num(p.cycle)
            + ",\n      \"offset\": " + num(p.offset) + ",\n      \"groups\": {";
        bool firstGroup = true;
        for (auto g = p.groups.constBegin(); g != p.groups.constEnd(); ++g) {
            out += firstGroup ? "\n" : ",\n";
            firstGroup = false;
            out += "        \"" + QByteArray::number(g.key()) + "\": [";
            for (int i = 0; i < g->size(); ++i)
                out += (i ? ", [" : "[") + QByteArray::number(g->at(i).state) + ", " + num(g->at(i).duration) + "]";
            out += "]";
        }
        out += firstGroup ? "}\n    }" : "\n      }\n    }";
    }
    out += firstCtrl ? "}\n}\n" : "\n  }\n}\n";
    return out;
}

bool SignalPlanSet::save(const QString &fileName, QString *error) const
{
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(toJson()) < 0 || !f.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(fileName, f.errorString());
        return false;
    }
    return true;
}

QString SignalPlanSet::planFileFor(const QString &networkFile)
{
    const QFileInfo fi(networkFile);
    return fi.absoluteDir().filePath(fi.completeBaseName() + QStringLiteral(".plans.json"));
}
