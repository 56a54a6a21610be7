// SUMO live source: bindings and reference junctions from the host's network and plan file.
#include "networkbindings.h"

#include <signalplan.h>

#include <ostrika/ostrika.h>

#include <QMap>
#include <QSet>

#include <cmath>

namespace NetworkBindings {

QVector<LightBinding> bindings(const Ostrika::Network &network, const SignalPlanSet &plans)
{
    QMap<int, QSet<int>> groupsOf;
    for (const Ostrika::Granule *g : network.findChildren<Ostrika::Granule *>()) {
        if (g->tlId() <= 0)
            continue;
        QSet<int> &groups = groupsOf[g->tlId()];
        for (const Ostrika::SignalGroup *sg : g->signalGroups())
            groups.insert(sg->tlId());
    }
    QVector<LightBinding> out;
    for (auto it = groupsOf.cbegin(); it != groupsOf.cend(); ++it) {
        LightBinding b;
        b.controllerId = it.key();
        b.sumoId = plans.plans.value(it.key()).notes.value(QStringLiteral("sumoId"));
        b.groups = it->size();
        for (int g : *it)
            b.maxGroup = std::max(b.maxGroup, g);
        out << b;
    }
    return out;
}

QVector<ReferencePoint> referencePoints(const Ostrika::Network &network, int max)
{
    QVector<const Ostrika::Node *> nodes;
    double left = 0, right = 0, top = 0, bottom = 0;
    for (const Ostrika::Node *n : network.findChildren<Ostrika::Node *>()) {
        if (n->type() == Ostrika::Node::Hidden || n->objectName().isEmpty() || n->objectName().startsWith(QLatin1Char(':')))
            continue;
        const QPointF p = n->position();
        left = nodes.isEmpty() ? p.x() : std::min(left, p.x());
        right = nodes.isEmpty() ? p.x() : std::max(right, p.x());
        top = nodes.isEmpty() ? p.y() : std::min(top, p.y());
        bottom = nodes.isEmpty() ? p.y() : std::max(bottom, p.y());
        nodes << n;
    }
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    const int side = std::max(1, int(std::sqrt(double(std::max(1, max)))));
    QVector<ReferencePoint> out;
    QSet<const Ostrika::Node *> taken;
    for (int row = 0; row < side; ++row) {
        for (int col = 0; col < side; ++col) {
            const QPointF centre(box.left() + (col + 0.5) * box.width() / side,
                                 box.top() + (row + 0.5) * box.height() / side);
            const Ostrika::Node *best = nullptr;
            double bestD = 0.0;
            for (const Ostrika::Node *n : qAsConst(nodes)) {
                const QPointF d = n->position() - centre;
                const double dd = d.x() * d.x() + d.y() * d.y();
                if (!best || dd < bestD) {
                    best = n;
                    bestD = dd;
                }
            }
            if (best && !taken.contains(best)) {
                taken.insert(best);
                out.append({best->objectName(), network.geoUtil()->xyToGeo(best->position())});
            }
        }
    }
    return out;
}

} // namespace NetworkBindings
