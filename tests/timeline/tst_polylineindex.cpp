// PolylineIndex against GeoPolyline itself: the same answers, to the last bit.
#include "timeline/polylineindex.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

using Ostrika::GeoPolyline;
using RouteTimeline::PolylineIndex;

Q_DECLARE_METATYPE(GeoPolyline)

namespace {

// Bit patterns: QPointF's and QCOMPARE's own equality on doubles are fuzzy.
QString bits(double v)
{
    quint64 b;
    std::memcpy(&b, &v, sizeof b);
    return QString::number(b, 16);
}

QStringList bits(const QVector<QPointF> &points)
{
    QStringList out;
    for (const QPointF &p : points)
        out << bits(p.x()) + QLatin1Char(',') + bits(p.y());
    return out;
}

QStringList bits(const QList<double> &values)
{
    QStringList out;
    for (double v : values)
        out << bits(v);
    return out;
}

// Lattice walks revisit streets, in both directions; every fifth one stutters (repeated
// points); ring laps come back to the very same points.
GeoPolyline walk(QRandomGenerator &rng, int steps, double grid)
{
    QVector<QPointF> points{QPointF(0, 0)};
    const QPointF dirs[] = {{grid, 0}, {-grid, 0}, {0, grid}, {0, -grid}};
    for (int i = 0; i < steps; ++i) {
        const QPointF step = dirs[rng.bounded(4)] * (1 + rng.bounded(3));
        const QPointF jitter(rng.bounded(3) - 1.0, rng.bounded(3) - 1.0);
        points << points.constLast() + step + jitter * 0.25;
        if (rng.bounded(5) == 0)
            points << points.constLast();
    }
    return points;
}

GeoPolyline laps(int count, double side)
{
    QVector<QPointF> points;
    for (int i = 0; i < count; ++i)
        points << QPointF(0, 0) << QPointF(side, 0) << QPointF(side, side) << QPointF(0, side);
    points << QPointF(0, 0);
    return points;
}

} // namespace

class TestPolylineIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameAsGeoPolyline_data();
    void sameAsGeoPolyline();
    void degeneratePolylines_data();
    void degeneratePolylines();
};

void TestPolylineIndex::sameAsGeoPolyline_data()
{
    QTest::addColumn<GeoPolyline>("line");
    QRandomGenerator rng(17);
    QTest::newRow("lattice walk, 40 m") << walk(rng, 600, 40.0);
    QTest::newRow("lattice walk, 7 m") << walk(rng, 2000, 7.0);
    QTest::newRow("ring laps") << laps(60, 30.0);
    QVector<QPointF> outAndBack;
    for (int i = 0; i <= 300; ++i)
        outAndBack << QPointF(i * 10.0, -5);
    for (int i = 300; i >= 0; --i)
        outAndBack << QPointF(i * 10.0, 5);
    QTest::newRow("out and back") << GeoPolyline(outAndBack);
    QVector<QPointF> far = walk(rng, 400, 25.0).points();
    for (QPointF &p : far)
        p += QPointF(4e6, -3e6);
    QTest::newRow("far from the origin") << GeoPolyline(far);
}

// Every kind of question, at vertices, on segments, between and far away.
void TestPolylineIndex::sameAsGeoPolyline()
{
    QFETCH(GeoPolyline, line);
    PolylineIndex index(line);
    QRandomGenerator rng(4711);
    QRectF area;
    for (const QPointF &p : line.points())
        area |= QRectF(p, QSizeF(1e-9, 1e-9));
    area.adjust(-60, -60, 60, 60);
    auto anywhere = [&] {
        return QPointF(area.left() + rng.generateDouble() * area.width(),
                       area.top() + rng.generateDouble() * area.height());
    };
    for (int q = 0; q < 1500; ++q) {
        const int i = rng.bounded(line.count());
        QPointF p;
        switch (q % 4) {
        case 0: p = line.at(i); break;                                    // a vertex
        case 1: p = (line.at(i) + line.at(std::min(i + 1, line.count() - 1))) / 2; break;
        case 2: p = line.at(i) + QPointF(rng.bounded(80) - 40.0, rng.bounded(80) - 40.0); break;
        default: p = anywhere(); break;
        }
        // Bisector-like probes of 50, lines along segments (collinear overlaps) and lines
        // ending exactly on a vertex.
        QLineF probe(p, p + QPointF(rng.generateDouble() - 0.5, rng.generateDouble() - 0.5));
        probe.setLength(50.0);
        if (q % 7 == 0)
            probe = QLineF(line.at(i), line.at(std::min(i + 1, line.count() - 1)));
        if (q % 11 == 0)
            probe = QLineF(p, line.at(i));
        QCOMPARE(bits(index.intersection(probe)), bits(line.intersection(probe)));

        for (double tolerance : {40.0, 0.0, rng.generateDouble() * 100.0}) {
            QCOMPARE(bits(index.pointToDistance(p, tolerance)), bits(line.pointToDistance(p, tolerance)));
            QCOMPARE(bits(index.pointToDistance(p, tolerance)), bits(line.pointToDistance(p, tolerance)));
        }
        double expected = std::numeric_limits<double>::quiet_NaN();
        line.pointOn(p, &expected, true);
        QCOMPARE(bits(index.nearestDistance(p)), bits(expected));
        QCOMPARE(bits(index.nearestDistance(p)), bits(expected));   // the kept answer
    }
}

void TestPolylineIndex::degeneratePolylines_data()
{
    QTest::addColumn<GeoPolyline>("line");
    QTest::newRow("empty") << GeoPolyline();
    QTest::newRow("one point") << GeoPolyline{{3, 4}};
    QTest::newRow("one point repeated") << GeoPolyline{{3, 4}, {3, 4}, {3, 4}};
    QTest::newRow("not finite") << GeoPolyline{{0, 0}, {qInf(), 0}, {10, 10}};
    QTest::newRow("one segment") << GeoPolyline{{0, 0}, {10, 0}};
}

void TestPolylineIndex::degeneratePolylines()
{
    QFETCH(GeoPolyline, line);
    PolylineIndex index(line);
    const QPointF nan(qQNaN(), qQNaN());
    for (const QPointF &p : {QPointF(3, 4), QPointF(5, 0.5), QPointF(100, 100), nan}) {
        const QLineF probe(p, p + QPointF(0, -50));
        QCOMPARE(bits(index.intersection(probe)), bits(line.intersection(probe)));
        QCOMPARE(bits(index.pointToDistance(p, 40.0)), bits(line.pointToDistance(p, 40.0)));
        double expected = std::numeric_limits<double>::quiet_NaN();
        line.pointOn(p, &expected, true);
        QCOMPARE(bits(index.nearestDistance(p)), bits(expected));
    }
}

QTEST_GUILESS_MAIN(TestPolylineIndex)
#include "tst_polylineindex.moc"
