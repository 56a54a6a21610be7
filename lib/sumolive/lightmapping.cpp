// SUMO live source: matching SUMO's traffic lights to the network's controllers.
#include "lightmapping.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// libsumo's TrafficLightType values of the signals SUMO drives without a program of its own.
constexpr int RailSignal = 1;
constexpr int RailCrossing = 2;

QString missingText(const SumoLight &light)
{
    if (light.type == RailSignal || light.type == RailCrossing)
        return QStringLiteral("SUMO's %1 \"%2\" is not in the network (ostka-import leaves rail signals and "
                              "crossings to SUMO); it is not shown")
            .arg(light.type == RailSignal ? QStringLiteral("rail signal") : QStringLiteral("rail crossing"), light.id);
    return QStringLiteral("SUMO's traffic light \"%1\" is not in the network; it is not shown").arg(light.id);
}

} // namespace

LightMapping LightMapping::build(const QVector<SumoLight> &sumo, const QVector<LightBinding> &network)
{
    LightMapping out;
    QVector<LightBinding> ordered = network;
    std::sort(ordered.begin(), ordered.end(),
              [](const LightBinding &a, const LightBinding &b) { return a.controllerId < b.controllerId; });

    QHash<QString, LightBinding> byId;
    QStringList controllerNotes;
    for (const LightBinding &b : qAsConst(ordered)) {
        if (b.sumoId.isEmpty()) {
            controllerNotes << QStringLiteral("controller %1 has no SUMO id in its plan file; it stays offline")
                                   .arg(b.controllerId);
            continue;
        }
        const auto it = byId.constFind(b.sumoId);
        if (it != byId.constEnd()) {
            controllerNotes << QStringLiteral("controllers %1 and %2 both name SUMO's traffic light \"%3\"; "
                                              "controller %2 stays offline")
                                   .arg(it->controllerId).arg(b.controllerId).arg(b.sumoId);
            continue;
        }
        byId.insert(b.sumoId, b);
    }

    QSet<QString> seen;
    for (const SumoLight &light : sumo) {
        seen.insert(light.id);
        const auto it = byId.constFind(light.id);
        if (it == byId.constEnd()) {
            out.messages << missingText(light);
            continue;
        }
        if (it->groups != light.links || it->maxGroup != light.links) {
            const QString groups = it->groups == it->maxGroup
                ? QStringLiteral("%1 signal groups").arg(it->groups)
                : QStringLiteral("%1 signal groups numbered up to %2").arg(it->groups).arg(it->maxGroup);
            out.messages << QStringLiteral("traffic light \"%1\": SUMO has %2 links, the network's controller %3 has %4; "
                                           "controller %3 stays offline")
                                .arg(light.id).arg(light.links).arg(it->controllerId).arg(groups);
            continue;
        }
        out.lights.append({light.id, it->controllerId, light.links});
    }
    for (const LightBinding &b : qAsConst(ordered)) {
        if (!b.sumoId.isEmpty() && !seen.contains(b.sumoId) && byId.value(b.sumoId).controllerId == b.controllerId)
            controllerNotes << QStringLiteral("controller %1 (SUMO id \"%2\") is not in SUMO's simulation; it stays offline")
                                   .arg(b.controllerId).arg(b.sumoId);
    }
    out.messages << controllerNotes;
    return out;
}
