// ostka-generate: the plans of the bundled town and of large benchmark grids.
#include "layouts.h"

#include "netbuilder.h"

#include <ostrika/network.h>

#include <QRandomGenerator>
#include <QSet>

#include <cmath>

namespace {

// A grid town near the centre of Brno, its streets turned a little off north.
const QPointF BrnoOrigin(16.60, 49.19);
constexpr double TownRotation = 10;
constexpr double ArmLength = 150;

bool finish(NetBuilder &b, QString *error)
{
    if (error)
        *error = b.errorString();
    return false;
}

} // namespace

bool buildTown(Ostrika::Network &network, QString *error)
{
    NetBuilder b(network, BrnoOrigin, TownRotation);
    const double xs[] = { 0, 210, 400, 620 };
    const double ys[] = { 0, -190, -380, -560 };
    int j[4][4];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int number = r * 4 + c + 1;
            const bool lights = number != 1 && number != 16;
            j[r][c] = b.addSite(QStringLiteral("J%1").arg(number), QPointF(xs[c], ys[r]),
                                NetBuilder::Junction, number, lights);
        }
    }
    // Main Street (the second row) and Station Road (the second column) have three lanes.
    auto lanesOfRow = [](int r) { return r == 1 ? 3 : 2; };
    auto lanesOfColumn = [](int c) { return c == 1 ? 3 : 2; };
    auto width = [](int lanes) { return lanes == 3 ? 3.25 : 3.0; };
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (c < 3)
                b.addRoad(j[r][c], j[r][c + 1], lanesOfRow(r), width(lanesOfRow(r)));
            if (r < 3)
                b.addRoad(j[r][c], j[r + 1][c], lanesOfColumn(c), width(lanesOfColumn(c)));
        }
    }
    auto deadEnd = [&](int r, int c, const QPointF &dir, const QString &compass) {
        const QPointF at(xs[c] + dir.x() * ArmLength, ys[r] + dir.y() * ArmLength);
        const int number = r * 4 + c + 1;
        return b.addSite(QStringLiteral("D%1%2").arg(number).arg(compass), at,
                         NetBuilder::DeadEnd);
    };
    for (int c = 0; c < 4; ++c) {
        b.addRoad(j[0][c], deadEnd(0, c, { 0, 1 }, "N"), lanesOfColumn(c), width(lanesOfColumn(c)));
        if (c != 1)
            b.addRoad(j[3][c], deadEnd(3, c, { 0, -1 }, "S"), lanesOfColumn(c),
                      width(lanesOfColumn(c)));
    }
    for (int r = 0; r < 4; ++r) {
        if (r != 0) // J1 is a T-junction
            b.addRoad(j[r][0], deadEnd(r, 0, { -1, 0 }, "W"), lanesOfRow(r), width(lanesOfRow(r)));
        if (r != 1)
            b.addRoad(j[r][3], deadEnd(r, 3, { 1, 0 }, "E"), lanesOfRow(r), width(lanesOfRow(r)));
    }
    // Two outer roads bend at a shape point.
    const int s1 = b.addSite("S1", QPointF(xs[3] + 110, ys[1] + 6), NetBuilder::ShapePoint);
    const int d8 = b.addSite("D8E", QPointF(xs[3] + 220, ys[1] + 4), NetBuilder::DeadEnd);
    b.addRoad(j[1][3], s1, 3, 3.25);
    b.addRoad(s1, d8, 3, 3.25);
    const int s2 = b.addSite("S2", QPointF(xs[1] + 5, ys[3] - 100), NetBuilder::ShapePoint);
    const int d14 = b.addSite("D14S", QPointF(xs[1] + 2, ys[3] - 200), NetBuilder::DeadEnd);
    b.addRoad(j[3][1], s2, 3, 3.25);
    b.addRoad(s2, d14, 3, 3.25);
    if (!b.build())
        return finish(b, error);

    const auto general = Ostrika::Lane::VehicleClasses(Ostrika::Lane::GeneralTraffic);
    const QStringList mainOut = { "D5W", "J5", "J6", "J7", "J8", "S1", "D8E" };
    QStringList mainBack = mainOut;
    std::reverse(mainBack.begin(), mainBack.end());
    const bool ok = b.addRoute("Main Street out-and-back", mainOut + mainBack.mid(1), general)
        && b.addRoute("Bus 7 Station - Hospital", { "D2N", "J2", "J6", "J10", "J11", "J12", "D12E" },
                      Ostrika::Lane::Bus | Ostrika::Lane::Coach)
        && b.addRoute("North-south through route", { "D3N", "J3", "J7", "J11", "J15", "D15S" },
                      general)
        && b.addRoute("Block loop", { "J6", "J7", "J11", "J10", "J6" }, general);
    return ok || finish(b, error);
}

bool buildGrid(Ostrika::Network &network, int junctions, int signalised, quint32 seed,
               QString *error)
{
    if (junctions < 1 || signalised < 0 || signalised > junctions) {
        if (error)
            *error = QStringLiteral("need 1 or more junctions and 0 to %1 signalised ones")
                         .arg(junctions);
        return false;
    }
    QRandomGenerator rng(seed);
    const int cols = int(std::ceil(std::sqrt(double(junctions))));
    const double spacing = 160, jitter = 15;
    NetBuilder b(network, BrnoOrigin, 0);

    QVector<int> order(junctions);
    for (int i = 0; i < junctions; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), rng);
    const QSet<int> lit(order.begin(), order.begin() + signalised);

    for (int i = 0; i < junctions; ++i) {
        const QPointF at((i % cols) * spacing + rng.bounded(2 * jitter) - jitter,
                         -(i / cols) * spacing + rng.bounded(2 * jitter) - jitter);
        b.addSite(QStringLiteral("J%1").arg(i + 1), at, NetBuilder::Junction, i + 1,
                  lit.contains(i));
    }
    auto road = [&](int a, int c) {
        const bool major = lit.contains(a) || lit.contains(c);
        const int lanes = major ? 2 + int(rng.bounded(2)) : 1 + (rng.bounded(10) < 3 ? 1 : 0);
        b.addRoad(a, c, lanes, lanes == 3 ? 3.25 : 3.0);
    };
    for (int i = 0; i < junctions; ++i) {
        if (i % cols + 1 < cols && i + 1 < junctions)
            road(i, i + 1);
        if (i + cols < junctions)
            road(i, i + cols);
    }
    if (!b.build())
        return finish(b, error);

    const int rows = (junctions + cols - 1) / cols;
    const int step = qMax(1, rows / 10);
    for (int r = 0; r < rows; r += step) {
        QStringList names;
        for (int c = 0; c < cols && r * cols + c < junctions; ++c)
            names << QStringLiteral("J%1").arg(r * cols + c + 1);
        if (names.size() < 2)
            continue;
        const bool outAndBack = (r / step) % 2 == 1;
        QStringList path = names;
        if (outAndBack) {
            QStringList back = names;
            std::reverse(back.begin(), back.end());
            path += back.mid(1);
        }
        const QString name = outAndBack ? QStringLiteral("Row %1 out-and-back").arg(r + 1)
                                        : QStringLiteral("Row %1 eastbound").arg(r + 1);
        if (!b.addRoute(name, path, Ostrika::Lane::GeneralTraffic))
            return finish(b, error);
    }
    return true;
}
