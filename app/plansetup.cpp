// ostrik-view: plan file or derived plans for a network.
#include "plansetup.h"

#include "planderiver.h"

#include <ostrika/ostrika.h>

#include <QFileInfo>
#include <QSet>

SignalPlanSet plansForNetwork(const Ostrika::Network &network, const QString &networkFile,
                              QStringList *notes, QString *source)
{
    SignalPlanSet plans;
    const QString planFile = SignalPlanSet::planFileFor(networkFile);
    const SignalPlanSet derived = PlanDeriver::derive(network);
    if (QFileInfo::exists(planFile)) {
        QString why;
        if (plans.load(planFile, &why)) {
            *source = QStringLiteral("plan file %1").arg(QFileInfo(planFile).fileName());
            // Controllers the file does not cover, or covers only in part (a group of the
            // network missing in the file would never change), run a derived plan instead.
            int filled = 0;
            for (const ControllerPlan &p : derived.plans) {
                const auto it = plans.plans.constFind(p.controllerId);
                QStringList missing;
                if (it != plans.plans.constEnd()) {
                    for (int g : p.groups.keys())
                        if (!it->groups.contains(g))
                            missing << QString::number(g);
                    if (missing.isEmpty())
                        continue;
                    if (notes)
                        notes->append(QStringLiteral("plan file: controller %1 lacks groups %2; it runs a derived plan")
                                          .arg(p.controllerId).arg(missing.join(QStringLiteral(", "))));
                }
                plans.plans.insert(p.controllerId, p);
                ++filled;
            }
            if (filled > 0)
                *source += QStringLiteral(" (+%1 derived)").arg(filled);
            QSet<int> controllers;
            for (const Ostrika::Granule *g : network.findChildren<Ostrika::Granule *>())
                controllers.insert(g->tlId());
            for (int id : plans.plans.keys()) {
                if (!controllers.contains(id)) {
                    plans.plans.remove(id);
                    if (notes)
                        notes->append(QStringLiteral("plan file: the network has no controller %1; its plan is ignored").arg(id));
                }
            }
        } else {
            if (notes)
                notes->append(QStringLiteral("ignoring the plan file: %1; using plans derived from the network").arg(why));
            plans = derived;
            *source = QStringLiteral("derived from the network");
        }
    } else {
        plans = derived;
        *source = QStringLiteral("derived from the network");
    }

    return plans;
}
