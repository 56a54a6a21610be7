// ostka-renumber: new controller ids for a network and its plan file, both together.
#include "renumber.h"
#include "jsonspans.h"

#include <filecheck.h>
#include <filepair.h>
#include <signalplan.h>

#include <ostrika/granule.h>
#include <ostrika/network.h>

#include <cmath>
#include <limits>

namespace {

constexpr qint64 MaxId = std::numeric_limits<int>::max();

// Granule id -> controller id, as the network library reads the document.
bool controllersOf(const QByteArray &document, QMap<int, int> *controllers, QString *error)
{
    Ostrika::Network net;
    if (!net.loadFromData(document)) {
        *error = net.errorString();
        return false;
    }
    controllers->clear();
    const QList<Ostrika::Granule *> granules = net.findChildren<Ostrika::Granule *>();
    for (const Ostrika::Granule *g : granules)
        controllers->insert(g->id(), g->tlId());
    return true;
}

// Replaces the spans (in ascending order) by the texts.
QByteArray replaced(const QByteArray &text, const QVector<JsonSpans::Span> &spans, const QVector<QByteArray> &with)
{
    QByteArray out;
    out.reserve(text.size() + spans.size() * 4);
    int at = 0;
    for (int i = 0; i < spans.size(); ++i) {
        out += text.mid(at, spans.at(i).begin - at) + with.at(i);
        at = spans.at(i).end;
    }
    return out + text.mid(at);
}

} // namespace

bool ControllerRenumbering::renumberNetwork(const QByteArray &network, QByteArray *out, QString *error)
{
    QMap<int, int> before;
    if (!controllersOf(network, &before, error))
        return false;
    m_lowest = std::numeric_limits<int>::max();
    m_highest = 0;
    for (int tl : qAsConst(before)) {
        if (tl > 0) {
            m_lowest = std::min(m_lowest, tl);
            m_highest = std::max(m_highest, tl);
        }
    }
    if (m_highest == 0) {
        *error = QStringLiteral("the network has no controller to renumber");
        return false;
    }
    if (m_first < 1) {
        *error = QStringLiteral("the first controller id must be 1 or more");
        return false;
    }
    m_shift = qint64(m_first) - m_lowest;
    if (m_highest + m_shift > MaxId) {
        *error = QStringLiteral("the controller ids %1 to %2 would end at %3, past %4")
                     .arg(m_lowest).arg(m_highest).arg(m_highest + m_shift).arg(MaxId);
        return false;
    }
    QVector<JsonSpans::Span> spans;
    if (!JsonSpans::memberValues(network, QStringLiteral("granules"), QStringLiteral("tl"), &spans, error))
        return false;
    QVector<JsonSpans::Span> changed;
    QVector<QByteArray> texts;
    for (const JsonSpans::Span &s : qAsConst(spans)) {
        const double tl = network.mid(s.begin, s.end - s.begin).toDouble();
        if (tl <= 0) // 0 or less: no controller
            continue;
        changed.append(s);
        texts.append(QByteArray::number(qint64(tl) + m_shift));
    }
    *out = replaced(network, changed, texts);
    // Read back: every granule keeps its id and moves its controller id, nothing else differs.
    QMap<int, int> after;
    if (!controllersOf(*out, &after, error))
        return false;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (*it > 0)
            *it += int(m_shift);
    }
    if (after != before) {
        *error = QStringLiteral("the network's controller ids could not be told apart from the rest of the file");
        return false;
    }
    return true;
}

bool ControllerRenumbering::renumberPlans(const QByteArray &plans, QByteArray *out, QString *error) const
{
    SignalPlanSet before;
    if (!before.fromJson(plans, error))
        return false;
    QVector<JsonSpans::Span> keys;
    if (!JsonSpans::objectKeys(plans, QStringLiteral("controllers"), &keys, error))
        return false;
    QVector<QByteArray> texts;
    for (const JsonSpans::Span &k : qAsConst(keys)) {
        const QString key = JsonSpans::stringAt(plans, k);
        const qint64 id = key.toLongLong() + m_shift;
        if (id < 1 || id > MaxId) {
            *error = QStringLiteral("the plan of controller %1 would get the id %2, outside 1 to %3")
                         .arg(key).arg(id).arg(MaxId);
            return false;
        }
        texts.append("\"" + QByteArray::number(id) + "\"");
    }
    *out = replaced(plans, keys, texts);
    SignalPlanSet after;
    if (!after.fromJson(*out, error))
        return false;
    bool same = after.plans.size() == before.plans.size();
    for (auto it = before.plans.constBegin(); same && it != before.plans.constEnd(); ++it) {
        const ControllerPlan &p = after.plans.value(int(it.key() + m_shift));
        same = p.controllerId == it.key() + m_shift && p.cycle == it->cycle && p.offset == it->offset
            && p.groups.keys() == it->groups.keys();
    }
    if (!same) {
        *error = QStringLiteral("the plan file's controller ids could not be told apart from the rest of the file");
        return false;
    }
    return true;
}

bool renumberFiles(const RenumberRequest &request, ControllerRenumbering *renumbering, QStringList *written,
                   QString *error)
{
    QByteArray network, plans, newNetwork, newPlans;
    if (!FileCheck::readAll(request.network, FileCheck::Kind::Network, &network, error))
        return false;
    if (!renumbering->renumberNetwork(network, &newNetwork, error)) {
        *error = QStringLiteral("%1: %2").arg(request.network, *error);
        return false;
    }
    const QString &base = request.outputBase;
    QVector<FilePair::Output> outputs{{base.isEmpty() ? request.network : base + QStringLiteral(".ostka"), newNetwork}};
    if (!request.plans.isEmpty()) {
        if (!FileCheck::readAll(request.plans, FileCheck::Kind::SignalPlans, &plans, error))
            return false;
        if (!renumbering->renumberPlans(plans, &newPlans, error)) {
            *error = QStringLiteral("%1: %2").arg(request.plans, *error);
            return false;
        }
        outputs.append({base.isEmpty() ? request.plans : base + QStringLiteral(".plans.json"), newPlans});
    }
    if (!FilePair::write(outputs, error))
        return false;
    written->clear();
    for (const FilePair::Output &o : qAsConst(outputs))
        written->append(o.first);
    return true;
}
