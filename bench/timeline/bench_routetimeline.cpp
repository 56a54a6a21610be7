// Route timeline data for a 500-edge out-and-back route through 200 signalised junctions.
#include "testnetwork.h"
#include "timeline/routetimeline.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Spans = 250;        // edges each way
constexpr double Spacing = 40.0;
constexpr int GroupsPerJunction = 8;

// Junction nodes every Spacing along y = 0; each signalised one has side roads north and
// south with their own groups (never matching) besides the two through groups.
Ostrika::Route *buildRoute(TestNetwork &b)
{
    QList<Ostrika::Node *> n;
    for (int i = 0; i <= Spans; ++i)
        n << b.node({i * Spacing, 0});
    QList<Ostrika::Edge *> fwd, back;
    for (int i = 1; i <= Spans; ++i) {
        fwd << b.straight(n.at(i - 1), n.at(i), -5);
        back.prepend(b.straight(n.at(i), n.at(i - 1), 5));
    }
    int signalised = 0;
    for (int i = 1; i < Spans && signalised < 200; ++i) {
        if (i % 5 == 0)
            continue;
        ++signalised;
        Ostrika::Node *j = n.at(i);
        const double x = j->position().x();
        Ostrika::Granule *g = b.granule(j, 1000 + i);
        Ostrika::Edge *fIn = fwd.at(i - 1), *fOut = fwd.at(i);
        Ostrika::Edge *bIn = back.at(Spans - 1 - i), *bOut = back.at(Spans - i);
        Ostrika::Node *north = b.node({x, 30});
        Ostrika::Node *south = b.node({x, -30});
        Ostrika::Edge *nIn = b.straight(north, j, 2), *nOut = b.straight(j, north, -2);
        Ostrika::Edge *sIn = b.straight(south, j, -2), *sOut = b.straight(j, south, 2);
        Ostrika::SignalGroup *through = b.group(g, 1);
        b.connect(through, fIn, fOut, {x - 5, -5});
        b.connect(through, fIn, sOut, {x - 5, -5});
        Ostrika::SignalGroup *ret = b.group(g, 2);
        b.connect(ret, bIn, bOut, {x + 5, 5});
        b.connect(ret, bIn, nOut, {x + 5, 5});
        const QList<QPair<Ostrika::Edge *, Ostrika::Edge *>> side{
            {nIn, sOut}, {nIn, fOut}, {sIn, nOut}, {sIn, bOut}, {nIn, bOut}, {sIn, fOut}};
        for (int k = 0; k < GroupsPerJunction - 2; ++k) {
            Ostrika::SignalGroup *sg = b.group(g, 3 + k);
            b.connect(sg, side.at(k).first, side.at(k).second, {x, 0});
            b.connect(sg, side.at((k + 1) % side.size()).first,
                      side.at((k + 1) % side.size()).second, {x, 0});
        }
    }
    // No shape of its own: the route runs along its edges' centre lines.
    return b.route(fwd + back, {});
}

void routeTimeline(benchmark::State &state)
{
    TestNetwork b;
    Ostrika::Route *route = buildRoute(b);
    if (!b.ok() || route->routeEdgeCount() != 2 * Spans) {
        std::fprintf(stderr, "network not built: %s\n", qPrintable(b.error));
        std::abort();
    }
    const QVariantMap probe = RouteTimeline::routeTimelineData(route);
    if (probe.value(QStringLiteral("sg_data")).toMap().size() != 200) {
        std::fprintf(stderr, "expected 200 controllers\n");
        std::abort();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RouteTimeline::routeTimelineData(route));
}

} // namespace

BENCHMARK(routeTimeline)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
