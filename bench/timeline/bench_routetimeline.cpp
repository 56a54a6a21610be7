// Route timeline data for out-and-back routes (their ends meet: a loop to the timeline) of
// 500, 4,000 and 16,000 edges through 200 signalised junctions, and of 16,000 edges with
// four junctions in five signalised (6,400); and for 4,000 laps (16,000 edges) of a ring.
#include "testnetwork.h"
#include "timeline/routetimeline.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr double Spacing = 40.0;
constexpr int GroupsPerJunction = 8;

// Junction nodes every Spacing along y = 0; each signalised one has side roads north and
// south with their own groups (never matching) besides the two through groups.
Ostrika::Route *buildRoute(TestNetwork &b, int spans, int maxSignalised)
{
    QList<Ostrika::Node *> n;
    for (int i = 0; i <= spans; ++i)
        n << b.node({i * Spacing, 0});
    QList<Ostrika::Edge *> fwd, back;
    for (int i = 1; i <= spans; ++i) {
        fwd << b.straight(n.at(i - 1), n.at(i), -5);
        back.prepend(b.straight(n.at(i), n.at(i - 1), 5));
    }
    int signalised = 0;
    for (int i = 1; i < spans && signalised < maxSignalised; ++i) {
        if (i % 5 == 0)
            continue;
        ++signalised;
        Ostrika::Node *j = n.at(i);
        const double x = j->position().x();
        Ostrika::Granule *g = b.granule(j, 1000 + i);
        Ostrika::Edge *fIn = fwd.at(i - 1), *fOut = fwd.at(i);
        Ostrika::Edge *bIn = back.at(spans - 1 - i), *bOut = back.at(spans - i);
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

// Arguments: edges each way, signalised junctions.
void routeTimeline(benchmark::State &state)
{
    const int spans = int(state.range(0));
    const int signalised = int(state.range(1));
    TestNetwork b;
    Ostrika::Route *route = buildRoute(b, spans, signalised);
    if (!b.ok() || route->routeEdgeCount() != 2 * spans) {
        std::fprintf(stderr, "network not built: %s\n", qPrintable(b.error));
        std::abort();
    }
    const QVariantMap probe = RouteTimeline::routeTimelineData(route);
    if (probe.value(QStringLiteral("sg_data")).toMap().size() != signalised
        || !probe.contains(QStringLiteral("med"))) {
        std::fprintf(stderr, "expected %d controllers and a dividing line\n", signalised);
        std::abort();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RouteTimeline::routeTimelineData(route));
}

// Argument: laps of a 100 m ring of four edges with two controllers.
void routeTimelineLaps(benchmark::State &state)
{
    const int laps = int(state.range(0));
    TestNetwork b;
    QList<Ostrika::Node *> n;
    n << b.node({0, 0}) << b.node({100, 0}) << b.node({100, 100}) << b.node({0, 100});
    QList<Ostrika::Edge *> ring;
    for (int i = 0; i < 4; ++i)
        ring << b.straight(n.at(i), n.at((i + 1) % 4));
    b.connect(b.group(b.granule(n.at(1), 5), 1), ring.at(0), ring.at(1), {95, 0});
    b.connect(b.group(b.granule(n.at(3), 6), 2), ring.at(2), ring.at(3), {5, 100});
    QList<Ostrika::Edge *> edges;
    for (int lap = 0; lap < laps; ++lap)
        edges += ring;
    Ostrika::Route *route = b.route(edges, {});
    if (!b.ok() || RouteTimeline::routeTimelineData(route).value(QStringLiteral("sg_data")).toMap().size() != 2) {
        std::fprintf(stderr, "ring not built: %s\n", qPrintable(b.error));
        std::abort();
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(RouteTimeline::routeTimelineData(route));
}

} // namespace

BENCHMARK(routeTimelineLaps)
    ->ArgName("laps")
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK(routeTimeline)
    ->ArgNames({"spans", "signalised"})
    ->Args({250, 200})
    ->Args({2000, 200})
    ->Args({8000, 200})
    ->Args({8000, 6400})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
