// ostka-import: what route and additional files add to the network: programs and routed trips.
#include "sumoextras.h"
#include "sumorouter.h"

bool addPrograms(const RouteCollector &routes, SumoNet *net, ImportSummary *summary, QString *error)
{
    QHash<QString, int> netLights;
    for (const SumoTlLogic &t : qAsConst(net->tlLogics))
        netLights.insert(t.id, t.line);
    for (const SumoTlLogic &t : routes.programs()) {
        const QString element = QStringLiteral("<tlLogic id=\"%1\" programID=\"%2\">").arg(t.id, t.programId);
        if (!netLights.contains(t.id)) {
            *error = QStringLiteral("%1:%2: %3: the network has no traffic light \"%4\"")
                         .arg(t.file).arg(t.line).arg(element, t.id);
            return false;
        }
        for (int i = 0; i < net->tlLogics.size(); ++i) {
            const SumoTlLogic &earlier = net->tlLogics.at(i);
            if (earlier.id != t.id || earlier.programId != t.programId)
                continue;
            summary->warnings << QStringLiteral("%1:%2: %3: replaces the program of the same id and programID "
                                                "at %4:%5 (SUMO itself stops on such a pair)")
                                     .arg(t.file).arg(t.line).arg(element, earlier.file).arg(earlier.line);
            net->tlLogics.remove(i);
            break;
        }
        net->tlLogics.append(t);
        ++summary->programsRead;
    }
    return true;
}

bool routeTrips(const SumoNet &net, RouteCollector *routes, ImportSummary *summary,
                const ProgressFn &progress, QString *error)
{
    if (routes->trips().isEmpty())
        return true;
    const SumoRouter router(net);
    constexpr int ShownSkips = 10;
    const QVector<SumoTrip> trips = routes->trips();
    for (int i = 0; i < trips.size(); ++i) {
        const SumoTrip &t = trips.at(i);
        if (progress && i % 500 == 0)
            progress(QStringLiteral("routing trips"), double(i) / trips.size());
        QStringList edges;
        QString why;
        switch (router.route(t.from, t.to, t.via, t.vclasses, &edges, &why)) {
        case SumoRouter::Result::UnknownEdge:
            *error = QStringLiteral("%1:%2: %3: %4").arg(t.file).arg(t.line).arg(t.element, why);
            return false;
        case SumoRouter::Result::NoPath:
            if (summary->tripsSkipped++ < ShownSkips)
                summary->warnings << QStringLiteral("%1:%2: %3: skipped: %4").arg(t.file).arg(t.line).arg(t.element, why);
            break;
        case SumoRouter::Result::Routed:
            routes->addTripRoute(t, edges);
            ++summary->tripsRouted;
            break;
        }
    }
    if (summary->tripsSkipped > ShownSkips)
        summary->warnings << QStringLiteral("%1 more trips skipped for want of a path")
                                 .arg(summary->tripsSkipped - ShownSkips);
    return true;
}
