// The network model's load of an .ostka file against Qt's own JSON parse of the same file,
// interleaved (model, JSON, JSON, model, ...), with medians of CPU and wall time. Not a
// Google Benchmark: the two variants must alternate within one run on a shared, noisy machine.
//
//   bench_modelload FILE.ostka [ROUNDS [model|json]]   (one variant alone: for a profiler)
//
// FILE is typically a SUMO grid made with netgenerate and imported with ostka-import
// (scripts/compare-sumo.sh leaves grid10000.ostka in its scratch folder).
#include <ostrika/ostrika.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

struct Sample {
    double cpu = 0, wall = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template<typename F>
Sample timed(const F &work)
{
    QElapsedTimer clock;
    clock.start();
    const double cpu = cpuMs();
    work();
    return {cpuMs() - cpu, clock.nsecsElapsed() / 1e6};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_modelload FILE.ostka [ROUNDS]\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    int objects = 0;
    bool ok = true;
    // Each load starts from an empty model; tearing the result down is not timed.
    auto loadModel = [&] {
        auto net = std::make_unique<Ostrika::Network>();
        const Sample s = timed([&] { ok = net->load(file) && ok; });
        if (!ok)
            std::fprintf(stderr, "cannot load %s: %s\n", argv[1], qPrintable(net->errorString()));
        objects = net->objectCount();
        return s;
    };
    // The same way in: the file read whole, then parsed into a document.
    auto parseJson = [&] {
        QJsonDocument doc;
        const Sample s = timed([&] {
            QFile f(file);
            doc = f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()) : QJsonDocument();
        });
        ok = !doc.isNull() && ok;
        return s;
    };
    const bool only = argc > 3; // "model" or "json": one variant alone, for a profiler
    const bool onlyModel = only && qstrcmp(argv[3], "model") == 0;
    std::vector<double> modelCpu, modelWall, jsonCpu, jsonWall;
    for (int r = 0; r < rounds && ok; ++r) {
        const bool modelFirst = r % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool model = (k == 0) == modelFirst;
            if (only && model != onlyModel)
                continue;
            const Sample s = model ? loadModel() : parseJson();
            (model ? modelCpu : jsonCpu).push_back(s.cpu);
            (model ? modelWall : jsonWall).push_back(s.wall);
        }
    }
    if (!ok)
        return 1;
    std::printf("%s: %.1f MB, %d objects, %d rounds%s (medians)\n", argv[1], QFile(file).size() / 1e6,
                objects, rounds, only ? "" : " interleaved");
    if (!modelCpu.empty())
        std::printf("model load       cpu %8.1f ms  wall %8.1f ms\n", median(modelCpu), median(modelWall));
    if (!jsonCpu.empty())
        std::printf("Qt JSON parse    cpu %8.1f ms  wall %8.1f ms\n", median(jsonCpu), median(jsonWall));
    if (!modelCpu.empty() && !jsonCpu.empty())
        std::printf("model / JSON     cpu %8.2fx    wall %8.2fx\n", median(modelCpu) / median(jsonCpu),
                    median(modelWall) / median(jsonWall));
    return 0;
}
