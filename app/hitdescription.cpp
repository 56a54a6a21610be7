// ostrik-view: tooltip and info-panel texts of what the user points at.
#include "hitdescription.h"

#include "controllerstate.h"

#include <signalplan.h>

#include <corvel/light.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <cmath>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("HitDescription", text);
}

QString nameOf(const Ostrika::NetObject *o)
{
    if (!o)
        return QString();
    return o->objectName().isEmpty() ? QStringLiteral("#%1").arg(o->id()) : o->objectName();
}

QString turnText(double angle)
{
    if (!std::isfinite(angle))
        return QString();
    if (angle < 30.0 || angle > 330.0)
        return tr("straight on");
    if (angle < 150.0)
        return tr("right turn");
    if (angle <= 210.0)
        return tr("U-turn");
    return tr("left turn");
}

// The groups the hit is governed by: a connection's own, a crosswalk's one, or all of a junction's.
QList<const Ostrika::SignalGroup *> groupsOf(const MapHit &hit)
{
    QList<const Ostrika::SignalGroup *> out;
    if (hit.kind == MapHit::Connection && hit.connection) {
        for (const Ostrika::SignalGroup *g : hit.connection->signalGroups())
            out << g;
    } else if (hit.kind == MapHit::Crosswalk && hit.crosswalk && hit.granule) {
        for (const Ostrika::SignalGroup *g : hit.granule->signalGroups())
            if (g->tlId() == hit.crosswalk->signalGroupTlId())
                out << g;
    } else if (hit.granule) {
        for (const Ostrika::SignalGroup *g : hit.granule->signalGroups())
            out << g;
    }
    return out;
}

const Corvel::Light *lightOf(const MapHit &hit, const HitDescription::LightLookup &lookup)
{
    return hit.granule && hit.granule->tlId() > 0 && lookup ? lookup(hit.granule->tlId()) : nullptr;
}

QString controllerLine(const MapHit &hit, const HitDescription::LightLookup &lookup)
{
    if (!hit.granule || hit.granule->tlId() <= 0)
        return tr("no traffic-light controller");
    return tr("controller %1: %2").arg(hit.granule->tlId())
        .arg(controllerStateText(controllerState(lightOf(hit, lookup))));
}

QString laneText(const Ostrika::Lane *lane)
{
    if (!lane)
        return tr("(unknown lane)");
    return tr("%1 lane %2").arg(nameOf(lane->edge())).arg(lane->index());
}

// A light tint of the state's colour behind its name, so a glance over the table reads it.
QString stateTint(int code)
{
    switch (code) {
    case SignalState::Green:
    case SignalState::GreenFlashing:
    case SignalState::GreenFlashingAlt: return QStringLiteral("#bdf0bd");
    case SignalState::Red: return QStringLiteral("#f5c0c0");
    case SignalState::Yellow:
    case SignalState::YellowFlashing: return QStringLiteral("#fff0a0");
    case SignalState::RedYellow: return QStringLiteral("#ffd7a0");
    default: return QStringLiteral("#e6e6e6");
    }
}

} // namespace

QString HitDescription::groupStateText(const Corvel::Light *light, int group)
{
    const ControllerState state = controllerState(light);
    if (state == ControllerState::Missing || state == ControllerState::Offline || !light->groups().contains(group))
        return tr("no state");
    return SignalState::name(light->groupState(group));
}

QString HitDescription::title(const MapHit &hit)
{
    if (!hit.isValid())
        return QString();
    const QString junction = nameOf(hit.granule);
    switch (hit.kind) {
    case MapHit::Junction:
        return tr("Junction \u201c%1\u201d").arg(junction);
    case MapHit::Connection:
        return hit.granule ? tr("Connection \u201c%1\u201d at junction \u201c%2\u201d").arg(nameOf(hit.connection), junction)
                           : tr("Connection \u201c%1\u201d").arg(nameOf(hit.connection));
    case MapHit::Crosswalk:
        return hit.granule ? tr("Crosswalk \u201c%1\u201d at junction \u201c%2\u201d").arg(nameOf(hit.crosswalk), junction)
                           : tr("Crosswalk \u201c%1\u201d").arg(nameOf(hit.crosswalk));
    case MapHit::None:
        break;
    }
    return QString();
}

QString HitDescription::tooltip(const MapHit &hit, const LightLookup &lookup)
{
    if (!hit.isValid())
        return QString();
    QStringList lines{title(hit), controllerLine(hit, lookup)};
    const Corvel::Light *light = lightOf(hit, lookup);
    QStringList groups;
    for (const Ostrika::SignalGroup *g : groupsOf(hit))
        groups << tr("SG %1 %2").arg(g->tlId()).arg(groupStateText(light, g->tlId()));
    if (!groups.isEmpty())
        lines << groups.join(QStringLiteral(", "));
    if (hit.kind == MapHit::Connection)
        lines << tr("%1 \u2192 %2, %3").arg(laneText(hit.connection->startLane()), laneText(hit.connection->endLane()),
                                            turnText(hit.connection->lanesAngle()));
    return lines.join(QLatin1Char('\n'));
}

QString HitDescription::html(const MapHit &hit, const LightLookup &lookup)
{
    if (!hit.isValid())
        return tr("<p>Click a junction, a connection or a crosswalk on the map to see what it is.</p>");
    auto esc = [](const QString &s) { return s.toHtmlEscaped(); };
    QString out = QStringLiteral("<h3>%1</h3><table cellspacing=2>").arg(esc(title(hit)));
    auto row = [&out, &esc](const QString &key, const QString &value) {
        out += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(esc(key), esc(value));
    };
    row(tr("Network"), QFileInfo(hit.network).fileName());
    if (hit.granule)
        row(tr("Junction"), QStringLiteral("%1 (id %2)").arg(nameOf(hit.granule)).arg(hit.granule->id()));
    if (hit.kind == MapHit::Connection) {
        row(tr("Connection"), QStringLiteral("%1 (id %2)").arg(nameOf(hit.connection)).arg(hit.connection->id()));
        row(tr("From"), laneText(hit.connection->startLane()));
        row(tr("To"), laneText(hit.connection->endLane()));
        row(tr("Turn"), turnText(hit.connection->lanesAngle()));
    } else if (hit.kind == MapHit::Crosswalk) {
        row(tr("Crosswalk"), QStringLiteral("%1 (id %2)").arg(nameOf(hit.crosswalk)).arg(hit.crosswalk->id()));
    }
    row(tr("Controller"), controllerLine(hit, lookup));
    out += QStringLiteral("</table>");

    const Corvel::Light *light = lightOf(hit, lookup);
    const QList<const Ostrika::SignalGroup *> groups = groupsOf(hit);
    if (groups.isEmpty())
        return out + tr("<p>No signal group governs it.</p>");
    out += QStringLiteral("<p><b>%1</b></p><table cellspacing=2 cellpadding=2><tr><th align=left>%2</th><th align=left>%3</th>"
                          "<th align=left>%4</th></tr>")
               .arg(hit.kind == MapHit::Junction ? tr("Signal groups") : tr("Governed by"), tr("Group"), tr("Name"),
                    tr("State"));
    for (const Ostrika::SignalGroup *g : groups) {
        const bool known = light && light->isConnected() && light->groups().contains(g->tlId());
        out += QStringLiteral("<tr><td>SG %1</td><td>%2</td><td bgcolor=\"%3\">%4</td></tr>")
                   .arg(g->tlId()).arg(esc(nameOf(g)), stateTint(known ? light->groupState(g->tlId()) : -1),
                                       esc(groupStateText(light, g->tlId())));
    }
    return out + QStringLiteral("</table>");
}
